// Releasing nested values and expression trees without recursion on the
// host stack: a value can hold values nested a hundred thousand deep (built
// with swap in linear time), and an operator chain compiles to a tree as
// deep as the chain, so releasing the outermost one would otherwise run one
// destructor inside the other all the way down.
#pragma once

#include <utility>

#include <boost/shared_ptr.hpp>

namespace plang::release {

// True while a release further out on this thread drains its queue: a
// destructor then hands its handles to `defer` instead of dropping them.
bool draining();

// Queues a handle for the draining release. A handle that is not the last
// one of its object is dropped at once: that release runs no destructor.
void defer(boost::shared_ptr<void>&& handle);

// The outermost release: `drop(owner)` releases the handles the destructor
// owns, then everything they queued is released, one at a time, until
// nothing is left.
void drain_after(void (*drop)(void*), void* owner);

// For a destructor whose object holds the handles in a range.
template <class Range>
void range(Range& handles) {
  if (draining()) {
    for (auto& h : handles) defer(std::move(h));
    return;
  }
  drain_after([](void* r) { static_cast<Range*>(r)->clear(); }, &handles);
}

// For a destructor whose object holds the handles in members of its own.
template <class... Handles>
void each(Handles&... handles) {
  if (draining()) {
    (defer(std::move(handles)), ...);
    return;
  }
  auto drop = [&] { (handles.reset(), ...); };
  drain_after([](void* f) { (*static_cast<decltype(drop)*>(f))(); }, &drop);
}

}  // namespace plang::release
