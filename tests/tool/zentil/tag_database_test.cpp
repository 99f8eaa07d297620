// The tag database file: its exact bytes, reading files of that layout,
// names code page 932 cannot hold, load failures and interrupted saves.
#include "tool/zentil/tag_database.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <initializer_list>
#include <list>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "lib/string.hpp"
#include "store_fixture.hpp"

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
  EXPECT_EQ(entries, (std::vector<std::string>{"root", "system.txt"}));

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
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator("."), std::filesystem::directory_iterator()), 2);
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
