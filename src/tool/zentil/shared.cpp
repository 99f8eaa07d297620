// The application object's construction.
#include "tool/zentil/shared.hpp"

#include "lib/basic_filesystem.hpp"
#include "lib/path.hpp"

namespace tool::zentil {

shared::shared()
    : tags_dirty(false),
      root_folder(lib::path::append(lib::basic_filesystem<wchar_t>::current_directory(), std::wstring(L"root"))) {}

shared::~shared() = default;

}  // namespace tool::zentil
