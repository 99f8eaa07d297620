// Pixel formats of the headless device's memory and the channel conversion.
#include "platform/headless/pixels.hpp"
#include "platform/headless/state.hpp"

#include <cstring>

namespace platform::headless {

pixel_layout layout_of(device::format f)
{
    switch (f) {
    case device::A8R8G8B8: return {4, {8, 8, 8, 8}, {24, 16, 8, 0}, 0};
    case device::X8R8G8B8: return {4, {0, 8, 8, 8}, {0, 16, 8, 0}, 0xFF000000u};
    case device::R5G6B5: return {2, {0, 5, 6, 5}, {0, 11, 5, 0}, 0};
    case device::X1R5G5B5: return {2, {0, 5, 5, 5}, {0, 10, 5, 0}, 0x8000u};
    case device::A1R5G5B5: return {2, {1, 5, 5, 5}, {15, 10, 5, 0}, 0};
    case device::A4R4G4B4: return {2, {4, 4, 4, 4}, {12, 8, 4, 0}, 0};
    default: return {0, {0, 0, 0, 0}, {0, 0, 0, 0}, 0};
    }
}

std::uint32_t widen(std::uint32_t v, int n, int m)
{
    if (n == 0) return (1u << m) - 1;
    if (m <= n) return v >> (n - m);
    const std::uint64_t top = (1ull << m) - 1, bottom = (1ull << n) - 1;
    return static_cast<std::uint32_t>((v * top * 2 + bottom) / (bottom * 2));
}

std::uint32_t channel(std::uint32_t v, const pixel_layout& l, int c)
{
    return l.width[c] ? v >> l.shift[c] & ((1u << l.width[c]) - 1) : 0;
}

std::uint32_t convert(std::uint32_t v, const pixel_layout& from, const pixel_layout& to)
{
    std::uint32_t out = to.unused;
    for (int c = 0; c < 4; ++c) {
        if (to.width[c] == 0) continue;
        out |= widen(channel(v, from, c), from.width[c], to.width[c]) << to.shift[c];
    }
    return out;
}

std::uint32_t load(const std::uint8_t* p, int bytes)
{
    std::uint32_t v = 0;
    std::memcpy(&v, p, static_cast<std::size_t>(bytes));
    return v;
}

void store(std::uint8_t* p, int bytes, std::uint32_t v)
{
    std::memcpy(p, &v, static_cast<std::size_t>(bytes));
}

std::uint8_t* pixel_at(device_surface& s, int x, int y)
{
    return s.bytes.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(s.pitch) +
           static_cast<std::size_t>(x) * static_cast<std::size_t>(layout_of(s.fmt).bytes);
}

const std::uint8_t* pixel_at(const device_surface& s, int x, int y)
{
    return pixel_at(const_cast<device_surface&>(s), x, y);
}

}  // namespace platform::headless
