// The movie decoder's speed: the RGB conversion of a 640 x 480 4:2:0 frame
// beside a plain per-pixel floating-point loop and libyuv's I420ToARGB
// (speed only: its coefficients differ), and the frame rate of a 640 x 480
// movie through the decoder and ConvertTheoraFrame beside a plain libtheora
// decode loop over the same packets.
#include <benchmark/benchmark.h>
#include <theora/theoradec.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "media/core/stream.hpp"
#include "media/graphics/pixfmt.hpp"
#include "media/sound/internal.hpp"
#include "media/sound/theora.hpp"
#include "media/sound/yuv.hpp"
#include "tests/support/theora_reader.hpp"
#include "tests/support/theora_writer.hpp"

#ifdef ZENTIL_HAVE_LIBYUV
#include <libyuv.h>
#endif

namespace {

constexpr int W = 640, H = 480;

// A 4:2:0 frame with varied samples, and its output image.
struct frame_fixture {
    std::vector<std::uint8_t> y, u, v;
    media::snd::THEORA_FRAMESLOT slot{};
    IMGBUF image{};

    frame_fixture() : y(W * H), u(W * H / 4), v(W * H / 4)
    {
        BuildYuvToRgbTables();
        std::uint32_t seed = 12345;
        const auto next = [&] { return static_cast<std::uint8_t>((seed = seed * 1103515245 + 12345) >> 16); };
        for (auto& b : y) b = next();
        for (auto& b : u) b = next();
        for (auto& b : v) b = next();
        slot.y = y.data();
        slot.u = u.data();
        slot.v = v.data();
        slot.y_width = W;
        slot.y_height = H;
        slot.y_stride = W;
        slot.c_width = W / 2;
        slot.c_height = H / 2;
        slot.c_stride = W / 2;
        CreateXRGB8ImageBuffer(W, H, &image);
    }
    ~frame_fixture() { ReleaseImageBuffer(&image); }
};

void BM_TableConversion(benchmark::State& state)
{
    frame_fixture f;
    for (auto _ : state) {
        media::snd::convert_slot_to_rgb(f.slot, &f.image);
        benchmark::DoNotOptimize(f.image.pixels);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_TableConversion)->Unit(benchmark::kMillisecond);

inline std::uint8_t clamp_channel(float value)
{
    return static_cast<std::uint8_t>(value < 0 ? 0 : value > 255 ? 255 : value);
}

// The anchor: every pixel computed on its own in floating point.
void BM_PlainFloatLoop(benchmark::State& state)
{
    frame_fixture f;
    auto* out = static_cast<std::uint8_t*>(f.image.pixels);
    for (auto _ : state) {
        for (int row = 0; row < H; ++row)
            for (int col = 0; col < W; ++col) {
                const float yy = (f.y[row * W + col] - 16) * 1.164f;
                const float uu = f.u[(row / 2) * (W / 2) + col / 2] - 128.0f;
                const float vv = f.v[(row / 2) * (W / 2) + col / 2] - 128.0f;
                std::uint8_t* p = out + row * f.image.pitch + col * 4;
                p[0] = clamp_channel(yy + 2.018f * uu);
                p[1] = clamp_channel(yy - 0.391f * uu - 0.813f * vv);
                p[2] = clamp_channel(yy + 1.596f * vv);
                p[3] = 255;
            }
        benchmark::DoNotOptimize(out);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PlainFloatLoop)->Unit(benchmark::kMillisecond);

#ifdef ZENTIL_HAVE_LIBYUV
void BM_LibyuvI420ToARGB(benchmark::State& state)
{
    frame_fixture f;
    for (auto _ : state) {
        libyuv::I420ToARGB(f.y.data(), W, f.u.data(), W / 2, f.v.data(), W / 2,
                           static_cast<std::uint8_t*>(f.image.pixels), f.image.pitch, W, H);
        benchmark::DoNotOptimize(f.image.pixels);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_LibyuvI420ToARGB)->Unit(benchmark::kMillisecond);
#endif

// A 640 x 480 movie of 32 frames, a keyframe every 16.
const std::string& movie_file()
{
    static const std::string file = [] {
        support::theora_movie_options o;
        o.frames = 32;
        o.frame_width = o.picture_width = W;
        o.frame_height = o.picture_height = H;
        o.fps = 30;
        o.keyframe_every = 16;
        return support::write_theora_movie(o);
    }();
    return file;
}

void BM_DecoderWithConversion(benchmark::State& state)
{
    BuildYuvToRgbTables();
    std::string bytes = movie_file();
    MEMSTREAM* stream = OpenMemStream(bytes.data(), static_cast<int>(bytes.size()));
    FILEOPS ops{};
    ops.read = ReadMemStream;
    ops.seek = SeekMemStream;
    ops.at_end = IsMemStreamAtEnd;
    THEORADECODER* d = OpenTheoraDecoder(&ops, stream, 10);
    if (!d) {
        state.SkipWithError("the movie did not open");
        CloseMemStream(stream);
        return;
    }
    for (auto _ : state) {
        AdvanceTheoraFrame(d, 1);
        benchmark::DoNotOptimize(ConvertTheoraFrame(d, 1, 0));
    }
    state.SetItemsProcessed(state.iterations());
    CloseTheoraDecoder(d);
    CloseMemStream(stream);
}
BENCHMARK(BM_DecoderWithConversion)->Unit(benchmark::kMillisecond)->UseRealTime();

// The anchor: the same packets through th_decode, one picture out per
// packet, from the start again at the end.
void BM_PlainLibtheoraDecode(benchmark::State& state)
{
    support::theora_packets stream(movie_file());
    th_dec_ctx* decoder = stream.decoder();
    if (!decoder || stream.packets.empty()) {
        state.SkipWithError("the movie did not split");
        if (decoder)
            th_decode_free(decoder);
        return;
    }
    std::size_t next = 0;
    for (auto _ : state) {
        ogg_packet packet = stream.packet(next);
        th_decode_packetin(decoder, &packet, nullptr);
        th_ycbcr_buffer planes;
        th_decode_ycbcr_out(decoder, planes);
        benchmark::DoNotOptimize(planes[0].data);
        next = (next + 1) % stream.packets.size();
    }
    state.SetItemsProcessed(state.iterations());
    th_decode_free(decoder);
}
BENCHMARK(BM_PlainLibtheoraDecode)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
