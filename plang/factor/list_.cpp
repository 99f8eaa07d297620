// The sequence with two open ends: refused operators and conversions,
// element-wise copies, and the built-in methods.
#include "plang/factor/list_.hpp"

#include <boost/make_shared.hpp>

#include "lib/hash.hpp"
#include "plang/factor/boolean.hpp"
#include "plang/factor/exception.hpp"
#include "plang/factor/nesting.hpp"
#include "plang/factor/nil.hpp"
#include "plang/factor/pool.hpp"
#include "plang/factor/sequence.hpp"
#include "plang/factor/stored.hpp"
#include "plang/factor/unsigned_.hpp"
#include "plang/method.hpp"
#include "plang/release.hpp"

namespace plang {
namespace {

constexpr char source[] = "plang/factor/list_";
constexpr char method_text[] = "plang::list_::_method";
constexpr char too_long[] = "plang::list_::resize";

template <class C>
handle dispatch(list_& self, const method_request<C>& r) {
  std::list<handle>& e = self.elements;
  const factor::vector& a = r.arguments;
  switch (find_method_id<list_>(source, method_text, 269, r)) {
    case 0:  // empty
      return pool::make<boolean>(e.empty());
    case 1:  // size
      return pool::make<unsigned_<unsigned int>>(static_cast<unsigned int>(e.size()));
    case 2:  // front
      if (e.empty()) raise_range_error(source, method_text, 278);
      return e.front();
    case 3:  // back
      if (e.empty()) raise_range_error(source, method_text, 283);
      return e.back();
    case 4: {  // pop_front
      if (e.empty()) raise_range_error(source, method_text, 288);
      handle first = std::move(e.front());
      e.pop_front();
      return first;
    }
    case 5: {  // pop_back
      if (e.empty()) raise_range_error(source, method_text, 295);
      handle last = std::move(e.back());
      e.pop_back();
      return last;
    }
    case 6:  // clear
      e.clear();
      return make_nil();
    case 7:  // resize(count)
      sequence::resize(e, a[0]->operator unsigned int(), make_nil(), too_long);
      return make_nil();
    case 8: {  // push_front
      const copy_nesting level;
      return self.push_front(stored_form(a[0]));
    }
    case 9: {  // push_back
      const copy_nesting level;
      return self.push_back(stored_form(a[0]));
    }
    case 10: {  // swap
      const handle& other = a[0];
      if (other->get_typeid() != typeid_anchor::list) refuse_method(source, method_text, 318, r);
      if (other.get() != &self) e.swap(static_cast<list_&>(*other).elements);
      return make_nil();
    }
    default:  // 11: resize(count, fill)
      sequence::resize(e, a[0]->operator unsigned int(), a[1], too_long);
      return make_nil();
  }
}

}  // namespace

method_entries list_::method_entries() {
  static constexpr method_entry entries[] = {{"empty", 0, 0},     {"size", 0, 1},      {"front", 0, 2},
                                             {"back", 0, 3},      {"pop_front", 0, 4}, {"pop_back", 0, 5},
                                             {"clear", 0, 6},     {"resize", 1, 7},    {"push_front", 1, 8},
                                             {"push_back", 1, 9}, {"swap", 1, 10},     {"resize", 2, 11}};
  return entries;
}

const handle& list_::push_front(handle stored) {
  elements.push_front(std::move(stored));
  return elements.front();
}

const handle& list_::push_back(handle stored) {
  elements.push_back(std::move(stored));
  return elements.back();
}

handle list_::_method(const method_request<char>& r) { return dispatch(*this, r); }
handle list_::_method(const method_request<wchar_t>& r) { return dispatch(*this, r); }

void list_::call_constructor(const vector& args) {
  if (args.size() != 2) refuse_arguments(source, "plang::list_::call_constructor", 30, args);
  sequence::resize(elements, args[0]->operator unsigned int(), args[1], too_long);
}
void list_::call_constructor(const handle& v) {
  if (v->get_typeid() == typeid_anchor::list) {
    *this = v;
  } else {
    sequence::resize(elements, v->operator unsigned int(), make_nil(), too_long);
  }
}
void list_::call_constructor() {}

list_::~list_() { release::range(elements); }

void list_::add(handle& rhs) const { refuse_operand(source, "plang::list_::add", 35, *rhs); }
void list_::subtract(handle& rhs) const { refuse_operand(source, "plang::list_::subtract", 39, *rhs); }
void list_::multiply(handle& rhs) const { refuse_operand(source, "plang::list_::multiply", 43, *rhs); }
void list_::divide(handle& rhs) const { refuse_operand(source, "plang::list_::divide", 47, *rhs); }
void list_::mod(handle& rhs) const { refuse_operand(source, "plang::list_::mod", 51, *rhs); }
void list_::_and(handle& rhs) const { refuse_operand(source, "plang::list_::_and", 55, *rhs); }
void list_::_or(handle& rhs) const { refuse_operand(source, "plang::list_::_or", 59, *rhs); }
void list_::eq(handle& rhs) const { refuse_operand(source, "plang::list_::eq", 63, *rhs); }
void list_::ne(handle& rhs) const { refuse_operand(source, "plang::list_::ne", 67, *rhs); }
void list_::lt(handle& rhs) const { refuse_operand(source, "plang::list_::lt", 71, *rhs); }
void list_::gt(handle& rhs) const { refuse_operand(source, "plang::list_::gt", 75, *rhs); }
void list_::lte(handle& rhs) const { refuse_operand(source, "plang::list_::lte", 79, *rhs); }
void list_::gte(handle& rhs) const { refuse_operand(source, "plang::list_::gte", 83, *rhs); }
void list_::not_(handle& operand) const { refuse_operand(source, "plang::list_::not", 87, *operand); }
void list_::minus(handle& operand) const { refuse_operand(source, "plang::list_::minus", 91, *operand); }

void list_::operator=(const handle& v) {
  if (v->get_typeid() != typeid_anchor::list) refuse_operand(source, "plang::list_::operator =", 96, *v);
  if (v.get() == this) return;
  elements = sequence::clone_all(static_cast<const list_&>(*v).elements);
}
void list_::operator++() { refuse(source, "plang::list_::operator ++", 101); }
void list_::operator--() { refuse(source, "plang::list_::operator --", 105); }

list_::operator bool() const { raise_bad_cast(source, "plang::list_::operator bool", 110); }
list_::operator unsigned int() const { raise_bad_cast(source, "plang::list_::operator unsigned int", 114); }
list_::operator int() const { raise_bad_cast(source, "plang::list_::operator int", 118); }
list_::operator float() const { raise_bad_cast(source, "plang::list_::operator float", 122); }
list_::operator double() const { raise_bad_cast(source, "plang::list_::operator double", 126); }
list_::operator std::string() const {
  raise_bad_cast(source,
                 "plang::list_::operator class std::basic_string<char,struct std::char_traits<char>,class "
                 "std::allocator<char> >",
                 130);
}
list_::operator std::wstring() const {
  raise_bad_cast(source,
                 "plang::list_::operator class std::basic_string<wchar_t,struct std::char_traits<wchar_t>,class "
                 "std::allocator<wchar_t> >",
                 134);
}

handle list_::member(const std::string& name) { refuse_member(source, "plang::list_::member", 139, name); }
handle list_::member(const std::wstring& name) { refuse_member(source, "plang::list_::member", 143, name); }
handle list_::method(const method_request<wchar_t>& r) { return _method(r); }
handle list_::method(const method_request<char>& r) { return _method(r); }

std::uint32_t list_::get_typeid() const { return typeid_anchor::list; }

handle list_::clone() const {
  const auto copy = boost::make_shared<list_>();
  copy->elements = sequence::clone_all(elements);
  return copy;
}

// The class's typeid first, so a list never hashes like the vector of the
// same elements; then the element hashes in order.
void list_::hash_into(std::uint32_t& seed) const {
  const nesting walk(*this);
  walk.require();
  lib::hash_combine(seed, typeid_anchor::list);
  for (const handle& e : elements) e->hash_into(seed);
}

bool list_::same_value(const handle& other) const {
  if (other->get_typeid() != typeid_anchor::list) return false;
  const nesting walk(*this);
  walk.require();
  return sequence::same_elements(elements, static_cast<const list_&>(*other).elements);
}

// ", " goes before an element whenever the text gathered so far is not
// empty, so an element that describes as nothing adds no separator first.
std::string list_::describe() const {
  const nesting walk(*this);
  if (!walk.entered()) return "...";
  std::string body;
  for (const handle& e : elements) {
    if (!body.empty()) body += ", ";
    body += e->describe();
  }
  return "list[" + body + "]";
}

std::ostream& list_::write_ostream(std::ostream&) const { refuse(source, "plang::list_::write_ostream", 203); }
std::wostream& list_::write_ostream(std::wostream&) const { refuse(source, "plang::list_::write_ostream", 207); }
std::istream& list_::read_istream(std::istream&) { refuse(source, "plang::list_::read_istream", 211); }
std::wistream& list_::read_istream(std::wistream&) { refuse(source, "plang::list_::read_istream", 215); }

}  // namespace plang
