// Assignment, one-operand, variable and member nodes, and argument lists.
#include "plang/expression/operators.hpp"

#include "plang/nlookup.hpp"
#include "plang/nspace.hpp"
#include "plang/release.hpp"

namespace plang {

void raise_expression_too_deep() {
  throw call_depth_error(
      exception("plang/expression/operators", "exceed max. depth of expression", "plang::expression::evaluate", 12));
}

binary::~binary() { release::each(left_, right_); }
unary::~unary() { release::each(operand_); }
e_member::~e_member() { release::each(object_); }

factor::vector evaluate_arguments(const expression_list& expressions, runtime* rt) {
  check_stack();
  factor::vector args(expressions.size());
  auto slot = args.begin();
  for (const expression_handle& e : expressions) e->evaluate(rt, *slot++);
  return args;
}

void e_assign::evaluate(runtime* rt, handle& result) const {
  check_stack();
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

void e_variable::evaluate(runtime* rt, handle& result) const { result = nlookup::find_variable(rt->variables, name_); }

void e_member::evaluate(runtime* rt, handle& result) const {
  check_stack();
  object_->evaluate(rt, result);
  result = result->member(name_);
}

}  // namespace plang
