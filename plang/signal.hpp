// Control signals: return, script throw, break and continue travel as these
// exceptions, which derive from nothing so that handlers of std::exception
// never catch them. A return between scopes travels without a throw, in the
// flow record below.
#pragma once

#include <utility>

#include <boost/shared_ptr.hpp>

namespace plang {

class factor;
class control;

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

// A return reached by a statement that a scope steps directly is left here
// instead of thrown; every scope and block between it and the call it
// returns from passes it on by ending its step, which costs nothing like the
// unwinding of a throw. A statement stepped by anything other than a scope
// throws sig_return as before, so callers that know nothing of this record
// still see the throw.
struct flow {
  const control* stepped = nullptr;  // the statement the innermost running scope steps now
  bool returning = false;             // a return is on its way; take_return gives its value

  static flow& current();

  // True when `statement` is being stepped directly by a scope.
  static bool passes_return(const control* statement) { return current().stepped == statement; }
  void set_return(boost::shared_ptr<factor> v);
  boost::shared_ptr<factor> take_return();
};

// Trivially destructible and constant-initialised, so every access is a
// plain thread-local load; the returned value itself is kept in signal.cpp.
inline thread_local flow flow_of_thread;
inline flow& flow::current() { return flow_of_thread; }

}  // namespace plang
