// What the loaders share: exact reads from an IMGSRC, stream lengths,
// little-endian fields, the size limits and a managed block that frees
// itself unless released.
#pragma once

#include <cstdint>

#include "media/core/alloc.hpp"
#include "media/graphics/loaders/loader.hpp"

namespace media::gfx {

// Reads exactly size bytes; false when the stream delivers fewer (a stream
// that fails or runs short is a refused file).
bool read_exact(IMGSRC* src, void* buffer, long long size);
// Reads at most size bytes; the count read.
long long read_some(IMGSRC* src, void* buffer, long long size);
// Seeks from the start; false when the stream refuses.
bool seek_to(IMGSRC* src, long long position);
// The bytes from the current position to the end (the position is kept);
// -1 when the stream cannot say.
long long bytes_left(IMGSRC* src);

// Width 1..32767, height 1..32767, at most 2^26 pixels.
bool image_size_ok(long long width, long long height);

inline std::uint16_t le16(const unsigned char* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }
inline std::uint32_t le32(const unsigned char* p)
{
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

// A managed block owned until release(); null when the size is refused
// (below 0 or above INT_MAX) or the allocator fails.
class managed_block {
public:
    managed_block() = default;
    managed_block(long long size, bool zeroed, const char* name, int line);
    managed_block(const managed_block&) = delete;
    managed_block& operator=(const managed_block&) = delete;
    managed_block& operator=(managed_block&& other) noexcept
    {
        reset(other.release());
        return *this;
    }
    ~managed_block() { ManagedFree(p_); }
    unsigned char* get() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    // Frees the block held and takes p.
    void reset(unsigned char* p)
    {
        ManagedFree(p_);
        p_ = p;
    }
    unsigned char* release()
    {
        unsigned char* p = p_;
        p_ = nullptr;
        return p;
    }

private:
    unsigned char* p_ = nullptr;
};

}  // namespace media::gfx
