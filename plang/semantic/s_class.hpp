// Class and function definitions: a class definition becomes a registered class object with its members,
// base, constructors, conversions and methods; a function definition adds a function to the target
// namespace's table.
#pragma once

#include <string>
#include <vector>

#include "plang/expression/expression.hpp"
#include "plang/grammar.hpp"

namespace plang {

class nspace;
class object;

namespace detail::semantic {

template <class C>
class s_class {
 public:
  // class_def -> "class" identifier base_clause? class_body? ";"
  static void eval_class_def(const syntax_node& node, nspace* ns);
  // function_def -> type_name identifier parameters block, added to the target's function table.
  static void eval_function_def(const syntax_node& node, nspace* target);
  // class_constructor -> identifier parameters constructor_list? block
  static void eval_class_constructor(const syntax_node& node, object& cls);
  // constructor_list -> ":" identifier arguments ("," identifier arguments)*
  static void eval_constructor_list(const syntax_node& node, object& cls, std::vector<std::wstring>& names,
                                    std::vector<expression_list>& arguments);
};

extern template class s_class<wchar_t>;

}  // namespace detail::semantic
}  // namespace plang
