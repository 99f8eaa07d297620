// Catch handlers of one try statement, keyed by the typeid signature of
// their parameter list; the empty signature catches everything.
#pragma once

#include <cstddef>

#include "lib/hash.hpp"
#include "plang/factor/factor.hpp"
#include "plang/table/definition.hpp"

namespace plang::table {

// Key hash of signature-keyed tables: the signature from seed 0.
struct signature_hash {
  std::size_t operator()(const signature& s) const {
    std::uint32_t seed = 0;
    hash_signature(s, seed);
    return seed;
  }
};
struct signature_equal {
  bool operator()(const signature& a, const signature& b) const { return same_signature(a, b); }
};

class except {
 public:
  using map = lib::hash<signature, definition, signature_hash, signature_equal>;

  // Adds a handler; two handlers of one signature are an error.
  void define(const parameter_list& parameters, const boost::shared_ptr<control>& body);

  // The handler of exactly this signature, or null.
  const definition* find(const signature& types) const;

  bool empty() const { return handlers_.empty(); }

  const map& handlers() const { return handlers_; }

 private:
  map handlers_;
};

// True when the table holds the signature of the arguments.
template <class Table>
bool has_signature(const Table& table, const factor::vector& args) {
  return !table.empty() && table.find(signature_of(args)) != nullptr;
}

}  // namespace plang::table
