// The statement node: stepped once per scheduling pass by the scope that
// holds it; the compiled nodes are templates that only ever get cloned.
#pragma once

#include <boost/shared_ptr.hpp>

#include "plang/runtime.hpp"

namespace plang {

// Nodes are always created into a boost::shared_ptr of their own class,
// which destroys them; hence no virtual destructor.
class control {
 public:
  // True when the statement has more to do and must be stepped again.
  virtual bool step(runtime* rt) = 0;
  // A copy of the node without activation state.
  virtual boost::shared_ptr<control> clone() const = 0;

 protected:
  control() = default;
  control(const control&) = default;
  control& operator=(const control&) = default;
  ~control() = default;
};

}  // namespace plang
