// The loader chain: sources over files and memory, RunImageLoaders,
// LoadImageBuffer with its mirror and bitmap-info modes, and the alpha
// companion of LoadImageWithAlphaFile.
#include <algorithm>
#include <climits>
#include <cstring>
#include <string>

#include "media/core/stream.hpp"
#include "media/graphics/convert.hpp"
#include "media/graphics/internal.hpp"
#include "media/graphics/loaders/reader.hpp"

namespace media::gfx {

bool read_exact(IMGSRC* src, void* buffer, long long size)
{
    return size >= 0 && read_some(src, buffer, size) == size;
}

long long read_some(IMGSRC* src, void* buffer, long long size)
{
    auto* p = static_cast<unsigned char*>(buffer);
    long long done = 0;
    while (done < size) {
        const int want = static_cast<int>(std::min<long long>(size - done, 1 << 30));
        const int got = src->ops.read(p + done, 1, want, src->data);
        if (got <= 0) break;
        done += std::min(got, want);
    }
    return done;
}

bool seek_to(IMGSRC* src, long long position)
{
    if (position < 0 || position > INT_MAX) return false;
    return src->ops.seek(src->data, static_cast<int>(position), 0) == 0;
}

long long bytes_left(IMGSRC* src)
{
    const int here = src->ops.tell(src->data);
    if (here < 0 || src->ops.seek(src->data, 0, 2) != 0) return -1;
    const int end = src->ops.tell(src->data);
    if (src->ops.seek(src->data, here, 0) != 0 || end < here) return -1;
    return static_cast<long long>(end) - here;
}

bool image_size_ok(long long width, long long height)
{
    return width >= 1 && height >= 1 && width <= max_image_side && height <= max_image_side &&
           width * height <= max_image_pixels;
}

managed_block::managed_block(long long size, bool zeroed, const char* name, int line)
{
    if (size < 0 || size > INT_MAX) return;
    const int n = static_cast<int>(size);
    p_ = static_cast<unsigned char*>(zeroed ? ManagedCalloc(n, name, line) : ManagedAlloc(n, name, line));
}

std::string alpha_file_name(const char* path)
{
    std::string name = path;
    // '.' is never a trail byte of a double-byte character, so a byte search serves
    const std::size_t dot = name.rfind('.');
    name.insert(dot == std::string::npos ? name.size() : dot, "_a");
    return name;
}

}  // namespace media::gfx

using namespace media::gfx;

const DDSFORMAT DdsFormatTable[] = {
    {20, 24, 0xFF0000, 0xFF00, 0xFF, 0},
    {21, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000},
    {22, 32, 0xFF0000, 0xFF00, 0xFF, 0},
    {23, 16, 0xF800, 0x7E0, 0x1F, 0},
    {24, 16, 0x7C00, 0x3E0, 0x1F, 0},
    {25, 16, 0x7C00, 0x3E0, 0x1F, 0x8000},
    {26, 16, 0xF00, 0xF0, 0xF, 0xF000},
    {27, 8, 0xE0, 0x1C, 0x3, 0},
    {29, 16, 0xE0, 0x1C, 0x3, 0xFF00},
    {30, 16, 0xF00, 0xF0, 0xF, 0},
    {31, 32, 0x3FF, 0xFFC00, 0x3FF00000, 0xC0000000},
    {32, 32, 0xFF, 0xFF00, 0xFF0000, 0xFF000000},
    {33, 32, 0xFF, 0xFF00, 0xFF0000, 0},
    {35, 32, 0x3FF00000, 0xFFC00, 0x3FF, 0xC0000000},
    {-1, 0, 0, 0, 0, 0},
};

const DDSFORMAT* FindDdsFormat(std::int32_t code)
{
    for (const DDSFORMAT* row = DdsFormatTable; row->code != -1; ++row)
        if (row->code == code) return row;
    return nullptr;
}

namespace {

const IMAGELOADER image_loader_table[] = {LoadBmpImage, LoadJpegImage, LoadPngImage,
                                          LoadBgraImage, LoadTgaImage, LoadDdsImage, nullptr};

bool try_loader(IMAGELOADER loader, IMGSRC* src, IMGBUF* image)
{
    src->ops.seek(src->data, 0, 0);
    std::memset(image, 0, sizeof *image);
    if (loader(src, image) == 0) return true;
    std::memset(image, 0, sizeof *image);
    return false;
}

// The image reversed left to right in a new block (one level).
int mirror_image(IMGBUF* image)
{
    if (DecodeDxtImage(image) != 0) return -1;
    managed_block out(static_cast<long long>(image->pitch) * image->height, false, "image_loader.cpp", __LINE__);
    if (!out) return -1;
    const RECT rect = {0, 0, image->width, image->height};
    if (image->format.pixel_bytes == 1) {
        // the conversion copies 1-byte pixels left to right whatever its mirror flag
        for (int y = 0; y < image->height; ++y) {
            const unsigned char* in = static_cast<const unsigned char*>(image->pixels) + static_cast<long>(y) * image->pitch;
            unsigned char* row = out.get() + static_cast<long>(y) * image->pitch;
            for (int x = 0; x < image->width; ++x) row[image->width - 1 - x] = in[x];
        }
    } else if (ConvertPixelRect(out.get(), image->pitch, &image->format, image->pixels, image->pitch, &image->format, nullptr,
                         0, nullptr, 0, 0, &rect, 1, 0, 0, 0, 0, 0, 0, 0) < 0)
        return -1;
    ManagedFree(image->pixels);
    image->pixels = out.release();
    // the new block holds the first level only
    image->mipmaps = 0;
    return 0;
}

}  // namespace

int RunImageLoaders(IMGSRC* src, IMGBUF* image)
{
    std::memset(image, 0, sizeof *image);
    for (int i = 0; i < loader_state.user_count && i < 10; ++i)
        if (loader_state.user_loaders[i] != nullptr && try_loader(loader_state.user_loaders[i], src, image)) return 0;
    for (const IMAGELOADER* loader = image_loader_table; *loader != nullptr; ++loader)
        if (try_loader(*loader, src, image)) return 0;
    return -1;
}

int LoadImageBuffer(const char* path, const void* data, int size, int from_memory, int bitmap_info, int mirror,
                    IMGBUF* image, DIBINFO** info, void** bits)
{
    IMGSRC src{};
    if (from_memory) {
        src.ops = *GetMemStreamOps();
        src.data = OpenMemStream(const_cast<void*>(data), size);
    } else {
        if (path == nullptr) return -1;
        src.ops = *GetFileStreamOps();
        src.data = OpenFileStream(path, 0, 1, 0);
    }
    if (src.data == nullptr) return -1;
    IMGBUF loaded{};
    const int found = RunImageLoaders(&src, &loaded);
    src.ops.close(src.data);
    if (found != 0) return -1;

    if (mirror == 1 && mirror_image(&loaded) != 0) {
        ReleaseImageBuffer(&loaded);
        return -1;
    }
    if (bitmap_info) {
        if (info == nullptr || bits == nullptr || DecodeDxtImage(&loaded) != 0) {
            ReleaseImageBuffer(&loaded);
            return -1;
        }
        auto* dib = static_cast<DIBINFO*>(ManagedCalloc(sizeof(DIBINFO), "image_loader.cpp", __LINE__));
        const int made = dib == nullptr ? -1 : ImageToDib(&loaded, dib, bits, 0, 0);
        if (made < 0) {
            ManagedFree(dib);
            ReleaseImageBuffer(&loaded);
            return -1;
        }
        *info = dib;
        // the bits are either new (the image's own pixels go) or the image's own
        if (made == 1) ManagedFree(loaded.pixels);
        return 0;
    }
    if (image != nullptr)
        *image = loaded;
    else
        ReleaseImageBuffer(&loaded);
    return 0;
}

int LoadImageBufferPlain(const char* path, const void* data, int size, int from_memory, IMGBUF* image, int mirror)
{
    return LoadImageBuffer(path, data, size, from_memory, 0, mirror, image, nullptr, nullptr);
}

int LoadImageWithAlphaFile(const char* path, const void* data, int size, int from_memory, const void* alpha_data,
                           int alpha_size, int alpha_mode, IMGBUF* image, IMGBUF* alpha, int mirror)
{
    if (LoadImageBuffer(path, data, size, from_memory, 0, mirror, image, nullptr, nullptr) != 0) return -1;
    if (alpha_mode == 0) {
        if (path == nullptr) return 1;
        const std::string name = alpha_file_name(path);
        return LoadImageBuffer(name.c_str(), nullptr, 0, 0, 0, mirror, alpha, nullptr, nullptr) == 0 ? 0 : 1;
    }
    if (alpha_mode == 1) {
        if (alpha_data == nullptr) return 1;
        return LoadImageBuffer(nullptr, alpha_data, alpha_size, 1, 0, mirror, alpha, nullptr, nullptr) == 0 ? 0 : 1;
    }
    return 1;
}
