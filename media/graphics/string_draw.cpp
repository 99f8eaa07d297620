// String measuring and drawing on the software road: the split into
// character entries, the pen walk over the cached glyphs, and the glyph
// writes into memory images, straight or through the work image.
#include "media/graphics/string_draw.hpp"

#include <algorithm>
#include <cstring>
#include <optional>

#include "media/core/alloc.hpp"
#include "media/core/log.hpp"
#include "media/core/pump.hpp"
#include "media/core/text.hpp"
#include "media/graphics/drawstate.hpp"
#include "media/graphics/font.hpp"
#include "media/graphics/glyph.hpp"
#include "media/graphics/internal.hpp"
#include "media/graphics/mask.hpp"
#include "media/softrender/blit_same.hpp"
#include "media/softrender/loops.hpp"
#include "media/softrender/memimg.hpp"

namespace {

using media::gfx::draw_state;

// Strings up to this many bytes split into lists on the stack.
constexpr int short_string = 256;

int string_length(const char* string, int length)
{
    const int whole = static_cast<int>(std::strlen(string));
    return length >= 0 && length < whole ? length : whole;
}

int key_of(const unsigned char* entry) { return entry[0] | entry[1] << 8; }

bool is_space(const unsigned char* entry)
{
    return (entry[0] == 0x20 && entry[1] == 0) || (entry[0] == 0x81 && entry[1] == 0x40);
}

// The cell of a character, rendered alone when the cache lost it; null
// (logged) when it cannot be rendered.
const FONTCELL* cell_of(FONTREC& font, int handle, const unsigned char* entry)
{
    const FONTINDEXENTRY& index = font.index[key_of(entry)];
    if (index.cached != 0 && index.cell != nullptr) return index.cell;
    const FONTCELL* cell = RenderGlyphsToCache(handle, 1, entry);
    if (cell == nullptr) LogWrite("テキストキャッシュの作成に失敗しました");
    return cell;
}

// The width of the first n bytes when every character of them is in the
// cache: the split would render nothing and the walk would read cells only,
// so the advances are summed in one pass over the bytes, the split's own
// rules deciding the characters. False at the first character missing.
bool measure_cached(const FONTREC& font, const char* string, int n, double scale, int& width)
{
    double pen = 0.0;
    for (int i = 0; i < n;) {
        // a lead byte in the last position takes the NUL after it as its trail
        const auto first = static_cast<unsigned char>(string[i]);
        const bool lead = font.char_set == 2 ? first >= 0x80 : media::core::is_lead_byte(first);
        const int key = static_cast<unsigned char>(string[i]) | (lead ? static_cast<unsigned char>(string[i + 1]) << 8 : 0);
        i += lead && string[i + 1] != '\0' ? 2 : 1;
        const FONTINDEXENTRY& index = font.index[key];
        if (index.cached == 0 || index.cell == nullptr) return false;
        pen += (index.cell->advance + font.spacing) * scale;
    }
    width = static_cast<int>(pen);
    return true;
}

// A colour value scaled by the draw bright, as the screen colour of its
// channels with the bits outside them cleared.
std::uint32_t bright_color(std::uint32_t value)
{
    int r = 0, g = 0, b = 0;
    UnpackScreenColor(value, &r, &g, &b);
    const std::uint32_t bright = draw_state.draw_bright;
    r = r * static_cast<int>(bright >> 16 & 0xFF) / 255;
    g = g * static_cast<int>(bright >> 8 & 0xFF) / 255;
    b = b * static_cast<int>(bright & 0xFF) / 255;
    std::uint32_t packed = PackScreenColor(r, g, b);
    if (const MEMIMG* screen = &media::gfx::graphics.screen_image; IsMemImgValid(screen))
        packed &= ~screen->base->format->unused_mask;
    return packed;
}

// Writes one character's glyph from the memory cache into the target.
class glyph_writer {
public:
    glyph_writer(const FONTREC& font, MEMIMG& target, std::uint32_t main, std::uint32_t edge, bool covered_only)
        : font_(font), target_(target), format_(*target.base->format), main_(main), edge_(edge),
          covered_only_(covered_only), rows_(!media::soft::generic_loops_forced())
    {
        // types 0 to 2 write one colour per cache value; values above 15
        // (never written by the glyph renderer) take write() itself
        if (font_.type != 3)
            for (int value = 1; value < 16; ++value) written_[value] = written(value);
    }

    // The glyph of the cell with its box's top-left at (left, top), turned a
    // quarter turn clockwise for vertical text, cut to clip.
    void draw(const FONTCELL& cell, int left, int top, bool vertical, const RECT& clip)
    {
        const int w = cell.width, h = cell.height;
        RECT box{left, top, left + (vertical ? h : w), top + (vertical ? w : h)};
        const RECT whole{0, 0, target_.width, target_.height};
        ClipRectToRect(&box, &clip);
        ClipRectToRect(&box, &whole);
        if (box.right <= box.left || box.bottom <= box.top) return;
        const int x0 = cell.slot / font_.cells_per_column * font_.cell_size + 1;
        const int y0 = cell.slot % font_.cells_per_column * font_.cell_size + 1;
        const int bytes = format_.pixel_bytes;
        if (!vertical && rows_) {
            switch (bytes) {
            case 4: return draw_rows<4>(box, x0 - left, y0 - top);
            case 2: return draw_rows<2>(box, x0 - left, y0 - top);
            default: return draw_rows<0>(box, x0 - left, y0 - top);
            }
        }
        for (int y = box.top; y < box.bottom; ++y) {
            auto* row = static_cast<unsigned char*>(target_.pixels) + static_cast<long>(y) * target_.base->pitch;
            for (int x = box.left; x < box.right; ++x) {
                // source (u, v): vertical text maps the source's top edge down the box's right edge
                const int u = vertical ? y - top : x - left;
                const int v = vertical ? h - 1 - (x - left) : y - top;
                const int value = source(x0 + u, y0 + v);
                unsigned char* p = row + static_cast<long>(x) * bytes;
                if (value == 0) {
                    if (!covered_only_) media::gfx::store_pixel(p, bytes, 0);
                    continue;
                }
                write(p, value);
            }
        }
    }

private:
    // Horizontal text row by row, the same writes as the pixel loop above:
    // the cache value of box pixel (x, y) lies at (x + dx, y + dy); the part
    // of a row that lies beyond the cache's right edge or below its last row
    // reads as 0. Bytes 0: any pixel size, through store_pixel.
    template <int Bytes>
    void draw_rows(const RECT& box, int dx, int dy)
    {
        const int bytes = Bytes != 0 ? Bytes : format_.pixel_bytes;
        const bool bits = font_.memory_bits == 1;
        // the glyph origin is at least (1, 1), so every source x and y is positive
        const long inside = std::min<long>(box.right, static_cast<long>(font_.cache_width) - dx);
        const int inside_right = static_cast<int>(std::max<long>(box.left, inside));
        for (int y = box.top; y < box.bottom; ++y) {
            unsigned char* out = static_cast<unsigned char*>(target_.pixels) + static_cast<long>(y) * target_.base->pitch +
                                 static_cast<long>(box.left) * bytes;
            int x = box.left;
            const int sy = y + dy;
            if (sy < font_.cache_height) {
                const unsigned char* row = font_.memory_cache + static_cast<long>(sy) * font_.memory_pitch;
                for (; x < inside_right; ++x, out += bytes) {
                    const int sx = x + dx;
                    const int value = bits ? row[sx >> 3] >> (7 - (sx & 7)) & 1 : row[sx];
                    if (value == 0) {
                        if (!covered_only_) store<Bytes>(out, 0);
                        continue;
                    }
                    store<Bytes>(out, value < 16 && font_.type != 3 ? written_[value] : written(value));
                }
            }
            if (!covered_only_)
                for (; x < box.right; ++x, out += bytes) store<Bytes>(out, 0);
        }
    }

    template <int Bytes>
    void store(unsigned char* p, std::uint32_t v) const
    {
        if constexpr (Bytes == 4) {
            std::memcpy(p, &v, 4);
        } else if constexpr (Bytes == 2) {
            const auto h = static_cast<std::uint16_t>(v);
            std::memcpy(p, &h, 2);
        } else {
            media::gfx::store_pixel(p, format_.pixel_bytes, v);
        }
    }

    // The cache value at (x, y): a bit, a level or the two nibbles; 0 outside
    // the cache.
    int source(int x, int y) const
    {
        if (x < 0 || y < 0 || x >= font_.cache_width || y >= font_.cache_height) return 0;
        const unsigned char* row = font_.memory_cache + static_cast<long>(y) * font_.memory_pitch;
        return font_.memory_bits == 1 ? row[x >> 3] >> (7 - (x & 7)) & 1 : row[x];
    }

    std::uint32_t with_alpha(std::uint32_t color, int alpha) const
    {
        if (format_.alpha_mask == 0) return color;
        return (color & ~format_.alpha_mask) | (static_cast<std::uint32_t>(alpha) << format_.alpha_shift);
    }

    static std::uint32_t channel(std::uint32_t c, std::uint32_t mask, int shift) { return (c & mask) >> shift; }

    void write(unsigned char* p, int value) const { media::gfx::store_pixel(p, format_.pixel_bytes, written(value)); }

    // The pixel a covered cache value writes.
    std::uint32_t written(int value) const
    {
        std::uint32_t out = 0;
        switch (font_.type) {
        case 0: out = with_alpha(main_, 255); break;
        case 1: out = with_alpha(value == 1 ? main_ : edge_, 255); break;
        case 2: out = with_alpha(main_, 16 * value); break;
        default: {
            const int g = value & 0x0F, e = value >> 4;
            if (g == 15) {
                out = with_alpha(main_, 255);
            } else if (g == 0) {
                out = with_alpha(edge_, 16 * e);
            } else {
                const int a = 16 * g + (15 - g) * e;
                const int t = g * 4096 / a;
                out = 0;
                const std::uint32_t masks[3] = {format_.red_mask, format_.green_mask, format_.blue_mask};
                const int shifts[3] = {format_.red_shift, format_.green_shift, format_.blue_shift};
                for (int i = 0; i < 3; ++i) {
                    const int m = static_cast<int>(channel(main_, masks[i], shifts[i]));
                    const int d = static_cast<int>(channel(edge_, masks[i], shifts[i]));
                    // an arithmetic shift floors, so the value stays between edge and main
                    const int c = d + ((m - d) * t >> 8);
                    out |= (static_cast<std::uint32_t>(c) << shifts[i]) & masks[i];
                }
                out = with_alpha(out, a);
            }
            break;
        }
        }
        return out;
    }

    const FONTREC& font_;
    MEMIMG& target_;
    const PIXFMT& format_;
    std::uint32_t main_, edge_;
    bool covered_only_;
    bool rows_;  // the row loop; the pixel loop when the renderer's generic path is forced
    std::uint32_t written_[16] = {};
};

}  // namespace

int PrepareStringGlyphs(int length, int, const char* string, int handle, unsigned char* entries, int* count)
{
    FONTREC* font = GetFontRecord(handle);
    if (font == nullptr) return -1;
    const int n = string_length(string, length);

    // the batch (3-byte entries) and its keys; the entries themselves go to
    // the caller's list or to the scratch list
    unsigned char short_batch[short_string * 3];
    std::uint16_t short_keys[short_string];
    unsigned char short_entries[short_string * 3];
    unsigned char* block = nullptr;
    unsigned char* batch = short_batch;
    std::uint16_t* keys = short_keys;
    if (n > short_string) {
        block = static_cast<unsigned char*>(ManagedAlloc(n * 8, "string_draw.cpp", __LINE__));
        if (block == nullptr) return -1;
        batch = block;
        keys = reinterpret_cast<std::uint16_t*>(block + static_cast<long>(n) * 3);
    }
    unsigned char* scratch = nullptr;
    if (entries == nullptr) {
        if (n > short_string) {
            scratch = static_cast<unsigned char*>(ManagedAlloc(n * 3, "string_draw.cpp", __LINE__));
            if (scratch == nullptr) {
                ManagedFree(block);
                return -1;
            }
            entries = scratch;
        } else {
            entries = short_entries;
        }
    }

    int characters = 0, batched = 0;
    for (int i = 0; i < n;) {
        unsigned char* entry = entries + 3 * characters;
        entry[0] = static_cast<unsigned char>(string[i]);
        // a lead byte in the last position takes the NUL after it as its trail
        const bool lead = IsLeadByteForCharSet(string + i, font->char_set) != 0;
        entry[1] = lead ? static_cast<unsigned char>(string[i + 1]) : 0;
        entry[2] = 0;
        i += lead && string[i + 1] != '\0' ? 2 : 1;
        ++characters;
        FONTINDEXENTRY& index = font->index[key_of(entry)];
        if (index.cached == 0 && batched < font->cell_count) {
            std::memcpy(batch + 3 * batched, entry, 3);
            keys[batched++] = static_cast<std::uint16_t>(key_of(entry));
            // flagged for the rest of the walk, so that a repeat joins once
            index.cached = 1;
        }
    }
    for (int k = 0; k < batched; ++k) font->index[keys[k]].cached = 0;
    if (batched > 0) RenderGlyphsToCache(handle, batched, batch);
    if (count != nullptr) *count = characters;
    ManagedFree(scratch);
    ManagedFree(block);
    return 0;
}

int DrawOrMeasureString(int draw, int x, int y, int scaled, double scale_x, double scale_y, const char* string,
                        std::uint32_t color, MEMIMG* target, const RECT* clip, int covered_only, int handle,
                        std::uint32_t edge_color, int length, int vertical, int* size)
{
    if (draw_state.locked != 0) return -1;
    FONTREC* font = GetFontRecord(handle);
    if (font == nullptr) return -1;
    // the memory cache draws unscaled
    scaled = 0;
    scale_x = scale_y = 1.0;
    (void)scaled;
    if (string == nullptr || string[0] == '\0') return 0;
    const int n = string_length(string, length);
    const double scale = vertical != 0 ? scale_y : scale_x;
    if (draw == 0 && n <= short_string) {
        int width = 0;
        if (measure_cached(*font, string, n, scale, width)) {
            if (size != nullptr) {
                size[0] = vertical != 0 ? font->cell_height : width;
                size[1] = vertical != 0 ? width : font->cell_height;
            }
            return width;
        }
    }
    const std::uint32_t main = bright_color(color), edge = bright_color(edge_color);

    unsigned char short_entries[short_string * 3];
    unsigned char* entries = short_entries;
    if (n > short_string) {
        entries = static_cast<unsigned char*>(ManagedAlloc(n * 3, "string_draw.cpp", __LINE__));
        if (entries == nullptr) return -1;
    }
    int count = 0;
    if (PrepareStringGlyphs(n, 0, string, handle, entries, &count) < 0) {
        if (entries != short_entries) ManagedFree(entries);
        return -1;
    }

    const bool drawing = draw != 0 && target != nullptr && IsMemImgValid(target) != 0;
    RECT area{0, 0, 0, 0};
    if (drawing) area = clip != nullptr ? *clip : RECT{0, 0, target->width, target->height};
    std::optional<glyph_writer> writer;
    if (drawing) writer.emplace(*font, *target, main, edge, covered_only != 0);
    double pen = 0.0;
    int result = 0;
    for (int k = 0; k < count; ++k) {
        const unsigned char* entry = entries + 3 * k;
        const FONTCELL* cell = cell_of(*font, handle, entry);
        if (cell == nullptr) {
            result = -1;
            break;
        }
        if (drawing && !is_space(entry) && (cell->width != 0 || cell->height != 0)) {
            const int p = static_cast<int>(pen);
            if (vertical != 0)
                writer->draw(*cell, x + font->cell_height - cell->y_offset - cell->height, y + p + cell->x_offset, true,
                             area);
            else
                writer->draw(*cell, x + p + cell->x_offset, y + cell->y_offset, false, area);
        }
        pen += (cell->advance + font->spacing) * scale;
    }
    if (result == 0) {
        result = static_cast<int>(pen);
        if (size != nullptr) {
            size[0] = vertical != 0 ? font->cell_height : result;
            size[1] = vertical != 0 ? result : font->cell_height;
        }
    }
    if (entries != short_entries) ManagedFree(entries);
    return result;
}

int MeasureStringWithFont(const char* string, int length, int handle, int vertical)
{
    return DrawOrMeasureString(0, 0, 0, 0, 1.0, 1.0, string, 0, nullptr, nullptr, 0, handle, 0, length, vertical,
                               nullptr);
}

int MeasureStringDefaultFont(const char* string, int length, int vertical)
{
    RefreshDefaultFont();
    return MeasureStringWithFont(string, length, QueryDefaultFontHandle(), vertical);
}

int DrawStringToMemImg(int handle, int y, int x, const char* string, std::uint32_t color, std::uint32_t edge_color,
                       int vertical)
{
    const FONTREC* font = GetFontRecord(handle);
    MEMIMG* target = draw_state.target_image;
    if (font == nullptr || target == nullptr || IsMemImgValid(target) == 0) return 0;
    int size[2] = {0, 0};
    if (DrawOrMeasureString(0, x, y, 0, 1.0, 1.0, string, color, nullptr, nullptr, 1, handle, edge_color, -1,
                            vertical, size) <= 0)
        return 0;
    const bool anti_aliased = (font->type & 2) != 0;
    const int mode = draw_state.blend_mode, param = draw_state.blend_param;
    if (!anti_aliased && (mode == 0 || (mode == 1 && param == 255))) {
        DrawOrMeasureString(1, x, y, 0, 1.0, 1.0, string, color, target, &draw_state.area, 1, handle, edge_color, -1,
                            vertical, nullptr);
        return 0;
    }

    // through the screen-sized work image, blitted under the blend mode
    MEMIMG* work = anti_aliased ? &media::gfx::graphics.work_alpha_image : &media::gfx::graphics.work_image;
    if (IsMemImgValid(work) == 0) return 0;
    const RECT saved_area = draw_state.area;
    const std::uint32_t saved_bright = draw_state.draw_bright;
    RECT work_area{0, 0, size[0], size[1]};
    const RECT work_whole{0, 0, work->width, work->height};
    ClipRectToRect(&work_area, &work_whole);
    draw_state.area = work_area;
    std::uint32_t transparent = 0;
    if (!anti_aliased) {
        const std::uint32_t mask = work->base->format->pixel_bytes == 2 ? 0xFFFF : 0xFFFFFFFF;
        const std::uint32_t main = bright_color(color) & mask, edge = bright_color(edge_color) & mask;
        transparent = work->base->transparent & mask;
        while (transparent == main || transparent == edge) transparent = (transparent + 1) & mask;
        work->base->transparent = transparent;
    }
    FillMemImgRect(work, &work_area, transparent);
    DrawOrMeasureString(1, 0, 0, 0, 1.0, 1.0, string, color, work, &work_area, 1, handle, edge_color, -1, vertical,
                        nullptr);

    draw_state.draw_bright = 0xFFFFFF;
    RECT box{x, y, x + size[0], y + size[1]};
    ClipRectToRect(&box, &saved_area);
    draw_state.area = box;
    if (box.right > box.left && box.bottom > box.top) BlitMemImg(target, work, x, y, 1, draw_state.blend_image);
    draw_state.area = saved_area;
    draw_state.draw_bright = saved_bright;
    return 0;
}

int DrawStringWithFont(int x, int y, const char* string, std::uint32_t color, int handle, std::uint32_t edge_color,
                       int vertical)
{
    if (string == nullptr || string[0] == '\0' || draw_state.locked != 0 || draw_state.area_empty != 0) return 0;
    const FONTREC* font = GetFontRecord(handle);
    if (font == nullptr) return LogWrite("フォントハンドル値が異常です\n");
    WaitWhileInactive();
    const bool masked = media::gfx::mask_state.active != 0;
    RECT affected{0, 0, 0, 0};
    if (masked || draw_state.target == -4) {
        affected = vertical != 0 ? RECT{x, y, x + font->size + 3, draw_state.area.bottom}
                                 : RECT{x, y, draw_state.area.right, y + font->size + 3};
        if (affected.left >= draw_state.area.right) return 0;
        if (masked) BeginMaskedDraw(&affected);
    }
#if ZENTIL_TEST_HOOKS
    media::gfx::drawn_string_record.push_back({string, x, y, color, draw_state.area, handle});
#endif
    DrawStringToMemImg(handle, y, x, string, color, edge_color, vertical);
    if (masked) EndMaskedDraw(&affected);
    return 0;
}

int DrawStringDefaultFont(int x, int y, const char* string, std::uint32_t color, std::uint32_t edge_color)
{
    RefreshDefaultFont();
    return DrawStringWithFont(x, y, string, color, QueryDefaultFontHandle(), edge_color, 0);
}

#if ZENTIL_TEST_HOOKS
namespace media::gfx {

const std::vector<drawn_string>& drawn_strings() { return drawn_string_record; }
void clear_drawn_strings() { drawn_string_record.clear(); }

}  // namespace media::gfx
#endif
