// Fixtures of the media layer's tests. log_folder: the headless clock, a
// fresh media state (the sound system ended) and a temporary folder made current and stored as the
// log folder, as start-up does (the previous current folder comes back
// after). headless_media adds the window: screen settings, the log opened,
// helpers that push events and read the log with its stamps masked.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

#include "media/core/internal.hpp"
#include "media/core/log.hpp"
#include "media/core/pump.hpp"
#include "media/core/window_services.hpp"
#include "media/graphics/internal.hpp"
#include "media/graphics/screen_mode.hpp"
#include "media/sound/internal.hpp"
#include "media/system/window.hpp"
#include "platform/system/debug_output.hpp"
#include "platform/system/instance_lock.hpp"
#include "platform/headless/headless.hpp"
#include "platform/platform.hpp"
#include "support/temp_folder.hpp"

namespace media_test {

class log_folder : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(platform::select_backend("headless"), 0);
        platform::headless::reset();
        media::snd::reset_state();
        media::core::reset_state();
        media::gfx::reset_state();
        previous_ = std::filesystem::current_path();
        std::filesystem::current_path(dir_.path());
        ASSERT_EQ(media::core::store_log_folder(), 0);
    }

    void TearDown() override
    {
        std::filesystem::current_path(previous_);
        media::snd::reset_state();  // frees through the allocator
        media::core::reset_state();
        media::gfx::reset_state();
        platform::headless::reset();
    }

    // The bytes of a file in the log folder; "<missing>" when there is none.
    std::string read(const std::string& name = "Log.txt") const
    {
        std::ifstream in(dir_.at(name), std::ios::binary);
        if (!in)
            return "<missing>";
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    bool exists(const std::string& name) const { return std::filesystem::exists(dir_.at(name)); }

    support::temp_folder dir_;

private:
    std::filesystem::path previous_;
};

// Every message the window procedure sees while a test watches.
struct seen_message {
    std::uint32_t message;
    WPARAM wParam;
    LPARAM lParam;
    bool operator==(const seen_message& o) const
    {
        return message == o.message && wParam == o.wParam && lParam == o.lParam;
    }
};

inline std::vector<seen_message>& seen_messages()
{
    static std::vector<seen_message> seen;
    return seen;
}

inline void record_message(HWINDOW, std::uint32_t message, WPARAM wParam, LPARAM lParam)
{
    seen_messages().push_back({message, wParam, lParam});
}

inline void PrintTo(const seen_message& m, std::ostream* os)
{
    *os << "{" << m.message << ", " << m.wParam << ", " << m.lParam << "}";
}

// The window on the headless backend: desktop 1024 x 768, screen 800 x 600
// at 32 bits, windowed, the log on in the temporary folder, locks of the
// second-instance test in it too.
class headless_media : public log_folder {
protected:
    void SetUp() override
    {
        log_folder::SetUp();
        platform::set_lock_folder(dir_.wpath());
        platform::headless::set_desktop({1024, 768, 32, 60});
        ASSERT_EQ(SetScreenMode(800, 600, 32, 60), 0);
        media::core::window_state.settings.window_mode = 1;
        OpenLogFile();
        seen_messages().clear();
    }

    void TearDown() override
    {
        media::core::window_state.settings.message_callback = nullptr;
        platform::capture_debug_output(nullptr);
        platform::set_lock_folder(L"");
        log_folder::TearDown();
    }

    // Creates the window with the clock stepping through the timer test,
    // then lets everything creation queued be dispatched.
    void create_window()
    {
        platform::headless::set_clock_step(1);
        ASSERT_EQ(CreateMainWindow(), 0);
        platform::headless::set_clock_step(0);
        settle();
    }

    // Pumps until a pass finds nothing, then watches the procedure.
    void settle()
    {
        for (int i = 0; i < 20; ++i)
            PumpWindowMessages();
        watch();
    }

    void watch()
    {
        seen_messages().clear();
        media::core::window_state.settings.message_callback = record_message;
    }

    static void push(const platform::os_event& e) { platform::headless::push_event(e); }

    static platform::os_event event(platform::event_kind kind, int x = 0, int y = 0)
    {
        platform::os_event e;
        e.kind = kind;
        e.x = x;
        e.y = y;
        return e;
    }

    // The log with every stamp and number masked as "#".
    std::string masked_log() const
    {
        static const std::regex number("[0-9]+(\\.[0-9]+)?");
        return std::regex_replace(read(), number, "#");
    }
};

}  // namespace media_test
