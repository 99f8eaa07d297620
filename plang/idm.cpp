// The id registry.
#include "plang/idm.hpp"

#include "plang/exception.hpp"

namespace plang {
namespace {
constexpr char source[] = "plang/idm";
}

std::uint32_t idm::get_p(const std::wstring& name) {
  const std::wstring key = L"p?" + name;
  auto it = names_.find(key);
  if (it != names_.end()) return it->second;
  names_.emplace(key, ++last_);
  return last_;
}

std::wstring idm::find_str(std::uint32_t tid) const {
  for (const auto& entry : names_) {
    if (entry.second == tid) return entry.first;
  }
  throw exception(source, "undefined typeid, tid=", "plang::idm<wchar_t>::find_str", 43).append_detail(tid);
}

}  // namespace plang
