// The compile steps that every definition shares: names, type names, parameter lists, blocks and declarations.
#pragma once

#include <cstdint>
#include <string>

#include "plang/control.hpp"
#include "plang/expression/expression.hpp"
#include "plang/grammar.hpp"
#include "plang/table/definition.hpp"

namespace plang {

class nspace;

namespace detail::semantic {

// identifier -> name_token: the name's text.
std::wstring identifier_text(const syntax_node& identifier);

// type_name -> primitive_type / library_type / identifier. A class name must be registered already.
std::uint32_t eval_type(nspace* ns, const syntax_node& type_name);

// parameters -> "(" (parameter ("," parameter)*)? ")"
table::parameter_list eval_parameters(nspace* ns, const syntax_node& parameters);

// block -> "{" statement* "}": a compound statement of the compiled statements, in order.
boost::shared_ptr<control> eval_block(nspace* ns, const syntax_node& block);

// declaration -> type_name (declarator / ref_declarator) ("," (declarator / ref_declarator))* ";"
// An e_declare that runs the declarators in order.
expression_handle eval_declaration(nspace* ns, const syntax_node& declaration);

}  // namespace detail::semantic
}  // namespace plang
