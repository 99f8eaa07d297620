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

}  // namespace
