// Path strings: the append rule, leaf and parent, components, splitting and
// lexical completion. Nothing here depends on what is on disk.
#include "lib/path.hpp"

#include <gtest/gtest.h>

#include <string>

#include "lib/basic_filesystem.hpp"

namespace {

using fs = lib::basic_filesystem<wchar_t>;
using nfs = lib::basic_filesystem<char>;

TEST(PathString, AppendRule) {
  struct row {
    std::wstring path, text, expected;
  };
  const row rows[] = {
      {L"a/", L"b", L"a/b"},
      {L"a", L"b", L"a/b"},
      {L"/work", L".", L"/work/."},
      {L"", L"x", L"x"},
      {L"a", L"", L"a"},
      {L"a", L"/b", L"a/b"},
      {L"a", L"\\b", L"a/b"},
      {L"a", L"b\\c\\", L"a/b/c/"},
      {L"", L"C:\\work\\x", L"C:/work/x"},
      {L"a", L"//:b", L"a/b"},
      {L"a", L"//:/b", L"a/b"},
      {L"a", L"//b", L"a//b"},
      // A drive-like name is an ordinary element here.
      {L"C:", L"x", L"C:/x"},
      {L"/", L"x", L"/x"},
  };
  for (const row& r : rows) EXPECT_EQ(lib::path::append(r.path, r.text), r.expected) << r.path << " + " << r.text;
  EXPECT_EQ(lib::path::make(std::string("a\\b")), "a/b");
  // U+8868 in the code page is 95 5C: its second byte is no separator.
  EXPECT_EQ(lib::path::make(std::string("\x95\x5C\\a\x95")), "\x95\x5C/a\x95");
}

TEST(PathString, LeafParentAndComponents) {
  struct row {
    std::wstring path, leaf, parent;
    bool component;
  };
  const row rows[] = {
      {L"", L"", L"", false},
      {L"name", L"name", L"", true},
      {L"a.b", L"a.b", L"", true},
      {L"C:", L"C:", L"", true},
      {L"..", L"..", L"", true},
      {L"/", L"/", L"", true},
      {L"a/", L".", L"a", true},
      {L"a/.", L".", L"a", true},
      {L"/work/root/.", L".", L"/work/root", true},
      {L"a/b/", L".", L"a/b", true},
      {L"a/b", L"b", L"a", false},
      {L"/a", L"a", L"/", false},
      {L"//a", L"a", L"/", false},
      {L"a//b", L"b", L"a", false},
      {L"a\\b", L"b", L"a", false},  // becomes a path first
  };
  for (const row& r : rows) {
    std::wstring p = lib::path::make(r.path);
    EXPECT_EQ(lib::path::leaf(p), r.leaf) << r.path;
    EXPECT_EQ(lib::path::parent(p), r.parent) << r.path;
    EXPECT_EQ(fs::is_component(r.path), r.component) << r.path;
  }
  EXPECT_TRUE(nfs::is_component("x.hpp"));
  EXPECT_FALSE(nfs::is_component("sub/x.hpp"));
}

TEST(PathString, TakeFirstAndLastComponent) {
  struct row {
    std::wstring path, first, first_rest, last, last_rest;
  };
  const row rows[] = {
      {L"/work/a", L"", L"work/a", L"a", L"/work"},
      {L"C:/work/a", L"C:", L"work/a", L"a", L"C:/work"},
      {L"C:/work/", L"C:", L"work/", L"", L"C:/work"},
      {L"a//b", L"a", L"/b", L"b", L"a/"},
      {L"a", L"a", L"", L"a", L""},
      {L"", L"", L"", L"", L""},
      {L"/", L"", L"", L"", L""},
      {L"a\\b", L"a", L"b", L"b", L"a"},
  };
  for (const row& r : rows) {
    std::wstring p = r.path;
    EXPECT_EQ(fs::take_first_component(p), r.first) << r.path;
    EXPECT_EQ(p, r.first_rest) << r.path;
    p = r.path;
    EXPECT_EQ(fs::take_last_component(p), r.last) << r.path;
    EXPECT_EQ(p, r.last_rest) << r.path;
  }
  std::wstring p = L"/a/b";
  EXPECT_EQ(fs::take_last_component(p), L"b");
  EXPECT_EQ(fs::take_last_component(p), L"a");
  EXPECT_EQ(p, L"");
  std::string n = "wallpaper/x.png";
  EXPECT_EQ(nfs::take_first_component(n), "wallpaper");
  EXPECT_EQ(n, "x.png");
}

TEST(PathString, CompletionIsLexical) {
  struct row {
    std::wstring path, base, expected;
  };
  const row rows[] = {
      {L"b", L"/a", L"/a/b"},
      {L".", L"/work/root", L"/work/root"},
      {L"..", L"/work/root", L"/work"},
      {L"../..", L"/work", L"/"},
      {L"x/./y/../z/", L"/w", L"/w/x/z/"},
      {L"/x//y/", L"/w", L"/x/y/"},
      {L"/", L"/w", L"/"},
      {L"C:", L"/w", L"/w/C:"},
      {L"sub\\x.hpp", L"/w", L"/w/sub/x.hpp"},
      {L"", L"/w/", L"/w/"},
      {L"b", L"/a/", L"/a/b"},
  };
  for (const row& r : rows) EXPECT_EQ(fs::complete(r.path, r.base), r.expected) << r.path << " on " << r.base;

  const std::wstring cwd = fs::current_directory();
  ASSERT_EQ(cwd.substr(0, 1), L"/");
  EXPECT_EQ(fs::system_complete(L""), L"");
  EXPECT_EQ(fs::system_complete(L"x/"), lib::path::append(cwd, std::wstring(L"x/")));
  EXPECT_EQ(fs::complete_current(L"x"), lib::path::append(cwd, std::wstring(L"x")));
  EXPECT_EQ(fs::absolute(L"x\\y"), lib::path::append(cwd, std::wstring(L"x/y")));
  EXPECT_EQ(nfs::complete("..", "/a/b"), "/a");
}

}  // namespace
