// The blend tables' builders and the run-time choice of a per-pixel rule.
#include "media/softrender/blend.hpp"

#include "media/graphics/internal.hpp"
#include "media/softrender/loops.hpp"

#include <algorithm>
#include <array>
#include <utility>

int BuildMemImgBlendTables()
{
    auto& t = media::soft::blend_tables;
    for (int i = 0; i < 256; ++i)
        for (int d = -255; d <= 255; ++d) t.difference[i][d + 255] = d * i / 255;  // truncates toward zero
    for (int c = 0; c < 256; ++c)
        for (int v = 0; v < 256; ++v) t.product[c][v] = v * c / 255;
    for (int level = 0; level < 64; ++level)
        for (int a = 0; a < 64; ++a)
            for (int b = 0; b < 64; ++b)
                t.interpolate[level][a][b] = static_cast<std::uint8_t>((a * level + b * (63 - level)) / 63);
    return 0;
}

void BuildBlendImageWeightTable(int border, int range)
{
    const int r1 = range + 1;
    const int q = 65536 / r1;
    const int p1 = border * (q + 256) / 256;
    const int base = 256 - p1;
    for (int v = 0; v < 256; ++v)
        media::soft::blend_tables.weight[v] = static_cast<std::uint8_t>(std::clamp(v * 256 / r1 + base, 0, 255));
}

namespace media::soft {

namespace {

using rule = bool (*)(const blend_setup&, std::uint32_t, int, int, std::uint32_t*);

template <int Mode, int Bits, bool BlendImage, bool Alpha, bool Bright, bool Trans, bool Plain>
bool call(const blend_setup& c, std::uint32_t s, int a, int w, std::uint32_t* d)
{
    return blend_rule<Mode, Bits, BlendImage, Alpha, Bright, Trans, Plain>(c, s, a, w, *d);
}

// The 32 combinations of the axes for one mode and size, by bits: blend
// image 1, alpha 2, bright 4, transparency 8, plain 16.
template <int Mode, int Bits, std::size_t... I>
constexpr std::array<rule, 32> axes(std::index_sequence<I...>)
{
    return {&call<Mode, Bits, (I & 1) != 0, (I & 2) != 0, (I & 4) != 0, (I & 8) != 0, (I & 16) != 0>...};
}

template <int Mode>
constexpr std::array<std::array<rule, 32>, 2> sizes()
{
    return {axes<Mode, 16>(std::make_index_sequence<32>{}), axes<Mode, 32>(std::make_index_sequence<32>{})};
}

constexpr int modes[] = {0, 1, 2, 3, 4, 10, 11};
constexpr std::array<std::array<std::array<rule, 32>, 2>, 7> rules = {sizes<0>(), sizes<1>(), sizes<2>(), sizes<3>(),
                                                                      sizes<4>(), sizes<10>(), sizes<11>()};

}  // namespace

blend_setup current_blend_setup(std::uint32_t transparent)
{
    const auto& state = media::gfx::draw_state;
    return {state.blend_param, state.draw_bright, transparent, mmx_enabled() != 0, &blend_tables};
}

bool blend_pixel(const blend_setup& setup, int mode, int bits, bool blend_image, bool alpha, bool transparency,
                 bool plain, std::uint32_t s, int a, int w, std::uint32_t* d)
{
    const auto* at = std::find(std::begin(modes), std::end(modes), mode);
    if (at == std::end(modes) || (bits != 16 && bits != 32)) return false;
    const bool bright = (setup.bright & 0xFFFFFF) != 0xFFFFFF;
    const int index = (blend_image ? 1 : 0) | (alpha ? 2 : 0) | (bright ? 4 : 0) | (transparency ? 8 : 0) | (plain ? 16 : 0);
    return rules[at - std::begin(modes)][bits == 32 ? 1 : 0][index](setup, s, a, w, d);
}

bool triangle_pixel(const blend_setup& setup, int mode, int bits, bool blend_image, bool alpha, bool transparency,
                    std::uint32_t s, int a, int w, std::uint32_t* d)
{
    const bool bright = (setup.bright & 0xFFFFFF) != 0xFFFFFF;
    if (mode == 1 && setup.param == 255) mode = 0;
    if (mode == 0 && alpha && !blend_image && !bright && !transparency) {
        // the alpha applies: the scaled blit's rule for this case
        return scaled_pixel(setup, 0, bits, false, true, false, s, a, w, d);
    }
    if (alpha && transparency && a == 0 && (mode == 4 || mode == 11 || (mode == 10 && bits == 32)))
        transparency = false;  // drawn with its alpha as a factor
    return blend_pixel(setup, mode, bits, blend_image, alpha, transparency, false, s, a, w, d);
}

}  // namespace media::soft
