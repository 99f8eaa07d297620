// Values made by typeid: type names, default instances, and construction
// from arguments with its wrapped failures.
#include "plang/nspace.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include <boost/make_shared.hpp>

#include "plang/exception.hpp"
#include "plang/factor/boolean.hpp"
#include "plang/factor/exception.hpp"
#include "plang/factor/nil.hpp"
#include "plang/factor/signed_.hpp"
#include "plang/factor/string_.hpp"
#include "plang/factor/typeid_anchor.hpp"
#include "plang/signal.hpp"

namespace {

namespace anchor = plang::typeid_anchor;
using plang::handle;

const std::string prefix = "plang/nspace(";
const std::string create_failure =
    ") plang::nspace<wchar_t,class plang::process<wchar_t> >::create_instance: instance creation failure, typeid=";
const std::string generate_failure =
    ") plang::nspace<wchar_t,class plang::process<wchar_t> >::_generate: instance generation failure, typeid=";
const std::string undefined_class =
    ") plang::nspace<wchar_t,class plang::process<wchar_t> >::get_object: reffer to undefined typeid, typeid=";

handle boolean(bool v) { return boost::make_shared<plang::boolean>(v); }
handle integer(int v) { return boost::make_shared<plang::signed_<int>>(v); }
handle text(const wchar_t* t) { return boost::make_shared<plang::string_<wchar_t>>(t); }

// The description of the value made, or the error's text.
std::string outcome(const std::function<handle()>& make) {
  try {
    return make()->describe();
  } catch (const std::exception& e) {
    return e.what();
  }
}

TEST(nspace, find_typeid_gives_registered_names_only) {
  plang::nspace root;
  EXPECT_EQ(root.find_typeid(L"u?int"), anchor::unsigned_int);
  const std::uint32_t a = root.ids().generate(L"A");
  plang::nspace inner(&root);
  EXPECT_EQ(inner.find_typeid(L"A"), a);  // one registry for the engine
  std::string error;
  try {
    root.find_typeid(L"Foo");
  } catch (const plang::exception& e) {
    error = e.what();
  }
  EXPECT_EQ(error,
            "plang/nspace(178) plang::nspace<wchar_t,class plang::process<wchar_t> >::find_typeid: undefined typeid "
            "string, sid=Foo");
}

TEST(nspace, create_instance_makes_the_default_value_of_each_class) {
  plang::nspace root;
  for (std::uint32_t tid : {anchor::boolean, anchor::signed_int, anchor::unsigned_int, anchor::real_float,
                            anchor::real_double, anchor::string, anchor::nil, anchor::bad_cast, anchor::range_error}) {
    const handle v = root.create_instance(tid);
    ASSERT_TRUE(v);
    EXPECT_EQ(v->get_typeid(), tid);
    EXPECT_NE(v.get(), root.create_instance(tid).get());  // a new value every time
  }
  EXPECT_EQ(root.create_instance(anchor::bad_cast)->describe(), "bad_cast((0) : )");
  EXPECT_EQ(root.create_instance(anchor::string)->operator std::wstring(), L"");
}

TEST(nspace, create_instance_of_a_typeid_without_a_class_fails) {
  plang::nspace root;
  const std::uint32_t a = root.ids().generate(L"A");  // registered, but no class object
  for (std::uint32_t tid : {a, 77u}) {
    const std::string n = std::to_string(tid);
    EXPECT_EQ(outcome([&] { return root.create_instance(tid); }),
              prefix + "336" + create_failure + n + "\n>\t" + prefix + "237" + undefined_class + n);
  }
}

// The three construction paths and their wrappers: the no-argument path wraps
// with the typeid's number, the one-argument path with its name, and every
// path is wrapped once more with the name.
TEST(nspace, generate_constructs_by_argument_count_and_wraps_failures) {
  plang::nspace root;
  const std::uint32_t a = root.ids().generate(L"A");
  const std::string number_a = std::to_string(a);
  struct row {
    const char* name;
    std::uint32_t tid;
    plang::factor::vector args;
    std::string expected;
  };
  const row rows[] = {
      {"int, none", anchor::signed_int, {}, "int(0)"},
      {"int, one text", anchor::signed_int, {text(L"12abc")}, "int(12)"},
      {"int, two",
       anchor::signed_int,
       {integer(1), integer(2)},
       prefix + "218" + generate_failure +
           "int\n>\tplang/factor/signed_(25) plang::signed_<int>::call_constructor: v[0]=int(1), v[1]=int(2)"},
      {"u?int, one int", anchor::unsigned_int, {integer(-1)}, "unsigned int(4294967295)"},
      {"u?int, two",
       anchor::unsigned_int,
       {integer(1), integer(2)},
       prefix + "218" + generate_failure +
           "u?int\n>\tplang/factor/unsigned_(27) plang::unsigned_<unsigned int>::call_constructor: v[0]=int(1), "
           "v[1]=int(2)"},
      {"string, none", anchor::string, {}, text(L"")->describe()},
      {"string, one int", anchor::string, {integer(12)}, text(L"12")->describe()},
      {"bool, none", anchor::boolean, {}, "bool(0)"},
      {"bool, one", anchor::boolean, {boolean(true)}, "bool(1)"},
      {"bool, one nil", anchor::boolean, {plang::make_nil()}, "bool(0)"},
      {"nil, none", anchor::nil, {}, "nil()"},
      {"vector, count and fill", anchor::vector, {integer(3), integer(7)}, "vector[int(7), int(7), int(7)]"},
      {"list, none", anchor::list, {}, "list[]"},
      {"hash, none", anchor::hash, {}, "hash[]"},
      {"vector, three",
       anchor::vector,
       {integer(1), integer(2), integer(3)},
       prefix + "218" + generate_failure + "vector\n>\tplang/factor/vector_(28) plang::vector_::call_constructor: v[0]=int(1), v[1]=int(2), "
           "v[2]=int(3)"},
      {"list, three",
       anchor::list,
       {integer(1), integer(2), integer(3)},
       prefix + "218" + generate_failure +
           "list\n>\tplang/factor/list_(30) plang::list_::call_constructor: v[0]=int(1), v[1]=int(2), v[2]=int(3)"},
      {"class, none",
       a,
       {},
       prefix + "218" + generate_failure + "A\n>\t" + prefix + "189" + generate_failure + number_a + "\n>\t" + prefix +
           "336" + create_failure + number_a + "\n>\t" + prefix + "237" + undefined_class + number_a},
      {"nil, one",
       anchor::nil,
       {boolean(true)},
       prefix + "218" + generate_failure + "nil\n>\t" + prefix + "201" + generate_failure +
           "nil\n>\tplang/factor/nil(14) plang::nil::call_constructor: bool(1)"},
      {"bool, two",
       anchor::boolean,
       {boolean(true), boolean(false)},
       prefix + "218" + generate_failure +
           "bool\n>\tplang/factor/boolean(22) plang::boolean::call_constructor: v[0]=bool(1), v[1]=bool(0)"},
      {"class, two",
       a,
       {boolean(true), boolean(false)},
       prefix + "218" + generate_failure + "A\n>\t" + prefix + "336" + create_failure + number_a + "\n>\t" + prefix +
           "237" + undefined_class + number_a},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(outcome([&] { return root._generate(r.tid, r.args); }), r.expected);
  }
}

TEST(nspace, generate_lets_script_exceptions_through_unwrapped) {
  plang::nspace root;
  // A bad_cast value has no bool conversion: it raises a script exception.
  const handle not_a_bool = boost::make_shared<plang::exception_<plang::bad_cast_>>("f", "g", 1);
  try {
    root._generate(anchor::boolean, {not_a_bool});
    FAIL() << "constructed";
  } catch (const plang::sig_throw& s) {
    EXPECT_EQ(s.value->get_typeid(), anchor::bad_cast);
  }
}

}  // namespace
