// The text value: joining, text comparison, numbers read from the text, and
// the methods empty, size, at and match.
#include "plang/factor/string_.hpp"

#include <algorithm>
#include <cstdint>
#include <istream>
#include <ostream>

#include <boost/make_shared.hpp>
#include <boost/regex.hpp>

#include "lib/hash.hpp"
#include "lib/string.hpp"
#include "plang/convert.hpp"
#include "plang/factor/boolean.hpp"
#include "plang/factor/exception.hpp"
#include "plang/factor/signed_.hpp"
#include "plang/factor/unsigned_.hpp"
#include "plang/method.hpp"

namespace plang {
namespace {
constexpr char source[] = "plang/factor/string_";

using text_value = string_<wchar_t>;

handle make_bool(bool v) { return boost::make_shared<boolean>(v); }

// The text of an integer right operand, kept between calls so that joining
// a number allocates nothing for its digits.
std::wstring& number_text() {
  static std::wstring text;
  return text;
}

// The right operand's text: borrowed from a text value, converted from any
// other. Read it before the handle is given its result, which may free the
// borrowed value.
class right_text {
 public:
  explicit right_text(const handle& rhs) {
    switch (rhs->get_typeid()) {
      case typeid_anchor::string:
        text_ = &static_cast<const text_value&>(*rhs).text;
        break;
      case typeid_anchor::signed_int:
        to_wstring_into<int>(static_cast<const signed_<int>&>(*rhs).value, number_text());
        text_ = &number_text();
        break;
      case typeid_anchor::unsigned_int:
        to_wstring_into<unsigned int>(static_cast<const unsigned_<unsigned int>&>(*rhs).value, number_text());
        text_ = &number_text();
        break;
      default:
        own_ = rhs->operator std::wstring();
        text_ = &own_;
    }
  }
  const std::wstring& get() const { return *text_; }

 private:
  std::wstring own_;
  const std::wstring* text_;
};

// Texts order as their UTF-16 forms do: a character above U+FFFF (a pair
// led by D800..DBFF) sorts after U+D7FF and before U+E000..U+FFFF. Lone
// surrogates keep their own value.
std::uint32_t utf16_order(wchar_t c) {
  const auto u = static_cast<std::uint32_t>(c);
  return u >= 0xE000u && u <= 0xFFFFu ? u + 0x110000u : u;
}

int compare(const std::wstring& a, const std::wstring& b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i)
    if (a[i] != b[i]) return utf16_order(a[i]) < utf16_order(b[i]) ? -1 : 1;
  return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}
}  // namespace

handle make_string(std::wstring text) { return boost::make_shared<text_value>(std::move(text)); }

plang::method_entries text_value::method_entries() {
  static constexpr method_entry entries[] = {{"empty", 0, 0}, {"size", 0, 1}, {"at", 1, 2}, {"match", 1, 3}};
  return entries;
}

void text_value::call_constructor(const vector& args) {
  refuse_arguments(source, "plang::string_<wchar_t>::call_constructor", 28, args);
}
void text_value::call_constructor(const handle& v) { text = v->operator std::wstring(); }
void text_value::call_constructor() {}

void text_value::add(handle& rhs) const {
  const right_text r(rhs);
  auto joined = boost::make_shared<text_value>();
  joined->text.reserve(text.size() + r.get().size());
  joined->text.append(text).append(r.get());
  rhs = std::move(joined);
}
void text_value::subtract(handle& rhs) const { refuse_operand(source, "plang::string_<wchar_t>::subtract", 37, *rhs); }
void text_value::multiply(handle& rhs) const { refuse_operand(source, "plang::string_<wchar_t>::multiply", 41, *rhs); }
void text_value::divide(handle& rhs) const { refuse_operand(source, "plang::string_<wchar_t>::divide", 45, *rhs); }
void text_value::mod(handle& rhs) const { refuse_operand(source, "plang::string_<wchar_t>::mod", 49, *rhs); }
void text_value::_and(handle& rhs) const { refuse_operand(source, "plang::string_<wchar_t>::_and", 53, *rhs); }
void text_value::_or(handle& rhs) const { refuse_operand(source, "plang::string_<wchar_t>::_or", 57, *rhs); }

void text_value::eq(handle& rhs) const {
  const bool r = text == right_text(rhs).get();
  rhs = make_bool(r);
}
void text_value::ne(handle& rhs) const {
  const bool r = text != right_text(rhs).get();
  rhs = make_bool(r);
}
void text_value::lt(handle& rhs) const {
  const bool r = compare(text, right_text(rhs).get()) < 0;
  rhs = make_bool(r);
}
void text_value::gt(handle& rhs) const {
  const bool r = compare(text, right_text(rhs).get()) > 0;
  rhs = make_bool(r);
}
void text_value::lte(handle& rhs) const {
  const bool r = compare(text, right_text(rhs).get()) <= 0;
  rhs = make_bool(r);
}
void text_value::gte(handle& rhs) const {
  const bool r = compare(text, right_text(rhs).get()) >= 0;
  rhs = make_bool(r);
}

void text_value::not_(handle&) const { refuse_operand(source, "plang::string_<wchar_t>::not", 85, *this); }
void text_value::minus(handle&) const { refuse_operand(source, "plang::string_<wchar_t>::minus", 89, *this); }

// A text is copied straight into this value's buffer, which keeps its
// capacity; any other value through its conversion.
void text_value::operator=(const handle& v) {
  if (v->get_typeid() == typeid_anchor::string) {
    text.assign(static_cast<const text_value&>(*v).text);
    return;
  }
  text = v->operator std::wstring();
}
void text_value::operator++() { refuse(source, "plang::string_<wchar_t>::operator ++", 97); }
void text_value::operator--() { refuse(source, "plang::string_<wchar_t>::operator --", 101); }

text_value::operator bool() const { raise_bad_cast(source, "plang::string_<wchar_t>::operator bool", 106); }
// A text that does not begin with a number reads as 0.
text_value::operator unsigned int() const {
  unsigned int v = 0;
  from_wstring<unsigned int>(text, v);
  return v;
}
text_value::operator int() const {
  int v = 0;
  from_wstring<int>(text, v);
  return v;
}
text_value::operator float() const {
  float v = 0;
  from_wstring<float>(text, v);
  return v;
}
text_value::operator double() const {
  double v = 0;
  from_wstring<double>(text, v);
  return v;
}
text_value::operator std::wstring() const { return text; }

handle text_value::member(const std::string& name) {
  refuse_member(source, "plang::string_<wchar_t>::member", 131, name);
}
handle text_value::member(const std::wstring& name) {
  refuse_member(source, "plang::string_<wchar_t>::member", 135, name);
}

template <class C>
handle text_value::_method(const method_request<C>& r) {
  switch (find_method_id<text_value>(source, "plang::string_<wchar_t>::_method", 194, r)) {
    case 0:
      return make_bool(text.empty());
    case 1:  // one wchar_t per character
      return unsigned_<unsigned int>::make_value(static_cast<unsigned int>(text.size()));
    case 2: {
      const unsigned int i = r.arguments[0]->operator unsigned int();
      if (i >= text.size()) raise_range_error(source, "plang::string_<wchar_t>::_method", 204);
      return make_string(std::wstring(1, text[i]));
    }
    default: {  // the whole text must match; the pattern is compiled at every call
      const boost::wregex pattern(r.arguments[0]->operator std::wstring());
      return make_bool(boost::regex_match(text, pattern));
    }
  }
}
handle text_value::method(const method_request<char>& r) { return _method(r); }
handle text_value::method(const method_request<wchar_t>& r) { return _method(r); }

std::uint32_t text_value::get_typeid() const { return typeid_anchor::string; }
handle text_value::clone() const { return make_string(text); }
void text_value::hash_into(std::uint32_t& seed) const { lib::hash_combine(seed, lib::hash_text(text)); }
bool text_value::same_value(const handle& other) const {
  return other->get_typeid() == typeid_anchor::string && static_cast<const text_value&>(*other).text == text;
}
std::string text_value::describe() const {
  std::string d = "string(";
  d += lib::string::convert<std::string, std::wstring>(text);
  d += ')';
  return d;
}

std::wostream& text_value::write_ostream(std::wostream& os) const { return os << text; }
std::wistream& text_value::read_istream(std::wistream& is) { return is >> text; }

}  // namespace plang
