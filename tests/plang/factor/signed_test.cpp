// Int values: the operator table (wrapping, signs, mixed operands), the
// arithmetic against 64-bit reference arithmetic on seeded random operands,
// division errors, methods and the refused operations.
#include "plang/factor/signed_.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <random>
#include <sstream>

#include <boost/make_shared.hpp>

#include "plang/factor/boolean.hpp"
#include "plang/factor/exception.hpp"
#include "plang/factor/nil.hpp"
#include "plang/factor/string_.hpp"
#include "plang/factor/unsigned_.hpp"
#include "plang/method.hpp"
#include "plang/random.hpp"
#include "tests/plang/factor/outcome.hpp"

namespace {

using plang::factor;
using plang::handle;
using plang::test::binary_outcome;
using plang::test::method_outcome;
using op = void (factor::*)(handle&) const;

constexpr int int_min = std::numeric_limits<int>::min();
constexpr int int_max = std::numeric_limits<int>::max();

handle I(int v) { return boost::make_shared<plang::signed_<int>>(v); }
handle U(unsigned int v) { return boost::make_shared<plang::unsigned_<unsigned int>>(v); }
handle B(bool v) { return boost::make_shared<plang::boolean>(v); }
handle S(const wchar_t* t) { return plang::make_string(t); }
handle X() { return boost::make_shared<plang::exception_<plang::bad_cast_>>("f", "g", 1); }  // converts to nothing

const std::string x_raised =
    "sig_throw bad_cast(plang/factor/exception(129) : plang::exception_<class plang::bad_cast_>::operator int)";

TEST(SignedInt, OperatorTable) {
  struct row {
    handle left;
    op fn;
    handle right;
    std::string expected;
  };
  const row rows[] = {
      // wrapping
      {I(int_max), &factor::add, I(1), "int(-2147483648)"},
      {I(int_min), &factor::subtract, I(1), "int(2147483647)"},
      {I(65536), &factor::multiply, I(65536), "int(0)"},
      {I(-3), &factor::multiply, I(int_min), "int(-2147483648)"},
      // truncating division, remainder with the dividend's sign
      {I(-7), &factor::divide, I(2), "int(-3)"},
      {I(7), &factor::divide, I(-2), "int(-3)"},
      {I(-7), &factor::mod, I(2), "int(-1)"},
      {I(7), &factor::mod, I(-2), "int(1)"},
      {I(-7), &factor::mod, I(-2), "int(-1)"},
      {I(int_min), &factor::divide, I(-1), "int(-2147483648)"},
      {I(int_min), &factor::mod, I(-1), "int(0)"},
      {I(5), &factor::divide, I(-1), "int(-5)"},
      // a zero divisor
      {I(7), &factor::divide, I(0), "sig_throw range_error(plang/factor/signed_(44) : plang::signed_<int>::divide)"},
      {I(7), &factor::mod, I(0), "sig_throw range_error(plang/factor/signed_(48) : plang::signed_<int>::mod)"},
      {I(7), &factor::divide, S(L"abc"),
       "sig_throw range_error(plang/factor/signed_(44) : plang::signed_<int>::divide)"},
      // the right operand converts through its own class
      {I(-1), &factor::lt, U(1), "bool(1)"},
      {I(1), &factor::lt, U(4294967295u), "bool(0)"},  // u?int 4294967295 is int -1
      {I(5), &factor::eq, U(5), "bool(1)"},
      {I(1), &factor::add, B(true), "int(2)"},
      {I(1), &factor::add, plang::make_nil(), "int(1)"},
      {I(5), &factor::add, S(L"7"), "int(12)"},
      {I(5), &factor::add, S(L"12abc"), "int(17)"},
      {I(5), &factor::add, S(L"abc"), "int(5)"},
      {I(5), &factor::add, S(L""), "int(5)"},
      {I(5), &factor::subtract, S(L" -3"), "int(8)"},
      {I(5), &factor::add, X(), x_raised},
      // logic converts the right operand only when the left does not decide
      {I(0), &factor::_and, X(), "bool(0)"},
      {I(2), &factor::_or, X(), "bool(1)"},
      {I(2), &factor::_and, X(), x_raised},
      {I(0), &factor::_or, X(), x_raised},
      {I(2), &factor::_and, I(-1), "bool(1)"},
      {I(2), &factor::_and, I(0), "bool(0)"},
      {I(0), &factor::_or, I(0), "bool(0)"},
      {I(0), &factor::_or, U(3), "bool(1)"},
      // comparisons
      {I(-2), &factor::ne, I(-2), "bool(0)"},
      {I(-2), &factor::gt, I(-3), "bool(1)"},
      {I(-2), &factor::lte, I(-2), "bool(1)"},
      {I(-2), &factor::gte, I(-1), "bool(0)"},
  };
  for (const row& r : rows) plang::test::expect_binary(r.left, r.fn, r.right, r.expected);
}

// Independent reference: the exact result in 64 bits, reduced modulo 2^32.
int reduce(std::int64_t v) {
  const std::uint32_t low = static_cast<std::uint32_t>(static_cast<std::uint64_t>(v));
  return low >= 0x80000000u ? static_cast<int>(static_cast<std::int64_t>(low) - 0x100000000LL) : static_cast<int>(low);
}

TEST(SignedInt, ArithmeticMatchesReference) {
  std::mt19937 random(20240611);
  const int edges[] = {0, 1, -1, 2, -2, 7, -7, int_max, int_min, int_max - 1, int_min + 1, 65536, -65536};
  auto pick = [&](int round) {
    if (round % 3 == 0) return edges[random() % (sizeof edges / sizeof edges[0])];
    return static_cast<int>(static_cast<std::uint32_t>(random()));
  };
  for (int round = 0; round < 3000; ++round) {
    const int a = pick(round), b = pick(round / 3 + round);
    SCOPED_TRACE(std::to_string(a) + " op " + std::to_string(b));
    const handle left = I(a);
    auto result = [&](op fn) {
      handle slot = I(b);
      ((*left).*fn)(slot);
      return slot->operator int();
    };
    auto truth = [&](op fn) {
      handle slot = I(b);
      ((*left).*fn)(slot);
      EXPECT_EQ(slot->get_typeid(), plang::typeid_anchor::boolean);
      return slot->operator bool();
    };
    const std::int64_t x = a, y = b;
    EXPECT_EQ(result(&factor::add), reduce(x + y));
    EXPECT_EQ(result(&factor::subtract), reduce(x - y));
    EXPECT_EQ(result(&factor::multiply), reduce(x * y));
    if (b != 0) {
      EXPECT_EQ(result(&factor::divide), reduce(x / y));
      EXPECT_EQ(result(&factor::mod), reduce(x % y));
    }
    EXPECT_EQ(truth(&factor::lt), x < y);
    EXPECT_EQ(truth(&factor::gt), x > y);
    EXPECT_EQ(truth(&factor::lte), x <= y);
    EXPECT_EQ(truth(&factor::gte), x >= y);
    EXPECT_EQ(truth(&factor::eq), x == y);
    EXPECT_EQ(truth(&factor::ne), x != y);
    handle negated = left;
    left->minus(negated);
    EXPECT_EQ(negated->operator int(), reduce(-x));
  }
}

TEST(SignedInt, UnaryAndInPlace) {
  struct row {
    int v;
    const char* not_;
    const char* minus;
  } rows[] = {{0, "int(1)", "int(0)"},
              {5, "int(0)", "int(-5)"},
              {-1, "int(0)", "int(1)"},
              {int_min, "int(0)", "int(-2147483648)"}};
  for (const row& r : rows) {
    handle slot = I(r.v);
    slot->not_(slot);
    EXPECT_EQ(slot->describe(), r.not_);  // an int, not a boolean
    slot = I(r.v);
    slot->minus(slot);
    EXPECT_EQ(slot->describe(), r.minus);
  }

  // In place, seen through every handle that holds the value.
  const handle v = I(int_max);
  const handle alias = v;
  ++*v;
  EXPECT_EQ(alias->describe(), "int(-2147483648)");
  --*v;
  EXPECT_EQ(alias->describe(), "int(2147483647)");
  *v = U(4294967295u);
  EXPECT_EQ(alias->describe(), "int(-1)");
  v->call_constructor(S(L"42x"));
  EXPECT_EQ(alias->describe(), "int(42)");
  v->call_constructor();
  EXPECT_EQ(alias->describe(), "int(0)");
  EXPECT_THROW(*v = X(), plang::sig_throw);
  EXPECT_EQ(alias->describe(), "int(0)");

  const handle copy = I(3)->clone();
  EXPECT_EQ(copy->describe(), "int(3)");
  EXPECT_EQ(copy->get_typeid(), plang::typeid_anchor::signed_int);
}

TEST(SignedInt, ConversionsAndText) {
  const handle m = I(-1);
  EXPECT_TRUE(m->operator bool());
  EXPECT_FALSE(I(0)->operator bool());
  EXPECT_EQ(m->operator unsigned int(), 4294967295u);
  EXPECT_EQ(m->operator int(), -1);
  EXPECT_EQ(I(int_min)->operator double(), -2147483648.0);
  EXPECT_EQ(I(16777217)->operator float(), 16777216.0f);  // rounded to float
  EXPECT_EQ(I(-42)->operator std::string(), "-42");
  EXPECT_EQ(I(int_min)->operator std::wstring(), L"-2147483648");
  EXPECT_EQ(I(-3)->describe(), "int(-3)");

  std::ostringstream os;
  std::wostringstream wos;
  I(-12)->write_ostream(os);
  I(34)->write_ostream(wos);
  EXPECT_EQ(os.str(), "-12");
  EXPECT_EQ(wos.str(), L"34");
  plang::signed_<int> v;
  std::istringstream is("-17");
  v.read_istream(is);
  EXPECT_EQ(v.value, -17);
  std::wistringstream wis(L"23");
  v.read_istream(wis);
  EXPECT_EQ(v.value, 23);
}

TEST(SignedInt, MapKeys) {
  auto hash_of = [](const handle& v) {
    std::uint32_t seed = 0;
    v->hash_into(seed);
    return seed;
  };
  EXPECT_TRUE(I(5)->same_value(I(5)));
  EXPECT_EQ(hash_of(I(5)), hash_of(I(5)));
  EXPECT_EQ(hash_of(I(-1)), 0xFFFFFFFFu + 0x9E3779B9u);
  EXPECT_FALSE(I(5)->same_value(I(6)));
  EXPECT_FALSE(I(5)->same_value(U(5)));  // equal by eq, but another key
  EXPECT_FALSE(I(1)->same_value(B(true)));
}

TEST(SignedInt, Methods) {
  EXPECT_EQ(method_outcome(I(-5), L"abs"), "int(5)");
  EXPECT_EQ(method_outcome(I(5), L"abs"), "int(5)");
  EXPECT_EQ(method_outcome(I(int_min), L"abs"), "int(-2147483648)");
  EXPECT_EQ(method_outcome(I(9), L"max"), "int(2147483647)");
  EXPECT_EQ(method_outcome(I(9), L"min"), "int(-2147483648)");

  // rand draws from the shared sequence.
  plang::seed_random(77);
  std::uint32_t state = 77;
  for (int i = 0; i < 200; ++i) {
    state = state * 214013u + 2531011u;
    const int expected = static_cast<int>((state >> 16) & 0x7FFFu);
    EXPECT_EQ(method_outcome(I(0), L"rand"), "int(" + std::to_string(expected) + ")");
  }

  // The narrow record reaches the same methods.
  const plang::method_request<char> narrow(factor::vector{}, "abs");
  EXPECT_EQ(I(-8)->method(narrow)->describe(), "int(8)");

  const std::string miss = "plang/factor/signed_(213) plang::signed_<int>::_method: ";
  EXPECT_EQ(method_outcome(I(1), L"abs", {I(1)}), miss + "id=abs, v[0]=int(1)");
  EXPECT_EQ(method_outcome(I(1), L"max", {S(L"x")}), miss + "id=max, v[0]=string(x)");
  EXPECT_EQ(method_outcome(I(1), L"Abs"), miss + "id=Abs, v=0");
  const plang::method_request<char> narrow_miss(factor::vector{}, "size");
  EXPECT_EQ(plang::test::outcome([&] { I(1)->method(narrow_miss); }, I(0)), miss + "id=size, v=0");
}

TEST(SignedInt, RefusedOperations) {
  const handle v = I(3);
  const std::string file = "plang/factor/signed_";
  EXPECT_EQ(plang::test::outcome(
                [&] {
                  v->call_constructor(factor::vector{I(1), B(false)});
                },
                v),
            file + "(25) plang::signed_<int>::call_constructor: v[0]=int(1), v[1]=bool(0)");
  EXPECT_EQ(plang::test::outcome([&] { v->member(std::string("x")); }, v),
            file + "(135) plang::signed_<int>::member: x");
  EXPECT_EQ(plang::test::outcome([&] { v->member(std::wstring(L"y")); }, v),
            file + "(139) plang::signed_<int>::member: y");
  EXPECT_EQ(v->describe(), "int(3)");
}

}  // namespace
