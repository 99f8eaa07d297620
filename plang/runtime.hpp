// The execution context every statement step and expression evaluation
// works in: the innermost visible variable table and the current namespace.
#pragma once

namespace plang {

class nspace;
namespace table {
class variable;
}

// Passed by pointer; it never owns what it points at.
struct runtime {
  table::variable* variables;
  nspace* space;  // whose functions, classes and processes are visible
};

}  // namespace plang
