// The message pump: platform events to messages, five messages a call, the
// wait while inactive, window timers.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "log_folder.hpp"

namespace {

using media::core::window_state;
using media_test::headless_media;
using media_test::seen_message;
using media_test::seen_messages;
using platform::event_kind;

using Pump = headless_media;

platform::os_event key(int position, bool down = true)
{
    platform::os_event e;
    e.kind = down ? event_kind::key_down : event_kind::key_up;
    e.key_position = position;
    return e;
}

platform::os_event text(const std::string& utf8)
{
    platform::os_event e;
    e.kind = event_kind::text;
    e.text = utf8;
    return e;
}

platform::os_event wheel(int x, int y)
{
    platform::os_event e;
    e.kind = event_kind::wheel;
    e.wheel_x = x;
    e.wheel_y = y;
    return e;
}

platform::os_event button(platform::mouse_button b, bool down, int x, int y)
{
    platform::os_event e;
    e.kind = down ? event_kind::button_down : event_kind::button_up;
    e.button = b;
    e.x = x;
    e.y = y;
    return e;
}

struct translation_case {
    const char* name;
    std::vector<platform::os_event> events;
    std::vector<seen_message> messages;
};

TEST_F(Pump, PlatformEventsBecomeWindowMessages)
{
    create_window();
    auto window = [](event_kind kind, int x = 0, int y = 0) {
        platform::os_event e;
        e.kind = kind;
        e.x = x;
        e.y = y;
        return e;
    };
    const LPARAM size = MakeLParam(800, 600);
    const translation_case cases[] = {
        {"focus", {window(event_kind::focus_lost), window(event_kind::focus_gained)},
         {{WM_ACTIVATE, 0, 0}, {WM_ACTIVATE, 1, 0}}},
        {"sizes",
         {window(event_kind::minimised), window(event_kind::restored), window(event_kind::resized, 800, 600)},
         {{WM_SIZE, SIZE_MINIMIZED, size}, {WM_SIZE, SIZE_RESTORED, size}, {WM_SIZE, SIZE_RESTORED, size}}},
        {"move", {window(event_kind::moved, -3, 70)}, {{WM_MOVE, 0, MakeLParam(-3, 70)}}},
        {"paint", {window(event_kind::exposed)}, {{WM_PAINT, 0, 0}}},
        {"mouse",
         {window(event_kind::mouse_move, 5, 6), button(platform::mouse_button::left, true, 5, 6),
          button(platform::mouse_button::left, false, 5, 6), button(platform::mouse_button::right, true, 1, 2),
          button(platform::mouse_button::right, false, 1, 2), button(platform::mouse_button::middle, true, 3, 4),
          button(platform::mouse_button::middle, false, 3, 4)},
         {{WM_MOUSEMOVE, 0, MakeLParam(5, 6)},
          {WM_LBUTTONDOWN, 1, MakeLParam(5, 6)},
          {WM_LBUTTONUP, 0, MakeLParam(5, 6)},
          {WM_RBUTTONDOWN, 2, MakeLParam(1, 2)},
          {WM_RBUTTONUP, 0, MakeLParam(1, 2)},
          {WM_MBUTTONDOWN, 0x10, MakeLParam(3, 4)},
          {WM_MBUTTONUP, 0, MakeLParam(3, 4)}}},
        {"wheel",
         {wheel(0, 2), wheel(0, -1), wheel(3, 0)},
         {{WM_MOUSEWHEEL, static_cast<WPARAM>(240) << 16, MakeLParam(3, 4)},
          {WM_MOUSEWHEEL, static_cast<WPARAM>(0xFF88) << 16, MakeLParam(3, 4)}}},
        {"keys with characters",
         {key(0x2A), key(0x2A, false), key(0x2B), key(0x2B, false), key(0x28), key(0x28, false), key(0x58),
          key(0x58, false), key(0x29), key(0x29, false), key(0x50), key(0x50, false)},
         {{WM_KEYDOWN, 8, 0},
          {WM_CHAR, 8, 0},
          {WM_KEYDOWN, 9, 0},
          {WM_CHAR, 9, 0},
          {WM_KEYDOWN, 13, 0},
          {WM_CHAR, 13, 0},
          {WM_KEYDOWN, 13, 0},
          {WM_CHAR, 13, 0},
          {WM_KEYDOWN, 27, 0},
          {WM_CHAR, 27, 0},
          {WM_KEYDOWN, 37, 0}}},
        {"control letters",
         {key(0xE0), key(0x04), key(0x04, false), key(0x1D), key(0x1D, false), key(0xE0, false)},
         {{WM_KEYDOWN, 17, 0}, {WM_KEYDOWN, 'A', 0}, {WM_CHAR, 1, 0}, {WM_KEYDOWN, 'Z', 0}, {WM_CHAR, 26, 0}}},
        {"alt enter", {key(0xE2), key(0x28), key(0x28, false), key(0xE2, false)},
         {{WM_KEYDOWN, 18, 0}, {WM_KEYDOWN, 13, 0}, {WM_SYSCHAR, 13, 0}}},
        {"text", {text("a\xE3\x81\x82")}, {{WM_CHAR, 'a', 0}, {WM_CHAR, 0x82, 0}, {WM_CHAR, 0xA0, 0}}},
        {"editing", {[] { platform::os_event e; e.kind = event_kind::text_editing; e.text = "x"; return e; }()}, {}},
    };
    for (const translation_case& c : cases) {
        watch();
        for (const platform::os_event& e : c.events)
            push(e);
        for (int i = 0; i < 4; ++i)
            PumpWindowMessages();
        EXPECT_EQ(seen_messages(), c.messages) << c.name;
    }
    // a drop is one message carrying its names
    platform::accept_drops(true);
    watch();
    platform::os_event drop;
    drop.kind = event_kind::drop;
    drop.names = {"/a", "/b"};
    push(drop);
    PumpWindowMessages();
    ASSERT_EQ(seen_messages().size(), 1u);
    EXPECT_EQ(seen_messages()[0].message, WM_DROPFILES);
    EXPECT_EQ(window_state.dropped_count, 2);
}

// The clock stands still, so the key-state refresh at the end of each call
// does not pump again.
TEST_F(Pump, ACallDispatchesFiveMessages)
{
    create_window();
    for (int i = 0; i < 10; ++i)
        push(button(platform::mouse_button::left, true, i, 0));
    EXPECT_EQ(PumpWindowMessages(), 0);
    EXPECT_EQ(seen_messages().size(), 5u);
    EXPECT_EQ(window_state.click_count, 5);
    EXPECT_EQ(PumpWindowMessages(), 0);
    EXPECT_EQ(seen_messages().size(), 10u);
    EXPECT_EQ(PumpWindowMessages(), 0);
    EXPECT_EQ(seen_messages().size(), 10u);
    // the click log keeps its first 32
    for (int i = 0; i < 40; ++i)
        RecordMouseClick(2);
    EXPECT_EQ(window_state.click_count, 32);
}

// Once the clock has moved, the key-state refresh at the end of a call runs
// one more pass inside it: ten messages that call, and none the next while
// the clock stands still again.
TEST_F(Pump, WithAMovingClockTheKeyRefreshPumpsOnceMore)
{
    create_window();
    for (int i = 0; i < 12; ++i)
        push(button(platform::mouse_button::left, true, i, 0));
    platform::headless::advance_clock(1);
    EXPECT_EQ(PumpWindowMessages(), 0);
    EXPECT_EQ(seen_messages().size(), 10u);
    EXPECT_EQ(PumpWindowMessages(), 0);
    EXPECT_EQ(seen_messages().size(), 12u);
}

TEST_F(Pump, AnInactiveWindowHoldsThePumpUntilActivated)
{
    create_window();
    const std::uint32_t start = platform::milliseconds();
    push(media_test::headless_media::event(event_kind::focus_lost));
    platform::headless::push_event_at(start + 50, media_test::headless_media::event(event_kind::focus_gained));
    EXPECT_EQ(PumpWindowMessages(), 0);
    EXPECT_EQ(window_state.active, 1);
    EXPECT_GE(platform::milliseconds() - start, 50u);
    EXPECT_LE(platform::milliseconds() - start, 60u);  // 1 ms sleeps, two a pass
    // noted by the first pass that found the window inactive
    EXPECT_GE(window_state.inactive_since, static_cast<std::int32_t>(start));
    EXPECT_LE(window_state.inactive_since, static_cast<std::int32_t>(start) + 2);

    // ... or until a close
    push(media_test::headless_media::event(event_kind::focus_lost));
    platform::headless::push_event_at(platform::milliseconds() + 30, media_test::headless_media::event(event_kind::close));
    EXPECT_EQ(PumpWindowMessages(), -1);
    EXPECT_EQ(window_state.quit, 1);
}

TEST_F(Pump, RunWhenInactiveDoesNotWait)
{
    window_state.settings.run_when_inactive = 1;
    create_window();
    push(media_test::headless_media::event(event_kind::focus_lost));
    const std::uint32_t start = platform::milliseconds();
    EXPECT_EQ(PumpWindowMessages(), 0);
    EXPECT_EQ(window_state.active, 0);
    EXPECT_EQ(platform::milliseconds(), start);
    WaitWhileInactive();
    EXPECT_EQ(platform::milliseconds(), start);
}

TEST_F(Pump, WaitWhileInactivePumpsUntilActive)
{
    create_window();
    WaitWhileInactive();  // active: at once
    window_state.active = 0;
    const std::uint32_t start = platform::milliseconds();
    platform::headless::push_event_at(start + 20, media_test::headless_media::event(event_kind::focus_gained));
    WaitWhileInactive();
    EXPECT_EQ(window_state.active, 1);
    EXPECT_GE(platform::milliseconds() - start, 20u);
}

int timer_calls = 0;
void count_timer(HWINDOW, std::uint32_t message, WPARAM id, std::uint32_t)
{
    if (message == WM_TIMER && id == 0x7FFF)
        ++timer_calls;
}

TEST_F(Pump, ATimerFiresEachPeriod)
{
    create_window();
    timer_calls = 0;
    HWINDOW w = window_state.main_window;
    EXPECT_EQ(SetTimer(w, 0x7FFF, 32, count_timer), 0x7FFFu);
    PumpWindowMessages();
    EXPECT_EQ(timer_calls, 0);
    platform::headless::advance_clock(31);
    PumpWindowMessages();
    EXPECT_EQ(timer_calls, 0);
    platform::headless::advance_clock(1);
    PumpWindowMessages();
    PumpWindowMessages();
    EXPECT_EQ(timer_calls, 1);
    platform::headless::advance_clock(32);
    PumpWindowMessages();
    EXPECT_EQ(timer_calls, 2);
    EXPECT_EQ(KillTimer(w, 0x7FFF), 0);
    EXPECT_EQ(KillTimer(w, 0x7FFF), -1);
    platform::headless::advance_clock(100);
    PumpWindowMessages();
    EXPECT_EQ(timer_calls, 2);
    EXPECT_EQ(SetTimer(nullptr, 1, 32, count_timer), 0u);
}

TEST_F(Pump, AnotherThreadMakesOnePassOverPostedMessages)
{
    create_window();
    push(media_test::headless_media::event(event_kind::exposed));  // the platform's: left for the window's thread
    media::core::post_message(WM_SETCURSOR);
    std::thread other([] { PumpWindowMessages(); });
    other.join();
    ASSERT_EQ(seen_messages().size(), 1u);
    EXPECT_EQ(seen_messages()[0].message, WM_SETCURSOR);
    EXPECT_EQ(platform::headless::queued_events(), 1u);
}

TEST_F(Pump, GuardedPumpOnASecondThreadBesideTheWindowsThread)
{
    // The window's thread pumps without the guard (as the layer's own waits do)
    // while a second thread runs the guarded pump: the key-input flag both read
    // and write is shared state (the ThreadSanitizer build reports it if not).
    create_window();
    std::atomic<bool> done{false};
    std::thread other([&done] {
        for (int i = 0; i < 200; ++i)
            PumpWindowMessagesGuarded();
        done = true;
    });
    int passes = 0;
    while (!done.load() || passes < 200) {
        PumpWindowMessages();
        ++passes;
    }
    other.join();
    EXPECT_EQ(window_state.key_input_updating, 0);
    EXPECT_EQ(PumpWindowMessages(), 0);
}

}  // namespace
