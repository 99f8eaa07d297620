// The text value, type name "string": a wide text that joins anything
// convertible to text and compares as text.
#pragma once

#include <string>
#include <utility>

#include "plang/factor/factor.hpp"

namespace plang {

struct method_entries;

template <class C>
class string_;

template <>
class string_<wchar_t> final : public factor {
 public:
  string_() = default;
  explicit string_(std::wstring t) : text(std::move(t)) {}

  std::wstring text;

  // empty 0, size 1, at 2, match 3.
  static plang::method_entries method_entries();

  void call_constructor(const vector& args) override;
  void call_constructor(const handle& source) override;
  void call_constructor() override;
  PLANG_FACTOR_OPERATORS
  operator bool() const override;
  operator unsigned int() const override;
  operator int() const override;
  operator float() const override;
  operator double() const override;
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
  std::wistream& read_istream(std::wistream& is) override;

  // Narrow text and narrow streams keep the base's "undefined".
  using factor::read_istream;
  using factor::write_ostream;

 private:
  template <class C>
  handle _method(const method_request<C>& request);
};

// A new text value holding `text`.
handle make_string(std::wstring text);

}  // namespace plang
