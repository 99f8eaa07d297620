// Memory images: blocks of pixels in main memory that the software renderer
// draws into and from, with views that share one body, and their transfer
// from decoded image buffers.
#pragma once

#include <cstdint>

#include "media/core/math.hpp"
#include "media/graphics/pixfmt.hpp"

inline constexpr std::uint32_t MEMIMG_VALID = 0x12345678;

// The body an image and all its views share (one zero-filled managed block).
struct MEMIMG_BASE {
    std::int32_t ref_count;  // 1 at creation, +1 per view; the blocks are freed at 0
    std::int32_t width, height;
    std::int32_t pitch;
    std::int32_t pitch_shift;  // n when the pitch is 2^n and no smaller power of two holds a row; else -1
    const PIXFMT* format;
    std::uint32_t transparent;  // raw pixel value (a palette index when paletted)
    std::int32_t format_index;  // 0 5:6:5, 1 32-bit, 2 8-bit one channel, 3 16-bit one channel
    std::int32_t paletted;
    std::int32_t palette_count;
    std::int32_t alpha;
    std::int32_t premultiplied_valid;
    std::int32_t runs_valid;
    std::int32_t caller_buffer;  // 1: the pixels are the caller's and are not freed here
    void* palette;               // 2048 bytes: entries in the pixel format, then (at 1024) their copy
    void* palette_copy;
    void* pixel_block;
    void* premultiplied;         // pitch x height bytes, or null
    unsigned char* runs;         // (width + 5) x height bytes of run codes, or null
};

// A software image or a view into one. Callers embed it and zero it before
// creation.
struct MEMIMG {
    std::uint32_t valid;  // MEMIMG_VALID while live
    std::int32_t width, height;
    void* pixels;          // this image's or view's first pixel
    void* premultiplied;   // the same pixel in the premultiplied copy, or null
    MEMIMG_BASE* base;
};

// 0, or -1 for an image that already holds the stamp, a refused size or
// format, or a block that cannot be had (blocks already taken are freed).
// Pitch -1: bytes per pixel x width rounded up to 16.
int CreateMemImg(MEMIMG* image, int width, int height, int pitch, std::uint32_t transparent, int format_index,
                 int paletted, int alpha, int extras, void* caller_pixels);
// Makes view a view of the rectangle of parent; leaves it untouched when the
// rectangle is not inside the parent (negative sizes included).
void MakeSubMemImg(MEMIMG* view, MEMIMG* parent, int x, int y, int width, int height);
// Drops the image's share of its body (freed with the last share); nothing
// for an invalid image.
void ReleaseMemImg(MEMIMG* image);
int IsMemImgValid(const MEMIMG* image);
// The shared descriptor of a format, alpha and palette combination, or null.
const PIXFMT* GetMemImgPixelFormat(int format_index, int alpha, int paletted);
// Writes the raw value into every pixel of the rectangle (null: the whole
// image), put in order and clamped to the image.
void FillMemImgRect(MEMIMG* image, const RECT* rect, std::uint32_t value);
// Converts the source rectangle (null: the whole source) to (x, y) of the
// destination, cut to both images; the result of ConvertPixelRect.
int CopyMemImgRect(MEMIMG* dst, MEMIMG* src, const RECT* rect, int x, int y);
// A decoded image (and its alpha companion) into an image: 0, or a negative
// result (-1 too for a rectangle outside either side).
int TransferBaseImageToMemImg(const IMGBUF* src, const IMGBUF* alpha, MEMIMG* dst, int src_x, int src_y, int width,
                              int height, int dst_x, int dst_y, int transparent_option);
