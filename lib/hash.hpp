// The in-house hash map and the 32-bit hashing it and the script engine use.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <iterator>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

namespace lib {

// seed ^= h + 0x9E3779B9 + (seed << 6) + (seed >> 2), in 32 bits, so hashes
// (and the iteration orders that follow from them) are the same everywhere.
inline void hash_combine(std::uint32_t& seed, std::uint32_t h) { seed ^= h + 0x9E3779B9u + (seed << 6) + (seed >> 2); }

// Text hashes: from 0, every character combined in order. Wide text is taken
// as UTF-16 code units (a character above U+FFFF gives its surrogate pair);
// a narrow byte counts as a signed char widened to 32 bits.
inline std::uint32_t hash_text(const wchar_t* s, std::size_t n) {
  std::uint32_t seed = 0;
  for (std::size_t i = 0; i < n; ++i) {
    std::uint32_t c = static_cast<std::uint32_t>(s[i]);
    if (c > 0xFFFFu && c <= 0x10FFFFu) {
      c -= 0x10000u;
      hash_combine(seed, 0xD800u + (c >> 10));
      hash_combine(seed, 0xDC00u + (c & 0x3FFu));
    } else {
      hash_combine(seed, c);
    }
  }
  return seed;
}
inline std::uint32_t hash_text(const char* s, std::size_t n) {
  std::uint32_t seed = 0;
  for (std::size_t i = 0; i < n; ++i)
    hash_combine(seed, static_cast<std::uint32_t>(static_cast<std::int32_t>(static_cast<signed char>(s[i]))));
  return seed;
}
inline std::uint32_t hash_text(const std::wstring& s) { return hash_text(s.data(), s.size()); }
inline std::uint32_t hash_text(const std::string& s) { return hash_text(s.data(), s.size()); }

inline std::uint32_t hash_value(const std::wstring& s) { return hash_text(s); }
inline std::uint32_t hash_value(const std::string& s) { return hash_text(s); }
template <class T, class = std::enable_if_t<std::is_integral_v<T>>>
std::uint32_t hash_value(T v) {
  return static_cast<std::uint32_t>(v);
}

// Default key hash of lib::hash: the 32-bit hash_value of the key, found
// here for texts and integers and by argument-dependent lookup for others.
template <class K>
struct hasher {
  std::size_t operator()(const K& key) const {
    using lib::hash_value;
    return hash_value(key);
  }
};

namespace detail::hash {

constexpr std::uint32_t none = 0xFFFFFFFFu;  // no entry: the end of a chain
constexpr std::uint32_t initial_buckets = 11;

// The first bucket count of the list 11, 17, 29, ... 4294967291 that is at
// least `count`; std::length_error past the end of the list.
std::uint32_t bucket_count_for(std::size_t count);
[[noreturn]] void missing_key();
[[noreturn]] void too_many_entries();

}  // namespace detail::hash

// Chained hash map with a fixed layout, so that its walk order follows from
// its keys and its history alone: a new map has 11 buckets; a key's bucket
// is its 32-bit hash modulo the bucket count; a new entry goes in at the
// head of its bucket; walks go through the buckets in index order, each
// from its head. Before an insertion would take the load factor past 1.0
// the bucket array grows to the next size of the list, moving the entries
// bucket by bucket, each chain from its head, every entry to the head of
// its new bucket. `clear` keeps the bucket count. `at` of a missing key
// throws std::out_of_range("Unable to find key in unordered_map."), which
// callers take as the not-found answer.
//
// Entries live in slots of one index space with 32-bit links, in blocks that
// never move: a reference to an entry stays valid until that entry is
// erased, as with a node-based map. Freed slots are reused first.
template <class K, class V, class H = hasher<K>, class E = std::equal_to<K>>
class hash {
 public:
  using key_type = K;
  using mapped_type = V;
  using value_type = std::pair<const K, V>;
  using size_type = std::size_t;
  using hasher = H;
  using key_equal = E;

  static constexpr std::size_t initial_buckets = detail::hash::initial_buckets;

 private:
  static constexpr std::uint32_t none = detail::hash::none;
  static constexpr unsigned first_block_bits = 3;  // block b holds 8 << b slots

  struct slot {
    std::uint32_t next;  // in a chain, or in the free list
    std::uint32_t hash;
    alignas(value_type) unsigned char storage[sizeof(value_type)];
    value_type& value() { return *std::launder(reinterpret_cast<value_type*>(storage)); }
    const value_type& value() const { return *std::launder(reinterpret_cast<const value_type*>(storage)); }
  };

 public:
  template <bool Const>
  class basic_iterator {
    using table = std::conditional_t<Const, const hash, hash>;

   public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = typename hash::value_type;
    using difference_type = std::ptrdiff_t;
    using reference = std::conditional_t<Const, const value_type&, value_type&>;
    using pointer = std::conditional_t<Const, const value_type*, value_type*>;

    basic_iterator() = default;
    template <bool C = Const, class = std::enable_if_t<C>>
    basic_iterator(const basic_iterator<false>& other) : t_(other.t_), bucket_(other.bucket_), i_(other.i_) {}

    reference operator*() const { return t_->at_slot(i_).value(); }
    pointer operator->() const { return &t_->at_slot(i_).value(); }
    basic_iterator& operator++() {
      i_ = t_->at_slot(i_).next;
      if (i_ == none) *this = t_->template walk_from<Const>(bucket_ + 1);
      return *this;
    }
    basic_iterator operator++(int) {
      basic_iterator before = *this;
      ++*this;
      return before;
    }
    friend bool operator==(const basic_iterator& a, const basic_iterator& b) { return a.i_ == b.i_; }
    friend bool operator!=(const basic_iterator& a, const basic_iterator& b) { return a.i_ != b.i_; }

   private:
    friend class hash;
    template <bool>
    friend class basic_iterator;
    basic_iterator(table* t, std::uint32_t bucket, std::uint32_t i) : t_(t), bucket_(bucket), i_(i) {}
    table* t_ = nullptr;
    std::uint32_t bucket_ = 0;
    std::uint32_t i_ = none;  // none: the end
  };
  using iterator = basic_iterator<false>;
  using const_iterator = basic_iterator<true>;

  hash() = default;
  explicit hash(const H& h, const E& e = E()) : hash_(h), equal_(e) {}
  // The same table: the same bucket count and every chain in the same order.
  hash(const hash& other) : hash_(other.hash_), equal_(other.equal_) {
    try {
      copy_from(other);
    } catch (...) {
      release();
      throw;
    }
  }
  hash(hash&& other) noexcept : hash() { swap(other); }
  hash& operator=(const hash& other) {
    if (this != &other) {
      hash copy(other);
      swap(copy);
    }
    return *this;
  }
  hash& operator=(hash&& other) noexcept {
    hash moved(std::move(other));
    swap(moved);
    return *this;
  }
  ~hash() { release(); }

  void swap(hash& other) noexcept {
    using std::swap;
    swap(hash_, other.hash_);
    swap(equal_, other.equal_);
    swap(heads_, other.heads_);
    swap(bucket_count_, other.bucket_count_);
    swap(size_, other.size_);
    swap(used_, other.used_);
    swap(free_, other.free_);
    swap(blocks_, other.blocks_);
  }
  friend void swap(hash& a, hash& b) noexcept { a.swap(b); }

  bool empty() const { return size_ == 0; }
  size_type size() const { return size_; }
  size_type bucket_count() const { return bucket_count_; }
  size_type bucket(const K& key) const { return hash_of(key) % bucket_count_; }
  float max_load_factor() const { return 1.0f; }
  float load_factor() const { return static_cast<float>(size_) / static_cast<float>(bucket_count_); }
  hasher hash_function() const { return hash_; }
  key_equal key_eq() const { return equal_; }

  // The walk order: buckets in index order, each from its head.
  iterator begin() { return walk_from<false>(0); }
  iterator end() { return iterator(this, 0, none); }
  const_iterator begin() const { return walk_from<true>(0); }
  const_iterator end() const { return const_iterator(this, 0, none); }
  const_iterator cbegin() const { return begin(); }
  const_iterator cend() const { return end(); }

  iterator find(const K& key) { return find(key, hash_, equal_); }
  const_iterator find(const K& key) const { return find(key, hash_, equal_); }
  // A key of another type, with its own hash (which must agree with the
  // table's) and equality (probe first, stored key second).
  template <class Key, class Hash, class Equal>
  iterator find(const Key& key, const Hash& h, const Equal& eq) {
    const auto [bucket, i] = locate(key, h, eq);
    return iterator(this, bucket, i);
  }
  template <class Key, class Hash, class Equal>
  const_iterator find(const Key& key, const Hash& h, const Equal& eq) const {
    const auto [bucket, i] = locate(key, h, eq);
    return const_iterator(this, bucket, i);
  }
  size_type count(const K& key) const { return locate(key, hash_, equal_).second == none ? 0 : 1; }
  bool contains(const K& key) const { return count(key) != 0; }

  // An empty map fails without hashing the key.
  V& at(const K& key) {
    const std::uint32_t i = locate(key, hash_, equal_).second;
    if (i == none) detail::hash::missing_key();
    return at_slot(i).value().second;
  }
  const V& at(const K& key) const {
    const std::uint32_t i = locate(key, hash_, equal_).second;
    if (i == none) detail::hash::missing_key();
    return at_slot(i).value().second;
  }

  V& operator[](const K& key) {
    return try_emplace(key).first->second;
  }
  V& operator[](K&& key) {
    return try_emplace(std::move(key)).first->second;
  }

  // Builds the entry, then keeps it only when no entry has its key.
  template <class... Args>
  std::pair<iterator, bool> emplace(Args&&... args) {
    const std::uint32_t i = take_slot();
    slot& s = at_slot(i);
    try {
      ::new (static_cast<void*>(s.storage)) value_type(std::forward<Args>(args)...);
    } catch (...) {
      give_back(i);
      throw;
    }
    try {
      const std::uint32_t h = hash_of(s.value().first);
      const std::uint32_t found = find_in_chain(h, s.value().first, equal_);
      if (found != none) {
        destroy(i);
        return {iterator(this, h % bucket_count_, found), false};
      }
      return {link(i, h), true};
    } catch (...) {
      destroy(i);
      throw;
    }
  }
  template <class Key, class... Args>
  std::pair<iterator, bool> try_emplace(Key&& key, Args&&... args) {
    const std::uint32_t h = hash_of(key);
    const std::uint32_t found = find_in_chain(h, key, equal_);
    if (found != none) return {iterator(this, h % bucket_count_, found), false};
    const std::uint32_t i = take_slot();
    try {
      ::new (static_cast<void*>(at_slot(i).storage))
          value_type(std::piecewise_construct, std::forward_as_tuple(std::forward<Key>(key)),
                     std::forward_as_tuple(std::forward<Args>(args)...));
    } catch (...) {
      give_back(i);
      throw;
    }
    try {
      return {link(i, h), true};
    } catch (...) {
      destroy(i);
      throw;
    }
  }
  std::pair<iterator, bool> insert(const value_type& v) { return emplace(v); }
  std::pair<iterator, bool> insert(value_type&& v) { return emplace(std::move(v)); }

  // Removes the entry and gives the next one in walk order.
  iterator erase(const_iterator pos) {
    iterator next(this, pos.bucket_, pos.i_);
    ++next;
    unlink(pos.bucket_, pos.i_);
    return next;
  }
  iterator erase(iterator pos) { return erase(const_iterator(pos)); }
  size_type erase(const K& key) {
    const auto [bucket, i] = locate(key, hash_, equal_);
    if (i == none) return 0;
    unlink(bucket, i);
    return 1;
  }

  // Removes every entry; the bucket count stays.
  void clear() {
    destroy_all();
    if (heads_) std::fill(heads_.get(), heads_.get() + bucket_count_, none);
    size_ = 0;
    used_ = 0;
    free_ = none;
  }

  // Grows the bucket array so that `count` entries fit within the load
  // factor; it never shrinks.
  void reserve(size_type count) {
    if (count > bucket_count_) rehash_to(detail::hash::bucket_count_for(count));
  }

 private:
  static constexpr std::uint32_t block_of(std::uint32_t i, std::uint32_t& offset) {
    const std::uint64_t n = std::uint64_t(i) + (1u << first_block_bits);
    const unsigned top = 63u - static_cast<unsigned>(__builtin_clzll(n));
    offset = static_cast<std::uint32_t>(n - (std::uint64_t(1) << top));
    return top - first_block_bits;
  }
  slot& at_slot(std::uint32_t i) const {
    std::uint32_t offset = 0;
    const std::uint32_t b = block_of(i, offset);
    return blocks_[b][offset];
  }

  template <class Key>
  std::uint32_t hash_of(const Key& key) const {
    return static_cast<std::uint32_t>(hash_(key));
  }

  template <bool Const>
  basic_iterator<Const> walk_from(std::uint32_t bucket) const {
    using table = std::conditional_t<Const, const hash, hash>;
    table* self = const_cast<table*>(this);
    if (heads_ && size_ != 0) {
      for (; bucket < bucket_count_; ++bucket)
        if (heads_[bucket] != none) return basic_iterator<Const>(self, bucket, heads_[bucket]);
    }
    return basic_iterator<Const>(self, 0, none);
  }

  template <class Key, class Equal>
  std::uint32_t find_in_chain(std::uint32_t h, const Key& key, const Equal& eq) const {
    if (size_ == 0) return none;
    for (std::uint32_t i = heads_[h % bucket_count_]; i != none;) {
      slot& s = at_slot(i);
      if (s.hash == h && eq(key, s.value().first)) return i;
      i = s.next;
    }
    return none;
  }
  // {bucket, entry}; the entry is none when no key matches.
  template <class Key, class Hash, class Equal>
  std::pair<std::uint32_t, std::uint32_t> locate(const Key& key, const Hash& h, const Equal& eq) const {
    if (size_ == 0) return {0, none};
    const auto k = static_cast<std::uint32_t>(h(key));
    const std::uint32_t i = find_in_chain(k, key, eq);
    return {i == none ? 0 : k % bucket_count_, i};
  }

  // A free slot, from the free list or past the last one used.
  std::uint32_t take_slot() {
    if (free_ != none) {
      const std::uint32_t i = free_;
      free_ = at_slot(i).next;
      return i;
    }
    if (used_ == none - 1) detail::hash::too_many_entries();
    std::uint32_t offset = 0;
    const std::uint32_t b = block_of(used_, offset);
    if (b == blocks_.size()) {
      blocks_.reserve(b + 1);
      blocks_.push_back(std::allocator<slot>().allocate(std::size_t(1) << (b + first_block_bits)));
    }
    return used_++;
  }
  void give_back(std::uint32_t i) {
    at_slot(i).next = free_;
    free_ = i;
  }
  void destroy(std::uint32_t i) {
    at_slot(i).value().~value_type();
    give_back(i);
  }

  // Links the built entry at the head of its bucket, growing first.
  iterator link(std::uint32_t i, std::uint32_t h) {
    if (size_ + 1 > bucket_count_) rehash_to(detail::hash::bucket_count_for(size_ + std::size_t(1)));
    if (!heads_) allocate_heads();
    slot& s = at_slot(i);
    const std::uint32_t bucket = h % bucket_count_;
    s.hash = h;
    s.next = heads_[bucket];
    heads_[bucket] = i;
    ++size_;
    return iterator(this, bucket, i);
  }
  void unlink(std::uint32_t bucket, std::uint32_t i) {
    std::uint32_t* at = &heads_[bucket];
    while (*at != i) at = &at_slot(*at).next;
    *at = at_slot(i).next;
    --size_;
    destroy(i);
  }

  void allocate_heads() {
    heads_.reset(new std::uint32_t[bucket_count_]);
    std::fill(heads_.get(), heads_.get() + bucket_count_, none);
  }
  // Bucket by bucket, each chain from its head; every entry goes to the
  // head of its new bucket.
  void rehash_to(std::uint32_t count) {
    std::unique_ptr<std::uint32_t[]> heads(new std::uint32_t[count]);
    std::fill(heads.get(), heads.get() + count, none);
    if (heads_) {
      for (std::uint32_t b = 0; b < bucket_count_; ++b) {
        for (std::uint32_t i = heads_[b]; i != none;) {
          slot& s = at_slot(i);
          const std::uint32_t after = s.next;
          std::uint32_t& head = heads[s.hash % count];
          s.next = head;
          head = i;
          i = after;
        }
      }
    }
    heads_ = std::move(heads);
    bucket_count_ = count;
  }

  void copy_from(const hash& other) {
    if (other.bucket_count_ != bucket_count_) rehash_to(other.bucket_count_);
    if (other.size_ == 0) return;
    if (!heads_) allocate_heads();
    for (std::uint32_t b = 0; b < other.bucket_count_; ++b) {
      std::uint32_t* tail = &heads_[b];
      for (std::uint32_t j = other.heads_[b]; j != none; j = other.at_slot(j).next) {
        const slot& from = other.at_slot(j);
        const std::uint32_t i = take_slot();
        slot& s = at_slot(i);
        try {
          ::new (static_cast<void*>(s.storage)) value_type(from.value());
        } catch (...) {
          give_back(i);
          throw;  // the caller releases what was copied
        }
        s.hash = from.hash;
        s.next = none;
        *tail = i;
        tail = &s.next;
        ++size_;
      }
    }
  }

  void destroy_all() {
    if (!heads_ || size_ == 0) return;
    for (std::uint32_t b = 0; b < bucket_count_; ++b)
      for (std::uint32_t i = heads_[b]; i != none; i = at_slot(i).next) at_slot(i).value().~value_type();
  }
  void release() {
    destroy_all();
    for (std::size_t b = 0; b < blocks_.size(); ++b)
      std::allocator<slot>().deallocate(blocks_[b], std::size_t(1) << (b + first_block_bits));
  }

  H hash_;
  E equal_;
  std::unique_ptr<std::uint32_t[]> heads_;  // made at the first insertion
  std::uint32_t bucket_count_ = detail::hash::initial_buckets;
  std::uint32_t size_ = 0;
  std::uint32_t used_ = 0;  // slots ever handed out; those below it not in a chain are free
  std::uint32_t free_ = none;
  std::vector<slot*> blocks_;
};

}  // namespace lib
