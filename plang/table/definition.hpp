// Definitions of processes, functions, inline bodies and catch handlers, and
// their activation with arguments.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <boost/shared_ptr.hpp>

#include "plang/control.hpp"
#include "plang/factor/factor.hpp"
#include "plang/runtime.hpp"

namespace plang {
class scope;
}

namespace plang::table {

// A parameter as the compiler reads it; the typeids form the table key.
struct parameter {
  bool reference;
  std::uint32_t type;
  std::wstring name;
};
using parameter_list = std::vector<parameter>;

// A stored definition: the body is a template that every activation clones.
struct definition {
  struct binding {
    bool reference;
    std::wstring name;
  };

  boost::shared_ptr<control> body;
  std::vector<binding> parameters;
  std::uint32_t return_type = 0;  // functions only
};

// The signature of a parameter list: its typeids in order.
signature parameter_signature(const parameter_list& parameters);

// The stored form of a parameter list: reference flags and names.
std::vector<definition::binding> bindings_of(const parameter_list& parameters);

// A new scope over a clone of the body, its outer table the runtime's
// variables, with parameter i declared as argument i: by-reference
// parameters share the argument's value object, the others get a clone.
// Nothing is stepped.
boost::shared_ptr<scope> activate(const definition& def, const factor::vector& args, runtime* rt);

// The declarations of `activate` into a scope over the body that the caller
// made itself (a call keeps it on its own stack).
void bind_parameters(const definition& def, const factor::vector& args, scope& activation);

// "arguments(type(T1) a, type(T2) b)"; the reference flags do not appear.
std::string describe_parameters(const parameter_list& parameters);

}  // namespace plang::table
