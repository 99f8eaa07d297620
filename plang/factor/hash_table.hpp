// The map value's table: chained buckets with a fixed layout, so that the
// order in which a map is walked (describe, copies) follows from its keys
// and its history alone. A new table has 11 buckets; a key's bucket is its
// hash modulo the bucket count; an entry goes in at the head of its bucket;
// walks go through the buckets in index order, each from its head. The
// table grows before the load factor would pass 1.0, to the next size of a
// fixed list of primes.
//
// An int, u?int or bool key is kept as its typeid and bits only, and an
// int, u?int, bool, float or double value as its typeid and bits until
// somebody asks for the value itself: a map of numbers then holds no value
// objects at all. Such keys and values were made for the map and nobody
// else holds them, so no one can tell them from the objects they stand for.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "plang/factor/block_cache.hpp"
#include "plang/factor/factor.hpp"

namespace plang {

class hash_table {
 public:
  static constexpr std::uint32_t none = 0xFFFFFFFFu;  // no entry: the end of a chain, or not found
  static constexpr std::uint32_t initial_buckets = 11;

  // A key as the table compares it: its hash (its own hash_into from seed
  // 0), and for an int, u?int or bool its typeid and value, so that a bucket
  // walk settles those keys without calling into a stored key.
  struct entry;
  struct probe {
    explicit probe(const handle& key);
    // A stored key, as it was taken when stored.
    explicit probe(const entry& stored);
    // An int, u?int or bool key given by its typeid and bits, without a
    // value: it hashes as that value would and is never asked.
    probe(std::uint32_t scalar_type, std::uint32_t bits);
    const handle& key;
    std::uint32_t hash = 0;
    std::uint32_t scalar_type = 0;  // 0: not an inline scalar
    std::uint32_t bits = 0;
  };

  // A small value held in an entry: its typeid (0: none) and its bits (the
  // int's or u?int's 32 bits, the bool as 0 or 1, the float's or double's
  // representation).
  struct small_value {
    std::uint32_t type = 0;
    std::uint64_t bits = 0;
  };
  // The small form of an int, u?int, bool, float or double; type 0 for any
  // other value.
  static small_value small_form(const factor& v);
  // A new value object for a small value.
  static handle make_value(const small_value& v);

  struct entry {
    std::uint32_t hash;
    std::uint32_t next;  // the next entry of the bucket, or none
    std::uint32_t scalar_type;  // an inline key's typeid, or 0: the key is `key`
    std::uint32_t bits;
    handle key;         // empty for an inline key
    handle value;       // empty while the value is held as `small`
    small_value small;  // the value, while `value` is empty

    // The key as a value: the stored key, or a new one for an inline key.
    handle key_value() const;
    // The value: the stored one, or a new one for a small value.
    handle value_copy() const { return value ? value : make_value(small); }
    // The stored value, made from the small form first if needed: from then
    // on the entry holds it, so what the caller changes shows in the map.
    const handle& value_object();
  };

  using entry_vector = std::vector<entry, block_cache::allocator<entry>>;

  hash_table() : heads_(initial_buckets, none), reciprocal_(reciprocal_of(initial_buckets)) {}

  bool empty() const { return entries_.empty(); }
  std::size_t size() const { return entries_.size(); }
  std::size_t bucket_count() const { return heads_.size(); }
  // hash % bucket_count(), by a multiplication with the count's reciprocal
  // (exact for every 32-bit hash and count) instead of a division.
  std::size_t bucket(std::uint32_t hash) const {
    const std::uint64_t low = reciprocal_ * hash;
    return static_cast<std::size_t>((static_cast<unsigned __int128>(low) * heads_.size()) >> 64);
  }

  // The entry whose key matches: the probe's same_value with the stored key
  // (the probe asks). `none` when there is none; an empty table answers
  // without looking at the probe.
  std::uint32_t find(const probe& p) const;
  entry& at(std::uint32_t i) { return entries_[i]; }
  const entry& at(std::uint32_t i) const { return entries_[i]; }

  // Adds the entry at the head of its bucket, growing first when needed.
  // The caller has made sure no entry matches the key. A value that nobody
  // else holds is given; a small one is kept in its small form.
  void insert_new(const probe& p, handle value);
  void insert_new(const probe& p, const small_value& value);
  // As above for the entry of another table, whose key it shares; its value
  // is the clone `value`, or for a small value its small form.
  void insert_copy(const entry& from, handle value);

  // Removes the entry; the last entry of the storage takes its slot.
  void erase(std::uint32_t i);
  // Removes every entry; the bucket count stays.
  void clear();
  void swap(hash_table& other) noexcept;

  // The walk order: buckets in index order, each from its head.
  template <class F>
  void walk(F f) const {
    for (std::uint32_t head : heads_)
      for (std::uint32_t i = head; i != none; i = entries_[i].next) f(entries_[i]);
  }
  // Every entry in storage order, for work that no order changes.
  entry_vector& storage() { return entries_; }
  const entry_vector& storage() const { return entries_; }

 private:
  static std::uint64_t reciprocal_of(std::size_t count) { return ~std::uint64_t(0) / count + 1; }
  void link(entry&& e);
  void grow_for(std::size_t count);

  using head_vector = std::vector<std::uint32_t, block_cache::allocator<std::uint32_t>>;

  entry_vector entries_;
  head_vector heads_;
  std::uint64_t reciprocal_;  // of the bucket count, for `bucket`
};

}  // namespace plang
