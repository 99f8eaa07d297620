// The int value: arithmetic in 32 bits that wraps (computed on the unsigned
// bits, so no overflow is undefined), truncating division, and the methods
// abs, max, min and rand.
#include "plang/factor/signed_.hpp"

#include <cstdint>
#include <istream>
#include <limits>
#include <ostream>

#include <boost/make_shared.hpp>

#include "lib/hash.hpp"
#include "plang/convert.hpp"
#include "plang/factor/boolean.hpp"
#include "plang/factor/exception.hpp"
#include "plang/method.hpp"
#include "plang/random.hpp"
#include "plang/value_pool.hpp"

namespace plang {
namespace {
constexpr char source[] = "plang/factor/signed_";

using bits = std::uint32_t;

handle make_bool(bool v) { return boost::make_shared<boolean>(v); }
int wrap(bits b) { return static_cast<int>(b); }
int right(const handle& rhs) { return rhs->operator int(); }
}  // namespace

handle signed_<int>::make_value(int v) { return boost::allocate_shared<signed_>(pooled<signed_>(), v); }

plang::method_entries signed_<int>::method_entries() {
  static constexpr method_entry entries[] = {{"abs", 0, 0}, {"max", 0, 1}, {"min", 0, 2}, {"rand", 0, 3}};
  return entries;
}

void signed_<int>::call_constructor(const vector& args) {
  refuse_arguments(source, "plang::signed_<int>::call_constructor", 25, args);
}
void signed_<int>::call_constructor(const handle& v) { value = v->operator int(); }
void signed_<int>::call_constructor() { value = 0; }

void signed_<int>::add(handle& rhs) const { rhs = make_value(sum(value, right(rhs))); }
void signed_<int>::subtract(handle& rhs) const { rhs = make_value(difference(value, right(rhs))); }
void signed_<int>::multiply(handle& rhs) const { rhs = make_value(product(value, right(rhs))); }

// -2147483648 / -1 wraps to -2147483648 (and % -1 gives 0) instead of
// trapping: any divisor -1 is a negation.
int signed_<int>::quotient(int a, int r) {
  if (r == 0) raise_range_error(source, "plang::signed_<int>::divide", 44);
  return r == -1 ? wrap(bits(0) - bits(a)) : a / r;
}
int signed_<int>::remainder(int a, int r) {
  if (r == 0) raise_range_error(source, "plang::signed_<int>::mod", 48);
  return r == -1 ? 0 : a % r;
}
void signed_<int>::divide(handle& rhs) const { rhs = make_value(quotient(value, right(rhs))); }
void signed_<int>::mod(handle& rhs) const { rhs = make_value(remainder(value, right(rhs))); }

void signed_<int>::_and(handle& rhs) const { rhs = make_bool(value != 0 && right(rhs) != 0); }
void signed_<int>::_or(handle& rhs) const { rhs = make_bool(value != 0 || right(rhs) != 0); }
void signed_<int>::eq(handle& rhs) const { rhs = make_bool(value == right(rhs)); }
void signed_<int>::ne(handle& rhs) const { rhs = make_bool(value != right(rhs)); }
void signed_<int>::lt(handle& rhs) const { rhs = make_bool(value < right(rhs)); }
void signed_<int>::gt(handle& rhs) const { rhs = make_bool(value > right(rhs)); }
void signed_<int>::lte(handle& rhs) const { rhs = make_bool(value <= right(rhs)); }
void signed_<int>::gte(handle& rhs) const { rhs = make_bool(value >= right(rhs)); }

void signed_<int>::not_(handle& operand) const { operand = make_value(value == 0 ? 1 : 0); }
void signed_<int>::minus(handle& operand) const { operand = make_value(wrap(bits(0) - bits(value))); }

void signed_<int>::operator=(const handle& v) { value = v->operator int(); }
void signed_<int>::operator++() { value = wrap(bits(value) + 1u); }
void signed_<int>::operator--() { value = wrap(bits(value) - 1u); }

signed_<int>::operator bool() const { return value != 0; }
signed_<int>::operator unsigned int() const { return bits(value); }
signed_<int>::operator int() const { return value; }
signed_<int>::operator float() const { return static_cast<float>(value); }
signed_<int>::operator double() const { return value; }
signed_<int>::operator std::string() const { return to_string<int>(value); }
signed_<int>::operator std::wstring() const { return to_wstring<int>(value); }

handle signed_<int>::member(const std::string& name) {
  refuse_member(source, "plang::signed_<int>::member", 135, name);
}
handle signed_<int>::member(const std::wstring& name) {
  refuse_member(source, "plang::signed_<int>::member", 139, name);
}

template <class C>
handle signed_<int>::_method(const method_request<C>& r) {
  switch (find_method_id<signed_>(source, "plang::signed_<int>::_method", 213, r)) {
    case 0:  // the magnitude wraps too: abs of -2147483648 is itself
      return make_value(value < 0 ? wrap(bits(0) - bits(value)) : value);
    case 1:
      return make_value(std::numeric_limits<int>::max());
    case 2:
      return make_value(std::numeric_limits<int>::min());
    default:
      return make_value(next_random());
  }
}
handle signed_<int>::method(const method_request<char>& r) { return _method(r); }
handle signed_<int>::method(const method_request<wchar_t>& r) { return _method(r); }

std::uint32_t signed_<int>::get_typeid() const { return typeid_anchor::signed_int; }
handle signed_<int>::clone() const { return make_value(value); }
void signed_<int>::hash_into(std::uint32_t& seed) const { lib::hash_combine(seed, bits(value)); }
bool signed_<int>::same_value(const handle& other) const {
  return other->get_typeid() == typeid_anchor::signed_int && static_cast<const signed_&>(*other).value == value;
}
std::string signed_<int>::describe() const {
  std::string text = "int(";
  text += to_string<int>(value);
  text += ')';
  return text;
}

std::wostream& signed_<int>::write_ostream(std::wostream& os) const { return os << value; }
std::ostream& signed_<int>::write_ostream(std::ostream& os) const { return os << value; }
std::wistream& signed_<int>::read_istream(std::wistream& is) { return is >> value; }
std::istream& signed_<int>::read_istream(std::istream& is) { return is >> value; }

}  // namespace plang
