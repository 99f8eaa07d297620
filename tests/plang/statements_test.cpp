// Statement nodes: steps per statement kind, handler choice of try
// statements, and the control signals through loops, tries and calls.
#include "plang/expression/statements.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include <boost/make_shared.hpp>

#include "plang/expression/calls.hpp"
#include "plang/expression/declare.hpp"
#include "plang/expression/operators.hpp"
#include "plang/factor/signed_.hpp"
#include "plang/factor/string_.hpp"
#include "plang/nlookup.hpp"
#include "plang/nspace.hpp"
#include "plang/scope.hpp"
#include "plang/signal.hpp"
#include "script_nodes.hpp"

namespace {

namespace anchor = plang::typeid_anchor;
using plang::control_handle;
using plang::expression_handle;
using plang::handle;
using plang::test::make_action;
using plang::test::make_tag;
using plang::test::trace;

expression_handle num(int v) { return boost::make_shared<plang::e_constant<plang::signed_<int>, int>>(v); }
expression_handle text(const wchar_t* t) {
  return boost::make_shared<plang::e_constant<plang::string_<wchar_t>, std::wstring>>(t);
}
expression_handle var(const wchar_t* name) { return boost::make_shared<plang::e_variable>(name); }
expression_handle lt(expression_handle a, expression_handle b) {
  return boost::make_shared<plang::e_lt>(std::move(a), std::move(b));
}
expression_handle incr(expression_handle a) { return boost::make_shared<plang::e_preincr>(std::move(a)); }
control_handle single(expression_handle e) { return boost::make_shared<plang::c_single>(std::move(e)); }
control_handle block(plang::control_list s) { return boost::make_shared<plang::c_compound>(std::move(s)); }
control_handle loop(expression_handle c, control_handle body) {
  return boost::make_shared<plang::c_while>(std::move(c), std::move(body));
}

// A root namespace with an int variable i = 0 and a trace.
struct statements : ::testing::Test {
  statements() { root.variables().declare(L"i", boost::make_shared<plang::signed_<int>>(0)); }

  int i() { return root.variables().find(L"i")->get()->operator int(); }

  // Steps a fresh scope over the statement until it is empty.
  int steps(const control_handle& statement) {
    plang::scope s(&root.variables(), statement);
    plang::runtime rt{&root.variables(), &root};
    int n = 1;
    while (s.step(&rt)) ++n;
    return n;
  }

  plang::nspace root;
  trace log;
};

TEST_F(statements, steps_per_statement_kind) {
  const control_handle tag = make_tag(log, "t");
  struct row {
    const char* name;
    std::function<control_handle()> make;
    int steps;
  };
  const row rows[] = {
      {"expression", [&] { return single(num(1)); }, 1},
      {"empty", [&] { return boost::make_shared<plang::c_empty>(); }, 1},
      {"empty block", [&] { return block({}); }, 1},
      {"block of three", [&] { return block({tag, tag, tag}); }, 3},
      {"nested blocks end together", [&] { return block({tag, block({tag, block({tag})})}); }, 3},
      {"if true", [&] { return boost::make_shared<plang::c_if>(num(1), block({tag, tag})); }, 3},
      {"if false", [&] { return boost::make_shared<plang::c_if>(num(0), block({tag, tag})); }, 1},
      {"if else", [&] { return boost::make_shared<plang::c_if_else>(num(0), tag, block({tag, tag})); }, 3},
      {"while true twice", [&] { return loop(lt(var(L"i"), num(2)), single(incr(var(L"i")))); }, 5},
      {"while false", [&] { return loop(num(0), tag); }, 1},
      {"break in the first step", [&] { return loop(num(1), boost::make_shared<plang::c_break>()); }, 2},
      {"try body", [&] { return boost::make_shared<plang::c_except>(block({tag, tag}), plang::table::except()); }, 2},
      {"continue skips the rest",
       [&] {
         return loop(lt(var(L"i"), num(2)),
                     block({single(incr(var(L"i"))), block({boost::make_shared<plang::c_continue>()}), tag}));
       },
       7},
  };
  for (const row& r : rows) {
    root.variables().find(L"i")->get()->operator=(boost::make_shared<plang::signed_<int>>(0));
    log.clear();
    EXPECT_EQ(steps(r.make()), r.steps) << r.name;
  }
  EXPECT_TRUE(log.empty());  // the last row: continue dropped the rest of the body
}

TEST_F(statements, an_inline_statement_takes_one_step_before_its_body) {
  root.inlines();  // the inline table of the current namespace
  plang::table::inline_::define({}, root.inlines(), L"f", block({make_tag(log, "a"), make_tag(log, "b")}));
  EXPECT_EQ(steps(boost::make_shared<plang::c_inline>(L"f", plang::expression_list{})), 3);
  EXPECT_EQ(log, (trace{"a", "b"}));
}

// A try statement with an int handler (parameter "a") and a catch-all; each
// handler reports what its scope holds.
struct try_statement : statements {
  control_handle make(control_handle body) {
    plang::table::except handlers;
    handlers.define({{false, anchor::signed_int, L"a"}}, make_action([this](plang::runtime* rt) {
                      log.push_back("int " + std::to_string(rt->variables->find(L"a")->get()->operator int()));
                    }));
    handlers.define({}, make_action([this](plang::runtime* rt) {
                      log.push_back("all, " + std::to_string(rt->variables->size()) + " variables");
                    }));
    return boost::make_shared<plang::c_except>(std::move(body), std::move(handlers));
  }
  control_handle throws(expression_handle e) { return boost::make_shared<plang::c_throw>(std::move(e)); }
};

TEST_F(try_statement, a_throw_selects_the_handler_of_its_exact_typeid) {
  EXPECT_EQ(steps(make(block({throws(num(7))}))), 2);  // the throwing step creates the handler scope
  EXPECT_EQ(steps(make(block({throws(text(L"x"))}))), 2);
  EXPECT_EQ(log, (trace{"int 7", "all, 0 variables"}));
}

TEST_F(try_statement, a_throw_without_a_handler_goes_on_with_the_same_value) {
  plang::table::except handlers;
  handlers.define({{false, anchor::string, L"s"}}, make_tag(log, "string"));
  const handle thrown = boost::make_shared<plang::signed_<int>>(3);
  const control_handle inner = boost::make_shared<plang::c_except>(
      make_action([&](plang::runtime*) { throw plang::sig_throw(thrown); }), std::move(handlers));
  plang::factor* caught = nullptr;
  try {
    steps(inner);
  } catch (const plang::sig_throw& s) {
    caught = s.value.get();
  }
  EXPECT_EQ(caught, thrown.get());
  EXPECT_EQ(steps(make(block({inner}))), 2);  // the outer try catches it
  EXPECT_EQ(log, (trace{"int 3"}));
}

TEST_F(try_statement, a_throw_inside_a_handler_leaves_its_own_try) {
  plang::table::except handlers;
  handlers.define({}, throws(text(L"again")));
  const control_handle t = boost::make_shared<plang::c_except>(throws(num(1)), std::move(handlers));
  std::string caught;
  try {
    steps(t);
  } catch (const plang::sig_throw& s) {
    caught = s.value->describe();
  }
  EXPECT_EQ(caught, "string(again)");
}

TEST_F(try_statement, return_break_and_continue_pass_through) {
  const char* passed = "";
  const auto run = [&](control_handle body) {
    passed = "nothing";
    try {
      steps(make(std::move(body)));
    } catch (const plang::sig_return&) {
      passed = "return";
    } catch (const plang::sig_break&) {
      passed = "break";
    } catch (const plang::sig_continue&) {
      passed = "continue";
    }
  };
  run(boost::make_shared<plang::c_return>(num(1)));
  EXPECT_STREQ(passed, "return");
  run(boost::make_shared<plang::c_break>());
  EXPECT_STREQ(passed, "break");
  run(boost::make_shared<plang::c_continue>());
  EXPECT_STREQ(passed, "continue");
  EXPECT_TRUE(log.empty());
}

TEST_F(statements, break_ends_the_innermost_loop_only) {
  // while (i < 3) { ++i; while (1) { break; } }
  const control_handle inner = loop(num(1), boost::make_shared<plang::c_break>());
  steps(loop(lt(var(L"i"), num(3)), block({single(incr(var(L"i"))), inner})));
  EXPECT_EQ(i(), 3);
}

TEST_F(statements, continue_drops_the_body_scope_and_its_variables) {
  // while (i < 2) { ++i; int x(1); { continue; } }: x is declared afresh each time
  const expression_handle declare_x =
      boost::make_shared<plang::e_constructor>(L"x", anchor::signed_int, plang::expression_list{num(1)});
  steps(loop(lt(var(L"i"), num(2)),
             block({single(incr(var(L"i"))), single(declare_x), block({boost::make_shared<plang::c_continue>()})})));
  EXPECT_EQ(i(), 2);
}

TEST_F(statements, a_break_in_a_called_function_ends_the_callers_loop) {
  plang::table::function::define({}, anchor::nil, root.functions(), L"stop",
                                 block({boost::make_shared<plang::c_break>()}));
  // while (1) { ++i; stop(); }
  const int n = steps(loop(num(1), block({single(incr(var(L"i"))),
                                           single(boost::make_shared<plang::e_function>(
                                               L"stop", plang::expression_list{}))})));
  EXPECT_EQ(n, 3);
  EXPECT_EQ(i(), 1);
  // The call's depth count was released on the way out.
  plang::table::function::define({{false, anchor::signed_int, L"n"}}, anchor::signed_int, root.functions(), L"f",
                                 boost::make_shared<plang::c_return>(var(L"n")));
  handle r;
  for (unsigned k = 0; k < plang::nspace::max_call_depth + 10; ++k)
    EXPECT_NO_THROW(root.call_function(r, L"f", {boost::make_shared<plang::signed_<int>>(1)}));
}

TEST_F(statements, a_started_process_declares_its_handle_in_the_block) {
  const std::uint32_t pid = root.ids().get_p(L"p");
  plang::table::process::define({}, root.process_definitions(), pid, block({}));
  const control_handle start = boost::make_shared<plang::c_start_p>(pid, L"h", plang::expression_list{});
  std::string error;
  try {
    steps(block({start, start}));
  } catch (const plang::exception& e) {
    error = e.what();
  }
  EXPECT_EQ(error.rfind("plang/table/variable(22) plang::table::variable<wchar_t>::declare: variable already exists, "
                        "id=h value=",
                        0),
            0u)
      << error;
  EXPECT_EQ(root.processes().size(), 2u);
}

}  // namespace
