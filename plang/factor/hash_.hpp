// The map from values to values, type name "hash": keys are found by value
// equality (their own hash_into and same_value); it stores clones of what is
// inserted and hands out the stored values; every operator and conversion is
// refused, and its operations are built-in methods.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>

#include "lib/hash.hpp"
#include "plang/factor/factor.hpp"

namespace plang {

struct method_entries;

class hash_ final : public factor {
 public:
  // A stored or probe key with its hash (its own hash_into from seed 0),
  // taken once: growing the bucket array, copying the map and walking a
  // bucket then compare numbers and never call back into the key.
  struct key {
    explicit key(handle k) : value(std::move(k)) { value->hash_into(hash); }
    std::uint32_t hash = 0;
    handle value;
  };
  struct key_hash {
    std::size_t operator()(const key& k) const { return k.hash; }
  };
  // The probe asks. Values that are the same hash alike, so a hash mismatch
  // settles it; every same_value compares typeids first, so keys of
  // different classes never match.
  struct key_equal {
    bool operator()(const key& probe, const key& stored) const {
      return probe.hash == stored.hash && probe.value->same_value(stored.value);
    }
  };
  using map = lib::hash<key, handle, key_hash, key_equal>;

  // Stored keys are clones that are never handed out, so they never change
  // and copies of the map may share them.
  map entries;

  // size(0) empty(0) clear(0) at(1) exist(1) erase(1) swap(1) insert(2), ids 0 to 7.
  static plang::method_entries method_entries();
  handle _method(const method_request<char>& request);
  handle _method(const method_request<wchar_t>& request);

  // Releases what it holds without recursion into nested values.
  ~hash_();

  PLANG_FACTOR_OPERATIONS
};

}  // namespace plang
