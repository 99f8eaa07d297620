// Faces over FreeType: sized so that the font's ascent and descent fill the
// requested height, glyphs rendered from outlines, bold and italic
// synthesised when the family has no such member.
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cstdint>

#include "platform/font/internal.hpp"
#include "platform/platform.hpp"

namespace platform::font {
namespace {

// Embedded bitmaps are skipped so that both formats show the outline's shape.
constexpr FT_Int32 load_flags = FT_LOAD_NO_BITMAP;
constexpr int max_height = 4096;

struct face_closer {
    void operator()(FT_FaceRec_* f) const { FT_Done_Face(f); }
};
using face_ptr = std::unique_ptr<FT_FaceRec_, face_closer>;

bool fail(const char* text)
{
    set_error(text);
    return false;
}

bool open_library()
{
    font_state& s = state();
    if (!s.library && FT_Init_FreeType(&s.library) != 0) {
        s.library = nullptr;
        return fail("FreeType cannot start");
    }
    return true;
}

// The face's ascent and descent in font units: the OS/2 table's Windows
// values, the horizontal header's without one.
void vertical_extent(FT_Face f, long& ascent, long& descent)
{
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(f, FT_SFNT_OS2));
    const auto* hhea = static_cast<const TT_HoriHeader*>(FT_Get_Sfnt_Table(f, FT_SFNT_HHEA));
    if (os2 && os2->version != 0xFFFF && os2->usWinAscent + os2->usWinDescent > 0) {
        ascent = os2->usWinAscent;
        descent = os2->usWinDescent;
    } else if (hhea && hhea->Ascender - hhea->Descender > 0) {
        ascent = hhea->Ascender;
        descent = -hhea->Descender;
    } else {
        ascent = f->ascender;
        descent = -f->descender;
    }
    if (ascent + descent <= 0) {
        ascent = f->units_per_EM;
        descent = 0;
    }
}

// Opens one font file as a scalable face sized for height pixels; null when
// it cannot. metrics (when given) receives the face's text metrics.
face_ptr open_sized(const candidate& c, int height, text_metrics* metrics)
{
    FT_Face raw = nullptr;
    if (FT_New_Face(state().library, c.file.c_str(), c.index, &raw) != 0) return nullptr;
    face_ptr f(raw);
    if (!FT_IS_SCALABLE(f) || f->units_per_EM == 0) return nullptr;
    long ascent = 0, descent = 0;
    vertical_extent(f.get(), ascent, descent);
    const std::int64_t extent = ascent + descent;
    const std::int64_t upem = f->units_per_EM;
    // 26.6 pixels per em, rounded
    const std::int64_t ppem = std::max<std::int64_t>(1, (2 * height * upem * 64 + extent) / (2 * extent));
    if (FT_Set_Char_Size(f.get(), 0, static_cast<FT_F26Dot6>(ppem), 72, 72) != 0) return nullptr;
    if (metrics) {
        const std::int64_t a = (2 * ascent * height + extent) / (2 * extent);
        metrics->height = height;
        metrics->ascent = static_cast<int>(std::clamp<std::int64_t>(a, 0, height));
        const std::int64_t scale = 64 * upem;
        metrics->max_char_width = static_cast<int>((f->max_advance_width * ppem + scale - 1) / scale);
    }
    return f;
}

class outline_face final : public face {
public:
    outline_face(face_ptr main, const text_metrics& m, std::vector<candidate> fallbacks, bool embolden,
                 bool shear)
        : main_(std::move(main)),
          metrics_(m),
          fallbacks_(std::move(fallbacks)),
          opened_(fallbacks_.size()),
          tried_(fallbacks_.size(), false),
          embolden_(embolden),
          shear_(shear)
    {
        if (embolden_) ++metrics_.max_char_width;
    }

    text_metrics metrics() const override { return metrics_; }

protected:
    bool render(wchar_t code, glyph_format format, raster& out) override;

private:
    // The face that has the code point and its glyph index: the main face,
    // else the first fallback that has it, else the main face's missing glyph.
    FT_Face face_for(wchar_t code, FT_UInt& index);

    face_ptr main_;
    text_metrics metrics_;
    std::vector<candidate> fallbacks_;
    std::vector<face_ptr> opened_;  // fallbacks, opened on first need
    std::vector<bool> tried_;
    bool embolden_, shear_;
    // The last glyph rendered: a size query is followed by the fetch.
    bool has_cached_ = false;
    wchar_t cached_code_ = 0;
    glyph_format cached_format_ = glyph_format::mono;
    raster cached_;
};

FT_Face outline_face::face_for(wchar_t code, FT_UInt& index)
{
    if (code < 0 || code > 0x10FFFF) {
        index = 0;
        return main_.get();
    }
    const auto cp = static_cast<FT_ULong>(code);
    index = FT_Get_Char_Index(main_.get(), cp);
    if (index != 0) return main_.get();
    for (std::size_t i = 0; i < fallbacks_.size(); ++i) {
        if (!tried_[i]) {
            tried_[i] = true;
            opened_[i] = open_sized(fallbacks_[i], metrics_.height, nullptr);
        }
        if (opened_[i] && (index = FT_Get_Char_Index(opened_[i].get(), cp)) != 0) return opened_[i].get();
    }
    index = 0;
    return main_.get();
}

bool outline_face::render(wchar_t code, glyph_format format, raster& out)
{
    if (has_cached_ && cached_code_ == code && cached_format_ == format) {
        out = cached_;
        return true;
    }
    has_cached_ = false;
    FT_UInt index = 0;
    FT_Face f = face_for(code, index);
    if (FT_Load_Glyph(f, index, load_flags) != 0 || f->glyph->format != FT_GLYPH_FORMAT_OUTLINE)
        return fail("glyph cannot be loaded");
    FT_GlyphSlot slot = f->glyph;
    if (shear_) {
        // the slant of a synthesised italic, about 12 degrees
        FT_Matrix shear{0x10000, 0x0366A, 0, 0x10000};
        FT_Outline_Transform(&slot->outline, &shear);
    }
    if (FT_Render_Glyph(slot, format == glyph_format::mono ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL) != 0)
        return fail("glyph cannot be rendered");

    const FT_Bitmap& bm = slot->bitmap;
    const int w = static_cast<int>(bm.width), h = static_cast<int>(bm.rows);
    glyph_metrics& m = out.metrics;
    m.advance = static_cast<int>((slot->advance.x + 32) >> 6);
    out.levels.clear();
    if (w > 0 && h > 0) {
        if (bm.pixel_mode != FT_PIXEL_MODE_MONO && bm.pixel_mode != FT_PIXEL_MODE_GRAY)
            return fail("glyph rendered in an unknown pixel mode");
        m.width = w;
        m.height = h;
        m.origin_x = slot->bitmap_left;
        m.origin_y = slot->bitmap_top;
        out.levels.resize(static_cast<std::size_t>(w) * h);
        for (int y = 0; y < h; ++y) {
            const unsigned char* row = bm.buffer + static_cast<std::ptrdiff_t>(y) * bm.pitch;
            unsigned char* dst = out.levels.data() + static_cast<std::size_t>(y) * w;
            for (int x = 0; x < w; ++x) {
                if (bm.pixel_mode == FT_PIXEL_MODE_MONO)
                    dst[x] = (row[x >> 3] & (0x80 >> (x & 7))) ? 16 : 0;
                else
                    dst[x] = static_cast<unsigned char>((row[x] * 16 + 127) / 255);
            }
        }
    }
    // A bitmap without coverage (a space) has no black box.
    if (std::all_of(out.levels.begin(), out.levels.end(), [](unsigned char v) { return v == 0; })) {
        m.width = m.height = m.origin_x = m.origin_y = 0;
        out.levels.clear();
    }
    if (embolden_) {
        // the glyph drawn twice, one pixel apart
        if (m.width > 0) {
            const int nw = m.width + 1;
            std::vector<unsigned char> wide(static_cast<std::size_t>(nw) * m.height, 0);
            for (int y = 0; y < m.height; ++y)
                for (int x = 0; x < nw; ++x) {
                    const unsigned char* src = out.levels.data() + static_cast<std::size_t>(y) * m.width;
                    const unsigned char left = x > 0 ? src[x - 1] : 0;
                    const unsigned char here = x < m.width ? src[x] : 0;
                    wide[static_cast<std::size_t>(y) * nw + x] = std::max(left, here);
                }
            out.levels.swap(wide);
            m.width = nw;
        }
        ++m.advance;
    }
    has_cached_ = true;
    cached_code_ = code;
    cached_format_ = format;
    cached_ = out;
    return true;
}

}  // namespace

std::unique_ptr<face> open_outline_face(const request& r, const std::vector<candidate>& fonts)
{
    if (!open_library()) return nullptr;
    const int height = std::clamp(r.height, 1, max_height);
    for (std::size_t i = 0; i < fonts.size(); ++i) {
        text_metrics m{};
        face_ptr main = open_sized(fonts[i], height, &m);
        if (!main) continue;
        std::vector<candidate> rest(fonts.begin() + static_cast<std::ptrdiff_t>(i) + 1, fonts.end());
        const bool embolden = r.weight >= 600 && !fonts[i].bold;
        const bool shear = r.italic && !fonts[i].slanted;
        return std::make_unique<outline_face>(std::move(main), m, std::move(rest), embolden, shear);
    }
    set_error("no installed font can be opened");
    return nullptr;
}

}  // namespace platform::font
