// The reference device's pixel end: alpha test, the blend factors and
// operations, and the render target's pixels read widened and written
// narrowed.
#include "platform/headless/pixels.hpp"
#include "platform/headless/reference.hpp"
#include "platform/headless/state.hpp"

#include <algorithm>

namespace platform::headless::ref {

namespace {

int factor(std::uint32_t f, int ch, const colour& src, const colour& dst)
{
    switch (f) {
    case device::blend_zero: return 0;
    case device::blend_one: return 255;
    case device::blend_srccolor: return src[static_cast<std::size_t>(ch)];
    case device::blend_srcalpha: return src[alpha];
    case device::blend_invsrcalpha: return 255 - src[alpha];
    default: return 255 - dst[static_cast<std::size_t>(ch)];  // INVDESTCOLOR
    }
}

}  // namespace

bool alpha_passes(const device::device_state& st, std::uint8_t a)
{
    if (st.render[device::rs_alphatestenable] == 0) return true;
    const std::uint32_t ref = st.render[device::rs_alpharef];
    switch (st.render[device::rs_alphafunc]) {
    case device::cmp_greater: return a > ref;
    case device::cmp_greaterequal: return a >= ref;
    default: return true;  // ALWAYS
    }
}

colour blend(const device::device_state& st, const colour& src, const colour& dst)
{
    if (st.render[device::rs_alphablendenable] == 0) return src;
    const std::uint32_t fs = st.render[device::rs_srcblend], fd = st.render[device::rs_destblend];
    colour out{};
    for (int ch = 0; ch < 4; ++ch) {
        const int s = src[static_cast<std::size_t>(ch)] * factor(fs, ch, src, dst);
        const int d = dst[static_cast<std::size_t>(ch)] * factor(fd, ch, src, dst);
        int v;
        if (st.render[device::rs_blendop] == device::blendop_revsubtract)
            v = d - s <= 0 ? 0 : (d - s + 127) / 255;
        else
            v = (s + d + 127) / 255;
        out[static_cast<std::size_t>(ch)] = static_cast<std::uint8_t>(std::min(255, v));
    }
    return out;
}

colour read_pixel(const device_surface& s, int x, int y)
{
    const pixel_layout l = layout_of(s.fmt);
    const std::uint32_t v = load(pixel_at(s, x, y), l.bytes);
    colour c{};
    for (int ch = 0; ch < 4; ++ch)
        c[static_cast<std::size_t>(ch)] = static_cast<std::uint8_t>(widen(channel(v, l, ch), l.width[ch], 8));
    return c;
}

void write_pixel(device_surface& s, int x, int y, const colour& c)
{
    const pixel_layout l = layout_of(s.fmt);
    const std::uint32_t argb = static_cast<std::uint32_t>(c[0]) << 24 | static_cast<std::uint32_t>(c[1]) << 16 |
                               static_cast<std::uint32_t>(c[2]) << 8 | c[3];
    store(pixel_at(s, x, y), l.bytes, convert(argb, layout_of(device::A8R8G8B8), l));
}

}  // namespace platform::headless::ref
