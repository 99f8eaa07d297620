// Declaration nodes: a declaration statement and its value and reference
// declarators.
#pragma once

#include <cstdint>
#include <string>

#include "plang/expression/expression.hpp"
#include "plang/table/variable.hpp"

namespace plang {

// A declaration statement: each declarator in order; the result is left as
// it was.
class e_declare final : public expression {
 public:
  explicit e_declare(expression_list declarators) : declarators_(std::move(declarators)) {}
  void evaluate(runtime* rt, handle& result) const override;

 private:
  expression_list declarators_;
};

// type name "(" arguments ")": a new value declared in the innermost table.
class e_constructor final : public expression {
 public:
  e_constructor(std::wstring name, std::uint32_t type, expression_list arguments)
      : name_(table::intern(name)), type_(type), arguments_(std::move(arguments)) {}
  void evaluate(runtime* rt, handle& result) const override;

 private:
  table::name_key name_;
  std::uint32_t type_;
  expression_list arguments_;
};

// type "&" name "=" initialiser: the initialiser's own handle declared under
// the name; its typeid must be exactly the declared one.
class e_ref_constructor final : public expression {
 public:
  e_ref_constructor(std::wstring name, std::uint32_t type, expression_handle initialiser)
      : name_(table::intern(name)), type_(type), initialiser_(std::move(initialiser)) {}
  void evaluate(runtime* rt, handle& result) const override;

 private:
  table::name_key name_;
  std::uint32_t type_;
  expression_handle initialiser_;
};

}  // namespace plang
