// The text widget and the fit-to-width loop.
#include "ui/text.hpp"

#include <algorithm>
#include <utility>
#include <vector>

#include "lib/string.hpp"
#include "platform/text/codepage.hpp"
#include "ui/drawing.hpp"

namespace ui {

text::text() : text(std::string(), text_style()) {}

text::text(const std::wstring& s, const text_style& style)
    : text(lib::string::convert<std::string>(s), style) {}

text::text(std::string narrow, const text_style& style) : text_(std::move(narrow)), style_(style) { measure(); }

text text::text_from_chars(const char* literal, const text_style& style) {
  return text(lib::string::convert<std::string>(literal), style);
}

text text::fit(std::wstring work, unsigned limit, const text_style& style) {
  // The shown form for a cut after count characters: the whole text, or the
  // first count characters and "...". Its width never falls as count grows
  // (a measure is a sum of advances), so the longest cut narrower than limit
  // is found by bisection, the same cut as removing one character at a time
  // and measuring again, with a logarithmic number of measures.
  //
  // The conversion to code page 932 goes character by character and stops
  // at the first NUL, so the text is converted once: a cut's shown form is a
  // prefix of it, with "..." after it unless the NUL came first.
  std::string narrow;
  std::vector<std::size_t> ends = {0};  // ends[i]: the bytes of the first i characters
  const std::size_t convertible = std::min(work.size(), work.find(L'\0'));
  narrow.reserve(convertible * 2 + 3);
  ends.reserve(convertible + 1);
  for (std::size_t i = 0; i < convertible; ++i) {
    // as append_narrow writes each character
    const int code = platform::text::narrow_code(work[i]);
    if (code < 0) {
      narrow += platform::text::narrow_default_char;
    } else if (code > 0xFF) {
      narrow += static_cast<char>(code >> 8);
      narrow += static_cast<char>(code & 0xFF);
    } else {
      narrow += static_cast<char>(code);
    }
    ends.push_back(narrow.size());
  }
  auto shown_for = [&](std::size_t count) {
    if (count == work.size() || count > convertible) return narrow;
    std::string shown = narrow.substr(0, ends[count]);
    shown += "...";
    return shown;
  };
  auto fits = [&](const std::string& shown) {
    return static_cast<unsigned>(string_width(shown, style.font())) < limit;
  };
  std::string whole = shown_for(work.size());
  if (work.empty() || fits(whole)) return text(std::move(whole), style);
  // cuts of 0 .. low characters are kept; above high none fits
  std::size_t low = 0, high = work.size() - 1;
  while (low < high) {
    const std::size_t middle = low + (high - low + 1) / 2;
    if (fits(shown_for(middle)))
      low = middle;
    else
      high = middle - 1;
  }
  return text(shown_for(low), style);
}

void text::measure() {
  width = string_width(text_, style_.font());
  height = style_.font_size();
}

void text::draw_at(int x, int y) const { draw_string(text_, style_.colour, x, y, style_.font()); }

std::wstring text::to_wstring() const { return lib::string::convert<std::wstring>(text_); }

}  // namespace ui
