// Folder walks by names and patterns over a fixture folder built per test.
#include "lib/basic_filesystem.hpp"

#include <gtest/gtest.h>

#include <boost/regex.hpp>

#include <algorithm>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/fs/filesystem.hpp"
#include "support/temp_folder.hpp"

namespace {

using fs = lib::basic_filesystem<wchar_t>;
using nfs = lib::basic_filesystem<char>;
using paths = std::vector<std::wstring>;

// F/
//   a.txt  b.hpp  aab  a+b/inner.txt  (1)/one  sub/{x.hpp, y.hpp, z.txt}
//   empty/  Data/  only/  two1/  two2/f
//   x\y/inner.txt  x/y/other.txt   (a backslash in a name, and the folder
//                                    that name would be taken for)
//   caf\xE9/e9  caf\xE8/e8          (Latin-1 bytes, not UTF-8: the names
//                                    caf\xDCE9 and caf\xDCE8)
class FolderWalk : public testing::Test {
 protected:
  FolderWalk() {
    for (const char* f : {"a.txt", "b.hpp", "aab", "a+b/inner.txt", "(1)/one", "sub/x.hpp", "sub/y.hpp", "sub/z.txt",
                          "two2/f", "x\\y/inner.txt", "x/y/other.txt", "caf\xE9/e9", "caf\xE8/e8"})
      dir.file(f);
    for (const char* d : {"empty", "Data", "only", "two1"}) dir.folder(d);
    F = dir.wpath();
  }

  std::wstring at(const std::wstring& name) const { return F + L"/" + name; }
  paths at_all(std::initializer_list<const wchar_t*> names) const {
    paths out;
    for (const wchar_t* n : names) out.push_back(at(n));
    std::sort(out.begin(), out.end());
    return out;
  }
  paths all_entries() const {
    return at_all({L"a.txt", L"b.hpp", L"aab", L"a+b", L"(1)", L"sub", L"empty", L"Data", L"only", L"two1", L"two2",
                   L"x\\y", L"x", L"caf\xDCE9", L"caf\xDCE8"});
  }
  static paths sorted(paths p) {
    std::sort(p.begin(), p.end());
    return p;
  }

  support::temp_folder dir;
  std::wstring F;
};

TEST_F(FolderWalk, ListDotGivesEveryEntry) {
  EXPECT_EQ(sorted(fs::ls(F, L".")), all_entries());
  EXPECT_EQ(fs::ls(at(L"empty"), L"."), paths());
  EXPECT_EQ(fs::ls(F + L"/", L"."), fs::ls(F, L"."));
  std::vector<std::string> narrow = nfs::ls(dir.path(), ".");
  EXPECT_EQ(narrow.size(), 15u);
  EXPECT_NE(std::find(narrow.begin(), narrow.end(), dir.at("a+b")), narrow.end());
}

TEST_F(FolderWalk, ListPatterns) {
  struct row {
    const wchar_t* pattern;
    paths expected;
  };
  const row rows[] = {
      {L"sub/.*hpp", at_all({L"sub/x.hpp", L"sub/y.hpp"})},
      {L"sub/x.hpp", at_all({L"sub/x.hpp"})},
      {L"sub\\x.hpp", at_all({L"sub/x.hpp"})},
      {L"s.b/z\\.txt", at_all({})},  // the backslash is a separator, never an escape
      {L"s.b/z..xt", at_all({L"sub/z.txt"})},
      {L"nothere/x", at_all({})},
      {L"nothere", at_all({})},
      // A name is taken before a pattern; as patterns these would match others.
      {L"a+b", at_all({L"a+b/inner.txt"})},
      {L"(1)/one", at_all({L"(1)/one"})},
      // Several matches: a folder gives its entries, a file itself.
      {L"a.b", at_all({L"a+b/inner.txt", L"aab"})},
      {L"two./f", at_all({})},  // a middle component with two matches ends the listing
      {L"sub/..", all_entries()},
      {L"sub/../b.hpp", at_all({L"b.hpp"})},
      {L"dat.", at_all({})},     // patterns match in exact case
      {L"Dat.", at_all({})},     // an empty folder
      {L"empty/(", at_all({})},  // an invalid pattern no entry is tested against
      // A backslash in a typed pattern is a separator; an entry's name that
      // holds one is listed and entered by that name, never as two.
      {L"x\\y", at_all({L"x/y/other.txt"})},
      {L"x.y", at_all({L"x\\y/inner.txt"})},
      {L"x.y/.*", at_all({L"x\\y/inner.txt"})},
      {L"x.y/inner.txt", at_all({L"x\\y/inner.txt"})},
      // Names that are not UTF-8 keep their bytes: two names, each its own.
      {L"caf.", at_all({L"caf\xDCE9/e9", L"caf\xDCE8/e8"})},
      {L"caf\xDCE9", at_all({L"caf\xDCE9/e9"})},
      {L"caf\xDCE8/.8", at_all({L"caf\xDCE8/e8"})},
      {L"caf\uFFFD", at_all({})},
  };
  for (const row& r : rows) EXPECT_EQ(sorted(fs::ls(F, r.pattern)), r.expected) << r.pattern;

  EXPECT_EQ(sorted(fs::ls(L"", F + L"/sub/.*hpp")), at_all({L"sub/x.hpp", L"sub/y.hpp"}));
  std::vector<std::string> narrow = nfs::ls(dir.path(), "sub/x.*");
  EXPECT_EQ(narrow, std::vector<std::string>{dir.at("sub/x.hpp")});
}

TEST_F(FolderWalk, ListIntoReplacesOnlyWhatItLists) {
  paths out{L"old"};
  fs::ls_into(L"sub/x.hpp", F, out);
  EXPECT_EQ(out, (paths{L"old", at(L"sub/x.hpp")}));
  fs::ls_into(L"/", F, out);  // the root alone: replaced by the root's entries
  EXPECT_EQ(std::count(out.begin(), out.end(), L"old"), 0);
  const std::wstring top = F.substr(0, F.find(L'/', 1));
  EXPECT_NE(std::find(out.begin(), out.end(), top), out.end());
}

TEST_F(FolderWalk, ListErrors) {
  for (const wchar_t* pattern : {L"sub//x.hpp", L"//x"}) {
    try {
      fs::ls(F, pattern);
      ADD_FAILURE() << "no error for " << pattern;
    } catch (const std::invalid_argument& e) {
      EXPECT_STREQ(e.what(), "lib/basic_filesystem/simple_ls") << pattern;
    }
  }
  paths out;
  EXPECT_THROW(fs::simple_ls(F, L"sub/x.hpp", out), std::invalid_argument);
  EXPECT_THROW(fs::ls(F, L"sub/("), boost::regex_error);
  EXPECT_THROW(fs::ls(F, L"(/x"), boost::regex_error);  // a middle component is listed for its errors
  // Walking into a file, then looking for a pattern inside it.
  EXPECT_THROW(fs::ls(F, L"a.txt/x"), std::exception);
}

TEST_F(FolderWalk, SimpleListOfNamesAndPatterns) {
  paths out;
  fs::simple_ls(F, L"a.txt", out);
  fs::simple_ls(F, L"a.b", out);
  EXPECT_EQ(sorted(out), at_all({L"a.txt", L"a+b/inner.txt", L"aab"}));
}

TEST_F(FolderWalk, SimpleChangeFolder) {
  struct row {
    const wchar_t* component;
    bool moved;
    std::wstring where;
  };
  const row rows[] = {
      {L"sub", true, at(L"sub")},
      {L"a+b", true, at(L"a+b")},
      {L"(1)", true, at(L"(1)")},
      {L"onl.", true, at(L"only")},
      {L"s[u]b", true, at(L"sub")},
      {L"two.", false, F},  // two matches
      {L"nothing", false, F},
      {L"data", false, F},  // names match in exact case
      {L"Dat.", true, at(L"Data")},
      {L".", true, F},
      {L"..", true, F.substr(0, F.rfind(L'/'))},
      {L"sub/", true, at(L"sub/")},
      {L"sub/x.hpp", false, F},  // not one component
      {L"", false, F},
      {L"(", false, F},                // invalid pattern
      {L"a.txt", true, at(L"a.txt")},  // an existing file is entered too
      {L"x.y", true, at(L"x\\y")},     // the matched name as it is
      {L"x\\y", true, at(L"x\\y")},    // a name with a backslash, as it stands
      {L"caf\xDCE9", true, at(L"caf\xDCE9")},
      {L"caf\xDCE8", true, at(L"caf\xDCE8")},
      {L"caf.", false, F},  // two names, not one
      {L"caf\uFFFD", false, F},
  };
  for (const row& r : rows) {
    std::wstring current = F;
    EXPECT_EQ(fs::simple_cd(current, r.component), r.moved) << r.component;
    EXPECT_EQ(current, r.where) << r.component;
  }
  std::string n = dir.path();
  EXPECT_TRUE(nfs::simple_cd(n, "s.b"));
  EXPECT_EQ(n, dir.at("sub"));
}

TEST_F(FolderWalk, ChangeFolder) {
  struct row {
    std::wstring path;
    bool moved;
    std::wstring where;
  };
  const row rows[] = {
      {F + L"/sub", true, at(L"sub")},
      {L"sub", true, at(L"sub")},
      {L"s.b/../(1)", true, at(L"(1)")},
      {L"a+b\\", true, at(L"a+b/")},
      {L"/", true, L"/"},
      {F.substr(0, F.rfind(L'/')) + L"/./" + F.substr(F.rfind(L'/') + 1) + L"/only", true, at(L"only")},
      {F + L"/nothere/sub", false, F},
      {L"sub/nothere", false, F},
      {L"sub//x.hpp", false, F},
      {L"", false, F},
      // two1 is empty and two2 holds one entry, so the middle component cannot
      // be entered; the walk must not go on from F and end in F/sub.
      {L"two./sub", false, F},
      // Listed paths come back to the entry they name.
      {at(L"x\\y"), true, at(L"x\\y")},
      {at(L"x\\y/inner.txt"), true, at(L"x\\y/inner.txt")},
      {L"x\\y", true, at(L"x\\y")},
      {L"x/y", true, at(L"x/y")},
      {L"x.y/../caf\xDCE9", true, at(L"caf\xDCE9")},
      {at(L"caf\xDCE8"), true, at(L"caf\xDCE8")},
      {L"a+b\\inner.txt", true, at(L"a+b/inner.txt")},  // typed: the backslash separates
  };
  for (const row& r : rows) {
    std::wstring current = F;
    EXPECT_EQ(fs::cd(current, r.path), r.moved) << r.path;
    EXPECT_EQ(current, r.where) << r.path;
  }
}

// Every listed entry can be entered by its listed path and listed in turn,
// whatever its name holds; a current folder with such a name is kept too.
TEST_F(FolderWalk, EveryListedPathEntersItsEntry) {
  for (const std::wstring& p : fs::ls(F, L".")) {
    std::wstring current = L"/";
    EXPECT_TRUE(fs::cd(current, p)) << testing::PrintToString(p);
    EXPECT_EQ(current, p);
    std::wstring up = p;
    EXPECT_TRUE(fs::simple_cd(up, L".."));
    EXPECT_EQ(up, F);
    if (platform::fs::status(p) != platform::fs::entry_kind::folder) continue;
    for (const std::wstring& inner : fs::ls(p, L".")) EXPECT_EQ(inner.compare(0, p.size() + 1, p + L"/"), 0);
  }
  EXPECT_EQ(fs::ls(at(L"x\\y"), L"."), paths{at(L"x\\y/inner.txt")});
  EXPECT_EQ(fs::ls(at(L"caf\xDCE9"), L"."), paths{at(L"caf\xDCE9/e9")});
  EXPECT_EQ(fs::ls(at(L"caf\xDCE8"), L"e."), paths{at(L"caf\xDCE8/e8")});
  EXPECT_TRUE(fs::make_directory(at(L"x\\y"), L"made"));
  EXPECT_TRUE(std::filesystem::is_directory(dir.at("x\\y/made")));
  EXPECT_FALSE(std::filesystem::exists(dir.at("x/y/made")));

  const std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(dir.at("x\\y"));
  const std::wstring here = fs::current_directory();
  const paths listed = fs::ls(L"", L".");
  std::filesystem::current_path(dir.at("caf\xE9"));
  const std::wstring latin = fs::current_directory();
  std::filesystem::current_path(previous);
  EXPECT_EQ(here, at(L"x\\y"));
  EXPECT_EQ(sorted(listed), at_all({L"x\\y/inner.txt", L"x\\y/made"}));
  EXPECT_EQ(latin, at(L"caf\xDCE9"));
}

TEST_F(FolderWalk, MakeDirectory) {
  EXPECT_TRUE(fs::make_directory(F, L"new"));
  EXPECT_EQ(fs::ls(at(L"new"), L"."), paths());
  EXPECT_FALSE(fs::make_directory(F, L"new"));
  EXPECT_FALSE(fs::make_directory(F, L"a.txt"));
  EXPECT_FALSE(fs::make_directory(F, L"missing/new"));
  EXPECT_TRUE(fs::make_directory(F, L"sub/../new2"));
  EXPECT_TRUE(fs::make_directory(L"/", F + L"/new3"));
  EXPECT_TRUE(std::filesystem::is_directory(dir.at("new2")));
  EXPECT_TRUE(std::filesystem::is_directory(dir.at("new3")));
}

// Wide names reach the disk and come back; the narrow instance sees them in
// the code page.
TEST_F(FolderWalk, NonAsciiNames) {
  ASSERT_TRUE(fs::make_directory(F, L"\u3042\u8868"));
  std::wstring current = F;
  ASSERT_TRUE(fs::cd(current, L"\u3042."));
  EXPECT_EQ(current, at(L"\u3042\u8868"));
  // The second byte of U+8868 is 0x5C: a trail byte, not a separator.
  std::vector<std::string> narrow = nfs::ls(dir.path(), ".");
  EXPECT_NE(std::find(narrow.begin(), narrow.end(), dir.at("\x82\xA0\x95\x5C")), narrow.end());
  std::string n = dir.path();
  ASSERT_TRUE(nfs::simple_cd(n, "\x82\xA0.*"));
  EXPECT_EQ(n, dir.at("\x82\xA0\x95\x5C"));
  ASSERT_TRUE(fs::make_directory(at(L"\u3042\u8868"), L"g"));
  EXPECT_EQ(nfs::ls(dir.path(), "\x82\xA0\x95\x5C/."), std::vector<std::string>{dir.at("\x82\xA0\x95\x5C/g")});
}

}  // namespace
