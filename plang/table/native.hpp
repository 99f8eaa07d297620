// Host functions: callables of the host program that scripts reach by id.
#pragma once

#include <string>

#include <boost/function.hpp>

#include "lib/hash.hpp"
#include "plang/factor/factor.hpp"

namespace plang::table {

class native {
 public:
  using callable = boost::function<handle(factor::vector&)>;
  using map = lib::hash<std::wstring, callable>;

  // Adds the host function; an id defined already keeps its first callable
  // and is an error.
  void define(const std::wstring& id, const callable& f);

  // The callable of the id; a missing id throws std::out_of_range.
  const callable& at(const std::wstring& id) const { return functions_.at(id); }

  std::size_t size() const { return functions_.size(); }

 private:
  map functions_;
};

}  // namespace plang::table
