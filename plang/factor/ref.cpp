// The reference value: construction shares the value it is given, get hands
// it out, and every operator, conversion and assignment is refused.
#include "plang/factor/ref.hpp"

#include <boost/make_shared.hpp>

#include "plang/factor/exception.hpp"
#include "plang/factor/nesting.hpp"
#include "plang/factor/nil.hpp"
#include "plang/method.hpp"
#include "plang/release.hpp"

namespace plang {
namespace {
constexpr char source[] = "plang/factor/ref";

template <class C>
bool is_get(const method_request<C>& r) {
  static const C name[] = {'g', 'e', 't', 0};
  return r.arguments.empty() && r.name == name;
}
}  // namespace

ref::ref() : held(make_nil()) {}

// A chain of refs to refs is released link after link.
ref::~ref() { release::each(held); }

void ref::call_constructor(const vector& args) { refuse_arguments(source, "plang::ref::call_constructor", 23, args); }
void ref::call_constructor(const handle& v) { held = v; }
void ref::call_constructor() { held = make_nil(); }

void ref::add(handle& rhs) const { refuse_operand(source, "plang::ref::add", 28, *rhs); }
void ref::subtract(handle& rhs) const { refuse_operand(source, "plang::ref::subtract", 32, *rhs); }
void ref::multiply(handle& rhs) const { refuse_operand(source, "plang::ref::multiply", 36, *rhs); }
void ref::divide(handle& rhs) const { refuse_operand(source, "plang::ref::divide", 40, *rhs); }
void ref::mod(handle& rhs) const { refuse_operand(source, "plang::ref::mod", 44, *rhs); }
void ref::_and(handle& rhs) const { refuse_operand(source, "plang::ref::_and", 48, *rhs); }
void ref::_or(handle& rhs) const { refuse_operand(source, "plang::ref::_or", 52, *rhs); }
void ref::eq(handle& rhs) const { refuse_operand(source, "plang::ref::eq", 56, *rhs); }
void ref::ne(handle& rhs) const { refuse_operand(source, "plang::ref::ne", 60, *rhs); }
void ref::lt(handle& rhs) const { refuse_operand(source, "plang::ref::lt", 64, *rhs); }
void ref::gt(handle& rhs) const { refuse_operand(source, "plang::ref::gt", 68, *rhs); }
void ref::lte(handle& rhs) const { refuse_operand(source, "plang::ref::lte", 72, *rhs); }
void ref::gte(handle& rhs) const { refuse_operand(source, "plang::ref::gte", 76, *rhs); }
void ref::not_(handle&) const { refuse_operand(source, "plang::ref::not", 80, *this); }
void ref::minus(handle&) const { refuse_operand(source, "plang::ref::minus", 84, *this); }

void ref::operator=(const handle& v) { refuse_operand(source, "plang::ref::operator =", 88, *v); }
void ref::operator++() { refuse(source, "plang::ref::operator ++", 92); }
void ref::operator--() { refuse(source, "plang::ref::operator --", 96); }

ref::operator bool() const { raise_bad_cast(source, "plang::ref::operator bool", 101); }
ref::operator unsigned int() const { raise_bad_cast(source, "plang::ref::operator unsigned int", 105); }
ref::operator int() const { raise_bad_cast(source, "plang::ref::operator int", 109); }
ref::operator float() const { raise_bad_cast(source, "plang::ref::operator float", 113); }
ref::operator double() const { raise_bad_cast(source, "plang::ref::operator double", 117); }
ref::operator std::string() const {
  raise_bad_cast(source,
                 "plang::ref::operator class std::basic_string<char,struct std::char_traits<char>,class "
                 "std::allocator<char> >",
                 121);
}
ref::operator std::wstring() const {
  raise_bad_cast(source,
                 "plang::ref::operator class std::basic_string<wchar_t,struct std::char_traits<wchar_t>,class "
                 "std::allocator<wchar_t> >",
                 125);
}

handle ref::member(const std::string& name) { refuse_member(source, "plang::ref::member", 130, name); }
handle ref::member(const std::wstring& name) { refuse_member(source, "plang::ref::member", 134, name); }

handle ref::method(const method_request<char>& r) {
  if (!is_get(r)) refuse_method(source, "plang::ref::method", 140, r);
  return held;
}
handle ref::method(const method_request<wchar_t>& r) {
  if (!is_get(r)) refuse_method(source, "plang::ref::method", 146, r);
  return held;
}

std::uint32_t ref::get_typeid() const { return typeid_anchor::ref; }
handle ref::clone() const { return boost::make_shared<ref>(held); }

void ref::hash_into(std::uint32_t& seed) const {
  const nesting walk(*this);
  walk.require();
  held->hash_into(seed);
}
bool ref::same_value(const handle& other) const {
  if (other->get_typeid() != typeid_anchor::ref) return false;
  const nesting walk(*this);
  walk.require();
  return held->same_value(static_cast<const ref&>(*other).held);
}
std::string ref::describe() const {
  const nesting walk(*this);
  if (!walk.entered()) return "...";
  return "ref(" + held->describe() + ")";
}

std::wostream& ref::write_ostream(std::wostream&) const { refuse(source, "plang::ref::write_ostream", 177); }
std::ostream& ref::write_ostream(std::ostream&) const { refuse(source, "plang::ref::write_ostream", 173); }
std::wistream& ref::read_istream(std::wistream&) { refuse(source, "plang::ref::read_istream", 185); }
std::istream& ref::read_istream(std::istream&) { refuse(source, "plang::ref::read_istream", 181); }

}  // namespace plang
