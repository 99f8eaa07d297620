// The reference device's pieces, each in a file of its own: the rasteriser
// (raster.cpp), the sampler (sampler.cpp), the texture-stage arithmetic
// (stages.cpp), alpha test, blending and the target's pixels (blend.cpp),
// and the draw that joins them (reference.cpp). Written for plainness: one
// rule in one place, per pixel, no speed taken over clarity.
#pragma once

#include "platform/platform.hpp"

#include <array>
#include <cstdint>
#include <functional>

namespace platform::headless {

struct device_surface;

namespace ref {

// An 8-bit colour in the channel order of pixel_layout: alpha, red, green, blue.
using colour = std::array<std::uint8_t, 4>;
constexpr int alpha = 0;

// ---- rasteriser ----

// What a vertex carries into its pixels: diffuse and specular (alpha, red,
// green, blue as 0 to 255), then the texture-coordinate sets 0 and 1 (u, v).
constexpr int attributes = 12;
constexpr int diffuse_at = 0, specular_at = 4, texcoords_at = 8;

// A vertex in render-target pixels (pixel centres at integers) with its
// attributes multiplied by rhw, which makes them linear on the screen; rhw
// is above 0.
struct vertex {
    double x = 0, y = 0, rhw = 1;
    double q[attributes] = {};
};

// A covered pixel with its attributes divided back by the interpolated rhw
// (perspective-correct; affine when every rhw is equal).
struct fragment {
    int x = 0, y = 0;
    double a[attributes] = {};
};
using plot = std::function<void(const fragment&)>;

// The pixels a draw may write, right and bottom exclusive.
struct area {
    int left, top, right, bottom;
};

// Positions snap to 1/256 pixel. A triangle covers a pixel whose centre is
// inside or on a top or left edge; cull takes the CULLMODE values. A line
// covers the pixels whose diamond it leaves (the end pixel not). A point
// covers the pixel whose centre lies in the unit square around it, left and
// top sides included. Vertices past a guard band far outside any target
// (or not finite) are cut away or dropped first, so nothing overflows.
void fill_triangle(const vertex& a, const vertex& b, const vertex& c, std::uint32_t cull, const area& clip,
                   const plot& out);
void draw_line(const vertex& a, const vertex& b, const area& clip, const plot& out);
void draw_point(const vertex& a, const area& clip, const plot& out);

// ---- sampler ----

struct sampler_setup {
    std::uint32_t address_u = device::address_clamp, address_v = device::address_clamp;
    bool linear = false;
};
// A texel of level 0, any colour or block format, widened to 8 bits.
colour texel(const device_surface& s, int x, int y);
// The colour at texture coordinates (u, v): point takes the texel whose
// area holds them, linear mixes the four nearest texel centres with weights
// in 1/256 steps.
colour sample(const device_surface& s, const sampler_setup& how, double u, double v);

// ---- texture stages ----

// What a stage's arguments read.
struct stage_inputs {
    colour diffuse, specular, tfactor, current, texture;
};
// An argument's channel, complemented when the argument asks.
std::uint8_t argument(std::uint32_t arg, int ch, const stage_inputs& in);
// One channel of a stage operation.
std::uint8_t operate(std::uint32_t op, std::uint8_t a1, std::uint8_t a2, std::uint8_t diffuse_alpha,
                     std::uint8_t current_alpha);
// The stages from 0 up to the first whose colour operation is DISABLE;
// texture(stage) gives the stage's sampled texture.
colour run_stages(const device::device_state& st, const colour& diffuse, const colour& specular,
                  const std::function<colour(int)>& texture);

// ---- alpha test, blending, the target's pixels ----

bool alpha_passes(const device::device_state& st, std::uint8_t a);
colour blend(const device::device_state& st, const colour& src, const colour& dst);
// A pixel of a colour format widened to 8 bits (alpha 255 when the format has none).
colour read_pixel(const device_surface& s, int x, int y);
// Kept to the format's widths by their top bits; unused bits set.
void write_pixel(device_surface& s, int x, int y, const colour& c);

// ---- the draw ----

// The texture a stage names, its level 0, or null for none.
using texture_memory = std::function<const device_surface*(device::resource)>;
// A checked draw under the device state into the render target.
void draw(const device::draw_call& call, const device::device_state& st, device_surface& target,
          const texture_memory& textures);

}  // namespace ref
}  // namespace platform::headless
