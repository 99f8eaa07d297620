// The statement compiler: statement parse trees to statement nodes.
#pragma once

#include <cstdint>

#include "plang/control.hpp"
#include "plang/expression/expression.hpp"
#include "plang/grammar.hpp"

namespace plang {

class nspace;

namespace detail::semantic {

// Stateless: every operation builds a new node from a node of the rule it names. The namespace is read for
// type names and process ids only. A missing optional child selects the shorter form (an if without else, a
// default construction); a child that is there and fails to compile is an error.
template <class C>
class s_statement {
 public:
  using control_handle = boost::shared_ptr<control>;

  // statement -> block / control_stmt / jump_stmt / except_stmt / simple_stmt
  static control_handle eval_statement(const syntax_node& node, nspace* ns);
  static control_handle eval_control_stmt(const syntax_node& node, nspace* ns);
  static control_handle eval_if_stmt(const syntax_node& node, nspace* ns);
  static control_handle eval_while_stmt(const syntax_node& node, nspace* ns);
  static expression_handle eval_condition(const syntax_node& node, nspace* ns);
  static control_handle eval_jump_stmt(const syntax_node& node, nspace* ns);
  static control_handle eval_except_stmt(const syntax_node& node, nspace* ns);
  static control_handle eval_simple_stmt(const syntax_node& node, nspace* ns);
  static control_handle eval_inline_stmt(const syntax_node& node, nspace* ns);
  static control_handle eval_process_stmt(const syntax_node& node, nspace* ns);

  // Declarators of a declaration of the given type: e_constructor and e_ref_constructor nodes.
  static expression_handle eval_declarator(const syntax_node& node, std::uint32_t type, nspace* ns);
  static expression_handle eval_ref_declarator(const syntax_node& node, std::uint32_t type, nspace* ns);
};

extern template class s_statement<wchar_t>;

}  // namespace detail::semantic
}  // namespace plang
