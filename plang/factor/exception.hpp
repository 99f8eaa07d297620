// Script exception values: bad_cast (failed conversions) and range_error
// (division by zero, bad indexes, empty containers, maths domains), and the
// helpers that raise them inside sig_throw.
#pragma once

#include <cstdint>
#include <string>

#include "plang/factor/factor.hpp"

namespace plang {

struct bad_cast_ {};
struct range_error_ {};

// Where a script exception value was raised.
struct exception_payload {
  std::string file;
  std::string function;
  std::uint32_t line = 0;
};

template <class Tag>
class exception_ final : public factor {
 public:
  exception_() = default;  // empty file and function, line 0
  exception_(const char* file, const char* function, std::uint32_t line) : payload{file, function, line} {}

  exception_payload payload;

  // file "(" line ") : " function
  static std::string describe_origin(const exception_payload& p);
  // Combines the file's and the function's text hashes, then the line.
  static void hash_payload(const exception_payload& p, std::uint32_t& seed);
  static bool same_payload(const exception_payload& a, const exception_payload& b);
  static exception_payload copy_payload(const exception_payload& p) { return p; }

  void call_constructor(const vector& args) override;
  void call_constructor(const handle& value) override;
  void call_constructor() override {}
  PLANG_FACTOR_OPERATORS
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

extern template class exception_<bad_cast_>;
extern template class exception_<range_error_>;

// Throw sig_throw carrying a new value made from the raising point.
[[noreturn]] void raise_bad_cast(const char* file, const char* function, std::uint32_t line);
[[noreturn]] void raise_range_error(const char* file, const char* function, std::uint32_t line);

}  // namespace plang
