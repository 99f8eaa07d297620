// Text values: joining and comparing with every kind of right operand,
// numbers read from text, the methods, and the refused operations.
#include "plang/factor/string_.hpp"

#include <gtest/gtest.h>

#include <sstream>

#include <boost/make_shared.hpp>
#include <boost/regex.hpp>

#include "lib/hash.hpp"
#include "plang/factor/boolean.hpp"
#include "plang/factor/exception.hpp"
#include "plang/factor/nil.hpp"
#include "plang/factor/signed_.hpp"
#include "plang/factor/unsigned_.hpp"
#include "plang/method.hpp"
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
handle S(const std::wstring& t) { return plang::make_string(t); }
handle X() { return boost::make_shared<plang::exception_<plang::bad_cast_>>("f", "g", 1); }

const std::string x_raised =
    "sig_throw bad_cast(plang/factor/exception(145) : plang::exception_<class plang::bad_cast_>::operator class "
    "std::basic_string<wchar_t,struct std::char_traits<wchar_t>,class std::allocator<wchar_t> >)";

TEST(Text, JoinAndCompare) {
  struct row {
    std::wstring left;
    op fn;
    handle right;
    std::string expected;
  };
  const row rows[] = {
      {L"a", &factor::add, I(5), "string(a5)"},
      {L"a", &factor::add, I(-5), "string(a-5)"},
      {L"a", &factor::add, U(4294967295u), "string(a4294967295)"},
      {L"a", &factor::add, B(true), "string(a1)"},
      {L"a", &factor::add, plang::make_nil(), "string(a0)"},
      {L"a", &factor::add, S(L"bc"), "string(abc)"},
      {L"", &factor::add, S(L""), "string()"},
      {L"a", &factor::add, X(), x_raised},
      {L"10", &factor::lt, I(9), "bool(1)"},  // text order, not number order
      {L"abc", &factor::eq, S(L"abc"), "bool(1)"},
      {L"abc", &factor::ne, S(L"abc"), "bool(0)"},
      {L"5", &factor::eq, I(5), "bool(1)"},
      {L"1", &factor::eq, B(true), "bool(1)"},
      {L"", &factor::lt, S(L"a"), "bool(1)"},
      {L"ab", &factor::lt, S(L"abc"), "bool(1)"},
      {L"abc", &factor::gt, S(L"ab"), "bool(1)"},
      {L"b", &factor::gt, S(L"abc"), "bool(1)"},
      {L"ab", &factor::lte, S(L"ab"), "bool(1)"},
      {L"ab", &factor::gte, S(L"b"), "bool(0)"},
      {L"a", &factor::lt, X(), x_raised},
      // as UTF-16: a character above U+FFFF (a surrogate pair) sorts below U+E000..U+FFFF
      {L"\U00010000", &factor::lt, S(L"\uE000"), "bool(1)"},
      {L"\uFFFD", &factor::gt, S(L"\U0010FFFF"), "bool(1)"},
      {L"\uD7FF", &factor::lt, S(L"\U00010000"), "bool(1)"},
      {L"\U00010001", &factor::gt, S(L"\U00010000"), "bool(1)"},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.right->describe() + " -> " + r.expected);
    const handle left = S(r.left);
    handle slot = r.right;
    EXPECT_EQ(outcome([&] { ((*left).*(r.fn))(slot); }, slot), r.expected);
    EXPECT_EQ(left->operator std::wstring(), r.left);
    if (r.expected.rfind("sig_throw", 0) == 0) {
      EXPECT_EQ(slot, r.right);
    }
  }
}

TEST(Text, ReadsNumbers) {
  struct row {
    const wchar_t* text;
    int i;
    unsigned int u;
    double d;
  } rows[] = {
      {L"12abc", 12, 12u, 12.0},
      {L"  -3", -3, 4294967293u, -3.0},
      {L"+7", 7, 7u, 7.0},
      {L"abc", 0, 0u, 0.0},  // no number reads as 0
      {L"", 0, 0u, 0.0},
      {L"1.5e3", 1, 1u, 1500.0},
      {L".5", 0, 0u, 0.5},
      {L"99999999999", 2147483647, 4294967295u, 99999999999.0},  // saturates
      {L"-99999999999", -2147483647 - 1, 4294967295u, -99999999999.0},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(plang::make_string(r.text)->describe());
    const handle t = S(r.text);
    EXPECT_EQ(t->operator int(), r.i);
    EXPECT_EQ(t->operator unsigned int(), r.u);
    EXPECT_EQ(t->operator double(), r.d);
    EXPECT_EQ(t->operator float(), static_cast<float>(r.d));
  }
  EXPECT_EQ(outcome([] { (void)S(L"1")->operator bool(); }, S(L"")),
            "sig_throw bad_cast(plang/factor/string_(106) : plang::string_<wchar_t>::operator bool)");
  // Nor can a text be the right operand of logic.
  handle slot = S(L"1");
  EXPECT_THROW(B(true)->_and(slot), plang::sig_throw);
}

TEST(Text, Methods) {
  EXPECT_EQ(method_outcome(S(L""), L"empty"), "bool(1)");
  EXPECT_EQ(method_outcome(S(L"x"), L"empty"), "bool(0)");
  EXPECT_EQ(method_outcome(S(L""), L"size"), "unsigned int(0)");
  EXPECT_EQ(method_outcome(S(L"a\U0001F600b"), L"size"), "unsigned int(3)");  // characters
  EXPECT_EQ(method_outcome(S(L"abc"), L"at", {I(0)}), "string(a)");
  EXPECT_EQ(method_outcome(S(L"abc"), L"at", {U(2)}), "string(c)");
  EXPECT_EQ(method_outcome(S(L"abc"), L"at", {S(L"1")}), "string(b)");
  const std::string at_error = "sig_throw range_error(plang/factor/string_(204) : plang::string_<wchar_t>::_method)";
  EXPECT_EQ(method_outcome(S(L"abc"), L"at", {I(3)}), at_error);
  EXPECT_EQ(method_outcome(S(L"abc"), L"at", {I(-1)}), at_error);
  EXPECT_EQ(method_outcome(S(L""), L"at", {I(0)}), at_error);

  EXPECT_EQ(method_outcome(S(L"abc"), L"match", {S(L"a.c")}), "bool(1)");
  EXPECT_EQ(method_outcome(S(L"abcd"), L"match", {S(L"a.c")}), "bool(0)");  // the whole text
  EXPECT_EQ(method_outcome(S(L"xabc"), L"match", {S(L"a.c")}), "bool(0)");
  EXPECT_EQ(method_outcome(S(L"ab12"), L"match", {S(L"\\w+\\d{2}")}), "bool(1)");
  EXPECT_EQ(method_outcome(S(L"a\U0001F600c"), L"match", {S(L"a.c")}), "bool(1)");
  // A pattern that does not compile raises the regex library's error.
  const handle text = S(L"abc");
  const plang::method_request<wchar_t> bad(factor::vector{S(L"a(")}, L"match");
  EXPECT_THROW(text->method(bad), boost::regex_error);

  const std::string miss = "plang/factor/string_(194) plang::string_<wchar_t>::_method: ";
  EXPECT_EQ(method_outcome(S(L"abc"), L"size", {I(1)}), miss + "id=size, v[0]=int(1)");
  EXPECT_EQ(method_outcome(S(L"abc"), L"at"), miss + "id=at, v=0");
  EXPECT_EQ(method_outcome(S(L"abc"), L"length"), miss + "id=length, v=0");
  const plang::method_request<char> narrow(factor::vector{}, "size");
  EXPECT_EQ(text->method(narrow)->describe(), "unsigned int(3)");
  const plang::method_request<char> narrow_miss(factor::vector{I(1)}, "empty");
  EXPECT_EQ(outcome([&] { text->method(narrow_miss); }, text), miss + "id=empty, v[0]=int(1)");
}

TEST(Text, RefusedOperations) {
  const handle t = S(L"hi");
  const handle x = X();
  const std::string x_text = "bad_cast(f(1) : g)";
  std::ostringstream os;
  std::istringstream is("w");
  struct row {
    int line;
    std::string message;
    std::function<void()> fn;
  };
  auto binary = [&](op fn) {
    return [fn, &t, &x] {
      handle slot = x;
      ((*t).*fn)(slot);
    };
  };
  const std::string f = "plang::string_<wchar_t>::";
  const row rows[] = {
      {28, f + "call_constructor: v[0]=int(1)", [&] { t->call_constructor(factor::vector{I(1)}); }},
      {37, f + "subtract: " + x_text, binary(&factor::subtract)},
      {41, f + "multiply: " + x_text, binary(&factor::multiply)},
      {45, f + "divide: " + x_text, binary(&factor::divide)},
      {49, f + "mod: " + x_text, binary(&factor::mod)},
      {53, f + "_and: " + x_text, binary(&factor::_and)},
      {57, f + "_or: " + x_text, binary(&factor::_or)},
      {85, f + "not: string(hi)",
       [&] {
         handle h = t;
         t->not_(h);
       }},
      {89, f + "minus: string(hi)",
       [&] {
         handle h = t;
         t->minus(h);
       }},
      {97, f + "operator ++: ", [&] { ++*t; }},
      {101, f + "operator --: ", [&] { --*t; }},
      {131, f + "member: n", [&] { t->member(std::string("n")); }},
      {135, f + "member: w", [&] { t->member(std::wstring(L"w")); }},
  };
  for (const row& r : rows) {
    EXPECT_EQ(outcome(r.fn, t), "plang/factor/string_(" + std::to_string(r.line) + ") " + r.message);
    EXPECT_EQ(t->describe(), "string(hi)");
  }
  // Narrow text and narrow streams are the base's "undefined".
  EXPECT_EQ(outcome([&] { (void)t->operator std::string(); }, t).substr(0, 24), "plang/factor/factor(117)");
  EXPECT_EQ(outcome([&] { t->write_ostream(os); }, t),
            "plang/factor/factor(151) plang::factor::write_ostream: undefined");
  EXPECT_EQ(outcome([&] { t->read_istream(is); }, t),
            "plang/factor/factor(159) plang::factor::read_istream: undefined");
}

TEST(Text, AssignmentCopiesStreamsAndKeys) {
  const handle t = S(L"");
  t->call_constructor(I(-5));
  EXPECT_EQ(t->describe(), "string(-5)");
  *t = B(false);
  EXPECT_EQ(t->describe(), "string(0)");
  *t = S(L"hi");
  t->call_constructor();  // nothing
  EXPECT_EQ(t->operator std::wstring(), L"hi");
  EXPECT_THROW(*t = X(), plang::sig_throw);
  EXPECT_EQ(t->describe(), "string(hi)");

  const handle copy = t->clone();
  *t = S(L"changed");
  EXPECT_EQ(copy->describe(), "string(hi)");

  EXPECT_EQ(S(L"\u3042")->describe(), "string(\x82\xa0)");  // in the system code page

  std::wostringstream wos;
  wos.width(4);
  S(L"ab")->write_ostream(wos);
  EXPECT_EQ(wos.str(), L"  ab");
  std::wistringstream wis(L"  one two");
  t->read_istream(wis);
  EXPECT_EQ(t->operator std::wstring(), L"one");

  auto hash_of = [](const handle& v) {
    std::uint32_t seed = 0;
    v->hash_into(seed);
    return seed;
  };
  EXPECT_TRUE(S(L"abc")->same_value(S(L"abc")));
  EXPECT_EQ(hash_of(S(L"abc")), hash_of(S(L"abc")));
  std::uint32_t expected = 0;
  lib::hash_combine(expected, lib::hash_text(std::wstring(L"abc")));
  EXPECT_EQ(hash_of(S(L"abc")), expected);
  EXPECT_FALSE(S(L"abc")->same_value(S(L"abd")));
  EXPECT_FALSE(S(L"5")->same_value(I(5)));
  EXPECT_EQ(S(L"")->get_typeid(), plang::typeid_anchor::string);
}

}  // namespace
