// The flow record of the running thread.
#include "plang/signal.hpp"

namespace plang {

namespace {
thread_local flow record;
}  // namespace

flow& flow::current() { return record; }

}  // namespace plang
