// The tag database file: its exact bytes, reading files of that layout,
// names code page 932 cannot hold, load failures and interrupted saves.
#include "tool/zentil/tag_database.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <initializer_list>
#include <list>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "lib/basic_filesystem.hpp"
#include "lib/string.hpp"
#include "platform/text/codepage.hpp"
#include "store_fixture.hpp"
#include "support/unprivileged.hpp"

namespace {

using paths = std::vector<std::wstring>;
using names = std::list<std::wstring>;
using TagDatabase = zentil_test::store_test;

// The root folder as code page 932 bytes (the temporary folder's name is
// plain ASCII).
std::string narrow(const std::wstring& text) { return lib::string::to_narrow(text); }

// A file's lines, CR LF between them and none after the last.
std::string lines(std::initializer_list<std::string> all) {
  std::string out;
  for (const std::string& line : all) {
    if (&line != all.begin()) out += "\r\n";
    out += line;
  }
  return out;
}

TEST_F(TagDatabase, EmptyStoreIsOneLine) {
  app->save_tag_database(L"system.txt");
  EXPECT_EQ(bytes_of(L"system.txt"), "<root></root>");
}

TEST_F(TagDatabase, TagsWithFoldersInLinkOrderAndEmptyPathLists) {
  const std::wstring f1 = folder(L"f1"), f2 = folder(L"f2");
  app->link_tag(f2, L"a");
  app->link_tag(f1, L"a");
  app->link_tag(f1, L"b");
  app->unlink_tag(f1, L"b");
  app->save_tag_database(L"system.txt");

  // Tags come in the map's order.
  const std::map<std::wstring, std::string> tags = {
      {L"a", lines({"\t<tag>", "\t\t<value>a</value>", "\t\t<path>", "\t\t\t<value>" + narrow(f2) + "</value>",
                    "\t\t\t<value>" + narrow(f1) + "</value>", "\t\t</path>", "\t</tag>"})},
      {L"b", lines({"\t<tag>", "\t\t<value>b</value>", "\t\t<path></path>", "\t</tag>"})},
  };
  std::string expected = "<root>\r\n";
  for (const auto& entry : app->tag_map) expected += tags.at(entry.first) + "\r\n";
  expected += "</root>";
  EXPECT_EQ(bytes_of(L"system.txt"), expected);

  // b had no folder left, so it does not come back.
  tool::zentil::shared again;
  EXPECT_TRUE(again.load_tag_database(L"system.txt"));
  EXPECT_EQ(again.search_tags(L"a"), (paths{f2, f1}));
  EXPECT_EQ(again.tag_map.count(L"b"), 0u);
}

TEST_F(TagDatabase, JapaneseTextIsCodePage932) {
  const std::wstring f = folder(L"\u8868\u793A");
  app->link_tag(f, L"\u30BF\u30B0");
  app->save_tag_database(L"system.txt");
  EXPECT_EQ(bytes_of(L"system.txt"), lines({"<root>", "\t<tag>", "\t\t<value>\x83\x5E\x83\x4F</value>", "\t\t<path>",
                                            "\t\t\t<value>" + narrow(app->root_folder) + "/\x95\x5C\x8E\xA6</value>",
                                            "\t\t</path>", "\t</tag>", "</root>"}));
  tool::zentil::shared again;
  again.load_tag_database(L"system.txt");
  EXPECT_EQ(again.search_tags(L"\u30BF\u30B0"), paths{f});
}

TEST_F(TagDatabase, AngleBracketsAreEscapedAndComeBack) {
  const std::wstring f = folder(L"a<b>");
  app->link_tag(f, L"<t>");
  app->save_tag_database(L"system.txt");
  EXPECT_EQ(bytes_of(L"system.txt"), lines({"<root>", "\t<tag>", "\t\t<value>\\<t\\></value>", "\t\t<path>",
                                            "\t\t\t<value>" + narrow(app->root_folder) + "/a\\<b\\></value>",
                                            "\t\t</path>", "\t</tag>", "</root>"}));
  tool::zentil::shared again;
  again.load_tag_database(L"system.txt");
  EXPECT_EQ(again.search_tags(L"<t>"), paths{f});
}

TEST_F(TagDatabase, NamesOutsideCodePage932SurviveSaveAndLoad) {
  const std::wstring accent = folder(L"caf\u00E9"), slash = folder(L"a\\b"), emoji = folder(L"\U0001F600 x");
  app->link_tag(accent, L"\u00FCber");
  app->link_tag(slash, L"\u00FCber");
  app->link_tag(emoji, L"\u00FCber");
  app->save_tag_database(L"system.txt");
  const std::string root = narrow(app->root_folder);
  EXPECT_EQ(bytes_of(L"system.txt"),
            lines({"<root>", "\t<tag>", "\t\t<value>\\u{FC}ber</value>", "\t\t<path>",
                   "\t\t\t<value>" + root + "/caf\\u{E9}</value>", "\t\t\t<value>" + root + "/a\\u{5C}b</value>",
                   "\t\t\t<value>" + root + "/\\u{1F600} x</value>", "\t\t</path>", "\t</tag>", "</root>"}));

  tool::zentil::shared again;
  again.load_tag_database(L"system.txt");
  EXPECT_EQ(again.search_tags(L"\u00FCber"), (paths{accent, slash, emoji}));
}

// A tree whose names hold backslashes, Latin-1 bytes and U+FFFD is listed,
// entered, tagged, saved, loaded and inherited with every link intact.
TEST_F(TagDatabase, ByteExactNamesKeepEveryLinkThroughSaveAndLoad) {
  using fs = lib::basic_filesystem<wchar_t>;
  dir_.folder("root/caf\xE9/in");
  dir_.folder("root/caf\xE8/in");
  dir_.folder("root/caf\xEF\xBF\xBD/in");  // a folder really named with U+FFFD
  dir_.folder("root/x\\y/in");
  dir_.folder("root/x/y/in");  // what x\y would wrongly be taken for
  const std::wstring root = app->root_folder;
  const std::wstring named[] = {root + L"/caf\xDCE9", root + L"/caf\xDCE8", root + L"/caf\uFFFD", root + L"/x\\y",
                                root + L"/x"};
  const std::wstring tags[] = {L"e9", L"e8", L"fffd", L"xy", L"x"};

  // Each listed folder is entered by its listed path and tagged there.
  std::vector<std::wstring> listed = fs::ls(root, L".");
  std::sort(listed.begin(), listed.end());
  std::vector<std::wstring> expected(std::begin(named), std::end(named));
  std::sort(expected.begin(), expected.end());
  ASSERT_EQ(listed, expected);
  for (std::size_t i = 0; i < std::size(named); ++i) {
    std::wstring current = root;
    ASSERT_TRUE(fs::cd(current, named[i])) << i;
    ASSERT_EQ(current, named[i]);
    app->link_tag(current, tags[i]);
    app->link_tag(current, L"all");
  }
  app->save_tag_database(L"system.txt");
  const std::string bytes = bytes_of(L"system.txt");
  EXPECT_NE(bytes.find("/caf\\u{DCE9}</value>"), std::string::npos);
  EXPECT_NE(bytes.find("/caf\\u{DCE8}</value>"), std::string::npos);
  EXPECT_NE(bytes.find("/caf\\u{FFFD}</value>"), std::string::npos);
  EXPECT_NE(bytes.find("/x\\u{5C}y</value>"), std::string::npos);

  tool::zentil::shared again;
  ASSERT_TRUE(again.load_tag_database(L"system.txt"));
  EXPECT_EQ(again.directory_map.size(), std::size(named));
  EXPECT_EQ(again.search_tags(L"all").size(), std::size(named));
  for (std::size_t i = 0; i < std::size(named); ++i) EXPECT_EQ(again.search_tags(tags[i]), paths{named[i]}) << i;
  // Saved again, the same links.
  again.save_tag_database(L"again.txt");
  tool::zentil::shared third;
  ASSERT_TRUE(third.load_tag_database(L"again.txt"));
  for (std::size_t i = 0; i < std::size(named); ++i) EXPECT_EQ(third.search_tags(tags[i]), paths{named[i]}) << i;
  // The folder inside each inherits from its own parent only (x/y/in from x).
  for (std::size_t i = 0; i < std::size(named); ++i) {
    const std::wstring inner = (i == 4 ? named[i] + L"/y" : named[i]) + L"/in";
    third.inherit_ancestor_tags(inner);
    names got;
    third.tags_of(inner, got);
    got.sort();
    names want{tags[i], L"all"};
    want.sort();
    EXPECT_EQ(got, want) << i;
  }
}

// When the file cannot be opened for writing, nothing is written,
// even in a folder where the rename would succeed. Root ignores permissions,
// so this runs as an ordinary user.
TEST_F(TagDatabase, ReadOnlyFileIsNotReplaced) {
  app->link_tag(folder(L"a"), L"t");
  dir_.file("system.txt", "<root></root>");
  ::chmod(dir_.at("system.txt").c_str(), 0444);
  const support::child_result r = support::run_unprivileged(
      [&] {
        try {
          app->save_tag_database(L"system.txt");
          return 1;
        } catch (const std::invalid_argument& e) {
          if (std::string(e.what()) != "tool/zentil/shared/save_tag_database") return 2;
        }
        return bytes_of(L"system.txt") == "<root></root>" ? 0 : 3;
      },
      {dir_.path()});
  if (!r.ran) GTEST_SKIP() << r.why;
  EXPECT_EQ(r.code, 0) << "1: saved, 2: another error, 3: the file changed";
  EXPECT_EQ(bytes_of(L"system.txt"), "<root></root>");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator("."), std::filesystem::directory_iterator()), 4);
}

// Only "no such file" and "not a folder" mean a folder is gone; a folder
// whose existence cannot be checked keeps its link for the next save.
TEST_F(TagDatabase, FoldersThatCannotBeCheckedAtLoadKeepTheirLinks) {
  const std::wstring kept = folder(L"kept"), gone = folder(L"gone"), file = folder(L"file");
  app->link_tag(kept, L"t");
  app->link_tag(gone, L"t");
  app->link_tag(file + L"/x", L"t");  // not linked: no such path yet
  dir_.file("root/file/x", "");
  app->link_tag(file + L"/x", L"t");
  ASSERT_TRUE(std::filesystem::remove(dir_.at("root/gone")));
  std::filesystem::create_symlink("loop", dir_.at("root/loop"));  // a link to itself
  app->save_tag_database(L"system.txt");
  // Hand-written links: through a file, a loop of links, and a name too long.
  std::string text = bytes_of(L"system.txt");
  const std::string root = narrow(app->root_folder);
  const std::string more = "\t\t\t<value>" + root + "/file/x/y</value>\r\n\t\t\t<value>" + root +
                           "/loop</value>\r\n\t\t\t<value>" + root + "/" + std::string(300, 'n') +
                           "</value>\r\n\t\t</path>";
  text.replace(text.find("\t\t</path>"), 9, more);
  dir_.file("system.txt", text);

  tool::zentil::shared again;
  ASSERT_TRUE(again.load_tag_database(L"system.txt"));
  EXPECT_EQ(again.search_tags(L"t"), (paths{kept, file + L"/x", app->root_folder + L"/loop"}));
}

TEST_F(TagDatabase, UnreadableFolderAtLoadKeepsItsLink) {
  const std::wstring locked = folder(L"locked/sub"), open = folder(L"open");
  app->link_tag(locked, L"t");
  app->link_tag(open, L"t");
  app->save_tag_database(L"system.txt");
  ASSERT_EQ(::chmod(dir_.at("root/locked").c_str(), 0), 0);
  const support::child_result r = support::run_unprivileged(
      [&] {
        tool::zentil::shared again;
        again.load_tag_database(L"system.txt");
        if (again.search_tags(L"t") != paths{locked, open}) return 1;
        again.save_tag_database(L"system.txt");
        tool::zentil::shared third;
        third.load_tag_database(L"system.txt");
        return third.search_tags(L"t") == paths{locked, open} ? 0 : 2;
      },
      {dir_.path()});
  ::chmod(dir_.at("root/locked").c_str(), 0755);
  if (!r.ran) GTEST_SKIP() << r.why;
  EXPECT_EQ(r.code, 0) << "1: the link was dropped at load, 2: it was lost at the next save";
}

// Temporaries an interrupted save left go at the next load, and nothing
// else does.
TEST_F(TagDatabase, LoadRemovesTemporariesOfEndedSaves) {
  const pid_t gone = ::fork();
  if (gone == 0) ::_exit(0);
  ::waitpid(gone, nullptr, 0);
  dir_.file("system.txt", "<root></root>");
  dir_.file("system.txt.tmp" + std::to_string(gone) + "-0", "<root>partial");
  dir_.file("system.txt.tmp" + std::to_string(::getpid()) + "-0", "in use");
  dir_.file("system.txt.old", "mine");
  ASSERT_TRUE(app->load_tag_database(L"system.txt"));
  std::vector<std::string> entries;
  for (const auto& e : std::filesystem::directory_iterator(".")) entries.push_back(e.path().filename().string());
  std::sort(entries.begin(), entries.end());
  EXPECT_EQ(entries, (std::vector<std::string>{"extension.hpp", "root", "skin", "system.txt", "system.txt.old",
                                               "system.txt.tmp" + std::to_string(::getpid()) + "-0"}));
}

TEST_F(TagDatabase, ReadsFilesWrittenWithBackslashPaths) {
  folder(L"a/b");
  folder(L"\u8868");
  const std::string root = narrow(app->root_folder);
  std::string windows_root = root;
  for (char& c : windows_root) c = c == '/' ? '\\' : c;
  // Names of the elements do not matter; gone folders and texts that are not
  // tag words are dropped, and a tag left without folders is not made.
  dir_.file("system.txt", lines({"<root>",
                                 "\t<tag>",
                                 "\t\t<value>t</value>",
                                 "\t\t<path>",
                                 "\t\t\t<value>" + windows_root + "\\a\\b</value>",
                                 "\t\t\t<value>" + root + "/gone</value>",
                                 "\t\t\t<x>" + root + "/\x95\x5C</x>",
                                 "\t\t</path>",
                                 "\t</tag>",
                                 "\t<other>",
                                 "\t\t<value>\x83\x5E\x83\x4F</value>",
                                 "\t\t<path>",
                                 "\t\t\t<value>" + root + "/a</value>",
                                 "\t\t</path>",
                                 "\t</other>",
                                 "\t<tag>",
                                 "\t\t<value>not a word</value>",
                                 "\t\t<path>",
                                 "\t\t\t<value>" + root + "/a</value>",
                                 "\t\t</path>",
                                 "\t</tag>",
                                 "\t<tag>",
                                 "\t\t<value>lost</value>",
                                 "\t\t<path>",
                                 "\t\t\t<value>" + root + "/gone</value>",
                                 "\t\t</path>",
                                 "\t</tag>",
                                 "\t<tag>",
                                 "\t\t<value>empty</value>",
                                 "\t\t<path></path>",
                                 "\t</tag>",
                                 "</root>"}));
  EXPECT_TRUE(app->load_tag_database(L"system.txt"));
  EXPECT_EQ(app->search_tags(L"t"), (paths{app->root_folder + L"/a/b", app->root_folder + L"/\u8868"}));
  EXPECT_EQ(app->search_tags(L"\u30BF\u30B0"), paths{app->root_folder + L"/a"});
  EXPECT_EQ(app->tag_map.size(), 2u);
  EXPECT_EQ(app->directory_map.size(), 3u);
}

TEST_F(TagDatabase, EmptyRootLoadsEmptyStore) {
  dir_.file("system.txt", "<root></root>");
  EXPECT_TRUE(app->load_tag_database(L"system.txt"));
  EXPECT_TRUE(app->tag_map.empty());
  EXPECT_TRUE(app->directory_map.empty());
}

TEST_F(TagDatabase, LoadFailuresLinkNothing) {
  const std::string a = narrow(folder(L"a"));
  const std::string good =
      "\t<tag>\r\n\t\t<value>t</value>\r\n\t\t<path>\r\n\t\t\t<value>" + a + "</value>\r\n\t\t</path>\r\n\t</tag>\r\n";
  struct row {
    const char* what;
    const char* file;
    bool write;  // false: the name is used as it stands
    std::string bytes;
    std::string error;
  };
  const row rows[] = {
      {"no file", "system.txt", false, "", "lib/file/open"},
      {"a folder", "folder", false, "", "lib/file/open"},
      {"not code page text", "bad.txt", true, "<root>\x81</root>", "lib/file/open"},
      {"empty file", "empty.txt", true, "", "lib/detail/xml/parse: parsing failure"},
      {"unclosed root", "open.txt", true, "<root>\r\n" + good, "lib/detail/xml/parse: parsing failure"},
      {"end tag of another element", "etag.txt", true, "<root>\r\n" + good + "\t<tag>x</gat>\r\n</root>",
       "lib/xml/parser/eval_etag"},
      {"text after root", "after.txt", true, "<root></root>x", "lib/detail/xml/parse: parsing failure"},
      {"tag without value", "novalue.txt", true,
       "<root>\r\n" + good + "\t<tag>\r\n\t\t<path></path>\r\n\t</tag>\r\n</root>", "lib/xml/child"},
      {"tag without path", "nopath.txt", true,
       "<root>\r\n" + good + "\t<tag>\r\n\t\t<value>u</value>\r\n\t</tag>\r\n</root>", "lib/xml/child"},
      {"tag holding text", "text.txt", true, "<root>\r\n" + good + "\t<tag>u</tag>\r\n</root>", "lib/xml/child"},
  };
  dir_.folder("folder");
  for (const row& r : rows) {
    if (r.write) dir_.file(r.file, r.bytes);
    try {
      app->load_tag_database(lib::string::to_wide(r.file));
      ADD_FAILURE() << r.what << ": no exception";
    } catch (const std::exception& e) {
      EXPECT_EQ(e.what(), r.error) << r.what;
    }
    EXPECT_TRUE(app->tag_map.empty()) << r.what;
    EXPECT_TRUE(app->directory_map.empty()) << r.what;
  }
}

TEST_F(TagDatabase, InterruptedSaveLeavesOldFile) {
  const std::wstring a = folder(L"a");
  app->link_tag(a, L"t");
  app->save_tag_database(L"system.txt");
  const std::string old = bytes_of(L"system.txt");
  app->link_tag(folder(L"b"), L"u");

  platform::fs::fail_next_replace_after(10);
  try {
    app->save_tag_database(L"system.txt");
    ADD_FAILURE() << "no exception";
  } catch (const std::invalid_argument& e) {
    EXPECT_STREQ(e.what(), "tool/zentil/shared/save_tag_database");
  }
  EXPECT_EQ(bytes_of(L"system.txt"), old);
  std::vector<std::string> entries;
  for (const auto& e : std::filesystem::directory_iterator(".")) entries.push_back(e.path().filename().string());
  std::sort(entries.begin(), entries.end());
  EXPECT_EQ(entries, (std::vector<std::string>{"extension.hpp", "root", "skin", "system.txt"}));

  // The switch served one save only.
  app->save_tag_database(L"system.txt");
  tool::zentil::shared again;
  again.load_tag_database(L"system.txt");
  EXPECT_EQ(again.tag_map.size(), 2u);
}

TEST_F(TagDatabase, SaveThatCannotWriteThrows) {
  app->link_tag(folder(L"a"), L"t");
  dir_.file("system.txt/inside", "x");
  for (const std::wstring name : {L"system.txt", L"no/such/folder.txt", L""}) {
    EXPECT_THROW(app->save_tag_database(name), std::invalid_argument) << testing::PrintToString(name);
  }
  EXPECT_EQ(bytes_of(L"system.txt/inside"), "x");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator("."), std::filesystem::directory_iterator()), 4);
}

TEST(TagDatabaseText, Escapes) {
  struct row {
    std::wstring text;
    std::wstring escaped;
  };
  const row rows[] = {
      {L"plain <text> & 123", L"plain <text> & 123"},
      {L"\u8868\u793A\u30FB", L"\u8868\u793A\u30FB"},
      {L"caf\u00E9", L"caf\\u{E9}"},
      {L"a\\b", L"a\\u{5C}b"},
      {L"\U0001F600", L"\\u{1F600}"},
      {std::wstring(1, L'\0'), L"\\u{0}"},
      {L"\uFFFF", L"\\u{FFFF}"},
      {L"\\u{41}", L"\\u{5C}u{41}"},
  };
  for (const row& r : rows) {
    EXPECT_EQ(tool::zentil::escape_database_text(r.text), r.escaped) << testing::PrintToString(r.text);
    EXPECT_EQ(tool::zentil::unescape_tag_text(r.escaped), r.text) << testing::PrintToString(r.text);
    EXPECT_EQ(tool::zentil::unescape_path_text(r.escaped), r.text) << testing::PrintToString(r.text);
  }
  // Every code page 932 character and the characters between are kept or
  // escaped so that they read back.
  for (wchar_t c = 1; c < 0x10000; ++c) {
    const std::wstring one(1, c);
    ASSERT_EQ(tool::zentil::unescape_tag_text(tool::zentil::escape_database_text(one)), one) << int(c);
  }
}

// One text of every character of the Basic Multilingual Plane and a few
// beyond, in runs, escaped as the rule for one character says: kept when code
// page 932 holds it and reads it back as itself, else as its escape; the
// backslash and the zero always escaped.
TEST(TagDatabaseText, EveryCharacterEscapedAsItsOwnRuleSays) {
  std::wstring text, expected;
  auto add = [&](wchar_t c) {
    text += c;
    const int code = platform::text::narrow_code(c);
    bool plain = c != L'\\' && c != 0 && code >= 0;
    if (plain) {
      const char bytes[2] = {char(code > 0xFF ? code >> 8 : code), char(code & 0xFF)};
      wchar_t back = 0;
      plain = platform::text::decode_one(bytes, code > 0xFF ? 2 : 1, back) == (code > 0xFF ? 2u : 1u) && back == c;
    }
    if (plain) {
      expected += c;
      return;
    }
    char hex[16];
    std::snprintf(hex, sizeof hex, "%X", static_cast<unsigned>(c));
    expected += L"\\u{" + std::wstring(hex, hex + std::strlen(hex)) + L"}";
  };
  for (std::uint32_t c = 0; c < 0x10000; ++c) add(static_cast<wchar_t>(c));
  for (std::uint32_t c : {0x10000u, 0x1F600u, 0x10FFFFu, 0x110000u}) add(static_cast<wchar_t>(c));
  add(L'a');
  EXPECT_TRUE(tool::zentil::escape_database_text(text) == expected);
}

TEST(TagDatabaseText, BackslashesThatStartNoEscape) {
  struct row {
    std::wstring text;
    std::wstring tag;
    std::wstring path;
  };
  const row rows[] = {
      {L"C:\\a\\b", L"C:\\a\\b", L"C:/a/b"},
      {L"\\u{e9}", L"\u00E9", L"\u00E9"},
      {L"\\u{}", L"\\u{}", L"/u{}"},
      {L"\\u{zz}", L"\\u{zz}", L"/u{zz}"},
      {L"\\u{41", L"\\u{41", L"/u{41"},
      {L"\\u{123456789}", L"\\u{123456789}", L"/u{123456789}"},
      {L"\\u", L"\\u", L"/u"},
      {L"a\\", L"a\\", L"a/"},
      {L"\\\\u{41}", L"\\A", L"/A"},
      {L"//:x\\y", L"//:x\\y", L"x/y"},
  };
  for (const row& r : rows) {
    EXPECT_EQ(tool::zentil::unescape_tag_text(r.text), r.tag) << testing::PrintToString(r.text);
    EXPECT_EQ(tool::zentil::unescape_path_text(r.text), r.path) << testing::PrintToString(r.text);
  }
}

}  // namespace
