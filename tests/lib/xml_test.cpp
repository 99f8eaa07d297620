// The XML element tree and its writer.
#include "lib/xml.hpp"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace {

using lib::xml::attribute;
using lib::xml::element;

element with_text(const std::wstring& name, const std::wstring& text) {
  element e = element::element_with_name(name);
  e.set_text(text);
  return e;
}

element with_children(const std::wstring& name, std::vector<element> children) {
  element e = element::element_with_name(name);
  e.children = std::move(children);
  return e;
}

TEST(XmlWriter, TagDatabaseExample) {
  const element root = with_children(
      L"root",
      {with_children(L"tag", {with_text(L"value", L"work"),
                              with_children(L"path", {with_text(L"value", L"C:/a"), with_text(L"value", L"C:/b")})})});
  EXPECT_EQ(root.serialize(0),
            L"<root>\n"
            L"\t<tag>\n"
            L"\t\t<value>work</value>\n"
            L"\t\t<path>\n"
            L"\t\t\t<value>C:/a</value>\n"
            L"\t\t\t<value>C:/b</value>\n"
            L"\t\t</path>\n"
            L"\t</tag>\n"
            L"</root>");
}

TEST(XmlWriter, SingleElements) {
  element two_attributes = with_text(L"a", L"t");
  two_attributes.attributes = {{L"x", L"1"}, {L"y", L""}};
  element quoted = element::element_with_name(L"a");
  quoted.attributes = {{L"v", L"say \"hi\" C:\\d\\ <ok>"}};
  element both = with_children(L"a", {with_text(L"b", L"1")});
  both.text = L"dropped";

  struct row {
    element e;
    int depth;
    std::wstring expected;
  };
  const std::vector<row> rows = {
      {with_text(L"name", L"a"), 0, L"<name>a</name>"},
      {with_text(L"name", L"a"), 2, L"\t\t<name>a</name>"},
      {element::element_with_name(L"e"), 0, L"<e></e>"},
      {two_attributes, 0, L"<a x=\"1\" y=\"\">t</a>"},
      {with_text(L"a", L"x<y>z"), 0, L"<a>x\\<y\\>z</a>"},
      // The backslash is escaped too, so it cannot swallow what follows it.
      {with_text(L"a", L"C:\\dir\\"), 0, L"<a>C:\\\\dir\\\\</a>"},
      {with_text(L"a", L"& \" = / \u3042\t"), 0, L"<a>& \" = / \u3042\t</a>"},
      {quoted, 0, L"<a v=\"say \\\"hi\\\" C:\\\\d\\\\ <ok>\"></a>"},
      {both, 1, L"\t<a>\n\t\t<b>1</b>\n\t</a>"},
  };
  for (const row& r : rows) EXPECT_EQ(r.e.serialize(r.depth), r.expected) << r.expected;
}

TEST(XmlWriter, IndentAndEscapeHelpers) {
  EXPECT_EQ(lib::xml::indent(0), L"");
  EXPECT_EQ(lib::xml::indent(3), L"\t\t\t");
  EXPECT_EQ(lib::xml::escape_text(L"a<b>\\\"c"), L"a\\<b\\>\\\\\"c");
  EXPECT_EQ(lib::xml::escape_value(L"a<b>\\\"c"), L"a<b>\\\\\\\"c");
  EXPECT_EQ(lib::xml::escape_text(L""), L"");
}

TEST(XmlTree, ChildFindsFirstOfThatNameAmongDirectChildren) {
  element root = with_children(
      L"root", {with_children(L"x", {with_text(L"deep", L"0")}), with_text(L"tag", L"1"), with_text(L"tag", L"2")});
  EXPECT_EQ(lib::xml::child(root, L"tag").text, L"1");
  lib::xml::child(root, L"tag").text = L"changed";
  EXPECT_EQ(root.children[1].text, L"changed");
  const element& const_root = root;
  EXPECT_EQ(&lib::xml::child(const_root, L"x"), &root.children[0]);

  for (const std::wstring& missing : {std::wstring(L"deep"), std::wstring(L"Tag"), std::wstring(L"")}) {
    try {
      lib::xml::child(const_root, missing);
      ADD_FAILURE() << "found a child named " << std::string(missing.begin(), missing.end());
    } catch (const std::invalid_argument& e) {
      EXPECT_STREQ(e.what(), "lib/xml/child");
    }
  }
}

TEST(XmlTree, SetTextRemovesChildrenKeepsAttributes) {
  element e = with_children(L"a", {with_text(L"b", L"1"), with_text(L"c", L"2")});
  e.attributes = {{L"k", L"v"}};
  e.set_text(L"new");
  EXPECT_TRUE(e.children.empty());
  EXPECT_EQ(e.text, L"new");
  ASSERT_EQ(e.attributes.size(), 1u);
  EXPECT_EQ(e.attributes[0].value, L"v");
  EXPECT_EQ(e.serialize(0), L"<a k=\"v\">new</a>");
}

TEST(XmlTree, CopyIsDeep) {
  element original = with_children(L"a", {with_children(L"b", {with_text(L"c", L"1")})});
  element copy = original;
  copy.children[0].children[0].text = L"2";
  copy.children[0].attributes.push_back({L"k", L"v"});
  EXPECT_EQ(original.children[0].children[0].text, L"1");
  EXPECT_TRUE(original.children[0].attributes.empty());
  original = copy;
  EXPECT_EQ(original.children[0].children[0].text, L"2");
}

}  // namespace
