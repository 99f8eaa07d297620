// One step of a script process, and the control signals that must not leave it.
#include "plang/process.hpp"

#include "plang/exception.hpp"
#include "plang/factor/factor.hpp"
#include "plang/factor/process_.hpp"
#include "plang/nspace.hpp"
#include "plang/scope.hpp"
#include "plang/signal.hpp"

namespace plang {
namespace {
constexpr char source[] = "plang/process";
constexpr char run_function[] = "plang::process<wchar_t>::run";
}  // namespace

process::process(std::uint32_t pid, boost::shared_ptr<scope> body, nspace* root)
    : pid_(pid),
      identity_(process_identities().acquire()),
      body_(std::move(body)),
      runtime_{&root->variables(), root},
      frames_(body_.get()) {}

process::~process() { process_identities().release(identity_); }

void process::unexpected_return(const sig_return& s) {
  throw exception(source, "catch unexpected return " + s.value->describe(), run_function, 34);
}

void process::unexpected_throw(const sig_throw& s) {
  throw exception(source, "catch unexpected throw " + s.value->describe(), run_function, 37);
}

// Break and continue outside every loop: reported like the other two, so no
// signal ever leaves the scheduling pass.
void process::unexpected_break() { throw exception(source, "catch unexpected break", run_function, 40); }

void process::unexpected_continue() { throw exception(source, "catch unexpected continue", run_function, 43); }

}  // namespace plang
