// Path captions kept below a width: leading components give way to ".../".
#pragma once

#include <functional>
#include <string>

namespace tool::zentil {

struct path_caption {
  std::wstring text;
  // Even the last component alone was too wide: text ("prefix.../last") is
  // still to be cut with "..." to the caller's limit.
  bool cut = false;
};

// prefix + path while that measures below limit. Otherwise the path's
// leading components are removed one at a time, giving prefix + ".../" + the
// rest, until it measures below limit; when the last component alone is
// still too wide, prefix + ".../" + that component, marked cut.
path_caption shorten_path(const std::wstring& prefix, std::wstring path, int limit,
                          const std::function<int(const std::wstring&)>& width);

}  // namespace tool::zentil
