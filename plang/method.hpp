// Call records of built-in method calls and their texts in messages.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "lib/hash.hpp"
#include "plang/factor/factor.hpp"

namespace plang {

// A call: the argument handles in call order (the values themselves, not
// copies) and the method name. The runtime builds wide records; narrow ones
// key the narrow method tables.
template <class C>
class method_request {
 public:
  method_request(const factor::vector& args, const std::basic_string<C>& method_name)
      : arguments(args), name(method_name) {}
  // A table key: `count` empty handles; only the count matters.
  method_request(std::size_t count, const C* method_name) : arguments(count), name(method_name) {}

  factor::vector arguments;
  std::basic_string<C> name;
};

// Records are equal when their argument counts and names are; the argument
// values take no part, neither here nor in the hash.
template <class C>
bool operator==(const method_request<C>& a, const method_request<C>& b) {
  return a.arguments.size() == b.arguments.size() && a.name == b.name;
}

// seed 0, combined with the name's text hash, then with the argument count.
template <class C>
std::uint32_t hash_value(const method_request<C>& r) {
  std::uint32_t seed = 0;
  lib::hash_combine(seed, lib::hash_text(r.name));
  lib::hash_combine(seed, static_cast<std::uint32_t>(r.arguments.size()));
  return seed;
}

// "id=" name, then ", " and the argument texts, or ", v=0" without arguments.
template <class C>
std::string describe_call(const method_request<C>& r);
template <>
std::string describe_call<char>(const method_request<char>& r);
template <>
std::string describe_call<wchar_t>(const method_request<wchar_t>& r);

// Throws plang::exception(file, describe_call(r), function, line).
[[noreturn]] void refuse_method(const char* file, const char* function, int line, const method_request<char>& r);
[[noreturn]] void refuse_method(const char* file, const char* function, int line, const method_request<wchar_t>& r);

}  // namespace plang
