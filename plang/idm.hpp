// The id registry: names of script types and processes to typeids and back.
#pragma once

#include <cstdint>
#include <string>

#include "lib/hash.hpp"

namespace plang {

class idm {
 public:
  // The typeid of the key "p?" + name, registered first when absent.
  std::uint32_t get_p(const std::wstring& name);

  // The typeid registered under exactly this name; a missing name throws
  // std::out_of_range ("Unable to find key in unordered_map.").
  std::uint32_t find(const std::wstring& sid) const { return names_.at(sid); }

  // The name registered for a typeid (a linear walk: it serves messages).
  std::wstring find_str(std::uint32_t tid) const;

 private:
  lib::hash<std::wstring, std::uint32_t> names_;
  std::uint32_t last_ = 0;  // the last typeid handed out
};

}  // namespace plang
