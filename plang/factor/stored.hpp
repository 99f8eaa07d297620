// What a container stores for a value put into it (push_back, push_front,
// insert): the value's clone, or the value itself when it is a built-in
// number, bool or text that nothing but the call holds. Nobody can reach
// such a temporary after the call, and its clone would be an equal value
// made without running script code, so nothing can tell the two apart.
#pragma once

#include <cstdint>

#include "plang/factor/factor.hpp"
#include "plang/factor/typeid_anchor.hpp"

namespace plang {

// int, u?int, bool, float, double and string: values that hold no other
// value and run no script code when copied, converted, hashed or compared.
constexpr bool is_plain_scalar(std::uint32_t type) {
  switch (type) {
    case typeid_anchor::boolean:
    case typeid_anchor::signed_int:
    case typeid_anchor::unsigned_int:
    case typeid_anchor::real_float:
    case typeid_anchor::real_double:
    case typeid_anchor::string:
      return true;
    default:
      return false;
  }
}

// `temporary`: the caller's handle is the only one on the value and the
// caller lets it go after the call.
inline handle stored_form(const handle& value, bool temporary) {
  if (temporary && is_plain_scalar(value->get_typeid())) return value;
  return value->clone();
}

// For a call record's argument: its vector holds the only handle of a
// temporary.
inline handle stored_form(const handle& argument) { return stored_form(argument, argument.use_count() == 1); }

}  // namespace plang
