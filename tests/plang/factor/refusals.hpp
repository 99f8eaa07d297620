// Every refused slot of a value class in one table: each slot runs with
// fixed operands, and the refusal must be the convention's, at the line
// the row gives: an interpreter error whose text follows from the slot, or
// a bad_cast value for a conversion. The value must be unchanged after.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <sstream>
#include <string>

#include <boost/make_shared.hpp>

#include "plang/factor/factor.hpp"
#include "plang/factor/nil.hpp"
#include "plang/factor/signed_.hpp"
#include "tests/plang/factor/outcome.hpp"

namespace plang::test {

enum class slot {
  construct_args,
  construct_value,
  construct,
  add,
  subtract,
  multiply,
  divide,
  mod,
  and_,
  or_,
  eq,
  ne,
  lt,
  gt,
  lte,
  gte,
  not_,
  minus,
  assign,
  increment,
  decrement,
  to_bool,
  to_unsigned,
  to_int,
  to_float,
  to_double,
  to_string,
  to_wstring,
  member_wide,
  member_narrow,
  method_wide,
  method_narrow,
  write_wide,
  write_narrow,
  read_wide,
  read_narrow,
};

struct refusal {
  slot s;
  int line;
};

// The operation's name in function texts, the text the convention gives
// with the operands below, and whether the slot is a conversion.
struct slot_form {
  const char* name;
  std::string text;
  bool conversion;
};

inline slot_form form_of(slot s, const std::string& self_text) {
  const std::string right = "int(7)";
  switch (s) {
    case slot::construct_args:
      return {"call_constructor", "v[0]=int(1), v[1]=nil()", false};
    case slot::construct_value:
      return {"call_constructor", right, false};
    case slot::construct:
      return {"call_constructor", "", false};
    case slot::add:
      return {"add", right, false};
    case slot::subtract:
      return {"subtract", right, false};
    case slot::multiply:
      return {"multiply", right, false};
    case slot::divide:
      return {"divide", right, false};
    case slot::mod:
      return {"mod", right, false};
    case slot::and_:
      return {"_and", right, false};
    case slot::or_:
      return {"_or", right, false};
    case slot::eq:
      return {"eq", right, false};
    case slot::ne:
      return {"ne", right, false};
    case slot::lt:
      return {"lt", right, false};
    case slot::gt:
      return {"gt", right, false};
    case slot::lte:
      return {"lte", right, false};
    case slot::gte:
      return {"gte", right, false};
    case slot::not_:
      return {"not", self_text, false};
    case slot::minus:
      return {"minus", self_text, false};
    case slot::assign:
      return {"operator =", right, false};
    case slot::increment:
      return {"operator ++", "", false};
    case slot::decrement:
      return {"operator --", "", false};
    case slot::to_bool:
      return {"operator bool", "", true};
    case slot::to_unsigned:
      return {"operator unsigned int", "", true};
    case slot::to_int:
      return {"operator int", "", true};
    case slot::to_float:
      return {"operator float", "", true};
    case slot::to_double:
      return {"operator double", "", true};
    case slot::to_string:
      return {"operator class std::basic_string<char,struct std::char_traits<char>,class std::allocator<char> >", "",
              true};
    case slot::to_wstring:
      return {
          "operator class std::basic_string<wchar_t,struct std::char_traits<wchar_t>,class "
          "std::allocator<wchar_t> >",
          "", true};
    case slot::member_wide:
      return {"member", "name", false};
    case slot::member_narrow:
      return {"member", "name", false};
    case slot::method_wide:
      return {"method", "id=foo, v=0", false};
    case slot::method_narrow:
      return {"method", "id=foo, v[0]=int(1)", false};
    case slot::write_wide:
    case slot::write_narrow:
      return {"write_ostream", "", false};
    default:
      return {"read_istream", "", false};
  }
}

inline void run_slot(const handle& self, slot s) {
  factor& v = *self;
  handle operand = signed_<int>::make_value(7);
  auto binary = [&](void (factor::*fn)(handle&) const) { (v.*fn)(operand); };
  std::ostringstream os;
  std::wostringstream wos;
  std::istringstream is("1");
  std::wistringstream wis(L"1");
  switch (s) {
    case slot::construct_args:
      return v.call_constructor(factor::vector{signed_<int>::make_value(1), make_nil()});
    case slot::construct_value:
      return v.call_constructor(operand);
    case slot::construct:
      return v.call_constructor();
    case slot::add:
      return binary(&factor::add);
    case slot::subtract:
      return binary(&factor::subtract);
    case slot::multiply:
      return binary(&factor::multiply);
    case slot::divide:
      return binary(&factor::divide);
    case slot::mod:
      return binary(&factor::mod);
    case slot::and_:
      return binary(&factor::_and);
    case slot::or_:
      return binary(&factor::_or);
    case slot::eq:
      return binary(&factor::eq);
    case slot::ne:
      return binary(&factor::ne);
    case slot::lt:
      return binary(&factor::lt);
    case slot::gt:
      return binary(&factor::gt);
    case slot::lte:
      return binary(&factor::lte);
    case slot::gte:
      return binary(&factor::gte);
    case slot::not_:
      operand = self;
      return v.not_(operand);
    case slot::minus:
      operand = self;
      return v.minus(operand);
    case slot::assign:
      v = operand;
      return;
    case slot::increment:
      ++v;
      return;
    case slot::decrement:
      --v;
      return;
    case slot::to_bool:
      (void)v.operator bool();
      return;
    case slot::to_unsigned:
      (void)v.operator unsigned int();
      return;
    case slot::to_int:
      (void)v.operator int();
      return;
    case slot::to_float:
      (void)v.operator float();
      return;
    case slot::to_double:
      (void)v.operator double();
      return;
    case slot::to_string:
      (void)v.operator std::string();
      return;
    case slot::to_wstring:
      (void)v.operator std::wstring();
      return;
    case slot::member_wide:
      v.member(std::wstring(L"name"));
      return;
    case slot::member_narrow:
      v.member(std::string("name"));
      return;
    case slot::method_wide:
      v.method(method_request<wchar_t>(factor::vector{}, L"foo"));
      return;
    case slot::method_narrow:
      v.method(method_request<char>(factor::vector{signed_<int>::make_value(1)}, "foo"));
      return;
    case slot::write_wide:
      v.write_ostream(wos);
      return;
    case slot::write_narrow:
      v.write_ostream(os);
      return;
    case slot::read_wide:
      v.read_istream(wis);
      return;
    case slot::read_narrow:
      v.read_istream(is);
      return;
  }
}

// `prefix` is the class part of the function texts, "plang::timer::".
inline void expect_refusals(const handle& self, const std::string& file, const std::string& prefix,
                            std::initializer_list<refusal> rows) {
  const std::string before = self->describe();
  for (const refusal& r : rows) {
    const slot_form f = form_of(r.s, before);
    const std::string function = prefix + f.name;
    const std::string line = std::to_string(r.line);
    SCOPED_TRACE(function + " " + line);
    const std::string expected = f.conversion ? "sig_throw bad_cast(" + file + "(" + line + ") : " + function + ")"
                                              : file + "(" + line + ") " + function + ": " + f.text;
    EXPECT_EQ(outcome([&] { run_slot(self, r.s); }, make_nil()), expected);
    EXPECT_EQ(self->describe(), before);
  }
}

}  // namespace plang::test
