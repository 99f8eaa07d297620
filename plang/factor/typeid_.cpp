// The type-identity value: equality with any value (false for another
// class), the conversions of an unsigned number, and nothing else.
#include "plang/factor/typeid_.hpp"

#include <boost/make_shared.hpp>

#include "lib/hash.hpp"
#include "plang/convert.hpp"
#include "plang/factor/boolean.hpp"
#include "plang/method.hpp"

namespace plang {
namespace {
constexpr char source[] = "plang/factor/typeid_";
}  // namespace

void typeid_::call_constructor(const vector& args) {
  refuse_arguments(source, "plang::typeid_::call_constructor", 22, args);
}
void typeid_::call_constructor(const handle& v) { value = v->get_typeid(); }
void typeid_::call_constructor() { value = 0; }

void typeid_::add(handle& rhs) const { refuse_operand(source, "plang::typeid_::add", 27, *rhs); }
void typeid_::subtract(handle& rhs) const { refuse_operand(source, "plang::typeid_::subtract", 31, *rhs); }
void typeid_::multiply(handle& rhs) const { refuse_operand(source, "plang::typeid_::multiply", 35, *rhs); }
void typeid_::divide(handle& rhs) const { refuse_operand(source, "plang::typeid_::divide", 39, *rhs); }
void typeid_::mod(handle& rhs) const { refuse_operand(source, "plang::typeid_::mod", 43, *rhs); }
void typeid_::_and(handle& rhs) const { refuse_operand(source, "plang::typeid_::_and", 47, *rhs); }
void typeid_::_or(handle& rhs) const { refuse_operand(source, "plang::typeid_::_or", 51, *rhs); }
// Against a value of another class: unequal, without an error.
void typeid_::eq(handle& rhs) const { rhs = boost::make_shared<boolean>(same_value(rhs)); }
void typeid_::ne(handle& rhs) const { rhs = boost::make_shared<boolean>(!same_value(rhs)); }
void typeid_::lt(handle& rhs) const { refuse_operand(source, "plang::typeid_::lt", 63, *rhs); }
void typeid_::gt(handle& rhs) const { refuse_operand(source, "plang::typeid_::gt", 67, *rhs); }
void typeid_::lte(handle& rhs) const { refuse_operand(source, "plang::typeid_::lte", 71, *rhs); }
void typeid_::gte(handle& rhs) const { refuse_operand(source, "plang::typeid_::gte", 75, *rhs); }
void typeid_::not_(handle&) const { refuse_operand(source, "plang::typeid_::not", 79, *this); }
void typeid_::minus(handle&) const { refuse_operand(source, "plang::typeid_::minus", 83, *this); }

void typeid_::operator=(const handle& v) { refuse_operand(source, "plang::typeid_::operator =", 87, *v); }
void typeid_::operator++() { refuse(source, "plang::typeid_::operator ++", 91); }
void typeid_::operator--() { refuse(source, "plang::typeid_::operator --", 95); }

typeid_::operator bool() const { return value != 0; }
typeid_::operator unsigned int() const { return value; }
typeid_::operator int() const { return static_cast<int>(value); }
typeid_::operator float() const { return static_cast<float>(value); }
typeid_::operator double() const { return static_cast<double>(value); }
typeid_::operator std::string() const { return to_string<unsigned int>(value); }
typeid_::operator std::wstring() const { return to_wstring<unsigned int>(value); }

handle typeid_::member(const std::string& name) { refuse_member(source, "plang::typeid_::member", 129, name); }
handle typeid_::member(const std::wstring& name) { refuse_member(source, "plang::typeid_::member", 133, name); }
handle typeid_::method(const method_request<char>& r) { refuse_method(source, "plang::typeid_::method", 137, r); }
handle typeid_::method(const method_request<wchar_t>& r) { refuse_method(source, "plang::typeid_::method", 141, r); }

std::uint32_t typeid_::get_typeid() const { return typeid_anchor::typeid_; }
handle typeid_::clone() const { return boost::make_shared<typeid_>(value); }
void typeid_::hash_into(std::uint32_t& seed) const { lib::hash_combine(seed, value); }
bool typeid_::same_value(const handle& other) const {
  return other->get_typeid() == typeid_anchor::typeid_ && static_cast<const typeid_&>(*other).value == value;
}
std::string typeid_::describe() const { return "typeid(" + to_string<unsigned int>(value) + ")"; }

std::wostream& typeid_::write_ostream(std::wostream&) const { refuse(source, "plang::typeid_::write_ostream", 172); }
std::ostream& typeid_::write_ostream(std::ostream&) const { refuse(source, "plang::typeid_::write_ostream", 168); }
std::wistream& typeid_::read_istream(std::wistream&) { refuse(source, "plang::typeid_::read_istream", 180); }
std::istream& typeid_::read_istream(std::istream&) { refuse(source, "plang::typeid_::read_istream", 176); }

}  // namespace plang
