// Writes valid sample files of every format into <folder>/<target>/, the
// seeds of the fuzz corpora (built with the loader tests' own builders).
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "media/core/archive_writer.hpp"
#include "media/graphics/image_files.hpp"
#include "media/graphics/library_files.hpp"

using namespace graphics_test;

namespace {

void write(const std::filesystem::path& folder, const std::string& target, const std::string& name, const bytes& b)
{
    std::filesystem::create_directories(folder / target);
    std::ofstream(folder / target / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
    std::filesystem::create_directories(folder / "chain");
    // the chain target reads two split bytes and a mirror byte first
    bytes chained = {static_cast<unsigned char>(b.size()), static_cast<unsigned char>(b.size() >> 8), 1};
    append(chained, b);
    append(chained, b);
    std::ofstream(folder / "chain" / (target + "-" + name), std::ios::binary)
        .write(reinterpret_cast<const char*>(chained.data()), static_cast<std::streamsize>(chained.size()));
}

void write_text(const std::filesystem::path& folder, const std::string& target, const std::string& name,
                const std::string& b)
{
    std::filesystem::create_directories(folder / target);
    std::ofstream(folder / target / name, std::ios::binary).write(b.data(), static_cast<std::streamsize>(b.size()));
}

// Archives by the tests' writer (every version, stored and packed entries,
// nested folders, a double-byte name) and packed blocks of its packer.
void write_archive_seeds(const std::filesystem::path& out)
{
    using namespace archive_test;
    const std::string text = text_like(3000, 1), picture = image_like(4096, 2, 16);
    const node tree = folder("", {file("a.txt", "alpha"), file("text.txt", text, true), file("pic.bgra", picture, true),
                                  folder("sub", {file("b.bin", std::string(300, 'b'), true),
                                                 folder("deep", {file("c.txt", "C")})}),
                                  file("\x83\x61.txt", "double-byte")});
    for (int version = 0; version <= 3; ++version)
        write_text(out, "archive", "v" + std::to_string(version) + ".dxa", keyed(plain_archive(tree, version)));
    unsigned char second[ARCHIVE_KEY_SIZE];
    std::memset(second, 0x5B, sizeof second);  // the second default key
    write_text(out, "archive", "second-key.dxa", keyed(plain_archive(tree), second));
    write_text(out, "archive", "empty.dxa", keyed(plain_archive(folder("", {}))));
    write_text(out, "unpack", "text.bin", pack(text));
    write_text(out, "unpack", "picture.bin", pack(picture));
    write_text(out, "unpack", "runs.bin", pack(std::string(500, 'x') + std::string(40, '\xFE') + "tail"));
    write_text(out, "unpack", "far.bin", pack(text_like(70000, 3) + image_like(2000, 4) + text_like(70000, 3)));
}

bytes ramp(int n)
{
    bytes b;
    for (int i = 0; i < n; ++i) b.push_back(static_cast<unsigned char>(i * 29));
    return b;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_seeds folder\n");
        return 2;
    }
    const std::filesystem::path out = argv[1];
    const struct {
        int bits;
        std::uint32_t compression;
        int height;
        bytes data;
    } bmps[] = {{8, 0, 3, ramp(12)},
                {24, 0, -2, ramp(24)},
                {4, 0, 2, ramp(8)},
                {1, 0, 2, ramp(8)},
                {16, 0, 2, ramp(16)},
                {32, 0, -2, ramp(32)},
                {16, 3, 2, ramp(16)},
                {8, 1, 3, {2, 1, 0, 3, 4, 5, 6, 0, 0, 0, 0, 2, 1, 1, 1, 7, 0, 1}},
                {4, 2, 2, {2, 0x12, 0, 3, 0x34, 0x50, 0, 0, 1, 0x66, 0, 1}}};
    int index = 0;
    for (const auto& b : bmps) {
        bmp_spec s;
        s.width = 4, s.height = b.height, s.bits = b.bits, s.compression = b.compression, s.data = b.data;
        if (b.bits <= 8) s.palette.assign(static_cast<std::size_t>(1) << b.bits, 0x336699);
        if (b.compression == 3) s.masks = {0xF800, 0x7E0, 0x1F};
        if (index == 2) s.header_size = 124;
        write(out, "bmp", "seed" + std::to_string(index++) + ".bmp", bmp_file(s));
    }
    write(out, "bgra", "8.bgra", bgra_file(0x08080808, 3, 2, ramp(24)));
    write(out, "bgra", "16.bgra", bgra_file(0x10101010, 2, 2, ramp(32)));
    index = 0;
    for (int type : {1, 2, 9, 10})
        for (int bits : {16, 24, 32}) {
            tga_spec s;
            s.type = type, s.width = 3, s.height = 2, s.descriptor = index % 2 ? 0x20 : 0x10;
            s.footer = index % 3 == 0;
            const bool mapped = type == 1 || type == 9;
            s.bits = mapped ? 8 : bits;
            if (mapped) s.map_type = 1, s.map_length = 4, s.map_bits = bits, s.map = ramp(4 * bits / 8);
            const int in_bytes = mapped ? 1 : bits / 8;
            s.data = type < 9 ? ramp(6 * in_bytes) : bytes{0x81};
            if (type >= 9) {
                append(s.data, ramp(in_bytes));
                s.data.push_back(0x03);
                append(s.data, ramp(4 * in_bytes));
            }
            write(out, "tga", "seed" + std::to_string(index++) + ".tga", tga_file(s));
        }
    index = 0;
    for (const char* code : {"DXT1", "DXT3", "DXT5"}) {
        dds_spec s;
        s.width = 8, s.height = 8, s.pf_flags = 4, s.fourcc = fourcc(code);
        s.flags |= 0x20000, s.caps = 0x401008, s.mipmaps = 4;
        s.data = ramp(code[3] == '1' ? 56 : 112);
        write(out, "dds", "seed" + std::to_string(index++) + ".dds", dds_file(s));
    }
    dds_spec plain;
    plain.width = 4, plain.height = 2, plain.flags |= 8, plain.pitch = 16, plain.data = ramp(32);
    write(out, "dds", "argb.dds", dds_file(plain));
    dds_spec coded;
    coded.width = 2, coded.height = 2, coded.pf_flags = 4, coded.fourcc = 23, coded.data = ramp(8);
    write(out, "dds", "r5g6b5.dds", dds_file(coded));
    jpeg_options colour, grey, progressive;
    colour.width = 24, colour.height = 16;
    grey.components = 1;
    progressive.progressive = true;
    write(out, "jpeg", "colour.jpg", jpeg_file(colour));
    write(out, "jpeg", "grey.jpg", jpeg_file(grey));
    write(out, "jpeg", "progressive.jpg", jpeg_file(progressive));
    struct {
        int type, depth;
        bool interlaced;
    } pngs[] = {{PNG_COLOR_TYPE_RGB, 8, false},
                {PNG_COLOR_TYPE_RGB_ALPHA, 16, true},
                {PNG_COLOR_TYPE_GRAY, 2, false},
                {PNG_COLOR_TYPE_GRAY_ALPHA, 8, true},
                {PNG_COLOR_TYPE_PALETTE, 4, false}};
    index = 0;
    for (const auto& p : pngs) {
        png_options o;
        o.width = 5, o.height = 3, o.color_type = p.type, o.bit_depth = p.depth, o.interlaced = p.interlaced;
        const int channels = p.type == PNG_COLOR_TYPE_RGB          ? 3
                             : p.type == PNG_COLOR_TYPE_RGB_ALPHA  ? 4
                             : p.type == PNG_COLOR_TYPE_GRAY_ALPHA ? 2
                                                                   : 1;
        o.rows = ramp(3 * ((5 * channels * p.depth + 7) / 8));
        if (p.type == PNG_COLOR_TYPE_PALETTE) {
            o.palette = {png_color{1, 2, 3}, png_color{200, 100, 50}, png_color{9, 9, 9}};
            o.trns = {0, 0x80};
            o.rows.assign(9, 0x12);
        }
        write(out, "png", "seed" + std::to_string(index++) + ".png", png_file(o));
    }
    write_archive_seeds(out);
    return 0;
}
