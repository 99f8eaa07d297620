// Assignment, one-operand, variable and member nodes, and argument lists.
#include "plang/expression/operators.hpp"

#include "plang/factor/boolean.hpp"
#include "plang/factor/signed_.hpp"
#include "plang/factor/string_.hpp"
#include "plang/nlookup.hpp"
#include "plang/factor/pool.hpp"
#include "plang/nspace.hpp"
#include "plang/release.hpp"
#include "plang/table/variable.hpp"

namespace plang {

void raise_expression_too_deep() {
  throw call_depth_error(
      exception("plang/expression/operators", "exceed max. depth of expression", "plang::expression::evaluate", 12));
}

binary::~binary() { release::each(left_, right_); }
unary::~unary() { release::each(operand_); }
e_member::~e_member() { release::each(object_); }

bool expression::test_value(runtime* rt) const {
  handle result;
  evaluate(rt, result);
  return result->operator bool();
}

bool int_literal(const expression& e, int& value) {
  const auto* literal = dynamic_cast<const e_constant<signed_<int>, int>*>(&e);
  if (!literal) return false;
  value = literal->value();
  return true;
}

handle make_scalar(const scalar& value) {
  if (value.type == typeid_anchor::signed_int) return signed_<int>::make_value(value.i);
  return pool::make<boolean>(value.b);
}

bool assign_scalar(factor& target, const scalar& value) {
  const std::uint32_t type = target.get_typeid();
  if (type != value.type) return false;
  if (type == typeid_anchor::signed_int) {
    static_cast<signed_<int>&>(target).value = value.i;
    return true;
  }
  if (type == typeid_anchor::boolean) {
    static_cast<boolean&>(target).value = value.b;
    return true;
  }
  return false;
}

factor::vector evaluate_arguments(const expression_list& expressions, runtime* rt) {
  check_stack();
  factor::vector args(expressions.size());
  auto slot = args.begin();
  for (const expression_handle& e : expressions) e->evaluate(rt, *slot++);
  return args;
}

const handle* e_assign::assign_in_place(runtime* rt) const {
  scalar value;
  if (!right_->evaluate_scalar(rt, value)) return nullptr;
  const handle* target = left_->peek(rt);
  if (!target || !assign_scalar(**target, value)) return nullptr;
  return target;
}

e_assign::e_assign(expression_handle left, expression_handle right) : binary(std::move(left), std::move(right)) {
  const auto* target = dynamic_cast<const e_variable*>(left_.get());
  const auto* join = dynamic_cast<const e_add*>(right_.get());
  if (!target || !join) return;
  const auto* joined = dynamic_cast<const e_variable*>(join->left().get());
  if (joined && joined->name() == target->name()) join_ = join;
}

void e_assign::execute(runtime* rt) const {
  check_stack();
  if (assign_in_place(rt)) return;
  handle dropped;
  if (join_) {
    append_or_join(rt, dropped);
  } else {
    general(rt, dropped);
  }
}

void e_assign::evaluate(runtime* rt, handle& result) const {
  check_stack();
  if (const handle* target = assign_in_place(rt)) {
    result = *target;
    return;
  }
  if (join_) {
    append_or_join(rt, result);
  } else {
    general(rt, result);
  }
}

void e_assign::append_or_join(runtime* rt, handle& result) const {
  check_stack();  // the join's own check
  handle joined;
  join_->left()->evaluate(rt, joined);
  handle right;
  join_->right()->evaluate(rt, right);
  if (joined->get_typeid() == typeid_anchor::string && right->get_typeid() == typeid_anchor::string) {
    const handle* target = left_->peek(rt);
    if (target && target->get() == joined.get()) {
      // Appending its own text doubles it, as the join would.
      auto& text = static_cast<string_<wchar_t>&>(*joined).text;
      text.append(static_cast<const string_<wchar_t>&>(*right).text);
      result = *target;
      return;
    }
  }
  joined->add(right);
  left_->evaluate(rt, result);
  result->operator=(right);
}

void e_assign::general(runtime* rt, handle& result) const {
  handle right;
  right_->evaluate(rt, right);
  left_->evaluate(rt, result);
  result->operator=(right);
}

void e_preincr::evaluate(runtime* rt, handle& result) const {
  check_stack();
  operand_->evaluate(rt, result);
  result->operator++();
}

void e_preincr::execute(runtime* rt) const {
  check_stack();
  if (const handle* target = operand_->peek(rt)) {
    (*target)->operator++();
    return;
  }
  handle dropped;
  operand_->evaluate(rt, dropped);
  dropped->operator++();
}

void e_predecr::execute(runtime* rt) const {
  check_stack();
  if (const handle* target = operand_->peek(rt)) {
    (*target)->operator--();
    return;
  }
  handle dropped;
  operand_->evaluate(rt, dropped);
  dropped->operator--();
}

void e_predecr::evaluate(runtime* rt, handle& result) const {
  check_stack();
  operand_->evaluate(rt, result);
  result->operator--();
}

void e_not::evaluate(runtime* rt, handle& result) const {
  check_stack();
  handle operand;
  operand_->evaluate(rt, operand);
  operand->not_(result = operand);
}

void e_minus::evaluate(runtime* rt, handle& result) const {
  check_stack();
  handle operand;
  operand_->evaluate(rt, operand);
  operand->minus(result = operand);
}

e_variable::e_variable(const std::wstring& name) : key_(table::intern(name)) {}

// Inlined into its three callers: the remembered entry's check is most of
// a variable's evaluation.
__attribute__((always_inline)) inline const handle& e_variable::find(runtime* rt) const {
  // The remembered entry is the innermost declaration when no table in
  // front of it holds the name. Most of those tables are empty (block and
  // loop-turn tables) and are skipped here; the first that is not goes to
  // `find_past`. Else the search runs, checking the remembered entry when
  // it reaches its table.
  const std::uint32_t known = place_.load(std::memory_order_relaxed);
  if (known != 0) {
    table::variable* t = rt->variables;
    std::uint32_t out = known >> 16;
    while (out != 0 && t && t->empty()) {
      t = t->outer();
      --out;
    }
    if (t) {
      if (out != 0) return find_past(rt, t, out, known);
      if (handle* found = t->find_at((known & 0xFFFFu) - 1, key_)) return *found;
    }
  }
  return nlookup::find_variable(rt->variables, key_, place_);
}

__attribute__((noinline)) const handle& e_variable::find_past(runtime* rt, table::variable* t, std::uint32_t out,
                                                             std::uint32_t known) const {
  // A non-empty table in front of the remembered one (a method's parameters
  // in front of its members) is looked through: when it does not hold the
  // name, the entry further out is still the innermost declaration.
  while (out != 0 && t && (t->empty() || !t->find(key_))) {
    t = t->outer();
    --out;
  }
  if (out == 0 && t) {
    if (handle* found = t->find_at((known & 0xFFFFu) - 1, key_)) return *found;
  }
  return nlookup::find_variable(rt->variables, key_, place_);
}

void e_variable::evaluate(runtime* rt, handle& result) const { result = find(rt); }
bool e_variable::evaluate_scalar(runtime* rt, scalar& out) const { return read_scalar(*find(rt), out); }
const handle* e_variable::peek(runtime* rt) const { return &find(rt); }

void e_member::evaluate(runtime* rt, handle& result) const {
  check_stack();
  object_->evaluate(rt, result);
  result = result->member(name_);
}

}  // namespace plang
