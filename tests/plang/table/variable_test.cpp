// Variable tables, lookup through outer tables, scopes and the activation of
// definitions with arguments.
#include "plang/table/variable.hpp"

#include <gtest/gtest.h>

#include <boost/make_shared.hpp>

#include "plang/convert.hpp"
#include "plang/exception.hpp"
#include "plang/factor/boolean.hpp"
#include "plang/factor/nil.hpp"
#include "plang/nlookup.hpp"
#include "plang/scope.hpp"
#include "plang/table/definition.hpp"
#include "tests/plang/script_nodes.hpp"

namespace {

using namespace plang::test;
using plang::handle;
using plang::table::variable;

handle boolean(bool v) { return boost::make_shared<plang::boolean>(v); }

std::string lookup(variable* table, const std::wstring& name) {
  try {
    return plang::nlookup::find_variable(table, name)->describe();
  } catch (const plang::exception& e) {
    return e.what();
  }
}

TEST(variable_table, a_name_declared_twice_at_one_level_is_refused) {
  variable vars;
  const handle first = boolean(false);
  EXPECT_EQ(vars.declare(L"a", first).get(), first.get());  // the stored handle is the value given
  try {
    vars.declare(L"a", boolean(true));
    FAIL() << "declared twice";
  } catch (const plang::exception& e) {
    EXPECT_STREQ(e.what(),
                 "plang/table/variable(22) plang::table::variable<wchar_t>::declare: variable already exists, "
                 "id=a value=bool(1)");
  }
  EXPECT_EQ(lookup(&vars, L"a"), "bool(0)");
  EXPECT_EQ(vars.size(), 1u);
}

TEST(variable_table, lookup_walks_outwards_and_inner_names_hide_outer_ones) {
  variable root;
  variable middle(&root);
  variable inner(&middle);
  root.declare(L"a", boolean(false));
  root.declare(L"g", plang::make_nil());
  inner.declare(L"a", boolean(true));
  EXPECT_EQ(lookup(&inner, L"a"), "bool(1)");
  EXPECT_EQ(lookup(&middle, L"a"), "bool(0)");
  EXPECT_EQ(lookup(&inner, L"g"), "nil()");
  EXPECT_EQ(lookup(&root, L"x"),
            "plang/nlookup(28) plang::nlookup<wchar_t>::find_variable: reffer to undefined id, id=x");
  // A longer name with the same start is another name.
  EXPECT_NE(lookup(&inner, L"aa").find("id=aa"), std::string::npos);
}

TEST(variable_table, lookup_returns_the_variable_itself) {
  variable vars;
  vars.declare(L"v", boolean(false));
  const handle& found = plang::nlookup::find_variable(&vars, L"v");
  found->operator=(boolean(true));
  EXPECT_EQ(lookup(&vars, L"v"), "bool(1)");
}

TEST(variable_table, a_large_table_finds_every_name_and_still_refuses_duplicates) {
  variable outer;
  variable inner(&outer);
  const int n = 3 * static_cast<int>(variable::linear_limit);
  for (int i = 0; i < n; ++i) outer.declare(L"v" + plang::to_wstring<int>(i), boolean(i % 2 != 0));
  for (int i = 0; i < n; ++i) {
    EXPECT_EQ(lookup(&inner, L"v" + plang::to_wstring<int>(i)), i % 2 ? "bool(1)" : "bool(0)") << i;
  }
  EXPECT_THROW(outer.declare(L"v0", boolean(true)), plang::exception);
  EXPECT_THROW(outer.declare(L"v" + plang::to_wstring<int>(n - 1), boolean(true)), plang::exception);
  EXPECT_EQ(outer.size(), static_cast<std::size_t>(n));
  // Declaration order is the table's order.
  int i = 0;
  for (const variable::entry& e : outer) EXPECT_EQ(*e.name, L"v" + plang::to_wstring<int>(i++));
}

TEST(scope, steps_its_statements_front_first_and_drops_each_as_it_finishes) {
  trace out;
  const std::vector<statement> list = {make_tag(out, "a"), make_block({make_tag(out, "b1"), make_tag(out, "b2")}),
                                       make_tag(out, "c")};
  plang::scope s(nullptr, list.begin(), list.end());
  plang::runtime rt{nullptr, nullptr};
  std::vector<bool> results;
  while (!s.empty()) results.push_back(s.step(&rt));
  EXPECT_EQ(out, (trace{"a", "b1", "b2", "c"}));
  EXPECT_EQ(results, (std::vector<bool>{true, true, true, false}));
  EXPECT_FALSE(s.step(&rt));
  // The scope stepped clones: the template block was never activated.
  EXPECT_FALSE(static_cast<block&>(*list[1]).active());
}

TEST(scope, statements_see_the_scope_variables_with_the_outer_table_behind_them) {
  variable outer;
  outer.declare(L"o", boolean(true));
  trace out;
  plang::scope s(&outer, make_action([&](plang::runtime* rt) {
    rt->variables->declare(L"local", plang::make_nil());
    out.push_back(lookup(rt->variables, L"o"));
  }));
  plang::runtime rt{&outer, nullptr};
  EXPECT_FALSE(s.step(&rt));
  EXPECT_EQ(out, (trace{"bool(1)"}));
  EXPECT_EQ(lookup(&s.variables(), L"local"), "nil()");
  EXPECT_EQ(outer.size(), 1u);
}

TEST(activation, reference_parameters_share_the_argument_and_value_parameters_copy_it) {
  trace out;
  plang::table::definition def{make_block({make_tag(out, "body")}), {{true, L"r"}, {false, L"v"}}, 0};
  variable caller;
  plang::runtime rt{&caller, nullptr};
  const handle shared = boolean(false);
  const handle copied = boolean(false);
  boost::shared_ptr<plang::scope> s = plang::table::activate(def, {shared, copied}, &rt);

  const handle& r = plang::nlookup::find_variable(&s->variables(), L"r");
  const handle& v = plang::nlookup::find_variable(&s->variables(), L"v");
  EXPECT_EQ(r.get(), shared.get());
  EXPECT_NE(v.get(), copied.get());
  r->operator=(boolean(true));
  v->operator=(boolean(true));
  EXPECT_EQ(shared->describe(), "bool(1)");
  EXPECT_EQ(copied->describe(), "bool(0)");

  EXPECT_TRUE(out.empty());  // nothing is stepped by the activation
  EXPECT_EQ(s->variables().outer(), &caller);
  EXPECT_FALSE(s->step(&rt));
  EXPECT_EQ(out, (trace{"body"}));
}

TEST(activation, each_activation_steps_its_own_clone_of_the_body) {
  trace out;
  plang::table::definition def{make_block({make_tag(out, "1"), make_tag(out, "2")}), {}, 0};
  plang::runtime rt{nullptr, nullptr};
  auto first = plang::table::activate(def, {}, &rt);
  auto second = plang::table::activate(def, {}, &rt);
  first->step(&rt);
  second->step(&rt);
  first->step(&rt);
  EXPECT_EQ(out, (trace{"1", "1", "2"}));
  EXPECT_TRUE(first->empty());
  EXPECT_FALSE(second->empty());
  EXPECT_FALSE(static_cast<block&>(*def.body).active());
}

}  // namespace
