// The map: refused operators and conversions, copies that share the keys,
// order-free equality and hashing, and the built-in methods.
#include "plang/factor/hash_.hpp"

#include <vector>

#include <boost/make_shared.hpp>

#include "lib/hash.hpp"

#include "plang/factor/boolean.hpp"
#include "plang/factor/exception.hpp"
#include "plang/factor/nesting.hpp"
#include "plang/factor/nil.hpp"
#include "plang/factor/pool.hpp"
#include "plang/factor/stored.hpp"
#include "plang/factor/unsigned_.hpp"
#include "plang/method.hpp"
#include "plang/release.hpp"

namespace plang {
namespace {

constexpr char source[] = "plang/factor/hash_";
constexpr char method_text[] = "plang::hash_::_method";

// The source's key handles with clones of its values, inserted in the
// source's walk order into a new table. If a clone fails the half-made copy
// is dropped and the caller's map is untouched. The source's entries are
// listed first: a clone may run script code that changes the source.
hash_::map copy_entries(const hash_::map& from) {
  const copy_nesting level;
  std::vector<hash_::map::entry> source;
  source.reserve(from.size());
  from.walk([&source](const hash_::map::entry& e) { source.push_back(e); });
  hash_::map copy;
  for (const hash_::map::entry& e : source) copy.insert_copy(e, e.value ? e.value->clone() : handle());
  return copy;
}

// An empty map answers without hashing the key.
std::uint32_t find(const hash_::map& m, const handle& k) {
  return m.empty() ? hash_::map::none : m.find(hash_::map::probe(k));
}

// The entry `at` found, or the range error of a missing key.
std::uint32_t found(std::uint32_t entry) {
  if (entry == hash_::map::none) raise_range_error(source, method_text, 281);
  return entry;
}

template <class C>
handle dispatch(hash_& self, const method_request<C>& r) {
  hash_::map& m = self.entries;
  const factor::vector& a = r.arguments;
  switch (find_method_id<hash_>(source, method_text, 265, r)) {
    case 0:  // size
      return pool::make<unsigned_<unsigned int>>(static_cast<unsigned int>(m.size()));
    case 1:  // empty
      return pool::make<boolean>(m.empty());
    case 2:  // clear
      m.clear();
      return make_nil();
    case 3:  // at
      return self.at(a[0]);
    case 4:  // exist
      return pool::make<boolean>(self.exist(a[0]));
    case 5: {  // erase
      const std::uint32_t i = find(m, a[0]);
      if (i == hash_::map::none) return pool::make<boolean>(false);
      m.erase(i);
      return pool::make<boolean>(true);
    }
    case 6: {  // swap
      const handle& other = a[0];
      if (other->get_typeid() != typeid_anchor::hash) refuse_method(source, method_text, 290, r);
      if (other.get() != &self) m.swap(static_cast<hash_&>(*other).entries);
      return make_nil();
    }
    default: {  // 7: insert
      const copy_nesting level;
      handle k = stored_form(a[0]);
      handle value = stored_form(a[1]);
      return pool::make<boolean>(self.insert(std::move(k), std::move(value)));
    }
  }
}

}  // namespace

method_entries hash_::method_entries() {
  static constexpr method_entry entries[] = {{"size", 0, 0},  {"empty", 0, 1}, {"clear", 0, 2}, {"at", 1, 3},
                                             {"exist", 1, 4}, {"erase", 1, 5}, {"swap", 1, 6},  {"insert", 2, 7}};
  return entries;
}

const handle& hash_::at(const handle& key) { return entries.at(found(find(entries, key))).value_object(); }
const handle& hash_::at(const map::probe& key) { return entries.at(found(entries.find(key))).value_object(); }
const hash_::map::entry& hash_::entry_at(const map::probe& key) const { return entries.at(found(entries.find(key))); }

bool hash_::exist(const handle& key) const { return find(entries, key) != map::none; }
bool hash_::exist(const map::probe& key) const { return entries.find(key) != map::none; }

// The stored forms are made first: a clone may run script code that changes
// this map, which is looked at only now. An existing key keeps its value.
bool hash_::insert(handle key, handle value) {
  const map::probe p(key);
  if (entries.find(p) != map::none) return false;
  entries.insert_new(p, std::move(value));
  return true;
}

bool hash_::insert(const map::probe& key, const map::small_value& value) {
  if (entries.find(key) != map::none) return false;
  entries.insert_new(key, value);
  return true;
}

handle hash_::_method(const method_request<char>& r) { return dispatch(*this, r); }
handle hash_::_method(const method_request<wchar_t>& r) { return dispatch(*this, r); }

void hash_::call_constructor(const vector& args) {
  refuse_arguments(source, "plang::hash_::call_constructor", 43, args);
}
void hash_::call_constructor(const handle& v) {
  if (v->get_typeid() != typeid_anchor::hash) refuse_operand(source, "plang::hash_::call_constructor", 38, *v);
  *this = v;
}
void hash_::call_constructor() {}

// The values are released one after the other, not one inside the other.
// A stored key is released in place: it is a clone that nobody else can
// change, nested no deeper than a copy may go, and the containers in it
// hand their own elements on.
hash_::~hash_() {
  if (release::draining()) {
    for (map::entry& e : entries.storage())
      if (e.value) release::defer(std::move(e.value));
  } else {
    release::drain_after([](void* m) { static_cast<map*>(m)->clear(); }, &entries);
  }
}

void hash_::add(handle& rhs) const { refuse_operand(source, "plang::hash_::add", 48, *rhs); }
void hash_::subtract(handle& rhs) const { refuse_operand(source, "plang::hash_::subtract", 52, *rhs); }
void hash_::multiply(handle& rhs) const { refuse_operand(source, "plang::hash_::multiply", 56, *rhs); }
void hash_::divide(handle& rhs) const { refuse_operand(source, "plang::hash_::divide", 60, *rhs); }
void hash_::mod(handle& rhs) const { refuse_operand(source, "plang::hash_::mod", 64, *rhs); }
void hash_::_and(handle& rhs) const { refuse_operand(source, "plang::hash_::_and", 68, *rhs); }
void hash_::_or(handle& rhs) const { refuse_operand(source, "plang::hash_::_or", 72, *rhs); }
void hash_::eq(handle& rhs) const { refuse_operand(source, "plang::hash_::eq", 76, *rhs); }
void hash_::ne(handle& rhs) const { refuse_operand(source, "plang::hash_::ne", 80, *rhs); }
void hash_::lt(handle& rhs) const { refuse_operand(source, "plang::hash_::lt", 84, *rhs); }
void hash_::gt(handle& rhs) const { refuse_operand(source, "plang::hash_::gt", 88, *rhs); }
void hash_::lte(handle& rhs) const { refuse_operand(source, "plang::hash_::lte", 92, *rhs); }
void hash_::gte(handle& rhs) const { refuse_operand(source, "plang::hash_::gte", 96, *rhs); }
void hash_::not_(handle& operand) const { refuse_operand(source, "plang::hash_::not", 100, *operand); }
void hash_::minus(handle& operand) const { refuse_operand(source, "plang::hash_::minus", 104, *operand); }

void hash_::operator=(const handle& v) {
  if (v->get_typeid() != typeid_anchor::hash) refuse_operand(source, "plang::hash_::operator =", 109, *v);
  if (v.get() == this) return;
  entries = copy_entries(static_cast<const hash_&>(*v).entries);
}
void hash_::operator++() { refuse(source, "plang::hash_::operator ++", 114); }
void hash_::operator--() { refuse(source, "plang::hash_::operator --", 118); }

hash_::operator bool() const { raise_bad_cast(source, "plang::hash_::operator bool", 123); }
hash_::operator unsigned int() const { raise_bad_cast(source, "plang::hash_::operator unsigned int", 127); }
hash_::operator int() const { raise_bad_cast(source, "plang::hash_::operator int", 131); }
hash_::operator float() const { raise_bad_cast(source, "plang::hash_::operator float", 135); }
hash_::operator double() const { raise_bad_cast(source, "plang::hash_::operator double", 139); }
hash_::operator std::string() const {
  raise_bad_cast(source,
                 "plang::hash_::operator class std::basic_string<char,struct std::char_traits<char>,class "
                 "std::allocator<char> >",
                 143);
}
hash_::operator std::wstring() const {
  raise_bad_cast(source,
                 "plang::hash_::operator class std::basic_string<wchar_t,struct std::char_traits<wchar_t>,class "
                 "std::allocator<wchar_t> >",
                 147);
}

handle hash_::member(const std::string& name) { refuse_member(source, "plang::hash_::member", 152, name); }
handle hash_::member(const std::wstring& name) { refuse_member(source, "plang::hash_::member", 156, name); }
handle hash_::method(const method_request<wchar_t>& r) { return _method(r); }
handle hash_::method(const method_request<char>& r) { return _method(r); }

std::uint32_t hash_::get_typeid() const { return typeid_anchor::hash; }

handle hash_::clone() const {
  const auto copy = boost::make_shared<hash_>();
  copy->entries = copy_entries(entries);
  return copy;
}

// A map and its copy may walk their entries in different orders, and equal
// maps must hash alike: each entry is hashed on its own (key, then value,
// from 0) and the entry hashes are summed, which no order changes. An empty
// map leaves the seed unchanged.
void hash_::hash_into(std::uint32_t& seed) const {
  if (entries.empty()) return;
  const nesting walk(*this);
  walk.require();
  std::uint32_t sum = 0;
  for (const map::entry& e : entries.storage()) {
    std::uint32_t h = e.hash;  // the key's from seed 0, then the value's
    e.value_copy()->hash_into(h);
    sum += h;
  }
  lib::hash_combine(seed, sum);
}

// Entries are paired by looking each key up in the other map, so the
// iteration orders do not matter. Keys are unique within a map, so equal
// counts and a match for every entry make the pairing one to one.
bool hash_::same_value(const handle& other) const {
  if (other->get_typeid() != typeid_anchor::hash) return false;
  const map& theirs = static_cast<const hash_&>(*other).entries;
  if (theirs.size() != entries.size()) return false;
  const nesting walk(*this);
  walk.require();
  for (const map::entry& e : entries.storage()) {
    const std::uint32_t i = theirs.find(map::probe(e));
    if (i == map::none || !e.value_copy()->same_value(theirs.at(i).value_copy())) return false;
  }
  return true;
}

std::string hash_::describe() const {
  const nesting walk(*this);
  if (!walk.entered()) return "...";
  std::string body;
  entries.walk([&body](const map::entry& e) {
    if (!body.empty()) body += ", ";
    body += '(';
    body += e.key_value()->describe();
    body += " , ";
    body += e.value_copy()->describe();
    body += ')';
  });
  return "hash[" + body + "]";
}

std::ostream& hash_::write_ostream(std::ostream&) const { refuse(source, "plang::hash_::write_ostream", 220); }
std::wostream& hash_::write_ostream(std::wostream&) const { refuse(source, "plang::hash_::write_ostream", 224); }
std::istream& hash_::read_istream(std::istream&) { refuse(source, "plang::hash_::read_istream", 228); }
std::wistream& hash_::read_istream(std::wistream&) { refuse(source, "plang::hash_::read_istream", 232); }

}  // namespace plang
