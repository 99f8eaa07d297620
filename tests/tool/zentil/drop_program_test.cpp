// Whole-program runs of drops: the close while the copy log runs over a
// folder opened from a search result, and the store saved on the crash path
// after a drop gave a copied folder its inherited tags.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tool/zentil/program_run.hpp"

namespace {

using zentil_test::program_run;
using zentil_test::tag_element;
using zentil_test::tag_elements;

// Search for "t" from the root screen (one row: the search form at (10, 514),
// "Search" at (180, 514)), Enter on the found folder, a file dropped on it:
// the close ends the copy log, the folder, the search and the root screen in
// turn, no frame follows it and the store is written at the end.
TEST(DropProgram, TheCloseEndsTheCopyLogOverAFolderOpenedFromASearchResult) {
  program_run run;
  run.folder("root/a");
  run.file("source.txt", "dropped");
  const std::string a = run.at("root") + "/a";
  run.file("system.txt", "<root><tag><value>t</value><path><value>" + a + "</value></path></tag></root>");
  const std::string scenario = "report " + run.out("report.txt") +
                               "\n"
                               "click 60 524\ntype t\\n\nframes 2\nclick 215 524\nframes 2\n"
                               "press 28\nframes 2\n"
                               "drop " + run.work() + "/source.txt\nframes 2\n"
                               "strings " + run.out("shown.txt") + "\n";
  ASSERT_EQ(run.run(scenario), 0) << run.standard_error();
  const std::vector<std::string> shown = run.strings("shown.txt");
  // the log line, wrapped at the text box's width, from (136, 102) down
  std::string log;
  for (const std::string& line : shown)
    if (line.rfind("136 ", 0) == 0) log += line.substr(line.find(' ', 4) + 1);
  EXPECT_EQ(log, "copy to " + a + "/source.txt") << testing::PrintToString(shown);
  EXPECT_EQ(run.bytes("root/a/source.txt"), "dropped");
  const std::string report = program_run::read(run.out("report.txt"));
  EXPECT_NE(report.find("\nafter close 0\n"), std::string::npos) << report;
  // a copied file gets no tags; the store is written back as it was
  EXPECT_EQ(tag_elements(run.bytes("system.txt")), tag_elements(tag_element("t", {a}))) << run.bytes("system.txt");
  EXPECT_EQ(run.bytes("log.txt"), "<missing>");
}

// A folder dropped into the root folder, which carries "t", inherits it; then
// Enter on a file whose script fails: the crash path saves the link first.
TEST(DropProgram, AnInheritedLinkOfADropIsSavedOnTheCrashPath) {
  program_run run;
  run.folder("src/pics");
  run.file("src/pics/p.txt", "picture");
  run.file("root/b.txt", "text");
  run.file("extension.hpp", "process main(string path) { using::open(path, path, path); }\n");
  const std::string root = run.at("root");
  run.file("system.txt", "<root><tag><value>t</value><path><value>" + root + "</value></path></tag></root>");
  // the copy log's "OK" at (136, 427); after it the rows are b.txt, pics with b.txt selected
  const std::string scenario = "frames 1\ndrop " + run.work() +
                               "/src/pics\nframes 2\nclick 207 437\nframes 2\npress 28\nframes 2\n";
  EXPECT_EQ(run.run(scenario), 255) << run.standard_error();
  EXPECT_EQ(run.bytes("root/pics/p.txt"), "picture");
  EXPECT_NE(run.bytes("log.txt").find("invalid arguments"), std::string::npos) << run.bytes("log.txt");
  EXPECT_EQ(tag_elements(run.bytes("system.txt")), tag_elements(tag_element("t", {root, root + "/pics"})))
      << run.bytes("system.txt");
}

}  // namespace
