// An edit through a key-input handle.
#include "dx/istring.hpp"

#include <vector>

#include "media/core/key_input.hpp"
#include "ui/input.hpp"

namespace dx {

istring::~istring() {
  ui::input::resume_keys();
  DestroyKeyInput(handle_);
}

std::string istring::get_string() const {
  std::vector<char> buffer(static_cast<std::size_t>(max_characters_) + 1, '\0');
  if (GetKeyInputText(buffer.data(), handle_) != 0) return std::string();
  return std::string(buffer.data());
}

}  // namespace dx
