// The expression compiler and the literal builders.
#include "plang/semantic/core.hpp"

#include <boost/make_shared.hpp>

#include "plang/convert.hpp"
#include "plang/exception.hpp"
#include "plang/expression/calls.hpp"
#include "plang/expression/operators.hpp"
#include "plang/factor/boolean.hpp"
#include "plang/factor/real.hpp"
#include "plang/factor/signed_.hpp"
#include "plang/factor/string_.hpp"
#include "plang/factor/typeid_anchor.hpp"
#include "plang/factor/unsigned_.hpp"
#include "plang/node_memory.hpp"
#include "plang/nspace.hpp"
#include "plang/semantic/definition_steps.hpp"
#include "plang/stack.hpp"

namespace plang::detail::semantic {
namespace {

constexpr char source[] = "plang/semantic/core";

using bool_constant = e_constant<boolean, bool>;
using int_constant = e_constant<signed_<int>, int>;
using unsigned_constant = e_constant<unsigned_<unsigned int>, unsigned int>;
using float_constant = e_constant<real<float>, float>;
using double_constant = e_constant<real<double>, double>;
using string_constant = e_constant<string_<wchar_t>, std::wstring>;

// The text of a token node: the leaf under it.
std::wstring leaf_text(const syntax_node& node) { return std::wstring(node.at(0).text()); }

template <class Node>
expression_handle make_binary(expression_handle left, expression_handle right) {
  return plang::node_memory::make<Node>(std::move(left), std::move(right));
}

template <class Node>
expression_handle make_unary(expression_handle operand) {
  return plang::node_memory::make<Node>(std::move(operand));
}

}  // namespace

template <class C>
expression_handle core<C>::eval_expression(const syntax_node& node, nspace* ns) {
  // expression -> assign_expr
  // The parser bounds how deep a parse tree nests; this bounds the stack
  // that its compile takes, whatever the caller left.
  if (stack::exhausted()) {
    throw call_depth_error(exception(source, "exceed max. depth of expression",
                                     "plang::detail::semantic::core<wchar_t>::eval_expression", 53));
  }
  // A level of one child only hands it down: go straight to the first level that has more, or to the operand.
  syntax_node level = node.at(0);
  while (level.size() == 1) {
    switch (level.id()) {
      case rule::assign_expr:
      case rule::or_expr:
      case rule::and_expr:
      case rule::equality_expr:
      case rule::relational_expr:
      case rule::additive_expr:
      case rule::multiplicative_expr:
      case rule::unary_expr:
        level = level[0];
        continue;
      case rule::member_expr:
        return eval_primary_expr(level[0], ns);
      default:
        break;
    }
    break;
  }
  switch (level.id()) {
    case rule::or_expr:
      return eval_or_expr(level, ns);
    case rule::and_expr:
      return eval_and_expr(level, ns);
    case rule::equality_expr:
      return eval_equality_expr(level, ns);
    case rule::relational_expr:
      return eval_relational_expr(level, ns);
    case rule::additive_expr:
      return eval_additive_expr(level, ns);
    case rule::multiplicative_expr:
      return eval_multiplicative_expr(level, ns);
    case rule::unary_expr:
      return eval_unary_expr(level, ns);
    case rule::member_expr:
      return eval_member_expr(level, ns);
    default:
      return eval_assign_expr(level, ns);
  }
}

template <class C>
expression_list core<C>::eval_arguments(const syntax_node& node, nspace* ns) {
  // arguments -> "(" (expression ("," expression)*)? ")"
  expression_list args;
  args.reserve(node.size());
  for (const syntax_node& child : node) args.push_back(eval_expression(child, ns));
  return args;
}

template <class C>
expression_handle core<C>::eval_assign_expr(const syntax_node& node, nspace* ns) {
  // assign_expr -> or_expr (assign_op or_expr)*, grouped to the right: 'a = b += c' is a = (b += c)
  const syntax_node& kids = node;
  std::size_t i = kids.size() - 1;
  expression_handle result = eval_or_expr(kids.at(i), ns);
  while (i >= 2) {
    const syntax_node& op = kids[i - 1].at(0);
    expression_handle left = eval_or_expr(kids[i - 2], ns);
    switch (op.id()) {
      case rule::op_assign:
        result = make_binary<e_assign>(std::move(left), std::move(result));
        break;
      case rule::op_add_assign:
        result = make_binary<e_add_assign>(std::move(left), std::move(result));
        break;
      case rule::op_sub_assign:
        result = make_binary<e_sub_assign>(std::move(left), std::move(result));
        break;
      case rule::op_mul_assign:
        result = make_binary<e_mul_assign>(std::move(left), std::move(result));
        break;
      case rule::op_div_assign:
        result = make_binary<e_div_assign>(std::move(left), std::move(result));
        break;
      default:  // op_mod_assign
        result = make_binary<e_mod_assign>(std::move(left), std::move(result));
        break;
    }
    i -= 2;
  }
  return result;
}

template <class C>
expression_handle core<C>::eval_or_expr(const syntax_node& node, nspace* ns) {
  // or_expr -> and_expr ("||" and_expr)*
  const syntax_node& kids = node;
  expression_handle result = eval_and_expr(kids.at(0), ns);
  for (std::size_t i = 1; i < kids.size(); ++i)
    result = make_binary<e_or>(std::move(result), eval_and_expr(kids[i], ns));
  return result;
}

template <class C>
expression_handle core<C>::eval_and_expr(const syntax_node& node, nspace* ns) {
  // and_expr -> equality_expr ("&&" equality_expr)*
  const syntax_node& kids = node;
  expression_handle result = eval_equality_expr(kids.at(0), ns);
  for (std::size_t i = 1; i < kids.size(); ++i)
    result = make_binary<e_and>(std::move(result), eval_equality_expr(kids[i], ns));
  return result;
}

template <class C>
expression_handle core<C>::eval_equality_expr(const syntax_node& node, nspace* ns) {
  // equality_expr -> relational_expr ((op_eq / op_ne) relational_expr)*
  const syntax_node& kids = node;
  expression_handle result = eval_relational_expr(kids.at(0), ns);
  for (std::size_t i = 1; i + 1 < kids.size(); i += 2) {
    expression_handle right = eval_relational_expr(kids[i + 1], ns);
    result = kids[i].id() == rule::op_eq ? make_binary<e_equal>(std::move(result), std::move(right))
                                       : make_binary<e_nequal>(std::move(result), std::move(right));
  }
  return result;
}

template <class C>
expression_handle core<C>::eval_relational_expr(const syntax_node& node, nspace* ns) {
  // relational_expr -> additive_expr (relational_op additive_expr)*
  const syntax_node& kids = node;
  expression_handle result = eval_additive_expr(kids.at(0), ns);
  for (std::size_t i = 1; i + 1 < kids.size(); i += 2) {
    expression_handle right = eval_additive_expr(kids[i + 1], ns);
    switch (kids[i].at(0).id()) {
      case rule::op_gt:
        result = make_binary<e_gt>(std::move(result), std::move(right));
        break;
      case rule::op_lt:
        result = make_binary<e_lt>(std::move(result), std::move(right));
        break;
      case rule::op_ge:
        result = make_binary<e_gte>(std::move(result), std::move(right));
        break;
      default:  // op_le
        result = make_binary<e_lte>(std::move(result), std::move(right));
        break;
    }
  }
  return result;
}

template <class C>
expression_handle core<C>::eval_additive_expr(const syntax_node& node, nspace* ns) {
  // additive_expr -> multiplicative_expr ((op_plus / op_minus) multiplicative_expr)*
  const syntax_node& kids = node;
  expression_handle result = eval_multiplicative_expr(kids.at(0), ns);
  for (std::size_t i = 1; i + 1 < kids.size(); i += 2) {
    expression_handle right = eval_multiplicative_expr(kids[i + 1], ns);
    result = kids[i].id() == rule::op_plus ? make_binary<e_add>(std::move(result), std::move(right))
                                         : make_binary<e_sub>(std::move(result), std::move(right));
  }
  return result;
}

template <class C>
expression_handle core<C>::eval_multiplicative_expr(const syntax_node& node, nspace* ns) {
  // multiplicative_expr -> unary_expr ((op_mul / op_div / op_mod) unary_expr)*
  const syntax_node& kids = node;
  expression_handle result = eval_unary_expr(kids.at(0), ns);
  for (std::size_t i = 1; i + 1 < kids.size(); i += 2) {
    expression_handle right = eval_unary_expr(kids[i + 1], ns);
    switch (kids[i].id()) {
      case rule::op_mul:
        result = make_binary<e_mul>(std::move(result), std::move(right));
        break;
      case rule::op_div:
        result = make_binary<e_div>(std::move(result), std::move(right));
        break;
      default:  // op_mod
        result = make_binary<e_mod>(std::move(result), std::move(right));
        break;
    }
  }
  return result;
}

template <class C>
expression_handle core<C>::eval_unary_expr(const syntax_node& node, nspace* ns) {
  // unary_expr -> (op_inc / op_dec / op_not / op_minus)* member_expr
  // The leftmost operator is applied first: '-!x' is not(minus(x)).
  const syntax_node& kids = node;
  const std::size_t last = kids.size() - 1;
  expression_handle result = eval_member_expr(kids.at(last), ns);
  for (std::size_t i = 0; i < last; ++i) {
    switch (kids[i].id()) {
      case rule::op_inc:
        result = make_unary<e_preincr>(std::move(result));
        break;
      case rule::op_dec:
        result = make_unary<e_predecr>(std::move(result));
        break;
      case rule::op_not:
        result = make_unary<e_not>(std::move(result));
        break;
      default:  // op_minus
        result = make_unary<e_minus>(std::move(result));
        break;
    }
  }
  return result;
}

template <class C>
expression_handle core<C>::eval_member_expr(const syntax_node& node, nspace* ns) {
  // member_expr -> primary_expr ("." identifier arguments?)*
  const syntax_node& kids = node;
  expression_handle result = eval_primary_expr(kids.at(0), ns);
  std::size_t i = 1;
  while (i < kids.size()) {
    string_type name = identifier_text(kids[i]);
    if (i + 1 < kids.size() && kids[i + 1].id() == rule::arguments) {
      // An argument list that fails to compile is an error of the method call, never a member access.
      expression_list args = eval_arguments(kids[i + 1], ns);
      result = plang::node_memory::make<e_method>(std::move(result), std::move(name), std::move(args));
      i += 2;
    } else {
      result = plang::node_memory::make<e_member>(std::move(result), std::move(name));
      i += 1;
    }
  }
  return result;
}

template <class C>
expression_handle core<C>::eval_primary_expr(const syntax_node& node, nspace* ns) {
  // primary_expr -> kw_this / kw_true / kw_false / native_call / number_literal / string_literal
  //               / name_token arguments? / "(" expression ")"
  const syntax_node& first = node.at(0);
  switch (first.id()) {
    case rule::kw_true:
      return plang::node_memory::make<bool_constant>(true);
    case rule::kw_false:
      return plang::node_memory::make<bool_constant>(false);
    case rule::native_call:
      return eval_native_call(first, ns);
    case rule::number_literal:
      return eval_number_literal(first);
    case rule::string_literal:
      return eval_string_literal(first);
    case rule::kw_this:
      // No expression stands for the object itself.
      throw exception(source, "undefined", "plang::detail::semantic::core<wchar_t>::eval_primary_expr", 95);
    case rule::name_token: {
      const string_type& name = leaf_text(first);
      if (node.size() == 1) return plang::node_memory::make<e_variable>(name);
      // A type name called with arguments is a construction; the type must be known by now. Any other name
      // is a script function call.
      const std::uint32_t type = ns->ids().lookup(name);
      expression_list args = eval_arguments(node.at(1), ns);
      if (type != 0) return plang::node_memory::make<e_cast>(type, std::move(args));
      return plang::node_memory::make<e_function>(name, std::move(args));
    }
    default:  // a parenthesised expression
      return eval_expression(first, ns);
  }
}

template <class C>
expression_handle core<C>::eval_native_call(const syntax_node& node, nspace* ns) {
  // native_call -> "using" "::" identifier arguments
  return plang::node_memory::make<e_native>(identifier_text(node.at(0)), eval_arguments(node.at(1), ns));
}

template <class C>
expression_handle core<C>::eval_number_literal(const syntax_node& node) {
  // number_literal -> real_number float_suffix? / (hex_number / octal_number / decimal_number) unsigned_suffix?
  const syntax_node& number = node.at(0);
  const string_type& text = leaf_text(number);
  const bool suffix = node.size() > 1;
  if (number.id() == rule::real_number) {
    double value = 0;
    from_wstring<double>(text, value);
    if (suffix) return plang::node_memory::make<float_constant>(static_cast<float>(value));
    return plang::node_memory::make<double_constant>(value);
  }
  // An octal literal's digits may include 8 and 9; the reader stops at the first of them ('09' is 0).
  if (suffix) {
    unsigned int value = 0;
    if (number.id() == rule::hex_number)
      from_wstring_hex<unsigned int>(text, value);
    else if (number.id() == rule::octal_number)
      from_wstring_oct<unsigned int>(text, value);
    else
      from_wstring<unsigned int>(text, value);
    return plang::node_memory::make<unsigned_constant>(value);
  }
  int value = 0;
  if (number.id() == rule::hex_number)
    from_wstring_hex<int>(text, value);
  else if (number.id() == rule::octal_number)
    from_wstring_oct<int>(text, value);
  else
    from_wstring<int>(text, value);
  return plang::node_memory::make<int_constant>(value);
}

template <class C>
typename core<C>::string_type core<C>::unescape(const string_type& raw) {
  string_type out;
  out.reserve(raw.size());
  for (std::size_t i = 0; i < raw.size(); ++i) {
    C c = raw[i];
    // The grammar never ends a literal on a lone backslash, but a text handed in directly might.
    if (c == C('\\') && i + 1 < raw.size()) {
      c = raw[++i];
      if (c == C('n'))
        c = C('\n');
      else if (c == C('t'))
        c = C('\t');
    }
    out += c;
  }
  return out;
}

template <class C>
expression_handle core<C>::eval_string_literal(const syntax_node& node) {
  // string_literal -> dquote (backslash any / any - dquote)* dquote; the empty literal has no leaf
  if (node.empty()) return plang::node_memory::make<string_constant>(string_type());
  return plang::node_memory::make<string_constant>(unescape(string_type(node[0].text())));
}

template <class C>
std::uint32_t core<C>::eval_primitive_type(const syntax_node& node) {
  // primitive_type -> kw_bool / kw_int / kw_unsigned_int / kw_float / kw_double / kw_string / kw_nil / kw_ref
  //                 / kw_typeid / kw_bad_cast / kw_range_error
  namespace anchor = typeid_anchor;
  switch (node.at(0).id()) {
    case rule::kw_bool:
      return anchor::boolean;
    case rule::kw_int:
      return anchor::signed_int;
    case rule::kw_unsigned_int:
      return anchor::unsigned_int;
    case rule::kw_float:
      return anchor::real_float;
    case rule::kw_double:
      return anchor::real_double;
    case rule::kw_string:
      return anchor::string;
    case rule::kw_ref:
      return anchor::ref;
    case rule::kw_typeid:
      return anchor::typeid_;
    case rule::kw_bad_cast:
      return anchor::bad_cast;
    case rule::kw_range_error:
      return anchor::range_error;
    default:  // kw_nil
      return anchor::nil;
  }
}

template <class C>
std::uint32_t core<C>::eval_ex_type(const syntax_node& node) {
  // library_type -> kw_vector / kw_list / kw_hash / kw_timer
  switch (node.at(0).id()) {
    case rule::kw_vector:
      return typeid_anchor::vector;
    case rule::kw_list:
      return typeid_anchor::list;
    case rule::kw_hash:
      return typeid_anchor::hash;
    case rule::kw_timer:
      return typeid_anchor::timer;
    default:
      throw exception(source, "undefined", "plang::detail::semantic::core<wchar_t>::eval_ex_type", 110);
  }
}

template class core<wchar_t>;

}  // namespace plang::detail::semantic
