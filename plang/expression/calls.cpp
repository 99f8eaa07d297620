// Evaluation of the call nodes.
#include "plang/expression/calls.hpp"

#include "plang/expression/operators.hpp"
#include "plang/factor/pool.hpp"
#include "plang/factor/boolean.hpp"
#include "plang/factor/hash_.hpp"
#include "plang/factor/list_.hpp"
#include "plang/factor/nesting.hpp"
#include "plang/factor/real.hpp"
#include "plang/factor/signed_.hpp"
#include "plang/factor/stored.hpp"
#include "plang/factor/string_.hpp"
#include "plang/factor/unsigned_.hpp"
#include "plang/factor/vector_.hpp"
#include "plang/method.hpp"
#include "plang/nspace.hpp"
#include "plang/release.hpp"

namespace plang {
namespace {

bool is_variable(const expression_handle& e) { return dynamic_cast<const e_variable*>(e.get()) != nullptr; }

// Evaluating a literal makes its value and runs nothing else.
bool is_literal(const expression_handle& e) {
  const expression* p = e.get();
  return dynamic_cast<const e_constant<boolean, bool>*>(p) || dynamic_cast<const e_constant<signed_<int>, int>*>(p) ||
         dynamic_cast<const e_constant<unsigned_<unsigned int>, unsigned int>*>(p) ||
         dynamic_cast<const e_constant<real<float>, float>*>(p) ||
         dynamic_cast<const e_constant<real<double>, double>*>(p) ||
         dynamic_cast<const e_constant<string_<wchar_t>, std::wstring>*>(p);
}

}  // namespace

e_method::e_method(expression_handle object, std::wstring name, expression_list arguments)
    : object_(std::move(object)), name_(std::move(name)), arguments_(std::move(arguments)) {
  if (!is_variable(object_)) return;
  const std::size_t n = arguments_.size();
  if (n == 1 && name_ == L"at") {
    builtin_ = builtin::at;
  } else if (n == 1 && name_ == L"exist") {
    builtin_ = builtin::exist;
  } else if (n == 1 && name_ == L"push_back") {
    builtin_ = builtin::push_back;
  } else if (n == 1 && name_ == L"push_front") {
    builtin_ = builtin::push_front;
  } else if (n == 2 && name_ == L"insert") {
    builtin_ = builtin::insert;
  } else {
    return;
  }
  bool calm_after = true;  // every node after this one is a variable or a literal
  for (std::size_t i = n; i-- > 0;) {
    const bool variable = is_variable(arguments_[i]);
    if (calm_after && variable) borrowed_ |= 1u << i;
    calm_after = calm_after && (variable || is_literal(arguments_[i]));
  }
  reads_scalar_ = (builtin_ == builtin::at || builtin_ == builtin::exist) && arguments_[0]->scalar_capable();
  inserts_scalars_ =
      builtin_ == builtin::insert && arguments_[0]->scalar_capable() && arguments_[1]->scalar_capable();
}

e_method::~e_method() { release::each(object_); }

void e_method::evaluate(runtime* rt, handle& result) const { call(rt, &result); }
void e_method::execute(runtime* rt) const { call(rt, nullptr); }

void e_method::call(runtime* rt, handle* result) const {
  if (builtin_ == builtin::none) {
    const factor::vector args = evaluate_arguments(arguments_, rt);
    handle object;
    object_->evaluate(rt, object);
    call_method(std::move(object), args, result);
    return;
  }
  // The arguments left to right, then the receiver, as evaluate_arguments
  // and the receiver's evaluation would run them; variables in place.
  check_stack();
  if (inserts_scalars_ && insert_scalars(rt, result)) return;
  const std::size_t n = arguments_.size();
  handle owned[2];
  const handle* args[2];
  for (std::size_t i = 0; i < n; ++i) {
    if (borrowed_ >> i & 1u) {
      args[i] = arguments_[i]->peek(rt);
    } else {
      arguments_[i]->evaluate(rt, owned[i]);
      args[i] = &owned[i];
    }
  }
  const handle& object = *object_->peek(rt);
  if (run_builtin(object, args, owned, result)) return;
  factor::vector list(n);
  for (std::size_t i = 0; i < n; ++i) list[i] = args[i] == &owned[i] ? std::move(owned[i]) : *args[i];
  call_method(object, list, result);
}

namespace {

// The bits of an int or bool as a map keeps them (a u?int conversion's).
std::uint32_t scalar_bits(const scalar& s) {
  return s.type == typeid_anchor::signed_int ? static_cast<std::uint32_t>(s.i) : s.b ? 1u : 0u;
}

}  // namespace

bool e_method::insert_scalars(runtime* rt, handle* result) const {
  // The arguments left to right, then the receiver, as the general path.
  scalar key, value;
  if (!arguments_[0]->evaluate_scalar(rt, key) || !arguments_[1]->evaluate_scalar(rt, value)) return false;
  const handle& object = *object_->peek(rt);
  if (object->get_typeid() != typeid_anchor::hash) {
    // Another receiver takes the call record with the values evaluated.
    factor::vector list{make_scalar(key), make_scalar(value)};
    call_method(object, list, result);
    return true;
  }
  const bool added = static_cast<hash_&>(*object).insert(hash_::map::probe(key.type, scalar_bits(key)),
                                                        hash_::map::small_value{value.type, scalar_bits(value)});
  if (result) *result = pool::make<boolean>(added);
  return true;
}

bool e_method::run_builtin(const handle& object, const handle* const* args, handle* owned, handle* result) const {
  const std::size_t n = arguments_.size();
  for (std::size_t i = 0; i < n; ++i)
    if (!is_plain_scalar((*args[i])->get_typeid())) return false;
  // What a container stores for argument i: a temporary only this call
  // holds as it is, anything else cloned (stored_form).
  const auto stored = [&](std::size_t i) -> handle {
    if (args[i] == &owned[i] && owned[i].use_count() == 1) return std::move(owned[i]);
    return (*args[i])->clone();
  };
  factor& receiver = *object;
  const std::uint32_t type = receiver.get_typeid();
  switch (builtin_) {
    case builtin::at: {
      const handle* found;
      if (type == typeid_anchor::vector) {
        found = &static_cast<const vector_&>(receiver).at((*args[0])->operator unsigned int());
      } else if (type == typeid_anchor::hash) {
        found = &static_cast<hash_&>(receiver).at(*args[0]);
      } else {
        return false;
      }
      if (result) *result = *found;
      return true;
    }
    case builtin::exist: {
      if (type != typeid_anchor::hash) return false;
      const bool found = static_cast<const hash_&>(receiver).exist(*args[0]);
      if (result) *result = pool::make<boolean>(found);
      return true;
    }
    case builtin::push_back:
    case builtin::push_front: {
      const handle* added;
      if (type == typeid_anchor::vector && builtin_ == builtin::push_back) {
        const copy_nesting level;
        added = &static_cast<vector_&>(receiver).push_back(stored(0));
      } else if (type == typeid_anchor::list) {
        const copy_nesting level;
        auto& list = static_cast<list_&>(receiver);
        added = &(builtin_ == builtin::push_back ? list.push_back(stored(0)) : list.push_front(stored(0)));
      } else {
        return false;
      }
      if (result) *result = *added;
      return true;
    }
    case builtin::insert: {
      if (type != typeid_anchor::hash) return false;
      bool added;
      {
        const copy_nesting level;
        handle key = stored(0);
        handle value = stored(1);
        added = static_cast<hash_&>(receiver).insert(std::move(key), std::move(value));
      }
      if (result) *result = pool::make<boolean>(added);
      return true;
    }
    default:
      return false;
  }
}

bool e_method::evaluate_scalar(runtime* rt, scalar& out) const {
  if (!reads_scalar_) return false;
  check_stack();
  scalar key;
  if (!arguments_[0]->evaluate_scalar(rt, key)) return false;
  const factor& receiver = **object_->peek(rt);
  // The argument's bits, as its conversion to u?int gives them.
  const std::uint32_t bits = scalar_bits(key);
  const handle* found;
  switch (receiver.get_typeid()) {
    case typeid_anchor::vector:
      if (builtin_ != builtin::at) return false;
      found = &static_cast<const vector_&>(receiver).at(bits);
      break;
    case typeid_anchor::hash: {
      const hash_& map = static_cast<const hash_&>(receiver);
      const hash_::map::probe probe(key.type, bits);
      if (builtin_ == builtin::exist) {
        out.type = typeid_anchor::boolean;
        out.b = map.exist(probe);
        return true;
      }
      const hash_::map::entry& e = map.entry_at(probe);
      if (e.value) return read_scalar(*e.value, out);
      // A small value, read as it is kept.
      switch (e.small.type) {
        case typeid_anchor::signed_int:
          out.type = typeid_anchor::signed_int;
          out.i = static_cast<int>(static_cast<std::uint32_t>(e.small.bits));
          return true;
        case typeid_anchor::boolean:
          out.type = typeid_anchor::boolean;
          out.b = e.small.bits != 0;
          return true;
        default:
          return false;
      }
    }
    default:
      return false;
  }
  return read_scalar(**found, out);
}

void e_method::call_method(handle object, const factor::vector& args, handle* result) const {
  method_request<wchar_t> request(args, name_);
  request.site = &site_;
  if (result) {
    *result = object->method(request);
  } else {
    object->method(request);
  }
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
