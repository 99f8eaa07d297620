// Operator, literal, variable and member nodes: they evaluate their operands
// in a fixed order and leave the meaning to the left value's class.
#pragma once

#include <string>

#include <boost/make_shared.hpp>

#include "plang/expression/expression.hpp"

namespace plang {

// Two-operand nodes: the left operand into a temporary, the right into the
// result, then the temporary's operation with the result. `&&` and `||`
// evaluate both operands.
template <void (factor::*Operation)(handle&) const>
class e_operator final : public binary {
 public:
  using binary::binary;
  void evaluate(runtime* rt, handle& result) const override {
    check_stack();
    handle left;
    left_->evaluate(rt, left);
    right_->evaluate(rt, result);
    ((*left).*Operation)(result);
  }
};

using e_add = e_operator<&factor::add>;
using e_sub = e_operator<&factor::subtract>;
using e_mul = e_operator<&factor::multiply>;
using e_div = e_operator<&factor::divide>;
using e_mod = e_operator<&factor::mod>;
using e_and = e_operator<&factor::_and>;
using e_or = e_operator<&factor::_or>;
using e_equal = e_operator<&factor::eq>;
using e_nequal = e_operator<&factor::ne>;
using e_lt = e_operator<&factor::lt>;
using e_gt = e_operator<&factor::gt>;
using e_lte = e_operator<&factor::lte>;
using e_gte = e_operator<&factor::gte>;

// "=": the right side first, then the left; the left value is changed in
// place and its handle is the result.
class e_assign final : public binary {
 public:
  using binary::binary;
  void evaluate(runtime* rt, handle& result) const override;
};

// "+=" and the like: as "=", assigning the left value's operation with the
// right value.
template <void (factor::*Operation)(handle&) const>
class e_operator_assign final : public binary {
 public:
  using binary::binary;
  void evaluate(runtime* rt, handle& result) const override {
    check_stack();
    handle right;
    right_->evaluate(rt, right);
    left_->evaluate(rt, result);
    ((*result).*Operation)(right);
    result->operator=(right);
  }
};

using e_add_assign = e_operator_assign<&factor::add>;
using e_sub_assign = e_operator_assign<&factor::subtract>;
using e_mul_assign = e_operator_assign<&factor::multiply>;
using e_div_assign = e_operator_assign<&factor::divide>;
using e_mod_assign = e_operator_assign<&factor::mod>;

// One-operand nodes.
class unary : public expression {
 public:
  explicit unary(expression_handle operand) : operand_(std::move(operand)) {}
  ~unary();

 protected:
  expression_handle operand_;
};

// Prefix "++": the operand changed in place.
class e_preincr final : public unary {
 public:
  using unary::unary;
  void evaluate(runtime* rt, handle& result) const override;
};
// Prefix "--".
class e_predecr final : public unary {
 public:
  using unary::unary;
  void evaluate(runtime* rt, handle& result) const override;
};
// "!": a new value; the operand is left as it was.
class e_not final : public unary {
 public:
  using unary::unary;
  void evaluate(runtime* rt, handle& result) const override;
};
// Prefix "-": a new value.
class e_minus final : public unary {
 public:
  using unary::unary;
  void evaluate(runtime* rt, handle& result) const override;
};

// A literal: a new value of `Value` on every evaluation, so changing one
// result never changes the next.
template <class Value, class Raw>
class e_constant final : public expression {
 public:
  explicit e_constant(Raw value) : value_(std::move(value)) {}
  void evaluate(runtime*, handle& result) const override { result = boost::make_shared<Value>(value_); }

 private:
  Raw value_;
};

// A name: the variable's own handle, from the innermost table outwards.
class e_variable final : public expression {
 public:
  explicit e_variable(std::wstring name) : name_(std::move(name)) {}
  void evaluate(runtime* rt, handle& result) const override;

 private:
  std::wstring name_;
};

// object "." name
class e_member final : public expression {
 public:
  e_member(expression_handle object, std::wstring name) : object_(std::move(object)), name_(std::move(name)) {}
  ~e_member();
  void evaluate(runtime* rt, handle& result) const override;

 private:
  expression_handle object_;
  std::wstring name_;
};

}  // namespace plang
