// The one-pass reader of the tag database against the element tree it
// replaced: for every document, the same refusal with the same message, or
// the same tags and folders; and the store a load makes the same as the one
// the tree's texts give through link_tag, down to the bytes it saves.
#include "tool/zentil/tag_database.hpp"

#include <gtest/gtest.h>

#include <string>
#include <typeinfo>
#include <utility>
#include <vector>

#include "lib/string.hpp"
#include "lib/xml.hpp"
#include "store_fixture.hpp"

namespace {

using tool::zentil::database_records;

struct outcome {
  std::string error;  // the exception's type and text; empty when read
  std::vector<std::pair<std::wstring, std::vector<std::wstring>>> tags;

  bool operator==(const outcome& o) const { return error == o.error && tags == o.tags; }
};

std::string failure(const std::exception& e) { return std::string(typeid(e).name()) + ": " + e.what(); }

// The texts as the element tree gives them: each root child's first "value"
// child's text and the texts of its first "path" child's children.
outcome by_tree(const std::wstring& document) {
  outcome out;
  try {
    lib::xml::element root;
    lib::detail::xml::parse(document, root);
    for (const lib::xml::element& e : root.children) {
      std::wstring text = tool::zentil::unescape_tag_text(lib::xml::child(e, L"value").text);
      std::vector<std::wstring> folders;
      for (const lib::xml::element& v : lib::xml::child(e, L"path").children)
        folders.push_back(tool::zentil::unescape_path_text(v.text));
      out.tags.emplace_back(std::move(text), std::move(folders));
    }
  } catch (const std::exception& e) {
    out = outcome();
    out.error = failure(e);
  }
  return out;
}

outcome by_records(const std::wstring& document) {
  outcome out;
  try {
    database_records records;
    tool::zentil::read_database_records(document, records);
    for (const database_records::tag_entry& t : records.tags) {
      std::vector<std::wstring> folders;
      for (std::size_t i = 0; i < t.folder_count; ++i) folders.emplace_back(records.folders[t.first_folder + i]);
      out.tags.emplace_back(std::wstring(t.text), std::move(folders));
    }
  } catch (const std::exception& e) {
    out = outcome();
    out.error = failure(e);
  }
  return out;
}

std::string shown(const std::wstring& document) { return lib::string::to_narrow(document); }

const std::wstring good_tag =
    L"\t<tag>\n\t\t<value>t</value>\n\t\t<path>\n\t\t\t<value>/r/a</value>\n\t\t\t<value>/r/b</value>\n\t\t</path>\n"
    L"\t</tag>\n";

std::wstring nested(std::size_t depth) {
  std::wstring open, close;
  for (std::size_t i = 0; i < depth; ++i) {
    open += L"<e>";
    close += L"</e>";
  }
  return open + L"x" + close;
}

// The documents of the load tests and the reader's own corner cases.
TEST(TagDatabaseReader, ReadsAndRefusesAsTheElementTree) {
  const std::wstring documents[] = {
      L"<root></root>",
      L"<root>\n" + good_tag + L"</root>",
      L"  \n<root>\n" + good_tag + good_tag + L"</root>\n\n",
      L"",
      L"<root>\n" + good_tag,
      L"<root>\n" + good_tag + L"\t<tag>x</gat>\n</root>",
      L"<root>\n" + good_tag + L"\t<tag>x</gat>\n</root>x",  // malformed beats the wrong end tag
      L"<root></root>x",
      L"<root>\n" + good_tag + L"\t<tag>\n\t\t<path></path>\n\t</tag>\n</root>",
      L"<root>\n" + good_tag + L"\t<tag>\n\t\t<value>u</value>\n\t</tag>\n</root>",
      L"<root>\n" + good_tag + L"\t<tag>u</tag>\n</root>",
      L"<root>\n\t<tag>u</tag>\n\t<tag>x</gat>\n</root>",  // the wrong end tag beats the missing child
      // element names do not matter below the tag; the first "value" and
      // "path" count, later ones are other elements
      L"<r><x><value>a</value><value>b</value><path><v>/1</v><w>/2</w></path><path><v>/3</v></path></x></r>",
      L"<r><x><path>text</path><value><i>in</i></value></x></r>",
      L"<r><x><value>a</value><path><v><deep>/1</deep></v><v></v></path></x></r>",
      L"<r><x><other><value>no</value><path><v>/no</v></path></other><value>a</value><path></path></x></r>",
      // attributes, escapes of the reader and of the database, the "//:" form
      L"<r a=\"1\"\tb=\"q\\\"\"><x k=\"\\\\\"><value>a\\<b\\>c\\\\d\\u{3000}</value>"
      L"<path><v>//:/r/x</v><v>C:\\r\\y</v><v>/r/\\u{DCE9}z</v><v>//:</v></path></x></r>",
      L"<r><x><value>a\\</value><path></path></x></r>",
      L"<r><x><value>a</value><path><v>b\\",
      L"<r a=\"1\"b=\"2\"></r>",
      L"<r a=1></r>",
      L"<r a=\"open></r>",
      L"<r><x><value>a>b</value><path></path></x></r>",
      L"<r/>",
      L"<r></ r>",
      L"<r></r >",
      // white space of every width; U+2007 is none
      L"\u3000<r>\u3000<x>\u2028<value>a</value>\u205f<path>\u1680</path>\u2000</x>\u3000</r>\u3000",
      L"\u2007<r></r>",
      L"<r\u3000a=\"1\"></r>",
      // the document ends at the first zero character
      std::wstring(L"<r><x><value>a</value><path></path></x></r>\0trailing", 52),
      std::wstring(L"<r><x><value>a</value>\0<path></path></x></r>", 44),
      nested(lib::detail::xml::max_depth),
      nested(lib::detail::xml::max_depth + 1),
  };
  for (const std::wstring& d : documents) EXPECT_EQ(by_records(d), by_tree(d)) << shown(d);
}

// A small database mutated at every place: cut there, a character taken
// out, and each character the grammar treats apart put in or put over.
TEST(TagDatabaseReader, MutatedDatabasesReadAsByTheElementTree) {
  const std::wstring seed =
      L"<root>\n\t<tag>\n\t\t<value>\u30bf\\u{E9}</value>\n\t\t<path>\n\t\t\t<value>/r/a b</value>\n"
      L"\t\t\t<value k=\"v\">//:/r/\\\\c</value>\n\t\t</path>\n\t</tag>\n\t<tag>\n\t\t<value>u</value>\n"
      L"\t\t<path></path>\n\t</tag>\n</root>\n";
  const wchar_t specials[] = {L'<', L'>', L'/', L'\\', L'"', L'=', L' ', L'\t', L'\0', L'x', L'\u3000', L'\u2007'};
  std::vector<std::wstring> mutants;
  for (std::size_t i = 0; i <= seed.size(); ++i) {
    mutants.push_back(seed.substr(0, i));
    if (i == seed.size()) break;
    mutants.push_back(seed.substr(0, i) + seed.substr(i + 1));
    for (const wchar_t c : specials) {
      mutants.push_back(seed.substr(0, i) + c + seed.substr(i));
      std::wstring over = seed;
      over[i] = c;
      mutants.push_back(over);
    }
  }
  std::size_t read = 0;
  for (const std::wstring& d : mutants) {
    const outcome expected = by_tree(d);
    read += expected.error.empty();
    ASSERT_EQ(by_records(d), expected) << shown(d);
  }
  // the table reaches both sides of the rules
  EXPECT_GT(read, mutants.size() / 10);
  EXPECT_LT(read, mutants.size());
}

using TagDatabaseLoad = zentil_test::store_test;

// The store a load makes against the one link_tag makes from the tree's
// texts, compared by what each saves: the same tags, folders and order.
TEST_F(TagDatabaseLoad, StoreIsTheOneTheTreesTextsLinkTo) {
  const std::wstring a = folder(L"a"), b = folder(L"b/c"), odd = folder(L"odd\xDCE9");
  dir_.file("root/file", "x");
  const std::string root = lib::string::to_narrow(app->root_folder);
  std::string windows_root = root;
  for (char& c : windows_root) c = c == '/' ? '\\' : c;
  const std::string text =
      "<root>\r\n"
      "\t<tag><value>t</value><path><value>" + root + "/b/c</value><value>" + root + "/a</value><value>" + root +
      "/gone</value><value>" + root + "/file</value></path></tag>\r\n"
      "\t<tag><value>\x83\x5E\x83\x4F</value><path><value>" + windows_root + "\\a</value><x>" + root +
      "/odd\\u{DCE9}</x><value>//:" + root + "/b/c</value></path></tag>\r\n"
      "\t<tag><value>not a word</value><path><value>" + root + "/a</value></path></tag>\r\n"
      "\t<tag><value>t</value><path><value>" + root + "/odd\\u{DCE9}</value><value>" + root +
      "/a</value></path></tag>\r\n"
      "\t<tag><value>lost</value><path><value>" + root + "/gone</value></path></tag>\r\n"
      "\t<tag><value>t\\\\u{41}</value><path><value>" + root + "/a</value></path></tag>\r\n"
      "</root>";
  dir_.file("system.txt", text);
  ASSERT_TRUE(app->load_tag_database(L"system.txt"));
  app->save_tag_database(L"loaded.txt");

  tool::zentil::shared linked;
  const outcome tree = by_tree(lib::string::to_wide(text));
  ASSERT_EQ(tree.error, "");
  for (const auto& [tag_text, folders] : tree.tags)
    for (const std::wstring& f : folders) linked.link_tag(f, tag_text);
  linked.save_tag_database(L"linked.txt");
  EXPECT_EQ(bytes_of(L"loaded.txt"), bytes_of(L"linked.txt"));
  EXPECT_EQ(app->search_tags(L"t"), (std::vector<std::wstring>{b, a, app->root_folder + L"/file", odd}));
  EXPECT_EQ(app->tag_map.size(), 3u);
}

}  // namespace
