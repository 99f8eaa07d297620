// Font handles, their glyph caches and the default font.
#pragma once

#include <cstdint>

#include "media/core/handle.hpp"

namespace platform::font {
class face;
}

struct FONTINDEXENTRY;

// One square cell of a font's glyph cache.
struct FONTCELL {
    std::uint16_t in_use;
    std::int16_t x_offset;  // the glyph origin x the face reports
    std::int16_t y_offset;  // ascent minus the glyph origin y
    std::int16_t advance;   // the cell increment plus twice the edge size
    std::int32_t slot;      // fixed position in the cache; -1 after the last used cell
    std::int16_t width, height;  // the bitmap: black box plus twice the edge size
    FONTINDEXENTRY* owner;
};

// A 16-bit character key's place in the cache.
struct FONTINDEXENTRY {
    std::int32_t cached;
    FONTCELL* cell;
};

inline constexpr int FONT_MAX_CELLS = 2024;
inline constexpr int FONT_MAX_HANDLES = 40;

// One font handle: its face, metrics, the direct index from every character
// key to a cell, and the ring of cells holding the rendered glyphs. About a
// megabyte: always a managed block, never on the stack.
struct FONTREC {
    std::int32_t check;
    std::int32_t* lost_flag;  // the caller's, set to 1 when the font is deleted
    FONTCELL cells[FONT_MAX_CELLS + 1];  // the first cell_count used; the next carries slot -1
    FONTINDEXENTRY index[65536];
    std::int32_t next_cell;  // ring position, 0 to cell_count - 1
    std::int32_t cell_count;
    unsigned char* memory_cache;  // one column of cells
    std::int32_t memory_pitch;    // bytes
    std::int32_t memory_bits;     // 1 for type 0, 8 for the others
    char face_name[256];          // empty: the built-in default face
    std::int32_t thickness, size, cell_height, italic, spacing, cell_size;
    platform::font::face* face;
    std::int32_t type;  // bit 0 edge, bit 1 anti-aliased
    std::int32_t char_set;  // 0, 1 or 2
    std::int32_t edge_size;
    std::int32_t cache_width, cache_height, cells_per_column;
    std::int32_t cache_graph, edge_graph;  // -1: none (the memory cache has none)
    std::int32_t texture_cache;            // 0: cells in memory
};


// A font: face name (null or empty: the default face), size (-1: 16),
// thickness (-1: 6), type (-1: 0; bit 0 edge, bit 1 anti-aliased),
// character-set index (-1: 1; 0 default, 1 Shift-JIS, 2 Hangul), edge size
// (-1: 1; above 1 sets the edge bit), italic, slot (-1: the first free) and
// check number (-1: the next). The handle, or -1 (logged) with nothing left
// behind.
int CreateFontToHandle(const char* face, int size, int thickness, int type, int char_set, int edge_size, int italic,
                       int slot = -1, int check = -1);
// Frees the font and sets the caller's lost flag to 1; 0, or -1 for an
// invalid handle.
int DeleteFontHandle(int handle);
// Stores the pointer (may be null) and sets the pointed int to 0; 0 or -1.
int SetFontLostFlagPointer(int handle, int* flag);
// Pixels added to every advance; 0 or -1.
int SetFontSpacing(int spacing, int handle);
// Face (a buffer of 256 bytes), size and thickness; any pointer may be null.
// 0 or -1.
int QueryFontHandleInfo(char* face, int* size, int* thickness, int handle);
// The size setting, or -1.
int QueryFontHandleSize(int handle);
// 1 or 0.
int IsFontHandleValid(int handle);
// The font's record, or null.
FONTREC* GetFontRecord(int handle);
// The default font's handle as stored (no refresh).
int QueryDefaultFontHandle();
// Empties the glyph cache; 0 or -1.
int ResetFontCache(int handle);
// Makes every font again with its settings, in its slot with its check
// number, so every handle keeps its value; 0.
int RecreateAllFonts();

// Prepares the font system at graphics start and builds the default font; 0.
int StartFontSystem();
// Deletes every font and builds the default font again with its settings; 0.
int ResetFontSystem();
// Deletes every font and closes the font layer; 0.
int EndFontSystem();

// Default-font settings; each stores, then RefreshDefaultFont. 0.
int SetDefaultFontType(int type);            // -1: 0
int SetDefaultFontSize(int size);            // -1: 16
int SetDefaultFontThickness(int thickness);  // -1: 6
// Face (null: the default face) and character-set index (-1: 1).
int SetDefaultFontFace(const char* face, int char_set);
// The face is ignored; size -1: 16, thickness -1: 6.
int SetDefaultFontSizeThickness(const char* face, int size, int thickness);
// Rebuilds the default font when its record no longer matches the settings; 0.
int RefreshDefaultFont();
