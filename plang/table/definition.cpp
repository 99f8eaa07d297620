// Activation of definitions and the texts of parameter lists.
#include "plang/table/definition.hpp"

#include <boost/make_shared.hpp>

#include "lib/string.hpp"
#include "plang/convert.hpp"
#include "plang/scope.hpp"

namespace plang::table {

signature parameter_signature(const parameter_list& parameters) {
  signature sig;
  sig.reserve(parameters.size());
  for (const parameter& p : parameters) sig.push_back(p.type);
  return sig;
}

std::vector<definition::binding> bindings_of(const parameter_list& parameters) {
  std::vector<definition::binding> bindings;
  bindings.reserve(parameters.size());
  for (const parameter& p : parameters) bindings.push_back({p.reference, p.name});
  return bindings;
}

boost::shared_ptr<scope> activate(const definition& def, const factor::vector& args, runtime* rt) {
  auto activation = boost::make_shared<scope>(rt->variables, def.body);
  bind_parameters(def, args, *activation);
  return activation;
}

void bind_parameters(const definition& def, const factor::vector& args, scope& activation) {
  variable& vars = activation.variables();
  // A definition is found only by arguments of its own signature, so the
  // counts agree; the bounds-checked index guards the invariant.
  for (std::size_t i = 0; i < def.parameters.size(); ++i) {
    const definition::binding& p = def.parameters[i];
    const handle& arg = args[i];
    if (p.reference) {
      vars.declare(p.name, arg);
    } else {
      vars.declare(p.name, arg->clone());
    }
  }
}

std::string describe_parameters(const parameter_list& parameters) {
  std::string text = "arguments(";
  std::string number;
  std::string name;
  for (std::size_t i = 0; i < parameters.size(); ++i) {
    if (i) text += ", ";
    to_string_into<unsigned int>(parameters[i].type, number);
    lib::string::convert_into<std::string, std::wstring>(parameters[i].name, name);
    text += "type(";
    text += number;
    text += ") ";
    text += name;
  }
  text += ')';
  return text;
}

}  // namespace plang::table
