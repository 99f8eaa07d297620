// Reference and type-identity values: sharing through get and clones,
// refusals at their lines, and typeid equality against every kind of
// operand.
#include "plang/factor/ref.hpp"

#include <gtest/gtest.h>

#include <cstdint>

#include <boost/make_shared.hpp>

#include "lib/hash.hpp"
#include "plang/factor/boolean.hpp"
#include "plang/factor/exception.hpp"
#include "plang/factor/nil.hpp"
#include "plang/factor/real.hpp"
#include "plang/factor/signed_.hpp"
#include "plang/factor/string_.hpp"
#include "plang/factor/typeid_.hpp"
#include "plang/factor/unsigned_.hpp"
#include "plang/method.hpp"
#include "plang/nspace.hpp"
#include "tests/plang/factor/outcome.hpp"
#include "tests/plang/factor/refusals.hpp"

namespace {

using plang::factor;
using plang::handle;
using plang::test::binary_outcome;
using plang::test::method_outcome;
using plang::test::slot;

handle I(int v) { return plang::signed_<int>::make_value(v); }

// 'ref r(x);' and 'ref r;': a bare value, then one constructor slot.
handle ref_of(const handle& x) {
  const handle r = boost::make_shared<plang::ref>();
  r->call_constructor(x);
  return r;
}
handle typeid_of(const handle& x) {
  const handle t = boost::make_shared<plang::typeid_>();
  t->call_constructor(x);
  return t;
}
handle get(const handle& r) { return r->method(plang::method_request<wchar_t>(factor::vector{}, L"get")); }

TEST(Ref, SharesTheValueItWasMadeFrom) {
  const handle x = I(1);
  const handle r = ref_of(x);
  EXPECT_EQ(get(r), x);  // the value itself, not a copy
  *get(r) = I(5);        // 'r.get() = 5' assigns in place
  EXPECT_EQ(x->describe(), "int(5)");
  ++*x;
  EXPECT_EQ(r->describe(), "ref(int(6))");
  EXPECT_EQ(r->method(plang::method_request<char>(factor::vector{}, "get")), x);

  // A clone holds the same value.
  const handle c = r->clone();
  EXPECT_NE(c.get(), r.get());
  EXPECT_EQ(get(c), x);
  *get(c) = I(9);
  EXPECT_EQ(get(r)->describe(), "int(9)");
  EXPECT_TRUE(c->same_value(r));
  EXPECT_TRUE(r->same_value(ref_of(I(9))));  // the held values are equal
  EXPECT_FALSE(r->same_value(ref_of(I(8))));
  EXPECT_FALSE(r->same_value(x));  // a ref is not the value it holds

  // The hash is the held value's.
  std::uint32_t a = 3, b = 3;
  r->hash_into(a);
  x->hash_into(b);
  EXPECT_EQ(a, b);
  EXPECT_EQ(r->get_typeid(), plang::typeid_anchor::ref);
}

TEST(Ref, DefaultHoldsANewNil) {
  const handle r = boost::make_shared<plang::ref>(I(3));
  r->call_constructor();
  EXPECT_EQ(r->describe(), "ref(nil())");
  EXPECT_EQ(get(r)->get_typeid(), plang::typeid_anchor::nil);
  const handle s = boost::make_shared<plang::ref>();
  s->call_constructor();
  EXPECT_NE(get(r), get(s));  // each its own nil
  EXPECT_EQ(plang::ref().describe(), "ref(nil())");
}

TEST(Ref, MethodsOtherThanGetAreRefused) {
  const handle r = ref_of(I(1));
  const std::string wide = "plang/factor/ref(146) plang::ref::method: ";
  EXPECT_EQ(method_outcome(r, L"get", {I(1)}), wide + "id=get, v[0]=int(1)");
  EXPECT_EQ(method_outcome(r, L"foo"), wide + "id=foo, v=0");
  EXPECT_EQ(method_outcome(r, L"Get"), wide + "id=Get, v=0");
  EXPECT_EQ(method_outcome(r, L"ge"), wide + "id=ge, v=0");
  handle result;
  EXPECT_EQ(plang::test::outcome([&] { result = r->method(plang::method_request<char>(factor::vector{I(2)}, "get")); },
                                 result),
            "plang/factor/ref(140) plang::ref::method: id=get, v[0]=int(2)");
}

TEST(Ref, EqualityIsRefusedWithTheRightOperand) {
  const handle r = ref_of(I(1));
  EXPECT_EQ(binary_outcome(r, &factor::eq, r), "plang/factor/ref(56) plang::ref::eq: ref(int(1))");
  EXPECT_EQ(binary_outcome(r, &factor::ne, I(2)), "plang/factor/ref(60) plang::ref::ne: int(2)");
}

TEST(Ref, RefusedOperations) {
  plang::test::expect_refusals(ref_of(I(1)), "plang/factor/ref", "plang::ref::",
                               {
                                   {slot::construct_args, 23},
                                   {slot::add, 28},
                                   {slot::subtract, 32},
                                   {slot::multiply, 36},
                                   {slot::divide, 40},
                                   {slot::mod, 44},
                                   {slot::and_, 48},
                                   {slot::or_, 52},
                                   {slot::eq, 56},
                                   {slot::ne, 60},
                                   {slot::lt, 64},
                                   {slot::gt, 68},
                                   {slot::lte, 72},
                                   {slot::gte, 76},
                                   {slot::not_, 80},
                                   {slot::minus, 84},
                                   {slot::assign, 88},
                                   {slot::increment, 92},
                                   {slot::decrement, 96},
                                   {slot::to_bool, 101},
                                   {slot::to_unsigned, 105},
                                   {slot::to_int, 109},
                                   {slot::to_float, 113},
                                   {slot::to_double, 117},
                                   {slot::to_string, 121},
                                   {slot::to_wstring, 125},
                                   {slot::member_wide, 134},
                                   {slot::member_narrow, 130},
                                   {slot::method_wide, 146},
                                   {slot::method_narrow, 140},
                                   {slot::write_wide, 177},
                                   {slot::write_narrow, 173},
                                   {slot::read_wide, 185},
                                   {slot::read_narrow, 181},
                               });
}

// 'ref r;', 'ref r(x);', 'typeid t;' and 'typeid t(x);' as the type
// registry builds them.
TEST(RefAndTypeid, ThroughTheTypeRegistry) {
  plang::nspace root;
  const std::uint32_t ref_id = root.find_typeid(L"ref"), typeid_id = root.find_typeid(L"typeid");
  EXPECT_EQ(ref_id, plang::typeid_anchor::ref);
  EXPECT_EQ(typeid_id, plang::typeid_anchor::typeid_);
  EXPECT_EQ(root._generate(ref_id, {})->describe(), "ref(nil())");
  EXPECT_EQ(root._generate(typeid_id, {})->describe(), "typeid(0)");

  const handle x = I(1);
  const handle r = root._generate(ref_id, {x});
  *get(r) = I(5);
  EXPECT_EQ(x->describe(), "int(5)");
  EXPECT_EQ(binary_outcome(root._generate(typeid_id, {I(1)}), &factor::eq, root._generate(typeid_id, {I(2)})),
            "bool(1)");
  EXPECT_EQ(root.create_instance(ref_id)->get_typeid(), ref_id);
  EXPECT_EQ(root.create_instance(typeid_id)->get_typeid(), typeid_id);
}

TEST(Typeid, EqualityAgainstOtherValues) {
  const handle one = typeid_of(I(1));
  struct row {
    const char* label;
    handle right;
    bool equal;
  };
  const row rows[] = {
      {"typeid(2)", typeid_of(I(2)), true},
      {"typeid(-7)", typeid_of(I(-7)), true},
      {"typeid(1.0)", typeid_of(plang::real<double>::make_value(1.0)), false},
      {"typeid(1.0f)", typeid_of(plang::real<float>::make_value(1.0f)), false},
      {"typeid(1u)", typeid_of(plang::unsigned_<unsigned int>::make_value(1)), false},
      {"typeid(typeid(1))", typeid_of(one), false},
      {"5", I(5), false},
      {"the raw typeid of int as an int", I(static_cast<int>(plang::typeid_anchor::signed_int)), false},
      {"string", plang::make_string(L"int"), false},
      {"nil", plang::make_nil(), false},
      {"bad_cast", boost::make_shared<plang::exception_<plang::bad_cast_>>(), false},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.label);
    EXPECT_EQ(binary_outcome(one, &factor::eq, r.right), r.equal ? "bool(1)" : "bool(0)");
    EXPECT_EQ(binary_outcome(one, &factor::ne, r.right), r.equal ? "bool(0)" : "bool(1)");
    EXPECT_EQ(one->same_value(r.right), r.equal);
  }
  EXPECT_EQ(typeid_of(one)->describe(),
            "typeid(" + std::to_string(plang::typeid_anchor::typeid_) + ")");  // the type of a typeid
}

TEST(Typeid, ValueConversionsAndKeys) {
  const handle t = boost::make_shared<plang::typeid_>();
  t->call_constructor();
  EXPECT_EQ(t->describe(), "typeid(0)");
  EXPECT_FALSE(t->operator bool());

  const handle i = typeid_of(I(1));
  const std::uint32_t id = plang::typeid_anchor::signed_int;
  EXPECT_EQ(i->describe(), "typeid(" + std::to_string(id) + ")");
  EXPECT_TRUE(i->operator bool());
  EXPECT_EQ(i->operator unsigned int(), id);
  EXPECT_EQ(i->operator int(), static_cast<int>(id));        // the same 32 bits
  EXPECT_EQ(i->operator double(), static_cast<double>(id));  // as an unsigned number
  EXPECT_EQ(i->operator float(), static_cast<float>(id));
  EXPECT_EQ(i->operator std::string(), std::to_string(id));
  EXPECT_EQ(i->operator std::wstring(), std::to_wstring(id));
  // An int plus a typeid reads it as an int.
  EXPECT_EQ(binary_outcome(I(0), &factor::add, i), "int(" + std::to_string(static_cast<int>(id)) + ")");

  const handle c = i->clone();
  EXPECT_NE(c.get(), i.get());
  EXPECT_TRUE(c->same_value(i));
  std::uint32_t a = 5, b = 5, expected = 5;
  c->hash_into(a);
  i->hash_into(b);
  lib::hash_combine(expected, id);
  EXPECT_EQ(a, b);
  EXPECT_EQ(a, expected);
  EXPECT_EQ(i->get_typeid(), plang::typeid_anchor::typeid_);
}

TEST(Typeid, RefusedOperations) {
  plang::test::expect_refusals(typeid_of(I(1)), "plang/factor/typeid_", "plang::typeid_::",
                               {
                                   {slot::construct_args, 22},
                                   {slot::add, 27},
                                   {slot::subtract, 31},
                                   {slot::multiply, 35},
                                   {slot::divide, 39},
                                   {slot::mod, 43},
                                   {slot::and_, 47},
                                   {slot::or_, 51},
                                   {slot::lt, 63},
                                   {slot::gt, 67},
                                   {slot::lte, 71},
                                   {slot::gte, 75},
                                   {slot::not_, 79},
                                   {slot::minus, 83},
                                   {slot::assign, 87},
                                   {slot::increment, 91},
                                   {slot::decrement, 95},
                                   {slot::member_wide, 133},
                                   {slot::member_narrow, 129},
                                   {slot::method_wide, 141},
                                   {slot::method_narrow, 137},
                                   {slot::write_wide, 172},
                                   {slot::write_narrow, 168},
                                   {slot::read_wide, 180},
                                   {slot::read_narrow, 176},
                               });
}

}  // namespace
