// Variable lookup from a table outwards.
#include "plang/nlookup.hpp"

#include "plang/exception.hpp"
#include "plang/table/variable.hpp"

namespace plang::nlookup {

const handle& find_variable(table::variable* table, const std::wstring& name) {
  for (table::variable* t = table; t; t = t->outer()) {
    if (t->empty()) continue;  // most scopes of blocks and loop turns declare nothing
    if (handle* found = t->find(name)) return *found;
  }
  throw exception("plang/nlookup", "reffer to undefined id, id=", "plang::nlookup<wchar_t>::find_variable", 28)
      .append_detail(name);
}

const handle& find_variable(table::variable* table, const std::wstring* name, std::atomic<std::uint32_t>& place) {
  const std::uint32_t known = place.load(std::memory_order_relaxed);
  const std::uint32_t known_out = known != 0 ? known >> 16 : 0xFFFFFFFFu;
  std::uint32_t out = 0;
  for (table::variable* t = table; t; t = t->outer(), ++out) {
    if (t->empty()) continue;  // most scopes of blocks and loop turns declare nothing
    if (out == known_out) {
      if (handle* found = t->find_at((known & 0xFFFFu) - 1, name)) return *found;
    }
    std::size_t position;
    if (handle* found = t->find(name, position)) {
      if (out < 0x10000u && position < 0xFFFFu) place.store(out << 16 | (position + 1), std::memory_order_relaxed);
      return *found;
    }
  }
  return find_variable(table, *name);  // raises the error of a name declared nowhere
}

const handle& find_member(table::variable* table, const std::wstring& name) {
  for (table::variable* t = table;; t = t->outer()) {
    if (handle* found = t->find(name)) return *found;
    if (!t->outer() || !t->outer()->outer()) break;
  }
  throw exception("plang/nlookup", "undefined member, ", "plang::nlookup<wchar_t>::find_member", 43)
      .append_detail(name);
}

}  // namespace plang::nlookup
