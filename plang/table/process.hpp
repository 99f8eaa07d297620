// Process definitions, keyed by the typeid signature of the parameters and
// the process's pid.
#pragma once

#include <cstddef>
#include <cstdint>

#include "lib/hash.hpp"
#include "plang/factor/factor.hpp"
#include "plang/table/definition.hpp"

namespace plang::table {

class process {
 public:
  struct key {
    signature types;
    std::uint32_t pid;
  };
  struct key_hash {
    std::size_t operator()(const key& k) const;  // seed pid + 0x9e3779b9, then the signature
  };
  struct key_equal {
    bool operator()(const key& a, const key& b) const;
  };
  using map = lib::hash<key, definition, key_hash, key_equal>;

  // Adds a definition; an equal key keeps the first one and is an error.
  static void define(const parameter_list& parameters, process& table, std::uint32_t pid,
                     const boost::shared_ptr<control>& body);

  // The definition that arguments of this signature activate, or null.
  const definition* find(signature types, std::uint32_t pid) const;

  std::size_t size() const { return definitions_.size(); }

 private:
  map definitions_;
};

}  // namespace plang::table
