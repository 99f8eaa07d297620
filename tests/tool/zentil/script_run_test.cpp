// The host function "open" and the run of the script process "main": what
// the shell is asked, the errors a script gets and gives, deep recursion run
// from nested screens, and a script that never ends ended by a close.
#include "tool/zentil/shared.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

#include "app_fixture.hpp"
#include "media/core/window_services.hpp"
#include "plang/exception.hpp"
#include "plang/factor/nil.hpp"
#include "tool/zentil/gprocess.hpp"

namespace {

using opened = support::recording_shell::opened;

class ScriptRun : public zentil_test::app_test {
 protected:
  // Builds the object on the script and adds the test's own host function
  // 'using::report(...)', which records the describe texts of its arguments.
  void build_with_report(const std::string& script) {
    build(script);
    app->interpreter.root().natives().define(L"report", [this](plang::factor::vector& args) {
      std::string line;
      for (const plang::handle& v : args) line += (line.empty() ? "" : ", ") + v->describe();
      reports.push_back(line);
      return plang::make_nil();
    });
  }

  // The text of the error run_main ends with; empty when it returns.
  std::string run(const std::wstring& path) {
    try {
      app->run_main(path);
    } catch (const plang::exception& e) {
      return e.what();
    } catch (const std::exception& e) {
      return std::string("not a plang::exception: ") + e.what();
    }
    return {};
  }

  std::vector<std::string> reports;

  // The window is closed while a screen's update runs a script that never
  // ends: the run looks at the messages after a second, stops stepping, and
  // the frame loop ends; the unfinished process stays until the object goes.
  // The exit code: 0 when all of that held.
  int close_while_looping();
};

void expect_opens(const std::vector<opened>& got, const std::vector<opened>& expected) {
  ASSERT_EQ(got.size(), expected.size());
  for (std::size_t i = 0; i < got.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(got[i].verb, expected[i].verb);
    EXPECT_EQ(got[i].file, expected[i].file);
    EXPECT_EQ(got[i].parameters, expected[i].parameters);
    EXPECT_EQ(got[i].show, expected[i].show);
  }
}

const std::string wrapped_open =
    "plang/nspace(168) plang::nspace<wchar_t,class plang::process<wchar_t> >::call_native: catch exception, id=open, ";
const std::string invalid_arguments = "\n>\tsrc/tool/zentil/shared(42) tool::zentil::shared::open: invalid arguments";

TEST_F(ScriptRun, OpenCalls) {
  struct row {
    const char* name;
    std::string main_body;
    std::vector<opened> opens;
    std::vector<std::string> reports;
    std::string error;
  };
  const std::vector<row> rows = {
      {"one argument", "using::report(using::open(path));", {{L"", L"/x/y", L"", 5}}, {"nil()"}, ""},
      {"two arguments", R"(using::open(path, "-n \"a b\"");)", {{L"", L"/x/y", L"-n \"a b\"", 5}}, {}, ""},
      {"a number", "using::open(42);", {{L"", L"42", L"", 5}}, {}, ""},
      {"a new nil each call", "using::report(using::open(path), using::open(\"/z\"));",
       {{L"", L"/x/y", L"", 5}, {L"", L"/z", L"", 5}}, {"nil(), nil()"}, ""},
      {"no argument", "using::open();", {}, {}, wrapped_open + "v=0" + invalid_arguments},
      {"three arguments", R"(using::open(path, "a", "b");)", {}, {},
       wrapped_open + "v[0]=string(/x/y), v[1]=string(a), v[2]=string(b)" + invalid_arguments},
      // a host function's error is no script exception: a try does not catch it
      {"inside a try", R"(try { using::open(); } catch () { using::report("caught"); })", {}, {},
       wrapped_open + "v=0" + invalid_arguments},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.name);
    shell.opens.clear();
    reports.clear();
    app.reset();
    build_with_report("process main(string path) { " + r.main_body + " }\n");
    EXPECT_EQ(run(L"/x/y"), r.error);
    expect_opens(shell.opens, r.opens);
    EXPECT_EQ(reports, r.reports);
  }
}

TEST_F(ScriptRun, StepsEveryProcessMainStartsBeforeReturning) {
  build(R"(process helper(string p) { int i = 0; while (i < 3) i += 1; using::open(p); }
           process main(string path) { using::open(path); process::helper a("/a"); process::helper b("/b"); })");
  EXPECT_EQ(run(L"/m"), "");
  expect_opens(shell.opens, {{L"", L"/m", L"", 5}, {L"", L"/a", L"", 5}, {L"", L"/b", L"", 5}});
  EXPECT_TRUE(app->interpreter.root().processes().empty());
}

TEST_F(ScriptRun, ErrorsLeaveRunMain) {
  struct row {
    const char* name;
    std::string script;
    std::string error;
    bool prefix;
  };
  const row rows[] = {
      {"no main", "process mine(string path) { }\n", "not a plang::exception: Unable to find key in unordered_map.",
       false},
      {"main taking no string", "process main(int n) { }\n",
       "plang/nspace(122) plang::nspace<wchar_t,class plang::process<wchar_t> >::start_process: fail to start process",
       true},
      {"an error the script does not catch", "process main(string path) { using::nothing(path); }\n",
       "plang/nspace(168) plang::nspace<wchar_t,class plang::process<wchar_t> >::call_native: catch exception, "
       "id=nothing, v[0]=string(/p)\n>\tUnable to find key in unordered_map.",
       false},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.name);
    app.reset();
    build(r.script);
    const std::string got = run(L"/p");
    if (r.prefix)
      EXPECT_EQ(got.substr(0, r.error.size()), r.error) << got;
    else
      EXPECT_EQ(got, r.error);
    EXPECT_TRUE(shell.opens.empty());
  }
}

void push_close() {
  platform::os_event close;
  close.kind = platform::event_kind::close;
  platform::headless::push_event(close);
}

// A screen whose update runs `body` in its first frame; it finishes then,
// or never (its loop ends only when the window closes).
class screen : public tool::gprocess {
 public:
  explicit screen(std::function<void()> body, bool finish = true) : body_(std::move(body)), finish_(finish) {}
  void draw() override { ++draws; }
  void update() override {
    if (++updates == 1) body_();
    if (finish_) flags |= finished;
  }
  int draws = 0, updates = 0;

 private:
  std::function<void()> body_;
  bool finish_;
};

int ScriptRun::close_while_looping() {
  platform::headless::set_clock_step(1);
  int start = 0;
  screen s([&] {
    push_close();
    start = GetTickMillis();
    app->run_main(L"/f");
  }, false);
  tool::gprocess::run(s);
  const bool waited = GetTickMillis() - start >= 1000;
  const bool one_frame = s.draws == 1 && s.updates == 1;
  const bool left = !app->interpreter.root().processes().empty();
  const bool opened = shell.opens.size() == 1;
  const bool closed = !ui::input::update();
  app.reset();
  return waited && one_frame && left && opened && closed ? 0 : 1;
}

// Endless recursion, the call three blocks deep, run from a frame update two
// screens deep: the depth error, never a stack overflow.
TEST_F(ScriptRun, EndlessRecursionFromNestedScreensEndsWithTheDepthError) {
  build(R"(int f(int n) { if (n > 0) { if (n > 0) { if (n > 0) { return f(n + 1); } } } return 0; }
           process main(string path) { f(1); })");
  screen inner([&] { app->run_main(L"/p"); });
  screen outer([&] { tool::gprocess::run(inner); });
  try {
    tool::gprocess::run(outer);
    ADD_FAILURE() << "no error";
  } catch (const plang::exception& e) {
    EXPECT_NE(std::string(e.what()).find("exceed max. depth of function call"), std::string::npos) << e.what();
  }
  EXPECT_EQ(outer.updates, 1);
  EXPECT_EQ(inner.updates, 1);
}

// A run longer than a second looks at the window's messages and, with no
// close among them, goes on to its end.
TEST_F(ScriptRun, LongRunWithoutCloseGoesToItsEnd) {
  build(R"(process main(string path) { int i = 0; while (i < 3000) i += 1; using::open(path); })");
  platform::headless::set_clock_step(1);
  const int start = GetTickMillis();
  EXPECT_EQ(run(L"/done"), "");
  platform::headless::set_clock_step(0);
  EXPECT_GT(GetTickMillis() - start, 1000);
  expect_opens(shell.opens, {{L"", L"/done", L"", 5}});
}

// A close ends every frame loop for good: this runs in a process of its own.
TEST_F(ScriptRun, CloseEndsAScriptThatNeverEnds) {
  build(R"(process main(string path) { using::open(path); int i = 0; while (true) { i += 1; } })");
  EXPECT_EXIT(std::exit(close_while_looping()), ::testing::ExitedWithCode(0), "");
}

}  // namespace
