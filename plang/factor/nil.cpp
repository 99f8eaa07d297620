// The value that carries nothing: false in logic, 0 in conversions; it
// never changes.
#include "plang/factor/nil.hpp"

#include <ostream>

#include <boost/make_shared.hpp>

#include "lib/hash.hpp"
#include "plang/factor/boolean.hpp"
#include "plang/method.hpp"

namespace plang {
namespace {
constexpr char source[] = "plang/factor/nil";

handle make(bool v) { return boost::make_shared<boolean>(v); }
}  // namespace

handle make_nil() { return boost::make_shared<nil>(); }

void nil::call_constructor(const vector& args) { refuse_arguments(source, "plang::nil::call_constructor", 18, args); }
void nil::call_constructor(const handle& v) { refuse_operand(source, "plang::nil::call_constructor", 14, *v); }
void nil::call_constructor() {}

void nil::add(handle& rhs) const { refuse_operand(source, "plang::nil::add", 23, *rhs); }
void nil::subtract(handle& rhs) const { refuse_operand(source, "plang::nil::subtract", 27, *rhs); }
void nil::multiply(handle& rhs) const { refuse_operand(source, "plang::nil::multiply", 31, *rhs); }
void nil::divide(handle& rhs) const { refuse_operand(source, "plang::nil::divide", 35, *rhs); }
void nil::mod(handle& rhs) const { refuse_operand(source, "plang::nil::mod", 39, *rhs); }

void nil::_and(handle& rhs) const { rhs = make(false); }
void nil::_or(handle& rhs) const { rhs = make(rhs->operator bool()); }
void nil::eq(handle& rhs) const { rhs = make(!rhs->operator bool()); }
void nil::ne(handle& rhs) const { rhs = make(rhs->operator bool()); }

void nil::lt(handle& rhs) const { refuse_operand(source, "plang::nil::lt", 59, *rhs); }
void nil::gt(handle& rhs) const { refuse_operand(source, "plang::nil::gt", 63, *rhs); }
void nil::lte(handle& rhs) const { refuse_operand(source, "plang::nil::lte", 67, *rhs); }
void nil::gte(handle& rhs) const { refuse_operand(source, "plang::nil::gte", 71, *rhs); }

void nil::not_(handle& operand) const { operand = make(true); }
void nil::minus(handle&) const { refuse_operand(source, "plang::nil::minus", 79, *this); }

void nil::operator=(const handle& v) { refuse_operand(source, "plang::nil::operator =", 83, *v); }
void nil::operator++() { refuse(source, "plang::nil::operator ++", 87); }
void nil::operator--() { refuse(source, "plang::nil::operator --", 91); }

nil::operator bool() const { return false; }
nil::operator unsigned int() const { return 0; }
nil::operator int() const { return 0; }
nil::operator float() const { return 0.0f; }
nil::operator double() const { return 0.0; }
nil::operator std::string() const { return "0"; }
nil::operator std::wstring() const { return L"0"; }

handle nil::member(const std::string& name) { refuse_member(source, "plang::nil::member", 125, name); }
handle nil::member(const std::wstring& name) { refuse_member(source, "plang::nil::member", 129, name); }
handle nil::method(const method_request<char>& r) { refuse_method(source, "plang::nil::method", 133, r); }
handle nil::method(const method_request<wchar_t>& r) { refuse_method(source, "plang::nil::method", 137, r); }

std::uint32_t nil::get_typeid() const { return typeid_anchor::nil; }
handle nil::clone() const { return make_nil(); }
void nil::hash_into(std::uint32_t& seed) const { lib::hash_combine(seed, 0u); }
bool nil::same_value(const handle& other) const { return other->get_typeid() == typeid_anchor::nil; }
std::string nil::describe() const { return "nil()"; }

std::wostream& nil::write_ostream(std::wostream& os) const { return os << false; }
std::ostream& nil::write_ostream(std::ostream& os) const { return os << false; }
std::wistream& nil::read_istream(std::wistream&) { refuse(source, "plang::nil::read_istream", 176); }
std::istream& nil::read_istream(std::istream&) { refuse(source, "plang::nil::read_istream", 172); }

}  // namespace plang
