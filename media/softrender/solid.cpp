// The constant-colour setup and the run-time choice of a constant-colour rule.
#include "media/softrender/solid.hpp"

#include "media/graphics/internal.hpp"

namespace media::soft {

solid_setup make_solid_setup(int bits, std::uint32_t colour, bool by_table)
{
    const auto& state = media::gfx::draw_state;
    const int p = state.blend_param;
    const std::uint32_t bright = state.draw_bright;
    const bool bright_on = (bright & 0xFFFFFF) != 0xFFFFFF;
    if (bits == 16) colour &= 0xFFFF;  // a 5:6:5 value; upper bits would spill into a paired pixel
    const int* shift = bits == 32 ? channels<32>::shift : channels<16>::shift;
    const int* width = bits == 32 ? channels<32>::width : channels<16>::width;
    std::uint32_t prepared = bits == 32 ? colour & 0xFF000000u : 0, addend = 0;
    for (int i = 0; i < 3; ++i) {
        const std::uint32_t top = (1u << width[i]) - 1;
        std::uint32_t v = colour >> shift[i] & top;
        if (by_table)
            v = static_cast<std::uint32_t>(blend_tables.product[bright >> (8 * i) & 0xFF][v]);
        else if (bright_on)
            v = v * (bright >> (8 * i) & 0xFF) >> 8;
        prepared |= v << shift[i];
        addend |= static_cast<std::uint32_t>(blend_tables.product[p & 0xFF][v]) << shift[i];
    }
    return {prepared, addend, p & 0xFF, &blend_tables};
}

namespace {

template <int Bits>
std::uint32_t solid_any(const solid_setup& c, int mode, std::uint32_t d)
{
    switch (mode) {
    case 0: return solid_rule<0, Bits>(c, d);
    case 1: return solid_rule<1, Bits>(c, d);
    case 2: return solid_rule<2, Bits>(c, d);
    case 3: return solid_rule<3, Bits>(c, d);
    case 4: return solid_rule<4, Bits>(c, d);
    case 10: return solid_rule<10, Bits>(c, d);
    case 11: return solid_rule<11, Bits>(c, d);
    default: return d;
    }
}

}  // namespace

std::uint32_t solid_pixel(const solid_setup& setup, int mode, int bits, std::uint32_t d)
{
    return bits == 32 ? solid_any<32>(setup, mode, d) : solid_any<16>(setup, mode, d & 0xFFFF);
}

}  // namespace media::soft
