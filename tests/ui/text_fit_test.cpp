// text_fit against the literal fit it replaces (remove the last character,
// measure the whole shown text again, until it is narrower than the limit)
// over many seeded names of mixed widths, Japanese and characters code page
// 932 lacks, at limits around every cut.
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "fixture.hpp"
#include "lib/string.hpp"
#include "ui/drawing.hpp"
#include "ui/text.hpp"

namespace {

using ui_test::toolkit;

class TextFit : public toolkit {};

std::string literal_fit(std::wstring work, unsigned limit) {
  std::string shown = lib::string::convert<std::string>(work);
  while (!work.empty()) {
    if (static_cast<unsigned>(ui::string_width(shown)) < limit) break;
    work.pop_back();
    shown = lib::string::convert<std::string>(work + L"...");
  }
  return shown;
}

std::vector<std::wstring> seeded_names() {
  const std::wstring pool =
      L"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 ._-()[]"
      L"あいうえおかきくけこタグ一覧日本語漢字資料写真音楽ｱｲｳｴｵ　"
      L"\u00e9\u00fc\u4e02\U0001F600\u0300";
  std::mt19937 random(69);
  std::vector<std::wstring> names = {L"", L"a", L"...", L"日", L"\U0001F600"};
  // a NUL ends the converted text, the "..." after a cut too
  using namespace std::string_literals;
  for (const std::wstring& s : {L"ab\0cd"s, L"\0abc"s, L"abcdefghijklmnopqrstuvwxyz\0xyz"s, L"日本語\0"s})
    names.push_back(s);
  for (int i = 0; i < 400; ++i) {
    std::wstring name;
    const int length = 1 + static_cast<int>(random() % 120);
    for (int c = 0; c < length; ++c) name += pool[random() % pool.size()];
    names.push_back(name);
  }
  return names;
}

TEST_F(TextFit, CutsWhereTheLiteralRemeasureCuts) {
  const std::vector<std::wstring> names = seeded_names();
  int checked = 0;
  for (const std::wstring& name : names) {
    const int whole = ui::string_width(lib::string::convert<std::string>(name));
    // every limit near the whole width and near the cuts of a few widths
    std::vector<unsigned> limits = {0, 1, 29, 30, 31, 35, 40, 41, 100, 200, 1000};
    for (int d = -2; d <= 2; ++d)
      if (whole + d >= 0) limits.push_back(static_cast<unsigned>(whole + d));
    for (unsigned limit : limits) {
      const std::string want = literal_fit(name, limit);
      const ui::text got = ui::text::text_fit(name, limit);
      ASSERT_EQ(got.str(), want) << "limit " << limit << ", name of " << name.size() << " characters";
      EXPECT_EQ(got.width, ui::string_width(want));
      ++checked;
    }
  }
  EXPECT_GT(checked, 5000);
  // values other than text are written first, then fitted
  EXPECT_EQ(ui::text::text_fit(1234567, 50).str(), literal_fit(L"1234567", 50));
}

}  // namespace
