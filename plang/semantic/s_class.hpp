// Class and function definitions: a function definition adds a function to the target namespace's table.
#pragma once

#include "plang/grammar.hpp"

namespace plang {

class nspace;

namespace detail::semantic {

template <class C>
class s_class {
 public:
  // class_def -> "class" identifier base_clause? class_body? ";"
  static void eval_class_def(const parse_node& node, nspace* ns);
  // function_def -> type_name identifier parameters block, added to the target's function table.
  static void eval_function_def(const parse_node& node, nspace* target);
};

extern template class s_class<wchar_t>;

}  // namespace detail::semantic
}  // namespace plang
