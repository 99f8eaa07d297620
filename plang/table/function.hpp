// Script functions, keyed by name and the typeid signature of the
// parameters, and the call that runs one to completion.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include <boost/container/small_vector.hpp>

#include "lib/hash.hpp"
#include "plang/factor/factor.hpp"
#include "plang/runtime.hpp"
#include "plang/table/definition.hpp"

namespace plang::table {

// True when the arguments' typeids are exactly the signature, in order.
bool signature_matches(const signature& types, const factor::vector& args);

class function {
 public:
  // The overloads of one name: few, so they are searched in order and a
  // lookup builds no signature.
  struct overload {
    signature types;
    definition def;
  };
  using overloads = boost::container::small_vector<overload, 1>;
  using map = lib::hash<std::wstring, overloads>;

  function();
  ~function();
  function(const function&) = delete;
  function& operator=(const function&) = delete;

  // Moves on at every definition and at every table made or destroyed: a
  // definition found in a table at one generation is still the one a search
  // of that table (at the same address) finds while the generation stays.
  static std::uint32_t generation() { return generation_.load(std::memory_order_acquire); }

  // Adds a function; an equal key keeps the first one and is an error.
  static void define(const parameter_list& parameters, std::uint32_t return_type, function& table,
                     const std::wstring& name, const boost::shared_ptr<control>& body);

  // The definition that these arguments call under the name, or null.
  const definition* find(const factor::vector& args, const std::wstring& name) const;
  // As above with the name's text hash already computed (lib::hash_text),
  // as a call node keeps it.
  const definition* find(const factor::vector& args, const std::wstring& name, std::uint32_t name_hash) const;
  // As above, giving the overload (its signature with its definition).
  const overload* find_overload(const factor::vector& args, const std::wstring& name, std::uint32_t name_hash) const;

  // Finds the function and runs it (a miss throws std::out_of_range
  // unchanged); the result is the return value converted to the declared
  // type, or nil when the body ends without a return.
  static void call(const function& table, const factor::vector& args, handle& result, const std::wstring& name,
                   runtime* rt);

  // Runs a found definition as `call` does.
  static void run(const definition& def, const factor::vector& args, handle& result, runtime* rt);

  std::size_t size() const { return definitions_.size(); }

 private:
  static void next_generation() { generation_.fetch_add(1, std::memory_order_acq_rel); }

  static std::atomic<std::uint32_t> generation_;
  map definitions_;
};

}  // namespace plang::table
