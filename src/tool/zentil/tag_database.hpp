// The texts of the tag database file "system.txt" as they stand between its
// tags. Characters code page 932 cannot hold, the zero character and the
// backslash are written as escapes \u{HEX} (upper-case hexadecimal code),
// so every folder name and tag comes back as it was; files written without
// escapes read as before.
#pragma once

#include <string>

namespace tool::zentil {

std::wstring escape_database_text(const std::wstring& text);
// A tag text: escapes decoded, any other backslash kept.
std::wstring unescape_tag_text(const std::wstring& text);
// A folder path: escapes decoded, then the text appended to the empty path,
// so every other backslash (a path written as "C:\a\b") becomes '/'.
std::wstring unescape_path_text(const std::wstring& text);

}  // namespace tool::zentil
