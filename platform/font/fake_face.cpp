// A face with fixed metrics and hand-made glyphs, for exact tests of the
// callers. Compiled only into test builds.
#if ZENTIL_TEST_HOOKS

#include <algorithm>

#include "platform/font/internal.hpp"
#include "platform/platform.hpp"
#include "platform/text/codepage.hpp"

namespace platform::font {
namespace {

class fake_face final : public face {
public:
    explicit fake_face(const fake_settings& s) : setup_(s) {}

    text_metrics metrics() const override
    {
        return {setup_.height, setup_.ascent, std::max(setup_.single_advance, setup_.double_advance)};
    }

protected:
    bool render(wchar_t code, glyph_format, raster& out) override
    {
        font_state& s = state();
        s.fake_code_points.push_back(code);
        if (s.fail_fake_glyphs) {
            set_error("fake glyph failure");
            return false;
        }
        const int narrow = text::narrow_code(code);
        const int advance = narrow >= 0 && narrow <= 0xFF ? setup_.single_advance : setup_.double_advance;
        out.metrics = glyph_metrics{0, 0, 0, 0, advance};
        out.levels.clear();
        for (const auto& [cp, g] : setup_.glyphs) {
            if (cp != code) continue;
            out.metrics = glyph_metrics{g.width, g.height, g.origin_x, g.origin_y, advance};
            out.levels = g.levels;
            out.levels.resize(static_cast<std::size_t>(std::max(g.width, 0) * std::max(g.height, 0)), 0);
            return true;
        }
        if (code == L' ' || code == L'\u3000') return true;
        const int w = std::max(advance - 1, 1), h = std::max(setup_.ascent, 1);
        out.metrics = glyph_metrics{w, h, 0, setup_.ascent, advance};
        out.levels.assign(static_cast<std::size_t>(w) * h, 8);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if (x == 0 || y == 0 || x == w - 1 || y == h - 1) out.levels[static_cast<std::size_t>(y) * w + x] = 16;
        return true;
    }

private:
    fake_settings setup_;
};

}  // namespace

std::unique_ptr<face> make_fake_face() { return std::make_unique<fake_face>(state().fake_setup); }

void install_fake(const fake_settings& settings)
{
    font_state& s = state();
    s.fake = true;
    s.fake_setup = settings;
    s.fake_requests.clear();
    s.fake_code_points.clear();
    s.fail_fake_glyphs = false;
    s.fail_fake_faces = 0;
}

void remove_fake()
{
    font_state& s = state();
    s.fake = false;
    s.fake_setup = fake_settings{};
    s.fake_requests.clear();
    s.fake_code_points.clear();
    s.fail_fake_glyphs = false;
    s.fail_fake_faces = 0;
}

const std::vector<request>& fake_requests() { return state().fake_requests; }
const std::vector<wchar_t>& fake_code_points() { return state().fake_code_points; }
void fail_fake_glyphs(bool fail) { state().fail_fake_glyphs = fail; }
void fail_fake_faces(int count) { state().fail_fake_faces = count; }

}  // namespace platform::font

#endif
