// A script process: the activation of a process definition, stepped once per
// scheduling pass.
#pragma once

#include <cstdint>

#include <boost/shared_ptr.hpp>

#include "plang/runtime.hpp"
#include "plang/scope.hpp"
#include "plang/signal.hpp"

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
  // break or continue that leaves the body becomes an error. Inline, so that
  // the scheduling pass calls the frame stack's pass directly.
  bool run() {
    try {
      return frames_.pass(&runtime_);
    } catch (const sig_return& s) {
      unexpected_return(s);
    } catch (const sig_throw& s) {
      unexpected_throw(s);
    } catch (const sig_break&) {
      unexpected_break();
    } catch (const sig_continue&) {
      unexpected_continue();
    }
  }

  // The typeid of the process name; shared by all processes of one name.
  std::uint32_t pid() const { return pid_; }
  const boost::shared_ptr<scope>& body() const { return body_; }
  // Unique among the records alive at one time (process_identities).
  std::uint32_t identity() const { return identity_; }

 private:
  // The errors of the signals that left the body.
  [[noreturn]] static void unexpected_return(const sig_return& s);
  [[noreturn]] static void unexpected_throw(const sig_throw& s);
  [[noreturn]] static void unexpected_break();
  [[noreturn]] static void unexpected_continue();

  std::uint32_t pid_;
  std::uint32_t identity_;
  boost::shared_ptr<scope> body_;
  runtime runtime_;
  frame_stack frames_;  // the body's running scopes
};

}  // namespace plang
