// Name lookup through chained variable tables.
#pragma once

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

// A class instance's member: from the instance's own variables through its
// base parts' variables, never into the root's variables (the one table
// without an outer table).
const handle& find_member(table::variable* table, const std::wstring& name);

}  // namespace nlookup
}  // namespace plang
