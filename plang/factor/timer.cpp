// The timer value: a clock reading that only its three methods read or
// renew; operators, conversions and streams are refused.
#include "plang/factor/timer.hpp"

#include <boost/make_shared.hpp>

#include "lib/hash.hpp"
#include "plang/clock.hpp"
#include "plang/convert.hpp"
#include "plang/factor/exception.hpp"
#include "plang/factor/real.hpp"
#include "plang/method.hpp"

namespace plang {
namespace {
constexpr char source[] = "plang/factor/timer";

// The same reading, or another timer's: assignment and construction from
// one value accept nothing else.
std::int32_t reading_of(const handle& v, const char* function, int line) {
  if (v->get_typeid() != typeid_anchor::timer) refuse_operand(source, function, line, *v);
  return static_cast<const timer&>(*v).clock_value;
}
}  // namespace

timer::timer() : clock_value(clock_now()) {}

plang::method_entries timer::method_entries() {
  static constexpr method_entry entries[] = {{"start", 0, 0}, {"restart", 0, 1}, {"elapsed", 0, 2}};
  return entries;
}

void timer::call_constructor(const vector& args) {
  refuse_arguments(source, "plang::timer::call_constructor", 27, args);
}
void timer::call_constructor(const handle& v) { clock_value = reading_of(v, "plang::timer::call_constructor", 22); }
void timer::call_constructor() { clock_value = clock_now(); }

void timer::add(handle& rhs) const { refuse_operand(source, "plang::timer::add", 32, *rhs); }
void timer::subtract(handle& rhs) const { refuse_operand(source, "plang::timer::subtract", 36, *rhs); }
void timer::multiply(handle& rhs) const { refuse_operand(source, "plang::timer::multiply", 40, *rhs); }
void timer::divide(handle& rhs) const { refuse_operand(source, "plang::timer::divide", 44, *rhs); }
void timer::mod(handle& rhs) const { refuse_operand(source, "plang::timer::mod", 48, *rhs); }
void timer::_and(handle& rhs) const { refuse_operand(source, "plang::timer::_and", 52, *rhs); }
void timer::_or(handle& rhs) const { refuse_operand(source, "plang::timer::_or", 56, *rhs); }
void timer::eq(handle& rhs) const { refuse_operand(source, "plang::timer::eq", 60, *rhs); }
void timer::ne(handle& rhs) const { refuse_operand(source, "plang::timer::ne", 64, *rhs); }
void timer::lt(handle& rhs) const { refuse_operand(source, "plang::timer::lt", 68, *rhs); }
void timer::gt(handle& rhs) const { refuse_operand(source, "plang::timer::gt", 72, *rhs); }
void timer::lte(handle& rhs) const { refuse_operand(source, "plang::timer::lte", 76, *rhs); }
void timer::gte(handle& rhs) const { refuse_operand(source, "plang::timer::gte", 80, *rhs); }
void timer::not_(handle& operand) const { refuse_operand(source, "plang::timer::not", 84, *operand); }
void timer::minus(handle& operand) const { refuse_operand(source, "plang::timer::minus", 88, *operand); }

void timer::operator=(const handle& v) { clock_value = reading_of(v, "plang::timer::operator =", 93); }
void timer::operator++() { refuse(source, "plang::timer::operator ++", 98); }
void timer::operator--() { refuse(source, "plang::timer::operator --", 102); }

timer::operator bool() const { raise_bad_cast(source, "plang::timer::operator bool", 107); }
timer::operator unsigned int() const { raise_bad_cast(source, "plang::timer::operator unsigned int", 111); }
timer::operator int() const { raise_bad_cast(source, "plang::timer::operator int", 115); }
timer::operator float() const { raise_bad_cast(source, "plang::timer::operator float", 119); }
timer::operator double() const { raise_bad_cast(source, "plang::timer::operator double", 123); }
timer::operator std::string() const {
  raise_bad_cast(source,
                 "plang::timer::operator class std::basic_string<char,struct std::char_traits<char>,class "
                 "std::allocator<char> >",
                 127);
}
timer::operator std::wstring() const {
  raise_bad_cast(source,
                 "plang::timer::operator class std::basic_string<wchar_t,struct std::char_traits<wchar_t>,class "
                 "std::allocator<wchar_t> >",
                 131);
}

handle timer::member(const std::string& name) { refuse_member(source, "plang::timer::member", 136, name); }
handle timer::member(const std::wstring& name) { refuse_member(source, "plang::timer::member", 140, name); }

// The clock counts milliseconds; elapsed answers in seconds. The difference
// is taken in 32 bits, so it stays right when the count wraps in between.
template <class C>
handle timer::_method(const method_request<C>& r) {
  switch (find_method_id<timer>(source, "plang::timer::_method", 206, r)) {
    case 0:
      return real<double>::make_value(clock_value);
    case 1:
      clock_value = clock_now();
      return real<double>::make_value(clock_value);
    default: {
      const auto since =
          static_cast<std::int32_t>(static_cast<std::uint32_t>(clock_now()) - static_cast<std::uint32_t>(clock_value));
      return real<double>::make_value(since / 1000.0);
    }
  }
}
handle timer::method(const method_request<char>& r) { return _method(r); }
handle timer::method(const method_request<wchar_t>& r) { return _method(r); }

std::uint32_t timer::get_typeid() const { return typeid_anchor::timer; }
handle timer::clone() const { return boost::make_shared<timer>(clock_value); }
void timer::hash_into(std::uint32_t& seed) const { lib::hash_combine(seed, static_cast<std::uint32_t>(clock_value)); }
bool timer::same_value(const handle& other) const {
  return other->get_typeid() == typeid_anchor::timer && static_cast<const timer&>(*other).clock_value == clock_value;
}
std::string timer::describe() const { return "timer(" + to_string<long>(clock_value) + ")"; }

std::wostream& timer::write_ostream(std::wostream&) const { refuse(source, "plang::timer::write_ostream", 179); }
std::ostream& timer::write_ostream(std::ostream&) const { refuse(source, "plang::timer::write_ostream", 175); }
std::wistream& timer::read_istream(std::wistream&) { refuse(source, "plang::timer::read_istream", 187); }
std::istream& timer::read_istream(std::istream&) { refuse(source, "plang::timer::read_istream", 183); }

}  // namespace plang
