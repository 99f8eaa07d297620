// The id registry: names of script types and processes to typeids and back.
#pragma once

#include <cstdint>
#include <string>

#include "lib/hash.hpp"

namespace plang {

// One counter serves classes and process names. It starts at 0 and never
// hands out 0 or a built-in typeid. Once it has wrapped every new
// registration fails: counting again from 1 would hand out typeids in use.
class idm {
 public:
  // The fifteen built-in type names under their fixed typeids.
  idm();

  // Registers a new name (a script class) under the next typeid.
  std::uint32_t generate(const std::wstring& name);

  // The typeid of the key "p?" + name, registered first when absent.
  std::uint32_t get_p(const std::wstring& name);

  // The typeid registered under exactly this name; a missing name throws
  // std::out_of_range ("Unable to find key in unordered_map.").
  std::uint32_t find(const std::wstring& sid) const { return names_.at(sid); }

  // The same without throwing: 0 (never a typeid) when the name is not registered. The compiler asks this for
  // every name called with arguments, most of which are functions, not types.
  std::uint32_t lookup(const std::wstring& sid) const {
    auto it = names_.find(sid);
    return it == names_.end() ? 0 : it->second;
  }

  // The name registered for a typeid (a linear walk: it serves messages).
  std::wstring find_str(std::uint32_t tid) const;

 protected:
  std::uint32_t last_ = 0;  // the last typeid handed out

 private:
  // Advances the counter past the built-in typeids; throws at the wrap.
  std::uint32_t next(const char* function, int line);

  lib::hash<std::wstring, std::uint32_t> names_;
  bool wrapped_ = false;
};

}  // namespace plang
