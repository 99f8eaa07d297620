// The variables of one namespace or scope, chained outwards to the tables
// that enclose it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include <boost/container/small_vector.hpp>

#include "lib/hash.hpp"
#include "plang/factor/factor.hpp"

namespace plang::table {

// A variable name as tables and variable nodes hold it: one shared text per
// spelling for the whole process, so two names are the same exactly when
// their addresses are. The texts are never freed (a program has few names).
using name_key = const std::wstring*;
name_key intern(const std::wstring& name);

// Entries are kept in declaration order (which is also the order callers
// iterate in) and searched linearly while the table is small; a table that
// grows past `linear_limit` gets a name index. Scopes hold a few variables,
// so they cost no allocation beyond their entries.
class variable {
 public:
  struct entry {
    name_key name;
    handle value;
  };
  using entries = boost::container::small_vector<entry, 2>;
  static constexpr std::size_t linear_limit = 16;

  explicit variable(variable* outer = nullptr) : outer_(outer) {}
  variable(const variable&) = delete;
  variable& operator=(const variable&) = delete;

  variable* outer() const { return outer_; }
  // A class instance's members see its base part's members once it exists.
  void set_outer(variable* outer) { outer_ = outer; }

  // Declares the name at this level only and returns the stored handle (the
  // same value object). A name declared here already is an error; one
  // declared in an outer table is hidden.
  const handle& declare(const std::wstring& name, const handle& value) { return add(intern(name), value); }
  // As above, taking the handle over.
  const handle& declare(const std::wstring& name, handle&& value) { return add(intern(name), std::move(value)); }
  // As above with the name already interned, as the nodes keep it.
  const handle& declare(name_key name, const handle& value) { return add(name, value); }
  const handle& declare(name_key name, handle&& value) { return add(name, std::move(value)); }

  // Adds the name without looking for it first: for a caller that knows the
  // table does not hold it (a fresh activation's distinct parameters) and
  // that the table stays small enough to need no name index.
  void append(name_key name, handle&& value) { entries_.push_back(entry{name, std::move(value)}); }

  // The entry at this level, or null; valid until the next declaration.
  handle* find(const std::wstring& name);
  handle* find(name_key name) {
    std::size_t position;
    return find(name, position);
  }
  // As `find`, also giving the entry's position.
  handle* find(name_key name, std::size_t& position) {
    if (index_) return find_indexed(name, position);
    for (std::size_t i = 0; i < entries_.size(); ++i) {
      if (entries_[i].name == name) {
        position = i;
        return &entries_[i].value;
      }
    }
    return nullptr;
  }
  // The entry at `position` when it holds the name, else null.
  handle* find_at(std::size_t position, name_key name) {
    if (position >= entries_.size()) return nullptr;
    entry& e = entries_[position];
    return e.name == name ? &e.value : nullptr;
  }

  // Forgets every entry, as a new table would hold none; the outer table
  // stays.
  void clear() {
    if (entries_.empty()) return;
    entries_.clear();
    index_.reset();
  }

  std::size_t size() const { return entries_.size(); }
  bool empty() const { return entries_.empty(); }
  entries::const_iterator begin() const { return entries_.begin(); }
  entries::const_iterator end() const { return entries_.end(); }

 private:
  template <class Value>
  const handle& add(name_key name, Value&& value);
  handle* find_indexed(name_key name, std::size_t& position);

  variable* outer_;
  entries entries_;
  struct key_hash {
    std::size_t operator()(name_key key) const { return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(key) >> 4); }
  };
  std::unique_ptr<lib::hash<name_key, std::uint32_t, key_hash>> index_;  // name to position, for large tables
};

}  // namespace plang::table
