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
  method_request<wchar_t> request(args, name_);
  request.site = &site_;
  result = object->method(request);
}

void e_cast::evaluate(runtime* rt, handle& result) const {
  result = rt->space->_generate(type_, evaluate_arguments(arguments_, rt));
}

void e_function::evaluate(runtime* rt, handle& result) const {
  const factor::vector args = evaluate_arguments(arguments_, rt);
  nspace* space = rt->space;
  const table::function& own = space->functions();
  const std::uint32_t generation = table::function::generation();
  const resolution* last = last_.get();
  if (last && last->table == &own && last->generation == generation &&
      table::signature_matches(last->found->types, args)) {
    space->call_own_function(result, last->found->def, name_, args);
    return;
  }
  if (const table::function::overload* found = own.find_overload(args, name_, name_hash_)) {
    last_.keep(resolution{&own, generation, found});
    space->call_own_function(result, found->def, name_, args);
    return;
  }
  space->call_function(result, name_, name_hash_, args);
}

void e_native::evaluate(runtime* rt, handle& result) const {
  factor::vector args = evaluate_arguments(arguments_, rt);
  nspace::call_native(result, rt->space, name_, args);
}

}  // namespace plang
