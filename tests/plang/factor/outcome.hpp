// What a value operation gave, as one text that a table row can hold: the
// description of the result, the interpreter error's message, or
// "sig_throw " and the thrown value's description.
#pragma once

#include <functional>

#include <gtest/gtest.h>
#include <string>

#include "plang/exception.hpp"
#include "plang/factor/factor.hpp"
#include "plang/method.hpp"
#include "plang/signal.hpp"

namespace plang::test {

inline std::string outcome(const std::function<void()>& op, const handle& result) {
  try {
    op();
  } catch (const plang::exception& e) {
    return e.what();
  } catch (const plang::sig_throw& s) {
    return "sig_throw " + s.value->describe();
  }
  return result->describe();
}

// The outcome of a binary operation of `left` on a copy of the handle `right`.
inline std::string binary_outcome(const handle& left, void (factor::*op)(handle&) const, const handle& right) {
  handle slot = right;
  return outcome([&] { ((*left).*op)(slot); }, slot);
}

// The outcome of a method call through the wide record.
inline std::string method_outcome(const handle& self, const wchar_t* name, factor::vector args = {}) {
  handle result;
  const method_request<wchar_t> call(args, name);
  return outcome([&] { result = self->method(call); }, result);
}

// Checks one binary operation row: the result text, the argument handle left
// holding the right operand when a script exception is thrown, and both
// operands unchanged.
inline void expect_binary(const handle& left, void (factor::*op)(handle&) const, const handle& right,
                          const std::string& expected) {
  SCOPED_TRACE(left->describe() + " " + right->describe() + " -> " + expected);
  const std::string left_before = left->describe(), right_before = right->describe();
  handle slot = right;
  EXPECT_EQ(outcome([&] { ((*left).*op)(slot); }, slot), expected);
  if (expected.rfind("sig_throw", 0) == 0) {
    EXPECT_EQ(slot, right);
  }
  EXPECT_EQ(left->describe(), left_before);
  EXPECT_EQ(right->describe(), right_before);
}

}  // namespace plang::test
