// The guard of walks into nested values: describe, hash_into and same_value
// of the containers and of ref go into the values they hold, and a value can
// hold itself through a ref (a vector holding a ref to that vector). Each
// such operation enters a guard on its own value first; the walk stops where
// the value is already being walked further out (a cycle) or where it is
// `limit` values deep.
#pragma once

#include <cstddef>

namespace plang {

class factor;

class nesting {
 public:
  static constexpr std::size_t limit = 1000;

  explicit nesting(const factor& value);
  ~nesting();
  nesting(const nesting&) = delete;
  nesting& operator=(const nesting&) = delete;

  // True when the walk may go into the value. describe writes "..." when it
  // may not.
  bool entered() const { return state_ == entered_state; }

  // For hash_into and same_value, which have no stand-in result: raises
  // plang::exception unless the walk may go into the value.
  void require() const;

 private:
  enum state { entered_state, cycle_state, too_deep_state };
  state state_;
};

}  // namespace plang
