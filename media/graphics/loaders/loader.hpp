// Image loaders: a file or a memory block into an IMGBUF. A table of
// loaders (bitmap, JPEG, PNG, raw "BGRA", TGA, DDS) is tried in order on a
// rewound source; the first that recognises the data fills the buffer.
#pragma once

#include <cstdint>
#include <string>

#include "media/core/stream.hpp"
#include "media/graphics/pixfmt.hpp"

// The source every loader reads: six stream operations and the stream.
using IMGSRC = STREAMREF;

// 0 when the loader filled the buffer, -1 when the data is not its format or
// cannot be read (the buffer then holds nothing to free).
using IMAGELOADER = int (*)(IMGSRC* src, IMGBUF* image);

// One row of the Direct3D format codes the DDS loader and the graph handles
// share; the table ends with code -1.
struct DDSFORMAT {
    std::int32_t code;
    std::int32_t depth;
    std::uint32_t red, green, blue, alpha;
};
extern const DDSFORMAT DdsFormatTable[];
// The row of a code, or null.
const DDSFORMAT* FindDdsFormat(std::int32_t code);

// Zeroes the buffer, then tries the user loaders and the table, each on a
// source rewound to 0: 0 when one accepted the data, else -1.
int RunImageLoaders(IMGSRC* src, IMGBUF* image);

// From a file (path, CP932) or from memory (data, size); mirror 1 gives the
// image reversed left to right (DXT decoded first). With the bitmap-info
// flag, info and bits receive a DIBINFO and its rows (managed blocks the
// caller frees) and image is not filled. 0 or -1.
int LoadImageBuffer(const char* path, const void* data, int size, int from_memory, int bitmap_info, int mirror,
                    IMGBUF* image, DIBINFO** info, void** bits);
int LoadImageBufferPlain(const char* path, const void* data, int size, int from_memory, IMGBUF* image, int mirror);
// The image, then its alpha companion: alpha mode 0 from the file whose name
// has "_a" before the path's last '.', mode 1 from alpha data and size.
// -1 when the image failed, 0 with the alpha image, 1 without it.
int LoadImageWithAlphaFile(const char* path, const void* data, int size, int from_memory, const void* alpha_data,
                           int alpha_size, int alpha_mode, IMGBUF* image, IMGBUF* alpha, int mirror);

int LoadBmpImage(IMGSRC* src, IMGBUF* image);
int LoadJpegImage(IMGSRC* src, IMGBUF* image);
int LoadPngImage(IMGSRC* src, IMGBUF* image);
int LoadBgraImage(IMGSRC* src, IMGBUF* image);
int LoadTgaImage(IMGSRC* src, IMGBUF* image);
int LoadDdsImage(IMGSRC* src, IMGBUF* image);

namespace media::gfx {

// The largest side and the most pixels a loader accepts.
constexpr long long max_image_side = 32767;
constexpr long long max_image_pixels = 1LL << 26;

// The name of an image's alpha companion: "_a" before the last '.' of the
// whole path, or at its end when there is none.
std::string alpha_file_name(const char* path);

}  // namespace media::gfx
