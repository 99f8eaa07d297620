// Process start and the scheduling pass, driven by test statements that log
// tags: order within a pass, processes started during a pass, the errors a
// process step raises and the failures of process start.
#include <gtest/gtest.h>

#include <stdexcept>

#include <boost/make_shared.hpp>

#include "plang/exception.hpp"
#include "plang/factor/boolean.hpp"
#include "plang/factor/nil.hpp"
#include "plang/interpreter.hpp"
#include "plang/nlookup.hpp"
#include "plang/nspace.hpp"
#include "plang/process.hpp"
#include "plang/signal.hpp"
#include "plang/factor/typeid_anchor.hpp"
#include "tests/plang/script_nodes.hpp"

namespace {

using namespace plang::test;
using plang::handle;
using plang::nspace;

handle boolean(bool v) { return boost::make_shared<plang::boolean>(v); }

class scheduler : public ::testing::Test {
 protected:
  nspace& root() { return engine.root(); }

  // Defines a process without parameters in `ns` and returns its pid.
  std::uint32_t define(nspace& ns, const std::wstring& name, const statement& body,
                       const plang::table::parameter_list& parameters = {}) {
    const std::uint32_t pid = ns.ids().get_p(name);
    plang::table::process::define(parameters, ns.process_definitions(), pid, body);
    return pid;
  }

  void start(const std::wstring& name) { engine.start_named_process(name, {}); }

  // Runs passes until the list is empty; the number of passes.
  int run_all() {
    int passes = 0;
    while (!root().processes().empty()) {
      root().schedule_round();
      ++passes;
    }
    return passes;
  }

  plang::interpreter engine;
  trace out;
};

TEST_F(scheduler, a_body_of_n_statements_takes_n_passes) {
  define(root(), L"w", make_block({make_tag(out, "1"), make_tag(out, "2"), make_tag(out, "3")}));
  start(L"w");
  root().schedule_round();
  root().schedule_round();
  EXPECT_EQ(out, (trace{"1", "2"}));
  EXPECT_EQ(root().processes().size(), 1u);
  root().schedule_round();  // runs the last statement and removes the process
  EXPECT_EQ(out, (trace{"1", "2", "3"}));
  EXPECT_TRUE(root().processes().empty());
}

TEST_F(scheduler, an_empty_block_finishes_and_is_removed_in_its_first_pass) {
  define(root(), L"w", make_block({}));
  start(L"w");
  ASSERT_EQ(root().processes().size(), 1u);
  root().schedule_round();
  EXPECT_TRUE(root().processes().empty());
}

TEST_F(scheduler, processes_started_during_a_pass_run_in_it_after_the_others) {
  const std::uint32_t child = define(root(), L"child", make_block({make_tag(out, "c1"), make_tag(out, "c2")}));
  define(root(), L"parent",
         make_block({make_action([&](plang::runtime* rt) {
                       out.push_back("p1");
                       rt->space->start_process(child, {});
                     }),
                     make_tag(out, "p2")}));
  define(root(), L"other", make_block({make_tag(out, "o1"), make_tag(out, "o2")}));
  start(L"parent");
  start(L"other");
  root().schedule_round();
  EXPECT_EQ(out, (trace{"p1", "o1", "c1"}));

  start(L"other");  // by the host, between passes: first stepped in the next pass
  EXPECT_EQ(out.size(), 3u);
  root().schedule_round();
  EXPECT_EQ(out, (trace{"p1", "o1", "c1", "p2", "o2", "c2", "o1"}));
  EXPECT_EQ(run_all(), 1);
  EXPECT_EQ(out.back(), "o2");
}

TEST_F(scheduler, a_lone_process_that_starts_another_or_fails_keeps_the_list_as_a_pass_of_many) {
  // A single process is stepped without the pass's loop: a process it
  // starts still runs in the same pass, also when the starter finishes in
  // it, and a failure leaves it in the list.
  const std::uint32_t child = define(root(), L"child", make_block({make_tag(out, "c1"), make_tag(out, "c2")}));
  define(root(), L"last", make_block({make_tag(out, "l1"), make_action([&](plang::runtime* rt) {
                                        out.push_back("l2");
                                        rt->space->start_process(child, {});
                                      })}));
  start(L"last");
  root().schedule_round();
  root().schedule_round();
  EXPECT_EQ(out, (trace{"l1", "l2", "c1"}));
  ASSERT_EQ(root().processes().size(), 1u);
  EXPECT_EQ(root().processes()[0]->pid(), child);
  EXPECT_EQ(run_all(), 1);
  EXPECT_EQ(out.back(), "c2");

  const std::uint32_t bad =
      define(root(), L"bad", make_block({make_action([](plang::runtime*) { throw plang::exception("f", "boom", "g", 7); })}));
  start(L"bad");
  EXPECT_THROW(root().schedule_round(), plang::exception);
  ASSERT_EQ(root().processes().size(), 1u);
  EXPECT_EQ(root().processes()[0]->pid(), bad);
}

TEST_F(scheduler, a_process_started_and_finished_in_one_pass_leaves_no_gap) {
  // Processes that finish in the middle of the list are erased in place; the
  // rest keep their order.
  define(root(), L"one", make_block({make_tag(out, "one")}));
  define(root(), L"two", make_block({make_tag(out, "two-a"), make_tag(out, "two-b")}));
  for (int i = 0; i < 3; ++i) {
    start(L"one");
    start(L"two");
  }
  root().schedule_round();
  ASSERT_EQ(root().processes().size(), 3u);
  for (const auto& p : root().processes()) EXPECT_EQ(p->pid(), root().ids().find(L"p?two"));
  root().schedule_round();
  EXPECT_EQ(out, (trace{"one", "two-a", "one", "two-a", "one", "two-a", "two-b", "two-b", "two-b"}));
  EXPECT_TRUE(root().processes().empty());
}

TEST_F(scheduler, processes_of_one_definition_share_a_pid_and_nothing_else) {
  // Each declares "n" in its own body scope: a shared scope would refuse the
  // second declaration.
  const std::uint32_t pid =
      define(root(), L"w",
             make_block({make_action([&](plang::runtime* rt) { rt->variables->declare(L"n", boolean(false)); }),
                         make_action([&](plang::runtime* rt) {
                           const handle& n = plang::nlookup::find_variable(rt->variables, L"n");
                           n->operator=(boolean(!n->operator bool()));
                           out.push_back(n->describe());
                         })}));
  start(L"w");
  start(L"w");
  EXPECT_EQ(run_all(), 2);
  EXPECT_EQ(out, (trace{"bool(1)", "bool(1)"}));
  EXPECT_NE(pid, 0u);
}

TEST_F(scheduler, a_process_sees_the_root_variables_but_not_its_starters_locals) {
  root().variables().declare(L"g", boolean(true));
  const std::uint32_t child = define(root(), L"child", make_block({make_action([&](plang::runtime* rt) {
                                       out.push_back(plang::nlookup::find_variable(rt->variables, L"g")->describe());
                                       try {
                                         plang::nlookup::find_variable(rt->variables, L"secret");
                                       } catch (const plang::exception& e) {
                                         out.push_back(e.what());
                                       }
                                     })}));
  define(root(), L"parent",
         make_block({make_action([&](plang::runtime* rt) {
                       rt->variables->declare(L"secret", boolean(false));
                       rt->space->start_process(child, {});
                     }),
                     make_tag(out, "parent")}));
  start(L"parent");
  run_all();
  EXPECT_EQ(out, (trace{"bool(1)",
                        "plang/nlookup(28) plang::nlookup<wchar_t>::find_variable: reffer to undefined id, id=secret",
                        "parent"}));
}

// What leaves a process step, and the text it becomes.
struct escape_case {
  const char* name;
  std::function<void()> raise;
  const char* expected;
};

TEST_F(scheduler, signals_leaving_a_body_become_errors_and_stop_the_pass) {
  const escape_case cases[] = {
      {"return", [] { throw plang::sig_return(boost::make_shared<plang::boolean>(true)); },
       "plang/process(34) plang::process<wchar_t>::run: catch unexpected return bool(1)"},
      {"throw", [] { throw plang::sig_throw(plang::make_nil()); },
       "plang/process(37) plang::process<wchar_t>::run: catch unexpected throw nil()"},
      {"break", [] { throw plang::sig_break(); },
       "plang/process(40) plang::process<wchar_t>::run: catch unexpected break"},
      {"continue", [] { throw plang::sig_continue(); },
       "plang/process(43) plang::process<wchar_t>::run: catch unexpected continue"},
      {"error", [] { throw plang::exception("f", "boom", "g", 7); }, "f(7) g: boom"},
      {"standard", [] { throw std::runtime_error("boom"); }, "boom"},
  };
  for (const escape_case& c : cases) {
    SCOPED_TRACE(c.name);
    plang::interpreter fresh;
    nspace& r = fresh.root();
    trace seen;
    const std::uint32_t before =
        define(r, L"before", make_block({make_tag(seen, "before-1"), make_tag(seen, "before-2")}));
    const std::uint32_t bad = define(r, L"bad", make_block({make_action([&](plang::runtime*) { c.raise(); })}));
    const std::uint32_t after = define(r, L"after", make_block({make_tag(seen, "after")}));
    fresh.start_named_process(L"before", {});
    fresh.start_named_process(L"bad", {});
    fresh.start_named_process(L"after", {});
    try {
      r.schedule_round();
      ADD_FAILURE() << "nothing raised";
    } catch (const std::exception& e) {
      EXPECT_STREQ(e.what(), c.expected);
    }
    EXPECT_EQ(seen, (trace{"before-1"}));  // the pass stopped at the failing process
    ASSERT_EQ(r.processes().size(), 3u);
    EXPECT_EQ(r.processes()[0]->pid(), before);
    EXPECT_EQ(r.processes()[1]->pid(), bad);
    EXPECT_EQ(r.processes()[2]->pid(), after);
  }
}

TEST_F(scheduler, an_error_after_finished_processes_keeps_the_list_compact) {
  define(root(), L"done", make_block({make_tag(out, "done")}));
  define(root(), L"bad", make_block({make_action([](plang::runtime*) { throw std::runtime_error("x"); })}));
  define(root(), L"after", make_block({make_tag(out, "after")}));
  start(L"done");
  start(L"bad");
  start(L"after");
  EXPECT_THROW(root().schedule_round(), std::runtime_error);
  ASSERT_EQ(root().processes().size(), 2u);
  EXPECT_EQ(root().processes()[0]->pid(), root().ids().find(L"p?bad"));
  EXPECT_EQ(root().processes()[1]->pid(), root().ids().find(L"p?after"));
}

constexpr char start_failure[] =
    "plang/nspace(122) plang::nspace<wchar_t,class plang::process<wchar_t> >::start_process: fail to start process";
constexpr char undefined_w[] =
    "plang/nspace(112) plang::nspace<wchar_t,class plang::process<wchar_t> >::process_definition: undefined process "
    "id, pid=p?w v[0]=bool(1)";

TEST_F(scheduler, arguments_that_match_no_definition_fail_to_start) {
  const std::uint32_t pid = define(root(), L"w", make_block({}), {{false, plang::typeid_anchor::nil, L"x"}});
  try {
    root().start_process(pid, {boolean(true)});
    FAIL() << "started";
  } catch (const plang::exception& e) {
    EXPECT_EQ(std::string(e.what()), std::string(start_failure) + "\n>\t" + undefined_w);
  }
  EXPECT_TRUE(root().processes().empty());
  // The matching signature starts it.
  root().start_process(pid, {plang::make_nil()});
  EXPECT_EQ(root().processes().size(), 1u);
}

TEST_F(scheduler, an_inner_namespace_searches_outwards_and_wraps_the_outer_failure) {
  nspace inner(&root());
  const std::uint32_t pid = define(root(), L"w", make_block({make_tag(out, "w")}));
  inner.start_process(pid, {});  // found in the root, appended to the shared list
  ASSERT_EQ(root().processes().size(), 1u);
  root().schedule_round();
  EXPECT_EQ(out, (trace{"w"}));
  try {
    inner.start_process(pid, {boolean(true)});
    FAIL() << "started";
  } catch (const plang::exception& e) {
    EXPECT_EQ(std::string(e.what()),
              std::string(start_failure) +
                  "\n>\tplang/nspace(110) plang::nspace<wchar_t,class plang::process<wchar_t> >::process_definition: "
                  "catch exception, pid=p?w v[0]=bool(1)\n>\t" +
                  undefined_w);
  }
}

TEST_F(scheduler, an_inner_definition_runs_with_the_inner_variables_outside_it) {
  nspace inner(&root());
  inner.variables().declare(L"member", boolean(true));
  const std::uint32_t pid = define(inner, L"w", make_block({make_action([&](plang::runtime* rt) {
                                     out.push_back(plang::nlookup::find_variable(rt->variables, L"member")->describe());
                                     out.push_back(rt->space == &root() ? "root" : "inner");
                                   })}));
  inner.start_process(pid, {});
  run_all();
  // The activation's outer table is the defining namespace's variables; the
  // process itself runs in the root.
  EXPECT_EQ(out, (trace{"bool(1)", "root"}));
}

TEST_F(scheduler, an_unknown_process_name_throws_out_of_range_unwrapped) {
  try {
    engine.start_named_process(L"nothing", {});
    FAIL() << "started";
  } catch (const std::out_of_range& e) {
    EXPECT_STREQ(e.what(), "Unable to find key in unordered_map.");
  }
}

TEST_F(scheduler, a_second_definition_of_one_signature_is_refused) {
  const plang::table::parameter_list params = {{false, plang::typeid_anchor::boolean, L"a"},
                                               {true, plang::typeid_anchor::nil, L"b"}};
  define(root(), L"w", make_block({make_tag(out, "first")}), params);
  const std::uint32_t pid = root().ids().find(L"p?w");
  try {
    plang::table::process::define(params, root().process_definitions(), pid, make_block({}));
    FAIL() << "defined twice";
  } catch (const plang::exception& e) {
    EXPECT_EQ(std::string(e.what()),
              "plang/table/process(23) plang::table::process<wchar_t,class plang::control<wchar_t,class "
              "plang::runtime<wchar_t,class plang::nspace<wchar_t,class plang::process<wchar_t> > > > >::define: "
              "overwrite process definition, pid=" +
                  std::to_string(pid) + " arguments(type(4294967041) a, type(4294967051) b)");
  }
  root().start_process(pid, {boolean(true), plang::make_nil()});
  run_all();
  EXPECT_EQ(out, (trace{"first"}));
}

TEST(interpreter, releases_class_objects_that_share_the_registry_holding_them) {
  // A class object holds the registry that holds it; the leak checker of the
  // sanitizer build reports the cycle if destruction does not break it.
  plang::interpreter engine;
  auto object = boost::make_shared<nspace>(&engine.root(), L"A");
  object->variables().declare(L"m", boolean(true));
  EXPECT_EQ(&object->classes(), &engine.root().classes());
  EXPECT_EQ(&object->processes(), &engine.root().processes());
  EXPECT_EQ(&object->ids(), &engine.root().ids());
  EXPECT_NE(&object->process_definitions(), &engine.root().process_definitions());
  EXPECT_EQ(object->variables().outer(), &engine.root().variables());
  engine.root().classes().emplace(1u, std::move(object));
}

}  // namespace
