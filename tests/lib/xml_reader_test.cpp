// The XML reader: accepted documents, the malformed-input table, escapes,
// mismatched end tags, nesting depth, and write-then-read round trips.
#include "lib/xml.hpp"

#include <gtest/gtest.h>

#include <cstddef>
#include <clocale>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "lib/string.hpp"

namespace {

using lib::xml::attribute;
using lib::xml::element;

element el(const std::wstring& name, const std::wstring& text, std::vector<attribute> attributes = {}) {
  element e = element::element_with_name(name);
  e.text = text;
  e.attributes = std::move(attributes);
  return e;
}

element el(const std::wstring& name, std::vector<element> children) {
  element e = element::element_with_name(name);
  e.children = std::move(children);
  return e;
}

std::string narrow(const std::wstring& w) { return lib::string::to_narrow(w); }

// Equal names, texts, attributes and children; on a difference, says where.
::testing::AssertionResult same_tree(const element& a, const element& b, const std::wstring& path = L"") {
  const std::wstring here = path + L"/" + a.name;
  auto differ = [&](const char* what) {
    return ::testing::AssertionFailure() << what << " differs at " << narrow(here);
  };
  if (a.name != b.name) return differ("name");
  if (a.text != b.text) return differ("text");
  if (a.attributes.size() != b.attributes.size()) return differ("attribute count");
  for (std::size_t i = 0; i < a.attributes.size(); ++i)
    if (a.attributes[i].name != b.attributes[i].name || a.attributes[i].value != b.attributes[i].value)
      return differ("attribute");
  if (a.children.size() != b.children.size()) return differ("child count");
  for (std::size_t i = 0; i < a.children.size(); ++i) {
    ::testing::AssertionResult r = same_tree(a.children[i], b.children[i], here);
    if (!r) return r;
  }
  return ::testing::AssertionSuccess();
}

TEST(XmlReader, AcceptedDocuments) {
  struct row {
    std::wstring input;
    element expected;
  };
  const std::vector<row> rows = {
      {L"<a> x </a>", el(L"a", L" x ")},
      {L"<a></a>", el(L"a", L"")},
      {L"<a>   </a>", el(L"a", L"   ")},
      {L"<a x=\"1\" y=\"2\"></a>", el(L"a", L"", {{L"x", L"1"}, {L"y", L"2"}})},
      {L"<a x=\"1\" x=\"\">t</a>", el(L"a", L"t", {{L"x", L"1"}, {L"x", L""}})},
      // Any one white-space character may stand before an attribute.
      {L"<a\tx=\"1\"\ny=\"2\"></a>", el(L"a", L"", {{L"x", L"1"}, {L"y", L"2"}})},
      {L" \r\n\t<a>\n\t<b>1</b>\n\t<c></c><d>\t</d>\n</a>\n\t ",
       el(L"a", {el(L"b", L"1"), el(L"c", L""), el(L"d", L"\t")})},
      // The input ends at its first zero character.
      {std::wstring(L"<a>ok</a>\0<junk", 15), el(L"a", L"ok")},
      // No entities: '&' and the like are plain text.
      {L"<a>&amp; \"q\" = / &#60;</a>", el(L"a", L"&amp; \"q\" = / &#60;")},
      {L"<a v=\"<b>/='&\"></a>", el(L"a", L"", {{L"v", L"<b>/='&"}})},
      {L"<\u30BF\u30B0 \u5C5E=\"\u5024\">\u304B\u306A</\u30BF\u30B0>",
       el(L"\u30BF\u30B0", L"\u304B\u306A", {{L"\u5C5E", L"\u5024"}})},
      {L"<a\\b:c.d-e_f></a\\b:c.d-e_f>", el(L"a\\b:c.d-e_f", L"")},
      {L"<r><a><b><c>deep</c></b></a></r>", el(L"r", {el(L"a", {el(L"b", {el(L"c", L"deep")})})})},
  };
  for (const row& r : rows) {
    element root = el(L"old", {el(L"stale", L"x")});
    ASSERT_NO_THROW(lib::detail::xml::parse(r.input, root)) << narrow(r.input);
    EXPECT_TRUE(same_tree(root, r.expected)) << narrow(r.input);
  }
}

TEST(XmlReader, Escapes) {
  struct row {
    std::wstring input;
    std::wstring text;   // of the root
    std::wstring value;  // of the root's attribute "v", when it has one
  };
  const std::vector<row> rows = {
      // The writer's escapes lose their backslash...
      {L"<a>x\\<y\\>z</a>", L"x<y>z", L""},
      {L"<a>\\\\</a>", L"\\", L""},
      {L"<a>\\\\\\\\</a>", L"\\\\", L""},
      {L"<a>\\\"</a>", L"\"", L""},
      {L"<a v=\"\\\"q\\\\\"></a>", L"", L"\"q\\"},
      {L"<a v=\"\\<\\>\"></a>", L"", L"<>"},
      // ...while a backslash before anything else stays, as files written
      // without escaping backslashes always read.
      {L"<a>C:\\dir\\x</a>", L"C:\\dir\\x", L""},
      {L"<a>\\&\\ \\\t\\\u3042</a>", L"\\&\\ \\\t\\\u3042", L""},
      {L"<a v=\"C:\\d\\e\"></a>", L"", L"C:\\d\\e"},
      // An escaped white space does not start or end content.
      {L"<a>\\ </a>", L"\\ ", L""},
  };
  for (const row& r : rows) {
    element root;
    ASSERT_NO_THROW(lib::detail::xml::parse(r.input, root)) << narrow(r.input);
    EXPECT_EQ(root.text, r.text) << narrow(r.input);
    if (!r.value.empty()) {
      ASSERT_EQ(root.attributes.size(), 1u) << narrow(r.input);
      EXPECT_EQ(root.attributes[0].value, r.value) << narrow(r.input);
    }
  }
}

TEST(XmlReader, MalformedInputFailsAndLeavesRootAlone) {
  const std::vector<std::wstring> malformed = {
      L"",
      L" \n\t",
      L"text",
      L"<a x=\"1\"  y=\"2\"></a>",  // two blanks before an attribute
      L"<a  x=\"1\"></a>",
      L"<a x =\"1\"></a>",  // white space around '='
      L"<a x= \"1\"></a>",
      L"<a ></a>",  // a space before '>'
      L"<a x=\"1\" ></a>",
      L"<a x=\"1\"\t></a>",
      L"<a x=1></a>",  // an unquoted value
      L"<a x='1'></a>",
      L"<a x></a>",
      L"<a x=\"1\"y=\"2\"></a>",
      L"<a x=\"1></a>",
      L"<a x=\"1\\\"></a>",
      L"<a/>",  // an empty-element tag
      L"<a><b/></a>",
      L"<?xml version=\"1.0\"?><a></a>",  // a declaration
      L"<!-- note --><a></a>",
      L"<!DOCTYPE a><a></a>",
      L"<a>x<b></b></a>",  // mixed content
      L"<a><b></b>x</a>",
      L"<a>\n\t<b></b>\n\tx\n</a>",
      L"<a></a>x",  // trailing text
      L"<a></a>\n<b></b>",
      L"<a></a><",
      L"<a>",
      L"<a>x",
      L"<a>x</a",
      L"<a>x</",
      L"<a><b></b>",
      L"<",
      L"<>x</>",
      L"< a></a>",
      L"<a></ a>",
      L"<a></a >",
      L"<a>x\\</a>",  // a backslash before the end tag escapes its '<'
      L"<a>x>y</a>",
      L"<a>x<y</a>",
      L"<a=\"1\"></a>",
      L"<a\"></a\">",
      std::wstring(L"<a>x\0</a>", 9),  // the zero ends the input inside the text
      L"<a><b></b></c>x",              // the syntax error wins over the mismatch
      L"<a><b></c><d/></a>",
  };
  for (const std::wstring& input : malformed) {
    element root = el(L"old", {el(L"stale", L"x")});
    try {
      lib::detail::xml::parse(input, root);
      ADD_FAILURE() << "accepted: " << narrow(input);
    } catch (const std::invalid_argument& e) {
      EXPECT_STREQ(e.what(), "lib/detail/xml/parse: parsing failure") << narrow(input);
    } catch (const std::exception& e) {
      ADD_FAILURE() << "threw " << e.what() << " for " << narrow(input);
    }
    EXPECT_TRUE(same_tree(root, el(L"old", {el(L"stale", L"x")}))) << narrow(input);
  }
}

TEST(XmlReader, MismatchedEndTagKeepsWhatPrecedesIt) {
  struct row {
    std::wstring input;
    element filled;
  };
  const std::vector<row> rows = {
      {L"<a><b></b></c>", el(L"a", {el(L"b", L"")})},
      {L"<a>x</b>", el(L"a", L"x")},
      {L"<a>x</A>", el(L"a", L"x")},
      // Evaluation stops at c's end tag: e and f are never filled in.
      {L"<r><a>1</a><b><c>2</d><e></e></b><f></f></r>", el(L"r", {el(L"a", L"1"), el(L"b", {el(L"c", L"2")})})},
      // The first mismatch decides, however many follow.
      {L"<r><a></b><c></d></x>", el(L"r", {el(L"a", L"")})},
  };
  for (const row& r : rows) {
    element root = el(L"old", L"x");
    try {
      lib::detail::xml::parse(r.input, root);
      ADD_FAILURE() << "accepted: " << narrow(r.input);
    } catch (const std::out_of_range& e) {
      EXPECT_STREQ(e.what(), "lib/xml/parser/eval_etag") << narrow(r.input);
    }
    EXPECT_TRUE(same_tree(root, r.filled)) << narrow(r.input);
  }
}

std::wstring nested(std::size_t depth) {
  std::wstring s;
  for (std::size_t i = 0; i < depth; ++i) s += L"<e>";
  s += L"x";
  for (std::size_t i = 0; i < depth; ++i) s += L"</e>";
  return s;
}

TEST(XmlReader, NestingDepthIsBounded) {
  const std::size_t limit = lib::detail::xml::max_depth;
  element root;
  ASSERT_NO_THROW(lib::detail::xml::parse(nested(limit), root));
  const element* e = &root;
  std::size_t depth = 1;
  for (; !e->children.empty(); ++depth) e = &e->children[0];
  EXPECT_EQ(depth, limit);
  EXPECT_EQ(e->text, L"x");

  // Deeper documents fail as malformed input does, however deep they go:
  // the reader never recurses past the limit.
  for (std::size_t depth : {limit + 1, std::size_t{200000}}) {
    try {
      lib::detail::xml::parse(nested(depth), root);
      ADD_FAILURE() << "accepted depth " << depth;
    } catch (const std::invalid_argument& e) {
      EXPECT_STREQ(e.what(), "lib/detail/xml/parse: parsing failure");
    }
  }
  // An unclosed run of start tags is no different.
  std::wstring open;
  for (int i = 0; i < 200000; ++i) open += L"<e>";
  EXPECT_THROW(lib::detail::xml::parse(open, root), std::invalid_argument);
}

// Random trees over names the reader accepts and texts and values holding
// every character that needs care, written and read back.
class tree_maker {
 public:
  explicit tree_maker(unsigned seed) : rng_(seed) {}

  element make(int depth) {
    element e = element::element_with_name(pick_string(name_chars_, 1, 6));
    const int attributes = pick(0, 3);
    for (int i = 0; i < attributes; ++i)
      e.attributes.push_back({pick_string(name_chars_, 1, 4), pick_string(text_chars_, 0, 8)});
    if (depth < 4 && pick(0, 2) != 0) {
      const int children = pick(1, 4);
      for (int i = 0; i < children; ++i) e.children.push_back(make(depth + 1));
    } else {
      e.text = pick_string(text_chars_, 0, 10);
    }
    return e;
  }

 private:
  int pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }

  std::wstring pick_string(const std::wstring& alphabet, int min, int max) {
    std::wstring s(static_cast<std::size_t>(pick(min, max)), L' ');
    for (wchar_t& c : s) c = alphabet[static_cast<std::size_t>(pick(0, static_cast<int>(alphabet.size()) - 1))];
    return s;
  }

  std::mt19937 rng_;
  const std::wstring name_chars_ = L"abcXYZ019_.:-&\\'\u3042\u30AB\u30FC\u6F22";
  const std::wstring text_chars_ = L"ab <>\\\"\t\n\r&=/'\u3042\u30AB\u30FC\u6F22";
};

TEST(XmlRoundTrip, GeneratedTreesReadBackEqual) {
  for (unsigned seed = 1; seed <= 400; ++seed) {
    const element tree = tree_maker(seed).make(0);
    const std::wstring written = tree.serialize(0);
    element back;
    ASSERT_NO_THROW(lib::detail::xml::parse(written, back)) << "seed " << seed << ": " << narrow(written);
    ASSERT_TRUE(same_tree(back, tree)) << "seed " << seed << ": " << narrow(written);
    EXPECT_EQ(back.serialize(0), written) << "seed " << seed;
  }
}

TEST(XmlRoundTrip, TextsThatOnceBrokeTheTagDatabase) {
  // A folder name ending in a backslash, and tags holding '<', '>' or an
  // escape-like pair, must come back exactly.
  for (const std::wstring& text : {std::wstring(L"/home/u/odd\\"), std::wstring(L"a<b>c"), std::wstring(L"\\\\"),
                                   std::wstring(L"\\<"), std::wstring(L"\\"), std::wstring(L" \t ")}) {
    element root = el(L"root", {el(L"tag", {el(L"value", text), el(L"path", {el(L"value", text)})})});
    root.children[0].attributes = {{L"k", text}};
    element back;
    ASSERT_NO_THROW(lib::detail::xml::parse(root.serialize(0), back)) << narrow(text);
    EXPECT_TRUE(same_tree(back, root)) << narrow(text);
  }
}

// The grammar transcribed rule by rule as an ordered-choice recogniser that
// backtracks, sharing nothing with the reader: the reader must accept exactly
// what it accepts.
// White space is C.UTF-8's space class, written out here.
const std::wstring white_space =
    L" \t\n\v\f\r\u1680\u2000\u2001\u2002\u2003\u2004\u2005\u2006\u2008\u2009\u200A\u2028\u2029\u205F\u3000";
bool is_white(wchar_t c) { return c != 0 && white_space.find(c) != std::wstring::npos; }

class reference_grammar {
 public:
  static bool accepts(const std::wstring& text) {
    reference_grammar g(text.c_str(), text.c_str() + std::wcslen(text.c_str()));
    return g.element() && g.p_ == g.end_;
  }

 private:
  reference_grammar(const wchar_t* p, const wchar_t* end) : p_(p), end_(end) {}

  bool ch(wchar_t c) { return p_ != end_ && *p_ == c && (++p_, true); }
  bool space() { return p_ != end_ && is_white(*p_) && (++p_, true); }
  bool other_than(const std::wstring& excluded) {
    return p_ != end_ && excluded.find(*p_) == std::wstring::npos && (++p_, true);
  }
  bool restore(const wchar_t* at) {
    p_ = at;
    return false;
  }

  bool element() {
    const wchar_t* at = p_;
    while (space()) continue;
    if (!(stag() && content() && etag())) return restore(at);
    while (space()) continue;
    return true;
  }
  bool stag() {
    const wchar_t* at = p_;
    if (!(ch(L'<') && name())) return restore(at);
    for (;;) {
      const wchar_t* before = p_;
      if (!(space() && attribute())) {
        restore(before);
        break;
      }
    }
    return ch(L'>') || restore(at);
  }
  bool content() {
    int elements = 0;
    while (element()) ++elements;
    return elements > 0 || text();
  }
  bool etag() {
    const wchar_t* at = p_;
    return (ch(L'<') && ch(L'/') && name() && ch(L'>')) || restore(at);
  }
  bool name() {
    const wchar_t* at = p_;
    while (p_ != end_ && !is_white(*p_) && other_than(L"=/<>\"")) continue;
    return p_ != at;
  }
  bool attribute() {
    const wchar_t* at = p_;
    return (name() && ch(L'=') && value()) || restore(at);
  }
  bool text() {
    while (escape() || other_than(L"<>\\")) continue;
    return true;
  }
  bool escape() {
    const wchar_t* at = p_;
    return (ch(L'\\') && p_ != end_ && (++p_, true)) || restore(at);
  }
  bool value() {
    const wchar_t* at = p_;
    if (!ch(L'"')) return false;
    while (escape() || other_than(L"\"")) continue;
    return ch(L'"') || restore(at);
  }

  const wchar_t* p_;
  const wchar_t* const end_;
};

TEST(XmlReader, AcceptsExactlyWhatTheGrammarAccepts) {
  const std::wstring edits = L"<>/=\" \t\n\\ax\u3000\u00A0\u2007\u2028";
  std::mt19937 rng(7);
  auto below = [&](std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(rng); };
  int accepted = 0;
  int rejected = 0;
  for (unsigned seed = 1; seed <= 3000; ++seed) {
    std::wstring doc = tree_maker(seed).make(2).serialize(0);
    const std::size_t changes = 1 + below(3);
    for (std::size_t i = 0; i < changes; ++i) {
      const std::size_t at = below(doc.size() + 1);
      const wchar_t c = edits[below(edits.size())];
      switch (below(3)) {
        case 0:
          doc.insert(at, 1, c);
          break;
        case 1:
          if (at < doc.size()) doc.erase(at, 1);
          break;
        default:
          if (at < doc.size()) doc[at] = c;
          break;
      }
    }
    bool reader_accepts = true;
    element root;
    try {
      lib::detail::xml::parse(doc, root);
    } catch (const std::invalid_argument&) {
      reader_accepts = false;
    } catch (const std::out_of_range&) {
      // well formed, end tag names another element
    }
    ASSERT_EQ(reader_accepts, reference_grammar::accepts(doc)) << narrow(doc);
    ++(reader_accepts ? accepted : rejected);
  }
  // Both answers must be common, or the comparison shows little.
  EXPECT_GT(accepted, 300);
  EXPECT_GT(rejected, 300);
}

// White space is a fixed set: the same document means the same tree
// whatever C locale the process has (a library may set one).
TEST(XmlReader, WhiteSpaceDoesNotDependOnTheCLocale) {
  const std::string before = std::setlocale(LC_ALL, nullptr);
  for (const char* name : {"C", "C.UTF-8"}) {
    if (std::setlocale(LC_ALL, name) == nullptr) continue;
    for (wchar_t c = 1; c < 0x3100; ++c) {
      const std::wstring doc = std::wstring(1, c) + L"<a>" + std::wstring(1, c) + L"<b>x</b></a>";
      bool accepted = true;
      element root;
      try {
        lib::detail::xml::parse(doc, root);
      } catch (const std::exception&) {
        accepted = false;
      }
      ASSERT_EQ(accepted, is_white(c)) << name << " U+" << std::hex << int(c);
    }
    // Not white space: they belong to the name.
    element root;
    lib::detail::xml::parse(L"<a\u00A0b>x</a\u00A0b>", root);
    EXPECT_EQ(root.name, L"a\u00A0b") << name;
    lib::detail::xml::parse(L"\u3000<a\u2007>x</a\u2007>\u3000", root);
    EXPECT_EQ(root.name, L"a\u2007") << name;
  }
  std::setlocale(LC_ALL, before.c_str());
}

}  // namespace
