// Definitions of processes, functions, inline bodies and catch handlers, and
// their activation with arguments.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <boost/container/small_vector.hpp>
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
    bool repeated = false;  // an earlier parameter has the same name: declared, so the call raises the duplicate error
    const std::wstring* key = nullptr;  // the name interned (intern): a table entry refers to it, never copies it
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
// made itself (a call keeps it on its own stack). The scope's table is
// fresh, so parameters of distinct names are added by position without the
// search of a declaration.
void bind_parameters(const definition& def, const factor::vector& args, scope& activation);

// The raw values of the arguments a call's parameters took over.
class taken_arguments {
 public:
  // Puts every taken argument back to the value it had when it was taken,
  // so that a failed call describes the arguments it was given.
  void restore() const;
  // `type` is the value's typeid.
  void keep(factor& value, std::uint32_t type);

 private:
  struct saved {
    factor* value;
    std::uint32_t type;
    union {
      int i;
      unsigned int u;
      bool b;
      float f;
      double d;
    };
  };
  boost::container::small_vector<saved, 2> saved_;
};

// As above for a call that runs to completion while `args` stays alive: a
// by-value parameter takes over an argument of a built-in scalar type that
// nothing but `args` holds (a temporary) instead of cloning it; `taken`
// keeps its value for `restore`.
void bind_parameters(const definition& def, const factor::vector& args, scope& activation, taken_arguments& taken);

// "arguments(type(T1) a, type(T2) b)"; the reference flags do not appear.
std::string describe_parameters(const parameter_list& parameters);

}  // namespace plang::table
