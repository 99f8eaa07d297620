// The expression node: evaluated to one value handle, completely, inside one
// statement step; and the argument lists that calls evaluate.
#pragma once

#include <vector>

#include <boost/shared_ptr.hpp>

#include "plang/factor/factor.hpp"
#include "plang/runtime.hpp"
#include "plang/stack.hpp"

namespace plang {

// Nodes are always created into a boost::shared_ptr of their own class,
// which destroys them; hence no virtual destructor. They hold no activation
// state, so clones of statements share them.
class expression {
 public:
  // Stores the node's value in `result`; declarations leave it untouched.
  virtual void evaluate(runtime* rt, handle& result) const = 0;

 protected:
  expression() = default;
  expression(const expression&) = default;
  expression& operator=(const expression&) = default;
  ~expression() = default;
};

using expression_handle = boost::shared_ptr<expression>;
using expression_list = std::vector<expression_handle>;

// Raises the depth error of expressions (call_depth_error, so that it passes
// every call unwrapped): an operator chain compiles to a tree as deep as the
// chain, and its evaluation recurses that deep.
[[noreturn]] void raise_expression_too_deep();

// Taken by every node that evaluates other nodes.
inline void check_stack() {
  if (stack::exhausted()) raise_expression_too_deep();
}

// One slot per expression, evaluated strictly left to right; a variable
// contributes its own handle.
factor::vector evaluate_arguments(const expression_list& expressions, runtime* rt);

// Base of the assignment and two-operand nodes.
class binary : public expression {
 public:
  binary(expression_handle left, expression_handle right) : left_(std::move(left)), right_(std::move(right)) {}
  // A chain's tree is released node after node, not one inside the other.
  ~binary();

 protected:
  expression_handle left_;
  expression_handle right_;
};

}  // namespace plang
