// Expressions and calls: evaluation order, script function resolution and
// its errors, inline expansion, host functions and the call depth bound.
#include "plang/expression/calls.hpp"

#include <gtest/gtest.h>

#include <string>

#include <boost/make_shared.hpp>

#include "plang/expression/declare.hpp"
#include "plang/expression/operators.hpp"
#include "plang/expression/statements.hpp"
#include "plang/factor/boolean.hpp"
#include "plang/factor/nil.hpp"
#include "plang/factor/signed_.hpp"
#include "plang/factor/string_.hpp"
#include "plang/factor/unsigned_.hpp"
#include "plang/nlookup.hpp"
#include "plang/nspace.hpp"
#include "plang/scope.hpp"
#include "plang/signal.hpp"
#include "script_nodes.hpp"

namespace {

namespace anchor = plang::typeid_anchor;
using plang::control_handle;
using plang::expression_handle;
using plang::expression_list;
using plang::handle;
using plang::test::make_action;
using plang::test::make_traced;
using plang::test::trace;

const std::string call_function =
    ") plang::nspace<wchar_t,class plang::process<wchar_t> >::call_function: function id resolution failure, id=f, "
    "v=0";
const std::string missing_key = "Unable to find key in unordered_map.";

expression_handle num(int v) { return boost::make_shared<plang::e_constant<plang::signed_<int>, int>>(v); }
expression_handle flag(bool v) { return boost::make_shared<plang::e_constant<plang::boolean, bool>>(v); }
expression_handle text(const wchar_t* t) {
  return boost::make_shared<plang::e_constant<plang::string_<wchar_t>, std::wstring>>(t);
}
expression_handle var(const wchar_t* name) { return boost::make_shared<plang::e_variable>(name); }
expression_handle call(const wchar_t* name, expression_list args = {}) {
  return boost::make_shared<plang::e_function>(name, std::move(args));
}
control_handle returns(expression_handle e) { return boost::make_shared<plang::c_return>(std::move(e)); }
control_handle block(plang::control_list s) { return boost::make_shared<plang::c_compound>(std::move(s)); }
handle integer(int v) { return boost::make_shared<plang::signed_<int>>(v); }

struct calls : ::testing::Test {
  handle eval(const expression_handle& e, plang::nspace& space) {
    plang::runtime rt{&space.variables(), &space};
    handle result;
    e->evaluate(&rt, result);
    return result;
  }
  handle eval(const expression_handle& e) { return eval(e, root); }
  std::string error_of(const expression_handle& e, plang::nspace& space) {
    try {
      eval(e, space);
    } catch (const std::exception& x) {
      return x.what();
    }
    return "no error";
  }
  std::string error_of(const expression_handle& e) { return error_of(e, root); }

  plang::nspace root;
  trace log;
};

TEST_F(calls, operands_are_evaluated_in_their_fixed_order) {
  root.variables().declare(L"x", integer(1));
  // (a + b): left first; both sides of && and || always run
  eval(boost::make_shared<plang::e_add>(make_traced(log, "left", num(1)), make_traced(log, "right", num(2))));
  EXPECT_EQ(eval(boost::make_shared<plang::e_and>(make_traced(log, "and-l", flag(false)),
                                                  make_traced(log, "and-r", flag(true))))
                ->describe(),
            "bool(0)");
  eval(boost::make_shared<plang::e_or>(make_traced(log, "or-l", flag(true)), make_traced(log, "or-r", flag(false))));
  // x = 5: the right side first, and the variable's own value changes
  const handle x = eval(var(L"x"));
  eval(boost::make_shared<plang::e_assign>(make_traced(log, "lhs", var(L"x")), make_traced(log, "rhs", num(5))));
  EXPECT_EQ(x->operator int(), 5);
  // a method call: arguments before the object
  error_of(boost::make_shared<plang::e_method>(make_traced(log, "object", var(L"x")), L"nosuch",
                                               expression_list{make_traced(log, "arg", num(1))}));
  EXPECT_EQ(log, (trace{"left", "right", "and-l", "and-r", "or-l", "or-r", "rhs", "lhs", "arg", "object"}));
}

TEST_F(calls, prefix_operators_change_the_variable_and_literals_are_fresh) {
  root.variables().declare(L"x", integer(1));
  eval(boost::make_shared<plang::e_preincr>(var(L"x")));
  EXPECT_EQ(eval(boost::make_shared<plang::e_minus>(var(L"x")))->operator int(), -2);
  EXPECT_EQ(eval(var(L"x"))->operator int(), 2);
  const expression_handle literal = num(7);
  eval(boost::make_shared<plang::e_preincr>(literal));
  EXPECT_EQ(eval(literal)->operator int(), 7);
  eval(boost::make_shared<plang::e_add_assign>(var(L"x"), num(3)));
  EXPECT_EQ(eval(var(L"x"))->operator int(), 5);
}

TEST_F(calls, a_call_that_no_namespace_completes) {
  EXPECT_EQ(error_of(call(L"f")), "plang/nspace(160" + call_function);
  plang::nspace inner(&root);
  EXPECT_EQ(error_of(call(L"f"), inner),
            "plang/nspace(158" + call_function + "\n>\tplang/nspace(160" + call_function);
}

TEST_F(calls, results_are_nil_or_converted_to_the_declared_type) {
  plang::table::function::define({}, anchor::string, root.functions(), L"f", block({}));
  plang::table::function::define({{false, anchor::string, L"s"}}, anchor::signed_int, root.functions(), L"f",
                                 returns(var(L"s")));
  EXPECT_EQ(eval(call(L"f"))->describe(), "nil()");
  const handle r = eval(call(L"f", {text(L"12")}));
  EXPECT_EQ(r->get_typeid(), anchor::signed_int);
  EXPECT_EQ(r->operator int(), 12);
}

// A return travels out through every statement that encloses it, whichever
// steps them, and nothing after it runs.
TEST_F(calls, a_return_ends_the_call_from_inside_loops_tries_blocks_and_inlines) {
  const auto single = [](expression_handle e) { return boost::make_shared<plang::c_single>(std::move(e)); };
  const auto forever = [](control_handle body) { return boost::make_shared<plang::c_while>(num(1), std::move(body)); };
  const auto after = [&](const char* what) { return single(make_traced(log, what, num(0))); };
  plang::table::except catch_all;
  catch_all.define({}, after("handler"));
  // int f(int n) { while (1) { try { if (n) { { return n + 1; } } } catch { } } }
  plang::table::function::define(
      {{false, anchor::signed_int, L"n"}}, anchor::signed_int, root.functions(), L"f",
      block({forever(block({boost::make_shared<plang::c_except>(
                                block({boost::make_shared<plang::c_if>(
                                    var(L"n"), block({block({returns(boost::make_shared<plang::e_add>(var(L"n"), num(1))),
                                                             after("after return")})}))}),
                                catch_all),
                            after("loop")})),
             after("function")}));
  EXPECT_EQ(eval(call(L"f", {num(4)}))->operator int(), 5);
  // An inline body returns from the function that expands it; a test block
  // (stepping its own scope) and a constructor body in between.
  plang::table::inline_::define({}, root.inlines(), L"r", block({returns(num(7)), after("inline")}));
  plang::table::function::define(
      {}, anchor::signed_int, root.functions(), L"g",
      block({forever(plang::test::make_block({boost::make_shared<plang::c_constructor>(
                 expression_list{}, block({boost::make_shared<plang::c_inline>(L"r", expression_list{})})),
                                              after("block")})),
             after("function")}));
  EXPECT_EQ(eval(call(L"g"))->operator int(), 7);
  EXPECT_EQ(eval(boost::make_shared<plang::e_add>(call(L"f", {num(1)}), call(L"g")))->operator int(), 9);
  EXPECT_TRUE(log.empty());
  // Outside every call the return is thrown to the stepper.
  plang::scope top(&root.variables(), block({forever(block({returns(num(3))}))}));
  plang::runtime rt{&root.variables(), &root};
  std::string returned;
  try {
    while (top.step(&rt)) {
    }
  } catch (const plang::sig_return& r) {
    returned = r.value->describe();
  }
  EXPECT_EQ(returned, "int(3)");
}

// Every call starts its blocks, ifs, loops and tries afresh, whether the
// earlier call finished them or left them by a return.
TEST_F(calls, each_call_starts_its_statements_afresh) {
  const auto single = [](expression_handle e) { return boost::make_shared<plang::c_single>(std::move(e)); };
  const auto declare = [](const wchar_t* name, expression_handle init) {
    return boost::make_shared<plang::e_constructor>(name, anchor::signed_int, expression_list{std::move(init)});
  };
  plang::table::except handlers;
  handlers.define({}, block({single(declare(L"h", num(1)))}));
  // int f(int n) { { int x(n); } if (n) { int y(n); } while (n) { int z(n); n -= 1; }
  //                try { int t(1); throw 1; } catch { int h(1); } if (1) { int r(2); return r; } }
  plang::table::function::define(
      {{false, anchor::signed_int, L"n"}}, anchor::signed_int, root.functions(), L"f",
      block({block({single(declare(L"x", var(L"n")))}),
             boost::make_shared<plang::c_if>(var(L"n"), block({single(declare(L"y", var(L"n")))})),
             boost::make_shared<plang::c_while>(
                 var(L"n"), block({single(declare(L"z", var(L"n"))),
                                   single(boost::make_shared<plang::e_sub_assign>(var(L"n"), num(1)))})),
             boost::make_shared<plang::c_except>(
                 block({single(declare(L"t", num(1))), boost::make_shared<plang::c_throw>(num(1))}), handlers),
             boost::make_shared<plang::c_if>(num(1), block({single(declare(L"r", num(2))), returns(var(L"r"))}))}));
  for (int k = 0; k < 3; ++k) EXPECT_EQ(eval(call(L"f", {num(k)}))->operator int(), 2) << k;
  // Nested: the inner calls run while the outer ones are inside the same statements.
  plang::table::function::define(
      {{false, anchor::signed_int, L"n"}}, anchor::signed_int, root.functions(), L"g",
      block({boost::make_shared<plang::c_if>(
                 var(L"n"), block({single(declare(L"y", var(L"n"))),
                                   returns(boost::make_shared<plang::e_add>(
                                       var(L"y"), call(L"g", {boost::make_shared<plang::e_sub>(var(L"n"), num(1))})))})),
             returns(num(0))}));
  EXPECT_EQ(eval(call(L"g", {num(20)}))->operator int(), 210);
  EXPECT_EQ(eval(call(L"g", {num(20)}))->operator int(), 210);
}

TEST_F(calls, parameters_by_reference_share_the_callers_value) {
  root.variables().declare(L"x", integer(1));
  const control_handle body = block({boost::make_shared<plang::c_single>(
      boost::make_shared<plang::e_assign>(var(L"p"), num(9)))});
  plang::table::function::define({{false, anchor::signed_int, L"p"}}, anchor::nil, root.functions(), L"byval", body);
  plang::table::function::define({{true, anchor::signed_int, L"p"}}, anchor::nil, root.functions(), L"byref", body);
  eval(call(L"byval", {var(L"x")}));
  EXPECT_EQ(eval(var(L"x"))->operator int(), 1);
  eval(call(L"byref", {var(L"x")}));
  EXPECT_EQ(eval(var(L"x"))->operator int(), 9);
}

TEST_F(calls, an_error_in_the_body_is_reported_with_its_cause_and_no_other_function_runs) {
  plang::nspace inner(&root);
  plang::table::function::define({}, anchor::nil, root.functions(), L"f", make_action([&](plang::runtime*) {
                                   log.push_back("root f");
                                 }));
  plang::table::function::define({}, anchor::nil, inner.functions(), L"f", returns(var(L"undefined")));
  const std::string error = error_of(call(L"f"), inner);
  EXPECT_EQ(error,
            "plang/nspace(158" + call_function +
                "\n>\tplang/table/function(50) plang::table::function<wchar_t,class plang::control<wchar_t,class "
                "plang::runtime<wchar_t,class plang::nspace<wchar_t,class plang::process<wchar_t> > > > >::call: "
                "catch exception\n>\tplang/nlookup(28) plang::nlookup<wchar_t>::find_variable: reffer to undefined "
                "id, id=undefined");
  EXPECT_TRUE(log.empty());
  // A namespace without the function falls through to its parent's.
  plang::nspace other(&root);
  eval(call(L"f"), other);
  EXPECT_EQ(log, (trace{"root f"}));
  // In the root the first line is the one of a call that nothing completes.
  plang::table::function::define({{false, anchor::signed_int, L"n"}}, anchor::nil, root.functions(), L"f",
                                 returns(var(L"undefined")));
  EXPECT_EQ(error_of(call(L"f", {num(1)})).rfind("plang/nspace(160) plang::nspace<wchar_t,class "
                                                 "plang::process<wchar_t> >::call_function: function id resolution "
                                                 "failure, id=f, v[0]=int(1)\n>\t",
                                                 0),
            0u);
}

TEST_F(calls, a_reference_declaration_needs_the_exact_typeid) {
  EXPECT_EQ(error_of(boost::make_shared<plang::e_ref_constructor>(
                L"r", anchor::signed_int,
                boost::make_shared<plang::e_constant<plang::unsigned_<unsigned int>, unsigned int>>(1u))),
            "plang/expression/declare(51) plang::e_ref_constructor<wchar_t,class plang::runtime<wchar_t,class "
            "plang::nspace<wchar_t,class plang::process<wchar_t> > > >::evaluate: fail to initialize refference, int& r");
  EXPECT_EQ(root.variables().find(L"r"), nullptr);
  root.variables().declare(L"x", integer(4));
  eval(boost::make_shared<plang::e_declare>(expression_list{
      boost::make_shared<plang::e_ref_constructor>(L"r", anchor::signed_int, var(L"x")),
      boost::make_shared<plang::e_constructor>(L"c", anchor::signed_int, expression_list{var(L"x")})}));
  EXPECT_EQ(root.variables().find(L"r")->get(), eval(var(L"x")).get());
  EXPECT_NE(root.variables().find(L"c")->get(), eval(var(L"x")).get());
}

TEST_F(calls, an_inline_sees_its_parameters_and_the_namespace_variables_only) {
  root.variables().declare(L"g", integer(1));
  std::string seen;
  plang::table::inline_::define({{false, anchor::signed_int, L"a"}}, root.inlines(), L"f",
                                make_action([&](plang::runtime* rt) {
                                  seen = std::to_string(plang::nlookup::find_variable(rt->variables, L"a")->operator int()) +
                                         std::to_string(plang::nlookup::find_variable(rt->variables, L"g")->operator int());
                                  EXPECT_THROW(plang::nlookup::find_variable(rt->variables, L"local"), plang::exception);
                                }));
  plang::scope local(&root.variables(), block({}));
  local.variables().declare(L"local", integer(3));
  plang::runtime rt{&local.variables(), &root};
  control_handle statement = boost::make_shared<plang::c_inline>(L"f", expression_list{num(5)})->clone();
  while (statement->step(&rt)) {
  }
  EXPECT_EQ(seen, "51");
}

TEST_F(calls, an_inline_is_looked_up_in_the_current_namespace_only) {
  plang::nspace inner(&root);
  plang::table::inline_::define({}, root.inlines(), L"f", block({}));
  plang::runtime rt{&inner.variables(), &inner};
  std::string error;
  try {
    boost::make_shared<plang::c_inline>(L"f", expression_list{})->step(&rt);
  } catch (const plang::exception& e) {
    error = e.what();
  }
  EXPECT_EQ(error,
            "plang/nspace(131) plang::nspace<wchar_t,class plang::process<wchar_t> >::expand_inline: inline expansion "
            "failure, id=f, v=0\n>\t" +
                missing_key);
}

TEST_F(calls, host_functions) {
  plang::nspace inner(&root);
  root.natives().define(L"open", [&](plang::factor::vector& args) {
    log.push_back(std::to_string(args.size()));
    if (!args.empty()) args[0]->operator++();
    return plang::make_nil();
  });
  std::string error;
  try {
    inner.natives().define(L"open", [](plang::factor::vector&) { return plang::make_nil(); });
  } catch (const plang::exception& e) {
    error = e.what();
  }
  EXPECT_EQ(error,
            "plang/table/native(22) plang::table::native<wchar_t>::define: overwrite native function, id=open");
  // Shared by every namespace; the host sees the script's own values.
  inner.variables().declare(L"x", integer(1));
  const expression_handle open = boost::make_shared<plang::e_native>(L"open", expression_list{var(L"x")});
  EXPECT_EQ(eval(open, inner)->describe(), "nil()");
  EXPECT_NE(eval(open, inner).get(), eval(open, inner).get());
  EXPECT_EQ(eval(var(L"x"), inner)->operator int(), 4);
  EXPECT_EQ(error_of(boost::make_shared<plang::e_native>(L"close", expression_list{})),
            "plang/nspace(168) plang::nspace<wchar_t,class plang::process<wchar_t> >::call_native: catch exception, "
            "id=close, v=0\n>\t" +
                missing_key);
}

TEST_F(calls, an_unknown_host_function) {
  EXPECT_EQ(error_of(boost::make_shared<plang::e_native>(L"open", expression_list{})),
            "plang/nspace(168) plang::nspace<wchar_t,class plang::process<wchar_t> >::call_native: catch exception, "
            "id=open, v=0\n>\t" +
                missing_key);
}

TEST_F(calls, a_script_throw_from_a_host_function_is_caught_by_a_try) {
  root.natives().define(L"fail", [](plang::factor::vector&) -> handle { throw plang::sig_throw(integer(8)); });
  plang::table::except handlers;
  handlers.define({{false, anchor::signed_int, L"e"}}, make_action([&](plang::runtime* rt) {
                    log.push_back(std::to_string(rt->variables->find(L"e")->get()->operator int()));
                  }));
  plang::scope s(&root.variables(),
                 boost::make_shared<plang::c_except>(
                     boost::make_shared<plang::c_single>(
                         boost::make_shared<plang::e_native>(L"fail", expression_list{})),
                     std::move(handlers)));
  plang::runtime rt{&root.variables(), &root};
  while (s.step(&rt)) {
  }
  EXPECT_EQ(log, (trace{"8"}));
}

TEST_F(calls, recursion_deeper_than_the_bound_is_an_error) {
  // int f(int n) { if (n) return f(n - 1); return n; }
  plang::table::function::define(
      {{false, anchor::signed_int, L"n"}}, anchor::signed_int, root.functions(), L"f",
      block({boost::make_shared<plang::c_if>(
                 var(L"n"), returns(call(L"f", {boost::make_shared<plang::e_sub>(var(L"n"), num(1))}))),
             returns(var(L"n"))}));
  const int limit = static_cast<int>(plang::nspace::max_call_depth);
  EXPECT_EQ(eval(call(L"f", {num(limit - 1)}))->operator int(), 0);
  EXPECT_EQ(error_of(call(L"f", {num(limit)})),
            "plang/nspace(150) plang::nspace<wchar_t,class plang::process<wchar_t> >::call_function: exceed max. depth "
            "of function call, id=f, v[0]=int(0)");
  // The count is back at zero afterwards.
  EXPECT_EQ(eval(call(L"f", {num(limit - 1)}))->operator int(), 0);
}

}  // namespace
