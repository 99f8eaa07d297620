// The compile driver: parse failures, include search, the include guard and the error chains.
#include "plang/semantic/semantic.hpp"

#include <gtest/gtest.h>

#include <list>
#include <string>

#include "lib/string.hpp"
#include "plang/comment_p.hpp"
#include "plang/exception.hpp"
#include "plang/interpreter.hpp"
#include "plang/nspace.hpp"
#include "support/temp_folder.hpp"

namespace {

using compiler = plang::semantic<wchar_t>;

// A literal holding an escaped double quote and then '//' parses: the pre-pass reads escapes as the grammar does.
TEST(CompileStr, AnEscapedQuoteDoesNotEndTheLiteralForThePrePass) {
  const compiler c;
  const std::wstring text = plang::comment_p<wchar_t>(L"string s = \"a\\\"b//c\";\n// note\nint y;").str();
  EXPECT_EQ(text, L"string s = \"a\\\"b//c\";\n\nint y;");
  const plang::parse_info info = c.parse_source(text);
  EXPECT_TRUE(info.full);
  EXPECT_EQ(compiler::describe_parse_info(info, text), " match=1 full=1 length=29 stop=");
}

std::string error_of_str(const std::wstring& text) {
  compiler c;
  plang::nspace root;
  compiler::include_stack stack;
  try {
    c.compile_str(text, &root, stack);
  } catch (const plang::exception& e) {
    return e.what();
  }
  return "no error";
}

const std::string parsing_failure =
    "plang/semantic/semantic(79) plang::semantic<wchar_t>::compile_str: parsing failure, ";

TEST(CompileStr, EmptyAndBlankTextsCompileToNothing) {
  EXPECT_EQ(error_of_str(L""), "no error");
  EXPECT_EQ(error_of_str(L" \n\t/* c */ // c\n"), "no error");
  // A NUL ends the text for the parser.
  EXPECT_EQ(error_of_str(std::wstring(L"\n\0x = 1;", 8)), "no error");
}

TEST(CompileStr, ParsingFailureTexts) {
  struct row {
    std::wstring text;
    std::string description;
  };
  const row rows[] = {
      // A pre-pass failure shows the parse result before parsing.
      {L"/* open", " match=0 full=0 length=0 stop="},
      {L"\n// no line feed", " match=0 full=0 length=0 stop="},
      {L"\n/", " match=0 full=0 length=0 stop="},
      // An unparsable top-level item: the parse stops at its first character.
      {L"\n\nx = 1;\n", " match=1 full=0 length=2 stop=x = 1;\n"},
      {L" /* c */ x = 1;", " match=1 full=0 length=2 stop=x = 1;"},
      {std::wstring(L"x = 1;\0tail", 11), " match=1 full=0 length=0 stop=x = 1;"},
      {L"\u3042 = 1;", " match=1 full=0 length=0 stop=\x82\xA0 = 1;"},
  };
  for (const row& r : rows)
    EXPECT_EQ(error_of_str(r.text), parsing_failure + r.description) << lib::string::to_narrow(r.text);
}

// A compiler whose include directories are the given folders.
struct driver {
  explicit driver(std::list<std::wstring> dirs) { c.include_directories() = std::move(dirs); }

  std::string compile(const std::wstring& path) {
    try {
      c.compile_file(path, &root, stack);
    } catch (const plang::exception& e) {
      return e.what();
    }
    return "no error";
  }

  compiler c;
  plang::nspace root;
  compiler::include_stack stack;
};

const std::string chain = "\n>\t";
std::string compile_failure(const std::string& dir, const std::string& path) {
  return "plang/semantic/semantic(43) plang::semantic<wchar_t>::compile_this: compile failure, dir=" + dir +
         ", path=" + path;
}
const std::string semantic_failure =
    "plang/semantic/semantic(86) plang::semantic<wchar_t>::compile_str: semantic failure";
const std::string include_caught =
    "plang/semantic/semantic(144) plang::semantic<wchar_t>::eval_include_def: catch exception";

TEST(CompileFile, EachCompletePathIsCompiledOnce) {
  support::temp_folder d;
  // Twice directly, through other path texts, and back to the including file.
  d.file("main.hpp", "#include \"a.hpp\"\n#include <a.hpp>\n#include \"./a.hpp\"\n#include <sub/../[a].hpp>\n");
  d.file("a.hpp", "#include \"main.hpp\"\n#include \"a.hpp\"\n");
  d.folder("sub");
  driver dr({d.wpath()});
  ASSERT_EQ(dr.compile(L"main.hpp"), "no error");
  EXPECT_EQ(dr.c.included_files(), (std::list<std::wstring>{d.wpath() + L"/main.hpp", d.wpath() + L"/a.hpp"}));
  EXPECT_TRUE(dr.stack.empty());
  // A later top-level compile of the same file does nothing.
  ASSERT_EQ(dr.compile(L"main.hpp"), "no error");
  EXPECT_EQ(dr.c.included_files().size(), 2u);
  EXPECT_TRUE(dr.c.is_included(d.wpath() + L"/a.hpp"));
  EXPECT_FALSE(dr.c.is_included(L"a.hpp"));
}

TEST(CompileFile, IncludesAreSearchedInTheIncludingFolderThenTheIncludeDirectories) {
  support::temp_folder one, two;
  one.file("main.hpp", "#include \"lib/a.hpp\"\n");
  one.file("lib/a.hpp", "#include \"b.hpp\"\n#include <c.hpp>\n#include \"d.hpp\"\n");
  one.file("lib/b.hpp");
  // Unparsable, so compiling the wrong one fails.
  one.file("b.hpp", "!");
  two.file("b.hpp", "!");
  one.file("c.hpp");
  two.file("c.hpp", "!");
  two.file("d.hpp");
  // The start-up file is not looked for in the current folder first: only the include directories count.
  two.file("main.hpp", "!");
  driver dr({one.wpath(), two.wpath()});
  ASSERT_EQ(dr.compile(L"main.hpp"), "no error");
  const std::list<std::wstring> expected = {one.wpath() + L"/main.hpp", one.wpath() + L"/lib/a.hpp",
                                            one.wpath() + L"/lib/b.hpp", one.wpath() + L"/c.hpp",
                                            two.wpath() + L"/d.hpp"};
  EXPECT_EQ(dr.c.included_files(), expected);
  EXPECT_TRUE(dr.stack.empty());
}

TEST(CompileFile, NoMatchAnywhereIsAnIncludeFailure) {
  support::temp_folder d;
  d.file("main.hpp", "\n#include \"missing.hpp\"\n");
  EXPECT_EQ(driver({}).compile(L"main.hpp"),
            "plang/semantic/semantic(67) plang::semantic<wchar_t>::compile_file: include failure, path=main.hpp");
  EXPECT_EQ(driver({d.wpath()}).compile(L"main.hpp"),
            compile_failure(d.path(), "main.hpp") + chain + semantic_failure + chain + include_caught + chain +
                "plang/semantic/semantic(67) plang::semantic<wchar_t>::compile_file: include failure, "
                "path=missing.hpp");
}

TEST(CompileFile, APatternNamingTwoFilesIsAmbiguousInTheFirstFolderTried) {
  support::temp_folder one, two;
  one.file("x1.hpp");
  one.file("x2.hpp");
  two.file("x3.hpp");
  driver dr({one.wpath(), two.wpath()});
  EXPECT_EQ(dr.compile(L"x..hpp"),
            "plang/semantic/semantic(48) plang::semantic<wchar_t>::compile_this: "
            "ambiguous path string, dir=" +
                one.path() + ", path=x..hpp");
  EXPECT_TRUE(dr.c.included_files().empty());
}

TEST(CompileFile, AnErrorInAnIncludedFileChainsThroughBothFiles) {
  support::temp_folder d;
  d.folder("inc");
  d.file("inc/main.hpp", "#include \"../bad.hpp\"\n");
  d.file("bad.hpp", "\n\nx = 1;");
  d.file("unreadable.hpp", "\x82");
  driver dr({d.wpath() + L"/inc/"});
  // The inner dir is the including file's folder as the stack holds it; the outer is the include directory.
  EXPECT_EQ(dr.compile(L"main.hpp"), compile_failure(d.path() + "/inc/", "main.hpp") + chain + semantic_failure +
                                         chain + include_caught + chain +
                                         compile_failure(d.path() + "/inc", "../bad.hpp") + chain + parsing_failure +
                                         " match=1 full=0 length=2 stop=x = 1;");
  // A file whose compile failed stays guarded.
  EXPECT_TRUE(dr.c.is_included(d.wpath() + L"/bad.hpp"));
  EXPECT_EQ(driver({d.wpath()}).compile(L"unreadable.hpp"),
            compile_failure(d.path(), "unreadable.hpp") + chain + "lib/file/open");
}

std::string load(plang::interpreter& in, const std::wstring& path) {
  try {
    in.load_file(path);
  } catch (const plang::exception& e) {
    return e.what();
  }
  return "no error";
}

TEST(LoadFile, CompilesThroughTheIncludeDirectoriesWithAFreshIncludeStackEachTime) {
  support::temp_folder d;
  d.file("sub/a.hpp", "#include \"b.hpp\"\n");
  d.file("sub/b.hpp", "!");
  d.file("sub/c.hpp", "!");
  d.file("c.hpp", "#include <sub/d.hpp>\n");
  d.file("sub/d.hpp");
  plang::interpreter in;
  EXPECT_EQ(load(in, L"c.hpp"),
            "plang/semantic/semantic(67) plang::semantic<wchar_t>::compile_file: include failure, path=c.hpp");
  in.include_directories().push_back(d.wpath());
  // The failed compile leaves the folders of a.hpp and b.hpp on its include stack; the next load starts
  // with an empty one, so c.hpp is found in the include directory and not in sub/.
  EXPECT_EQ(load(in, L"sub/a.hpp").substr(0, compile_failure(d.path(), "sub/a.hpp").size()),
            compile_failure(d.path(), "sub/a.hpp"));
  EXPECT_EQ(load(in, L"c.hpp"), "no error");
  // Compiled files stay guarded across loads: the failed one is not compiled again.
  EXPECT_EQ(load(in, L"sub/a.hpp"), "no error");
}

}  // namespace
