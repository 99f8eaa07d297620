// The indexed link list against the plain list with a duplicate scan it
// replaces, on seeded random links and removals; and the store's links of
// one tag to many folders keeping their order through unlinks and relinks.
#include <gtest/gtest.h>

#include <algorithm>
#include <list>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "store_fixture.hpp"
#include "tool/zentil/tag.hpp"

namespace {

using tool::zentil::link_list;
using tool::zentil::tag;

TEST(LinkList, AddsAndRemovesAsTheScannedListDoes) {
  std::vector<std::unique_ptr<tag::directory>> folders;
  for (int i = 0; i < 60; ++i) folders.push_back(std::make_unique<tag::directory>(L"f" + std::to_wstring(i % 40)));
  std::mt19937 random(71);
  link_list<tag::directory> indexed;
  std::list<tag::directory*> scanned;
  for (int step = 0; step < 20000; ++step) {
    tag::directory* record = folders[random() % folders.size()].get();
    if (random() % 4 != 0) {
      const bool fresh = std::find(scanned.begin(), scanned.end(), record) == scanned.end();
      if (fresh) scanned.push_back(record);
      ASSERT_EQ(tag::add_link(indexed, record), fresh) << "step " << step;
    } else {
      // names repeat (f0 .. f39 for 60 records): a removal by name takes
      // every record of that name
      const std::wstring name = record->name;
      scanned.remove_if([&](const tag::directory* d) { return d->name == name; });
      tag::remove_named(indexed, name);
    }
    ASSERT_TRUE(indexed.list() == scanned) << "step " << step;
  }
}

using TagLinks = zentil_test::store_test;

TEST_F(TagLinks, ManyFoldersUnderOneTagKeepTheirOrderOnce) {
  std::vector<std::wstring> paths;
  for (int i = 0; i < 300; ++i) paths.push_back(folder(L"d" + std::to_wstring(i)));
  for (const std::wstring& p : paths) app->link_tag(p, L"big");
  for (auto p = paths.rbegin(); p != paths.rend(); ++p) app->link_tag(*p, L"big");  // all already there
  // unlinked and linked again, a folder goes to the end
  app->unlink_tag(paths[5], L"big");
  app->link_tag(paths[5], L"big");
  app->link_tag(paths[5], L"big");
  std::vector<std::wstring> want = paths;
  want.erase(want.begin() + 5);
  want.push_back(paths[5]);
  EXPECT_EQ(app->search_tags(L"big"), want);
  std::list<std::wstring> tags;
  app->tags_of(paths[5], tags);
  EXPECT_EQ(tags, std::list<std::wstring>{L"big"});
}

}  // namespace
