// Assignment, one-operand, variable and member nodes, and argument lists.
#include "plang/expression/operators.hpp"

#include "plang/nlookup.hpp"

namespace plang {

factor::vector evaluate_arguments(const expression_list& expressions, runtime* rt) {
  factor::vector args(expressions.size());
  auto slot = args.begin();
  for (const expression_handle& e : expressions) e->evaluate(rt, *slot++);
  return args;
}

void e_assign::evaluate(runtime* rt, handle& result) const {
  handle right;
  right_->evaluate(rt, right);
  left_->evaluate(rt, result);
  result->operator=(right);
}

void e_preincr::evaluate(runtime* rt, handle& result) const {
  operand_->evaluate(rt, result);
  result->operator++();
}

void e_predecr::evaluate(runtime* rt, handle& result) const {
  operand_->evaluate(rt, result);
  result->operator--();
}

void e_not::evaluate(runtime* rt, handle& result) const {
  handle operand;
  operand_->evaluate(rt, operand);
  operand->not_(result = operand);
}

void e_minus::evaluate(runtime* rt, handle& result) const {
  handle operand;
  operand_->evaluate(rt, operand);
  operand->minus(result = operand);
}

void e_variable::evaluate(runtime* rt, handle& result) const {
  result = nlookup::find_variable(rt->variables, name_);
}

void e_member::evaluate(runtime* rt, handle& result) const {
  object_->evaluate(rt, result);
  result = result->member(name_);
}

}  // namespace plang
