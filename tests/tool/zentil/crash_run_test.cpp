// Whole-program runs that end through the crash log: "log.txt" holds exactly
// the error's text, the stand-in opener is called with its full path, the
// status is 255, and "system.txt" is as it was before the run. Then the crash
// log that cannot be written, and a save that fails at the normal end.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "tool/zentil/program_run.hpp"

namespace {

using zentil_test::program_run;

const std::string call_depth =
    "plang/nspace(150) plang::nspace<wchar_t,class plang::process<wchar_t> >::call_function: exceed max. depth of "
    "function call, ";

TEST(CrashRun, EachErrorEndsInTheLogWithTheDatabaseAsItWas) {
  struct row {
    const char* what;
    std::function<void(const program_run&)> prepare;
    std::string scenario;
    std::string log;           // the whole text, or its start when prefix
    bool prefix;
    const char* database;      // "system.txt" afterwards; null: as before the run
  } rows[] = {
      {"no database", [](const program_run& r) { std::filesystem::remove(r.at("system.txt")); }, "", "lib/file/open",
       false, "<missing>"},
      {"an empty database", [](const program_run& r) { r.file("system.txt", ""); }, "",
       "lib/detail/xml/parse: parsing failure", false, nullptr},
      {"an unclosed root", [](const program_run& r) { r.file("system.txt", "<root>"); }, "",
       "lib/detail/xml/parse: parsing failure", false, nullptr},
      {"a tag without path",
       [](const program_run& r) { r.file("system.txt", "<root><tag><value>a</value></tag></root>"); }, "",
       "lib/xml/child", false, nullptr},
      {"no root folder, with links below it",
       [](const program_run& r) {
         std::filesystem::remove_all(r.at("root"));
         r.file("system.txt", "<root><tag><value>a</value><path><value>" + r.at("root") +
                                  "/x</value></path></tag></root>");
       },
       "", "directory doen't exist.", false, nullptr},
      {"no script file", [](const program_run& r) { std::filesystem::remove(r.at("extension.hpp")); }, "",
       "plang/semantic/semantic(67) plang::semantic<wchar_t>::compile_file: include failure, path=extension.hpp",
       false, nullptr},
      {"no main, Enter on a file",
       [](const program_run& r) {
         r.file("extension.hpp", "int unused = 1;\n");
         r.file("root/a.txt", "text");
         r.file("system.txt", "<root><tag><value>t</value><path><value>" + r.at("root") +
                                  "</value></path></tag></root>");
       },
       "press 28\nframes 1\n", "Unable to find key in unordered_map.", false, nullptr},
      {"a main recursing without end",
       [](const program_run& r) {
         r.file("extension.hpp", "int f(int n) { return f(n + 1); }\nprocess main(string path) { f(0); }\n");
         r.file("root/a.txt", "text");
       },
       "press 28\nframes 1\n", call_depth + "id=f, v[0]=int(", true, nullptr},
  };
  for (const row& r : rows) {
    program_run run;
    r.prepare(run);
    const std::string before = run.bytes("system.txt");
    EXPECT_EQ(run.run(r.scenario), 255) << r.what << "\n" << run.standard_error();
    const std::string log = run.bytes("log.txt");
    if (r.prefix)
      EXPECT_EQ(log.substr(0, r.log.size()), r.log) << r.what << ": " << log;
    else
      EXPECT_EQ(log, r.log) << r.what;
    EXPECT_EQ(run.opened(), (std::vector<std::string>{run.at("log.txt")})) << r.what;
    EXPECT_EQ(run.bytes("system.txt"), r.database ? std::string(r.database) : before) << r.what;
  }
}

TEST(CrashRun, AScriptErrorInMainGivesTheInterpretersText) {
  program_run run;
  run.file("extension.hpp", "process main(string path) { using::open(path, path, path); }\n");
  run.file("root/a.txt", "text");
  EXPECT_EQ(run.run("press 28\nframes 1\n"), 255) << run.standard_error();
  const std::string log = run.bytes("log.txt");
  EXPECT_NE(log.find("tool::zentil::shared::open: invalid arguments"), std::string::npos) << log;
  EXPECT_EQ(run.opened(), (std::vector<std::string>{run.at("log.txt")}));
  EXPECT_EQ(run.bytes("system.txt"), "<root></root>");
}

// "Add" on the folder "a" (the first row) with the tag "photos", then Enter
// on the file "b.txt" below it, whose script fails; fault: a step before the
// Enter.
std::string add_then_enter(const std::string& fault = "") {
  return "click 182 30\ntype photos\\n\nframes 2\nclick 92 30\nframes 1\npress 208\nframes 1\n" + fault +
         "press 28\nframes 1\n";
}

void tagged_then_failing(const program_run& run) {
  run.folder("root/a");
  run.file("root/b.txt", "text");
  run.file("extension.hpp", "process main(string path) { using::open(path, path, path); }\n");
}

TEST(CrashRun, AnErrorAfterTheStoreChangedSavesItBeforeTheLog) {
  program_run run;
  tagged_then_failing(run);
  EXPECT_EQ(run.run(add_then_enter()), 255) << run.standard_error();
  const std::string log = run.bytes("log.txt");
  EXPECT_NE(log.find("tool::zentil::shared::open: invalid arguments"), std::string::npos) << log;
  EXPECT_EQ(log.find("save_tag_database"), std::string::npos) << log;
  EXPECT_EQ(run.opened(), (std::vector<std::string>{run.at("log.txt")}));
  EXPECT_EQ(run.bytes("system.txt"), "<root>\r\n\t<tag>\r\n\t\t<value>photos</value>\r\n\t\t<path>\r\n\t\t\t<value>" +
                                         run.at("root") + "/a</value>\r\n\t\t</path>\r\n\t</tag>\r\n</root>");
}

TEST(CrashRun, WhenThatSaveFailsTooItsTextFollowsTheErrorsAndTheOldDatabaseStays) {
  program_run run;
  tagged_then_failing(run);
  EXPECT_EQ(run.run(add_then_enter("fail-save 5\n")), 255) << run.standard_error();
  const std::string log = run.bytes("log.txt");
  const std::string tail = "invalid arguments\ntool/zentil/shared/save_tag_database";
  ASSERT_GE(log.size(), tail.size()) << log;
  EXPECT_EQ(log.substr(log.size() - tail.size()), tail) << log;
  EXPECT_EQ(run.bytes("system.txt"), "<root></root>");
  EXPECT_EQ(run.listing(), (std::vector<std::string>{"extension.hpp", "log.txt", "root", "system.txt"}));
}

TEST(CrashRun, ALogThatCannotBeWrittenGoesToStandardErrorWithoutTheOpener) {
  program_run run;
  std::filesystem::remove(run.at("system.txt"));
  run.folder("log.txt/in the way");
  EXPECT_EQ(run.run(""), 255);
  EXPECT_EQ(run.standard_error(), "lib/file/open\n");
  EXPECT_TRUE(run.opened(0).empty());
}

TEST(CrashRun, ASaveThatFailsAtTheNormalEndIsACrashWithTheOldDatabaseKept) {
  program_run run;
  run.folder("root/x");
  const std::string database =
      "<root><tag><value>a</value><path><value>" + run.at("root") + "/x</value></path></tag></root>";
  run.file("system.txt", database);
  EXPECT_EQ(run.run("fail-save 5\n"), 255) << run.standard_error();
  EXPECT_EQ(run.bytes("log.txt"), "tool/zentil/shared/save_tag_database");
  EXPECT_EQ(run.opened(), (std::vector<std::string>{run.at("log.txt")}));
  EXPECT_EQ(run.bytes("system.txt"), database);
  EXPECT_EQ(run.listing(), (std::vector<std::string>{"extension.hpp", "log.txt", "root", "system.txt"}));
}

}  // namespace
