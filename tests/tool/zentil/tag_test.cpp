// The tag store: tag words, links both ways, search, inheritance of tags.
#include "tool/zentil/tag.hpp"

#include <gtest/gtest.h>

#include <list>
#include <string>
#include <vector>

#include "store_fixture.hpp"

namespace {

using paths = std::vector<std::wstring>;
using names = std::list<std::wstring>;

TEST(TagWord, Table) {
  struct row {
    std::wstring text;
    bool word;
  };
  const row rows[] = {
      {L"a", true},
      {L"\u30BF\u30B0", true},
      {L"<a>", true},
      {L"-", true},
      {L"-a", true},
      {L"a-b", true},
      {L"a\tb", true},
      {L"a\nb", true},
      {std::wstring(1, L'\0'), true},
      {L"\U0001F600", true},
      {L"", false},
      {L"a b", false},
      {L" ", false},
      {L"a\u3000b", false},
      {L"\u3000", false},
      {L"a/b", false},
      {L"/", false},
      {L"a\\b", false},
      {L"\\", false},
  };
  for (const row& r : rows) EXPECT_EQ(tool::zentil::is_tag_word(r.text), r.word) << testing::PrintToString(r.text);
  // Long texts are matched without deep recursion.
  EXPECT_TRUE(tool::zentil::is_tag_word(std::wstring(200000, L'x')));
  EXPECT_FALSE(tool::zentil::is_tag_word(std::wstring(200000, L'x') + L" "));
}

using TagStore = zentil_test::store_test;

TEST_F(TagStore, LinksBothWaysOnceForExistingFoldersAndTagWords) {
  const std::wstring a = folder(L"a");
  app->link_tag(a, L"t");
  app->link_tag(a, L"t");
  app->link_tag(a, L"<u>");
  app->link_tag(a, L"a b");
  app->link_tag(a, L"a\u3000b");
  app->link_tag(a, L"a/b");
  app->link_tag(a, L"a\\b");
  app->link_tag(a, L"");
  app->link_tag(app->root_folder + L"/missing", L"t");
  app->link_tag(std::wstring(L"x\0y", 3), L"t");
  app->link_tag(L"/" + std::wstring(5000, L'n'), L"t");

  names tags;
  app->tags_of(a, tags);
  EXPECT_EQ(tags, (names{L"t", L"<u>"}));
  EXPECT_EQ(app->tag_map.size(), 2u);
  EXPECT_EQ(app->directory_map.size(), 1u);
  const auto& t = *app->tag_map.at(L"t");
  ASSERT_EQ(t.links.size(), 1u);
  EXPECT_EQ(t.links.front(), app->directory_map.at(a).get());
  EXPECT_EQ(app->directory_map.at(a)->links.front(), &t);
  EXPECT_FALSE(app->tags_dirty);
}

TEST_F(TagStore, UnlinkKeepsOtherLinksAndRecords) {
  const std::wstring a = folder(L"a"), b = folder(L"b");
  app->link_tag(a, L"t");
  app->link_tag(b, L"t");
  app->link_tag(a, L"u");
  app->unlink_tag(a, L"t");
  app->unlink_tag(a, L"never");
  app->unlink_tag(folder(L"untagged"), L"t");
  app->unlink_tag(L"", L"t");

  names tags;
  app->tags_of(a, tags);
  EXPECT_EQ(tags, names{L"u"});
  tags.clear();
  app->tags_of(b, tags);
  EXPECT_EQ(tags, names{L"t"});
  EXPECT_EQ(app->search_tags(L"t"), paths{b});

  // The records stay, with empty lists once their last link went.
  app->unlink_tag(b, L"t");
  ASSERT_EQ(app->tag_map.count(L"t"), 1u);
  EXPECT_TRUE(app->tag_map.at(L"t")->links.empty());
  EXPECT_EQ(app->directory_map.size(), 2u);

  tags = {L"kept"};
  app->tags_of(L"/nowhere", tags);
  EXPECT_EQ(tags, names{L"kept"});
}

TEST_F(TagStore, Search) {
  const std::wstring f1 = folder(L"f1"), f2 = folder(L"f2"), f3 = folder(L"f3"), f4 = folder(L"f4");
  // x is linked to f3 before f1, so results follow that order.
  app->link_tag(f3, L"x");
  app->link_tag(f1, L"x");
  app->link_tag(f2, L"x");
  app->link_tag(f1, L"y");
  app->link_tag(f3, L"y");
  app->link_tag(f4, L"y");
  app->link_tag(f3, L"z");
  app->link_tag(f4, L"-y");

  struct row {
    std::wstring query;
    paths expected;
  };
  const row rows[] = {
      {L"x", {f3, f1, f2}},
      {L"x y", {f3, f1}},
      {L"x\u3000y", {f3, f1}},
      {L"y x", {f1, f3}},
      {L"x -y", {f2}},
      {L"x\u3000-y", {f2}},
      {L"x y -z", {f1}},
      {L"x -z y", {f1}},
      {L"x -", {f3, f1, f2}},
      {L"x -nothing", {f3, f1, f2}},
      {L"x nothing", {}},
      {L"x nothing y", {}},
      {L"nothing x", {}},
      {L"-y", {f4}},
      {L"x  y", {}},
      {L"x \u3000y", {}},
      {L" x", {}},
      {L"x ", {}},
      {L"\u3000x", {}},
      {L"", {}},
      {L" ", {}},
      {L"-", {}},
  };
  for (const row& r : rows) EXPECT_EQ(app->search_tags(r.query), r.expected) << testing::PrintToString(r.query);
}

TEST_F(TagStore, FilteringStepsEditTheResultInPlace) {
  const std::wstring f1 = folder(L"f1"), f2 = folder(L"f2");
  app->link_tag(f1, L"x");
  app->link_tag(f2, L"x");
  app->link_tag(f2, L"y");
  paths result{f1, f2};
  app->keep_tagged(result, L"y");
  EXPECT_EQ(result, paths{f2});
  result = {f1, f2};
  app->drop_tagged(result, L"-y");
  EXPECT_EQ(result, paths{f1});
  // A path the store does not know ends the step with the result untouched.
  result = {f1, L"/unknown", f2};
  EXPECT_THROW(app->keep_tagged(result, L"y"), std::out_of_range);
  EXPECT_EQ(result, (paths{f1, L"/unknown", f2}));
}

TEST_F(TagStore, InheritsFromParentThenGrandparentUpToRoot) {
  const std::wstring a = folder(L"a"), b = folder(L"a/b"), c = folder(L"a/b/c");
  app->link_tag(app->root_folder, L"r");
  app->link_tag(a, L"s");
  app->link_tag(b, L"q");
  app->link_tag(b, L"s");
  app->link_tag(c, L"own");

  app->inherit_ancestor_tags(c);
  names tags;
  app->tags_of(c, tags);
  EXPECT_EQ(tags, (names{L"own", L"q", L"s", L"r"}));

  app->inherit_ancestor_tags(app->root_folder);
  tags.clear();
  app->tags_of(app->root_folder, tags);
  EXPECT_EQ(tags, names{L"r"});
}

// Ancestors are found by cutting stored paths at their last '/': a
// backslash in a folder's name is part of that name, so root/a\b/c inherits
// from root/a\b and the root, never from root/a/b or root/a.
TEST_F(TagStore, InheritsAcrossNamesThatHoldBackslashes) {
  const std::wstring ab = folder(L"a\\b"), c = folder(L"a\\b/c"), cd = folder(L"a\\b/c\\d"), e = folder(L"a\\b/c\\d/e");
  const std::wstring a = folder(L"a"), a_b = folder(L"a/b"), latin = folder(L"caf\xDCE9/x");
  app->link_tag(app->root_folder, L"r");
  app->link_tag(ab, L"ab");
  app->link_tag(c, L"c");
  app->link_tag(cd, L"cd");
  app->link_tag(a, L"wrong-a");
  app->link_tag(a_b, L"wrong-ab");
  app->link_tag(app->root_folder + L"/caf\xDCE9", L"caf");
  struct row {
    std::wstring path;
    names tags;
  };
  const row rows[] = {
      {c, {L"c", L"ab", L"r"}},
      {e, {L"cd", L"ab", L"r"}},
      {latin, {L"caf", L"r"}},  // a name that is not UTF-8 is cut nowhere
  };
  for (const row& r : rows) {
    app->inherit_ancestor_tags(r.path);
    names tags;
    app->tags_of(r.path, tags);
    EXPECT_EQ(tags, r.tags) << testing::PrintToString(r.path);
  }
  names untouched;
  app->tags_of(a_b, untouched);
  EXPECT_EQ(untouched, names{L"wrong-ab"});
}

TEST_F(TagStore, InheritanceEndsForPathsOutsideRoot) {
  // Above the root folder the walk goes on to the top of the path.
  dir_.folder("other/deep");
  const std::wstring other = app->root_folder.substr(0, app->root_folder.rfind(L'/')) + L"/other";
  app->link_tag(other, L"o");
  app->inherit_ancestor_tags(other + L"/deep");
  names tags;
  app->tags_of(other + L"/deep", tags);
  EXPECT_EQ(tags, names{L"o"});

  for (const std::wstring path : {L"", L"/", L"relative/path", L"C:\\a\\b", L"//", L"root/"})
    app->inherit_ancestor_tags(path);
  EXPECT_EQ(app->directory_map.size(), 2u);
}

}  // namespace
