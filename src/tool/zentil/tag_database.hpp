// The texts of the tag database file "system.txt" as they stand between its
// tags. Characters code page 932 cannot hold, the zero character and the
// backslash are written as escapes \u{HEX} (upper-case hexadecimal code),
// so every folder name and tag comes back as it was; files written without
// escapes read as before.
#pragma once

#include <cstddef>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace tool::zentil {

// The tags of a database document as its text gives them, before any test
// of the folders or the tag words: each tag's text and its folders' paths,
// escapes decoded. The texts point into the document, or into owned for a
// text whose escapes had to be decoded, so the records live no longer than
// both.
struct database_records {
  struct tag_entry {
    std::wstring_view text;
    std::size_t first_folder = 0;  // into folders
    std::size_t folder_count = 0;
  };
  std::vector<tag_entry> tags;
  std::vector<std::wstring_view> folders;
  std::deque<std::wstring> owned;
};

// Reads a document in one pass into records, by the XML reader's rules
// (lib::detail::xml::parse, which it fails and refuses exactly as), then
// takes from each element of the root its first child named "value" (the
// tag text) and the children of its first child named "path" (the folders);
// an element that holds elements has the empty text. A root element without
// either throws std::invalid_argument "lib/xml/child" once the whole
// document was read.
void read_database_records(const std::wstring& document, database_records& out);

std::wstring escape_database_text(const std::wstring& text);
// A tag text: escapes decoded, any other backslash kept.
std::wstring unescape_tag_text(const std::wstring& text);
// A folder path: escapes decoded, then the text appended to the empty path,
// so every other backslash (a path written as "C:\a\b") becomes '/'.
std::wstring unescape_path_text(const std::wstring& text);

}  // namespace tool::zentil
