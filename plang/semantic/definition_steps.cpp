// Names, type names, parameter lists, blocks and declarations, as every definition compiles them.
#include "plang/semantic/definition_steps.hpp"

#include <boost/make_shared.hpp>

#include "plang/expression/declare.hpp"
#include "plang/expression/statements.hpp"
#include "plang/node_memory.hpp"
#include "plang/nspace.hpp"
#include "plang/semantic/core.hpp"
#include "plang/semantic/s_statement.hpp"

namespace plang::detail::semantic {

std::wstring identifier_text(const syntax_node& identifier) {
  return std::wstring(identifier.at(0).at(0).text());
}

std::uint32_t eval_type(nspace* ns, const syntax_node& type_name) {
  const syntax_node& type = type_name.at(0);
  switch (type.id()) {
    case rule::primitive_type:
      return core<wchar_t>::eval_primitive_type(type);
    case rule::library_type:
      return core<wchar_t>::eval_ex_type(type);
    default:  // identifier
      return ns->find_typeid(identifier_text(type));
  }
}

table::parameter_list eval_parameters(nspace* ns, const syntax_node& parameters) {
  // parameter -> type_name ("&" / ws+) identifier
  table::parameter_list list;
  list.reserve(parameters.size());
  for (const syntax_node& p : parameters) {
    const std::uint32_t type = eval_type(ns, p.at(0));
    const bool reference = p.size() == 3;
    list.push_back(table::parameter{reference, type, identifier_text(p.at(reference ? 2 : 1))});
  }
  return list;
}

boost::shared_ptr<control> eval_block(nspace* ns, const syntax_node& block) {
  control_list statements;
  statements.reserve(block.size());
  for (const syntax_node& s : block) statements.push_back(s_statement<wchar_t>::eval_statement(s, ns));
  return plang::node_memory::make<c_compound>(std::move(statements));
}

expression_handle eval_declaration(nspace* ns, const syntax_node& declaration) {
  const syntax_node& kids = declaration;
  const std::uint32_t type = eval_type(ns, kids.at(0));
  expression_list declarators(kids.size() - 1);
  for (std::size_t i = 1; i < kids.size(); ++i) {
    declarators[i - 1] = kids[i].id() == rule::declarator ? s_statement<wchar_t>::eval_declarator(kids[i], type, ns)
                                                        : s_statement<wchar_t>::eval_ref_declarator(kids[i], type, ns);
  }
  return plang::node_memory::make<e_declare>(std::move(declarators));
}

}  // namespace plang::detail::semantic
