// Glyph rendering into a font's cache cells.
#pragma once

#include "media/graphics/font.hpp"

// Renders count characters (3-byte entries: byte, 0, 0 or lead, trail, 0) into
// the font's ring of cells, oldest cell first, and indexes them by key. The
// cell of the last entry, or null for the lock flag or an invalid handle. A
// glyph the face cannot give ends the process.
FONTCELL* RenderGlyphsToCache(int handle, int count, const unsigned char* entries);
