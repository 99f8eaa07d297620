// The map from values to values, type name "hash": keys are found by value
// equality (their own hash_into and same_value); it stores clones of what is
// inserted and hands out the stored values; every operator and conversion is
// refused, and its operations are built-in methods.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>

#include "plang/factor/factor.hpp"
#include "plang/factor/hash_table.hpp"

namespace plang {

struct method_entries;

class hash_ final : public factor {
 public:
  using map = hash_table;

  // Stored keys are clones that are never handed out, so they never change
  // and copies of the map may share them. A number kept in its small form
  // becomes a value object when `at` hands it out.
  map entries;

  // size(0) empty(0) clear(0) at(1) exist(1) erase(1) swap(1) insert(2), ids 0 to 7.
  static plang::method_entries method_entries();
  handle _method(const method_request<char>& request);
  handle _method(const method_request<wchar_t>& request);

  // Methods that call nodes also run without a call record; the
  // dispatchers use them too. at: the stored value, or the range error of
  // line 281; exist; both take a key (hashed only when the map has entries)
  // or an int, u?int or bool key's probe. insert of the stored forms of a
  // key and a value (see stored_form): true when the entry was added, false
  // when the key was there (its value stays).
  const handle& at(const handle& key);
  const handle& at(const map::probe& key);
  // The entry of the key, or the range error of `at`: for a reader that can
  // take a small value as it is.
  const map::entry& entry_at(const map::probe& key) const;
  bool exist(const handle& key) const;
  bool exist(const map::probe& key) const;
  bool insert(handle key, handle value);
  // insert of an int, u?int or bool key and a small value, neither made.
  bool insert(const map::probe& key, const map::small_value& value);

  // Releases what it holds without recursion into nested values.
  ~hash_();

  PLANG_FACTOR_OPERATIONS
};

}  // namespace plang
