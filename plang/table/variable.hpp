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

// Entries are kept in declaration order (which is also the order callers
// iterate in) and searched linearly while the table is small; a table that
// grows past `linear_limit` gets a name index. Scopes hold a few variables,
// so they cost no allocation beyond their entries.
class variable {
 public:
  struct entry {
    std::wstring name;
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
  const handle& declare(const std::wstring& name, const handle& value);
  // As above, taking the handle over.
  const handle& declare(const std::wstring& name, handle&& value);

  // Adds the name without looking for it first: for a caller that knows the
  // table does not hold it (a fresh activation's distinct parameters) and
  // that the table stays small enough to need no name index.
  void append(const std::wstring& name, handle&& value) { entries_.push_back(entry{name, std::move(value)}); }

  // The entry at this level, or null; valid until the next declaration.
  handle* find(const std::wstring& name);
  // As `find`, also giving the entry's position.
  handle* find(const std::wstring& name, std::size_t& position);
  // The entry at `position` when it holds the name, else null.
  handle* find_at(std::size_t position, const std::wstring& name) {
    if (position >= entries_.size()) return nullptr;
    entry& e = entries_[position];
    // Names are short: compared inline, without a library call.
    const std::size_t n = name.size();
    if (e.name.size() != n) return nullptr;
    const wchar_t* a = e.name.data();
    const wchar_t* b = name.data();
    for (std::size_t k = 0; k < n; ++k) {
      if (a[k] != b[k]) return nullptr;
    }
    return &e.value;
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
  const handle& add(const std::wstring& name, Value&& value);

  variable* outer_;
  entries entries_;
  std::unique_ptr<lib::hash<std::wstring, std::uint32_t>> index_;  // name to position, for large tables
};

}  // namespace plang::table
