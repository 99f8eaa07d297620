// The type-identity value, type name "typeid": the typeid of some value, so
// that typeid(x) == typeid(y) tells whether x and y are of one type.
#pragma once

#include <cstdint>

#include "plang/factor/factor.hpp"

namespace plang {

class typeid_ final : public factor {
 public:
  explicit typeid_(std::uint32_t id = 0) : value(id) {}

  std::uint32_t value;

  void call_constructor(const vector& args) override;
  void call_constructor(const handle& source) override;
  void call_constructor() override;
  void add(handle& rhs) const override;
  void subtract(handle& rhs) const override;
  void multiply(handle& rhs) const override;
  void divide(handle& rhs) const override;
  void mod(handle& rhs) const override;
  void _and(handle& rhs) const override;
  void _or(handle& rhs) const override;
  void eq(handle& rhs) const override;
  void ne(handle& rhs) const override;
  void lt(handle& rhs) const override;
  void gt(handle& rhs) const override;
  void lte(handle& rhs) const override;
  void gte(handle& rhs) const override;
  void not_(handle& operand) const override;
  void minus(handle& operand) const override;
  void operator=(const handle& source) override;
  void operator++() override;
  void operator--() override;
  operator bool() const override;
  operator unsigned int() const override;
  operator int() const override;
  operator float() const override;
  operator double() const override;
  operator std::string() const override;
  operator std::wstring() const override;
  handle member(const std::wstring& name) override;
  handle member(const std::string& name) override;
  handle method(const method_request<wchar_t>& request) override;
  handle method(const method_request<char>& request) override;
  std::uint32_t get_typeid() const override;
  handle clone() const override;
  void hash_into(std::uint32_t& seed) const override;
  bool same_value(const handle& other) const override;
  std::string describe() const override;
  std::wostream& write_ostream(std::wostream& os) const override;
  std::ostream& write_ostream(std::ostream& os) const override;
  std::wistream& read_istream(std::wistream& is) override;
  std::istream& read_istream(std::istream& is) override;
};

}  // namespace plang
