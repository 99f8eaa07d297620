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
  e_method(expression_handle object, std::wstring name, expression_list arguments);
  ~e_method();  // a chain of calls is released call after call
  void evaluate(runtime* rt, handle& result) const override;
  void execute(runtime* rt) const override;
  // `at` and `exist` on a vector or a map, with an int or bool argument and
  // an int or bool result, read without any handle.
  bool evaluate_scalar(runtime* rt, scalar& out) const override;
  bool scalar_capable() const override { return reads_scalar_; }

 private:
  // The built-in methods this node runs on a vector, list or map without a
  // call record when the receiver is a variable and every argument is a
  // built-in number, bool or text: then no script code runs during the
  // call, and the receiver and variable arguments are used where their
  // variables hold them, without handle copies.
  enum class builtin : unsigned char { none, at, exist, push_back, push_front, insert };

  // `result` null: the value is dropped.
  void call(runtime* rt, handle* result) const;
  // The builtin on the evaluated receiver and arguments; false when it does
  // not apply (another class, another argument type), having run nothing.
  bool run_builtin(const handle& object, const handle* const* args, handle* owned, handle* result) const;
  // insert of two int or bool arguments; false when either argument is not
  // one, having run nothing.
  bool insert_scalars(runtime* rt, handle* result) const;
  // The call record's way: the receiver's `method`.
  void call_method(handle object, const factor::vector& args, handle* result) const;

  expression_handle object_;
  std::wstring name_;
  expression_list arguments_;
  mutable method_site site_;  // the id a built-in class's table gave this call
  builtin builtin_ = builtin::none;
  // Bit i: argument i is a variable used in place; the nodes after it are
  // variables and literals, which cannot disturb the table that holds it.
  unsigned borrowed_ = 0;
  bool reads_scalar_ = false;
  // insert whose key and value can both be read as an int or bool: into a
  // map they go in their small forms, without value objects.
  bool inserts_scalars_ = false;
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
