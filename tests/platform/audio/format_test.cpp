// Which formats and sizes make a buffer.
#include "audio_fixture.hpp"

#include <string>

namespace {

using namespace audio_test;
using HeadlessFormat = HeadlessAudio;

TEST_F(HeadlessFormat, EverySupportedFormatMakesABuffer)
{
    for (int bits : {8, 16, 24, 32}) {
        for (int channels = 1; channels <= 8; ++channels) {
            for (std::uint32_t rate : {100u, 8000u, 44100u, 200000u}) {
                const pa::pcm_format f = pa::make_pcm_format(channels, rate, bits);
                auto b = pa::create_buffer(f, f.block_align * 10u);
                ASSERT_NE(b, nullptr) << bits << " bits, " << channels << " channels, " << rate << " Hz: "
                                      << platform::error();
                EXPECT_EQ(b->size(), f.block_align * 10u);
                // a new buffer's bytes are 0
                void *p1 = nullptr, *p2 = nullptr;
                std::uint32_t n1 = 0, n2 = 0;
                ASSERT_EQ(b->lock(0, b->size(), p1, n1, p2, n2), 0);
                for (std::uint32_t i = 0; i < n1; ++i) ASSERT_EQ(static_cast<std::uint8_t*>(p1)[i], 0);
                ASSERT_EQ(b->unlock(p1, n1, p2, n2), 0);
            }
        }
    }
}

TEST_F(HeadlessFormat, TableOfFormatsAndSizes)
{
    auto with = [](auto change) {
        pa::pcm_format f = pa::make_pcm_format(2, 44100, 16);
        change(f);
        return f;
    };
    auto extensible = [&](bool pcm) {
        return with([pcm](pa::pcm_format& f) {
            f.tag = pa::format_tag_extensible;
            f.valid_bits = 16;
            f.channel_mask = 3;
            std::memcpy(f.sub_format, pa::pcm_sub_format, 16);
            if (!pcm) f.sub_format[0] = 3;  // the float sub-format
        });
    };
    struct row {
        const char* name;
        pa::pcm_format format;
        std::uint32_t size;
        bool made;
    } rows[] = {
        {"16-bit stereo", with([](pa::pcm_format&) {}), 400, true},
        {"extensible PCM", extensible(true), 400, true},
        {"block align above a frame", with([](pa::pcm_format& f) { f.block_align = 8; }), 400, true},
        {"bytes per second are not checked", with([](pa::pcm_format& f) { f.bytes_per_second = 1; }), 400, true},
        {"12 bits", pa::make_pcm_format(2, 44100, 12), 400, false},
        {"0 bits", with([](pa::pcm_format& f) { f.bits = 0; }), 400, false},
        {"0 channels", with([](pa::pcm_format& f) { f.channels = 0; }), 400, false},
        {"9 channels", with([](pa::pcm_format& f) { f.channels = 9; f.block_align = 18; }), 396, false},
        {"50 Hz", pa::make_pcm_format(2, 50, 16), 400, false},
        {"99 Hz", pa::make_pcm_format(2, 99, 16), 400, false},
        {"200001 Hz", pa::make_pcm_format(2, 200001, 16), 400, false},
        {"size 0", with([](pa::pcm_format&) {}), 0, false},
        {"size 3 with block align 4", with([](pa::pcm_format&) {}), 3, false},
        {"size not whole frames", with([](pa::pcm_format&) {}), 402, false},
        {"size above the largest", with([](pa::pcm_format&) {}), 0x10000000, false},
        {"block align 2 for 16-bit stereo", with([](pa::pcm_format& f) { f.block_align = 2; }), 400, false},
        {"block align 0", with([](pa::pcm_format& f) { f.block_align = 0; }), 400, false},
        {"tag 2", with([](pa::pcm_format& f) { f.tag = 2; }), 400, false},
        {"tag 3 (float)", with([](pa::pcm_format& f) { f.tag = 3; f.bits = 32; f.block_align = 8; }), 400, false},
        {"extensible, not PCM", extensible(false), 400, false},
        {"extensible, valid bits above the size", with([](pa::pcm_format& f) {
             f.tag = pa::format_tag_extensible;
             f.valid_bits = 24;
             std::memcpy(f.sub_format, pa::pcm_sub_format, 16);
         }), 400, false},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.name);
        platform::set_error("");
        auto b = pa::create_buffer(r.format, r.size);
        EXPECT_EQ(b != nullptr, r.made);
        EXPECT_EQ(std::string(platform::error()).empty(), r.made);
    }
}

}  // namespace
