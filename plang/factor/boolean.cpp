// The truth value: logic that converts the right operand only when the
// result depends on it; arithmetic and ordering are refused.
#include "plang/factor/boolean.hpp"

#include <istream>
#include <ostream>

#include "lib/hash.hpp"
#include "plang/factor/pool.hpp"
#include "plang/method.hpp"

namespace plang {
namespace {
constexpr char source[] = "plang/factor/boolean";

handle make(bool v) { return pool::make<boolean>(v); }
}  // namespace

void boolean::call_constructor(const vector& args) {
  refuse_arguments(source, "plang::boolean::call_constructor", 22, args);
}
void boolean::call_constructor(const handle& v) { value = v->operator bool(); }
void boolean::call_constructor() { value = false; }

void boolean::add(handle& rhs) const { refuse_operand(source, "plang::boolean::add", 27, *rhs); }
void boolean::subtract(handle& rhs) const { refuse_operand(source, "plang::boolean::subtract", 31, *rhs); }
void boolean::multiply(handle& rhs) const { refuse_operand(source, "plang::boolean::multiply", 35, *rhs); }
void boolean::divide(handle& rhs) const { refuse_operand(source, "plang::boolean::divide", 39, *rhs); }
void boolean::mod(handle& rhs) const { refuse_operand(source, "plang::boolean::mod", 43, *rhs); }

void boolean::_and(handle& rhs) const { rhs = make(value && rhs->operator bool()); }
void boolean::_or(handle& rhs) const { rhs = make(value || rhs->operator bool()); }
void boolean::eq(handle& rhs) const { rhs = make(rhs->operator bool() == value); }
void boolean::ne(handle& rhs) const { rhs = make(rhs->operator bool() != value); }

void boolean::lt(handle& rhs) const { refuse_operand(source, "plang::boolean::lt", 63, *rhs); }
void boolean::gt(handle& rhs) const { refuse_operand(source, "plang::boolean::gt", 67, *rhs); }
void boolean::lte(handle& rhs) const { refuse_operand(source, "plang::boolean::lte", 71, *rhs); }
void boolean::gte(handle& rhs) const { refuse_operand(source, "plang::boolean::gte", 75, *rhs); }

void boolean::not_(handle& operand) const { operand = make(!value); }
void boolean::minus(handle&) const { refuse_operand(source, "plang::boolean::minus", 83, *this); }

void boolean::operator=(const handle& v) { value = v->operator bool(); }
void boolean::operator++() { refuse(source, "plang::boolean::operator ++", 91); }
void boolean::operator--() { refuse(source, "plang::boolean::operator --", 95); }

boolean::operator bool() const { return value; }
boolean::operator unsigned int() const { return value ? 1u : 0u; }
boolean::operator int() const { return value ? 1 : 0; }
boolean::operator float() const { return value ? 1.0f : 0.0f; }
boolean::operator double() const { return value ? 1.0 : 0.0; }
boolean::operator std::string() const { return value ? "1" : "0"; }
boolean::operator std::wstring() const { return value ? L"1" : L"0"; }

handle boolean::member(const std::string& name) { refuse_member(source, "plang::boolean::member", 133, name); }
handle boolean::member(const std::wstring& name) { refuse_member(source, "plang::boolean::member", 137, name); }
handle boolean::method(const method_request<char>& r) { refuse_method(source, "plang::boolean::method", 141, r); }
handle boolean::method(const method_request<wchar_t>& r) { refuse_method(source, "plang::boolean::method", 145, r); }

std::uint32_t boolean::get_typeid() const { return typeid_anchor::boolean; }
handle boolean::clone() const { return make(value); }
void boolean::hash_into(std::uint32_t& seed) const { lib::hash_combine(seed, value ? 1u : 0u); }
bool boolean::same_value(const handle& other) const {
  return other->get_typeid() == typeid_anchor::boolean && static_cast<const boolean&>(*other).value == value;
}
std::string boolean::describe() const { return value ? "bool(1)" : "bool(0)"; }

std::wostream& boolean::write_ostream(std::wostream& os) const { return os << value; }
std::ostream& boolean::write_ostream(std::ostream& os) const { return os << value; }
std::wistream& boolean::read_istream(std::wistream& is) { return is >> value; }
std::istream& boolean::read_istream(std::istream& is) { return is >> value; }

}  // namespace plang
