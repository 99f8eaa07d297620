// The queue of handles that nested destructors leave to the outermost one.
#include "plang/release.hpp"

#include <vector>

namespace plang::release {
namespace {

// The queue of the outermost release under way on this thread, which owns
// it on its own stack; null when none is.
thread_local std::vector<boost::shared_ptr<void>>* queue = nullptr;

}  // namespace

bool draining() { return queue != nullptr; }

void defer(boost::shared_ptr<void>&& handle) {
  if (!handle) return;
  if (!handle.unique()) {
    handle.reset();
    return;
  }
  queue->push_back(std::move(handle));
}

void drain_after(void (*drop)(void*), void* owner) {
  std::vector<boost::shared_ptr<void>> pending;
  queue = &pending;
  drop(owner);
  while (!pending.empty()) {
    boost::shared_ptr<void> last = std::move(pending.back());
    pending.pop_back();
    last.reset();  // its destructor may queue more
  }
  queue = nullptr;
}

}  // namespace plang::release
