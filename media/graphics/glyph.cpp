// Glyph rendering: characters fetched from the font's face as bitmaps and
// written into the cells of its memory cache as bits or levels, with the
// outline of edge types.
#include "media/graphics/glyph.hpp"

#include <algorithm>
#include <cstring>

#include "media/core/alloc.hpp"
#include "media/core/log.hpp"
#include "media/graphics/internal.hpp"
#include "platform/font/font.hpp"
#include "platform/text/codepage.hpp"
#include "platform/text/cp949.hpp"

namespace {

// The part of the memory cache one cell may write: the cell's area (the
// square of side cell size at the glyph origin) cut to the cache image.
struct cell_clip {
    int left, top, right, bottom;
    bool holds(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
};

// Whether (dx, dy) from a covered pixel belongs to its outline, for edge size e.
bool in_outline(int e, int dx, int dy)
{
    static const char* const masks[3][9] = {
        {".XXX.", "XXXXX", "XXXXX", "XXXXX", ".XXX."},
        {"...X...", ".XXXXX.", ".XXXXX.", "XXXXXXX", ".XXXXX.", ".XXXXX.", "...X..."},
        {"..XXXXX..", ".XXXXXXX.", "XXXXXXXXX", "XXXXXXXXX", "XXXXXXXXX", "XXXXXXXXX", "XXXXXXXXX", ".XXXXXXX.",
         "..XXXXX.."},
    };
    if (e == 1) return (dx == 0) != (dy == 0) && dx >= -1 && dx <= 1 && dy >= -1 && dy <= 1;
    if (e > 4) return true;
    return masks[e - 2][dy + e][dx + e] == 'X';
}

// The code point the face is asked for: the character code decoded in the
// font's character set; bytes that are no character give the default
// character's glyph.
wchar_t code_point(int code, int char_set)
{
    char bytes[2];
    std::size_t n = 0;
    if (code > 0xFF) bytes[n++] = static_cast<char>(code >> 8);
    bytes[n++] = static_cast<char>(code & 0xFF);
    wchar_t out = platform::text::wide_default_char;
    const std::size_t used = char_set == 2 ? platform::text::decode_one_cp949(bytes, n, out)
                                           : platform::text::decode_one(bytes, n, out);
    return used == 0 ? platform::text::wide_default_char : out;
}

// Writes a fetched bitmap (rows of stride bytes, mono or grey) into the cell
// whose glyph origin is (x, y).
void write_glyph(FONTREC& font, const unsigned char* bitmap, std::size_t stride, int w, int h, int x, int y,
                 const cell_clip& clip)
{
    unsigned char* cache = font.memory_cache;
    const int pitch = font.memory_pitch;
    const bool grey = (font.type & 2) != 0;
    const int e = (font.type & 1) != 0 ? font.edge_size : 0;
    for (int j = 0; j < h; ++j) {
        const unsigned char* row = bitmap + static_cast<std::size_t>(j) * stride;
        for (int i = 0; i < w; ++i) {
            const int level = grey ? std::min<int>(row[i], 16) : ((row[i >> 3] >> (7 - (i & 7))) & 1) * 16;
            if (level == 0) continue;
            const int px = x + e + i, py = y + e + j;
            switch (font.type) {
            case 0:
                if (clip.holds(px, py)) cache[py * pitch + (px >> 3)] |= static_cast<unsigned char>(0x80 >> (px & 7));
                break;
            case 2:
                if (clip.holds(px, py)) cache[py * pitch + px] = static_cast<unsigned char>(level - 1);
                break;
            case 1:
                if (clip.holds(px, py)) cache[py * pitch + px] = 1;
                for (int dy = -e; dy <= e; ++dy)
                    for (int dx = -e; dx <= e; ++dx) {
                        if (!in_outline(e, dx, dy) || !clip.holds(px + dx, py + dy)) continue;
                        unsigned char& p = cache[(py + dy) * pitch + px + dx];
                        if (p != 1) p = 2;
                    }
                break;
            default: {  // 3: glyph level in the low nibble, outline level in the high one
                const int v = level - 1;
                if (clip.holds(px, py)) cache[py * pitch + px] |= static_cast<unsigned char>(v);
                for (int dy = -e; dy <= e; ++dy)
                    for (int dx = -e; dx <= e; ++dx) {
                        if (!in_outline(e, dx, dy) || !clip.holds(px + dx, py + dy)) continue;
                        unsigned char& p = cache[(py + dy) * pitch + px + dx];
                        if ((p >> 4) < v) p = static_cast<unsigned char>((p & 0x0F) | v << 4);
                    }
                break;
            }
            }
        }
    }
}

}  // namespace

FONTCELL* RenderGlyphsToCache(int handle, int count, const unsigned char* entries)
{
    if (media::gfx::draw_state.locked != 0) return nullptr;
    FONTREC* font = GetFontRecord(handle);
    if (font == nullptr) return nullptr;
    if (font->face == nullptr) ExitWithLogMessage("テキストキャッシュサーフェスのＤＣの取得に失敗しました");
    const int ascent = font->face->metrics().ascent;
    const auto format = (font->type & 2) != 0 ? platform::font::glyph_format::grey : platform::font::glyph_format::mono;
    const int e = (font->type & 1) != 0 ? font->edge_size : 0;
    const int cs = font->cell_size;
    FONTCELL* cell = nullptr;

    for (int k = 0; k < count; ++k) {
        const unsigned char* entry = entries + 3 * k;
        cell = &font->cells[font->next_cell];
        if (cell->in_use != 0 && cell->owner != nullptr && cell->owner->cell == cell) *cell->owner = {0, nullptr};
        FONTINDEXENTRY& owner = font->index[entry[0] | entry[1] << 8];
        owner = {1, cell};
        cell->owner = &owner;
        cell->in_use = 1;
        const int x = cell->slot / font->cells_per_column * cs + 1;
        const int y = cell->slot % font->cells_per_column * cs + 1;
        const cell_clip clip{x, y, std::min(x + cs, font->cache_width), std::min(y + cs, font->cache_height)};

        const int rows = std::max(0, std::min(cs, font->cache_height - y));
        std::memset(font->memory_cache + static_cast<std::size_t>(y) * font->memory_pitch, 0,
                    static_cast<std::size_t>(rows) * font->memory_pitch);

        const int code = entry[1] != 0 ? entry[0] << 8 | entry[1] : entry[0];
        const wchar_t cp = code_point(code, font->char_set);
        platform::font::glyph_metrics m{};
        const int size = font->face->glyph(cp, format, m, nullptr, 0);
        if (size < 0) ExitWithLogMessage("GetGlyphOutline 関数が失敗しました");
        cell->advance = static_cast<std::int16_t>(m.advance);
        cell->width = cell->height = 0;
        cell->x_offset = cell->y_offset = 0;
        const bool space = code == 0x20 || code == 0x8140;
        // an empty bitmap (a tab or line feed in many faces) is kept like a space
        if (!space && size > 0 && m.width > 0 && m.height > 0) {
            const std::size_t stride = static_cast<std::size_t>(size / m.height) & ~std::size_t{3};
            const std::size_t bytes = static_cast<std::size_t>(size) + 2 * stride;
            auto* buffer = bytes <= 0x7FFFFFFF
                               ? static_cast<unsigned char*>(ManagedCalloc(static_cast<int>(bytes), "glyph.cpp", __LINE__))
                               : nullptr;
            if (buffer == nullptr) ExitWithLogMessage("アンチエイリアス文字取得用バッファの確保に失敗しました");
            if (font->face->glyph(cp, format, m, buffer + stride, static_cast<std::size_t>(size)) < 0) {
                ManagedFree(buffer);
                ExitWithLogMessage("GetGlyphOutline 関数が失敗しました");
            }
            cell->x_offset = static_cast<std::int16_t>(m.origin_x);
            cell->y_offset = static_cast<std::int16_t>(ascent - m.origin_y);
            cell->advance = static_cast<std::int16_t>(m.advance);
            cell->width = static_cast<std::int16_t>(m.width);
            cell->height = static_cast<std::int16_t>(m.height);
            write_glyph(*font, buffer + stride, stride, m.width, m.height, x, y, clip);
            ManagedFree(buffer);
        }
        cell->advance = static_cast<std::int16_t>(cell->advance + 2 * e);
        cell->width = static_cast<std::int16_t>(cell->width + 2 * e);
        cell->height = static_cast<std::int16_t>(cell->height + 2 * e);
        font->next_cell = font->next_cell + 1 == font->cell_count ? 0 : font->next_cell + 1;
    }
    return cell;
}
