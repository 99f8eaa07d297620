// The guard of walks into nested values: describe, hash_into and same_value
// of the containers and of ref go into the values they hold, and a value can
// hold itself through a ref (a vector holding a ref to that vector). Each
// such operation enters a guard on its own value first; the walk stops where
// the value is already being walked further out (a cycle) or where it is
// `limit` values deep, or where the stack is nearly used up.
//
// Copies go into nested values as well (clone, and every value a container
// stores is a clone), and a copy can meet values nested deeper than the walk
// limit: swap builds such values without copying anything. copy_nesting
// counts the levels of a copy and refuses to go past the same limit.
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

// One level of a copy under way: the container being made or being filled.
// Raises plang::exception past nesting::limit levels, before anything is
// copied at that level, or when the stack is nearly used up.
class copy_nesting {
 public:
  copy_nesting();
  ~copy_nesting();
  copy_nesting(const copy_nesting&) = delete;
  copy_nesting& operator=(const copy_nesting&) = delete;
};

}  // namespace plang
