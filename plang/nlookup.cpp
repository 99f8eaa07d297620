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

const handle& find_member(table::variable* table, const std::wstring& name) {
  for (table::variable* t = table;; t = t->outer()) {
    if (handle* found = t->find(name)) return *found;
    if (!t->outer() || !t->outer()->outer()) break;
  }
  throw exception("plang/nlookup", "undefined member, ", "plang::nlookup<wchar_t>::find_member", 43)
      .append_detail(name);
}

}  // namespace plang::nlookup
