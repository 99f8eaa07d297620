// The value interface: base defaults, argument vectors, signatures and the
// texts of arguments and calls.
#include "plang/factor/factor.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <sstream>

#include <boost/make_shared.hpp>

#include "plang/exception.hpp"
#include "plang/method.hpp"
#include "tests/plang/factor/probe.hpp"

namespace {

using plang::factor;
using plang::handle;
using plang::test::probe;

std::string message_of(const std::function<void()>& op) {
  try {
    op();
  } catch (const plang::exception& e) {
    return e.what();
  }
  return "(nothing raised)";
}

TEST(FactorDefaults, RaiseUndefinedAtTheirLines) {
  probe p;
  std::ostringstream os;
  std::wostringstream wos;
  std::istringstream is("1");
  const plang::method_request<char> call(factor::vector{}, "size");
  struct row {
    std::function<void()> op;
    const char* expected;
  } rows[] = {
      {[&] { (void)p.operator std::string(); },
       "plang/factor/factor(117) plang::factor::operator class std::basic_string<char,struct "
       "std::char_traits<char>,class std::allocator<char> >: undefined"},
      {[&] { p.member(std::string("x")); }, "plang/factor/factor(126) plang::factor::member: undefined"},
      {[&] { p.method(call); }, "plang/factor/factor(134) plang::factor::method: undefined"},
      {[&] { p.write_ostream(os); }, "plang/factor/factor(151) plang::factor::write_ostream: undefined"},
      {[&] { p.write_ostream(wos); }, "plang/factor/factor(155) plang::factor::write_ostream: undefined"},
      {[&] { p.read_istream(is); }, "plang/factor/factor(159) plang::factor::read_istream: undefined"},
  };
  for (const row& r : rows) EXPECT_EQ(message_of(r.op), r.expected);

  p.n = 5;
  p.call_constructor();  // the default does nothing
  EXPECT_EQ(p.n, 5);
}

TEST(ArgumentVector, CopiesShareValuesAndIndexIsChecked) {
  factor::vector a{boost::make_shared<probe>(1), boost::make_shared<probe>(2)};
  factor::vector b = a;
  ++*b[1];
  EXPECT_EQ(static_cast<int>(*a[1]), 3);
  b.push_back(boost::make_shared<probe>(9));
  EXPECT_EQ(a.size(), 2u);
  EXPECT_EQ(b.size(), 3u);
  EXPECT_THROW(a[2], std::out_of_range);

  const factor::vector sized(3);
  EXPECT_EQ(sized.size(), 3u);
  EXPECT_FALSE(sized[2]);
  EXPECT_THROW(sized[3], std::out_of_range);
}

TEST(Signature, OfArgumentsHashAndEquality) {
  EXPECT_TRUE(plang::signature_of(factor::vector{}).empty());
  std::uint32_t seed = 77;
  plang::hash_signature(plang::signature{}, seed);
  EXPECT_EQ(seed, 77u);

  const plang::signature sig =
      plang::signature_of(factor::vector{boost::make_shared<probe>(), boost::make_shared<probe>()});
  EXPECT_EQ(sig, (plang::signature{probe::id, probe::id}));
  seed = 0;
  plang::hash_signature(sig, seed);
  std::uint32_t expected = 0;
  for (int i = 0; i < 2; ++i) expected ^= probe::id + 0x9E3779B9u + (expected << 6) + (expected >> 2);
  EXPECT_EQ(seed, expected);

  EXPECT_TRUE(plang::same_signature(sig, plang::signature{probe::id, probe::id}));
  EXPECT_FALSE(plang::same_signature(sig, plang::signature{probe::id}));
  EXPECT_FALSE(plang::same_signature(sig, plang::signature{probe::id, 43}));
  EXPECT_TRUE(plang::same_signature(plang::signature{}, plang::signature{}));
}

TEST(Describe, ArgumentsAndCalls) {
  EXPECT_EQ(plang::describe_arguments(factor::vector{}), "");
  const factor::vector three{boost::make_shared<probe>(1), boost::make_shared<probe>(-2), boost::make_shared<probe>(3)};
  EXPECT_EQ(plang::describe_arguments(three), "v[0]=probe(1), v[1]=probe(-2), v[2]=probe(3)");

  EXPECT_EQ(plang::describe_call(plang::method_request<char>(factor::vector{}, "size")), "id=size, v=0");
  EXPECT_EQ(plang::describe_call(plang::method_request<wchar_t>(three, L"at")),
            "id=at, v[0]=probe(1), v[1]=probe(-2), v[2]=probe(3)");
  // A wide name goes to the system code page.
  EXPECT_EQ(plang::describe_call<wchar_t>(plang::method_request<wchar_t>(factor::vector{}, L"\u3042")),
            "id=\x82\xA0, v=0");
}

TEST(Refuse, TextsOfTheConvention) {
  const probe operand(4);
  const factor::vector args{boost::make_shared<probe>(1)};
  EXPECT_EQ(message_of([&] { plang::refuse_arguments("f", "c::call_constructor", 1, args); }),
            "f(1) c::call_constructor: v[0]=probe(1)");
  EXPECT_EQ(message_of([&] { plang::refuse_operand("f", "c::add", 2, operand); }), "f(2) c::add: probe(4)");
  EXPECT_EQ(message_of([] { plang::refuse("f", "c::operator ++", 3); }), "f(3) c::operator ++: ");
  EXPECT_EQ(message_of([] { plang::refuse_member("f", "c::member", 4, std::string("nm")); }), "f(4) c::member: nm");
  EXPECT_EQ(message_of([] { plang::refuse_member("f", "c::member", 5, std::wstring(L"\u3042")); }),
            "f(5) c::member: \x82\xA0");
  EXPECT_EQ(message_of([] {
              plang::refuse_method("f", "c::method", 6, plang::method_request<wchar_t>(factor::vector{}, L"m"));
            }),
            "f(6) c::method: id=m, v=0");
}

}  // namespace
