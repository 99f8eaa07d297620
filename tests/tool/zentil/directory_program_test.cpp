// Whole-program runs of the directory actions: tags that survive a restart,
// every link of a run in "system.txt" at the close, the store saved on the
// crash path after an unlink or a "Derive", and "Derive" on a folder outside
// the root folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "tool/zentil/program_run.hpp"

namespace {

using zentil_test::program_run;
using zentil_test::tag_element;
using zentil_test::tag_elements;

// Places in the program's window (the first row at (10, 10)).
const std::string click_tag_form = "click 182 30\n", click_add = "click 92 30\n", click_derive = "click 117 52\n";

// The strings file's line for text at (x, y).
std::string line_at(int x, int y, const std::string& text) {
  return std::to_string(x) + " " + std::to_string(y) + " " + text;
}

bool has(const std::vector<std::string>& lines, const std::string& wanted) {
  return std::find(lines.begin(), lines.end(), wanted) != lines.end();
}

TEST(DirectoryProgram, TagsSurviveARestart) {
  struct restart_case {
    const char* what;
    std::string typing;  // scenario lines that type the tag
    std::string shown;   // the button's caption as the strings file has it (UTF-8)
    std::string saved;   // its value in "system.txt" (code page 932)
  } cases[] = {
      {"angle brackets", "type <x>\n", "<x>", "\\<x\\>"},
      {"Japanese", "type \xE3\x82\xBF\xE3\x82\xB0\n", "\xE3\x82\xBF\xE3\x82\xB0", "\x83\x5E\x83\x4F"},
      {"a hyphen inside", "type a-b\n", "a-b", "a-b"},
      {"a hyphen first", "type -x\n", "-x", "-x"},
      {"Ctrl+A", "type a\nhold 29\npress 30\nrelease 29\ntype b\n", "a\x01" "b", ""},
  };
  for (const restart_case& c : cases) {
    program_run run;
    run.folder("root/a");
    ASSERT_EQ(run.run(click_tag_form + c.typing + "type \\n\nframes 2\n" + click_add + "frames 2\n"), 0)
        << c.what << "\n" << run.standard_error();
    const std::string database = run.bytes("system.txt");
    if (!c.saved.empty()) {
      EXPECT_NE(database.find("<value>" + c.saved + "</value>"), std::string::npos) << c.what;
    }
    ASSERT_EQ(run.run("frames 2\nstrings " + run.out("again.txt") + "\n"), 0) << c.what << "\n"
                                                                             << run.standard_error();
    EXPECT_TRUE(has(run.strings("again.txt"), line_at(415, 62, c.shown)))
        << c.what << ": " << testing::PrintToString(run.strings("again.txt"));
    EXPECT_EQ(run.bytes("system.txt"), database) << c.what;
  }
}

// Editing keys in the "Make Folder" form move over and remove double-byte
// characters whole, also those whose second byte lies in the lead-byte ranges
// (日 is 93 FA, メ is 83 81): the folder made carries the edited name.
TEST(DirectoryProgram, EditingKeysTakeDoubleByteCharactersWhole) {
  const std::string day = "\xE6\x97\xA5", me = "\xE3\x83\xA1";  // 日, メ (UTF-8)
  const std::string left = "press 203\n", right = "press 205\n", home = "press 199\n";
  struct edit_case {
    const char* what;
    std::string steps;  // after the click into the empty form
    std::string name;   // of the folder made (UTF-8)
  } cases[] = {
      {"Backspace after a single byte", "type " + day + "a\\b\n", day},
      {"Backspace twice", "type " + me + "a" + day + "\\b\\b\n", me},
      {"Left, then typing", "type " + day + "a\n" + left + "type b\n", day + "ba"},
      {"Left, then Delete", "type " + day + "a\n" + left + "type \\d\n", day},
      {"Left over both, then Right", "type " + me + "a\n" + left + left + right + "type b\n", me + "ba"},
      {"Home, then Right", "type " + day + "a\n" + home + right + "type b\n", day + "ba"},
  };
  // no rows on the root screen: the folder form at (10, 100), "Make Folder" after it
  for (const edit_case& c : cases) {
    program_run run;
    ASSERT_EQ(run.run("click 60 110\n" + c.steps + "type \\n\nframes 2\nclick 200 110\nframes 2\n"), 0)
        << c.what << "\n" << run.standard_error();
    std::vector<std::string> made;
    for (const auto& e : std::filesystem::directory_iterator(run.at("root"))) made.push_back(e.path().filename());
    EXPECT_EQ(made, std::vector<std::string>{c.name}) << c.what;
  }
}

// Links made by "Add": the file at the close holds them.
TEST(DirectoryProgram, TheDatabaseAtTheCloseHoldsEveryLinkOfTheRun) {
  program_run run;
  run.folder("root/a");
  // the form keeps its text: a Backspace first takes the last tag's letter away
  auto add = [](const std::string& tag) {
    return "frames 1\n" + click_tag_form + "type \\b" + tag + "\\n\nframes 2\n" + click_add;
  };
  ASSERT_EQ(run.run(add("y") + add("z")), 0) << run.standard_error();
  const std::string a = run.at("root") + "/a";
  EXPECT_EQ(tag_elements(run.bytes("system.txt")), tag_elements(tag_element("y", {a}) + tag_element("z", {a})))
      << run.bytes("system.txt");
}

// A folder "a" and a file "b.txt" whose script fails: the change made before
// the Enter on "b.txt" is saved on the crash path.
TEST(DirectoryProgram, UnlinkAndDeriveAreSavedOnTheCrashPath) {
  struct crash_case {
    const char* what;
    std::string database;  // with ROOT for the root folder
    std::string steps;     // before the Enter on "b.txt"
    std::vector<std::string> expected;
  };
  const crash_case cases[] = {
      {"a tag button's unlink",
       "<root><tag><value>t</value><path><value>ROOT/a</value></path></tag>"
       "<tag><value>u</value><path><value>ROOT/a</value></path></tag></root>",
       "frames 1\nclick 420 70\nframes 2\n", {"t:", "u:ROOT/a"}},
      {"Derive", "<root><tag><value>r</value><path><value>ROOT</value></path></tag></root>",
       "frames 1\n" + click_derive + "frames 2\n", {"r:ROOT;ROOT/a"}},
  };
  for (const crash_case& c : cases) {
    program_run run;
    run.folder("root/a");
    run.file("root/b.txt", "text");
    run.file("extension.hpp", "process main(string path) { using::open(path, path, path); }\n");
    auto with_root = [&run](std::string s) {
      for (std::size_t at = s.find("ROOT"); at != std::string::npos; at = s.find("ROOT"))
        s.replace(at, 4, run.at("root"));
      return s;
    };
    run.file("system.txt", with_root(c.database));
    EXPECT_EQ(run.run(c.steps + "press 208\nframes 1\npress 28\nframes 1\n"), 255) << c.what << "\n"
                                                                                  << run.standard_error();
    EXPECT_NE(run.bytes("log.txt").find("invalid arguments"), std::string::npos) << c.what;
    std::string expected;
    for (const std::string& e : c.expected) {
      const std::size_t colon = e.find(':');
      std::vector<std::string> paths;
      for (std::size_t from = colon + 1; from < e.size();) {
        const std::size_t semi = e.find(';', from);
        paths.push_back(with_root(e.substr(from, semi == std::string::npos ? std::string::npos : semi - from)));
        from = semi == std::string::npos ? e.size() : semi + 1;
      }
      expected += tag_element(e.substr(0, colon), paths);
    }
    EXPECT_EQ(tag_elements(run.bytes("system.txt")), tag_elements(expected)) << c.what << "\n"
                                                                            << run.bytes("system.txt");
  }
}

// "system.txt" links a tag to a folder outside "root": "Search" finds it,
// "Derive" on it ends, and the program goes on to a normal end.
TEST(DirectoryProgram, DeriveOnAFolderOutsideTheRootFolderEnds) {
  program_run run;
  run.folder("outside/inner");
  const std::string inner = run.work() + "/outside/inner";
  run.file("system.txt", "<root><tag><value>t</value><path><value>" + inner + "</value></path></tag>"
                         "<tag><value>up</value><path><value>" + run.work() + "/outside</value></path></tag></root>");
  // no rows on the root screen: the search form at (10, 70), "Search" at (180, 70)
  const std::string scenario = "click 60 80\ntype t\\n\nframes 2\nclick 215 80\nframes 2\nstrings " +
                               run.out("found.txt") + "\n" + click_derive + "frames 2\nstrings " +
                               run.out("derived.txt") + "\npress 14\nframes 2\n";
  ASSERT_EQ(run.run(scenario), 0) << run.standard_error();
  EXPECT_TRUE(has(run.strings("found.txt"), line_at(20, 570, "search > t")))
      << testing::PrintToString(run.strings("found.txt"));
  EXPECT_TRUE(has(run.strings("found.txt"), line_at(20, 62, "inner")));
  EXPECT_TRUE(has(run.strings("derived.txt"), line_at(415, 62, "t")));
  EXPECT_EQ(tag_elements(run.bytes("system.txt")),
            tag_elements(tag_element("t", {inner}) + tag_element("up", {run.work() + "/outside", inner})))
      << run.bytes("system.txt");
}

}  // namespace
