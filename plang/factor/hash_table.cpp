// The map's table: lookup, insertion at a bucket's head, growth through the
// list of primes, removal that keeps the storage dense.
#include "plang/factor/hash_table.hpp"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <utility>

#include "lib/hash.hpp"
#include "plang/factor/boolean.hpp"
#include "plang/factor/pool.hpp"
#include "plang/factor/real.hpp"
#include "plang/factor/signed_.hpp"
#include "plang/factor/typeid_anchor.hpp"
#include "plang/factor/unsigned_.hpp"

namespace plang {

hash_table::probe::probe(const handle& k) : key(k) {
  k->hash_into(hash);
  switch (k->get_typeid()) {
    case typeid_anchor::signed_int:
      scalar_type = typeid_anchor::signed_int;
      bits = static_cast<std::uint32_t>(static_cast<const signed_<int>&>(*k).value);
      break;
    case typeid_anchor::unsigned_int:
      scalar_type = typeid_anchor::unsigned_int;
      bits = static_cast<const unsigned_<unsigned int>&>(*k).value;
      break;
    case typeid_anchor::boolean:
      scalar_type = typeid_anchor::boolean;
      bits = static_cast<const boolean&>(*k).value ? 1u : 0u;
      break;
    default:
      break;
  }
}

hash_table::probe::probe(const entry& stored)
    : key(stored.key), hash(stored.hash), scalar_type(stored.scalar_type), bits(stored.bits) {}

namespace {
const handle no_key;
}  // namespace

hash_table::probe::probe(std::uint32_t type, std::uint32_t b) : key(no_key), scalar_type(type), bits(b) {
  switch (type) {
    case typeid_anchor::signed_int:
      signed_<int>(static_cast<int>(b)).hash_into(hash);
      break;
    case typeid_anchor::unsigned_int:
      unsigned_<unsigned int>(b).hash_into(hash);
      break;
    default:
      boolean(b != 0).hash_into(hash);
      break;
  }
}

hash_table::small_value hash_table::small_form(const factor& v) {
  small_value s;
  switch (v.get_typeid()) {
    case typeid_anchor::signed_int:
      s.bits = static_cast<std::uint32_t>(static_cast<const signed_<int>&>(v).value);
      break;
    case typeid_anchor::unsigned_int:
      s.bits = static_cast<const unsigned_<unsigned int>&>(v).value;
      break;
    case typeid_anchor::boolean:
      s.bits = static_cast<const boolean&>(v).value ? 1u : 0u;
      break;
    case typeid_anchor::real_float: {
      std::uint32_t b;
      std::memcpy(&b, &static_cast<const real<float>&>(v).value, sizeof b);
      s.bits = b;
      break;
    }
    case typeid_anchor::real_double:
      std::memcpy(&s.bits, &static_cast<const real<double>&>(v).value, sizeof s.bits);
      break;
    default:
      return s;
  }
  s.type = v.get_typeid();
  return s;
}

handle hash_table::make_value(const small_value& v) {
  switch (v.type) {
    case typeid_anchor::signed_int:
      return signed_<int>::make_value(static_cast<int>(static_cast<std::uint32_t>(v.bits)));
    case typeid_anchor::unsigned_int:
      return pool::make<unsigned_<unsigned int>>(static_cast<unsigned int>(v.bits));
    case typeid_anchor::boolean:
      return pool::make<boolean>(v.bits != 0);
    case typeid_anchor::real_float: {
      const auto b = static_cast<std::uint32_t>(v.bits);
      float f;
      std::memcpy(&f, &b, sizeof f);
      return pool::make<real<float>>(f);
    }
    default: {
      double d;
      std::memcpy(&d, &v.bits, sizeof d);
      return pool::make<real<double>>(d);
    }
  }
}

handle hash_table::entry::key_value() const {
  if (!scalar_type) return key;
  return make_value(small_value{scalar_type, bits});
}

const handle& hash_table::entry::value_object() {
  if (!value) {
    value = make_value(small);
    small = small_value{};
  }
  return value;
}

std::uint32_t hash_table::find(const probe& p) const {
  if (entries_.empty()) return none;
  for (std::uint32_t i = heads_[bucket(p.hash)]; i != none; i = entries_[i].next) {
    const entry& e = entries_[i];
    if (e.hash != p.hash || e.scalar_type != p.scalar_type) continue;
    // Inline scalars of one type are the same value exactly when their bits
    // are; any other key is asked. Keys of different classes never match,
    // so a scalar never matches a key that is not of its own type.
    if (p.scalar_type ? e.bits == p.bits : p.key->same_value(e.key)) return i;
  }
  return none;
}

void hash_table::grow_for(std::size_t count) {
  if (count <= heads_.size()) return;
  if (entries_.size() >= none - 1) throw std::length_error("plang::hash_table");
  // The bucket counts of lib::hash; bucket by bucket, each from its head,
  // every entry goes to the head of its new bucket.
  head_vector heads(lib::detail::hash::bucket_count_for(count), none);
  for (std::uint32_t head : heads_) {
    for (std::uint32_t i = head; i != none;) {
      entry& e = entries_[i];
      const std::uint32_t after = e.next;
      std::uint32_t& new_head = heads[e.hash % heads.size()];
      e.next = new_head;
      new_head = i;
      i = after;
    }
  }
  heads_.swap(heads);
  reciprocal_ = reciprocal_of(heads_.size());
}

void hash_table::link(entry&& e) {
  // The steps that may fail come before any change.
  if (entries_.size() == entries_.capacity()) entries_.reserve(std::max<std::size_t>(16, entries_.size() * 2));
  grow_for(entries_.size() + 1);
  std::uint32_t& head = heads_[bucket(e.hash)];
  e.next = head;
  head = static_cast<std::uint32_t>(entries_.size());
  entries_.push_back(std::move(e));
}

void hash_table::insert_new(const probe& p, handle value) {
  const small_value small = small_form(*value);
  if (small.type) {
    insert_new(p, small);
    return;
  }
  link(entry{p.hash, none, p.scalar_type, p.bits, p.scalar_type ? handle() : p.key, std::move(value), {}});
}

void hash_table::insert_new(const probe& p, const small_value& value) {
  link(entry{p.hash, none, p.scalar_type, p.bits, p.scalar_type ? handle() : p.key, handle(), value});
}

void hash_table::insert_copy(const entry& from, handle value) {
  if (!from.value) {
    link(entry{from.hash, none, from.scalar_type, from.bits, from.key, handle(), from.small});
    return;
  }
  insert_new(probe(from), std::move(value));
}

void hash_table::erase(std::uint32_t i) {
  // Unlinks the entry, then moves the last entry of the storage into its
  // slot and points the link that led to the last entry at the slot.
  const auto unlink = [this](std::uint32_t target, std::uint32_t replacement) {
    std::uint32_t* at = &heads_[bucket(entries_[target].hash)];
    while (*at != target) at = &entries_[*at].next;
    *at = replacement;
  };
  unlink(i, entries_[i].next);
  const auto last = static_cast<std::uint32_t>(entries_.size() - 1);
  if (i != last) {
    unlink(last, i);
    entries_[i] = std::move(entries_[last]);
  }
  entries_.pop_back();
}

void hash_table::clear() {
  entries_.clear();
  std::fill(heads_.begin(), heads_.end(), none);
}

void hash_table::swap(hash_table& other) noexcept {
  entries_.swap(other.entries_);
  heads_.swap(other.heads_);
  std::swap(reciprocal_, other.reciprocal_);
}

}  // namespace plang
