// Real values: the integer conversions (exact, saturating), IEEE
// arithmetic with mixed operands, truth and keys, and the maths methods with
// their domain and overflow errors for double and float.
#include "plang/factor/real.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <sstream>

#include <boost/make_shared.hpp>

#include "lib/hash.hpp"
#include "plang/factor/boolean.hpp"
#include "plang/factor/exception.hpp"
#include "plang/factor/nil.hpp"
#include "plang/factor/signed_.hpp"
#include "plang/factor/string_.hpp"
#include "plang/factor/unsigned_.hpp"
#include "plang/method.hpp"
#include "tests/plang/factor/outcome.hpp"

namespace {

using plang::factor;
using plang::handle;
using plang::test::binary_outcome;
using plang::test::method_outcome;
using plang::test::outcome;
using op = void (factor::*)(handle&) const;

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double inf = std::numeric_limits<double>::infinity();
constexpr int int_min = std::numeric_limits<int>::min();

handle D(double v) { return boost::make_shared<plang::real<double>>(v); }
handle F(float v) { return boost::make_shared<plang::real<float>>(v); }
handle I(int v) { return boost::make_shared<plang::signed_<int>>(v); }
handle U(unsigned int v) { return boost::make_shared<plang::unsigned_<unsigned int>>(v); }
handle B(bool v) { return boost::make_shared<plang::boolean>(v); }
handle X() { return boost::make_shared<plang::exception_<plang::bad_cast_>>("f", "g", 1); }

double value_of(const handle& h) { return h->operator double(); }

TEST(Real, IntegerConversions) {
  struct row {
    double v;
    int to_int;
    unsigned int to_unsigned;
  } rows[] = {
      {2.9, 2, 2u},
      {-2.9, -2, 4294967294u},
      {-0.0, 0, 0u},
      {-0.5, 0, 0u},
      {-1.0, -1, 4294967295u},
      {2147483647.0, 2147483647, 2147483647u},
      {2147483647.5, 2147483647, 2147483647u},
      {2147483648.0, int_min, 2147483648u},
      {-2147483648.0, int_min, 2147483648u},
      {-2147483648.9, int_min, 2147483648u},
      {-2147483649.0, int_min, 2147483647u},
      {3e9, int_min, 3000000000u},
      {-3e9, int_min, 1294967296u},
      {4294967296.0, int_min, 0u},
      {4294967297.0, int_min, 1u},
      {9.2e18, int_min, static_cast<unsigned int>(9200000000000000000ull)},
      {-9.2e18, int_min, static_cast<unsigned int>(-9200000000000000000ll)},
      {9223372036854775808.0, int_min, 0u},  // 2^63
      {-9223372036854775808.0, int_min, 0u},
      {1e300, int_min, 0u},
      {inf, int_min, 0u},
      {-inf, int_min, 0u},
      {nan, int_min, 0u},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.v);
    EXPECT_EQ(D(r.v)->operator int(), r.to_int);
    EXPECT_EQ(D(r.v)->operator unsigned int(), r.to_unsigned);
    const float f = static_cast<float>(r.v);
    if (static_cast<double>(f) == r.v || std::isnan(r.v)) {  // the same value as a float
      EXPECT_EQ(F(f)->operator int(), r.to_int);
      EXPECT_EQ(F(f)->operator unsigned int(), r.to_unsigned);
    }
  }
  // The integer classes convert through these, so int 0 + 3e9 is int -2147483648.
  EXPECT_EQ(binary_outcome(I(0), &factor::add, D(3e9)), "int(-2147483648)");
  EXPECT_EQ(binary_outcome(U(0), &factor::add, D(-1.0)), "unsigned int(4294967295)");
  EXPECT_EQ(binary_outcome(I(5), &factor::add, D(2.7)), "int(7)");
  EXPECT_EQ(binary_outcome(I(5), &factor::add, D(-2.7)), "int(3)");
  EXPECT_EQ(binary_outcome(I(1), &factor::add, F(0.5f)), "int(1)");
  EXPECT_EQ(binary_outcome(I(2), &factor::add, D(7.5)), "int(9)");
  EXPECT_EQ(binary_outcome(I(7), &factor::divide, D(0.5)),
            "sig_throw range_error(plang/factor/signed_(44) : plang::signed_<int>::divide)");

  EXPECT_EQ(D(1e300)->operator float(), std::numeric_limits<float>::infinity());
  EXPECT_EQ(D(0.1)->operator float(), 0.1f);
  EXPECT_EQ(F(0.1f)->operator double(), static_cast<double>(0.1f));
  EXPECT_EQ(D(2.5)->operator std::wstring(), L"2.5");
  EXPECT_EQ(D(123456789.0)->operator std::string(), "1.23457e+08");
  EXPECT_EQ(F(0.1f)->operator std::wstring(), L"0.1");
  EXPECT_EQ(D(9.5)->describe(), "double(9.5)");
  EXPECT_EQ(F(1.5f)->describe(), "float(1.5)");
  EXPECT_EQ(binary_outcome(plang::make_string(L"a"), &factor::add, D(2.5)), "string(a2.5)");
}

TEST(Real, Arithmetic) {
  struct row {
    handle left;
    op fn;
    handle right;
    std::string expected;
  };
  const row rows[] = {
      {D(7.5), &factor::add, I(2), "double(9.5)"},
      {F(0.5f), &factor::add, I(1), "float(1.5)"},
      {D(7.5), &factor::subtract, U(1), "double(6.5)"},
      {D(1.5), &factor::multiply, B(true), "double(1.5)"},
      {D(1.5), &factor::add, plang::make_string(L"2.25x"), "double(3.75)"},
      {D(-7.5), &factor::mod, I(2), "double(-1.5)"},
      {D(7.5), &factor::mod, I(-2), "double(1.5)"},
      {D(1), &factor::add, X(),
       "sig_throw bad_cast(plang/factor/exception(137) : plang::exception_<class plang::bad_cast_>::operator double)"},
      {F(1), &factor::add, X(),
       "sig_throw bad_cast(plang/factor/exception(133) : plang::exception_<class plang::bad_cast_>::operator float)"},
      // truth: a NaN is true, both zeros are false; the right operand is read only when needed
      {D(0.0), &factor::_and, X(), "bool(0)"},
      {D(-0.0), &factor::_and, X(), "bool(0)"},
      {D(nan), &factor::_or, X(), "bool(1)"},
      {D(nan), &factor::_and, D(nan), "bool(1)"},
      {D(0.5), &factor::_and, D(-0.0), "bool(0)"},
      {D(0.0), &factor::_or, I(3), "bool(1)"},
      // comparisons under IEEE rules
      {D(nan), &factor::eq, D(nan), "bool(0)"},
      {D(nan), &factor::ne, D(nan), "bool(1)"},
      {D(nan), &factor::lt, D(1), "bool(0)"},
      {D(nan), &factor::gte, D(1), "bool(0)"},
      {D(0.0), &factor::eq, D(-0.0), "bool(1)"},
      {D(2.5), &factor::gt, I(2), "bool(1)"},
      {D(2.0), &factor::lte, I(2), "bool(1)"},
      {F(0.1f), &factor::eq, D(0.1), "bool(1)"},  // the double is rounded to float first
      {D(0.1), &factor::eq, F(0.1f), "bool(0)"},
  };
  for (const row& r : rows) plang::test::expect_binary(r.left, r.fn, r.right, r.expected);

  // Division by zero never raises.
  auto result = [](const handle& left, op fn, const handle& right) {
    handle slot = right;
    ((*left).*fn)(slot);
    return slot;
  };
  EXPECT_EQ(value_of(result(D(1), &factor::divide, I(0))), inf);
  EXPECT_EQ(value_of(result(D(-1), &factor::divide, I(0))), -inf);
  EXPECT_TRUE(std::isnan(value_of(result(D(0), &factor::divide, I(0)))));
  EXPECT_TRUE(std::isnan(value_of(result(D(1), &factor::mod, D(0)))));
  EXPECT_EQ(value_of(result(F(1), &factor::divide, F(0))), inf);

  // float + double is a float: the double is rounded to float, the sum once more.
  const handle sum = result(F(1.0f), &factor::add, D(1e-10));
  EXPECT_EQ(sum->get_typeid(), plang::typeid_anchor::real_float);
  EXPECT_EQ(value_of(sum), 1.0);
  EXPECT_EQ(value_of(result(D(1.0), &factor::add, D(1e-10))), 1.0 + 1e-10);
  const handle third = result(F(1.0f), &factor::divide, F(3.0f));
  EXPECT_EQ(static_cast<const plang::real<float>&>(*third).value, 1.0f / 3.0f);
  EXPECT_EQ(value_of(result(F(3e38f), &factor::multiply, I(10))), inf);
}

TEST(Real, UnaryInPlaceAndKeys) {
  struct row {
    double v;
    const char* not_;
  } rows[] = {{2.5, "double(0)"}, {0.0, "double(1)"}, {-0.0, "double(1)"}, {nan, "double(0)"}};
  for (const row& r : rows) {
    handle slot = D(r.v);
    slot->not_(slot);
    EXPECT_EQ(slot->describe(), r.not_);  // a real, not a boolean
  }
  handle slot = F(2.5f);
  slot->not_(slot);
  EXPECT_EQ(slot->describe(), "float(0)");
  slot = D(0.0);
  slot->minus(slot);
  EXPECT_TRUE(std::signbit(value_of(slot)));
  EXPECT_TRUE(D(nan)->operator bool());
  EXPECT_FALSE(D(-0.0)->operator bool());

  const handle f = F(16777216.0f);
  ++*f;
  EXPECT_EQ(value_of(f), 16777216.0);  // rounded to float
  --*f;
  EXPECT_EQ(value_of(f), 16777215.0);
  *f = D(0.1);
  EXPECT_EQ(static_cast<const plang::real<float>&>(*f).value, 0.1f);
  f->call_constructor(I(-3));
  EXPECT_EQ(f->describe(), "float(-3)");
  f->call_constructor();
  EXPECT_EQ(f->describe(), "float(0)");
  EXPECT_THROW(*f = X(), plang::sig_throw);
  EXPECT_EQ(D(0.5)->clone()->describe(), "double(0.5)");

  auto hash_of = [](const handle& v) {
    std::uint32_t seed = 0;
    v->hash_into(seed);
    return seed;
  };
  EXPECT_TRUE(D(0.0)->same_value(D(-0.0)));  // one key
  EXPECT_EQ(hash_of(D(0.0)), 0x9E3779B9u);
  EXPECT_EQ(hash_of(D(-0.0)), 0x9E3779B9u);
  EXPECT_EQ(hash_of(F(-0.0f)), 0x9E3779B9u);
  EXPECT_FALSE(D(nan)->same_value(D(nan)));
  EXPECT_FALSE(D(1.0)->same_value(F(1.0f)));
  EXPECT_FALSE(D(1.0)->same_value(I(1)));
  EXPECT_TRUE(D(1.5)->same_value(D(1.5)));
  // 1.0 is 0x3FF0000000000000: low word 0, high word 0x3FF00000.
  EXPECT_EQ(hash_of(D(1.0)), 0x3FF00000u + 0x9E3779B9u);
  // 0x3FF0000000000001: seed 1, then 1 ^ (0x3FF00000 + 64 + 0).
  EXPECT_EQ(hash_of(D(std::nextafter(1.0, 2.0))), (1u ^ (0x3FF00000u + 64u)) + 0x9E3779B9u);
  EXPECT_EQ(hash_of(F(1.0f)), 0x3F800000u + 0x9E3779B9u);

  std::ostringstream os;
  D(2.5)->write_ostream(os);
  EXPECT_EQ(os.str(), "2.5");
  plang::real<double> d;
  std::wistringstream wis(L"1.5e3");
  d.read_istream(wis);
  EXPECT_EQ(d.value, 1500.0);
}

// A maths call on a receiver of either class: "value" (the result's value in
// double), or the range error's line.
TEST(Real, MathsDomainAndOverflow) {
  struct row {
    bool is_float;
    const wchar_t* name;
    double receiver;
    std::vector<double> args;
    int error_line;   // 0: none
    double expected;  // when no error; NaN compares as NaN
  };
  const double pi = std::acos(-1.0);
  const row rows[] = {
      {false, L"acos", 1.5, {}, 242, 0},
      {true, L"acos", 1.5, {}, 242, 0},
      {false, L"acos", nan, {}, 0, nan},
      {false, L"acos", -1, {}, 0, pi},
      {false, L"asin", -1.0000001, {}, 247, 0},
      {false, L"asin", -1, {}, 0, -pi / 2},
      {false, L"atan2", 5, {0, 0}, 256, 0},
      {true, L"atan2", 5, {-0.0, 0}, 256, 0},
      {false, L"atan2", 0, {0, -0.0}, 256, 0},
      {false, L"atan2", 123, {1, 0}, 0, pi / 2},
      {false, L"log", 0, {}, 289, 0},
      {false, L"log", -0.0, {}, 289, 0},
      {true, L"log", 0, {}, 289, 0},
      {false, L"log", nan, {}, 0, nan},
      {false, L"log10", -1, {}, 294, 0},
      {false, L"log10", 1000, {}, 0, 3},
      {false, L"sqrt", -1, {}, 308, 0},
      {true, L"sqrt", -1, {}, 308, 0},
      {false, L"sqrt", 2.25, {}, 0, 1.5},
      {false, L"pow", 0, {-1}, 300, 0},
      {true, L"pow", -0.0, {-1}, 300, 0},
      {false, L"pow", 0, {0}, 0, 1},
      {false, L"pow", -8, {1.0 / 3}, 0, nan},
      {false, L"pow", 10, {400}, 303, 0},
      {false, L"pow", -10, {401}, 303, 0},  // magnitude
      {true, L"pow", 10, {39}, 303, 0},
      {false, L"pow", 10, {39}, 0, 1e39},
      {false, L"exp", 710, {}, 276, 0},
      {true, L"exp", 89, {}, 276, 0},
      {false, L"exp", 89, {}, 0, std::exp(89.0)},
      {true, L"exp", 88, {}, 0, static_cast<float>(std::exp(88.0))},
      {false, L"exp", -1000, {}, 0, 0},
      {false, L"cosh", 1000, {}, 262, 0},
      {false, L"cosh", -1000, {}, 262, 0},
      {true, L"cosh", 90, {}, 262, 0},
      {false, L"sinh", 1000, {}, 268, 0},
      {false, L"sinh", -1000, {}, 0, -inf},
      {false, L"cos", 0, {}, 0, 1},
      {false, L"sin", 0, {}, 0, 0},
      {false, L"tan", 0, {}, 0, 0},
      {false, L"atan", 1, {}, 0, pi / 4},
      {false, L"tanh", 1000, {}, 0, 1},
      {false, L"ldexp", 0.5, {4}, 0, 8},
      {false, L"ldexp", 1, {-2.7}, 0, 0.25},  // the count converts as an int
      {false, L"ceil", -1.5, {}, 0, -1},
      {false, L"floor", -1.5, {}, 0, -2},
      {false, L"abs", -2.5, {}, 0, 2.5},
      {false, L"min", -5, {}, 0, 2.2250738585072014e-308},
      {false, L"max", 0, {}, 0, 1.7976931348623157e+308},
      {true, L"min", 0, {}, 0, static_cast<double>(std::numeric_limits<float>::min())},
      {true, L"max", 0, {}, 0, static_cast<double>(std::numeric_limits<float>::max())},
      {false, L"infinity", 0, {}, 0, inf},
  };
  for (const row& r : rows) {
    const handle receiver = r.is_float ? F(static_cast<float>(r.receiver)) : D(r.receiver);
    factor::vector args;
    for (double a : r.args) args.push_back(D(a));
    SCOPED_TRACE(std::string(r.is_float ? "float " : "double ") + plang::make_string(r.name)->describe() + " of " +
                 receiver->describe());
    const char* function = r.is_float ? "plang::real<float>::_method" : "plang::real<double>::_method";
    handle result;
    const plang::method_request<wchar_t> call(args, r.name);
    const std::string got = outcome([&] { result = receiver->method(call); }, result);
    if (r.error_line) {
      EXPECT_EQ(got,
                "sig_throw range_error(plang/factor/real(" + std::to_string(r.error_line) + ") : " + function + ")");
      continue;
    }
    ASSERT_TRUE(result) << got;
    EXPECT_EQ(result->get_typeid(), r.is_float ? plang::typeid_anchor::real_float : plang::typeid_anchor::real_double);
    const double expected = r.is_float ? static_cast<double>(static_cast<float>(r.expected)) : r.expected;
    if (std::isnan(expected)) {
      EXPECT_TRUE(std::isnan(value_of(result)));
    } else {
      EXPECT_DOUBLE_EQ(value_of(result), expected);
    }
  }

  // sqrt of -0.0 is -0.0.
  const handle root = D(-0.0)->method(plang::method_request<wchar_t>(factor::vector{}, L"sqrt"));
  EXPECT_TRUE(std::signbit(value_of(root)));
  EXPECT_EQ(value_of(root), 0.0);
  EXPECT_EQ(D(1e-320)->method(plang::method_request<wchar_t>(factor::vector{}, L"min"))->describe(),
            "double(2.22507e-308)");
  EXPECT_EQ(method_outcome(D(-inf), L"is_infinity"), "bool(1)");
  EXPECT_EQ(method_outcome(D(inf), L"is_infinity"), "bool(1)");
  EXPECT_EQ(method_outcome(D(nan), L"is_infinity"), "bool(0)");
  EXPECT_EQ(method_outcome(F(1e30f), L"is_infinity"), "bool(0)");
}

TEST(Real, FrexpWritesTheArgument) {
  struct row {
    handle receiver;
    handle argument;
    std::string mantissa;
    std::string argument_after;
  };
  const row rows[] = {
      {D(8.0), I(99), "double(0.5)", "int(4)"},
      {D(0.0), I(99), "double(0)", "int(0)"},
      {D(-3.0), I(0), "double(-0.75)", "int(2)"},
      {F(8.0f), I(0), "float(0.5)", "int(4)"},
      {D(8.0), D(0.5), "double(0.5)", "double(4)"},                    // converted to its own class
      {D(8.0), plang::make_string(L"x"), "double(0.5)", "string(4)"},  // a text takes the text
      {D(1.0), U(7), "double(0.5)", "unsigned int(1)"},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.receiver->describe() + " " + r.argument->describe());
    const handle result = r.receiver->method(plang::method_request<wchar_t>(factor::vector{r.argument}, L"frexp"));
    EXPECT_EQ(result->describe(), r.mantissa);
    EXPECT_EQ(r.argument->describe(), r.argument_after);
  }
  // An argument that cannot be assigned from an int raises its own error.
  EXPECT_EQ(method_outcome(D(8.0), L"frexp", {plang::make_nil()}),
            "plang/factor/nil(83) plang::nil::operator =: int(4)");
}

TEST(Real, MethodMissesAndRefusals) {
  const std::string d = "plang/factor/real(231) plang::real<double>::_method: ";
  EXPECT_EQ(method_outcome(D(1), L"pow"), d + "id=pow, v=0");
  EXPECT_EQ(method_outcome(D(1), L"atan2", {D(1)}), d + "id=atan2, v[0]=double(1)");
  EXPECT_EQ(method_outcome(D(1), L"cos", {I(1)}), d + "id=cos, v[0]=int(1)");
  EXPECT_EQ(method_outcome(F(1), L"Sqrt"), "plang/factor/real(231) plang::real<float>::_method: id=Sqrt, v=0");
  const plang::method_request<char> narrow(factor::vector{}, "sqrt");
  EXPECT_EQ(D(6.25)->method(narrow)->describe(), "double(2.5)");
  const plang::method_request<char> narrow_miss(factor::vector{}, "size");
  EXPECT_EQ(outcome([&] { D(1)->method(narrow_miss); }, D(0)), d + "id=size, v=0");
  // A method argument that cannot convert raises its own error.
  EXPECT_EQ(method_outcome(D(2), L"pow", {X()}),
            "sig_throw bad_cast(plang/factor/exception(137) : plang::exception_<class plang::bad_cast_>::operator "
            "double)");

  for (bool is_float : {false, true}) {
    const handle v = is_float ? F(1) : D(1);
    const std::string f = is_float ? "plang::real<float>::" : "plang::real<double>::";
    EXPECT_EQ(outcome([&] { v->call_constructor(factor::vector{I(1)}); }, v),
              "plang/factor/real(26) " + f + "call_constructor: v[0]=int(1)");
    EXPECT_EQ(outcome([&] { v->member(std::string("m")); }, v), "plang/factor/real(133) " + f + "member: m");
    EXPECT_EQ(outcome([&] { v->member(std::wstring(L"w")); }, v), "plang/factor/real(137) " + f + "member: w");
  }
}

}  // namespace
