// u?int values: the operator table (wrapping, mixed signedness), the
// arithmetic against 64-bit reference arithmetic, division errors, methods
// and the refused operations.
#include "plang/factor/unsigned_.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <sstream>

#include <boost/make_shared.hpp>

#include "plang/factor/boolean.hpp"
#include "plang/factor/exception.hpp"
#include "plang/factor/signed_.hpp"
#include "plang/factor/string_.hpp"
#include "plang/method.hpp"
#include "plang/random.hpp"
#include "tests/plang/factor/outcome.hpp"

namespace {

using plang::factor;
using plang::handle;
using plang::test::method_outcome;
using plang::test::outcome;
using op = void (factor::*)(handle&) const;

handle I(int v) { return boost::make_shared<plang::signed_<int>>(v); }
handle U(unsigned int v) { return boost::make_shared<plang::unsigned_<unsigned int>>(v); }
handle B(bool v) { return boost::make_shared<plang::boolean>(v); }
handle S(const wchar_t* t) { return plang::make_string(t); }
handle X() { return boost::make_shared<plang::exception_<plang::bad_cast_>>("f", "g", 1); }

const std::string x_raised =
    "sig_throw bad_cast(plang/factor/exception(125) : plang::exception_<class plang::bad_cast_>::operator unsigned "
    "int)";

TEST(UnsignedInt, OperatorTable) {
  struct row {
    handle left;
    op fn;
    handle right;
    std::string expected;
  };
  const row rows[] = {
      {U(0), &factor::subtract, U(1), "unsigned int(4294967295)"},
      {U(4294967295u), &factor::add, U(1), "unsigned int(0)"},
      {U(1), &factor::subtract, I(2), "unsigned int(4294967295)"},
      {U(65536), &factor::multiply, U(65537), "unsigned int(65536)"},
      {U(7), &factor::divide, U(2), "unsigned int(3)"},
      {U(7), &factor::divide, I(-1), "unsigned int(0)"},  // -1 is 4294967295 here
      {U(7), &factor::mod, I(-2), "unsigned int(7)"},
      {U(4294967295u), &factor::mod, U(10), "unsigned int(5)"},
      {U(7), &factor::divide, U(0),
       "sig_throw range_error(plang/factor/unsigned_(46) : plang::unsigned_<unsigned int>::divide)"},
      {U(7), &factor::mod, U(0),
       "sig_throw range_error(plang/factor/unsigned_(50) : plang::unsigned_<unsigned int>::mod)"},
      {U(1), &factor::lt, I(-1), "bool(1)"},  // -1 converts to 4294967295
      {U(5), &factor::eq, I(5), "bool(1)"},
      {U(5), &factor::add, S(L"-1"), "unsigned int(4)"},
      {U(5), &factor::add, S(L"x"), "unsigned int(5)"},
      {U(5), &factor::add, B(true), "unsigned int(6)"},
      {U(5), &factor::add, X(), x_raised},
      {U(0), &factor::_and, X(), "bool(0)"},
      {U(1), &factor::_or, X(), "bool(1)"},
      {U(1), &factor::_and, X(), x_raised},
      {U(1), &factor::_and, U(2), "bool(1)"},
      {U(0), &factor::_or, I(0), "bool(0)"},
      {U(3), &factor::ne, U(3), "bool(0)"},
      {U(3), &factor::gt, I(-1), "bool(0)"},
      {U(3), &factor::lte, U(3), "bool(1)"},
      {U(3), &factor::gte, U(4), "bool(0)"},
  };
  for (const row& r : rows) plang::test::expect_binary(r.left, r.fn, r.right, r.expected);
}

TEST(UnsignedInt, ArithmeticMatchesReference) {
  std::mt19937 random(977);
  const unsigned int edges[] = {0u, 1u, 2u, 7u, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFEu, 0xFFFFFFFFu, 65536u};
  auto pick = [&](int round) {
    if (round % 3 == 0) return edges[random() % (sizeof edges / sizeof edges[0])];
    return static_cast<unsigned int>(random());
  };
  for (int round = 0; round < 3000; ++round) {
    const unsigned int a = pick(round), b = pick(round + 1);
    SCOPED_TRACE(std::to_string(a) + " op " + std::to_string(b));
    const handle left = U(a);
    auto result = [&](op fn) {
      handle slot = U(b);
      ((*left).*fn)(slot);
      return slot->operator unsigned int();
    };
    auto truth = [&](op fn) {
      handle slot = U(b);
      ((*left).*fn)(slot);
      return slot->operator bool();
    };
    const std::uint64_t x = a, y = b, mask = 0xFFFFFFFFu;
    EXPECT_EQ(result(&factor::add), (x + y) & mask);
    EXPECT_EQ(result(&factor::subtract), (x - y) & mask);
    EXPECT_EQ(result(&factor::multiply), (x * y) & mask);
    if (b != 0) {
      EXPECT_EQ(result(&factor::divide), x / y);
      EXPECT_EQ(result(&factor::mod), x % y);
    }
    EXPECT_EQ(truth(&factor::lt), x < y);
    EXPECT_EQ(truth(&factor::gte), x >= y);
    EXPECT_EQ(truth(&factor::eq), x == y);
    handle negated = left;
    left->minus(negated);
    EXPECT_EQ(negated->operator unsigned int(), (0 - x) & mask);
  }
}

TEST(UnsignedInt, UnaryInPlaceAndConversions) {
  handle slot = U(0);
  slot->not_(slot);
  EXPECT_EQ(slot->describe(), "unsigned int(1)");  // a u?int, not a boolean
  slot = U(9);
  slot->not_(slot);
  EXPECT_EQ(slot->describe(), "unsigned int(0)");
  slot = U(1);
  slot->minus(slot);
  EXPECT_EQ(slot->describe(), "unsigned int(4294967295)");

  const handle v = U(4294967295u);
  ++*v;
  EXPECT_EQ(v->describe(), "unsigned int(0)");
  --*v;
  EXPECT_EQ(v->describe(), "unsigned int(4294967295)");
  EXPECT_EQ(v->operator int(), -1);
  EXPECT_EQ(v->operator double(), 4294967295.0);
  EXPECT_EQ(v->operator float(), 4294967296.0f);
  EXPECT_EQ(v->operator std::string(), "4294967295");
  EXPECT_EQ(v->operator std::wstring(), L"4294967295");
  EXPECT_TRUE(v->operator bool());
  *v = I(-2);
  EXPECT_EQ(v->describe(), "unsigned int(4294967294)");
  v->call_constructor();
  EXPECT_EQ(v->describe(), "unsigned int(0)");
  v->call_constructor(S(L"12"));
  EXPECT_EQ(v->describe(), "unsigned int(12)");
  EXPECT_EQ(U(3)->describe(), "unsigned int(3)");
  EXPECT_EQ(U(3)->clone()->describe(), "unsigned int(3)");

  std::wostringstream wos;
  U(7)->write_ostream(wos);
  EXPECT_EQ(wos.str(), L"7");
  plang::unsigned_<unsigned int> r;
  std::wistringstream wis(L"4000000000");
  r.read_istream(wis);
  EXPECT_EQ(r.value, 4000000000u);

  EXPECT_TRUE(U(5)->same_value(U(5)));
  EXPECT_FALSE(U(5)->same_value(I(5)));
  std::uint32_t a = 0, b = 0;
  U(5)->hash_into(a);
  U(5)->hash_into(b);
  EXPECT_EQ(a, b);
}

TEST(UnsignedInt, MethodsAndRefusals) {
  EXPECT_EQ(method_outcome(U(9), L"max"), "unsigned int(4294967295)");
  EXPECT_EQ(method_outcome(U(9), L"min"), "unsigned int(0)");
  plang::seed_random(1);
  // The sequence is shared: an int's rand and a u?int's rand advance it together.
  EXPECT_EQ(method_outcome(U(0), L"rand"), "unsigned int(41)");
  EXPECT_EQ(method_outcome(I(0), L"rand"), "int(18467)");
  EXPECT_EQ(method_outcome(U(0), L"rand"), "unsigned int(6334)");
  for (int i = 0; i < 1000; ++i) {
    const unsigned int n =
        U(0)->method(plang::method_request<wchar_t>(factor::vector{}, L"rand"))->operator unsigned int();
    EXPECT_LE(n, 32767u);
  }

  const std::string file = "plang/factor/unsigned_";
  EXPECT_EQ(method_outcome(U(1), L"abs"), file + "(214) plang::unsigned_<unsigned int>::_method: id=abs, v=0");
  EXPECT_EQ(method_outcome(U(1), L"max", {U(2)}),
            file + "(214) plang::unsigned_<unsigned int>::_method: id=max, v[0]=unsigned int(2)");
  const handle v = U(3);
  EXPECT_EQ(outcome([&] { v->call_constructor(factor::vector{U(1)}); }, v),
            file + "(27) plang::unsigned_<unsigned int>::call_constructor: v[0]=unsigned int(1)");
  EXPECT_EQ(outcome([&] { v->member(std::string("x")); }, v), file + "(137) plang::unsigned_<unsigned int>::member: x");
  EXPECT_EQ(outcome([&] { v->member(std::wstring(L"y")); }, v),
            file + "(141) plang::unsigned_<unsigned int>::member: y");
}

}  // namespace
