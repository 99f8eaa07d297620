// Pixel formats of the headless device's memory: where each channel sits,
// and the one conversion between channel widths that every copy, fill and
// reference-mode write uses.
#pragma once

#include "platform/platform.hpp"

#include <cstdint>

namespace platform::headless {

struct device_surface;

// Channels in the order alpha, red, green, blue; width 0: the format lacks it.
struct pixel_layout {
    int bytes;
    int width[4], shift[4];
    std::uint32_t unused;  // bits of no channel, set on write
};

// The six colour formats; any other gives bytes 0.
pixel_layout layout_of(device::format f);
// A channel of n bits as one of m: fewer bits keep the top ones, more round
// v x (2^m - 1) / (2^n - 1); a channel the source lacks (n 0) is all ones.
std::uint32_t widen(std::uint32_t v, int n, int m);
std::uint32_t convert(std::uint32_t v, const pixel_layout& from, const pixel_layout& to);
std::uint32_t channel(std::uint32_t v, const pixel_layout& l, int c);
std::uint32_t load(const std::uint8_t* p, int bytes);
void store(std::uint8_t* p, int bytes, std::uint32_t v);
// The first byte of pixel (x, y) of a surface in a colour format.
std::uint8_t* pixel_at(device_surface& s, int x, int y);
const std::uint8_t* pixel_at(const device_surface& s, int x, int y);

}  // namespace platform::headless
