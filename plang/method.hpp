// Call records of built-in method calls, their texts in messages, and the
// per-class method tables that turn a record into a method id.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <exception>
#include <optional>
#include <string>
#include <utility>

#include "lib/hash.hpp"
#include "plang/factor/factor.hpp"
#include "plang/remembered.hpp"

namespace plang {

namespace table {
class function;
struct definition;
}  // namespace table

// The script method a call node found last: the receiver's own function
// table at `generation` (table::function::generation), how many classes
// up the method was found, and its overload's signature and definition.
struct script_method {
  const table::function* receiver_table;
  std::uint32_t generation;
  unsigned level;
  const signature* types;
  const table::definition* def;
};

// A call node's memory of its last resolution. `known`: the method id that
// its name and argument count selected in a built-in class's table, the
// class's key (method_class_key) in the high half and the id in the low
// half, 0 when nothing is known; `script`: the script method.
struct method_site {
  std::atomic<std::uint64_t> known{0};
  remembered<script_method> script;
};

// A call: the argument handles in call order (the values themselves, not
// copies) and the method name. The runtime builds wide records; narrow ones
// key the narrow method tables. A record refers to the caller's argument
// vector and name without copying them; only a temporary given to the
// constructor, and a table key, is kept in the record itself.
template <class C>
class method_request {
  using string_type = std::basic_string<C>;
  // Declared first: the public references below may bind to them.
  std::optional<factor::vector> own_arguments_;
  std::optional<string_type> own_name_;

 public:
  method_request(const factor::vector& args, const string_type& method_name) : arguments(args), name(method_name) {}
  method_request(factor::vector&& args, const string_type& method_name)
      : own_arguments_(std::move(args)), arguments(*own_arguments_), name(method_name) {}
  method_request(const factor::vector& args, string_type&& method_name)
      : own_name_(std::move(method_name)), arguments(args), name(*own_name_) {}
  method_request(factor::vector&& args, string_type&& method_name)
      : own_arguments_(std::move(args)), own_name_(std::move(method_name)), arguments(*own_arguments_), name(*own_name_) {}
  // A table key: `count` empty handles; only the count matters.
  method_request(std::size_t count, string_type method_name)
      : method_request(factor::vector(count), std::move(method_name)) {}
  method_request(const method_request& other)
      : own_arguments_(other.own_arguments_),
        own_name_(other.own_name_),
        arguments(own_arguments_ ? *own_arguments_ : other.arguments),
        name(own_name_ ? *own_name_ : other.name),
        site(other.site) {}
  method_request& operator=(const method_request&) = delete;

  const factor::vector& arguments;
  const string_type& name;
  // The call node's memory, or null; a call node's name and argument count
  // never change, so the id it found in a class's table stays right.
  method_site* site = nullptr;
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

// Method tables: (name, argument count) -> method id, one per class with
// methods and per character type. A class with methods provides
//   static plang::method_entries method_entries();  // {{"size", 0, 0}, ...}
// and each of its two dispatchers begins with
//   switch (find_method_id<vector_>(source, "plang::vector_::_method", 251, r)) ...
template <class C>
using method_table = lib::hash<method_request<C>, int>;

// One entry of a class's registry: name(arguments) -> id.
struct method_entry {
  const char* name;  // ASCII; wide tables widen it
  std::size_t arguments;
  int id;
};

// A class's registry, in the class's own order.
struct method_entries {
  template <std::size_t N>
  method_entries(const method_entry (&entries)[N]) : first(entries), last(entries + N) {}
  const method_entry* first;
  const method_entry* last;
};

template <class C>
method_table<C> make_method_table(method_entries entries) {
  method_table<C> table;
  for (const method_entry* e = entries.first; e != entries.last; ++e) {
    const char* end = e->name + std::strlen(e->name);
    table.emplace(method_request<C>(e->arguments, std::basic_string<C>(e->name, end)), e->id);
  }
  return table;
}

// The table of `Class` for records of `C`, filled from
// `Class::method_entries()` on first use and destroyed at exit; a class
// whose methods are never called never builds it. If filling fails, the
// next call tries again.
template <class Class, class C>
const method_table<C>& method_table_of() {
  static const method_table<C> table = make_method_table<C>(Class::method_entries());
  return table;
}

// A key of its own for every class's table, never 0.
std::uint32_t next_method_class_key();
template <class Class, class C>
std::uint32_t method_class_key() {
  static const std::uint32_t key = next_method_class_key();
  return key;
}

// Step 1 of every dispatcher `_method`: the id of the call in Class's table.
// A miss (std::out_of_range), or any failure of the lookup, becomes
// plang::exception(file, describe_call(r), function, line). An id the call
// node found in this class's table before is used as it is.
template <class Class, class C>
int find_method_id(const char* file, const char* function, int line, const method_request<C>& r) {
  const std::uint64_t key = method_class_key<Class, C>();
  if (r.site) {
    const std::uint64_t known = r.site->known.load(std::memory_order_relaxed);
    if (known >> 32 == key) return static_cast<int>(static_cast<std::uint32_t>(known));
  }
  int id;
  try {
    id = method_table_of<Class, C>().at(r);
  } catch (const std::exception&) {
    refuse_method(file, function, line, r);
  }
  if (r.site) r.site->known.store(key << 32 | static_cast<std::uint32_t>(id), std::memory_order_relaxed);
  return id;
}

}  // namespace plang
