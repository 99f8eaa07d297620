// Inline definitions, keyed by name and the typeid signature of the
// parameters; expanded in place by the inline statement.
#pragma once

#include <string>

#include "plang/table/function.hpp"

namespace plang::table {

class inline_ {
 public:
  // Adds an inline body; an equal key keeps the first one and is an error.
  static void define(const parameter_list& parameters, inline_& table, const std::wstring& name,
                     const boost::shared_ptr<control>& body);

  // The definition that these arguments expand under the name, or null.
  const definition* find(const factor::vector& args, const std::wstring& name) const;

  std::size_t size() const { return definitions_.size(); }

 private:
  function::map definitions_;
};

}  // namespace plang::table
