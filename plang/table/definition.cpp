// Activation of definitions and the texts of parameter lists.
#include "plang/table/definition.hpp"

#include <boost/make_shared.hpp>

#include "lib/string.hpp"
#include "plang/convert.hpp"
#include "plang/factor/boolean.hpp"
#include "plang/factor/real.hpp"
#include "plang/factor/signed_.hpp"
#include "plang/factor/unsigned_.hpp"
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
  for (const parameter& p : parameters) {
    bool repeated = false;
    for (const definition::binding& b : bindings) repeated = repeated || b.name == p.name;
    bindings.push_back({p.reference, p.name, repeated, intern(p.name)});
  }
  return bindings;
}

boost::shared_ptr<scope> activate(const definition& def, const factor::vector& args, runtime* rt) {
  auto activation = boost::make_shared<scope>(rt->variables, def.body);
  bind_parameters(def, args, *activation);
  return activation;
}

namespace {

// The built-in scalar types, whose clone is a plain copy of the value.
bool scalar_type(std::uint32_t type) {
  switch (type) {
    case typeid_anchor::signed_int:
    case typeid_anchor::unsigned_int:
    case typeid_anchor::boolean:
    case typeid_anchor::real_float:
    case typeid_anchor::real_double:
      return true;
    default:
      return false;
  }
}

void bind(const definition& def, const factor::vector& args, scope& activation, taken_arguments* taken) {
  variable& vars = activation.variables();
  // A definition is found only by arguments of its own signature, so the
  // counts agree; the bounds-checked index guards the invariant.
  const bool fresh = vars.empty() && def.parameters.size() <= variable::linear_limit;
  for (std::size_t i = 0; i < def.parameters.size(); ++i) {
    const definition::binding& p = def.parameters[i];
    const handle& arg = args[i];
    handle value;
    std::uint32_t type;
    if (p.reference) {
      value = arg;
    } else if (taken && arg.use_count() == 1 && scalar_type(type = arg->get_typeid())) {
      taken->keep(*arg, type);
      value = arg;
    } else {
      value = arg->clone();
    }
    // A binding made by hand rather than by bindings_of has no key yet.
    const name_key key = p.key ? p.key : intern(p.name);
    if (fresh && !p.repeated) {
      vars.append(key, std::move(value));
    } else {
      vars.declare(key, std::move(value));
    }
  }
}

}  // namespace

void bind_parameters(const definition& def, const factor::vector& args, scope& activation) {
  bind(def, args, activation, nullptr);
}

void bind_parameters(const definition& def, const factor::vector& args, scope& activation, taken_arguments& taken) {
  bind(def, args, activation, &taken);
}

void taken_arguments::keep(factor& value, std::uint32_t type) {
  saved s;
  s.value = &value;
  s.type = type;
  switch (s.type) {
    case typeid_anchor::signed_int:
      s.i = static_cast<signed_<int>&>(value).value;
      break;
    case typeid_anchor::unsigned_int:
      s.u = static_cast<unsigned_<unsigned int>&>(value).value;
      break;
    case typeid_anchor::boolean:
      s.b = static_cast<boolean&>(value).value;
      break;
    case typeid_anchor::real_float:
      s.f = static_cast<real<float>&>(value).value;
      break;
    default:
      s.d = static_cast<real<double>&>(value).value;
      break;
  }
  saved_.push_back(s);
}

void taken_arguments::restore() const {
  for (const saved& s : saved_) {
    switch (s.type) {
      case typeid_anchor::signed_int:
        static_cast<signed_<int>&>(*s.value).value = s.i;
        break;
      case typeid_anchor::unsigned_int:
        static_cast<unsigned_<unsigned int>&>(*s.value).value = s.u;
        break;
      case typeid_anchor::boolean:
        static_cast<boolean&>(*s.value).value = s.b;
        break;
      case typeid_anchor::real_float:
        static_cast<real<float>&>(*s.value).value = s.f;
        break;
      default:
        static_cast<real<double>&>(*s.value).value = s.d;
        break;
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
