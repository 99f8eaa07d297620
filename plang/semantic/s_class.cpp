// Class and function definitions.
#include "plang/semantic/s_class.hpp"

#include <algorithm>

#include <boost/make_shared.hpp>

#include "lib/string.hpp"
#include "plang/exception.hpp"
#include "plang/expression/initialiser.hpp"
#include "plang/expression/statements.hpp"
#include "plang/node_memory.hpp"
#include "plang/nspace.hpp"
#include "plang/object.hpp"
#include "plang/semantic/core.hpp"
#include "plang/semantic/definition_steps.hpp"
#include "plang/table/function.hpp"

namespace plang::detail::semantic {
namespace {
constexpr char source[] = "plang/semantic/s_class";
constexpr char constructor_text[] = "plang::detail::semantic::s_class<wchar_t>::eval_class_constructor";

// "int& r": the member's type name, "& " and its name.
std::string reference_text(object& cls, std::uint32_t type, const std::wstring& name) {
  return lib::string::to_narrow(cls.ids().find_str(type)) + "& " + lib::string::to_narrow(name);
}

// member_declaration -> type_name (ref_member / value_member) ("," (ref_member / value_member))* ";"
void eval_member_declaration(const syntax_node& node, object& cls) {
  const std::uint32_t type = eval_type(&cls, node.at(0));
  for (std::size_t i = 1; i < node.size(); ++i) {
    const syntax_node& declarator = node[i];
    cls.define_member({type, declarator.id() == rule::ref_member}, identifier_text(declarator.at(0)));
  }
}

// conversion_def -> "operator" primitive_type "(" ")" block. Conversions to a type that an instance cannot be
// converted to are compiled and dropped; a later conversion to one type replaces the earlier.
void eval_conversion_def(const syntax_node& node, object& cls) {
  const std::uint32_t target = core<wchar_t>::eval_primitive_type(node.at(0));
  boost::shared_ptr<control> body = eval_block(&cls, node.at(1));
  switch (target) {
    case typeid_anchor::boolean:
      return cls.set_conversion(object::to_bool, std::move(body));
    case typeid_anchor::signed_int:
      return cls.set_conversion(object::to_int, std::move(body));
    case typeid_anchor::unsigned_int:
      return cls.set_conversion(object::to_unsigned, std::move(body));
    case typeid_anchor::real_float:
      return cls.set_conversion(object::to_float, std::move(body));
    case typeid_anchor::real_double:
      return cls.set_conversion(object::to_double, std::move(body));
    case typeid_anchor::string:
      return cls.set_conversion(object::to_string, std::move(body));
    default:
      return;
  }
}

}  // namespace

template <class C>
void s_class<C>::eval_class_def(const syntax_node& node, nspace* ns) {
  try {
    object& cls = ns->define_object(identifier_text(node.at(0)));
    for (std::size_t i = 1; i < node.size(); ++i) {
      const syntax_node& part = node[i];
      if (part.id() == rule::base_clause) {
        cls.set_base(ns->find_typeid(identifier_text(part.at(0))));
        continue;
      }
      // class_body -> "{" (member_declaration / member_function)* "}": every member is known before any
      // constructor is compiled.
      for (const syntax_node& item : part) {
        if (item.id() == rule::member_declaration) eval_member_declaration(item, cls);
      }
      for (const syntax_node& item : part) {
        if (item.id() != rule::member_function) continue;
        // member_function -> class_constructor / operator_def / function_def
        const syntax_node& function = item.at(0);
        switch (function.id()) {
          case rule::class_constructor:
            eval_class_constructor(function, cls);
            break;
          case rule::operator_def:
            eval_conversion_def(function.at(0), cls);
            break;
          default:
            eval_function_def(function, &cls);
            break;
        }
      }
    }
  } catch (const std::exception& cause) {
    throw exception(source, "catch exception", "plang::detail::semantic::s_class<wchar_t>::eval_class_def", 39)
        .chain_cause(cause);
  }
}

template <class C>
void s_class<C>::eval_function_def(const syntax_node& node, nspace* target) {
  try {
    const std::uint32_t return_type = eval_type(target, node.at(0));
    const std::wstring& name = identifier_text(node.at(1));
    const table::parameter_list parameters = eval_parameters(target, node.at(2));
    const boost::shared_ptr<control> body = eval_block(target, node.at(3));
    table::function::define(parameters, return_type, target->functions(), name, body);
  } catch (const std::exception& cause) {
    throw exception(source, "catch exception", "plang::detail::semantic::s_class<wchar_t>::eval_function_def", 185)
        .chain_cause(cause);
  }
}

template <class C>
void s_class<C>::eval_class_constructor(const syntax_node& node, object& cls) {
  const syntax_node& kids = node;
  const std::wstring& name = identifier_text(kids.at(0));
  const table::parameter_list parameters = eval_parameters(&cls, kids.at(1));
  std::vector<std::wstring> listed;
  std::vector<expression_list> arguments;
  if (kids.size() == 4) eval_constructor_list(kids[2], cls, listed, arguments);
  const boost::shared_ptr<control> body = eval_block(&cls, kids.back());

  const std::wstring base_name = cls.base_type() ? cls.ids().find_str(cls.base_type()) : std::wstring();
  bool base_listed = false;
  object::member_table unnamed = cls.members();
  for (const std::wstring& n : listed) {
    if (!base_name.empty() && n == base_name) {
      base_listed = true;
      continue;
    }
    auto it = std::find_if(unnamed.begin(), unnamed.end(), [&](const object::member_entry& m) { return m.name == n; });
    if (it == unnamed.end()) throw exception(source, "undefined id, id=", constructor_text, 114).append_detail(n);
    unnamed.erase(it);
  }

  // Members the list does not name, default-constructed in declaration order; then the base part unless the
  // list names it; then the list's entries as written. The body runs last.
  expression_list initialisers;
  for (const object::member_entry& m : unnamed) {
    if (m.type.reference) {
      throw_exception(source, "uninitialized refference, " + reference_text(cls, m.type.type, m.name),
                      constructor_text, 122);
    }
    initialisers.push_back(plang::node_memory::make<e_declare_member>(m.name, m.type.type, expression_list()));
  }
  if (cls.base_type() && !base_listed) initialisers.push_back(plang::node_memory::make<e_base>(expression_list()));
  for (std::size_t i = 0; i < listed.size(); ++i) {
    const std::wstring& n = listed[i];
    if (base_listed && n == base_name) {
      initialisers.push_back(plang::node_memory::make<e_base>(std::move(arguments[i])));
      continue;
    }
    const object::member_entry& m =
        *std::find_if(cls.members().begin(), cls.members().end(), [&](const object::member_entry& e) { return e.name == n; });
    if (m.type.reference) {
      if (arguments[i].size() != 1) {
        throw_exception(source,
                        "invalid argument count of refference constructor, " + reference_text(cls, m.type.type, n),
                        constructor_text, 148);
      }
      initialisers.push_back(plang::node_memory::make<e_ref_member>(n, m.type.type, arguments[i][0]));
    } else {
      initialisers.push_back(plang::node_memory::make<e_declare_member>(n, m.type.type, std::move(arguments[i])));
    }
  }
  cls.define_constructor(parameters, name, plang::node_memory::make<c_constructor>(std::move(initialisers), body));
}

template <class C>
void s_class<C>::eval_constructor_list(const syntax_node& node, object& cls, std::vector<std::wstring>& names,
                                       std::vector<expression_list>& arguments) {
  const syntax_node& kids = node;
  for (std::size_t i = 0; i + 1 < kids.size(); i += 2) {
    const std::wstring& name = identifier_text(kids[i]);
    if (std::find(names.begin(), names.end(), name) != names.end()) {
      throw exception(source, "invalid constructor list, id=",
                      "plang::detail::semantic::s_class<wchar_t>::eval_constructor_list", 169)
          .append_detail(name);
    }
    names.push_back(name);
    arguments.push_back(core<C>::eval_arguments(kids[i + 1], &cls));
  }
}

template class s_class<wchar_t>;

}  // namespace plang::detail::semantic
