// Clear and flip on the software renderer: frames read back from the
// headless presenter at window scale 1 and 2 and in the 320 x 240 emulation,
// and the front screen's timer on the virtual clock.
#include <cstring>

#include "../core/log_folder.hpp"
#include "media/graphics/draw.hpp"
#include "media/graphics/drawstate.hpp"
#include "media/graphics/graph_files.hpp"
#include "media/graphics/present.hpp"
#include "media/graphics/screen_mode.hpp"
#include "media/graphics/settings.hpp"
#include "media/graphics/startup.hpp"
#include "media/softrender/internal.hpp"
#include "media/softrender/memimg.hpp"
#include "media/system/startup.hpp"

namespace {

using media::gfx::graphics;

class Flip : public media_test::headless_media {
protected:
    void SetUp() override
    {
        headless_media::SetUp();
        media::soft::reset_state();
        platform::headless::set_clock_step(1);
        ASSERT_EQ(InitMediaLayer(), 0);
        platform::headless::set_clock_step(0);
        settle();
    }
    void TearDown() override
    {
        EndMediaLayer();
        media::soft::reset_state();
        headless_media::TearDown();
    }

    // A screen with a red top-left pixel, a green pixel at (319, 239) and a
    // blue bottom-right one on white.
    static void draw_pattern()
    {
        MEMIMG* s = &graphics.screen_image;
        FillMemImgRect(s, nullptr, PackScreenColor(255, 255, 255));
        const RECT red{0, 0, 1, 1}, green{319, 239, 320, 240}, blue{s->width - 1, s->height - 1, s->width, s->height};
        FillMemImgRect(s, &red, PackScreenColor(255, 0, 0));
        FillMemImgRect(s, &green, PackScreenColor(0, 255, 0));
        FillMemImgRect(s, &blue, PackScreenColor(0, 0, 255));
    }

    static std::uint32_t frame_pixel(int x, int y)
    {
        const platform::headless::presented_frame& f = platform::headless::frame();
        std::uint32_t v = 0;
        std::memcpy(&v, f.pixels.data() + static_cast<std::size_t>(y) * f.pitch + static_cast<std::size_t>(x) * 4, 4);
        return v & 0xFFFFFF;
    }
};

TEST_F(Flip, RefusedWhenNotRunningOrQuitting)
{
    const int presents = platform::headless::frame().count;
    media::core::window_state.quit = 1;
    EXPECT_EQ(FlipDrawScreen(), -1);
    media::core::window_state.quit = 0;
    EXPECT_EQ(platform::headless::frame().count, presents);
}

TEST_F(Flip, ClearFillsTheWholeScreenWhateverTheAreaAndMode)
{
    draw_pattern();
    SetDrawClipArea(10, 10, 20, 20);
    SetBlendModeParam(1, 10);
    EXPECT_EQ(ClearDrawTarget(), 0);
    const MEMIMG& s = graphics.screen_image;
    const auto* first = static_cast<const std::uint32_t*>(s.pixels);
    const auto* last = reinterpret_cast<const std::uint32_t*>(static_cast<const unsigned char*>(s.pixels) +
                                                              (s.height - 1) * s.base->pitch);
    EXPECT_EQ(first[0], PackScreenColor(0, 0, 0));
    EXPECT_EQ(last[s.width - 1], PackScreenColor(0, 0, 0));
}

TEST_F(Flip, PresentsAtWindowScaleOneAndTwo)
{
    draw_pattern();
    const std::uint32_t before = platform::milliseconds();
    ASSERT_EQ(FlipDrawScreen(), 0);
    const platform::headless::presented_frame& f = platform::headless::frame();
    ASSERT_EQ(f.width, 800);
    ASSERT_EQ(f.height, 600);
    EXPECT_EQ(frame_pixel(0, 0), 0xFF0000u);
    EXPECT_EQ(frame_pixel(1, 0), 0xFFFFFFu);
    EXPECT_EQ(frame_pixel(799, 599), 0x0000FFu);
    // the vertical-blank wait moved the virtual clock to the next tick
    EXPECT_GT(platform::milliseconds(), before);
    EXPECT_EQ(graphics.last_flip_time, static_cast<std::uint32_t>(GetTickMillis()));

    media::core::window_state.settings.scale_x = 2.0;
    media::core::window_state.settings.scale_y = 2.0;
    platform::screen_rect client{};
    platform::client_rect(client);
    client.width = 1600;
    client.height = 1200;
    ASSERT_EQ(platform::set_client_rect(client), 0);
    ASSERT_EQ(FlipDrawScreen(), 0);
    ASSERT_EQ(f.width, 1600);
    EXPECT_EQ(frame_pixel(0, 0), 0xFF0000u);
    EXPECT_EQ(frame_pixel(1, 1), 0xFF0000u);
    EXPECT_EQ(frame_pixel(2, 0), 0xFFFFFFu);
    EXPECT_EQ(frame_pixel(1598, 1198), 0x0000FFu);
    EXPECT_EQ(frame_pixel(1599, 1199), 0x0000FFu);
}

TEST_F(Flip, AMinimumIntervalWaitsInMillisecondSleepsAndNoWindowShowsNothing)
{
    ASSERT_EQ(FlipDrawScreen(), 0);
    const std::uint32_t first = graphics.last_flip_time;
    graphics.min_flip_interval = 25;
    ASSERT_EQ(FlipDrawScreen(), 0);
    // the interval passed, then the next vertical blank of a 60 Hz display
    EXPECT_GE(graphics.last_flip_time - first, 25u);
    EXPECT_LE(graphics.last_flip_time - first, 25u + 17u);
    graphics.min_flip_interval = 0;

    const int presents = platform::headless::frame().count;
    HWINDOW window = media::core::window_state.main_window;
    media::core::window_state.main_window = nullptr;
    EXPECT_EQ(FlipDrawScreen(), 0);
    media::core::window_state.main_window = window;
    EXPECT_EQ(platform::headless::frame().count, presents);
}

TEST_F(Flip, EmulationStretchesTheTopLeftQuarter)
{
    EndMediaLayer();
    ASSERT_EQ(SetScreenMode(640, 480, 32, 60), 0);
    media::core::window_state.settings.window_mode = 1;
    platform::headless::set_clock_step(1);
    ASSERT_EQ(InitMediaLayer(), 0);
    platform::headless::set_clock_step(0);
    SetEmulate320x240(1);
    draw_pattern();
    ASSERT_EQ(FlipDrawScreen(), 0);
    const platform::headless::presented_frame& f = platform::headless::frame();
    ASSERT_EQ(f.width, 640);
    EXPECT_EQ(frame_pixel(0, 0), 0xFF0000u);
    EXPECT_EQ(frame_pixel(1, 1), 0xFF0000u);
    EXPECT_EQ(frame_pixel(2, 2), 0xFFFFFFu);
    EXPECT_EQ(frame_pixel(639, 479), 0x00FF00u);
    EXPECT_EQ(frame_pixel(638, 478), 0x00FF00u);
}

TEST_F(Flip, FrontScreenTimerFlipsUntilTheBackScreenIsSelected)
{
    SetFlipWaitsForVBlank(0);  // the clock then moves only here
    ASSERT_EQ(SelectDrawTarget(-4), 0);
    settle();
    int presents = platform::headless::frame().count;
    platform::headless::advance_clock(33);
    settle();
    EXPECT_EQ(platform::headless::frame().count, presents + 1);
    platform::headless::advance_clock(33);
    settle();
    EXPECT_EQ(platform::headless::frame().count, presents + 2);

    ASSERT_EQ(SelectDrawTarget(-2), 0);
    presents = platform::headless::frame().count;
    for (int i = 0; i < 3; ++i) {
        platform::headless::advance_clock(33);
        settle();
    }
    EXPECT_EQ(platform::headless::frame().count, presents);
    bool armed = false;
    for (const media::core::WINDOWTIMER& t : media::core::window_timers)
        armed = armed || t.id == FRONT_SCREEN_TIMER;
    EXPECT_FALSE(armed);
}

TEST_F(Flip, AnExposedWindowShowsTheBackScreenAgainWithoutWaiting)
{
    ASSERT_EQ(SelectDrawTarget(-2), 0);
    draw_pattern();
    const int presents = platform::headless::frame().count;
    const std::uint32_t clock = platform::milliseconds();
    push(event(platform::event_kind::exposed));
    settle();
    EXPECT_EQ(platform::headless::frame().count, presents + 1);
    EXPECT_EQ(frame_pixel(0, 0), 0xFF0000u);
    EXPECT_EQ(frame_pixel(799, 599), 0x0000FFu);
    // no vertical-blank wait: the virtual clock stood still
    EXPECT_EQ(platform::milliseconds(), clock);

    // the front screen shows itself through its timer
    SetFlipWaitsForVBlank(0);
    ASSERT_EQ(SelectDrawTarget(-4), 0);
    push(event(platform::event_kind::exposed));
    settle();
    EXPECT_EQ(platform::headless::frame().count, presents + 1);
}

TEST_F(Flip, LogicalScreenRestoreCallbackAndDisplayModeQueries)
{
    int w = 0, h = 0, bits = 0;
    EXPECT_EQ(GetLogicalScreenState(&w, &h, &bits), 0);
    EXPECT_EQ(w, 800);
    EXPECT_EQ(h, 600);
    EXPECT_EQ(bits, 32);
    SetEmulate320x240(1);
    EXPECT_EQ(GetLogicalScreenState(&w, nullptr, nullptr), 0);
    EXPECT_EQ(w, 320);
    EXPECT_EQ(GetLogicalScreenState(nullptr, &h, nullptr), 0);
    EXPECT_EQ(h, 240);
    SetEmulate320x240(0);

    EXPECT_EQ(HasGraphicsRestoreCallback(), 1);
    EXPECT_EQ(media::gfx::settings.restore_callback, &ReloadGraphsFromFiles);

    // the list is made on first use and freed with the device
    ReleaseGraphicsDevice();
    platform::headless::set_display_modes({{640, 480, 16, 60}, {640, 480, 8, 60}, {800, 600, 32, 75}});
    EXPECT_EQ(CountDisplayModes(), 2);
    DISPLAYMODEDATA m{};
    EXPECT_EQ(QueryDisplayMode(&m, 1), 0);
    EXPECT_EQ(m.width, 800);
    EXPECT_EQ(m.refresh, 75);
    for (int index : {-1, 2, 1000}) {
        EXPECT_EQ(QueryDisplayMode(&m, index), -1);
        EXPECT_EQ(m.width, -1);
        EXPECT_EQ(m.height, -1);
        EXPECT_EQ(m.bits, -1);
        EXPECT_EQ(m.refresh, -1);
    }
    EXPECT_EQ(IsDisplayModeListed(640, 480, 16), 1);
    EXPECT_EQ(IsDisplayModeListed(640, 480, 8), 0);
    EXPECT_EQ(IsDisplayModeListed(800, 600, 16), 0);
    ReleaseGraphicsDevice();
    EXPECT_EQ(media::gfx::graphics.modes, nullptr);
}

}  // namespace
