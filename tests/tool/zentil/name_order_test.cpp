// The name order of directory listings.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "tool/zentil/name_order.hpp"

namespace {

using tool::zentil::name_before;
using tool::zentil::sort_by_name;

TEST(NameOrder, PairsTable) {
  struct pair_case {
    std::wstring a, b;  // a comes first
  };
  const pair_case cases[] = {
      {L"A", L"a"},            // tie after folding: exact code points
      {L"a", L"B"},            // letters fold, so case does not split the alphabet
      {L"b", L"_x"},           // folded to upper case, '_' (0x5F) follows the letters
      {L"10", L"9"},           // by code point, not by number
      {L".dotfile", L"10"},    // dot entries are sorted like the others
      {L"ab", L"abc"},         // a prefix first
      {L"Ab", L"aB"},          // the first exact difference decides a tie
      {L"z", L"\u65e5\u672c"}, // beyond ASCII: code points
      {L"x\\y", L"x\u00e9"},   // a backslash is an ordinary character
      {L"a", L"a\xDC80"},      // a held byte of a name that is not UTF-8
  };
  for (const pair_case& c : cases) {
    EXPECT_TRUE(name_before(c.a, c.b)) << std::string(c.a.begin(), c.a.end());
    EXPECT_FALSE(name_before(c.b, c.a)) << std::string(c.a.begin(), c.a.end());
  }
  EXPECT_FALSE(name_before(L"same", L"same"));
}

TEST(NameOrder, CompletePathsSortByTheirNamesWhateverTheListingOrder) {
  const std::vector<std::wstring> names = {L".dotfile", L"10", L"9", L"A", L"a", L"b", L"_x", L"\u65e5\u672c"};
  std::vector<std::wstring> expected;
  for (const std::wstring& n : names) expected.push_back(L"/r/Z/" + n);
  std::mt19937 random(7);
  for (int round = 0; round < 20; ++round) {
    std::vector<std::wstring> paths = expected;
    std::shuffle(paths.begin(), paths.end(), random);
    sort_by_name(paths);
    EXPECT_EQ(paths, expected);
  }
}

// Random names of letters of both cases, digits, punctuation, a backslash
// and characters beyond ASCII, in a few folders, some names in more than one
// folder: the same order as a stable sort by name_before on the names.
TEST(NameOrder, SortAgreesWithAStableSortOnTheNamesByNameBefore) {
  const std::wstring alphabet = L"aAbBzZ09_.-\\ \u00e9\u65e5\u672c\xDC80";
  std::mt19937 random(69);
  std::vector<std::wstring> paths;
  for (int i = 0; i < 3000; ++i) {
    std::wstring name;
    const int length = 1 + static_cast<int>(random() % 6);
    for (int c = 0; c < length; ++c) name += alphabet[random() % alphabet.size()];
    const std::wstring folder = i % 3 == 0 ? L"" : i % 3 == 1 ? L"/r/" : L"/r/deeper/";
    paths.push_back(folder + name);
  }
  std::vector<std::wstring> expected = paths;
  std::stable_sort(expected.begin(), expected.end(), [](const std::wstring& a, const std::wstring& b) {
    return name_before(std::wstring(tool::zentil::name_of(a)), std::wstring(tool::zentil::name_of(b)));
  });
  sort_by_name(paths);
  EXPECT_TRUE(paths == expected);
}

}  // namespace
