// The timer value, type name "timer": one reading of the process clock and
// the methods start, restart and elapsed; every other operation is refused.
#pragma once

#include <cstdint>

#include "plang/factor/factor.hpp"

namespace plang {

struct method_entries;

class timer final : public factor {
 public:
  timer();  // reads the clock
  explicit timer(std::int32_t reading) : clock_value(reading) {}

  // Milliseconds of the process clock (plang/clock.hpp).
  std::int32_t clock_value;

  // start 0, restart 1, elapsed 2, all without arguments.
  static plang::method_entries method_entries();

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

 private:
  template <class C>
  handle _method(const method_request<C>& request);
};

}  // namespace plang
