// The id registry.
#include "plang/idm.hpp"

#include "plang/exception.hpp"
#include "plang/factor/typeid_anchor.hpp"

namespace plang {
namespace {
constexpr char source[] = "plang/idm";
}

idm::idm() {
  for (const typeid_anchor::entry& e : typeid_anchor::builtins) names_.emplace(e.name, e.id);
}

std::uint32_t idm::next(const char* function, int line) {
  do {
    if (wrapped_ || ++last_ == 0) {
      wrapped_ = true;
      throw exception(source, "exceed max. number of typeid", function, line);
    }
  } while (typeid_anchor::is_builtin(last_));
  return last_;
}

std::uint32_t idm::generate(const std::wstring& name) {
  static constexpr char function[] = "plang::idm<wchar_t>::generate";
  if (names_.find(name) != names_.end()) {
    throw exception(source, "typeid already exists, sid=", function, 59).append_detail(name);
  }
  const std::uint32_t tid = next(function, 62);
  names_.emplace(name, tid);
  return tid;
}

std::uint32_t idm::get_p(const std::wstring& name) {
  const std::wstring key = L"p?" + name;
  auto it = names_.find(key);
  if (it != names_.end()) return it->second;
  const std::uint32_t pid = next("plang::idm<wchar_t>::get_p", 51);
  names_.emplace(key, pid);
  return pid;
}

std::wstring idm::find_str(std::uint32_t tid) const {
  for (const auto& entry : names_) {
    if (entry.second == tid) return entry.first;
  }
  throw exception(source, "undefined typeid, tid=", "plang::idm<wchar_t>::find_str", 43).append_detail(tid);
}

}  // namespace plang
