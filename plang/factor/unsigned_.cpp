// The u?int value: arithmetic modulo 2^32, unsigned division and ordering,
// and the methods max, min and rand.
#include "plang/factor/unsigned_.hpp"

#include <cstdint>
#include <istream>
#include <limits>
#include <ostream>

#include "lib/hash.hpp"
#include "plang/convert.hpp"
#include "plang/factor/boolean.hpp"
#include "plang/factor/exception.hpp"
#include "plang/factor/pool.hpp"
#include "plang/method.hpp"
#include "plang/random.hpp"

namespace plang {
namespace {
constexpr char source[] = "plang/factor/unsigned_";

handle make_bool(bool v) { return pool::make<boolean>(v); }
unsigned int right(const handle& rhs) { return rhs->operator unsigned int(); }
}  // namespace

handle unsigned_<unsigned int>::make_value(unsigned int v) { return pool::make<unsigned_>(v); }

plang::method_entries unsigned_<unsigned int>::method_entries() {
  static constexpr method_entry entries[] = {{"max", 0, 0}, {"min", 0, 1}, {"rand", 0, 2}};
  return entries;
}

void unsigned_<unsigned int>::call_constructor(const vector& args) {
  refuse_arguments(source, "plang::unsigned_<unsigned int>::call_constructor", 27, args);
}
void unsigned_<unsigned int>::call_constructor(const handle& v) { value = v->operator unsigned int(); }
void unsigned_<unsigned int>::call_constructor() { value = 0; }

void unsigned_<unsigned int>::add(handle& rhs) const { rhs = make_value(value + right(rhs)); }
void unsigned_<unsigned int>::subtract(handle& rhs) const { rhs = make_value(value - right(rhs)); }
void unsigned_<unsigned int>::multiply(handle& rhs) const { rhs = make_value(value * right(rhs)); }
void unsigned_<unsigned int>::divide(handle& rhs) const {
  const unsigned int r = right(rhs);
  if (r == 0) raise_range_error(source, "plang::unsigned_<unsigned int>::divide", 46);
  rhs = make_value(value / r);
}
void unsigned_<unsigned int>::mod(handle& rhs) const {
  const unsigned int r = right(rhs);
  if (r == 0) raise_range_error(source, "plang::unsigned_<unsigned int>::mod", 50);
  rhs = make_value(value % r);
}

void unsigned_<unsigned int>::_and(handle& rhs) const { rhs = make_bool(value != 0 && right(rhs) != 0); }
void unsigned_<unsigned int>::_or(handle& rhs) const { rhs = make_bool(value != 0 || right(rhs) != 0); }
void unsigned_<unsigned int>::eq(handle& rhs) const { rhs = make_bool(value == right(rhs)); }
void unsigned_<unsigned int>::ne(handle& rhs) const { rhs = make_bool(value != right(rhs)); }
void unsigned_<unsigned int>::lt(handle& rhs) const { rhs = make_bool(value < right(rhs)); }
void unsigned_<unsigned int>::gt(handle& rhs) const { rhs = make_bool(value > right(rhs)); }
void unsigned_<unsigned int>::lte(handle& rhs) const { rhs = make_bool(value <= right(rhs)); }
void unsigned_<unsigned int>::gte(handle& rhs) const { rhs = make_bool(value >= right(rhs)); }

void unsigned_<unsigned int>::not_(handle& operand) const { operand = make_value(value == 0 ? 1u : 0u); }
void unsigned_<unsigned int>::minus(handle& operand) const { operand = make_value(0u - value); }

void unsigned_<unsigned int>::operator=(const handle& v) { value = v->operator unsigned int(); }
void unsigned_<unsigned int>::operator++() { ++value; }
void unsigned_<unsigned int>::operator--() { --value; }

unsigned_<unsigned int>::operator bool() const { return value != 0; }
unsigned_<unsigned int>::operator unsigned int() const { return value; }
unsigned_<unsigned int>::operator int() const { return static_cast<int>(value); }
unsigned_<unsigned int>::operator float() const { return static_cast<float>(value); }
unsigned_<unsigned int>::operator double() const { return value; }
unsigned_<unsigned int>::operator std::string() const { return to_string<unsigned int>(value); }
unsigned_<unsigned int>::operator std::wstring() const { return to_wstring<unsigned int>(value); }

handle unsigned_<unsigned int>::member(const std::string& name) {
  refuse_member(source, "plang::unsigned_<unsigned int>::member", 137, name);
}
handle unsigned_<unsigned int>::member(const std::wstring& name) {
  refuse_member(source, "plang::unsigned_<unsigned int>::member", 141, name);
}

template <class C>
handle unsigned_<unsigned int>::_method(const method_request<C>& r) {
  switch (find_method_id<unsigned_>(source, "plang::unsigned_<unsigned int>::_method", 214, r)) {
    case 0:
      return make_value(std::numeric_limits<unsigned int>::max());
    case 1:
      return make_value(0u);
    default:
      return make_value(static_cast<unsigned int>(next_random()));
  }
}
handle unsigned_<unsigned int>::method(const method_request<char>& r) { return _method(r); }
handle unsigned_<unsigned int>::method(const method_request<wchar_t>& r) { return _method(r); }

std::uint32_t unsigned_<unsigned int>::get_typeid() const { return typeid_anchor::unsigned_int; }
handle unsigned_<unsigned int>::clone() const { return make_value(value); }
void unsigned_<unsigned int>::hash_into(std::uint32_t& seed) const { lib::hash_combine(seed, value); }
bool unsigned_<unsigned int>::same_value(const handle& other) const {
  return other->get_typeid() == typeid_anchor::unsigned_int && static_cast<const unsigned_&>(*other).value == value;
}
std::string unsigned_<unsigned int>::describe() const {
  std::string text = "unsigned int(";
  text += to_string<unsigned int>(value);
  text += ')';
  return text;
}

std::wostream& unsigned_<unsigned int>::write_ostream(std::wostream& os) const { return os << value; }
std::ostream& unsigned_<unsigned int>::write_ostream(std::ostream& os) const { return os << value; }
std::wistream& unsigned_<unsigned int>::read_istream(std::wistream& is) { return is >> value; }
std::istream& unsigned_<unsigned int>::read_istream(std::istream& is) { return is >> value; }

}  // namespace plang
