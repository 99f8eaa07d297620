// Pixel formats and image buffers: the colour-format descriptor, its
// builders, single-pixel access and colour packing, the DXT decoder, the
// half-scale reduction, image-to-image copies and the soft-image handles.
#pragma once

#include <cstdint>

#include "media/core/handle.hpp"

// One palette entry in memory order; the fourth byte reads back as alpha.
struct COLORENTRY {
    std::uint8_t blue, green, red, alpha;
};

// A colour format. A 1-byte format whose masks reach past its 8 bits (the
// palette builders' 0xFF0000, 0xFF00, 0xFF) is paletted: its masks describe
// the palette entries seen as 32-bit values. An 8-bit format whose masks fit
// in the byte (one channel) holds its values directly.
struct PIXFMT {
    std::uint16_t color_bits;  // 8, 16, 24 or 32; 4 or 8 for the DXT kinds
    std::uint16_t pixel_bytes;
    std::uint8_t red_width, green_width, blue_width, alpha_width;
    std::uint8_t red_shift, green_shift, blue_shift, alpha_shift;
    std::uint32_t red_mask, green_mask, blue_mask, alpha_mask;
    std::uint32_t unused_mask;  // the bits of a pixel that belong to no channel
    COLORENTRY palette[256];
    std::uint8_t unused_shift, unused_width;
    std::uint32_t kind;  // 0 plain; 1 to 5 DXT1 to DXT5 blocks (masks describe the decoded ARGB)
};

// A pixel buffer. The pixels are a managed block owned by the buffer.
struct IMGBUF {
    PIXFMT format;
    std::int32_t width, height;
    std::int32_t pitch;  // bytes per row; 0 for DXT blocks, which follow each other
    void* pixels;
    std::int32_t mipmaps;  // 0: one level; above 1: levels follow, each a quarter of the one before
};

// A soft-image handle's record (kind 14).
struct SOFTIMAGE {
    IMGBUF image;
    std::int32_t check;
};

// Our own device-independent bitmap header: rows top-down (negative height).
struct DIBHEADER {
    std::uint32_t size;  // 40
    std::int32_t width, height;
    std::uint16_t planes, bit_count;
    std::uint32_t compression;  // 0: none
    std::uint32_t image_size;
    std::int32_t x_per_metre, y_per_metre;
    std::uint32_t colors_used, colors_important;
};
struct DIBINFO {
    DIBHEADER header;
    COLORENTRY colors[256];
};

// Builders: each fills the fields it sets and makes the kind 0.
void InitPaletteFormat(PIXFMT* format);
void InitGrayFormat(PIXFMT* format);
void InitXRGB8Format(PIXFMT* format);
void InitARGB8Format(PIXFMT* format);
void InitFullColorFormat(PIXFMT* format);
// Widths and shifts from the masks (a zero mask: width 0, shift 0); the
// unused mask is every bit of the depth outside the four.
void InitFormatFromMasks(PIXFMT* format, int depth, std::uint32_t red, std::uint32_t green, std::uint32_t blue,
                         std::uint32_t alpha);
// The unused mask from the depth and the four masks (0 when the widths fill
// the depth); the unused shift and width stay.
void RecomputeUnusedBits(PIXFMT* format);

// Pitch = bytes per pixel x width rounded up to 4; pixels not cleared;
// mipmaps 0. -1, the buffer untouched, for a size <= 0, one too large, or a
// failed allocation.
int CreateImageBuffer(int width, int height, const PIXFMT* format, IMGBUF* buffer);
int CreateARGB8ImageBuffer(int width, int height, IMGBUF* buffer);
int CreateXRGB8ImageBuffer(int width, int height, IMGBUF* buffer);
// Frees the pixels and zeroes the record; 0.
int ReleaseImageBuffer(IMGBUF* buffer);
// Zero-fills the rectangle, cut to the buffer; 0.
int ClearImageBufferRect(IMGBUF* buffer, int x, int y, int width, int height);

// Channels 0..255 into a pixel value: the nearest palette entry for a
// paletted format, else the fields at the format's widths plus the unused
// bits (wider than 8 bits: v x (2^w - 1) / 255).
std::uint32_t PackColor(const PIXFMT* format, int red, int green, int blue, int alpha);
// A pixel value into channels 0..255 (a zero-width channel gives 0); any out
// may be null.
void UnpackColor(const PIXFMT* format, std::uint32_t pixel, int* red, int* green, int* blue, int* alpha);

// 0, or -1 outside the image, without pixels or when a DXT decode fails.
int GetImagePixel(IMGBUF* buffer, int x, int y, int* red, int* green, int* blue, int* alpha);
int SetImagePixel(IMGBUF* buffer, int x, int y, int red, int green, int blue, int alpha);
// 0xAARRGGBB with each channel's raw bits at the top of its byte; 0 without
// pixels, outside the image or for 1-byte pixels.
std::uint32_t GetImagePixelCode(const IMGBUF* buffer, int x, int y);

// Reverses every row in place; -1 for an empty buffer.
int MirrorImageBuffer(IMGBUF* buffer);
// DXT1..5 into A8R8G8B8 (pitch width x 4, one level); 0 also for kind 0, -1
// when the new block cannot be had (the buffer then stays as it was).
int DecodeDxtImage(IMGBUF* buffer);
// Halves a rectangle of 16- or 32-bit pixels per channel into the
// destination at (destination x, row 0); -1 for an odd width or height other
// than 1, or another depth.
int HalfScaleImage(const PIXFMT* format, void* dst, int dst_pitch, const void* src, int src_pitch, int dst_x,
                   int unused, int src_x, int src_y, int width, int height);
// Copies a rectangle, clipped to both buffers, with palette remapping; 0
// (also when nothing is left) or -1.
int BlitImageBuffer(int src_x, int src_y, int width, int height, int dst_x, int dst_y, IMGBUF* src, IMGBUF* dst);
// Scales one rectangle into another (nearest, or bilinear with flag 1); -1
// unless both are non-empty and inside their images.
int ScaleBlitImageBuffer(int src_left, int src_top, int src_right, int src_bottom, IMGBUF* src, int dst_left,
                         int dst_top, int dst_right, int dst_bottom, IMGBUF* dst, int bilinear);
// Fills the header and hands out the bits: 1 when new bits were allocated
// (the caller frees them with ManagedFree), 0 when the image's own pixels
// are handed out, -1 on failure.
int ImageToDib(IMGBUF* buffer, DIBINFO* info, void** bits, int copy, int unused);

// Soft-image handles (kind 14): 0, or -1 for a handle that names none.
int DeleteSoftImageHandle(MEDIA_HANDLE handle);
int DeleteAllSoftImages();
int TerminateSoftImages();

namespace media::gfx {

// 1 for a paletted format (1 byte per pixel, masks past the byte).
bool is_paletted(const PIXFMT& format);
// 1 when the format can be read and written pixel by pixel: depth 8, 16, 24
// or 32 with matching bytes per pixel, kind 0, fields inside 32 bits.
bool is_plain_format(const PIXFMT& format);

}  // namespace media::gfx
