// A test-only value class: an int payload, conversions that return it, `++`
// that counts, and the base class's defaults left in place.
#pragma once

#include <stdexcept>
#include <string>

#include <boost/make_shared.hpp>

#include "plang/convert.hpp"
#include "plang/factor/factor.hpp"

namespace plang::test {

class probe : public factor {
 public:
  static constexpr std::uint32_t id = 42;  // a registry-made typeid
  explicit probe(int v = 0) : n(v) {}
  int n;

  void call_constructor(const vector&) override { unused(); }
  void call_constructor(const handle& v) override { n = v->operator int(); }
  void add(handle&) const override { unused(); }
  void subtract(handle&) const override { unused(); }
  void multiply(handle&) const override { unused(); }
  void divide(handle&) const override { unused(); }
  void mod(handle&) const override { unused(); }
  void _and(handle&) const override { unused(); }
  void _or(handle&) const override { unused(); }
  void eq(handle&) const override { unused(); }
  void ne(handle&) const override { unused(); }
  void lt(handle&) const override { unused(); }
  void gt(handle&) const override { unused(); }
  void lte(handle&) const override { unused(); }
  void gte(handle&) const override { unused(); }
  void not_(handle&) const override { unused(); }
  void minus(handle&) const override { unused(); }
  void operator=(const handle& v) override { n = v->operator int(); }
  void operator++() override { ++n; }
  void operator--() override { --n; }
  operator bool() const override { return n != 0; }
  operator unsigned int() const override { return static_cast<unsigned int>(n); }
  operator int() const override { return n; }
  operator float() const override { return static_cast<float>(n); }
  operator double() const override { return n; }
  operator std::wstring() const override { return to_wstring<int>(n); }
  handle member(const std::wstring&) override { unused(); }
  handle method(const method_request<wchar_t>&) override { unused(); }
  std::uint32_t get_typeid() const override { return id; }
  handle clone() const override { return boost::make_shared<probe>(n); }
  void hash_into(std::uint32_t&) const override { unused(); }
  bool same_value(const handle& o) const override { return o->get_typeid() == id && int(*o) == n; }
  std::string describe() const override { return "probe(" + to_string<int>(n) + ")"; }
  std::wistream& read_istream(std::wistream&) override { unused(); }

  // The defaults stay reachable through this class too.
  using factor::call_constructor;
  using factor::member;
  using factor::method;
  using factor::read_istream;
  using factor::write_ostream;

 private:
  [[noreturn]] static void unused() { throw std::logic_error("probe: not used by the tests"); }
};

}  // namespace plang::test
