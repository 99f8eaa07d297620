// Small image files built byte by byte for the loader tests: bitmaps, TGA,
// DDS and raw "BGRA" files with the fields a case needs.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace graphics_test {

using bytes = std::vector<unsigned char>;

inline void put16(bytes& b, std::uint32_t v)
{
    b.push_back(static_cast<unsigned char>(v));
    b.push_back(static_cast<unsigned char>(v >> 8));
}
inline void put32(bytes& b, std::uint32_t v)
{
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}
inline void append(bytes& b, const bytes& more) { b.insert(b.end(), more.begin(), more.end()); }
inline void append(bytes& b, const char* text) { b.insert(b.end(), text, text + std::strlen(text)); }

struct bmp_spec {
    std::int32_t width = 0, height = 0;
    int bits = 8;
    std::uint32_t compression = 0;
    std::uint32_t header_size = 40;
    std::uint32_t colors_used = 0;
    std::vector<std::uint32_t> palette;  // 0x00RRGGBB (the fourth byte as given)
    std::vector<std::uint32_t> masks;    // written after the first 40 header bytes
    bytes data;                          // the pixel data as stored
};

// "BM", the file header, the info header (padded to its size, the masks in
// its bytes 40..), the masks after a 40-byte header, the palette, the data.
inline bytes bmp_file(const bmp_spec& s)
{
    bytes info;
    put32(info, s.header_size);
    put32(info, static_cast<std::uint32_t>(s.width));
    put32(info, static_cast<std::uint32_t>(s.height));
    put16(info, 1);
    put16(info, static_cast<std::uint32_t>(s.bits));
    put32(info, s.compression);
    put32(info, static_cast<std::uint32_t>(s.data.size()));
    put32(info, 2835);
    put32(info, 2835);
    put32(info, s.colors_used);
    put32(info, 0);
    for (std::uint32_t m : s.masks) put32(info, m);
    while (info.size() < s.header_size) info.push_back(0);
    bytes colors;
    for (std::uint32_t c : s.palette) put32(colors, c);
    const std::uint32_t offset = static_cast<std::uint32_t>(14 + info.size() + colors.size());
    bytes f;
    append(f, "BM");
    put32(f, static_cast<std::uint32_t>(offset + s.data.size()));
    put32(f, 0);
    put32(f, offset);
    append(f, info);
    append(f, colors);
    append(f, s.data);
    return f;
}

struct tga_spec {
    int id_length = 0;
    int map_type = 0, type = 2;
    int map_first = 0, map_length = 0, map_bits = 0;
    int x_origin = 0, y_origin = 0;
    int width = 0, height = 0;
    int bits = 24, descriptor = 0;
    bytes map;   // the colour map as stored
    bytes data;  // pixels or packets as stored
    bool footer = false;
};

inline bytes tga_file(const tga_spec& s)
{
    bytes f;
    f.push_back(static_cast<unsigned char>(s.id_length));
    f.push_back(static_cast<unsigned char>(s.map_type));
    f.push_back(static_cast<unsigned char>(s.type));
    put16(f, s.map_first);
    put16(f, s.map_length);
    f.push_back(static_cast<unsigned char>(s.map_bits));
    put16(f, s.x_origin);
    put16(f, s.y_origin);
    put16(f, s.width);
    put16(f, s.height);
    f.push_back(static_cast<unsigned char>(s.bits));
    f.push_back(static_cast<unsigned char>(s.descriptor));
    for (int i = 0; i < s.id_length; ++i) f.push_back(static_cast<unsigned char>(0xA0 + i));
    append(f, s.map);
    append(f, s.data);
    if (s.footer) {
        put32(f, 0);
        put32(f, 0);
        append(f, "TRUEVISION-XFILE.");
        f.push_back(0);
    }
    return f;
}

struct dds_spec {
    std::uint32_t flags = 0x1007;  // caps, height, width, pixel format
    std::uint32_t width = 0, height = 0, pitch = 0, mipmaps = 0;
    std::uint32_t pf_flags = 0x41;
    std::uint32_t fourcc = 0;
    std::uint32_t bit_count = 32;
    std::uint32_t masks[4] = {0xFF0000, 0xFF00, 0xFF, 0xFF000000};
    std::uint32_t caps = 0x1000;
    bytes data;
};

inline std::uint32_t fourcc(const char* s)
{
    return static_cast<std::uint32_t>(s[0]) | static_cast<std::uint32_t>(s[1]) << 8 |
           static_cast<std::uint32_t>(s[2]) << 16 | static_cast<std::uint32_t>(s[3]) << 24;
}

inline bytes dds_file(const dds_spec& s)
{
    bytes f;
    append(f, "DDS ");
    put32(f, 124);
    put32(f, s.flags);
    put32(f, s.height);
    put32(f, s.width);
    put32(f, s.pitch);
    put32(f, 0);
    put32(f, s.mipmaps);
    for (int i = 0; i < 11; ++i) put32(f, 0);
    put32(f, 32);
    put32(f, s.pf_flags);
    put32(f, s.fourcc);
    put32(f, s.bit_count);
    for (std::uint32_t m : s.masks) put32(f, m);
    put32(f, s.caps);
    for (int i = 0; i < 4; ++i) put32(f, 0);
    append(f, s.data);
    return f;
}

inline bytes bgra_file(std::uint32_t code, std::uint32_t width, std::uint32_t height, const bytes& data)
{
    bytes f;
    append(f, "BGRA");
    put32(f, code);
    put32(f, width);
    put32(f, height);
    append(f, data);
    return f;
}

}  // namespace graphics_test
