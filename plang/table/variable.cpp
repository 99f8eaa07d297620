// Variable tables: declaration at one level, lookup at one level.
#include "plang/table/variable.hpp"

#include <mutex>
#include <unordered_set>
#include <utility>

#include "plang/exception.hpp"

namespace plang::table {
namespace {

// Names are short: the length and the first character settle most
// mismatches without a call.
bool same_name(const std::wstring& a, const std::wstring& b) {
  const std::size_t n = a.size();
  if (n != b.size()) return false;
  if (n == 0) return true;
  const wchar_t* x = a.data();
  const wchar_t* y = b.data();
  if (x[0] != y[0]) return false;
  for (std::size_t i = 1; i < n; ++i) {
    if (x[i] != y[i]) return false;
  }
  return true;
}

}  // namespace

name_key intern(const std::wstring& name) {
  // A thread's names seen last, by a cheap hash of the name: a compile
  // interns the same few names over and over, and a hit takes no lock.
  // The texts are never freed, so a kept one stays good.
  constexpr std::size_t recent_size = 64;
  thread_local name_key recent[recent_size] = {};
  const std::size_t n = name.size();
  const std::size_t slot = (n * 31 + (n ? std::size_t(name[0]) * 7 + std::size_t(name[n - 1]) : 0)) % recent_size;
  if (const name_key seen = recent[slot]; seen && same_name(*seen, name)) return seen;
  // Never freed: entries of tables that outlive every other static may
  // still point at their names.
  static std::mutex* const lock = new std::mutex;
  static auto* const texts = new std::unordered_set<std::wstring>;
  const std::lock_guard<std::mutex> held(*lock);
  return recent[slot] = &*texts->insert(name).first;
}

template <class Value>
const handle& variable::add(name_key name, Value&& value) {
  if (find(name)) {
    throw exception("plang/table/variable", "variable already exists, id=", "plang::table::variable<wchar_t>::declare",
                    22)
        .append_detail(*name)
        .append_detail(" value=" + value->describe());
  }
  const auto position = static_cast<std::uint32_t>(entries_.size());
  entries_.push_back(entry{name, std::forward<Value>(value)});
  if (index_) {
    index_->emplace(name, position);
  } else if (entries_.size() > linear_limit) {
    index_ = std::make_unique<lib::hash<name_key, std::uint32_t, key_hash>>();
    index_->reserve(entries_.size() * 2);
    for (std::uint32_t i = 0; i < entries_.size(); ++i) index_->emplace(entries_[i].name, i);
  }
  return entries_.back().value;
}

template const handle& variable::add<const handle&>(name_key, const handle&);
template const handle& variable::add<handle>(name_key, handle&&);

handle* variable::find_indexed(name_key name, std::size_t& position) {
  auto it = index_->find(name);
  if (it == index_->end()) return nullptr;
  position = it->second;
  return &entries_[position].value;
}

handle* variable::find(const std::wstring& name) {
  if (index_) return find(intern(name));
  for (entry& e : entries_) {
    if (same_name(*e.name, name)) return &e.value;
  }
  return nullptr;
}

}  // namespace plang::table
