// The expression compiler: expression parse trees to expression nodes, literals to constants, type keywords
// to typeids.
#pragma once

#include <cstdint>
#include <string>

#include "plang/expression/expression.hpp"
#include "plang/grammar.hpp"

namespace plang {

class nspace;

namespace detail::semantic {

// Stateless: every operation builds new nodes from a node of the rule it names. The namespace serves type-name
// lookups only; variables, functions, members and host functions are found by name when the nodes run.
template <class C>
class core {
 public:
  using string_type = std::basic_string<C>;

  // expression -> assign_expr
  static expression_handle eval_expression(const syntax_node& node, nspace* ns);
  // arguments -> expression*
  static expression_list eval_arguments(const syntax_node& node, nspace* ns);

  // The levels, loosest first. Assignments group to the right, every other level to the left.
  static expression_handle eval_assign_expr(const syntax_node& node, nspace* ns);
  static expression_handle eval_or_expr(const syntax_node& node, nspace* ns);
  static expression_handle eval_and_expr(const syntax_node& node, nspace* ns);
  static expression_handle eval_equality_expr(const syntax_node& node, nspace* ns);
  static expression_handle eval_relational_expr(const syntax_node& node, nspace* ns);
  static expression_handle eval_additive_expr(const syntax_node& node, nspace* ns);
  static expression_handle eval_multiplicative_expr(const syntax_node& node, nspace* ns);
  static expression_handle eval_unary_expr(const syntax_node& node, nspace* ns);
  static expression_handle eval_member_expr(const syntax_node& node, nspace* ns);
  static expression_handle eval_primary_expr(const syntax_node& node, nspace* ns);
  // native_call -> "using" "::" identifier arguments
  static expression_handle eval_native_call(const syntax_node& node, nspace* ns);

  // number_literal -> (real_number float_suffix? / (hex_number / octal_number / decimal_number) unsigned_suffix?)
  // Digits that do not fit the type saturate at its nearest limit.
  static expression_handle eval_number_literal(const syntax_node& node);
  // string_literal -> dquote chars dquote; backslash-n and backslash-t are a line feed and a tab, a backslash
  // before any other character gives that character.
  static expression_handle eval_string_literal(const syntax_node& node);
  static string_type unescape(const string_type& raw);

  // primitive_type and library_type keywords.
  static std::uint32_t eval_primitive_type(const syntax_node& node);
  static std::uint32_t eval_ex_type(const syntax_node& node);
};

extern template class core<wchar_t>;

}  // namespace detail::semantic
}  // namespace plang
