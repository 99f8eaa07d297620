// Script classes at run time, on hand-built class objects: definition checks,
// default, copy and script construction, initialisers, members and methods
// through base parts, conversions, assignment, equality and descriptions.
#include "plang/object.hpp"

#include <gtest/gtest.h>

#include <string>

#include <boost/make_shared.hpp>

#include "plang/expression/calls.hpp"
#include "plang/expression/declare.hpp"
#include "plang/expression/initialiser.hpp"
#include "plang/expression/operators.hpp"
#include "plang/expression/statements.hpp"
#include "plang/factor/exception.hpp"
#include "plang/factor/instance.hpp"
#include "plang/factor/ref.hpp"
#include "plang/factor/signed_.hpp"
#include "plang/factor/string_.hpp"
#include "plang/factor/unsigned_.hpp"
#include "plang/interpreter.hpp"
#include "plang/method.hpp"
#include "plang/signal.hpp"
#include "script_nodes.hpp"

namespace {

namespace anchor = plang::typeid_anchor;
using plang::control_handle;
using plang::expression_handle;
using plang::expression_list;
using plang::handle;
using plang::object;
using plang::test::make_action;
using plang::test::make_traced;
using plang::test::trace;

const std::string object_text = ") plang::object<wchar_t,class plang::process<wchar_t> >::";
const std::string instance_text =
    ") plang::instance<wchar_t,class plang::object<wchar_t,class plang::process<wchar_t> > >::";

expression_handle num(int v) { return boost::make_shared<plang::e_constant<plang::signed_<int>, int>>(v); }
expression_handle text(const wchar_t* t) {
  return boost::make_shared<plang::e_constant<plang::string_<wchar_t>, std::wstring>>(t);
}
expression_handle var(const wchar_t* name) { return boost::make_shared<plang::e_variable>(name); }
control_handle returns(expression_handle e) { return boost::make_shared<plang::c_return>(std::move(e)); }
control_handle throws(expression_handle e) { return boost::make_shared<plang::c_throw>(std::move(e)); }
control_handle single(expression_handle e) { return boost::make_shared<plang::c_single>(std::move(e)); }
control_handle block(plang::control_list s = {}) { return boost::make_shared<plang::c_compound>(std::move(s)); }
control_handle constructor_body(expression_list initialisers, control_handle body = block()) {
  return boost::make_shared<plang::c_constructor>(std::move(initialisers), std::move(body));
}
expression_handle member_init(const wchar_t* name, std::uint32_t type, expression_list args = {}) {
  return boost::make_shared<plang::e_declare_member>(name, type, std::move(args));
}
handle integer(int v) { return boost::make_shared<plang::signed_<int>>(v); }
handle string_value(const wchar_t* t) { return boost::make_shared<plang::string_<wchar_t>>(t); }

// What an operation gave: the result's description, the error's text, or
// the thrown script value.
template <class Op>
std::string outcome(Op op) {
  try {
    return op()->describe();
  } catch (const plang::exception& e) {
    return e.what();
  } catch (const plang::sig_throw& s) {
    return "sig_throw " + s.value->describe();
  }
}

struct objects : ::testing::Test {
  plang::nspace& root() { return engine.root(); }

  object& define(const wchar_t* name, std::initializer_list<std::pair<const wchar_t*, std::uint32_t>> members = {}) {
    object& cls = root().define_object(name);
    for (const auto& m : members) cls.define_member({m.second, false}, m.first);
    return cls;
  }
  handle make(const object& cls, plang::factor::vector args = {}) { return root()._generate(cls.type(), args); }
  std::string make_error(const object& cls, plang::factor::vector args = {}) {
    return outcome([&] { return make(cls, args); });
  }
  handle call(const handle& self, const wchar_t* name, plang::factor::vector args = {}) {
    return self->method(plang::method_request<wchar_t>(args, name));
  }
  void method(object& cls, const wchar_t* name, std::uint32_t result, control_handle body,
              plang::table::parameter_list parameters = {}) {
    plang::table::function::define(parameters, result, cls.functions(), name, std::move(body));
  }

  plang::interpreter engine;
  trace log;
};

TEST_F(objects, definition_errors) {
  object& a = define(L"A", {{L"x", anchor::signed_int}});
  const auto error_of = [](auto f) {
    try {
      f();
    } catch (const plang::exception& e) {
      return std::string(e.what());
    }
    return std::string("no error");
  };
  EXPECT_EQ(error_of([&] { a.define_member({anchor::signed_int, true}, L"x"); }),
            "plang/object(64" + object_text + "define_member: fail to define member, int& x");
  EXPECT_EQ(error_of([&] { a.define_member({a.type(), false}, L"self"); }),
            "plang/object(70" + object_text + "define_member: invalid member type, A self");
  EXPECT_EQ(error_of([&] { a.set_base(a.type()); }), "plang/object(46" + object_text + "set_base: invalid base class, id=A");
  EXPECT_EQ(error_of([&] { a.define_constructor({{false, anchor::signed_int, L"n"}}, L"B", block()); }),
            "plang/object(89" + object_text + "define_constructor: try to define invalid constructor, id=B " +
                "arguments(type(4294967042) n)");
  EXPECT_EQ(error_of([&] { a.define_constructor({{false, a.type(), L"o"}}, L"A", block()); }),
            "plang/object(91" + object_text + "define_constructor: invalid parameter of copy constructor, class=A");
  a.define_constructor({{true, a.type(), L"o"}}, L"A", block());
  EXPECT_EQ(error_of([&] { a.define_constructor({{true, a.type(), L"p"}}, L"A", block()); }).substr(0, 27),
            "plang/table/constructor(31)");
  EXPECT_EQ(error_of([&] { root().define_object(L"A"); }),
            "plang/idm(59) plang::idm<wchar_t>::generate: typeid already exists, sid=A");
  // A reference member of the class itself and a member named like a base member are fine.
  object& b = define(L"B", {{L"x", anchor::signed_int}});
  b.set_base(a.type());
  b.define_member({b.type(), true}, L"me");
  EXPECT_EQ(b.members().size(), 2u);
}

TEST_F(objects, default_construction_follows_declaration_order_and_describes_the_base) {
  object& base = define(L"B", {{L"w", anchor::string}});
  object& a = define(L"A", {{L"z", anchor::signed_int}, {L"a", anchor::unsigned_int}});
  a.set_base(base.type());
  const handle v = make(a);
  EXPECT_EQ(v->get_typeid(), a.type());
  EXPECT_EQ(v->describe(), "A[z=int(0), a=unsigned int(0)]:[B[w=string()]]");
  // members of the base are reached through the derived instance, in place
  v->member(L"w")->operator=(string_value(L"set"));
  EXPECT_EQ(v->describe(), "A[z=int(0), a=unsigned int(0)]:[B[w=string(set)]]");
  EXPECT_EQ(outcome([&] { return v->member(L"nosuch"); }),
            "plang/factor/instance(193" + instance_text + "member: A[z=int(0), a=unsigned int(0)]:[B[w=string(set)]]" +
                "\n>\tplang/nlookup(43) plang::nlookup<wchar_t>::find_member: undefined member, nosuch");
  // a global is no member
  root().variables().declare(L"g", integer(1));
  EXPECT_NE(outcome([&] { return v->member(L"g"); }).find("undefined member, g"), std::string::npos);
}

TEST_F(objects, refused_operations_name_the_instance) {
  object& a = define(L"A", {{L"v", anchor::signed_int}});
  object& other = define(L"O");
  const handle x = make(a);
  const handle y = make(a);
  handle rhs = y;
  EXPECT_EQ(outcome([&] {
              x->eq(rhs);
              return rhs;
            }),
            "plang/factor/instance(87" + instance_text + "eq: A[v=int(0)]: A[v=int(0)]");
  rhs = integer(3);
  EXPECT_EQ(outcome([&] {
              x->add(rhs);
              return rhs;
            }),
            "plang/factor/instance(59" + instance_text + "add: A[v=int(0)]: int(3)");
  EXPECT_EQ(outcome([&] {
              x->operator=(make(other));
              return x;
            }),
            "plang/factor/instance(120" + instance_text + "operator =: A[v=int(0)], O[]");
  EXPECT_EQ(outcome([&] {
              x->operator++();
              return x;
            }),
            "plang/factor/instance(125" + instance_text + "operator ++: A[v=int(0)]");
}

TEST_F(objects, construction_picks_a_script_constructor_or_falls_back) {
  object& a = define(L"A", {{L"v", anchor::signed_int}});
  // A(int n) : v(n) {}
  a.define_constructor({{false, anchor::signed_int, L"n"}}, L"A",
                       constructor_body({member_init(L"v", anchor::signed_int, {var(L"n")})}));
  EXPECT_EQ(make(a, {integer(5)})->describe(), "A[v=int(5)]");
  EXPECT_EQ(make(a)->describe(), "A[v=int(0)]");
  // member-wise copy without a copy constructor
  const handle src = make(a, {integer(7)});
  EXPECT_EQ(make(a, {src})->describe(), "A[v=int(7)]");
  EXPECT_EQ(make_error(a, {integer(1), integer(2)}),
            "plang/nspace(218) plang::nspace<wchar_t,class plang::process<wchar_t> >::_generate: instance generation "
            "failure, typeid=A\n>\tplang/factor/instance(53" +
                instance_text + "call_constructor: v[0]=int(1), v[1]=int(2)\n>\tplang/factor/instance(50" +
                instance_text + "call_constructor: undefined");
  const std::string from_text = make_error(a, {string_value(L"x")});
  EXPECT_NE(from_text.find("plang/factor/instance(41" + instance_text + "call_constructor: string(x)\n>\t"
                           "plang/factor/instance(38" + instance_text + "call_constructor: undefined"),
            std::string::npos)
      << from_text;
}

TEST_F(objects, copy_constructor_runs_for_clones_and_reference_members_are_shared) {
  object& a = define(L"A", {{L"v", anchor::signed_int}});
  a.define_member({anchor::signed_int, true}, L"r");
  // A(int& n) : r(n) {}   A(A& o) : r(o.r) { v = 100; }
  a.define_constructor({{true, anchor::signed_int, L"n"}}, L"A",
                       constructor_body({member_init(L"v", anchor::signed_int),
                                         boost::make_shared<plang::e_ref_member>(L"r", anchor::signed_int, var(L"n"))}));
  const expression_handle other_r = boost::make_shared<plang::e_member>(var(L"o"), L"r");
  a.define_constructor(
      {{true, a.type(), L"o"}}, L"A",
      constructor_body({member_init(L"v", anchor::signed_int),
                        boost::make_shared<plang::e_ref_member>(L"r", anchor::signed_int, other_r)},
                       single(boost::make_shared<plang::e_assign>(var(L"v"), num(100)))));
  const handle shared = integer(1);
  const handle x = make(a, {shared});
  const handle copy = x->clone();
  EXPECT_EQ(copy->describe(), "A[v=int(100), r=int(1)]");
  shared->operator=(integer(9));
  EXPECT_EQ(copy->describe(), "A[v=int(100), r=int(9)]");
  // assignment re-binds references and replaces value members
  const handle other_value = integer(42);
  const handle y = make(a, {other_value});
  const handle old_v = x->member(L"v");
  x->operator=(y);
  EXPECT_EQ(x->member(L"r").get(), other_value.get());
  EXPECT_EQ(old_v->describe(), "int(0)");
  EXPECT_NE(x->member(L"v").get(), y->member(L"v").get());
  // a reference member that nothing binds
  object& b = define(L"B");
  b.define_member({anchor::signed_int, true}, L"r");
  EXPECT_EQ(make_error(b).substr(make_error(b).find("\n>\tplang/factor/instance(26")),
            "\n>\tplang/factor/instance(26" + instance_text + "call_constructor: \n>\tplang/object(206" + object_text +
                "call_default_constructor: uninitialized refference, int& r");
  // a reference member of another type
  object& c = define(L"C");
  c.define_member({anchor::signed_int, true}, L"r");
  c.define_constructor({}, L"C",
                       constructor_body({boost::make_shared<plang::e_ref_member>(L"r", anchor::signed_int, text(L"s"))}));
  const std::string bad_ref = make_error(c);
  EXPECT_NE(bad_ref.find("plang/object(231" + object_text +
                         "call_ref_member_constructor: fail to initialize refference member, int& r"),
            std::string::npos)
      << bad_ref;
}

TEST_F(objects, initialisers_run_in_list_order_and_the_base_links_lookups) {
  object& base = define(L"B", {{L"w", anchor::signed_int}});
  base.define_constructor({{false, anchor::signed_int, L"n"}}, L"B",
                          constructor_body({member_init(L"w", anchor::signed_int, {var(L"n")})},
                                           single(make_traced(log, "B body", num(0)))));
  object& a = define(L"A", {{L"x", anchor::signed_int}, {L"y", anchor::signed_int}});
  a.set_base(base.type());
  // as compiled from A() : B(1), x(w + 1) { ... }: y, then B, then x (which sees the base's w), then the body
  a.define_constructor(
      {}, L"A",
      constructor_body({make_traced(log, "y", member_init(L"y", anchor::signed_int)),
                        make_traced(log, "B", boost::make_shared<plang::e_base>(expression_list{num(1)})),
                        make_traced(log, "x", member_init(L"x", anchor::signed_int,
                                                          {boost::make_shared<plang::e_add>(var(L"w"), num(1))}))},
                       single(make_traced(log, "A body", num(0)))));
  const handle v = make(a);
  EXPECT_EQ(log, (trace{"y", "B", "B body", "x", "A body"}));
  EXPECT_EQ(v->describe(), "A[x=int(2), y=int(0)]:[B[w=int(1)]]");
}

TEST_F(objects, methods_are_found_in_the_class_and_its_bases_only) {
  object& base = define(L"B", {{L"w", anchor::signed_int}});
  // int get() { return w; }   int twice() { return get() + get(); }
  method(base, L"get", anchor::signed_int, returns(var(L"w")));
  object& a = define(L"A", {{L"v", anchor::signed_int}});
  a.set_base(base.type());
  method(a, L"twice", anchor::signed_int,
         returns(boost::make_shared<plang::e_add>(boost::make_shared<plang::e_function>(L"get", expression_list{}),
                                                  boost::make_shared<plang::e_function>(L"get", expression_list{}))));
  // a method sees globals through ordinary lookup
  root().variables().declare(L"g", integer(10));
  method(a, L"global", anchor::signed_int, returns(var(L"g")));
  // a top-level function of the same name is never a method
  plang::table::function::define({}, anchor::signed_int, root().functions(), L"top", returns(num(1)));

  const handle v = make(a);
  v->member(L"w")->operator=(integer(4));
  EXPECT_EQ(call(v, L"get")->describe(), "int(4)");
  EXPECT_EQ(call(v, L"twice")->describe(), "int(8)");
  EXPECT_EQ(call(v, L"global")->describe(), "int(10)");
  EXPECT_EQ(outcome([&] { return call(v, L"top"); }),
            "plang/factor/instance(202" + instance_text + "method: A[v=int(0)]:[B[w=int(4)]]\n>\tplang/object(84" +
                object_text + "method: undefined method, id=top, v=0");
  // a wrong signature is no match either
  EXPECT_NE(outcome([&] { return call(v, L"get", {integer(1)}); }).find("undefined method, id=get, v[0]=int(1)"),
            std::string::npos);
}

TEST_F(objects, conversions_run_their_bodies_and_fail_as_bad_cast) {
  object& a = define(L"A", {{L"v", anchor::signed_int}});
  a.set_conversion(object::to_int, block({returns(var(L"v"))}));
  a.set_conversion(object::to_string, block({returns(num(12))}));  // any value the target accepts
  a.set_conversion(object::to_double, block({single(num(1))}));    // no return
  a.set_conversion(object::to_float, block({throws(num(1))}));     // a script exception
  const handle v = make(a);
  v->member(L"v")->operator=(integer(3));
  EXPECT_EQ(v->operator int(), 3);
  EXPECT_EQ(v->operator std::wstring(), L"12");
  // an integer on the left converts the instance
  handle rhs = v;
  integer(4)->add(rhs);
  EXPECT_EQ(rhs->describe(), "int(7)");

  const auto bad_cast_of = [&](auto convert) {
    try {
      convert();
    } catch (const plang::sig_throw& s) {
      return s.value->describe();
    }
    return std::string("no throw");
  };
  const std::string origin = "bad_cast(plang/factor/instance(";
  EXPECT_EQ(bad_cast_of([&] { return v->operator bool(); }),
            origin + "138) : plang::instance<wchar_t,class plang::object<wchar_t,class plang::process<wchar_t> > "
                     ">::operator bool)");
  EXPECT_EQ(bad_cast_of([&] { return v->operator double(); }).substr(0, origin.size() + 3), origin + "174");
  EXPECT_EQ(bad_cast_of([&] { return v->operator float(); }).substr(0, origin.size() + 3), origin + "165");
  EXPECT_EQ(bad_cast_of([&] { return v->operator unsigned int(); }).substr(0, origin.size() + 3), origin + "147");
  // the object's own errors, which the instance turns into bad_cast
  object& data = static_cast<plang::instance&>(*v).data;
  EXPECT_EQ(outcome([&] { return data.cast_to_bool(); }),
            "plang/object(255" + object_text + "call_cast: undefined casting, typeid=4294967041");
  EXPECT_EQ(outcome([&] { return data.cast_to_double(); }),
            "plang/object(263" + object_text + "call_cast: no return statement");
}

TEST_F(objects, equal_members_make_equal_values_and_hashes) {
  object& base = define(L"B", {{L"w", anchor::signed_int}});
  object& a = define(L"A", {{L"x", anchor::signed_int}, {L"s", anchor::string}});
  a.set_base(base.type());
  object& other = define(L"O", {{L"x", anchor::signed_int}, {L"s", anchor::string}});
  const handle p = make(a);
  const handle q = make(a);
  q->member(L"w")->operator=(integer(5));  // base parts take no part
  const auto hash = [](const handle& h) {
    std::uint32_t seed = 0;
    h->hash_into(seed);
    return seed;
  };
  EXPECT_TRUE(p->same_value(q));
  EXPECT_EQ(hash(p), hash(q));
  q->member(L"x")->operator=(integer(1));
  EXPECT_FALSE(p->same_value(q));
  EXPECT_NE(hash(p), hash(q));
  EXPECT_FALSE(make(other)->same_value(make(a)));
  // no members: the seed stays
  EXPECT_EQ(hash(make(define(L"E"))), 0u);
}

TEST_F(objects, an_instance_that_holds_itself_is_walked_safely) {
  object& a = define(L"A", {{L"me", anchor::ref}});
  const handle v = make(a);
  v->member(L"me")->call_constructor(v);
  EXPECT_EQ(v->describe(), "A[me=ref(...)]");
  std::uint32_t seed = 0;
  EXPECT_THROW(v->hash_into(seed), plang::exception);
  v->member(L"me")->call_constructor();  // breaks the cycle
}

TEST_F(objects, recursion_through_constructors_and_methods_is_bounded) {
  object& a = define(L"A");
  // A() { A inner; }
  a.define_constructor({}, L"A",
                       constructor_body({}, block({single(boost::make_shared<plang::e_constructor>(
                                                L"inner", a.type(), expression_list{}))})));
  const std::string deep = make_error(a);
  EXPECT_EQ(deep.find('\n'), std::string::npos) << deep.substr(0, 400);
  EXPECT_NE(deep.find("exceed max. depth of function call, id=A"), std::string::npos);
  // int f() { return this_class_method f(); }
  object& b = define(L"B");
  method(b, L"f", anchor::signed_int,
         returns(boost::make_shared<plang::e_function>(L"f", expression_list{})));
  const std::string calls = outcome([&] { return call(make(b), L"f"); });
  EXPECT_NE(calls.find("exceed max. depth"), std::string::npos);
  EXPECT_EQ(root().call_depth(), 0u);
}

}  // namespace
