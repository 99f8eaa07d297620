// Evaluation of the call nodes.
#include "plang/expression/calls.hpp"

#include "plang/method.hpp"
#include "plang/nspace.hpp"
#include "plang/release.hpp"

namespace plang {

e_method::~e_method() { release::each(object_); }

void e_method::evaluate(runtime* rt, handle& result) const {
  factor::vector args = evaluate_arguments(arguments_, rt);
  handle object;
  object_->evaluate(rt, object);
  result = object->method(method_request<wchar_t>(args, name_));
}

void e_cast::evaluate(runtime* rt, handle& result) const {
  result = rt->space->_generate(type_, evaluate_arguments(arguments_, rt));
}

void e_function::evaluate(runtime* rt, handle& result) const {
  rt->space->call_function(result, name_, name_hash_, evaluate_arguments(arguments_, rt));
}

void e_native::evaluate(runtime* rt, handle& result) const {
  factor::vector args = evaluate_arguments(arguments_, rt);
  nspace::call_native(result, rt->space, name_, args);
}

}  // namespace plang
