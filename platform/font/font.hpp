// Fonts from files: faces matched by fontconfig, glyphs rendered from their
// outlines by FreeType. One implementation for every backend. Failures are
// -1 (or null) with one platform::set_error call.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace platform::font {

// Character sets a face is asked for.
constexpr int default_charset = 1;
constexpr int shiftjis_charset = 128;
constexpr int hangul_charset = 129;

struct request {
    std::wstring face;        // empty: the default (monospaced gothic) face
    int height = 16;          // cell height in pixels: ascent + descent
    int weight = 400;         // thickness x 100; 0 counts as 400
    bool italic = false;
    int charset = shiftjis_charset;
    bool fixed_pitch = false;  // prefers a monospaced face when the name leaves a choice
};

struct text_metrics {
    int height;          // always the requested height
    int ascent;
    int max_char_width;  // the largest advance, rounded up
};

enum class glyph_format {
    mono,  // 1 bit a pixel, first pixel in the high bit, rows padded to 4 bytes
    grey,  // one byte a pixel, levels 0 to 16, rows padded to 4 bytes
};

struct glyph_metrics {
    int width;     // black box; 0 by 0 for a glyph without pixels (a space)
    int height;
    int origin_x;  // from the pen to the box's left edge
    int origin_y;  // from the baseline up to the box's top
    int advance;   // cell increment
};

// The finished bitmap of one glyph, levels 0 to 16 (mono: 0 or 16), row by row
// without padding.
struct raster {
    glyph_metrics metrics{};
    std::vector<unsigned char> levels;
};

// One font at one size. Faces belong to the layer: release() or close()
// frees them.
class face {
public:
    virtual ~face() = default;
    virtual text_metrics metrics() const = 0;

    // The glyph of one code point: with buffer null, the bitmap's size in
    // bytes (a size query); with a buffer, writes the bitmap and returns the
    // same size. -1 (error set, buffer untouched) when the buffer is smaller
    // than the bitmap or the glyph cannot be rendered. A code point no font
    // has gives the face's missing glyph.
    int glyph(wchar_t code, glyph_format format, glyph_metrics& out, unsigned char* buffer,
              std::size_t size);

protected:
    // Renders into out; false (error set) on failure.
    virtual bool render(wchar_t code, glyph_format format, raster& out) = 0;
};

// A face for the request, or null (error set) only when no font at all can
// be opened. Face names: "meiryo" (any case) is a proportional Japanese
// gothic; "ＭＳ ゴシック" and "" a monospaced one; any other name is matched
// by fontconfig for the request's language.
face* create(const request& r);
// Frees one face; null is ignored.
void release(face* f);
// Frees every face, FreeType and fontconfig; the next create opens them
// again.
void close();

// Row stride and total size of a bitmap in the given format.
std::size_t stride_of(glyph_format format, int width);

#if ZENTIL_TEST_HOOKS
// A glyph drawn by hand for the fake face.
struct fake_glyph {
    int width = 0, height = 0, origin_x = 0, origin_y = 0;
    std::vector<unsigned char> levels;  // width x height levels 0 to 16; mono sets level > 0
};

// While installed, create() gives fake faces with these fixed metrics and
// opens no font. Characters of one CP932 byte advance by single_advance, all
// others by double_advance; U+0020 and U+3000 have no pixels; a code point
// without a glyph of its own gets a box (edge level 16, inside level 8) of
// (advance - 1) by ascent whose top lies on the ascent.
struct fake_settings {
    int height = 16;
    int ascent = 14;
    int single_advance = 8;
    int double_advance = 16;
    std::vector<std::pair<wchar_t, fake_glyph>> glyphs;
};

void install_fake(const fake_settings& settings);
void remove_fake();
// Every request create() received and every code point glyph() was asked for
// since the fake was installed.
const std::vector<request>& fake_requests();
const std::vector<wchar_t>& fake_code_points();
// While set, glyph() of a fake face fails.
void fail_fake_glyphs(bool fail);
// The next count calls of create() fail (error set) while the fake is
// installed; each failed call is still recorded among the requests.
void fail_fake_faces(int count);
#endif

}  // namespace platform::font
