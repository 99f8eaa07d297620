// The in-house hash map and the 32-bit hashing it and the script engine use.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <type_traits>

#include <boost/unordered_map.hpp>

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

// Hash map with 11 initial buckets and a maximum load factor of 1.0. `at` of
// a missing key throws std::out_of_range("Unable to find key in
// unordered_map."), which callers take as the not-found answer.
template <class K, class V, class H = hasher<K>, class E = std::equal_to<K>>
class hash : public boost::unordered_map<K, V, H, E> {
  using base = boost::unordered_map<K, V, H, E>;

 public:
  static constexpr std::size_t initial_buckets = 11;

  hash() : base(initial_buckets) { this->max_load_factor(1.0f); }
  explicit hash(const H& h, const E& e = E()) : base(initial_buckets, h, e) { this->max_load_factor(1.0f); }

  // An empty map fails without hashing the key.
  V& at(const K& key) {
    if (this->empty()) missing_key();
    auto it = this->find(key);
    if (it == this->end()) missing_key();
    return it->second;
  }
  const V& at(const K& key) const {
    if (this->empty()) missing_key();
    auto it = this->find(key);
    if (it == this->end()) missing_key();
    return it->second;
  }

 private:
  [[noreturn]] static void missing_key() { throw std::out_of_range("Unable to find key in unordered_map."); }
};

}  // namespace lib
