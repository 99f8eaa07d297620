// JPEG and PNG files made with the libraries' own encoders, and the JPEG
// library's own decode, for the loader tests.
#pragma once

#include <csetjmp>
#include <cstdio>
#include <vector>

#include <jpeglib.h>
#include <png.h>

#include "image_files.hpp"

namespace graphics_test {

struct jpeg_options {
    int width = 16, height = 8;
    int components = 3;  // 1 grey, 3 RGB, 4 CMYK
    int extra_marker = 0;  // bytes of an APP5 segment written after the header
    bool progressive = false;
};

// Samples: a smooth pattern per component.
inline bytes jpeg_samples(const jpeg_options& o)
{
    bytes s;
    for (int y = 0; y < o.height; ++y)
        for (int x = 0; x < o.width; ++x)
            for (int c = 0; c < o.components; ++c) s.push_back(static_cast<unsigned char>(x * 13 + y * 7 + c * 60));
    return s;
}

inline bytes jpeg_file(const jpeg_options& o)
{
    jpeg_compress_struct info;
    jpeg_error_mgr error;
    info.err = jpeg_std_error(&error);
    jpeg_create_compress(&info);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &out, &size);
    info.image_width = static_cast<JDIMENSION>(o.width);
    info.image_height = static_cast<JDIMENSION>(o.height);
    info.input_components = o.components;
    info.in_color_space = o.components == 1 ? JCS_GRAYSCALE : o.components == 3 ? JCS_RGB : JCS_CMYK;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 90, TRUE);
    if (o.progressive) jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    if (o.extra_marker > 0) {
        const bytes filler(static_cast<std::size_t>(o.extra_marker), 0x5A);
        jpeg_write_marker(&info, JPEG_APP0 + 5, filler.data(), static_cast<unsigned>(filler.size()));
    }
    bytes samples = jpeg_samples(o);
    const int row = o.width * o.components;
    while (info.next_scanline < info.image_height) {
        JSAMPROW at = samples.data() + static_cast<long>(info.next_scanline) * row;
        jpeg_write_scanlines(&info, &at, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    bytes file(out, out + size);
    std::free(out);
    return file;
}

// The library's plain decode: components and the rows as it gives them.
inline bytes jpeg_plain_decode(const bytes& file, int* components)
{
    jpeg_decompress_struct info;
    jpeg_error_mgr error;
    info.err = jpeg_std_error(&error);
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, file.data(), static_cast<unsigned long>(file.size()));
    jpeg_read_header(&info, TRUE);
    jpeg_start_decompress(&info);
    *components = info.output_components;
    const long row = static_cast<long>(info.output_width) * info.output_components;
    bytes pixels(static_cast<std::size_t>(row * info.output_height));
    while (info.output_scanline < info.output_height) {
        JSAMPROW at = pixels.data() + row * info.output_scanline;
        jpeg_read_scanlines(&info, &at, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return pixels;
}

struct png_options {
    int width = 2, height = 1;
    int color_type = PNG_COLOR_TYPE_RGB;
    int bit_depth = 8;
    bool interlaced = false;
    std::vector<png_color> palette;
    bytes trns;         // palette alphas
    bool grey_trns = false;  // a tRNS chunk naming grey value 0
    bytes rows;         // packed rows as stored (big-endian samples)
};

inline void png_append(png_structp png, png_bytep data, png_size_t length)
{
    auto* out = static_cast<bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

inline bytes png_file(const png_options& o)
{
    bytes file;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png)) != 0) {
        png_destroy_write_struct(&png, &info);
        return {};
    }
    png_set_write_fn(png, &file, png_append, nullptr);
    png_set_IHDR(png, info, static_cast<png_uint_32>(o.width), static_cast<png_uint_32>(o.height), o.bit_depth,
                 o.color_type, o.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (!o.palette.empty()) png_set_PLTE(png, info, o.palette.data(), static_cast<int>(o.palette.size()));
    if (!o.trns.empty()) png_set_tRNS(png, info, o.trns.data(), static_cast<int>(o.trns.size()), nullptr);
    png_color_16 grey{};
    if (o.grey_trns) png_set_tRNS(png, info, nullptr, 0, &grey);
    png_write_info(png, info);
    const std::size_t row = o.rows.size() / static_cast<std::size_t>(o.height);
    std::vector<png_bytep> rows;
    bytes copy = o.rows;
    for (int y = 0; y < o.height; ++y) rows.push_back(copy.data() + row * static_cast<std::size_t>(y));
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return file;
}

}  // namespace graphics_test
