// Call nodes: built-in methods, casts, script functions and host functions.
#pragma once

#include <cstdint>
#include <string>

#include "lib/hash.hpp"
#include "plang/expression/expression.hpp"
#include "plang/remembered.hpp"
#include "plang/method.hpp"
#include "plang/table/function.hpp"

namespace plang {

// object "." name "(" arguments ")": the arguments are evaluated before the
// object.
class e_method final : public expression {
 public:
  e_method(expression_handle object, std::wstring name, expression_list arguments)
      : object_(std::move(object)), name_(std::move(name)), arguments_(std::move(arguments)) {}
  ~e_method();  // a chain of calls is released call after call
  void evaluate(runtime* rt, handle& result) const override;

 private:
  expression_handle object_;
  std::wstring name_;
  expression_list arguments_;
  mutable method_site site_;  // the id a built-in class's table gave this call
};

// type "(" arguments ")": a new value of the type.
class e_cast final : public expression {
 public:
  e_cast(std::uint32_t type, expression_list arguments) : type_(type), arguments_(std::move(arguments)) {}
  void evaluate(runtime* rt, handle& result) const override;

 private:
  std::uint32_t type_;
  expression_list arguments_;
};

// name "(" arguments ")": a script function, resolved from the current
// namespace outwards.
class e_function final : public expression {
 public:
  e_function(std::wstring name, expression_list arguments)
      : name_(std::move(name)), name_hash_(lib::hash_text(name_)), arguments_(std::move(arguments)) {}
  void evaluate(runtime* rt, handle& result) const override;

 private:
  // The overload last found in the calling namespace's own table. It is
  // called again while that table is unchanged (the same table, the same
  // generation) and the arguments have its signature: a search would find
  // it first. Functions found in an enclosing namespace are searched anew.
  struct resolution {
    const table::function* table;
    std::uint32_t generation;
    const table::function::overload* found;
  };

  std::wstring name_;
  std::uint32_t name_hash_;  // the function tables' hash of the name, computed once
  expression_list arguments_;
  remembered<resolution> last_;
};

// "using" "::" id "(" arguments ")": a host function, which sees the
// script's value objects themselves.
class e_native final : public expression {
 public:
  e_native(std::wstring name, expression_list arguments) : name_(std::move(name)), arguments_(std::move(arguments)) {}
  void evaluate(runtime* rt, handle& result) const override;

 private:
  std::wstring name_;
  expression_list arguments_;
};

}  // namespace plang
