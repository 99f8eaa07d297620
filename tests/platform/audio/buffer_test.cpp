// Buffers on the headless device: cursors after virtual time, the
// two-region lock, one-shot ends, stop and resume, duplicates and refusals.
#include "audio_fixture.hpp"

#include <string>

namespace {

using namespace audio_test;
using HeadlessBuffer = HeadlessAudio;

TEST_F(HeadlessBuffer, CursorsFollowTheFramesMixed)
{
    struct row {
        int channels;
        std::uint32_t rate;
        std::uint32_t size;  // bytes
        std::uint32_t ms;    // virtual time played
        std::uint32_t play, write;
    } rows[] = {
        // one second looping, 1.5 s later: frame 22050 of 44100
        {2, 44100, 176400, 1500, 88200, (22050 + 1024) * 4},
        // two seconds at half the rate, 1 s later: frame 22050 of 44100
        {1, 22050, 88200, 1000, 44100, (22050 + 512) * 2},
        // the write cursor wraps past the end
        {2, 44100, 176400, 990, 43659 * 4, (43659 + 1024 - 44100) * 4},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.rate);
        platform::headless::reset();
        auto b = pa::create_buffer(pa::make_pcm_format(r.channels, r.rate, 16), r.size);
        ASSERT_NE(b, nullptr);
        ASSERT_EQ(b->play(true), 0);
        platform::headless::advance_clock(r.ms);
        std::uint32_t play = 0, write = 0;
        ASSERT_EQ(b->position(play, write), 0);
        EXPECT_EQ(play, r.play);
        EXPECT_EQ(write, r.write);
        EXPECT_TRUE(playing(*b));
    }
}

TEST_F(HeadlessBuffer, LockGivesOneOrTwoRegions)
{
    constexpr std::uint32_t size = 176400;
    auto b = pa::create_buffer(pa::make_pcm_format(2, 44100, 16), size);
    ASSERT_NE(b, nullptr);
    struct row {
        std::uint32_t offset, bytes;
        int result;
        std::uint32_t first, second;
    } rows[] = {
        {size - 400, 1000, 0, 400, 600},
        {0, size, 0, size, 0},
        {size - 4, 4, 0, 4, 0},
        {100, 0, 0, 0, 0},
        {1, size, 0, size - 1, 1},
        {size, 4, -1, 0, 0},
        {0, size + 1, -1, 0, 0},
        {0xFFFFFFFFu, 4, -1, 0, 0},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(std::to_string(r.offset) + " " + std::to_string(r.bytes));
        void *p1 = nullptr, *p2 = nullptr;
        std::uint32_t n1 = 7, n2 = 7;
        ASSERT_EQ(b->lock(r.offset, r.bytes, p1, n1, p2, n2), r.result);
        if (r.result != 0) {
            EXPECT_STRNE(platform::error(), "");
            continue;
        }
        EXPECT_EQ(n1, r.first);
        EXPECT_EQ(n2, r.second);
        EXPECT_EQ(p2 == nullptr, r.second == 0);
        EXPECT_EQ(b->unlock(p1, n1, p2, n2), 0);
    }
    EXPECT_EQ(b->set_position(size), -1);
    EXPECT_EQ(b->set_position(size + 4), -1);
    EXPECT_EQ(play_cursor(*b), 0u);
    EXPECT_EQ(b->set_position(size - 3), 0);  // down to a whole frame
    EXPECT_EQ(play_cursor(*b), size - 4);
}

TEST_F(HeadlessBuffer, LockedBytesAreHeardOnlyAfterUnlock)
{
    auto b = pa::create_buffer(pa::make_pcm_format(2, 44100, 16), 400);
    ASSERT_NE(b, nullptr);
    // the region ends at the end and goes on from 0
    void *p1 = nullptr, *p2 = nullptr;
    std::uint32_t n1 = 0, n2 = 0;
    ASSERT_EQ(b->lock(396, 8, p1, n1, p2, n2), 0);
    const std::vector<std::uint8_t> half = s16({16384, 16384});
    std::memcpy(p1, half.data(), 4);
    std::memcpy(p2, half.data(), 4);
    ASSERT_EQ(b->play(true), 0);
    platform::headless::advance_clock(10);  // 441 frames: every frame read once
    for (float f : platform::headless::take_audio()) ASSERT_EQ(f, 0.0f);

    ASSERT_EQ(b->unlock(p1, n1, p2, n2), 0);
    ASSERT_EQ(b->set_position(396), 0);
    platform::headless::take_audio();
    platform::headless::advance_clock(1);
    const std::vector<float> out = platform::headless::take_audio();
    ASSERT_GE(out.size(), 6u);
    EXPECT_EQ(out[0], 0.5f);  // frame 99
    EXPECT_EQ(out[2], 0.5f);  // frame 0
    EXPECT_EQ(out[4], 0.0f);
}

TEST_F(HeadlessBuffer, OneShotEndsAtItsEndAndStopKeepsTheCursor)
{
    auto b = pa::create_buffer(pa::make_pcm_format(2, 44100, 16), 4410 * 4);  // 0.1 s
    ASSERT_NE(b, nullptr);
    ASSERT_EQ(b->play(false), 0);
    platform::headless::advance_clock(99);
    EXPECT_TRUE(playing(*b));
    platform::headless::advance_clock(1);
    EXPECT_FALSE(playing(*b));
    EXPECT_EQ(play_cursor(*b), 0u);

    // played again from 0; stopped halfway it keeps its place and resumes
    ASSERT_EQ(b->play(false), 0);
    platform::headless::advance_clock(50);
    ASSERT_EQ(b->stop(), 0);
    EXPECT_FALSE(playing(*b));
    const std::uint32_t stopped_at = play_cursor(*b);
    EXPECT_EQ(stopped_at, 2205u * 4);
    platform::headless::advance_clock(20);
    EXPECT_EQ(play_cursor(*b), stopped_at);
    ASSERT_EQ(b->play(false), 0);
    platform::headless::advance_clock(10);
    EXPECT_EQ(play_cursor(*b), (2205u + 441) * 4);
    platform::headless::advance_clock(40);
    EXPECT_FALSE(playing(*b));

    // at twice its rate a one-second buffer ends after half a second
    auto fast = pa::create_buffer(pa::make_pcm_format(1, 44100, 16), 88200);
    ASSERT_NE(fast, nullptr);
    ASSERT_EQ(fast->set_frequency(88200), 0);
    ASSERT_EQ(fast->play(false), 0);
    platform::headless::advance_clock(499);
    EXPECT_TRUE(playing(*fast));
    EXPECT_EQ(play_cursor(*fast), 22005u * 2 * 2);
    platform::headless::advance_clock(1);
    EXPECT_FALSE(playing(*fast));
    EXPECT_EQ(play_cursor(*fast), 0u);
}

TEST_F(HeadlessBuffer, DuplicateSharesBytesWithItsOwnCursor)
{
    const pa::pcm_format format = pa::make_pcm_format(2, 44100, 16);
    auto source = pa::create_buffer(format, 16);
    ASSERT_NE(source, nullptr);
    auto copy = pa::duplicate(*source);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->size(), 16u);
    EXPECT_EQ(copy->format().rate, 44100u);
    // written after the duplication, through the source
    write_bytes(*source, 0, s16({1024, 2048, 4096, 8192, 16384, -16384, -8192, -4096}));
    ASSERT_EQ(source->set_volume(-10000), 0);  // gains are the source's own
    ASSERT_EQ(source->set_position(4), 0);
    ASSERT_EQ(copy->set_position(8), 0);
    ASSERT_EQ(copy->play(false), 0);
    EXPECT_FALSE(playing(*source));
    EXPECT_EQ(copy->volume(), 0);

    source.reset();  // the duplicate outlives it
    platform::headless::advance_clock(1);
    const std::vector<float> out = platform::headless::take_audio();
    ASSERT_GE(out.size(), 6u);
    EXPECT_EQ(out[0], 0.5f);
    EXPECT_EQ(out[1], -0.5f);
    EXPECT_EQ(out[2], -0.25f);
    EXPECT_EQ(out[3], -0.125f);
    EXPECT_EQ(out[4], 0.0f);
    EXPECT_FALSE(playing(*copy));
}

TEST_F(HeadlessBuffer, RefusedCallsChangeNothing)
{
    auto b = pa::create_buffer(pa::make_pcm_format(2, 44100, 16), 400);
    ASSERT_NE(b, nullptr);
    ASSERT_EQ(b->set_volume(-600), 0);
    ASSERT_EQ(b->set_pan(300), 0);
    ASSERT_EQ(b->set_frequency(22050), 0);
    for (int v : {-10001, 1, -2147483647 - 1}) EXPECT_EQ(b->set_volume(v), -1);
    for (int p : {-10001, 10001}) EXPECT_EQ(b->set_pan(p), -1);
    for (std::uint32_t f : {99u, 200001u, 0xFFFFFFFFu}) EXPECT_EQ(b->set_frequency(f), -1);
    EXPECT_STRNE(platform::error(), "");
    EXPECT_EQ(b->volume(), -600);
    EXPECT_EQ(b->pan(), 300);
    EXPECT_EQ(b->frequency(), 22050u);
    EXPECT_EQ(b->set_frequency(0), 0);
    EXPECT_EQ(b->frequency(), 44100u);

    // unlock without a lock, with other regions, and a second lock
    void *p1 = nullptr, *p2 = nullptr;
    std::uint32_t n1 = 0, n2 = 0;
    char other[8];
    EXPECT_EQ(b->unlock(other, 4, nullptr, 0), -1);
    ASSERT_EQ(b->lock(392, 16, p1, n1, p2, n2), 0);
    std::memset(p1, 0x11, n1);
    std::memset(p2, 0x11, n2);
    void *q1 = nullptr, *q2 = nullptr;
    std::uint32_t m1 = 0, m2 = 0;
    EXPECT_EQ(b->lock(0, 4, q1, m1, q2, m2), -1);
    EXPECT_EQ(b->unlock(other, n1, p2, n2), -1);
    EXPECT_EQ(b->unlock(p1, n1 + 1, p2, n2), -1);
    EXPECT_EQ(b->unlock(p1, n1, other, n2), -1);
    EXPECT_EQ(b->unlock(p1, n1, p2, n2), 0);

    // the lock switch fails the next locks, then they work again
    pa::test::fail_next_locks(2);
    EXPECT_EQ(b->lock(0, 4, p1, n1, p2, n2), -1);
    EXPECT_EQ(b->lock(0, 4, p1, n1, p2, n2), -1);
    ASSERT_EQ(b->lock(0, 4, p1, n1, p2, n2), 0);
    EXPECT_EQ(*static_cast<std::uint8_t*>(p1), 0x11);  // the bytes unlocked before
    EXPECT_EQ(b->unlock(p1, n1, p2, n2), 0);

    // creations and duplicates fail while the switch lasts
    pa::test::fail_next_buffers(2);
    EXPECT_EQ(pa::create_buffer(pa::make_pcm_format(2, 44100, 16), 400), nullptr);
    EXPECT_EQ(pa::duplicate(*b), nullptr);
    EXPECT_NE(pa::duplicate(*b), nullptr);
}

TEST_F(HeadlessBuffer, DeviceOpenListingCapsAndPrimaryFormat)
{
    // one device at a time; the switch fails the next open only
    EXPECT_EQ(pa::open_device(), -1);
    ASSERT_EQ(pa::close_device(), 0);
    EXPECT_FALSE(pa::device_is_open());
    EXPECT_EQ(pa::close_device(), 0);
    platform::headless::fail_next_audio_open();
    EXPECT_EQ(pa::open_device(), -1);
    EXPECT_STRNE(platform::error(), "");
    ASSERT_EQ(pa::open_device(), 0);
    EXPECT_TRUE(pa::device_is_open());

    std::vector<platform::audio_output> outputs;
    ASSERT_EQ(pa::devices(outputs), 0);
    ASSERT_EQ(outputs.size(), 1u);
    EXPECT_EQ(outputs[0].module, "headless");
    platform::headless::fail_audio_listing(true);
    EXPECT_EQ(pa::devices(outputs), -1);

    pa::device_caps caps;
    ASSERT_EQ(pa::caps(caps), 0);
    EXPECT_EQ(caps.flags, pa::caps_all_formats);
    EXPECT_EQ(caps.min_secondary_rate, 100u);
    EXPECT_EQ(caps.max_secondary_rate, 200000u);
    EXPECT_EQ(caps.hardware_memory, 0u);
    pa::test::set_caps(48000, false, false);
    ASSERT_EQ(pa::caps(caps), 0);
    EXPECT_EQ(caps.max_secondary_rate, 48000u);
    EXPECT_EQ(caps.flags, pa::caps_primary_mono | pa::caps_primary_8bit | pa::caps_secondary_mono | pa::caps_secondary_8bit);

    ASSERT_EQ(pa::set_primary_format(pa::make_pcm_format(2, 44100, 16)), 0);
    EXPECT_EQ(pa::primary_format().rate, 44100u);
    EXPECT_EQ(pa::set_primary_format(pa::make_pcm_format(2, 44100, 12)), -1);
    EXPECT_EQ(pa::primary_format().bits, 16);

    // reset clears the switches and the caps, and keeps the device open
    platform::headless::reset();
    EXPECT_TRUE(pa::device_is_open());
    EXPECT_TRUE(platform::headless::audio_open());
    ASSERT_EQ(pa::caps(caps), 0);
    EXPECT_EQ(caps.flags, pa::caps_all_formats);
    EXPECT_EQ(pa::devices(outputs), 0);
}

}  // namespace
