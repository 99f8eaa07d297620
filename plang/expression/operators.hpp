// Operator, literal, variable and member nodes: they evaluate their operands
// in a fixed order and leave the meaning to the left value's class.
#pragma once

#include <atomic>
#include <string>
#include <type_traits>

#include <boost/make_shared.hpp>

#include "plang/expression/expression.hpp"
#include "plang/factor/boolean.hpp"
#include "plang/factor/pool.hpp"
#include "plang/factor/signed_.hpp"

namespace plang {

// The built-in operations of the fast path, one per two-operand node.
enum class builtin_op { add, subtract, multiply, divide, mod, and_, or_, eq, ne, lt, gt, lte, gte };

// The operation on two int or two bool operands, as the left value's class
// computes it (its errors included); false for any other pair, and for the
// operations bool refuses. Fixed per node, it compiles to the one
// operation and its type checks.
template <builtin_op Op>
inline bool compute_scalar_as(const scalar& left, const scalar& right, scalar& out) {
  if (left.type != right.type) return false;
  if (left.type == typeid_anchor::signed_int) {
    using int_value = signed_<int>;
    const int a = left.i;
    const int b = right.i;
    if constexpr (Op == builtin_op::add || Op == builtin_op::subtract || Op == builtin_op::multiply ||
                  Op == builtin_op::divide || Op == builtin_op::mod) {
      out.type = typeid_anchor::signed_int;
      if constexpr (Op == builtin_op::add) out.i = int_value::sum(a, b);
      if constexpr (Op == builtin_op::subtract) out.i = int_value::difference(a, b);
      if constexpr (Op == builtin_op::multiply) out.i = int_value::product(a, b);
      if constexpr (Op == builtin_op::divide) out.i = int_value::quotient(a, b);
      if constexpr (Op == builtin_op::mod) out.i = int_value::remainder(a, b);
    } else {
      out.type = typeid_anchor::boolean;
      if constexpr (Op == builtin_op::and_) out.b = a != 0 && b != 0;
      if constexpr (Op == builtin_op::or_) out.b = a != 0 || b != 0;
      if constexpr (Op == builtin_op::eq) out.b = a == b;
      if constexpr (Op == builtin_op::ne) out.b = a != b;
      if constexpr (Op == builtin_op::lt) out.b = a < b;
      if constexpr (Op == builtin_op::gt) out.b = a > b;
      if constexpr (Op == builtin_op::lte) out.b = a <= b;
      if constexpr (Op == builtin_op::gte) out.b = a >= b;
    }
    return true;
  }
  // Two bools: logic and equality; bool refuses arithmetic and ordering,
  // which the general path reports.
  if constexpr (Op == builtin_op::and_ || Op == builtin_op::or_ || Op == builtin_op::eq || Op == builtin_op::ne) {
    out.type = typeid_anchor::boolean;
    if constexpr (Op == builtin_op::and_) out.b = left.b && right.b;
    if constexpr (Op == builtin_op::or_) out.b = left.b || right.b;
    if constexpr (Op == builtin_op::eq) out.b = left.b == right.b;
    if constexpr (Op == builtin_op::ne) out.b = left.b != right.b;
    return true;
  } else {
    return false;
  }
}
// A new value holding the fast path's result.
handle make_scalar(const scalar& value);
// Changes an int or bool value in place to `value` of the same type; false
// (nothing changed) for any other pair.
bool assign_scalar(factor& target, const scalar& value);
// Reads an int or bool value whose typeid is `type`; false for every other
// value.
inline bool read_scalar_of(std::uint32_t type, const factor& value, scalar& out) {
  if (type == typeid_anchor::signed_int) {
    out.type = type;
    out.i = static_cast<const signed_<int>&>(value).value;
    return true;
  }
  if (type == typeid_anchor::boolean) {
    out.type = type;
    out.b = static_cast<const boolean&>(value).value;
    return true;
  }
  return false;
}
// Reads an int or bool value; false for every other value.
inline bool read_scalar(const factor& value, scalar& out) { return read_scalar_of(value.get_typeid(), value, out); }
// `target = target Op right` in place for an int or bool target, its type
// read once; false (nothing changed) when the fast path does not apply.
template <builtin_op Op>
inline bool update_scalar(factor& target, const scalar& right) {
  const std::uint32_t type = target.get_typeid();
  scalar left;
  scalar value;
  if (!read_scalar_of(type, target, left) || !compute_scalar_as<Op>(left, right, value) || value.type != type) {
    return false;
  }
  if (type == typeid_anchor::signed_int) {
    static_cast<signed_<int>&>(target).value = value.i;
  } else {
    static_cast<boolean&>(target).value = value.b;
  }
  return true;
}

// True when `e` is an int literal, whose value is then in `value`: the
// fast path reads it without a call.
bool int_literal(const expression& e, int& value);

// Two-operand nodes: the left operand into a temporary, the right into the
// result, then the temporary's operation with the result. `&&` and `||`
// evaluate both operands. Two int or two bool operands take the fast path.
template <void (factor::*Operation)(handle&) const, builtin_op Op>
class e_operator final : public binary {
 public:
  e_operator(expression_handle left, expression_handle right)
      : binary(std::move(left), std::move(right)), scalar_(left_->scalar_capable() && right_->scalar_capable()) {
    if (scalar_) {
      left_->leave_fast_path_to_parent();
      right_->leave_fast_path_to_parent();
      right_literal_ = int_literal(*right_, right_value_);
    }
  }
  void evaluate(runtime* rt, handle& result) const override {
    check_stack();
    scalar value;
    if (try_fast_path_ && scalar_operands(rt, value)) {
      result = make_scalar(value);
      return;
    }
    handle left;
    left_->evaluate(rt, left);
    right_->evaluate(rt, result);
    ((*left).*Operation)(result);
  }
  bool evaluate_scalar(runtime* rt, scalar& out) const override {
    if (!scalar_) return false;
    check_stack();
    return scalar_operands(rt, out);
  }
  bool scalar_capable() const override { return scalar_; }
  void leave_fast_path_to_parent() override { try_fast_path_ = false; }

 private:
  bool scalar_operands(runtime* rt, scalar& out) const {
    scalar left;
    scalar right;
    if (!left_->evaluate_scalar(rt, left)) return false;
    if (right_literal_) {
      right.type = typeid_anchor::signed_int;
      right.i = right_value_;
    } else if (!right_->evaluate_scalar(rt, right)) {
      return false;
    }
    return compute_scalar_as<Op>(left, right, out);
  }

  bool scalar_;
  bool try_fast_path_ = scalar_;  // in `evaluate`; see leave_fast_path_to_parent
  bool right_literal_ = false;    // the right operand is the int literal `right_value_`
  int right_value_ = 0;
};

using e_add = e_operator<&factor::add, builtin_op::add>;
using e_sub = e_operator<&factor::subtract, builtin_op::subtract>;
using e_mul = e_operator<&factor::multiply, builtin_op::multiply>;
using e_div = e_operator<&factor::divide, builtin_op::divide>;
using e_mod = e_operator<&factor::mod, builtin_op::mod>;
using e_and = e_operator<&factor::_and, builtin_op::and_>;
using e_or = e_operator<&factor::_or, builtin_op::or_>;
using e_equal = e_operator<&factor::eq, builtin_op::eq>;
using e_nequal = e_operator<&factor::ne, builtin_op::ne>;
using e_lt = e_operator<&factor::lt, builtin_op::lt>;
using e_gt = e_operator<&factor::gt, builtin_op::gt>;
using e_lte = e_operator<&factor::lte, builtin_op::lte>;
using e_gte = e_operator<&factor::gte, builtin_op::gte>;

// "=": the right side first, then the left; the left value is changed in
// place and its handle is the result. An int or bool right side assigned to
// a variable of the same type changes it without a value object.
class e_assign final : public binary {
 public:
  e_assign(expression_handle left, expression_handle right);
  void evaluate(runtime* rt, handle& result) const override;
  void execute(runtime* rt) const override;

 private:
  // The fast path: the changed variable's handle, or null when it did not
  // apply and nothing was run.
  const handle* assign_in_place(runtime* rt) const;
  void general(runtime* rt, handle& result) const;
  // `x = x + y`: the join's operands are evaluated as the general path
  // does, then a text y is appended to the text x holds when the variable
  // still holds that value, instead of joining into a new text and copying
  // it back.
  void append_or_join(runtime* rt, handle& result) const;

  const binary* join_ = nullptr;  // the right side when it is `x + y` with x this node's variable
};

// "+=" and the like: as "=", assigning the left value's operation with the
// right value. An int variable with an int right side changes in place.
template <void (factor::*Operation)(handle&) const, builtin_op Op>
class e_operator_assign final : public binary {
 public:
  using binary::binary;
  void evaluate(runtime* rt, handle& result) const override {
    check_stack();
    if (const handle* target = in_place(rt)) {
      result = *target;
      return;
    }
    general(rt, result);
  }
  void execute(runtime* rt) const override {
    check_stack();
    if (in_place(rt)) return;
    handle dropped;
    general(rt, dropped);
  }

 private:
  void general(runtime* rt, handle& result) const {
    handle right;
    right_->evaluate(rt, right);
    left_->evaluate(rt, result);
    ((*result).*Operation)(right);
    result->operator=(right);
  }
  // The right side as a scalar, then the left as a variable: both in the
  // general path's order, so a failed attempt leaves nothing to undo. A
  // right side that cannot take the fast path answers false at once.
  const handle* in_place(runtime* rt) const {
    scalar right;
    if (!right_->evaluate_scalar(rt, right)) return nullptr;
    const handle* target = left_->peek(rt);
    if (!target || !update_scalar<Op>(**target, right)) return nullptr;
    return target;
  }
};

using e_add_assign = e_operator_assign<&factor::add, builtin_op::add>;
using e_sub_assign = e_operator_assign<&factor::subtract, builtin_op::subtract>;
using e_mul_assign = e_operator_assign<&factor::multiply, builtin_op::multiply>;
using e_div_assign = e_operator_assign<&factor::divide, builtin_op::divide>;
using e_mod_assign = e_operator_assign<&factor::mod, builtin_op::mod>;

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
  void execute(runtime* rt) const override;
};
// Prefix "--".
class e_predecr final : public unary {
 public:
  using unary::unary;
  void evaluate(runtime* rt, handle& result) const override;
  void execute(runtime* rt) const override;
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
// result never changes the next. An int or bool literal is read raw by the
// fast path.
template <class Value, class Raw>
class e_constant final : public expression {
 public:
  explicit e_constant(Raw value) : value_(std::move(value)) {}
  void evaluate(runtime*, handle& result) const override {
    result = pool::make<Value>(value_);
  }
  bool evaluate_scalar(runtime*, scalar& out) const override {
    if constexpr (std::is_same_v<Raw, int>) {
      out.type = typeid_anchor::signed_int;
      out.i = value_;
      return true;
    } else if constexpr (std::is_same_v<Raw, bool>) {
      out.type = typeid_anchor::boolean;
      out.b = value_;
      return true;
    } else {
      return false;
    }
  }
  bool scalar_capable() const override { return std::is_same_v<Raw, int> || std::is_same_v<Raw, bool>; }
  const Raw& value() const { return value_; }

 private:
  Raw value_;
};

// A name: the variable's own handle, from the innermost table outwards.
class e_variable final : public expression {
 public:
  explicit e_variable(const std::wstring& name);
  void evaluate(runtime* rt, handle& result) const override;
  bool evaluate_scalar(runtime* rt, scalar& out) const override;
  bool scalar_capable() const override { return true; }
  const handle* peek(runtime* rt) const override;

 private:
  const handle& find(runtime* rt) const;
  // The rest of `find` from table `t`, `out` tables in front of the
  // remembered entry `known`, when `t` is not empty.
  const handle& find_past(runtime* rt, table::variable* t, std::uint32_t out, std::uint32_t known) const;

  const std::wstring* key_;  // the name interned (table::intern): compared by address
  mutable std::atomic<std::uint32_t> place_{0};  // where the name was found last (nlookup::find_variable)

 public:
  const std::wstring& name() const { return *key_; }
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
