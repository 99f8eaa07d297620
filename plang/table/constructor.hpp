// The constructors of one class, keyed by the typeid signature of their
// parameter lists; the reference flags take no part in the key.
#pragma once

#include "lib/hash.hpp"
#include "plang/table/except.hpp"

namespace plang::table {

class constructor {
 public:
  using map = lib::hash<signature, definition, signature_hash, signature_equal>;

  // Adds a constructor; two of one signature are an error, whatever their
  // reference flags.
  void define(const parameter_list& parameters, const boost::shared_ptr<control>& body);

  // The constructor of exactly this signature, or null.
  const definition* find(const signature& types) const;
  // The constructor that these arguments select, or null.
  const definition* find(const factor::vector& args) const;

  bool empty() const { return constructors_.empty(); }
  std::size_t size() const { return constructors_.size(); }

 private:
  map constructors_;
};

}  // namespace plang::table
