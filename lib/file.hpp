// Whole-file reading of code-page text.
#pragma once

#include <string>

namespace lib::file {

// The text of a file in the system code page, CR LF read as LF. Throws
// std::invalid_argument "lib/file/open" when the name is no readable regular
// file or its bytes are not code-page text.
std::wstring open(const std::wstring& name);

}  // namespace lib::file
