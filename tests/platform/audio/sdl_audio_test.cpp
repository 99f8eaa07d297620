// The sdl backend's audio under SDL's dummy and disk drivers (never a sound
// card), and its timed threads.
#include "audio_fixture.hpp"
#include "platform/thread/event.hpp"
#include "support/temp_folder.hpp"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

namespace {

using namespace audio_test;

class SdlAudio : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(platform::select_backend("sdl"), 0); }
    void TearDown() override
    {
        pa::close_device();
        ASSERT_EQ(platform::select_backend("headless"), 0);
    }
    // Polls until the condition holds or 10 s have passed (SDL's audio
    // thread runs in real time).
    template <typename F>
    static bool within_deadline(F condition)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!condition()) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return true;
    }
};

TEST_F(SdlAudio, DummyDriverOpensListsAndCloses)
{
    ASSERT_EQ(setenv("SDL_AUDIODRIVER", "dummy", 1), 0);
    ASSERT_EQ(pa::open_device(), 0) << platform::error();
    EXPECT_EQ(pa::open_device(), -1);
    std::vector<platform::audio_output> outputs;
    ASSERT_EQ(pa::devices(outputs), 0) << platform::error();
    ASSERT_EQ(outputs.size(), 1u);
    EXPECT_EQ(outputs[0].module, "dummy");
    EXPECT_FALSE(outputs[0].description.empty());
    EXPECT_EQ(pa::close_device(), 0);
    EXPECT_FALSE(pa::device_is_open());
    // and again, after the close
    ASSERT_EQ(pa::open_device(), 0) << platform::error();
    EXPECT_EQ(pa::close_device(), 0);
}

TEST_F(SdlAudio, DiskDriverFileHoldsTheMixedSamples)
{
    support::temp_folder folder;
    const std::string file = folder.at("out.raw");
    ASSERT_EQ(setenv("SDL_AUDIODRIVER", "disk", 1), 0);
    ASSERT_EQ(setenv("SDL_DISKAUDIOFILE", file.c_str(), 1), 0);
    ASSERT_EQ(pa::open_device(), 0) << platform::error();

    // a ramp, 0.1 s: left (k + 1) x 7, right its negative
    constexpr int frames = 4410;
    std::vector<int> ramp;
    for (int k = 0; k < frames; ++k) {
        ramp.push_back((k + 1) * 7);
        ramp.push_back(-(k + 1) * 7);
    }
    auto b = buffer_of(pa::make_pcm_format(2, 44100, 16), s16(ramp));
    ASSERT_NE(b, nullptr);
    ASSERT_EQ(b->play(false), 0);
    ASSERT_TRUE(within_deadline([&] { return !playing(*b); }));
    ASSERT_EQ(pa::close_device(), 0);  // the driver has written and closed the file

    std::ifstream in(file, std::ios::binary);
    std::vector<float> samples;
    float f;
    while (in.read(reinterpret_cast<char*>(&f), sizeof f)) samples.push_back(f);
    std::size_t first = 0;
    while (first < samples.size() && samples[first] == 0.0f) ++first;
    ASSERT_GE(samples.size(), first + ramp.size());
    EXPECT_EQ(first % 2, 0u);
    for (std::size_t i = 0; i < ramp.size(); ++i)
        ASSERT_EQ(samples[first + i], static_cast<float>(ramp[i]) / 32768) << "sample " << i;
    for (std::size_t i = first + ramp.size(); i < samples.size(); ++i) ASSERT_EQ(samples[i], 0.0f);
}

TEST_F(SdlAudio, WriterLocksWhileTheDeviceMixes)
{
    ASSERT_EQ(setenv("SDL_AUDIODRIVER", "dummy", 1), 0);
    ASSERT_EQ(pa::open_device(), 0) << platform::error();
    auto b = pa::create_buffer(pa::make_pcm_format(2, 44100, 16), 44100);
    ASSERT_NE(b, nullptr);
    ASSERT_EQ(b->play(true), 0);
    auto copy = pa::duplicate(*b);
    ASSERT_NE(copy, nullptr);
    ASSERT_EQ(copy->play(true), 0);

    std::atomic<int> failures{0};
    std::thread writer([&] {
        for (int i = 0; i < 400; ++i) {
            void *p1 = nullptr, *p2 = nullptr;
            std::uint32_t n1 = 0, n2 = 0;
            std::uint32_t play = 0, write = 0;
            if (b->position(play, write) != 0 || b->lock(write, 8192, p1, n1, p2, n2) != 0) {
                ++failures;
                continue;
            }
            std::memset(p1, i & 0x7F, n1);
            if (p2) std::memset(p2, i & 0x7F, n2);
            if (b->unlock(p1, n1, p2, n2) != 0) ++failures;
        }
    });
    for (int i = 0; i < 400; ++i) {
        if (copy->set_volume(-(i % 50) * 100) != 0 || copy->set_pan((i % 21 - 10) * 1000) != 0 ||
            copy->set_frequency(22050 + i * 10) != 0)
            ++failures;
    }
    writer.join();
    EXPECT_EQ(failures.load(), 0);
    // the device pulls on its own thread: the cursor moves
    const std::uint32_t start = play_cursor(*b);
    EXPECT_TRUE(within_deadline([&] { return play_cursor(*b) != start; }));
    EXPECT_LT(play_cursor(*b), 44100u);
    copy.reset();  // destroyed while the device mixes
    EXPECT_EQ(b->stop(), 0);
    EXPECT_EQ(pa::close_device(), 0);
}

TEST_F(SdlAudio, TimedThreadCarriesItsName)
{
    // the thread is never joined: it holds the events as long as it runs
    struct events {
        platform::manual_reset_event release, done;
    };
    const auto e = std::make_shared<events>();
    ASSERT_EQ(platform::start_timed_thread(
                  [e] {
                      e->release.wait();
                      e->done.set();
                  },
                  "zentil-timed-name-cut", platform::thread_priority::highest),
              0);
    bool found = false;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
        std::ifstream comm(task.path() / "comm");
        std::string name;
        std::getline(comm, name);
        found = found || name == "zentil-timed-na";  // 15 bytes kept
    }
    EXPECT_TRUE(found);
    e->release.set();
    e->done.wait();
}

}  // namespace
