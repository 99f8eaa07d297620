// What the movie decoder's tests share: a stream over bytes in memory whose
// readable length can be cut while a decoder reads it, a plain decode of a
// file's Theora frames converted by the fixed-point rule written apart
// from the library, and the fixture that resets the layer around each case.
#pragma once

#include <gtest/gtest.h>
#include <theora/theoradec.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "media/core/internal.hpp"
#include "media/core/log_folder.hpp"
#include "media/sound/internal.hpp"
#include "media/sound/theora.hpp"
#include "media/sound/yuv.hpp"
#include "support/theora_reader.hpp"
#include "support/theora_writer.hpp"

namespace movie_test {

// A file in memory read through FILEOPS; limit cuts what can be read.
struct byte_stream {
    std::string bytes;
    std::atomic<long> limit{0};
    long position = 0;
    int end = 0;

    explicit byte_stream(std::string data) : bytes(std::move(data)), limit(static_cast<long>(bytes.size())) {}

    static int read(void* buffer, int element_size, int count, void* stream)
    {
        auto* s = static_cast<byte_stream*>(stream);
        if (element_size <= 0 || count <= 0)
            return 0;
        const long available = std::max(0L, s->limit.load() - s->position);
        const long elements = std::min<long>(count, available / element_size);
        if (elements == 0) {
            s->end = 1;
            return 0;
        }
        std::memcpy(buffer, s->bytes.data() + s->position, elements * element_size);
        s->position += elements * element_size;
        return static_cast<int>(elements);
    }
    static int seek(void* stream, int offset, int origin)
    {
        auto* s = static_cast<byte_stream*>(stream);
        const long base = origin == 0 ? 0 : origin == 1 ? s->position : s->limit.load();
        s->position = std::clamp<long>(base + offset, 0, s->limit.load());
        s->end = 0;
        return 0;
    }
    static int at_end(void* stream) { return static_cast<byte_stream*>(stream)->end ? -1 : 0; }

    FILEOPS ops() const
    {
        FILEOPS table{};
        table.read = read;
        table.seek = seek;
        table.at_end = at_end;
        return table;
    }
};

// Pixels as B, G, R, 255 bytes, width x height, row after row.
using picture = std::vector<std::uint8_t>;

inline std::uint8_t clamp_byte(int v) { return static_cast<std::uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v); }

// The fixed-point rule from its coefficients: 1.164, 1.596, 0.813, 2.018,
// 0.391 times 16384, sums divided toward zero.
inline void reference_pixel(int y, int u, int v, std::uint8_t* out)
{
    const int l = 19070 * (y - 16);
    out[0] = clamp_byte((l + 33062 * (u - 128)) / 16384);
    out[1] = clamp_byte((l - 6406 * (u - 128) - 13320 * (v - 128)) / 16384);
    out[2] = clamp_byte((l + 26148 * (v - 128)) / 16384);
    out[3] = 255;
}

// Every Theora frame of a file through th_decode, converted by the rule
// above (4:2:0 chroma at half the luma position).
inline std::vector<picture> reference_frames(const std::string& file)
{
    std::vector<picture> frames;
    support::theora_packets stream(file);
    th_dec_ctx* decoder = stream.decoder();
    if (!decoder)
        return frames;
    for (std::size_t k = 0; k < stream.packets.size(); ++k) {
        ogg_packet packet = stream.packet(k);
        th_decode_packetin(decoder, &packet, nullptr);
        th_ycbcr_buffer planes;
        th_decode_ycbcr_out(decoder, planes);
        const int w = planes[0].width, h = planes[0].height;
        picture pixels(static_cast<std::size_t>(w) * h * 4);
        for (int row = 0; row < h; ++row)
            for (int col = 0; col < w; ++col) {
                const int c_row = row * planes[1].height / h, c_col = col * planes[1].width / w;
                reference_pixel(planes[0].data[row * planes[0].stride + col],
                                planes[1].data[c_row * planes[1].stride + c_col],
                                planes[2].data[c_row * planes[2].stride + c_col], &pixels[(row * w + col) * 4]);
            }
        frames.push_back(std::move(pixels));
    }
    th_decode_free(decoder);
    return frames;
}

// The decoder's RGB image as a picture.
inline picture image_of(THEORADECODER* decoder)
{
    const IMGBUF* image = GetTheoraFrameImage(decoder);
    picture pixels(static_cast<std::size_t>(image->width) * image->height * 4);
    for (int row = 0; row < image->height; ++row)
        std::memcpy(&pixels[static_cast<std::size_t>(row) * image->width * 4],
                    static_cast<const std::uint8_t*>(image->pixels) + static_cast<std::ptrdiff_t>(row) * image->pitch,
                    static_cast<std::size_t>(image->width) * 4);
    return pixels;
}

// Yields until the condition holds; ctest's timeout bounds a wait that never ends.
template <class Condition>
void wait_until(Condition condition)
{
    while (!condition())
        std::this_thread::yield();
}

// The layer's state reset around each case, the tables built, the log open
// in a folder of its own, and no block left at the end.
class movie : public media_test::log_folder {
protected:
    void SetUp() override
    {
        log_folder::SetUp();
        media::snd::reset_state();
        BuildYuvToRgbTables();
        OpenLogFile();
        blocks_ = media::core::alloc_state.count;
    }
    void TearDown() override
    {
        EXPECT_EQ(media::core::alloc_state.count, blocks_) << "blocks left allocated";
        media::snd::reset_state();
        log_folder::TearDown();
    }

    int blocks_ = 0;
};

}  // namespace movie_test
