// Comment removal before parsing: what is cut, what is copied unchanged, and where the pass fails.
#include "plang/comment_p.hpp"

#include <gtest/gtest.h>

#include <string>

#include "lib/string.hpp"
#include "plang/exception.hpp"

namespace {

std::wstring strip(const std::wstring& src) { return plang::comment_p<wchar_t>(src).str(); }
// The same pass over the text's own buffer, as a file's text is stripped.
std::wstring strip_in_place(const std::wstring& src) { return plang::comment_p<wchar_t>(std::wstring(src)).str(); }
using stripper = std::wstring (*)(const std::wstring&);
const stripper strippers[] = {strip, strip_in_place};

TEST(CommentP, RemovesCommentsAndKeepsLiterals) {
  struct row {
    const wchar_t* src;
    const wchar_t* out;
  };
  const row rows[] = {
      {L"", L""},
      {L"a/* c */b", L"ab"},
      {L"int/**/x", L"intx"},
      // The opening '*' may close the comment.
      {L"/*/", L""},
      {L"/**/", L""},
      {L"a/*/b*/c", L"ab*/c"},
      {L"/* // \" */x", L"x"},
      // A line comment keeps its line feed; a CR before it goes with the comment.
      {L"x; // note\ny;", L"x; \ny;"},
      {L"x; // note\r\ny;", L"x; \ny;"},
      {L"// /* \nx", L"\nx"},
      {L"a / b/c", L"a / b/c"},
      {L"s = \"a//b/*c*/\";", L"s = \"a//b/*c*/\";"},
      // In a string literal a backslash takes the next character with it, as the grammar reads it.
      {L"s = \"a\\\"b//c\";\n", L"s = \"a\\\"b//c\";\n"},
      {L"s = \"a\\\\\"; // c\n", L"s = \"a\\\\\"; \n"},
      {L"s = \"a\\\nb\"/**/;", L"s = \"a\\\nb\";"},
      // An include path has no escapes: a backslash before its closing quote belongs to the path.
      {L"#include \"dir\\\" // c\n", L"#include \"dir\\\" \n"},
      {L"#include/**/\t\"a\\\"//c\n", L"#include\t\"a\\\"\n"},
      // Only double-quoted stretches are protected.
      {L"#include <a//b>\nx", L"#include <a\nx"},
  };
  for (const stripper pass : strippers)
    for (const row& r : rows) EXPECT_EQ(pass(r.src), r.out) << lib::string::to_narrow(r.src);
}

TEST(CommentP, UnclosedPartsFail) {
  const wchar_t* const rows[] = {
      L"/* open",     L"x; // no line feed", L"x /",          L"/",  L"s = \"open",
      L"s = \"a\\\"", L"s = \"a\\",          L"#include \"a", L"\"",
  };
  for (const stripper pass : strippers) {
    for (const wchar_t* src : rows) {
      try {
        pass(src);
        ADD_FAILURE() << "no error for " << lib::string::to_narrow(src);
      } catch (const plang::exception& e) {
        EXPECT_STREQ(e.what(), "plang/comment_p(23) plang::comment_p<wchar_t>::comment_p: comment parser failrue");
      }
    }
  }
}

}  // namespace
