// Path strings in generic form: the append rule, root, leaf and parent, and
// the lexical folding of '.' and '..'. Pure string work; nothing here asks
// the file system.
//
// Paths use '/' only. The one root piece is a leading '/' (a path is complete
// exactly when it starts with '/'); a drive-like 'C:' is an ordinary name.
#pragma once

#include <string>

namespace lib::path {

// path + text: a leading "//:" of text is dropped; a '/' is put between the
// two unless either side is empty, path already ends with '/' or text starts
// with a separator; every backslash of text becomes '/' (in narrow text, not
// the second byte of a double-byte character).
template <class C>
std::basic_string<C> append(std::basic_string<C> path, const std::basic_string<C>& text);

// A caller's string as a path: appended to the empty path.
template <class C>
std::basic_string<C> make(const std::basic_string<C>& text);

template <class C>
bool has_root(const std::basic_string<C>& p);

// The last element; '.' when p ends with '/' after a non-root part; "/" for a
// lone root.
template <class C>
std::basic_string<C> leaf(const std::basic_string<C>& p);

// What stands before the leaf, without trailing separators, keeping a root '/'.
template <class C>
std::basic_string<C> parent(const std::basic_string<C>& p);

// A rooted path with '.', '..' and repeated separators folded away, never
// climbing above the root; a trailing '/' stays when there is an element
// before it.
template <class C>
std::basic_string<C> fold(const std::basic_string<C>& rooted);

}  // namespace lib::path
