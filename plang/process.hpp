// A script process: the activation of a process definition, stepped once per
// scheduling pass.
#pragma once

#include <cstdint>

#include <boost/shared_ptr.hpp>

#include "plang/runtime.hpp"
#include "plang/scope.hpp"

namespace plang {

class process {
 public:
  // The body runs with the root's variables outside its own and the root as
  // its namespace.
  process(std::uint32_t pid, boost::shared_ptr<scope> body, nspace* root);
  ~process();
  process(const process&) = delete;
  process& operator=(const process&) = delete;

  // Steps the body once; true while it has statements left. A return, throw,
  // break or continue that leaves the body becomes an error.
  bool run();

  // The typeid of the process name; shared by all processes of one name.
  std::uint32_t pid() const { return pid_; }
  const boost::shared_ptr<scope>& body() const { return body_; }
  // Unique among the records alive at one time (process_identities).
  std::uint32_t identity() const { return identity_; }

 private:
  std::uint32_t pid_;
  std::uint32_t identity_;
  boost::shared_ptr<scope> body_;
  runtime runtime_;
  frame_stack frames_;  // the body's running scopes
};

}  // namespace plang
