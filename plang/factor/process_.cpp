// The process handle value and the identity numbers of process records.
#include "plang/factor/process_.hpp"

#include <algorithm>
#include <string>

#include <boost/make_shared.hpp>

#include "lib/hash.hpp"
#include "lib/string.hpp"
#include "plang/convert.hpp"
#include "plang/factor/boolean.hpp"
#include "plang/factor/exception.hpp"
#include "plang/factor/unsigned_.hpp"
#include "plang/idm.hpp"
#include "plang/method.hpp"
#include "plang/process.hpp"
#include "plang/scope.hpp"

namespace plang {
namespace {
constexpr char source[] = "plang/factor/process_";
#define PLANG_PROCESS_ "plang::process_<class plang::process<wchar_t> >::"

template <class C>
bool named(const method_request<C>& r, const char* name) {
  return r.name.size() == std::char_traits<char>::length(name) && std::equal(r.name.begin(), r.name.end(), name);
}
}  // namespace

std::uint32_t identity_pool::acquire() {
  do {
    if (++last_ == 0) last_ = 1;
  } while (live_.count(last_));
  live_.insert(last_);
  return last_;
}

// Never destroyed: a handle in static storage may outlive every function-local
// static, and its record still gives its number back when it goes.
identity_pool& process_identities() {
  static identity_pool* const pool = new identity_pool;
  return *pool;
}

void process_::call_constructor(const vector& args) {
  refuse_arguments(source, PLANG_PROCESS_ "call_constructor", 25, args);
}
void process_::call_constructor(const handle& v) { refuse_operand(source, PLANG_PROCESS_ "call_constructor", 21, *v); }
void process_::call_constructor() { refuse(source, PLANG_PROCESS_ "call_constructor", 17); }

void process_::add(handle& rhs) const { refuse_operand(source, PLANG_PROCESS_ "add", 30, *rhs); }
void process_::subtract(handle& rhs) const { refuse_operand(source, PLANG_PROCESS_ "subtract", 34, *rhs); }
void process_::multiply(handle& rhs) const { refuse_operand(source, PLANG_PROCESS_ "multiply", 38, *rhs); }
void process_::divide(handle& rhs) const { refuse_operand(source, PLANG_PROCESS_ "divide", 42, *rhs); }
void process_::mod(handle& rhs) const { refuse_operand(source, PLANG_PROCESS_ "mod", 46, *rhs); }
void process_::_and(handle& rhs) const { refuse_operand(source, PLANG_PROCESS_ "_and", 50, *rhs); }
void process_::_or(handle& rhs) const { refuse_operand(source, PLANG_PROCESS_ "_or", 54, *rhs); }
void process_::eq(handle& rhs) const { refuse_operand(source, PLANG_PROCESS_ "eq", 58, *rhs); }
void process_::ne(handle& rhs) const { refuse_operand(source, PLANG_PROCESS_ "ne", 62, *rhs); }
void process_::lt(handle& rhs) const { refuse_operand(source, PLANG_PROCESS_ "lt", 66, *rhs); }
void process_::gt(handle& rhs) const { refuse_operand(source, PLANG_PROCESS_ "gt", 70, *rhs); }
void process_::lte(handle& rhs) const { refuse_operand(source, PLANG_PROCESS_ "lte", 74, *rhs); }
void process_::gte(handle& rhs) const { refuse_operand(source, PLANG_PROCESS_ "gte", 78, *rhs); }
void process_::not_(handle& operand) const { refuse_operand(source, PLANG_PROCESS_ "not", 82, *operand); }
void process_::minus(handle& operand) const { refuse_operand(source, PLANG_PROCESS_ "minus", 86, *operand); }

void process_::operator=(const handle& v) { refuse_operand(source, PLANG_PROCESS_ "operator =", 90, *v); }
void process_::operator++() { refuse(source, PLANG_PROCESS_ "operator ++", 94); }
void process_::operator--() { refuse(source, PLANG_PROCESS_ "operator --", 98); }

process_::operator bool() const { raise_bad_cast(source, PLANG_PROCESS_ "operator bool", 103); }
process_::operator unsigned int() const { raise_bad_cast(source, PLANG_PROCESS_ "operator unsigned int", 107); }
process_::operator int() const { raise_bad_cast(source, PLANG_PROCESS_ "operator int", 111); }
process_::operator float() const { raise_bad_cast(source, PLANG_PROCESS_ "operator float", 115); }
process_::operator double() const { raise_bad_cast(source, PLANG_PROCESS_ "operator double", 119); }
process_::operator std::string() const {
  raise_bad_cast(source,
                 PLANG_PROCESS_
                 "operator class std::basic_string<char,struct std::char_traits<char>,class std::allocator<char> >",
                 123);
}
process_::operator std::wstring() const {
  raise_bad_cast(source,
                 PLANG_PROCESS_
                 "operator class std::basic_string<wchar_t,struct std::char_traits<wchar_t>,class "
                 "std::allocator<wchar_t> >",
                 127);
}

handle process_::member(const std::string& name) { refuse_member(source, PLANG_PROCESS_ "member", 132, name); }
handle process_::member(const std::wstring& name) { refuse_member(source, PLANG_PROCESS_ "member", 136, name); }

// No method table: the two names are compared directly, and only calls
// without arguments are accepted.
template <class C>
handle process_::_method(const method_request<C>& r, int line) {
  if (r.arguments.empty()) {
    if (named(r, "id")) return unsigned_<unsigned int>::make_value(record->identity());
    // The body has no statements left once the process has finished, though
    // the record lives on through its handles.
    if (named(r, "exit")) return boost::make_shared<boolean>(record->body()->empty());
  }
  refuse_method(source, PLANG_PROCESS_ "method", line, r);
}
handle process_::method(const method_request<char>& r) { return _method(r, 146); }
handle process_::method(const method_request<wchar_t>& r) { return _method(r, 156); }

std::uint32_t process_::get_typeid() const { return record->pid(); }
handle process_::clone() const { return boost::make_shared<process_>(record, names); }
void process_::hash_into(std::uint32_t& seed) const { lib::hash_combine(seed, record->pid()); }
bool process_::same_value(const handle& other) const {
  return other->get_typeid() == record->pid() && static_cast<const process_&>(*other).record == record;
}
std::string process_::describe() const {
  return lib::string::convert<std::string, std::wstring>(names->find_str(record->pid())) + "(" +
         to_string<unsigned int>(record->identity()) + ")";
}

std::wostream& process_::write_ostream(std::wostream&) const { refuse(source, PLANG_PROCESS_ "write_ostream", 187); }
std::ostream& process_::write_ostream(std::ostream&) const { refuse(source, PLANG_PROCESS_ "write_ostream", 183); }
std::wistream& process_::read_istream(std::wistream&) { refuse(source, PLANG_PROCESS_ "read_istream", 195); }
std::istream& process_::read_istream(std::istream&) { refuse(source, PLANG_PROCESS_ "read_istream", 191); }

#undef PLANG_PROCESS_

}  // namespace plang
