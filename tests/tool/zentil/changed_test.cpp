// The store's "changed" flag: set by every link and unlink the run makes
// (inheritance included), never by the load or by what link_tag refuses.
#include <gtest/gtest.h>

#include <string>

#include "tool/zentil/store_fixture.hpp"

namespace {

using zentil_test::store_test;
using ChangedFlag = store_test;

TEST_F(ChangedFlag, TheLoadLeavesItFalse) {
  const std::wstring x = folder(L"x");
  std::string path(x.begin(), x.end());
  dir_.file("system.txt", "<root><tag><value>a</value><path><value>" + path + "</value></path></tag></root>");
  ASSERT_TRUE(app->load_tag_database(L"system.txt"));
  std::list<std::wstring> tags;
  app->tags_of(x, tags);
  EXPECT_EQ(tags.size(), 1u);
  EXPECT_FALSE(app->changed);
}

TEST_F(ChangedFlag, RefusedLinksAndUnknownUnlinksLeaveItFalse) {
  const std::wstring x = folder(L"x");
  app->link_tag(x, L"two words");
  app->link_tag(app->root_folder + L"/missing", L"a");
  app->unlink_tag(x, L"a");
  app->inherit_ancestor_tags(x);  // the root folder carries no tag
  EXPECT_FALSE(app->changed);
}

TEST_F(ChangedFlag, LinksUnlinksAndInheritanceSetIt) {
  const std::wstring x = folder(L"x"), y = folder(L"x/y");
  app->link_tag(x, L"a");
  EXPECT_TRUE(app->changed);
  app->changed = false;
  app->unlink_tag(x, L"a");
  EXPECT_TRUE(app->changed);
  app->link_tag(x, L"b");
  app->changed = false;
  app->inherit_ancestor_tags(y);
  EXPECT_TRUE(app->changed);
}

}  // namespace
