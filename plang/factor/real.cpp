// The real values: IEEE arithmetic that never raises, conversions to the
// integers that saturate explicitly, and 24 maths methods evaluated in
// double whose domain and overflow tests raise range_error.
#include "plang/factor/real.hpp"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <istream>
#include <limits>
#include <ostream>

#include "lib/hash.hpp"
#include "plang/convert.hpp"
#include "plang/factor/boolean.hpp"
#include "plang/factor/exception.hpp"
#include "plang/factor/pool.hpp"
#include "plang/factor/signed_.hpp"
#include "plang/method.hpp"

namespace plang {
namespace {
constexpr char source[] = "plang/factor/real";

template <class T>
struct traits;

template <>
struct traits<double> {
  static constexpr std::uint32_t id = typeid_anchor::real_double;
  static constexpr const char* prefix = "double(";
  static constexpr const char* call_constructor = "plang::real<double>::call_constructor";
  static constexpr const char* member = "plang::real<double>::member";
  static constexpr const char* method = "plang::real<double>::_method";
  static double right(const handle& rhs) { return rhs->operator double(); }
};

template <>
struct traits<float> {
  static constexpr std::uint32_t id = typeid_anchor::real_float;
  static constexpr const char* prefix = "float(";
  static constexpr const char* call_constructor = "plang::real<float>::call_constructor";
  static constexpr const char* member = "plang::real<float>::member";
  static constexpr const char* method = "plang::real<float>::_method";
  static float right(const handle& rhs) { return rhs->operator float(); }
};

handle make_bool(bool v) { return pool::make<boolean>(v); }

// A NaN is true; both zeros are false.
bool truth(double v) { return v != 0; }

// The hash of a non-zero real: its bits taken as 32-bit words, low word
// first, each later word combined without the golden-ratio constant.
std::uint32_t hash_bits(float v) {
  std::uint32_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  return bits;
}
std::uint32_t hash_bits(double v) {
  std::uint64_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  std::uint32_t seed = static_cast<std::uint32_t>(bits);
  seed ^= static_cast<std::uint32_t>(bits >> 32) + (seed << 6) + (seed >> 2);
  return seed;
}
}  // namespace

template <class T>
handle real<T>::make_value(T v) {
  return pool::make<real>(v);
}

template <class T>
plang::method_entries real<T>::method_entries() {
  static constexpr method_entry entries[] = {
      {"cos", 0, 0},  {"sin", 0, 1},    {"tan", 0, 2},       {"acos", 0, 3},        {"asin", 0, 4},
      {"atan", 0, 5}, {"atan2", 2, 6},  {"cosh", 0, 7},      {"sinh", 0, 8},        {"tanh", 0, 9},
      {"exp", 0, 10}, {"frexp", 1, 11}, {"ldexp", 1, 12},    {"log", 0, 13},        {"log10", 0, 14},
      {"pow", 1, 15}, {"sqrt", 0, 16},  {"ceil", 0, 17},     {"abs", 0, 18},        {"floor", 0, 19},
      {"min", 0, 20}, {"max", 0, 21},   {"infinity", 0, 22}, {"is_infinity", 0, 23}};
  return entries;
}

template <class T>
void real<T>::call_constructor(const vector& args) {
  refuse_arguments(source, traits<T>::call_constructor, 26, args);
}
template <class T>
void real<T>::call_constructor(const handle& v) {
  value = traits<T>::right(v);
}
template <class T>
void real<T>::call_constructor() {
  value = 0;
}

// Computed in double: exact for double, one rounding for float.
template <class T>
void real<T>::add(handle& rhs) const {
  rhs = make_value(static_cast<T>(double(value) + double(traits<T>::right(rhs))));
}
template <class T>
void real<T>::subtract(handle& rhs) const {
  rhs = make_value(static_cast<T>(double(value) - double(traits<T>::right(rhs))));
}
template <class T>
void real<T>::multiply(handle& rhs) const {
  rhs = make_value(static_cast<T>(double(value) * double(traits<T>::right(rhs))));
}
template <class T>
void real<T>::divide(handle& rhs) const {
  rhs = make_value(static_cast<T>(double(value) / double(traits<T>::right(rhs))));
}
template <class T>
void real<T>::mod(handle& rhs) const {
  rhs = make_value(static_cast<T>(std::fmod(double(value), double(traits<T>::right(rhs)))));
}

template <class T>
void real<T>::_and(handle& rhs) const {
  rhs = make_bool(truth(value) && truth(traits<T>::right(rhs)));
}
template <class T>
void real<T>::_or(handle& rhs) const {
  rhs = make_bool(truth(value) || truth(traits<T>::right(rhs)));
}
template <class T>
void real<T>::eq(handle& rhs) const {
  rhs = make_bool(value == traits<T>::right(rhs));
}
template <class T>
void real<T>::ne(handle& rhs) const {
  rhs = make_bool(value != traits<T>::right(rhs));
}
template <class T>
void real<T>::lt(handle& rhs) const {
  rhs = make_bool(value < traits<T>::right(rhs));
}
template <class T>
void real<T>::gt(handle& rhs) const {
  rhs = make_bool(value > traits<T>::right(rhs));
}
template <class T>
void real<T>::lte(handle& rhs) const {
  rhs = make_bool(value <= traits<T>::right(rhs));
}
template <class T>
void real<T>::gte(handle& rhs) const {
  rhs = make_bool(value >= traits<T>::right(rhs));
}

template <class T>
void real<T>::not_(handle& operand) const {
  operand = make_value(truth(value) ? T(0) : T(1));
}
template <class T>
void real<T>::minus(handle& operand) const {
  operand = make_value(-value);
}

template <class T>
void real<T>::operator=(const handle& v) {
  value = traits<T>::right(v);
}
template <class T>
void real<T>::operator++() {
  value = static_cast<T>(double(value) + 1.0);
}
template <class T>
void real<T>::operator--() {
  value = static_cast<T>(double(value) - 1.0);
}

template <class T>
real<T>::operator bool() const {
  return truth(value);
}

// Truncated toward zero; out of range or NaN gives -2147483648 (the result
// of the hardware's own conversion), tested first because the plain cast
// of such a value is undefined.
template <class T>
real<T>::operator int() const {
  const double v = value;
  if (!(v > -2147483649.0 && v < 2147483648.0)) return std::numeric_limits<int>::min();
  return static_cast<int>(v);
}

// Truncated to a signed 64-bit integer whose low 32 bits are taken, so
// -1.0 gives 4294967295 and 4294967297.0 gives 1; NaN and magnitudes of
// 2^63 or more give 0.
template <class T>
real<T>::operator unsigned int() const {
  const double v = value;
  if (!(std::fabs(v) < 9223372036854775808.0)) return 0;
  return static_cast<unsigned int>(static_cast<std::uint64_t>(static_cast<std::int64_t>(v)));
}

template <class T>
real<T>::operator float() const {
  return static_cast<float>(value);
}
template <class T>
real<T>::operator double() const {
  return value;
}
template <class T>
real<T>::operator std::string() const {
  return to_string<T>(value);
}
template <class T>
real<T>::operator std::wstring() const {
  return to_wstring<T>(value);
}

template <class T>
handle real<T>::member(const std::string& name) {
  refuse_member(source, traits<T>::member, 133, name);
}
template <class T>
handle real<T>::member(const std::wstring& name) {
  refuse_member(source, traits<T>::member, 137, name);
}

// The functions run in double on the widened operands; the overflow tests
// look at the result rounded to T, so exp(89) overflows a float only.
// Domain tests are ordered comparisons: a NaN passes and gives NaN.
template <class T>
template <class C>
handle real<T>::_method(const method_request<C>& r) {
  const int id = find_method_id<real>(source, traits<T>::method, 231, r);
  const double v = value;
  auto argument = [&r](std::size_t i) -> double { return traits<T>::right(r.arguments[i]); };
  auto fail = [](int line) { raise_range_error(source, traits<T>::method, line); };
  auto result = [](double x) { return make_value(static_cast<T>(x)); };
  // A result that rounds to +infinity fails; -infinity passes.
  auto unless_overflow = [&fail](double x, int line) {
    const T rounded = static_cast<T>(x);
    if (rounded == std::numeric_limits<T>::infinity()) fail(line);
    return make_value(rounded);
  };
  switch (id) {
    case 0:
      return result(std::cos(v));
    case 1:
      return result(std::sin(v));
    case 2:
      return result(std::tan(v));
    case 3:
      if (v < -1 || v > 1) fail(242);
      return result(std::acos(v));
    case 4:
      if (v < -1 || v > 1) fail(247);
      return result(std::asin(v));
    case 5:
      return result(std::atan(v));
    case 6: {  // the receiver only chooses the class of the result
      const double y = argument(0);
      const double x = argument(1);
      if (y == 0 && x == 0) fail(256);
      return result(std::atan2(y, x));
    }
    case 7:
      return unless_overflow(std::cosh(v), 262);
    case 8:
      return unless_overflow(std::sinh(v), 268);
    case 9:
      return result(std::tanh(v));
    case 10:
      return unless_overflow(std::exp(v), 276);
    case 11: {  // the exponent goes into the argument through its own assignment
      int exponent = 0;
      const double mantissa = std::frexp(v, &exponent);
      *r.arguments[0] = signed_<int>::make_value(exponent);
      return result(mantissa);
    }
    case 12:
      return result(std::ldexp(v, r.arguments[0]->operator int()));
    case 13:
      if (v <= 0) fail(289);
      return result(std::log(v));
    case 14:
      if (v <= 0) fail(294);
      return result(std::log10(v));
    case 15: {
      const double a = argument(0);
      if (v == 0 && a < 0) fail(300);
      const T x = static_cast<T>(std::pow(v, a));
      if (std::isinf(x)) fail(303);
      return make_value(x);
    }
    case 16:
      if (v < 0) fail(308);
      return result(std::sqrt(v));
    case 17:
      return result(std::ceil(v));
    case 18:
      return result(std::fabs(v));
    case 19:
      return result(std::floor(v));
    case 20:  // the smallest positive normal value
      return make_value(std::numeric_limits<T>::min());
    case 21:
      return make_value(std::numeric_limits<T>::max());
    case 22:
      return make_value(std::numeric_limits<T>::infinity());
    default:
      return make_bool(std::isinf(value));
  }
}
template <class T>
handle real<T>::method(const method_request<char>& r) {
  return _method(r);
}
template <class T>
handle real<T>::method(const method_request<wchar_t>& r) {
  return _method(r);
}

template <class T>
std::uint32_t real<T>::get_typeid() const {
  return traits<T>::id;
}
template <class T>
handle real<T>::clone() const {
  return make_value(value);
}
// Both zeros hash to 0, as they are one key.
template <class T>
void real<T>::hash_into(std::uint32_t& seed) const {
  lib::hash_combine(seed, value == 0 ? 0u : hash_bits(value));
}
template <class T>
bool real<T>::same_value(const handle& other) const {
  return other->get_typeid() == traits<T>::id && static_cast<const real&>(*other).value == value;
}
template <class T>
std::string real<T>::describe() const {
  std::string text = traits<T>::prefix;
  text += to_string<T>(value);
  text += ')';
  return text;
}

template <class T>
std::wostream& real<T>::write_ostream(std::wostream& os) const {
  return os << value;
}
template <class T>
std::ostream& real<T>::write_ostream(std::ostream& os) const {
  return os << value;
}
template <class T>
std::wistream& real<T>::read_istream(std::wistream& is) {
  return is >> value;
}
template <class T>
std::istream& real<T>::read_istream(std::istream& is) {
  return is >> value;
}

template class real<float>;
template class real<double>;

}  // namespace plang
