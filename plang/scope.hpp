// The activation record of a statement list: its own variables and the
// statements still to run, stepped front first.
#pragma once

#include <cstddef>

#include <boost/container/small_vector.hpp>
#include <boost/shared_ptr.hpp>

#include "plang/control.hpp"
#include "plang/runtime.hpp"
#include "plang/table/variable.hpp"

namespace plang {

class scope {
 public:
  // One statement: the activation of a definition, or the body of an if,
  // a while or a try.
  scope(table::variable* outer, const boost::shared_ptr<control>& statement) : variables_(outer) {
    controls_.push_back(statement->clone());
  }
  // A statement list, as a block holds it: clones of all, in order.
  template <class It>
  scope(table::variable* outer, It first, It last) : variables_(outer) {
    for (; first != last; ++first) controls_.push_back((*first)->clone());
  }
  scope(const scope&) = delete;
  scope& operator=(const scope&) = delete;

  // Steps the front statement once with this scope's variables and the
  // caller's namespace; a statement that finishes is dropped in the same
  // call. True while statements remain.
  bool step(runtime* rt);

  // No statements left.
  bool empty() const { return front_ == controls_.size(); }

  table::variable& variables() { return variables_; }

 private:
  table::variable variables_;
  // Finished statements are released in place; `front_` is the first live one.
  boost::container::small_vector<boost::shared_ptr<control>, 1> controls_;
  std::size_t front_ = 0;
};

}  // namespace plang
