// Name lookup through chained variable tables.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "plang/factor/factor.hpp"

namespace plang {
namespace table {
class variable;
}

namespace nlookup {

// The stored handle of the innermost table, from `table` outwards, that
// declares the name; assignments through it change the variable itself.
// The reference stays valid until that table declares another name.
const handle& find_variable(table::variable* table, const std::wstring& name);

// As above for an interned name (table::intern), remembering where it was
// found: `place` holds how many
// tables out (high 16 bits) and the entry's position + 1 (0: not known).
// When the search reaches that table, the remembered entry is checked
// first; names are unique within a table, so an entry that still holds the
// name is the one the search would find there. Relaxed atomics: nodes may
// be shared between threads.
const handle& find_variable(table::variable* table, const std::wstring* name, std::atomic<std::uint32_t>& place);

// A class instance's member: from the instance's own variables through its
// base parts' variables, never into the root's variables (the one table
// without an outer table).
const handle& find_member(table::variable* table, const std::wstring& name);

}  // namespace nlookup
}  // namespace plang
