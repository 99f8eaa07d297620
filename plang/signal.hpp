// Control signals: return, script throw, break and continue travel as these
// exceptions, which derive from nothing so that handlers of std::exception
// never catch them.
#pragma once

#include <utility>

#include <boost/shared_ptr.hpp>

namespace plang {

class factor;

// The returned value.
struct sig_return {
  explicit sig_return(boost::shared_ptr<factor> v) : value(std::move(v)) {}
  boost::shared_ptr<factor> value;
};

// The thrown script value (a bad_cast or range_error value, or whatever a
// script throws).
struct sig_throw {
  explicit sig_throw(boost::shared_ptr<factor> v) : value(std::move(v)) {}
  boost::shared_ptr<factor> value;
};

struct sig_break {};
struct sig_continue {};

}  // namespace plang
