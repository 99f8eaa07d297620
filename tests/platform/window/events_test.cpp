// The pump on both backends: the same injected input gives the same records
// (real SDL events on the sdl side, pushed records on the headless side);
// the key table, the drop switch, signals, and text that is not CP932.
#include "platform/headless/headless.hpp"
#include "platform/platform.hpp"
#include "platform/sdl/test_hooks.hpp"
#include "platform/text/codepage.hpp"
#include "platform/window/backend_fixture.hpp"

#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using platform::event_kind;
namespace sdl_push = platform::sdl::test;

constexpr int pos_enter = 0x28, pos_escape = 0x29, pos_left_shift = 0xE1;

// Input as a user or the OS makes it, injected the way each backend gets it.
struct injector {
    virtual ~injector() = default;
    virtual void key(int position, bool down) = 0;
    virtual void text(const std::string& utf8) = 0;
    virtual void editing(const std::string& utf8, int start, int length) = 0;
    virtual void drop(const std::vector<std::string>& names) = 0;
    virtual void flipped_wheel(int y) = 0;  // the device reports y in flipped direction
    virtual void button(platform::mouse_button b, bool down, int x, int y) = 0;
    virtual void window(event_kind kind) = 0;
};

struct sdl_injector : injector {
    void key(int position, bool down) override { ASSERT_EQ(sdl_push::push_key(position, down), 0); }
    void text(const std::string& utf8) override { ASSERT_EQ(sdl_push::push_text(utf8), 0); }
    void editing(const std::string& utf8, int start, int length) override
    {
        ASSERT_EQ(sdl_push::push_editing(utf8, start, length), 0);
    }
    void drop(const std::vector<std::string>& names) override
    {
        ASSERT_EQ(sdl_push::push_drop_begin(), 0);
        for (const std::string& n : names) ASSERT_EQ(sdl_push::push_drop_file(n), 0);
        ASSERT_EQ(sdl_push::push_drop_complete(), 0);
    }
    void flipped_wheel(int y) override { ASSERT_EQ(sdl_push::push_wheel(0, y, true), 0); }
    void button(platform::mouse_button b, bool down, int x, int y) override
    {
        int n = b == platform::mouse_button::left ? 1 : b == platform::mouse_button::middle ? 2 : 3;
        ASSERT_EQ(sdl_push::push_button(n, down, x, y), 0);
    }
    void window(event_kind kind) override { ASSERT_EQ(sdl_push::push_window(kind), 0); }
};

struct headless_injector : injector {
    static void push(platform::os_event r) { platform::headless::push_event(r); }
    void key(int position, bool down) override
    {
        platform::os_event r;
        r.kind = down ? event_kind::key_down : event_kind::key_up;
        r.key_position = position;
        push(r);
    }
    void text(const std::string& utf8) override
    {
        platform::os_event r;
        r.kind = event_kind::text;
        r.text = utf8;
        push(r);
    }
    void editing(const std::string& utf8, int start, int length) override
    {
        platform::os_event r;
        r.kind = event_kind::text_editing;
        r.text = utf8;
        r.x = start;
        r.y = length;
        push(r);
    }
    void drop(const std::vector<std::string>& names) override
    {
        platform::os_event r;
        r.kind = event_kind::drop;
        r.names = names;
        push(r);
    }
    void flipped_wheel(int y) override
    {
        platform::os_event r;
        r.kind = event_kind::wheel;
        r.wheel_y = -y;
        push(r);
    }
    void button(platform::mouse_button b, bool down, int x, int y) override
    {
        platform::os_event r;
        r.kind = down ? event_kind::button_down : event_kind::button_up;
        r.button = b;
        r.x = x;
        r.y = y;
        push(r);
    }
    void window(event_kind kind) override
    {
        platform::os_event r;
        r.kind = kind;
        push(r);
    }
};

class Pump : public ::testing::TestWithParam<std::string> {
 protected:
    void SetUp() override
    {
        support::select_window_backend(GetParam());
        platform::window_spec spec;
        spec.title = L"pump";
        spec.width = 320;
        spec.height = 240;
        ASSERT_EQ(platform::create_window(spec), 0) << platform::error();
        ASSERT_EQ(platform::accept_drops(true), 0);
        support::drain_events();
        if (GetParam() == "sdl")
            in = std::make_unique<sdl_injector>();
        else
            in = std::make_unique<headless_injector>();
    }
    void TearDown() override { platform::destroy_window(); }

    std::vector<platform::event> pump_all()
    {
        std::vector<platform::event> out;
        platform::event e;
        while (platform::pump_event(e) == 1) out.push_back(e);
        return out;
    }

    std::unique_ptr<injector> in;
};

struct expected {
    event_kind kind;
    int key = 0;
    std::wstring text;
    std::vector<std::wstring> names;
    int wheel_y = 0;
};

expected plain(event_kind kind)
{
    return {kind, 0, {}, {}, 0};
}

expected key_down(int key)
{
    return {event_kind::key_down, key, {}, {}, 0};
}

expected with_text(event_kind kind, const std::wstring& text)
{
    return {kind, 0, text, {}, 0};
}

struct table_row {
    const char* what;
    std::function<void(injector&)> inject;
    std::vector<expected> records;
};

TEST_P(Pump, InjectedInputGivesTheSameRecordsOnEveryBackend)
{
    const table_row rows[] = {
        {"Return down", [](injector& i) { i.key(pos_enter, true); }, {key_down(13)}},
        {"Escape down", [](injector& i) { i.key(pos_escape, true); }, {key_down(27)}},
        {"text あ", [](injector& i) { i.text(u8"あ"); }, {with_text(event_kind::text, L"あ")}},
        {"text e with acute", [](injector& i) { i.text(u8"é"); }, {with_text(event_kind::text, L"é")}},
        {"drop of two names",
         [](injector& i) { i.drop({u8"/t/日本.txt", u8"/t/a b.png"}); },
         {{event_kind::drop, 0, {}, {L"/t/日本.txt", L"/t/a b.png"}, 0}}},
        {"flipped wheel y 1", [](injector& i) { i.flipped_wheel(1); }, {{event_kind::wheel, 0, {}, {}, -1}}},
        {"window close", [](injector& i) { i.window(event_kind::close); }, {plain(event_kind::close)}},
        {"focus lost", [](injector& i) { i.window(event_kind::focus_lost); }, {plain(event_kind::focus_lost)}},
        {"SIGTERM", [](injector&) { std::raise(SIGTERM); }, {plain(event_kind::close)}},
        {"SIGINT and SIGTERM together", [](injector&) { std::raise(SIGINT); std::raise(SIGTERM); },
         {plain(event_kind::close)}},
        {"composition", [](injector& i) { i.editing(u8"にほん", 3, 0); }, {with_text(event_kind::text_editing, L"にほん")}},
        {"text outside CP932, then more",
         [](injector& i) {
             i.text(u8"😀한é");
             i.text(u8"z");
         },
         {with_text(event_kind::text, L"😀한é"), with_text(event_kind::text, L"z")}},
    };
    for (const table_row& row : rows) {
        SCOPED_TRACE(row.what);
        row.inject(*in);
        std::vector<platform::event> got = pump_all();
        ASSERT_EQ(got.size(), row.records.size());
        for (std::size_t k = 0; k < got.size(); ++k) {
            EXPECT_EQ(got[k].kind, row.records[k].kind);
            EXPECT_EQ(got[k].key, row.records[k].key);
            EXPECT_EQ(got[k].text, row.records[k].text);
            EXPECT_EQ(got[k].names, row.records[k].names);
            EXPECT_EQ(got[k].wheel_y, row.records[k].wheel_y);
        }
    }
}

TEST_P(Pump, KeyTableFollowsKeysAndButtonsAndClearsOnFocusLoss)
{
    const std::uint8_t* keys = platform::keyboard_state();
    in->key(pos_left_shift, true);
    std::vector<platform::event> got = pump_all();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].key, 16);
    EXPECT_TRUE(got[0].shift);
    EXPECT_EQ(keys[16], 0x80);
    EXPECT_EQ(keys[160], 0x80);
    EXPECT_EQ(keys[161], 0);

    in->key(pos_left_shift, false);
    got = pump_all();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_FALSE(got[0].shift);
    EXPECT_EQ(keys[16], 0);
    EXPECT_EQ(keys[160], 0);

    in->button(platform::mouse_button::left, true, 30, 40);
    in->key(pos_enter, true);
    got = pump_all();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].button, platform::mouse_button::left);
    EXPECT_EQ(keys[1], 0x80);
    EXPECT_EQ(keys[13], 0x80);
    int x = 0, y = 0;
    ASSERT_EQ(platform::cursor_position(x, y), 0);
    EXPECT_EQ(x, 30);
    EXPECT_EQ(y, 40);

    in->window(event_kind::focus_lost);
    pump_all();
    for (int k = 0; k < 256; ++k) EXPECT_EQ(keys[k], 0) << "key " << k;
}

// A press released before the next read of the key table still shows, once;
// a button held shows in the key table alone; focus loss forgets presses.
TEST_P(Pump, PressesReleasedBetweenReadsAreKeptUntilTaken)
{
    using platform::mouse_button;
    EXPECT_EQ(platform::take_pressed_buttons(), 0u);
    in->button(mouse_button::left, true, 5, 6);
    in->button(mouse_button::left, false, 5, 6);
    in->button(mouse_button::middle, true, 5, 6);
    in->button(mouse_button::middle, false, 5, 6);
    pump_all();
    EXPECT_EQ(platform::keyboard_state()[1], 0);
    EXPECT_EQ(platform::take_pressed_buttons(), 5u);
    EXPECT_EQ(platform::take_pressed_buttons(), 0u);

    in->button(mouse_button::right, true, 5, 6);
    pump_all();
    EXPECT_EQ(platform::take_pressed_buttons(), 2u);
    EXPECT_EQ(platform::keyboard_state()[2], 0x80);
    EXPECT_EQ(platform::take_pressed_buttons(), 0u);  // held, not pressed again
    in->button(mouse_button::right, false, 5, 6);

    in->button(mouse_button::left, true, 5, 6);
    in->window(event_kind::focus_lost);
    pump_all();
    EXPECT_EQ(platform::take_pressed_buttons(), 0u);
}

TEST_P(Pump, DropsSwitchedOffAreNotDelivered)
{
    ASSERT_EQ(platform::accept_drops(false), 0);
    in->drop({u8"/t/a.txt"});
    in->text(u8"after");
    std::vector<platform::event> got = pump_all();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].kind, event_kind::text);

    ASSERT_EQ(platform::accept_drops(true), 0);
    in->drop({u8"/t/b.txt"});
    got = pump_all();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].names, std::vector<std::wstring>{L"/t/b.txt"});
}

TEST_P(Pump, DroppedNamesThatAreNotUtf8AreDecodedAsEveryOsName)
{
    // a Linux file name may be any bytes: these two differ only in a byte
    // that is no UTF-8
    const std::string odd = "/t/caf\xE9.txt", other = "/t/caf\xE8.txt";
    in->drop({odd, other, u8"/t/ok.txt"});
    std::vector<platform::event> got = pump_all();
    ASSERT_EQ(got.size(), 1u);
    ASSERT_EQ(got[0].names.size(), 3u);
    EXPECT_EQ(got[0].names[0], platform::text::from_utf8(odd));
    EXPECT_EQ(got[0].names[1], platform::text::from_utf8(other));
    EXPECT_NE(got[0].names[0], got[0].names[1]);
    // each name codes back to the bytes the OS gave
    EXPECT_EQ(platform::text::to_utf8(got[0].names[0]), odd);
    EXPECT_EQ(platform::text::to_utf8(got[0].names[1]), other);
    EXPECT_EQ(got[0].names[2], L"/t/ok.txt");
}

TEST_P(Pump, ComposingIsHeldBackWhileTheInputMethodIsOff)
{
    ASSERT_EQ(platform::set_ime_enabled(false), 0);
    in->editing(u8"か", 1, 0);
    in->text(u8"k");
    std::vector<platform::event> got = pump_all();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].kind, event_kind::text);
}

INSTANTIATE_TEST_SUITE_P(Backends, Pump, ::testing::Values("headless", "sdl"),
                         [](const ::testing::TestParamInfo<std::string>& p) { return p.param; });

// ---- what only one backend has ----

class SdlPump : public ::testing::Test {
 protected:
    void SetUp() override
    {
        support::select_window_backend("sdl");
        platform::window_spec spec;
        spec.title = L"pump";
        spec.width = 320;
        spec.height = 240;
        ASSERT_EQ(platform::create_window(spec), 0) << platform::error();
        ASSERT_EQ(platform::accept_drops(true), 0);
        support::drain_events();
    }
    void TearDown() override { platform::destroy_window(); }
};

TEST_F(SdlPump, StrayFileIsADropOfItsOwnAndExtraButtonsGiveNothing)
{
    ASSERT_EQ(sdl_push::push_drop_file(u8"/t/one.txt"), 0);
    ASSERT_EQ(sdl_push::push_button(4, true, 1, 1), 0);  // X1
    ASSERT_EQ(sdl_push::push_button(3, true, 5, 6), 0);
    ASSERT_EQ(sdl_push::push_wheel(0, 2, false), 0);
    ASSERT_EQ(sdl_push::push_quit(), 0);
    platform::event e;
    ASSERT_EQ(platform::pump_event(e), 1);
    EXPECT_EQ(e.kind, event_kind::drop);
    EXPECT_EQ(e.names, std::vector<std::wstring>{L"/t/one.txt"});
    ASSERT_EQ(platform::pump_event(e), 1);
    EXPECT_EQ(e.kind, event_kind::button_down);
    EXPECT_EQ(e.button, platform::mouse_button::right);
    EXPECT_EQ(platform::keyboard_state()[2], 0x80);
    ASSERT_EQ(platform::pump_event(e), 1);
    EXPECT_EQ(e.kind, event_kind::wheel);
    EXPECT_EQ(e.wheel_y, 2);
    EXPECT_EQ(e.x, 5);  // where the cursor was last seen
    EXPECT_EQ(e.y, 6);
    ASSERT_EQ(platform::pump_event(e), 1);
    EXPECT_EQ(e.kind, event_kind::close);
    EXPECT_EQ(platform::pump_event(e), 0);
}

TEST(HeadlessPump, DropWithoutNamesIsNotDelivered)
{
    support::select_window_backend("headless");
    platform::window_spec spec;
    spec.width = 320;
    spec.height = 240;
    ASSERT_EQ(platform::create_window(spec), 0);
    ASSERT_EQ(platform::accept_drops(true), 0);
    EXPECT_TRUE(platform::headless::drops_switched_on());
    platform::os_event r;
    r.kind = event_kind::drop;
    platform::headless::push_event(r);
    platform::event e;
    EXPECT_EQ(platform::pump_event(e), 0);
}

TEST(HeadlessPump, TimedRecordsWaitForTheVirtualClock)
{
    support::select_window_backend("headless");
    platform::window_spec spec;
    spec.width = 320;
    spec.height = 240;
    ASSERT_EQ(platform::create_window(spec), 0);
    platform::os_event r;
    r.kind = event_kind::key_down;
    r.key_position = pos_escape;
    platform::headless::push_event_at(100, r);
    r.key_position = pos_enter;
    platform::headless::push_event(r);
    platform::event e;
    EXPECT_EQ(platform::pump_event(e), 0);  // the first holds back the second
    EXPECT_EQ(platform::headless::queued_events(), 2u);
    platform::headless::advance_clock(100);
    ASSERT_EQ(platform::pump_event(e), 1);
    EXPECT_EQ(e.key, 27);
    ASSERT_EQ(platform::pump_event(e), 1);
    EXPECT_EQ(e.key, 13);
    EXPECT_EQ(platform::pump_event(e), 0);
}

}  // namespace
