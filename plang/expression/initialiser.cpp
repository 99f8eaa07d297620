// Evaluation of the constructor initialiser nodes.
#include "plang/expression/initialiser.hpp"

#include "plang/object.hpp"

namespace plang {
namespace {

// The constructor runs with the object under construction as its namespace.
object& under_construction(runtime* rt) { return static_cast<object&>(*rt->space); }

}  // namespace

void e_declare_member::evaluate(runtime* rt, handle&) const {
  const factor::vector args = evaluate_arguments(arguments_, rt);
  object& owner = under_construction(rt);
  handle value = owner.create_instance(type_);
  if (args.empty()) {
    value->call_constructor();
  } else if (args.size() == 1) {
    value->call_constructor(args[0]);
  } else {
    value->call_constructor(args);
  }
  owner.variables().declare(name_, value);
}

void e_ref_member::evaluate(runtime* rt, handle& result) const {
  initialiser_->evaluate(rt, result);
  object::call_ref_member_constructor(result, type_, name_, under_construction(rt));
}

void e_base::evaluate(runtime* rt, handle&) const {
  under_construction(rt).construct_base(evaluate_arguments(arguments_, rt));
}

}  // namespace plang
