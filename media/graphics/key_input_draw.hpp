// Drawing of key-input fields and of the input method's composition and
// candidate list, in the draw area taken as one strip wrapped at its right
// edge.
#pragma once

#include <cstdint>

// The field of the handle with its cursor, selection and composition, its
// text's line top at (x, y), scrolled to keep the cursor shown: 0, or -1 (nothing
// drawn) for an invalid or finished handle.
int DrawKeyInputField(int x, int y, int handle);
// The text at (x, y), wrapped: with selection bounds (bytes, low inclusive,
// high exclusive; -1: none) character by character, the selected ones in the
// selected colours on the background. 0.
int DrawWrappedString(int x, int y, int spacing, const char* text, std::uint32_t colour, std::uint32_t edge, int font,
                      std::uint32_t selected_colour, std::uint32_t selected_edge, std::uint32_t selection_background,
                      int selection_low, int selection_high);
// A box, filled or outlined, wrapped like text. 0.
int DrawWrappedBox(int x1, int y1, int x2, int y2, int spacing, std::uint32_t colour, int fill);
// The composition at (x, y) with its clauses, cursor and candidate list: 0,
// or -1 when the input method is off.
int DrawImeState(int x, int y, int per_page);
