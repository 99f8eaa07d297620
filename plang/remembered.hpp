// What a call node remembers from its last resolution: an immutable record
// published through an atomic pointer, since nodes may be shared between
// threads. Records live as long as the node; after `max_records` refills the
// node stops remembering and every call takes the full search.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

namespace plang {

template <class Record>
class remembered {
 public:
  static constexpr std::size_t max_records = 8;

  remembered() = default;
  remembered(const remembered&) = delete;
  remembered& operator=(const remembered&) = delete;

  // The last record kept, or null.
  const Record* get() const { return current_.load(std::memory_order_acquire); }

  void keep(const Record& record) const {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (records_.size() >= max_records) return;
    records_.push_back(std::make_unique<Record>(record));
    current_.store(records_.back().get(), std::memory_order_release);
  }

 private:
  mutable std::atomic<const Record*> current_{nullptr};
  mutable std::mutex mutex_;
  mutable std::vector<std::unique_ptr<const Record>> records_;
};

}  // namespace plang
