// What the fuzz targets share: a reader that takes numbers from the front of
// the input (zeros once it is used up), and one loader run on a memory
// stream.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "media/core/stream.hpp"
#include "media/graphics/loaders/loader.hpp"

namespace fuzz {

class input {
public:
    input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::uint32_t take(int bytes)
    {
        std::uint32_t v = 0;
        for (int i = 0; i < bytes; ++i, ++at_)
            if (at_ < size_) v |= static_cast<std::uint32_t>(data_[at_]) << (8 * i);
        return v;
    }
    // A number 0 .. count - 1.
    std::uint32_t pick(std::uint32_t count) { return take(count > 256 ? 2 : 1) % count; }
    const std::uint8_t* rest() const { return data_ + (at_ < size_ ? at_ : size_); }
    std::size_t rest_size() const { return at_ < size_ ? size_ - at_ : 0; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

// One loader alone on the bytes; a loaded image is released.
inline void run_loader(IMAGELOADER loader, const std::uint8_t* data, std::size_t size)
{
    if (size > 0x7FFFFFFF) return;
    IMGSRC src{*GetMemStreamOps(), OpenMemStream(const_cast<std::uint8_t*>(data), static_cast<int>(size))};
    if (src.data == nullptr) return;
    IMGBUF image{};
    const int result = loader(&src, &image);
    src.ops.close(src.data);
    if (result == 0) {
        ReleaseImageBuffer(&image);
    } else if (result != -1 || image.pixels != nullptr) {
        std::abort();  // a refusal is -1 with nothing to free
    }
}

}  // namespace fuzz
