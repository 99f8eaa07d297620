// Variable tables: declaration at one level, lookup at one level.
#include "plang/table/variable.hpp"

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

const handle& variable::declare(const std::wstring& name, const handle& value) { return add(name, value); }
const handle& variable::declare(const std::wstring& name, handle&& value) { return add(name, std::move(value)); }

template <class Value>
const handle& variable::add(const std::wstring& name, Value&& value) {
  if (find(name)) {
    throw exception("plang/table/variable", "variable already exists, id=", "plang::table::variable<wchar_t>::declare",
                    22)
        .append_detail(name)
        .append_detail(" value=" + value->describe());
  }
  const auto position = static_cast<std::uint32_t>(entries_.size());
  entries_.push_back(entry{name, std::forward<Value>(value)});
  if (index_) {
    index_->emplace(name, position);
  } else if (entries_.size() > linear_limit) {
    index_ = std::make_unique<lib::hash<std::wstring, std::uint32_t>>();
    index_->reserve(entries_.size() * 2);
    for (std::uint32_t i = 0; i < entries_.size(); ++i) index_->emplace(entries_[i].name, i);
  }
  return entries_.back().value;
}

handle* variable::find(const std::wstring& name) {
  std::size_t position;
  return find(name, position);
}

handle* variable::find(const std::wstring& name, std::size_t& position) {
  if (index_) {
    auto it = index_->find(name);
    if (it == index_->end()) return nullptr;
    position = it->second;
    return &entries_[position].value;
  }
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    if (same_name(entries_[i].name, name)) {
      position = i;
      return &entries_[i].value;
    }
  }
  return nullptr;
}


}  // namespace plang::table
