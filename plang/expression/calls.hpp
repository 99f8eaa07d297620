// Call nodes: built-in methods, casts, script functions and host functions.
#pragma once

#include <cstdint>
#include <string>

#include "lib/hash.hpp"
#include "plang/expression/expression.hpp"

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
  std::wstring name_;
  std::uint32_t name_hash_;  // the function tables' hash of the name, computed once
  expression_list arguments_;
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
