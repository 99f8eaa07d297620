// The bucket counts of lib::hash and its failures.
#include "lib/hash.hpp"

#include <algorithm>
#include <iterator>

namespace lib::detail::hash {
namespace {

constexpr std::uint32_t sizes[] = {11u,        17u,         29u,         37u,        53u,        67u,        79u,
                                   97u,        131u,        193u,        257u,       389u,       521u,       769u,
                                   1031u,      1543u,       2053u,       3079u,      6151u,      12289u,     24593u,
                                   49157u,     98317u,      196613u,     393241u,    786433u,    1572869u,   3145739u,
                                   6291469u,   12582917u,   25165843u,   50331653u,  100663319u, 201326611u, 402653189u,
                                   805306457u, 1610612741u, 3221225473u, 4294967291u};

}  // namespace

std::uint32_t bucket_count_for(std::size_t count) {
  const std::uint32_t* next = std::lower_bound(std::begin(sizes), std::end(sizes), count);
  if (next == std::end(sizes)) too_many_entries();
  return *next;
}

void missing_key() { throw std::out_of_range("Unable to find key in unordered_map."); }

void too_many_entries() { throw std::length_error("lib::hash: too many entries"); }

}  // namespace lib::detail::hash
