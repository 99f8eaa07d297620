// Present on both backends: frames compared pixel for pixel, nearest
// scaling, bad input; the headless PNG dump, display object, mode list and
// vertical blank on the virtual clock; the stamps of presents on the
// machine's clock.
#include "platform/headless/headless.hpp"
#include "platform/platform.hpp"
#include "platform/sdl/test_hooks.hpp"
#include "platform/window/backend_fixture.hpp"
#include "support/temp_folder.hpp"

#include <gtest/gtest.h>
#include <png.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

// A picture in memory, 16 or 32 bits, with pixels that tell their place.
struct picture {
    int width, height, bits;
    std::vector<std::uint8_t> bytes;

    picture(int w, int h, int b) : width(w), height(h), bits(b), bytes(static_cast<std::size_t>(w) * h * (b / 8))
    {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) set(x, y, static_cast<std::uint32_t>(x * 7 + y * 131 + (x ^ y) * 65537));
    }
    int pitch() const { return width * (bits / 8); }
    void set(int x, int y, std::uint32_t v)
    {
        std::uint8_t* p = bytes.data() + static_cast<std::size_t>(y) * pitch() + x * (bits / 8);
        if (bits == 16) {
            std::uint16_t s = static_cast<std::uint16_t>(v);
            std::memcpy(p, &s, 2);
        } else {
            v &= 0xFFFFFF;
            std::memcpy(p, &v, 4);
        }
    }
    std::uint32_t at(int x, int y) const
    {
        const std::uint8_t* p = bytes.data() + static_cast<std::size_t>(y) * pitch() + x * (bits / 8);
        if (bits == 16) {
            std::uint16_t s;
            std::memcpy(&s, p, 2);
            return s;
        }
        std::uint32_t v;
        std::memcpy(&v, p, 4);
        return v;
    }
    // 0xRRGGBB, 16-bit channels widened by repeating their top bits
    std::uint32_t rgb(int x, int y) const
    {
        std::uint32_t v = at(x, y);
        if (bits == 32) return v & 0xFFFFFF;
        std::uint32_t r = v >> 11 & 31, g = v >> 5 & 63, b = v & 31;
        return (r << 3 | r >> 2) << 16 | (g << 2 | g >> 4) << 8 | (b << 3 | b >> 2);
    }
    platform::pixel_view view() const
    {
        platform::pixel_view v;
        v.pixels = bytes.data();
        v.width = width;
        v.height = height;
        v.pitch = pitch();
        v.bits = bits;
        if (bits == 16) {
            v.red_mask = 0xF800;
            v.green_mask = 0x7E0;
            v.blue_mask = 0x1F;
        } else {
            v.red_mask = 0xFF0000;
            v.green_mask = 0xFF00;
            v.blue_mask = 0xFF;
        }
        return v;
    }
};

std::uint64_t monotonic_ns()
{
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<std::uint64_t>(t.tv_sec) * 1000000000u + static_cast<std::uint64_t>(t.tv_nsec);
}

// The window as shown, 0xRRGGBB per pixel.
struct shown_window {
    int width = 0, height = 0;
    std::vector<std::uint32_t> rgb;
    std::uint32_t at(int x, int y) const { return rgb[static_cast<std::size_t>(y) * width + x]; }
};

std::uint32_t widen(std::uint32_t v, std::uint32_t mask)
{
    int shift = 0;
    while (!(mask >> shift & 1)) ++shift;
    int bits = 0;
    while (mask >> shift >> bits) ++bits;
    std::uint32_t c = (v & mask) >> shift;
    return bits >= 8 ? c >> (bits - 8) : (c << (8 - bits) | c >> (2 * bits - 8));
}

// At 5:6:5 precision two colours match when their top bits do.
std::uint32_t to565(std::uint32_t rgb)
{
    return (rgb >> 19 & 31) << 11 | (rgb >> 10 & 63) << 5 | (rgb >> 3 & 31);
}

class Present : public ::testing::TestWithParam<std::string> {
 protected:
    void SetUp() override { support::select_window_backend(GetParam()); }
    void TearDown() override { platform::destroy_window(); }

    bool sdl() const { return GetParam() == "sdl"; }

    void open_window(int w, int h)
    {
        platform::window_spec spec;
        spec.title = L"present";
        spec.width = w;
        spec.height = h;
        ASSERT_EQ(platform::create_window(spec), 0) << platform::error();
        ASSERT_EQ(platform::open_display(), 0) << platform::error();
    }

    shown_window shown()
    {
        shown_window s;
        if (sdl()) {
            std::vector<std::uint32_t> argb;
            EXPECT_EQ(platform::sdl::test::read_window(argb, s.width, s.height), 0) << platform::error();
            for (std::uint32_t p : argb) s.rgb.push_back(p & 0xFFFFFF);
            return s;
        }
        const platform::headless::presented_frame& f = platform::headless::frame();
        s.width = f.width;
        s.height = f.height;
        for (int y = 0; y < f.height; ++y)
            for (int x = 0; x < f.width; ++x) {
                const std::uint8_t* p = f.pixels.data() + static_cast<std::size_t>(y) * f.pitch + x * (f.bits / 8);
                std::uint32_t v = 0;
                std::memcpy(&v, p, f.bits / 8);
                s.rgb.push_back(widen(v, f.red_mask) << 16 | widen(v, f.green_mask) << 8 | widen(v, f.blue_mask));
            }
        return s;
    }
};

TEST_P(Present, FramesAreShownExactly)
{
    open_window(800, 600);
    for (int bits : {32, 16}) {
        SCOPED_TRACE(bits);
        picture pic(800, 600, bits);
        ASSERT_EQ(platform::present(pic.view(), {0, 0, 800, 600}, {0, 0, 800, 600}), 0) << platform::error();
        if (!sdl()) {
            const platform::headless::presented_frame& f = platform::headless::frame();
            EXPECT_EQ(f.bits, bits);
            EXPECT_EQ(f.red_mask, pic.view().red_mask);
            EXPECT_TRUE(f.pixels == pic.bytes) << "the headless frame is a byte-exact copy";
        }
        shown_window s = shown();
        ASSERT_EQ(s.width, 800);
        ASSERT_EQ(s.height, 600);
        int wrong = 0;
        for (int y = 0; y < 600; ++y)
            for (int x = 0; x < 800; ++x) {
                bool same = bits == 32 ? s.at(x, y) == pic.rgb(x, y) : to565(s.at(x, y)) == to565(pic.rgb(x, y));
                wrong += !same;
            }
        EXPECT_EQ(wrong, 0);
    }
}

TEST_P(Present, SizesThatDifferScaleByNearestPixel)
{
    struct row {
        const char* what;
        int view_w, view_h;
        platform::rect source, destination;
        int window_w, window_h;
    };
    const row rows[] = {
        {"twice the size", 800, 600, {0, 0, 800, 600}, {0, 0, 1600, 1200}, 1600, 1200},
        {"320 x 240 quarter doubled", 640, 480, {0, 0, 320, 240}, {0, 0, 640, 480}, 640, 480},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.what);
        open_window(r.window_w, r.window_h);
        picture pic(r.view_w, r.view_h, 32);
        ASSERT_EQ(platform::present(pic.view(), r.source, r.destination), 0) << platform::error();
        shown_window s = shown();
        ASSERT_EQ(s.width, r.window_w);
        int wrong = 0;
        for (int y = 0; y < r.window_h; ++y)
            for (int x = 0; x < r.window_w; ++x) wrong += s.at(x, y) != pic.rgb(x / 2, y / 2);
        EXPECT_EQ(wrong, 0);
        ASSERT_EQ(platform::destroy_window(), 0);
    }
}

TEST_P(Present, BadInputIsRefusedAndLeavesThePictureAsItWas)
{
    open_window(64, 48);
    picture pic(64, 48, 32);
    ASSERT_EQ(platform::present(pic.view(), {0, 0, 64, 48}, {0, 0, 64, 48}), 0);
    const shown_window before = shown();

    picture other(64, 48, 16);  // would change every pixel if shown
    struct row {
        const char* what;
        platform::pixel_view view;
        platform::rect source, destination;
        const char* error;
    };
    platform::pixel_view bits24 = other.view(), short_pitch = other.view(), no_masks = other.view();
    bits24.bits = 24;
    short_pitch.pitch = 64 * 2 - 1;
    no_masks.green_mask = 0;
    const platform::rect whole = {0, 0, 64, 48};
    const row rows[] = {
        {"24 bits", bits24, whole, whole, "pixel bits must be 16 or 32"},
        {"pitch below the row", short_pitch, whole, whole, "pitch below the width of a row"},
        {"missing mask", no_masks, whole, whole, "unsupported colour masks"},
        {"empty source", other.view(), {10, 10, 10, 20}, whole, "empty rectangle"},
        {"inverted destination", other.view(), whole, {64, 0, 0, 48}, "empty rectangle"},
        {"source past the right edge", other.view(), {1, 0, 65, 48}, whole, "source rectangle outside the view"},
        {"source above the top", other.view(), {0, -1, 64, 47}, whole, "source rectangle outside the view"},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.what);
        EXPECT_EQ(platform::present(r.view, r.source, r.destination), -1);
        EXPECT_EQ(std::string(platform::error()), r.error);
        const shown_window after = shown();
        EXPECT_TRUE(after.rgb == before.rgb);
    }
    if (!sdl()) {
        EXPECT_EQ(platform::headless::frame().count, 1);
    }

    ASSERT_EQ(platform::destroy_window(), 0);
    EXPECT_FALSE(platform::display_open());
    EXPECT_EQ(platform::present(other.view(), whole, whole), -1);
    EXPECT_EQ(std::string(platform::error()), "no window");
}

TEST_P(Present, DisplayModesAreSixteenBitsAndMore)
{
    std::vector<platform::display_mode> modes;
    ASSERT_EQ(platform::display_modes(modes), 0) << platform::error();
    ASSERT_FALSE(modes.empty());
    EXPECT_EQ(modes[0].bits, 32);  // the desktop's, not 24
    for (const platform::display_mode& m : modes) EXPECT_GE(m.bits, 16);
}

TEST_P(Present, EachPresentIsStampedOnTheMachinesMonotonicClock)
{
    open_window(32, 24);
    picture pic(32, 24, 32);
    const platform::rect whole = {0, 0, 32, 24};
    const std::uint64_t before_count = platform::presented().count;  // sdl keeps earlier tests' presents
    const std::uint64_t t0 = monotonic_ns();
    ASSERT_EQ(platform::present(pic.view(), whole, whole), 0) << platform::error();
    const std::uint64_t t1 = monotonic_ns();
    const platform::present_stamps first = platform::presented();
    EXPECT_EQ(first.count, before_count + 1);
    EXPECT_GE(first.last_ns, t0);
    EXPECT_LE(first.last_ns, t1);
    if (!sdl()) EXPECT_EQ(first.first_ns, first.last_ns);

    EXPECT_EQ(platform::present(pic.view(), {0, 0, 33, 24}, whole), -1);  // refused: no stamp
    EXPECT_EQ(platform::presented().count, before_count + 1);
    EXPECT_EQ(platform::presented().last_ns, first.last_ns);

    ASSERT_EQ(platform::present(pic.view(), whole, whole), 0) << platform::error();
    const std::uint64_t t2 = monotonic_ns();
    const platform::present_stamps second = platform::presented();
    EXPECT_EQ(second.count, before_count + 2);
    EXPECT_EQ(second.first_ns, first.first_ns);
    EXPECT_GE(second.last_ns, t1);
    EXPECT_LE(second.last_ns, t2);
}

INSTANTIATE_TEST_SUITE_P(Backends, Present, ::testing::Values("headless", "sdl"),
                         [](const ::testing::TestParamInfo<std::string>& p) { return p.param; });

TEST(VerticalBlank, NextTickOfTheRefreshClock)
{
    struct row {
        std::uint64_t now;
        int hz;
        std::uint64_t next;
    };
    const row rows[] = {
        {0, 60, 16666667},
        {10000000, 60, 16666667},
        {16666666, 60, 16666667},
        {16666667, 60, 33333334},  // from a tick, the next one
        {33333334, 60, 50000000},
        {50000000, 60, 66666667},
        {0, 0, 16666667},          // unknown refresh: 60 Hz
        {0, -5, 16666667},
        {0, 75, 13333334},
        {13333334, 75, 26666667},
        {86400ull * 1000000000 * 365 * 50 + 1, 60, 86400ull * 1000000000 * 365 * 50 + 16666667},
    };
    for (const row& r : rows) EXPECT_EQ(platform::next_vblank_time(r.now, r.hz), r.next) << r.now << " at " << r.hz;
}

// ---- headless only ----

class HeadlessPresent : public ::testing::Test {
 protected:
    void SetUp() override
    {
        support::select_window_backend("headless");
        platform::window_spec spec;
        spec.width = 32;
        spec.height = 24;
        ASSERT_EQ(platform::create_window(spec), 0);
    }
};

// The file is written at the first present and at the exit, so the run is a
// child process that presents twice and exits.
TEST_F(HeadlessPresent, StampsFileHoldsTheFirstPresentThenTheExit)
{
    support::temp_folder dir;
    const std::string file = dir.at("stamps.txt");
    const std::uint64_t start = monotonic_ns();
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        ::setenv("ZENTIL_PRESENT_STAMPS", file.c_str(), 1);
        picture pic(32, 24, 32);
        const platform::rect whole = {0, 0, 32, 24};
        const bool shown = platform::open_display() == 0 && platform::present(pic.view(), whole, whole) == 0 &&
                           platform::present(pic.view(), whole, whole) == 0;
        std::exit(shown ? 0 : 1);
    }
    ASSERT_GT(child, 0);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    const std::uint64_t end = monotonic_ns();
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    std::ifstream in(file);
    std::string first, cpu, presents, last, exit;
    std::uint64_t first_ns = 0, cpu_ns = 0, count = 0, last_ns = 0, exit_ns = 0;
    ASSERT_TRUE(in >> first >> first_ns >> cpu >> cpu_ns >> presents >> count >> last >> last_ns >> exit >> exit_ns);
    EXPECT_EQ(first, "first-present");
    EXPECT_EQ(cpu, "first-present-cpu");
    EXPECT_GT(cpu_ns, 0u);
    EXPECT_EQ(presents, "presents");
    EXPECT_EQ(last, "last-present");
    EXPECT_EQ(exit, "exit");
    EXPECT_EQ(count, 2u);
    EXPECT_LE(start, first_ns);
    EXPECT_LT(first_ns, last_ns);
    EXPECT_LE(last_ns, exit_ns);
    EXPECT_LE(exit_ns, end);
    std::string rest;
    EXPECT_FALSE(in >> rest) << rest;
}

TEST_F(HeadlessPresent, WaitForVerticalBlankMovesTheVirtualClock)
{
    ASSERT_EQ(platform::open_display(), 0);
    platform::headless::set_clock(10);
    ASSERT_EQ(platform::wait_vblank_begin(), 0);
    EXPECT_EQ(platform::headless::virtual_nanoseconds(), 16666667u);
    EXPECT_EQ(platform::milliseconds(), 16u);
    ASSERT_EQ(platform::wait_vblank_begin(), 0);
    EXPECT_EQ(platform::headless::virtual_nanoseconds(), 33333334u);
    EXPECT_FALSE(platform::in_vblank());
}

TEST_F(HeadlessPresent, FailingDisplayObjectSaysWhy)
{
    platform::headless::fail_next_display_opens(2);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(platform::open_display(), -1);
        EXPECT_EQ(std::string(platform::error()), "display object creation failed");
        EXPECT_FALSE(platform::display_open());
    }
    picture pic(32, 24, 32);
    EXPECT_EQ(platform::present(pic.view(), {0, 0, 32, 24}, {0, 0, 32, 24}), -1);
    EXPECT_EQ(std::string(platform::error()), "the display is not open");
    EXPECT_EQ(platform::open_display(), 0);
    EXPECT_TRUE(platform::display_open());
}

TEST_F(HeadlessPresent, ModeListAndModeChangesAreTheTestsToSet)
{
    std::vector<platform::display_mode> modes;
    ASSERT_EQ(platform::display_modes(modes), 0);
    ASSERT_EQ(modes.size(), 1u);
    EXPECT_EQ(modes[0].width, 1024);
    platform::headless::set_display_modes({{640, 480, 8, 60}, {640, 480, 16, 60}, {800, 600, 24, 0}, {1024, 768, 32, 75}});
    ASSERT_EQ(platform::display_modes(modes), 0);
    ASSERT_EQ(modes.size(), 3u);
    EXPECT_EQ(modes[0].bits, 16);
    EXPECT_EQ(modes[2].refresh, 75);

    ASSERT_EQ(platform::change_mode({640, 480, 16, 0}, true), 0);
    EXPECT_EQ(platform::headless::last_mode_request().mode.width, 640);
    EXPECT_TRUE(platform::headless::last_mode_request().full_screen);
    platform::headless::fail_next_mode_change();
    EXPECT_EQ(platform::change_mode({640, 480, 16, 0}, true), -1);
    EXPECT_EQ(std::string(platform::error()), "display mode change failed");
    EXPECT_EQ(platform::change_mode({640, 480, 24, 0}, true), -1);  // refused before the backend
    EXPECT_EQ(platform::headless::last_mode_request().count, 2);
    ASSERT_EQ(platform::restore_desktop_mode(), 0);
    EXPECT_EQ(platform::headless::desktop_restores(), 1);
}

// A change succeeds only for a listed mode (a rate of 0 on either side goes
// with any); each success, and each restore that left one, is followed by a
// display_changed record of the mode now current, unless suppressed.
TEST_F(HeadlessPresent, ModeChangesFollowTheListAndAreReported)
{
    platform::headless::set_desktop({1024, 768, 32, 60});
    platform::headless::set_display_modes({{640, 480, 16, 0}, {1024, 768, 32, 75}});
    struct change_case {
        platform::display_mode mode;
        int result;
    };
    const change_case cases[] = {
        {{640, 480, 16, 60}, 0},    // listed at rate 0
        {{1024, 768, 32, 75}, 0},
        {{1024, 768, 32, 0}, 0},    // asked at rate 0
        {{1024, 768, 32, 60}, -1},  // another rate
        {{800, 600, 16, 0}, -1},    // another size
        {{640, 480, 32, 0}, -1},    // another depth
    };
    auto next_record = [](platform::event& e) {
        while (platform::pump_event(e) == 1)
            if (e.kind == platform::event_kind::display_changed) return true;
        return false;
    };
    platform::event e;
    for (const change_case& c : cases) {
        SCOPED_TRACE(c.mode.width * 1000 + c.mode.refresh);
        EXPECT_EQ(platform::change_mode(c.mode, true), c.result);
        if (c.result == 0) {
            ASSERT_TRUE(next_record(e));
            EXPECT_EQ(e.x, c.mode.width);
            EXPECT_EQ(e.y, c.mode.height);
            EXPECT_EQ(e.bits, c.mode.bits);
        } else {
            EXPECT_EQ(std::string(platform::error()), "the display has no such mode");
            EXPECT_FALSE(next_record(e));
        }
    }
    EXPECT_TRUE(platform::headless::mode_changed());
    ASSERT_EQ(platform::restore_desktop_mode(), 0);
    ASSERT_TRUE(next_record(e));
    EXPECT_EQ(e.x, 1024);
    EXPECT_EQ(e.bits, 32);
    // a restore with no change held tells nothing
    ASSERT_EQ(platform::restore_desktop_mode(), 0);
    EXPECT_FALSE(next_record(e));
    EXPECT_FALSE(platform::headless::mode_changed());

    platform::headless::suppress_display_changes(true);
    ASSERT_EQ(platform::change_mode({640, 480, 16, 0}, true), 0);
    ASSERT_EQ(platform::restore_desktop_mode(), 0);
    EXPECT_FALSE(next_record(e));
}

TEST_F(HeadlessPresent, PngDumpDecodesToTheSamePixels)
{
    ASSERT_EQ(platform::open_display(), 0);
    support::temp_folder dir;
    const std::wstring none = L"/nonexistent-folder/frame.png";
    EXPECT_EQ(platform::headless::dump_frame_png(none), -1);  // nothing presented yet
    for (int bits : {32, 16}) {
        SCOPED_TRACE(bits);
        picture pic(32, 24, bits);
        ASSERT_EQ(platform::present(pic.view(), {0, 0, 32, 24}, {0, 0, 32, 24}), 0);
        const std::string path = dir.path() + "/frame.png";
        ASSERT_EQ(platform::headless::dump_frame_png(std::wstring(path.begin(), path.end())), 0) << platform::error();

        png_image image;
        std::memset(&image, 0, sizeof image);
        image.version = PNG_IMAGE_VERSION;
        ASSERT_TRUE(png_image_begin_read_from_file(&image, path.c_str()));
        image.format = PNG_FORMAT_RGB;
        std::vector<std::uint8_t> rgb(PNG_IMAGE_SIZE(image));
        ASSERT_TRUE(png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr));
        ASSERT_EQ(image.width, 32u);
        ASSERT_EQ(image.height, 24u);
        int wrong = 0;
        for (int y = 0; y < 24; ++y)
            for (int x = 0; x < 32; ++x) {
                const std::uint8_t* p = &rgb[(static_cast<std::size_t>(y) * 32 + x) * 3];
                wrong += (std::uint32_t(p[0]) << 16 | p[1] << 8 | p[2]) != pic.rgb(x, y);
            }
        EXPECT_EQ(wrong, 0);
    }
    EXPECT_EQ(platform::headless::dump_frame_png(none), -1);
    EXPECT_EQ(std::string(platform::error()), "PNG file cannot be created");
}

}  // namespace
