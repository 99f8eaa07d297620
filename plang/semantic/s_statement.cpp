// The statement compiler.
#include "plang/semantic/s_statement.hpp"

#include <boost/make_shared.hpp>

#include "plang/exception.hpp"
#include "plang/expression/declare.hpp"
#include "plang/expression/statements.hpp"
#include "plang/node_memory.hpp"
#include "plang/nspace.hpp"
#include "plang/semantic/core.hpp"
#include "plang/semantic/definition_steps.hpp"
#include "plang/stack.hpp"
#include "plang/table/except.hpp"

namespace plang::detail::semantic {
namespace {

constexpr char source[] = "plang/semantic/s_statement";
using expr = core<wchar_t>;

}  // namespace

template <class C>
typename s_statement<C>::control_handle s_statement<C>::eval_statement(const syntax_node& node, nspace* ns) {
  if (stack::exhausted()) {
    throw call_depth_error(exception(source, "exceed max. depth of statement",
                                     "plang::detail::semantic::s_statement<wchar_t>::eval_statement", 26));
  }
  const syntax_node& s = node.at(0);
  switch (s.id()) {
    case rule::block:
      return eval_block(ns, s);
    case rule::control_stmt:
      return eval_control_stmt(s, ns);
    case rule::jump_stmt:
      return eval_jump_stmt(s, ns);
    case rule::except_stmt:
      return eval_except_stmt(s, ns);
    default:  // simple_stmt
      return eval_simple_stmt(s, ns);
  }
}

template <class C>
typename s_statement<C>::control_handle s_statement<C>::eval_control_stmt(const syntax_node& node, nspace* ns) {
  // control_stmt -> if_stmt / while_stmt
  const syntax_node& s = node.at(0);
  return s.id() == rule::if_stmt ? eval_if_stmt(s, ns) : eval_while_stmt(s, ns);
}

template <class C>
typename s_statement<C>::control_handle s_statement<C>::eval_if_stmt(const syntax_node& node, nspace* ns) {
  // if_stmt -> "if" condition statement ("else" statement)?
  expression_handle condition = eval_condition(node.at(0), ns);
  control_handle then = eval_statement(node.at(1), ns);
  if (node.size() < 3) return plang::node_memory::make<c_if>(std::move(condition), std::move(then));
  control_handle otherwise = eval_statement(node[2], ns);
  return plang::node_memory::make<c_if_else>(std::move(condition), std::move(then), std::move(otherwise));
}

template <class C>
typename s_statement<C>::control_handle s_statement<C>::eval_while_stmt(const syntax_node& node, nspace* ns) {
  // while_stmt -> "while" condition statement
  expression_handle condition = eval_condition(node.at(0), ns);
  return plang::node_memory::make<c_while>(std::move(condition), eval_statement(node.at(1), ns));
}

template <class C>
expression_handle s_statement<C>::eval_condition(const syntax_node& node, nspace* ns) {
  // condition -> "(" expression ")"
  return expr::eval_expression(node.at(0), ns);
}

template <class C>
typename s_statement<C>::control_handle s_statement<C>::eval_jump_stmt(const syntax_node& node, nspace* ns) {
  // jump_stmt -> (kw_return / kw_throw) expression ";" / (kw_break / kw_continue) ";"
  switch (node.at(0).id()) {
    case rule::kw_return:
      return plang::node_memory::make<c_return>(expr::eval_expression(node.at(1), ns));
    case rule::kw_throw:
      return plang::node_memory::make<c_throw>(expr::eval_expression(node.at(1), ns));
    case rule::kw_break:
      return plang::node_memory::make<c_break>();
    default:  // kw_continue
      return plang::node_memory::make<c_continue>();
  }
}

template <class C>
typename s_statement<C>::control_handle s_statement<C>::eval_except_stmt(const syntax_node& node, nspace* ns) {
  // except_stmt -> "try" block ("catch" parameters block)+
  const syntax_node& kids = node;
  control_handle body = eval_block(ns, kids.at(0));
  table::except handlers;
  for (std::size_t i = 1; i < kids.size(); i += 2) {
    const table::parameter_list parameters = eval_parameters(ns, kids[i]);
    if (parameters.size() > 1)
      throw_exception(source, "invalid arguments size",
                      "plang::detail::semantic::s_statement<wchar_t>::eval_except_stmt", 132);
    handlers.define(parameters, eval_block(ns, kids.at(i + 1)));
  }
  return plang::node_memory::make<c_except>(std::move(body), std::move(handlers));
}

template <class C>
typename s_statement<C>::control_handle s_statement<C>::eval_simple_stmt(const syntax_node& node, nspace* ns) {
  // simple_stmt -> inline_stmt / process_stmt / declaration / expression ";" / ";"
  const syntax_node& s = node.at(0);
  switch (s.id()) {
    case rule::inline_stmt:
      return eval_inline_stmt(s, ns);
    case rule::process_stmt:
      return eval_process_stmt(s, ns);
    case rule::declaration:
      return plang::node_memory::make<c_single>(eval_declaration(ns, s));
    case rule::expression:
      return plang::node_memory::make<c_single>(expr::eval_expression(s, ns));
    default:  // the lone ";"
      return plang::node_memory::make<c_empty>();
  }
}

template <class C>
typename s_statement<C>::control_handle s_statement<C>::eval_inline_stmt(const syntax_node& node, nspace* ns) {
  // inline_stmt -> "inline" identifier arguments? ";"
  expression_list args;
  if (node.size() == 2) args = expr::eval_arguments(node[1], ns);
  return plang::node_memory::make<c_inline>(identifier_text(node.at(0)), std::move(args));
}

template <class C>
typename s_statement<C>::control_handle s_statement<C>::eval_process_stmt(const syntax_node& node, nspace* ns) {
  // process_stmt -> "process" "::" identifier identifier arguments? ";"
  // The process id is settled now: the process must be defined earlier in compile order.
  const std::wstring key = L"p?" + identifier_text(node.at(0));
  const std::wstring& variable = identifier_text(node.at(1));
  try {
    expression_list args;
    if (node.size() == 3) args = expr::eval_arguments(node[2], ns);
    const std::uint32_t pid = ns->ids().find(key);
    return plang::node_memory::make<c_start_p>(pid, variable, std::move(args));
  } catch (const std::exception& cause) {
    throw exception(source, "catch exception, pid=", "plang::detail::semantic::s_statement<wchar_t>::eval_process_stmt",
                    174)
        .append_detail(key)
        .append_detail(" sid=")
        .append_detail(variable)
        .chain_cause(cause);
  }
}

template <class C>
expression_handle s_statement<C>::eval_declarator(const syntax_node& node, std::uint32_t type, nspace* ns) {
  // declarator -> identifier (constructor_args / initializer)?
  // 'int x = 5' and 'int x(5)' build the same node; without either it is a default construction.
  const std::wstring& name = identifier_text(node.at(0));
  expression_list args;
  if (node.size() > 1) {
    const syntax_node& init = node[1];
    if (init.id() == rule::constructor_args)
      args = expr::eval_arguments(init.at(0), ns);  // eval_value_constructor
    else
      args.push_back(expr::eval_expression(init.at(0), ns));  // eval_value_initializer
  }
  return plang::node_memory::make<e_constructor>(name, type, std::move(args));
}

template <class C>
expression_handle s_statement<C>::eval_ref_declarator(const syntax_node& node, std::uint32_t type, nspace* ns) {
  // ref_declarator -> "&" identifier (constructor_args / initializer)
  const std::wstring& name = identifier_text(node.at(0));
  const syntax_node& init = node.at(1);
  if (init.id() == rule::initializer)  // eval_ref_initializer
    return plang::node_memory::make<e_ref_constructor>(name, type, expr::eval_expression(init.at(0), ns));
  // eval_ref_constructor: exactly one expression names the referenced value.
  expression_list args = expr::eval_arguments(init.at(0), ns);
  if (args.size() != 1)
    throw exception(source, "invalid argument count of constructor for refference, ",
                    "plang::detail::semantic::s_statement<wchar_t>::eval_ref_constructor", 230)
        .append_detail(ns->ids().find_str(type))
        .append_detail("& ")
        .append_detail(name);
  return plang::node_memory::make<e_ref_constructor>(name, type, std::move(args.front()));
}

template class s_statement<wchar_t>;

}  // namespace plang::detail::semantic
