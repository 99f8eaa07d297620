// Initialiser nodes of a class constructor: they create the members and the
// base part of the object under construction, which is the namespace of the
// runtime they are evaluated in.
#pragma once

#include <cstdint>
#include <string>

#include "plang/expression/expression.hpp"
#include "plang/table/variable.hpp"

namespace plang {

// A value member: a new value of the type, constructed from the arguments
// by their count, declared in the object's own variables.
class e_declare_member final : public expression {
 public:
  e_declare_member(std::wstring name, std::uint32_t type, expression_list arguments)
      : name_(table::intern(name)), type_(type), arguments_(std::move(arguments)) {}
  void evaluate(runtime* rt, handle& result) const override;

 private:
  table::name_key name_;
  std::uint32_t type_;
  expression_list arguments_;
};

// A reference member: bound to the initialiser's own value, whose typeid
// must be the member's exactly.
class e_ref_member final : public expression {
 public:
  e_ref_member(std::wstring name, std::uint32_t type, expression_handle initialiser)
      : name_(std::move(name)), type_(type), initialiser_(std::move(initialiser)) {}
  void evaluate(runtime* rt, handle& result) const override;

 private:
  std::wstring name_;
  std::uint32_t type_;
  expression_handle initialiser_;
};

// The base part, constructed from the arguments by their count; from then
// on lookups from the object go on into the base part.
class e_base final : public expression {
 public:
  explicit e_base(expression_list arguments) : arguments_(std::move(arguments)) {}
  void evaluate(runtime* rt, handle& result) const override;

 private:
  expression_list arguments_;
};

}  // namespace plang
