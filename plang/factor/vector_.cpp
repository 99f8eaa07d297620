// The indexable sequence: refused operators and conversions, element-wise
// copies, and the built-in methods.
#include "plang/factor/vector_.hpp"

#include <boost/make_shared.hpp>

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

constexpr char source[] = "plang/factor/vector_";
constexpr char method_text[] = "plang::vector_::_method";
constexpr char too_long[] = "plang::vector_::resize";

template <class C>
handle dispatch(vector_& self, const method_request<C>& r) {
  std::vector<handle>& e = self.elements;
  const factor::vector& a = r.arguments;
  switch (find_method_id<vector_>(source, method_text, 251, r)) {
    case 0:  // size
      return pool::make<unsigned_<unsigned int>>(static_cast<unsigned int>(e.size()));
    case 1:  // empty
      return pool::make<boolean>(e.empty());
    case 2: {  // pop_back
      if (e.empty()) raise_range_error(source, method_text, 260);
      handle last = std::move(e.back());
      e.pop_back();
      return last;
    }
    case 3:  // clear
      e.clear();
      return make_nil();
    case 4:  // back
      if (e.empty()) raise_range_error(source, method_text, 271);
      return e.back();
    case 5:  // front
      if (e.empty()) raise_range_error(source, method_text, 276);
      return e.front();
    case 6:  // at
      return self.at(a[0]->operator unsigned int());
    case 7: {  // push_back
      const copy_nesting level;
      return self.push_back(stored_form(a[0]));
    }
    case 8: {  // swap
      const handle& other = a[0];
      if (other->get_typeid() != typeid_anchor::vector) refuse_method(source, method_text, 291, r);
      if (other.get() != &self) e.swap(static_cast<vector_&>(*other).elements);
      return make_nil();
    }
    case 9:  // resize(count)
      sequence::resize(e, a[0]->operator unsigned int(), make_nil(), too_long);
      return make_nil();
    case 10: {  // replace
      // The clone may run script code that changes this vector: the index
      // is checked against the vector as the clone left it.
      const unsigned int i = a[0]->operator unsigned int();
      handle old;
      {
        const copy_nesting level;
        old = stored_form(a[1]);
      }
      if (i >= e.size()) raise_range_error(source, method_text, 302);
      e[i].swap(old);
      return old;
    }
    default:  // 11: resize(count, fill)
      sequence::resize(e, a[0]->operator unsigned int(), a[1], too_long);
      return make_nil();
  }
}

}  // namespace

method_entries vector_::method_entries() {
  static constexpr method_entry entries[] = {{"size", 0, 0}, {"empty", 0, 1},  {"pop_back", 0, 2}, {"clear", 0, 3},
                                             {"back", 0, 4}, {"front", 0, 5},  {"at", 1, 6},       {"push_back", 1, 7},
                                             {"swap", 1, 8}, {"resize", 1, 9}, {"replace", 2, 10}, {"resize", 2, 11}};
  return entries;
}

const handle& vector_::at(unsigned int i) const {
  if (i >= elements.size()) raise_range_error(source, method_text, 282);
  return elements[i];
}

const handle& vector_::push_back(handle stored) {
  elements.push_back(std::move(stored));
  return elements.back();
}

handle vector_::_method(const method_request<char>& r) { return dispatch(*this, r); }
handle vector_::_method(const method_request<wchar_t>& r) { return dispatch(*this, r); }

void vector_::call_constructor(const vector& args) {
  if (args.size() != 2) refuse_arguments(source, "plang::vector_::call_constructor", 28, args);
  sequence::resize(elements, args[0]->operator unsigned int(), args[1], too_long);
}
void vector_::call_constructor(const handle& v) {
  if (v->get_typeid() == typeid_anchor::vector) {
    *this = v;
  } else {
    sequence::resize(elements, v->operator unsigned int(), make_nil(), too_long);
  }
}
void vector_::call_constructor() {}

// Nested sequences are released one after the other, not one inside the
// other.
vector_::~vector_() { release::range(elements); }

void vector_::add(handle& rhs) const { refuse_operand(source, "plang::vector_::add", 33, *rhs); }
void vector_::subtract(handle& rhs) const { refuse_operand(source, "plang::vector_::subtract", 37, *rhs); }
void vector_::multiply(handle& rhs) const { refuse_operand(source, "plang::vector_::multiply", 41, *rhs); }
void vector_::divide(handle& rhs) const { refuse_operand(source, "plang::vector_::divide", 45, *rhs); }
void vector_::mod(handle& rhs) const { refuse_operand(source, "plang::vector_::mod", 49, *rhs); }
void vector_::_and(handle& rhs) const { refuse_operand(source, "plang::vector_::_and", 53, *rhs); }
void vector_::_or(handle& rhs) const { refuse_operand(source, "plang::vector_::_or", 57, *rhs); }
void vector_::eq(handle& rhs) const { refuse_operand(source, "plang::vector_::eq", 61, *rhs); }
void vector_::ne(handle& rhs) const { refuse_operand(source, "plang::vector_::ne", 65, *rhs); }
void vector_::lt(handle& rhs) const { refuse_operand(source, "plang::vector_::lt", 69, *rhs); }
void vector_::gt(handle& rhs) const { refuse_operand(source, "plang::vector_::gt", 73, *rhs); }
void vector_::lte(handle& rhs) const { refuse_operand(source, "plang::vector_::lte", 77, *rhs); }
void vector_::gte(handle& rhs) const { refuse_operand(source, "plang::vector_::gte", 81, *rhs); }
void vector_::not_(handle& operand) const { refuse_operand(source, "plang::vector_::not", 85, *operand); }
void vector_::minus(handle& operand) const { refuse_operand(source, "plang::vector_::minus", 89, *operand); }

void vector_::operator=(const handle& v) {
  if (v->get_typeid() != typeid_anchor::vector) refuse_operand(source, "plang::vector_::operator =", 94, *v);
  if (v.get() == this) return;
  elements = sequence::clone_all(static_cast<const vector_&>(*v).elements);
}
void vector_::operator++() { refuse(source, "plang::vector_::operator ++", 99); }
void vector_::operator--() { refuse(source, "plang::vector_::operator --", 103); }

vector_::operator bool() const { raise_bad_cast(source, "plang::vector_::operator bool", 108); }
vector_::operator unsigned int() const { raise_bad_cast(source, "plang::vector_::operator unsigned int", 112); }
vector_::operator int() const { raise_bad_cast(source, "plang::vector_::operator int", 116); }
vector_::operator float() const { raise_bad_cast(source, "plang::vector_::operator float", 120); }
vector_::operator double() const { raise_bad_cast(source, "plang::vector_::operator double", 124); }
vector_::operator std::string() const {
  raise_bad_cast(source,
                 "plang::vector_::operator class std::basic_string<char,struct std::char_traits<char>,class "
                 "std::allocator<char> >",
                 128);
}
vector_::operator std::wstring() const {
  raise_bad_cast(source,
                 "plang::vector_::operator class std::basic_string<wchar_t,struct std::char_traits<wchar_t>,class "
                 "std::allocator<wchar_t> >",
                 132);
}

handle vector_::member(const std::string& name) { refuse_member(source, "plang::vector_::member", 137, name); }
handle vector_::member(const std::wstring& name) { refuse_member(source, "plang::vector_::member", 141, name); }
handle vector_::method(const method_request<wchar_t>& r) { return _method(r); }
handle vector_::method(const method_request<char>& r) { return _method(r); }

std::uint32_t vector_::get_typeid() const { return typeid_anchor::vector; }

handle vector_::clone() const {
  const auto copy = boost::make_shared<vector_>();
  copy->elements = sequence::clone_all(elements);
  return copy;
}

// The element hashes in order; an empty vector leaves the seed unchanged.
void vector_::hash_into(std::uint32_t& seed) const {
  const nesting walk(*this);
  walk.require();
  for (const handle& e : elements) e->hash_into(seed);
}

bool vector_::same_value(const handle& other) const {
  if (other->get_typeid() != typeid_anchor::vector) return false;
  const nesting walk(*this);
  walk.require();
  return sequence::same_elements(elements, static_cast<const vector_&>(*other).elements);
}

std::string vector_::describe() const {
  const nesting walk(*this);
  if (!walk.entered()) return "...";
  std::string text = "vector[";
  for (std::size_t i = 0; i < elements.size(); ++i) {
    if (i) text += ", ";
    text += elements[i]->describe();
  }
  text += ']';
  return text;
}

std::ostream& vector_::write_ostream(std::ostream&) const { refuse(source, "plang::vector_::write_ostream", 193); }
std::wostream& vector_::write_ostream(std::wostream&) const { refuse(source, "plang::vector_::write_ostream", 197); }
std::istream& vector_::read_istream(std::istream&) { refuse(source, "plang::vector_::read_istream", 201); }
std::wistream& vector_::read_istream(std::wistream&) { refuse(source, "plang::vector_::read_istream", 205); }

}  // namespace plang
