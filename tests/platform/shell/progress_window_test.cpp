// The sdl progress window: its picture and its Cancel under the dummy video
// driver; under Xvfb a slowed copy whose window is found, photographed and
// clicked by the X tools.
#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/font/font.hpp"
#include "platform/platform.hpp"
#include "platform/sdl/test_hooks.hpp"
#include "platform/shell/shell.hpp"
#include "platform/text/codepage.hpp"
#include "platform/window/backend_fixture.hpp"
#include "support/temp_folder.hpp"

namespace {

namespace sfs = std::filesystem;

constexpr std::uint32_t bar_full = 0xFF2A6FC8, bar_empty = 0xFFFFFFFF;
constexpr int bar_row = 50, bar_left = 17, bar_inner = 406;  // the bar's inside: x 17 to 422, y 41 to 58

// Pixels darker than the window's greys: text.
int dark_pixels(const std::vector<std::uint32_t>& argb, int width, int x0, int y0, int x1, int y1)
{
    int n = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) n += (argb[static_cast<std::size_t>(y) * width + x] & 0xFF) < 0x60;
    return n;
}

int run_of(const std::vector<std::uint32_t>& argb, int width, int y, std::uint32_t colour)
{
    int n = 0;
    for (int x = 0; x < width; ++x) n += argb[static_cast<std::size_t>(y) * width + x] == colour;
    return n;
}

class SdlProgressWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        support::select_window_backend("sdl");
        ASSERT_EQ(platform::video_start(), 0) << platform::error();
        platform::window_spec spec;
        spec.title = L"main";
        spec.width = 800;
        spec.height = 600;
        ASSERT_EQ(platform::create_window(spec), 0) << platform::error();
        support::drain_events();
    }
    void TearDown() override
    {
        platform::current_backend().close_progress();
        platform::shell::slow_steps(0);
        platform::destroy_window();
        platform::font::close();  // fontconfig keeps its tables until then
        platform::select_backend("headless");
    }
};

TEST_F(SdlProgressWindow, ShowsTheBarNameAndButtonAndTakesEveryKindOfCancel)
{
    namespace t = platform::sdl::test;
    const platform::backend& b = platform::current_backend();
    ASSERT_EQ(b.open_progress("Copying"), 0) << platform::error();
    ASSERT_TRUE(t::progress_window_open());

    platform::progress_view view;
    view.done = 1;
    view.total = 4;
    view.files_total = 4;
    view.name = platform::text::to_utf8(L"/home/user/" + std::wstring(80, L'x') + L"/写真 001.png");
    view.count = "2 of 4 files";
    ASSERT_EQ(b.draw_progress(view), 0) << platform::error();
    std::vector<std::uint32_t> argb;
    int w = 0, h = 0;
    ASSERT_EQ(t::read_progress_window(argb, w, h), 0) << platform::error();
    ASSERT_EQ(w, 440);
    EXPECT_EQ(run_of(argb, w, bar_row, bar_full), bar_inner / 4);
    EXPECT_EQ(argb[static_cast<std::size_t>(bar_row) * w + bar_left], bar_full);
    EXPECT_EQ(argb[static_cast<std::size_t>(bar_row) * w + bar_left + bar_inner - 1], bar_empty);
    const platform::screen_rect button = t::progress_cancel_button();
    EXPECT_GT(dark_pixels(argb, w, 16, 14, 424, 34), 150);  // the name, cut to the bar's width
    EXPECT_EQ(dark_pixels(argb, w, 424, 14, 440, 34), 0);
    EXPECT_GT(dark_pixels(argb, w, 16, 70, button.x, 90), 40);  // the count line
    EXPECT_GT(dark_pixels(argb, w, button.x + 2, button.y + 2, button.x + button.width - 2, button.y + button.height - 2),
              40);  // "Cancel"

    // the bar reaches its end; a count past the total draws no further
    view.done = view.total = 7;
    ASSERT_EQ(b.draw_progress(view), 0);
    ASSERT_EQ(t::read_progress_window(argb, w, h), 0);
    EXPECT_EQ(run_of(argb, w, bar_row, bar_full), bar_inner);

    // the main window's events wait in the queue meanwhile
    ASSERT_EQ(t::push_key(4, true), 0);
    const int cx = button.x + button.width / 2, cy = button.y + button.height / 2;
    struct row {
        const char* what;
        int (*push)(int, int);
        bool cancels;
    };
    const row rows[] = {
        {"a click on Cancel", [](int x, int y) { return t::push_progress_click(x, y); }, true},
        {"a click beside it", [](int, int) { return t::push_progress_click(10, 10); }, false},
        {"Escape", [](int, int) { return t::push_progress_key(41); }, true},
        {"Return", [](int, int) { return t::push_progress_key(40); }, true},
        {"another key", [](int, int) { return t::push_progress_key(4); }, false},
        {"closing the window", [](int, int) { return t::push_progress_close(); }, true},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.what);
        ASSERT_EQ(r.push(cx, cy), 0);
        EXPECT_EQ(b.progress_cancelled(view), r.cancels);
        EXPECT_FALSE(b.progress_cancelled(view));  // reported once
    }
    ASSERT_EQ(t::push_progress_click(cx, cy), 0);
    b.close_progress();  // a Cancel pressed while closing is not carried over
    EXPECT_FALSE(t::progress_window_open());

    // (a window system adds focus, exposure and pointer records of its own)
    int keys = 0, closes = 0;
    platform::event e;
    while (platform::pump_event(e) == 1) {
        keys += e.kind == platform::event_kind::key_down;
        closes += e.kind == platform::event_kind::close;
    }
    EXPECT_EQ(keys, 1);
    EXPECT_EQ(closes, 0);
}

// A binary PPM as import writes it: 0xFFRRGGBB pixels.
bool read_ppm(const std::string& path, std::vector<std::uint32_t>& argb, int& w, int& h)
{
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int maximum = 0;
    in >> magic >> w >> h >> maximum;
    in.get();
    if (!in || magic != "P6" || maximum != 255 || w <= 0 || h <= 0) return false;
    argb.assign(static_cast<std::size_t>(w) * h, 0);
    for (std::uint32_t& p : argb) {
        unsigned char rgb[3];
        if (!in.read(reinterpret_cast<char*>(rgb), 3)) return false;
        p = 0xFF000000u | rgb[0] << 16 | rgb[1] << 8 | rgb[2];
    }
    return true;
}

TEST_F(SdlProgressWindow, UnderXASlowedCopyShowsTheWindowAndAClickOnCancelEndsIt)
{
    if (!support::under_x11()) GTEST_SKIP() << "needs an X server: its ctest entry runs it under Xvfb";
    support::temp_folder dir;
    // a path too long for the window: cut at the left, the file's name kept
    const std::string source = dir.at(std::string(70, 'd') + "/\xE5\x86\x99\xE7\x9C\x9F big.bin");
    dir.folder(std::string(70, 'd'));
    const int fd = ::open(source.c_str(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, 300 << 20), 0);  // 300 chunks, 30 s when nobody cancels
    ::close(fd);
    dir.folder("out");
    const char* keep = std::getenv("ZENTIL_PROGRESS_SHOT");
    const std::string shot = keep ? keep : dir.at("shot");
    const platform::screen_rect button = platform::sdl::test::progress_cancel_button();
    const std::string script =
        "id=$(xdotool search --sync --onlyvisible --name '^Copying$' | head -n 1) && [ -n \"$id\" ] && "
        "import -window \"$id\" '" + shot + ".png' && import -window \"$id\" -depth 8 'ppm:" + shot + ".ppm' && "
        "xdotool mousemove --window \"$id\" " + std::to_string(button.x + button.width / 2) + " " +
        std::to_string(button.y + button.height / 2) + " click 1";
    int status = -1;
    std::thread user([&] { status = std::system(script.c_str()); });

    platform::shell::slow_steps(100);
    std::wstring renamed;
    const int result = platform::shell::system_shell().copy(platform::text::from_utf8(source),
                                                            platform::text::from_utf8(dir.at("out/big.bin")), renamed);
    user.join();
    EXPECT_EQ(status, 0);
    EXPECT_EQ(result, -1);
    EXPECT_STREQ(platform::error(), "the copy was cancelled");
    EXPECT_TRUE(sfs::is_empty(dir.at("out")));

    std::vector<std::uint32_t> argb;
    int w = 0, h = 0;
    ASSERT_TRUE(read_ppm(shot + ".ppm", argb, w, h));
    ASSERT_EQ(w, 440);
    ASSERT_EQ(h, 132);
    EXPECT_GT(run_of(argb, w, bar_row, bar_full), 0);
    EXPECT_GT(run_of(argb, w, bar_row, bar_empty), 0);
    EXPECT_GT(dark_pixels(argb, w, 16, 14, 424, 34), 100);
    EXPECT_GT(dark_pixels(argb, w, button.x + 2, button.y + 2, button.x + button.width - 2, button.y + button.height - 2),
              40);
}

}  // namespace
