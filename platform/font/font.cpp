// The layer's state, face ownership and the bitmap formats glyph() writes.
#include <algorithm>
#include <cstring>

#include "platform/font/internal.hpp"
#include "platform/platform.hpp"

namespace platform::font {

font_state& state()
{
    static font_state s;
    return s;
}

std::size_t stride_of(glyph_format format, int width)
{
    const auto w = static_cast<std::size_t>(std::max(width, 0));
    return format == glyph_format::mono ? (w + 31) / 32 * 4 : (w + 3) / 4 * 4;
}

int face::glyph(wchar_t code, glyph_format format, glyph_metrics& out, unsigned char* buffer,
                std::size_t size)
{
    if (format != glyph_format::mono && format != glyph_format::grey)
        return set_error("unknown glyph format");
    raster r;
    if (!render(code, format, r)) return -1;
    const glyph_metrics& m = r.metrics;
    const std::size_t stride = stride_of(format, m.width);
    const std::size_t needed = stride * static_cast<std::size_t>(std::max(m.height, 0));
    if (needed > static_cast<std::size_t>(0x7FFFFFFF)) return set_error("glyph bitmap too large");
    if (buffer) {
        if (size < needed) return set_error("glyph buffer too small");
        std::memset(buffer, 0, needed);
        for (int y = 0; y < m.height; ++y) {
            const unsigned char* src = r.levels.data() + static_cast<std::size_t>(y) * m.width;
            unsigned char* row = buffer + static_cast<std::size_t>(y) * stride;
            for (int x = 0; x < m.width; ++x) {
                if (format == glyph_format::grey)
                    row[x] = src[x];
                else if (src[x] > 0)
                    row[x >> 3] |= static_cast<unsigned char>(0x80 >> (x & 7));
            }
        }
    }
    out = m;
    return static_cast<int>(needed);
}

face* create(const request& r)
{
    font_state& s = state();
    std::unique_ptr<face> made;
#if ZENTIL_TEST_HOOKS
    if (s.fake) {
        s.fake_requests.push_back(r);
        if (s.fail_fake_faces > 0) {
            --s.fail_fake_faces;
            set_error("fake face failure");
            return nullptr;
        }
        made = make_fake_face();
    }
#endif
    if (!made) {
        const std::vector<candidate> fonts = match(r);
        if (fonts.empty()) return nullptr;
        made = open_outline_face(r, fonts);
        if (!made) return nullptr;
    }
    s.faces.push_back(std::move(made));
    return s.faces.back().get();
}

void release(face* f)
{
    auto& faces = state().faces;
    const auto it = std::find_if(faces.begin(), faces.end(),
                                 [f](const std::unique_ptr<face>& p) { return p.get() == f; });
    if (it != faces.end()) faces.erase(it);
}

void close()
{
    font_state& s = state();
    s.faces.clear();
    if (s.library) FT_Done_FreeType(s.library);
    s.library = nullptr;
    close_fontconfig();
}

}  // namespace platform::font
