// Format blocks of audio and video media types, laid out byte for byte as
// they travel in a media type (little-endian, no padding).
#pragma once

#include <cstdint>

namespace platform::filter {

#pragma pack(push, 1)

// Audio: 18 bytes, followed by cbSize extra bytes in the block.
struct WAVEFORMATEX {
    std::uint16_t wFormatTag;
    std::uint16_t nChannels;
    std::uint32_t nSamplesPerSec;
    std::uint32_t nAvgBytesPerSec;
    std::uint16_t nBlockAlign;
    std::uint16_t wBitsPerSample;
    std::uint16_t cbSize;
};
static_assert(sizeof(WAVEFORMATEX) == 18);

inline constexpr std::uint16_t WAVE_FORMAT_PCM = 1;

struct RECT {
    std::int32_t left, top, right, bottom;
};

// A picture's layout; a negative height means rows run top-down.
struct BITMAPINFOHEADER {
    std::uint32_t biSize;
    std::int32_t biWidth;
    std::int32_t biHeight;
    std::uint16_t biPlanes;
    std::uint16_t biBitCount;
    std::uint32_t biCompression;
    std::uint32_t biSizeImage;
    std::int32_t biXPelsPerMeter;
    std::int32_t biYPelsPerMeter;
    std::uint32_t biClrUsed;
    std::uint32_t biClrImportant;
};
static_assert(sizeof(BITMAPINFOHEADER) == 40);

// Video: source and target rectangles, rates, frame time and the picture.
struct VIDEOINFOHEADER {
    RECT rcSource;
    RECT rcTarget;
    std::uint32_t dwBitRate;
    std::uint32_t dwBitErrorRate;
    std::int64_t AvgTimePerFrame;
    BITMAPINFOHEADER bmiHeader;
};
static_assert(sizeof(VIDEOINFOHEADER) == 88);

#pragma pack(pop)

}  // namespace platform::filter
