// Script exception values: every operation but copying, hashing, equality
// and description is refused; conversions raise a new bad_cast value.
#include "plang/factor/exception.hpp"

#include <boost/make_shared.hpp>

#include "lib/hash.hpp"
#include "plang/convert.hpp"
#include "plang/exception.hpp"
#include "plang/method.hpp"
#include "plang/signal.hpp"

namespace plang {
namespace {

constexpr char source[] = "plang/factor/exception";

// Function texts and identity of each instance, as literals.
template <class Tag>
struct traits;

#define PLANG_EXCEPTION_TRAITS(TAG, NAME, ID)                                                                     \
  template <>                                                                                                     \
  struct traits<TAG> {                                                                                            \
    static constexpr std::uint32_t id = ID;                                                                       \
    static constexpr const char* prefix = NAME "(";                                                               \
    static constexpr const char* call_constructor = "plang::exception_<class plang::" #TAG ">::call_constructor"; \
    static constexpr const char* add = "plang::exception_<class plang::" #TAG ">::add";                           \
    static constexpr const char* subtract = "plang::exception_<class plang::" #TAG ">::subtract";                 \
    static constexpr const char* multiply = "plang::exception_<class plang::" #TAG ">::multiply";                 \
    static constexpr const char* divide = "plang::exception_<class plang::" #TAG ">::divide";                     \
    static constexpr const char* mod = "plang::exception_<class plang::" #TAG ">::mod";                           \
    static constexpr const char* _and = "plang::exception_<class plang::" #TAG ">::_and";                         \
    static constexpr const char* _or = "plang::exception_<class plang::" #TAG ">::_or";                           \
    static constexpr const char* eq = "plang::exception_<class plang::" #TAG ">::eq";                             \
    static constexpr const char* ne = "plang::exception_<class plang::" #TAG ">::ne";                             \
    static constexpr const char* lt = "plang::exception_<class plang::" #TAG ">::lt";                             \
    static constexpr const char* gt = "plang::exception_<class plang::" #TAG ">::gt";                             \
    static constexpr const char* lte = "plang::exception_<class plang::" #TAG ">::lte";                           \
    static constexpr const char* gte = "plang::exception_<class plang::" #TAG ">::gte";                           \
    static constexpr const char* not_ = "plang::exception_<class plang::" #TAG ">::not";                          \
    static constexpr const char* minus = "plang::exception_<class plang::" #TAG ">::minus";                       \
    static constexpr const char* assign = "plang::exception_<class plang::" #TAG ">::operator =";                 \
    static constexpr const char* increment = "plang::exception_<class plang::" #TAG ">::operator ++";             \
    static constexpr const char* decrement = "plang::exception_<class plang::" #TAG ">::operator --";             \
    static constexpr const char* to_bool = "plang::exception_<class plang::" #TAG ">::operator bool";             \
    static constexpr const char* to_unsigned = "plang::exception_<class plang::" #TAG ">::operator unsigned int"; \
    static constexpr const char* to_int = "plang::exception_<class plang::" #TAG ">::operator int";               \
    static constexpr const char* to_float = "plang::exception_<class plang::" #TAG ">::operator float";           \
    static constexpr const char* to_double = "plang::exception_<class plang::" #TAG ">::operator double";         \
    static constexpr const char* to_string =                                                                      \
        "plang::exception_<class plang::" #TAG                                                                    \
        ">::operator class std::basic_string<char,struct std::char_traits<char>,class std::allocator<char> >";    \
    static constexpr const char* to_wstring =                                                                     \
        "plang::exception_<class plang::" #TAG                                                                    \
        ">::operator class std::basic_string<wchar_t,struct std::char_traits<wchar_t>,class "                     \
        "std::allocator<wchar_t> >";                                                                              \
    static constexpr const char* member = "plang::exception_<class plang::" #TAG ">::member";                     \
    static constexpr const char* method = "plang::exception_<class plang::" #TAG ">::method";                     \
    static constexpr const char* write_ostream = "plang::exception_<class plang::" #TAG ">::write_ostream";       \
    static constexpr const char* read_istream = "plang::exception_<class plang::" #TAG ">::read_istream";         \
  };

PLANG_EXCEPTION_TRAITS(bad_cast_, "bad_cast", typeid_anchor::bad_cast)
PLANG_EXCEPTION_TRAITS(range_error_, "range_error", typeid_anchor::range_error)
#undef PLANG_EXCEPTION_TRAITS

}  // namespace

template <class Tag>
std::string exception_<Tag>::describe_origin(const exception_payload& p) {
  std::string text = p.file;
  text += '(';
  text += to_string<unsigned int>(p.line);
  text += ") : ";
  text += p.function;
  return text;
}

template <class Tag>
void exception_<Tag>::hash_payload(const exception_payload& p, std::uint32_t& seed) {
  lib::hash_combine(seed, lib::hash_text(p.file));
  lib::hash_combine(seed, lib::hash_text(p.function));
  lib::hash_combine(seed, p.line);
}

template <class Tag>
bool exception_<Tag>::same_payload(const exception_payload& a, const exception_payload& b) {
  return a.line == b.line && a.file == b.file && a.function == b.function;
}

template <class Tag>
void exception_<Tag>::call_constructor(const vector& args) {
  refuse_arguments(source, traits<Tag>::call_constructor, 40, args);
}

template <class Tag>
void exception_<Tag>::call_constructor(const handle& value) {
  if (value->get_typeid() != traits<Tag>::id) refuse_operand(source, traits<Tag>::call_constructor, 34, *value);
  payload = copy_payload(static_cast<const exception_&>(*value).payload);
}

template <class Tag>
void exception_<Tag>::add(handle& rhs) const {
  refuse_operand(source, traits<Tag>::add, 45, *rhs);
}
template <class Tag>
void exception_<Tag>::subtract(handle& rhs) const {
  refuse_operand(source, traits<Tag>::subtract, 49, *rhs);
}
template <class Tag>
void exception_<Tag>::multiply(handle& rhs) const {
  refuse_operand(source, traits<Tag>::multiply, 53, *rhs);
}
template <class Tag>
void exception_<Tag>::divide(handle& rhs) const {
  refuse_operand(source, traits<Tag>::divide, 57, *rhs);
}
template <class Tag>
void exception_<Tag>::mod(handle& rhs) const {
  refuse_operand(source, traits<Tag>::mod, 61, *rhs);
}
template <class Tag>
void exception_<Tag>::_and(handle& rhs) const {
  refuse_operand(source, traits<Tag>::_and, 65, *rhs);
}
template <class Tag>
void exception_<Tag>::_or(handle& rhs) const {
  refuse_operand(source, traits<Tag>::_or, 69, *rhs);
}
template <class Tag>
void exception_<Tag>::eq(handle& rhs) const {
  refuse_operand(source, traits<Tag>::eq, 73, *rhs);
}
template <class Tag>
void exception_<Tag>::ne(handle& rhs) const {
  refuse_operand(source, traits<Tag>::ne, 77, *rhs);
}
template <class Tag>
void exception_<Tag>::lt(handle& rhs) const {
  refuse_operand(source, traits<Tag>::lt, 81, *rhs);
}
template <class Tag>
void exception_<Tag>::gt(handle& rhs) const {
  refuse_operand(source, traits<Tag>::gt, 85, *rhs);
}
template <class Tag>
void exception_<Tag>::lte(handle& rhs) const {
  refuse_operand(source, traits<Tag>::lte, 89, *rhs);
}
template <class Tag>
void exception_<Tag>::gte(handle& rhs) const {
  refuse_operand(source, traits<Tag>::gte, 93, *rhs);
}
template <class Tag>
void exception_<Tag>::not_(handle&) const {
  refuse_operand(source, traits<Tag>::not_, 97, *this);
}
template <class Tag>
void exception_<Tag>::minus(handle&) const {
  refuse_operand(source, traits<Tag>::minus, 101, *this);
}

template <class Tag>
void exception_<Tag>::operator=(const handle& source_value) {
  if (source_value->get_typeid() != traits<Tag>::id) refuse_operand(source, traits<Tag>::assign, 106, *source_value);
  payload = copy_payload(static_cast<const exception_&>(*source_value).payload);
}

template <class Tag>
void exception_<Tag>::operator++() {
  refuse(source, traits<Tag>::increment, 112);
}
template <class Tag>
void exception_<Tag>::operator--() {
  refuse(source, traits<Tag>::decrement, 116);
}

template <class Tag>
exception_<Tag>::operator bool() const {
  raise_bad_cast(source, traits<Tag>::to_bool, 121);
}
template <class Tag>
exception_<Tag>::operator unsigned int() const {
  raise_bad_cast(source, traits<Tag>::to_unsigned, 125);
}
template <class Tag>
exception_<Tag>::operator int() const {
  raise_bad_cast(source, traits<Tag>::to_int, 129);
}
template <class Tag>
exception_<Tag>::operator float() const {
  raise_bad_cast(source, traits<Tag>::to_float, 133);
}
template <class Tag>
exception_<Tag>::operator double() const {
  raise_bad_cast(source, traits<Tag>::to_double, 137);
}
template <class Tag>
exception_<Tag>::operator std::string() const {
  raise_bad_cast(source, traits<Tag>::to_string, 141);
}
template <class Tag>
exception_<Tag>::operator std::wstring() const {
  raise_bad_cast(source, traits<Tag>::to_wstring, 145);
}

template <class Tag>
handle exception_<Tag>::member(const std::string& name) {
  refuse_member(source, traits<Tag>::member, 150, name);
}
template <class Tag>
handle exception_<Tag>::member(const std::wstring& name) {
  refuse_member(source, traits<Tag>::member, 154, name);
}
template <class Tag>
handle exception_<Tag>::method(const method_request<char>& request) {
  refuse_method(source, traits<Tag>::method, 158, request);
}
template <class Tag>
handle exception_<Tag>::method(const method_request<wchar_t>& request) {
  refuse_method(source, traits<Tag>::method, 162, request);
}

template <class Tag>
std::uint32_t exception_<Tag>::get_typeid() const {
  return traits<Tag>::id;
}

template <class Tag>
handle exception_<Tag>::clone() const {
  return boost::make_shared<exception_>(*this);
}

template <class Tag>
void exception_<Tag>::hash_into(std::uint32_t& seed) const {
  hash_payload(payload, seed);
}

template <class Tag>
bool exception_<Tag>::same_value(const handle& other) const {
  return other->get_typeid() == traits<Tag>::id &&
         same_payload(payload, static_cast<const exception_&>(*other).payload);
}

template <class Tag>
std::string exception_<Tag>::describe() const {
  return traits<Tag>::prefix + describe_origin(payload) + ')';
}

template <class Tag>
std::ostream& exception_<Tag>::write_ostream(std::ostream&) const {
  refuse(source, traits<Tag>::write_ostream, 189);
}
template <class Tag>
std::wostream& exception_<Tag>::write_ostream(std::wostream&) const {
  refuse(source, traits<Tag>::write_ostream, 193);
}
template <class Tag>
std::istream& exception_<Tag>::read_istream(std::istream&) {
  refuse(source, traits<Tag>::read_istream, 197);
}
template <class Tag>
std::wistream& exception_<Tag>::read_istream(std::wistream&) {
  refuse(source, traits<Tag>::read_istream, 201);
}

template class exception_<bad_cast_>;
template class exception_<range_error_>;

void raise_bad_cast(const char* file, const char* function, std::uint32_t line) {
  throw sig_throw(boost::make_shared<exception_<bad_cast_>>(file, function, line));
}

void raise_range_error(const char* file, const char* function, std::uint32_t line) {
  throw sig_throw(boost::make_shared<exception_<range_error_>>(file, function, line));
}

}  // namespace plang
