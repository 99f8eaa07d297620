// The PNG loader: the PNG library reads through PngStreamRead over the
// IMGSRC; the result keeps the file's kind (paletted, grey, grey with
// alpha, B, G, R or B, G, R, A) with 16-bit channels stripped to 8. No C++
// object with a destructor lives between the setjmp and the library's jump
// back.
#include <csetjmp>
#include <cstring>

#include <png.h>

#include "media/core/log.hpp"
#include "media/graphics/loaders/reader.hpp"

using namespace media::gfx;

namespace {

// The library's read context.
struct PNGSTREAM {
    IMGSRC* src;
};

[[noreturn]] void png_log_error(png_structp png, png_const_charp message)
{
    LogWrite(message);
    LogWrite("\n");
    png_longjmp(png, 1);
}

void png_ignore_warning(png_structp, png_const_charp) {}

}  // namespace

void PngStreamRead(png_structp png, png_bytep data, png_size_t length)
{
    auto* stream = static_cast<PNGSTREAM*>(png_get_io_ptr(png));
    if (length > INT32_MAX || read_some(stream->src, data, static_cast<long long>(length)) !=
                                  static_cast<long long>(length))
        png_error(png, "Read Error");
}

void SetPngStreamReader(png_structp png, PNGSTREAM* stream, IMGSRC* src)
{
    stream->src = src;
    png_set_read_fn(png, stream, PngStreamRead);
}

int LoadPngImage(IMGSRC* src, IMGBUF* image)
{
    // the signature first, so that other files cost no library set-up
    unsigned char signature[8];
    if (!read_exact(src, signature, 8) || png_sig_cmp(signature, 0, 8) != 0) return -1;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, png_log_error, png_ignore_warning);
    if (png == nullptr) return -1;
    png_infop info = png_create_info_struct(png);
    if (info == nullptr) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return -1;
    }
    PNGSTREAM stream;
    unsigned char* volatile pixels = nullptr;
    png_bytep* volatile rows = nullptr;
    if (setjmp(png_jmpbuf(png)) != 0) {
        ManagedFree(rows);
        ManagedFree(pixels);
        png_destroy_read_struct(&png, &info, nullptr);
        return -1;
    }
    // ancillary chunks other than tRNS change nothing here; skipped unread,
    // they cannot make the library allocate the length a damaged one claims
    static const png_byte ignored[] =
        "bKGD\0cHRM\0eXIf\0gAMA\0hIST\0iCCP\0iTXt\0oFFs\0pCAL\0pHYs\0sBIT\0sCAL\0sPLT\0sRGB\0tEXt\0tIME\0zTXt";
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, 0);
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, ignored, static_cast<int>(sizeof ignored / 5));
    SetPngStreamReader(png, &stream, src);
    png_set_sig_bytes(png, 8);
    png_read_info(png, info);
    png_uint_32 width = 0, height = 0;
    int bit_depth = 0, color_type = 0, interlace = 0;
    png_get_IHDR(png, info, &width, &height, &bit_depth, &color_type, &interlace, nullptr, nullptr);
    if (!image_size_ok(width, height)) png_error(png, "image too large");
    png_set_strip_16(png);
    png_set_packing(png);
    png_set_packswap(png);
    bool expanded = false;
    if (((color_type == PNG_COLOR_TYPE_GRAY || color_type == PNG_COLOR_TYPE_GRAY_ALPHA) && bit_depth <= 8) ||
        png_get_valid(png, info, PNG_INFO_tRNS)) {
        png_set_expand(png);
        expanded = true;
    }
    png_set_bgr(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    const long long row_bytes = static_cast<long long>(png_get_rowbytes(png, info));
    const int channels = png_get_channels(png, info);
    if (row_bytes <= 0 || row_bytes * height > INT32_MAX) png_error(png, "image too large");
    pixels = static_cast<unsigned char*>(ManagedAlloc(static_cast<int>(row_bytes * height), "png.cpp", __LINE__));
    rows = static_cast<png_bytep*>(ManagedAlloc(static_cast<int>(sizeof(png_bytep) * height), "png.cpp", __LINE__));
    if (pixels == nullptr || rows == nullptr) png_error(png, "out of memory");
    for (png_uint_32 y = 0; y < height; ++y) rows[y] = pixels + row_bytes * y;
    png_read_image(png, rows);
    png_read_end(png, nullptr);

    PIXFMT& format = image->format;
    if (color_type == PNG_COLOR_TYPE_PALETTE && !expanded) {
        InitPaletteFormat(&format);
        std::memset(format.palette, 0, sizeof format.palette);
        png_colorp palette = nullptr;
        int count = 0;
        if (png_get_PLTE(png, info, &palette, &count) != 0)
            for (int i = 0; i < count && i < 256; ++i)
                format.palette[i] = COLORENTRY{palette[i].blue, palette[i].green, palette[i].red, 0};
    } else if (color_type == PNG_COLOR_TYPE_GRAY || color_type == PNG_COLOR_TYPE_GRAY_ALPHA) {
        if (row_bytes / 2 < width) {
            InitGrayFormat(&format);
        } else {
            // grey in the low byte, the alpha byte unused
            InitFormatFromMasks(&format, 16, 0xFF, 0xFF, 0xFF, 0);
        }
    } else if (channels == 4) {
        InitARGB8Format(&format);
    } else {
        InitFullColorFormat(&format);
    }
    image->width = static_cast<int>(width);
    image->height = static_cast<int>(height);
    image->pitch = static_cast<int>(row_bytes);
    image->pixels = pixels;
    image->mipmaps = 0;
    ManagedFree(rows);
    png_destroy_read_struct(&png, &info, nullptr);
    return 0;
}
