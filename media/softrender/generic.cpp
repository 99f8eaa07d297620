// The generic path of the blits, the box fill and the lines: every decision
// taken per pixel at run time through the rules' run-time choosers. It
// always works, serves keys without a loop, and is what the specialised
// loops are compared with.
#include "media/softrender/loops.hpp"
#include "media/softrender/solid.hpp"
#include "media/softrender/triangle_spans.hpp"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <utility>

namespace media::soft {

void force_generic_loops(int on) { loop_state.force_generic = on != 0; }

bool generic_loops_forced()
{
    if (!loop_state.env_read) {
        const char* value = std::getenv("ZENTIL_GENERIC_SOFTRENDER");
        loop_state.env_forced = value != nullptr && std::strcmp(value, "1") == 0;
        loop_state.env_read = 1;
    }
    return loop_state.env_forced != 0 || loop_state.force_generic != 0;
}

int mode_slot(int mode)
{
    const auto* at = std::find(std::begin(table_modes), std::end(table_modes), mode);
    return at == std::end(table_modes) ? -1 : static_cast<int>(at - std::begin(table_modes));
}

bool drawing_mode(int& mode, int p)
{
    if (mode_slot(mode) < 0) return false;
    if (mode >= 1 && mode <= 3 && p == 0) return false;
    if (mode == 1 && p == 255) mode = 0;
    return true;
}

namespace {

// A source pixel's colour and alpha at run time.
std::uint32_t fetch_any(int bits, int kind, const unsigned char* px, const unsigned char* palette, int* a)
{
    *a = 255;
    if (kind == kind_paletted) return bits == 32 ? load32(palette + 4 * *px) : load16(palette + 2 * *px);
    if (bits == 32) {
        const std::uint32_t v = load32(px);
        if (kind == kind_alpha) *a = static_cast<int>(v >> 24);
        return v;
    }
    if (kind == kind_alpha) *a = px[2];
    return load16(px);
}

std::uint32_t load_any(int bits, const unsigned char* p) { return bits == 32 ? load32(p) : load16(p); }
void store_any(int bits, unsigned char* p, std::uint32_t v)
{
    if (bits == 32)
        store32(p, v);
    else
        store16(p, v);
}

}  // namespace

void generic_blit_same(const same_job& j, const blit_key& k)
{
    const int sb = source_bytes(k.bits, k.kind), db = k.bits / 8;
    const bool alpha = k.kind == kind_alpha;
    const std::uint8_t* weights = j.setup.tables->weight;
    const bool bright = (j.setup.bright & 0xFFFFFF) != 0xFFFFFF;
    // paletted sources compare the index, so the rule never sees the flag
    const bool rule_trans = k.transparency && k.kind != kind_paletted;
    auto keyed_out = [&](const unsigned char* px) { return k.transparency && k.kind == kind_paletted && *px == j.setup.transparent; };
    auto draw = [&](const unsigned char* px, int weight, unsigned char* out, bool trans, bool plain, bool opaque) {
        int a;
        const std::uint32_t s = fetch_any(k.bits, k.kind, px, j.palette, &a);
        if (opaque) a = 255;
        std::uint32_t d = load_any(k.bits, out);
        if (blend_pixel(j.setup, k.mode, k.bits, k.blend_image, alpha, trans, plain, s, a, weight, &d))
            store_any(k.bits, out, d);
    };
    if (!k.runs) {
        const bool paired = k.bits == 16 && (k.mode == 2 || k.mode == 3) && !alpha && !k.blend_image && !bright &&
                            j.setup.param == 255;
        for (int y = 0; y < j.height; ++y) {
            const unsigned char* in = j.src + y * j.src_pitch;
            const unsigned char* blend = j.blend != nullptr ? j.blend + y * j.blend_pitch : nullptr;
            unsigned char* out = j.dst + y * j.dst_pitch;
            for (int x = 0; x < j.width; ++x, in += sb, out += db) {
                if (paired && x + 1 < j.width && x % 2 == 0) {
                    int a;
                    const std::uint32_t s0 = fetch_any(16, k.kind, in, j.palette, &a);
                    const std::uint32_t s1 = fetch_any(16, k.kind, in + sb, j.palette, &a);
                    const bool drawn0 = !keyed_out(in) && !(rule_trans && s0 == j.setup.transparent);
                    const bool drawn1 = !keyed_out(in + sb) && !(rule_trans && s1 == j.setup.transparent);
                    if (drawn0 && drawn1) {
                        const std::uint32_t d = load32(out), s = s0 | s1 << 16;
                        store32(out, k.mode == 2 ? add_pair16(d, s) : subtract_pair16(d, s));
                        ++x, in += sb, out += db;
                        continue;
                    }
                }
                if (keyed_out(in)) continue;
                draw(in, blend != nullptr ? weights[blend[x]] : 0, out, rule_trans, true, false);
            }
        }
        return;
    }
    const unsigned char* code = j.runs;
    for (int y = 0; y < j.height; ++y) {
        const unsigned char* in = j.src + y * j.src_pitch;
        const unsigned char* blend = j.blend != nullptr ? j.blend + y * j.blend_pitch : nullptr;
        unsigned char* out = j.dst + y * j.dst_pitch;
        int x = 0;
        for (;;) {
            const unsigned c = *code++;
            if ((c & 0xC0) == 0xC0) break;
            const int n = std::min(static_cast<int>(c & 63) + 1, j.width - x);
            if ((c >> 6) != 0)
                for (int i = x; i < x + n; ++i)
                    draw(in + i * sb, blend != nullptr ? weights[blend[i]] : 0, out + i * db, alpha, false,
                         alpha && (c >> 6) == 1);
            x += n;
        }
    }
}

namespace {

using scaled_rule_fn = bool (*)(const blend_setup&, std::uint32_t, int, int, std::uint32_t*);

template <int Mode, int Bits, bool BlendImage, bool Alpha, bool Bright, bool Trans>
bool scaled_call(const blend_setup& c, std::uint32_t s, int a, int w, std::uint32_t* d)
{
    return scaled_rule<Mode, Bits, BlendImage, Alpha, Bright, Trans>(c, s, a, w, *d);
}

// By bits: blend image 1, alpha 2, bright 4, transparency 8.
template <int Mode, int Bits, std::size_t... I>
constexpr std::array<scaled_rule_fn, 16> scaled_axes(std::index_sequence<I...>)
{
    return {&scaled_call<Mode, Bits, (I & 1) != 0, (I & 2) != 0, (I & 4) != 0, (I & 8) != 0>...};
}

template <int Mode>
constexpr std::array<std::array<scaled_rule_fn, 16>, 2> scaled_sizes()
{
    return {scaled_axes<Mode, 16>(std::make_index_sequence<16>{}), scaled_axes<Mode, 32>(std::make_index_sequence<16>{})};
}

constexpr std::array<std::array<std::array<scaled_rule_fn, 16>, 2>, 7> scaled_rules = {
    scaled_sizes<0>(), scaled_sizes<1>(), scaled_sizes<2>(), scaled_sizes<3>(),
    scaled_sizes<4>(), scaled_sizes<10>(), scaled_sizes<11>()};

}  // namespace

bool scaled_pixel(const blend_setup& setup, int mode, int bits, bool blend_image, bool alpha, bool transparency,
                  std::uint32_t s, int a, int w, std::uint32_t* d)
{
    const int slot = mode_slot(mode);
    if (slot < 0 || (bits != 16 && bits != 32)) return false;
    const bool bright = (setup.bright & 0xFFFFFF) != 0xFFFFFF;
    const int index = (blend_image ? 1 : 0) | (alpha ? 2 : 0) | (bright ? 4 : 0) | (transparency ? 8 : 0);
    return scaled_rules[static_cast<std::size_t>(slot)][bits == 32 ? 1 : 0][static_cast<std::size_t>(index)](setup, s, a,
                                                                                                          w, d);
}

void generic_blit_scaled(const scaled_job& j, const blit_key& k)
{
    const int sb = source_bytes(k.bits, k.kind);
    const bool alpha = k.kind == kind_alpha;
    const bool rule_trans = k.transparency && k.kind != kind_paletted;
    const std::uint8_t* weights = j.setup.tables->weight;
    auto draw = [&](unsigned char* out, int column, int row) {
        const unsigned char* px = j.src + row * j.src_pitch + column * sb;
        if (k.transparency && k.kind == kind_paletted && *px == j.setup.transparent) return;
        int a;
        const std::uint32_t s = fetch_any(k.bits, k.kind, px, j.palette, &a);
        const int weight = j.blend != nullptr ? weights[j.blend[row * j.blend_pitch + column]] : 0;
        std::uint32_t d = load_any(k.bits, out);
        if (scaled_pixel(j.setup, k.mode, k.bits, k.blend_image, alpha, rule_trans, s, a, weight, &d))
            store_any(k.bits, out, d);
    };
    if (k.bits == 32)
        scaled_walk<4>(j, draw);
    else
        scaled_walk<2>(j, draw);
}

// ---- box and lines ----

void generic_box(const box_job& j, int mode)
{
    for (int y = 0; y < j.height; ++y) {
        unsigned char* out = j.dst + y * j.dst_pitch;
        for (int x = 0; x < j.width; ++x, out += j.bits / 8)
            store_any(j.bits, out, solid_pixel(j.setup, mode, j.bits, load_any(j.bits, out)));
    }
}

void generic_line(const line_job& j, int mode)
{
    unsigned char* out = j.start;
    const bool x_major = j.dx >= j.dy;
    const int count = x_major ? j.dx : j.dy, minor = x_major ? j.dy : j.dx;
    const long major_step = x_major ? j.x_step : j.y_step, minor_step = x_major ? j.y_step : j.x_step;
    int e = 0;
    for (int i = 0; i < count; ++i) {
        store_any(j.bits, out, solid_pixel(j.setup, mode, j.bits, load_any(j.bits, out)));
        if (i + 1 == count) break;  // the end point is not visited
        out += major_step;
        e += minor;
        if (e >= count) {
            out += minor_step;
            e -= count;
        }
    }
}

void generic_solid_span(const triangle_job& j, int mode, int bits, unsigned char* out, int count)
{
    for (; count > 0; --count, out += bits / 8) store_any(bits, out, solid_pixel(j.solid, mode, bits, load_any(bits, out)));
}

void generic_textured_span(const triangle_job& j, const blit_key& k, unsigned char* out, int count, std::uint32_t u,
                           std::uint32_t v)
{
    const int sb = source_bytes(k.bits, k.kind);
    const bool alpha = k.kind == kind_alpha;
    const bool rule_trans = k.transparency && k.kind != kind_paletted;
    for (; count > 0; --count, out += k.bits / 8, u += j.u_step, v += j.v_step) {
        if (u >= j.u_limit || v >= j.v_limit) continue;
        const std::uint32_t column = u >> 18, row = v >> 18;
        const unsigned char* px = j.src + static_cast<long>(row) * j.src_pitch + static_cast<long>(column) * sb;
        if (k.transparency && k.kind == kind_paletted && *px == j.setup.transparent) continue;
        int a;
        const std::uint32_t s = fetch_any(k.bits, k.kind, px, j.palette, &a);
        const int weight = k.blend_image ? j.weights[j.blend[static_cast<long>(row) * j.blend_pitch + column]] : 0;
        std::uint32_t d = load_any(k.bits, out);
        if (triangle_pixel(j.setup, k.mode, k.bits, k.blend_image, alpha, rule_trans, s, a, weight, &d))
            store_any(k.bits, out, d);
    }
}

}  // namespace media::soft
