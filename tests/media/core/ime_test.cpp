// The input method: the platform's text editing through the pump into
// input-method messages and the state they leave, commits into the field,
// the disabled method, the notifications and the reset on activation.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "log_folder.hpp"
#include "media/core/ime.hpp"
#include "media/core/input.hpp"
#include "media/core/key_input.hpp"
#include "platform/sdl/test_hooks.hpp"

namespace {

using media::core::key_input_state;
using media_test::headless_media;
using media_test::seen_message;
using media_test::seen_messages;

// The composition messages carried, copied while the procedure sees them.
std::vector<IMECOMPOSITION>& carried()
{
    static std::vector<IMECOMPOSITION> list;
    return list;
}

void record_with_composition(HWINDOW window, std::uint32_t message, WPARAM wParam, LPARAM lParam)
{
    media_test::record_message(window, message, wParam, lParam);
    if (message == WM_IME_COMPOSITION && wParam != 0)
        carried().push_back(*reinterpret_cast<const IMECOMPOSITION*>(wParam));
}

std::string bytes(std::initializer_list<int> values)
{
    std::string s;
    for (int v : values)
        s.push_back(static_cast<char>(v));
    return s;
}

// Editing and committing as each backend reports them.
struct injector {
    virtual ~injector() = default;
    virtual void editing(const std::string& utf8, int cursor, int selected) = 0;
    virtual void commit(const std::string& utf8) = 0;
};

struct headless_injector : injector {
    void editing(const std::string& utf8, int cursor, int selected) override
    {
        platform::os_event e;
        e.kind = platform::event_kind::text_editing;
        e.text = utf8;
        e.x = cursor;
        e.y = selected;
        platform::headless::push_event(e);
    }
    void commit(const std::string& utf8) override
    {
        platform::os_event e;
        e.kind = platform::event_kind::text;
        e.text = utf8;
        platform::headless::push_event(e);
    }
};

struct sdl_injector : injector {
    void editing(const std::string& utf8, int cursor, int selected) override
    {
        ASSERT_EQ(platform::sdl::test::push_editing(utf8, cursor, selected), 0);
    }
    void commit(const std::string& utf8) override { ASSERT_EQ(platform::sdl::test::push_text(utf8), 0); }
};

class Ime : public headless_media {
protected:
    void SetUp() override
    {
        headless_media::SetUp();
        carried().clear();
    }

    void TearDown() override
    {
        EndKeyInputSystem();
        DestroyMainWindow();
        platform::select_backend("headless");
        headless_media::TearDown();
    }

    // The window and the key-input system on the named backend.
    void start(const char* backend)
    {
        if (std::strcmp(backend, "sdl") == 0) {
            ASSERT_EQ(platform::select_backend("sdl"), 0);
            ::setenv("SDL_VIDEODRIVER", "dummy", 0);
            ASSERT_EQ(CreateMainWindow(), 0);
            settle();
        } else {
            create_window();
        }
        ASSERT_EQ(StartInput(), 0);
        ASSERT_EQ(StartKeyInputSystem(), 0);
        media::core::window_state.settings.message_callback = record_with_composition;
    }

    static void pump()
    {
        for (int i = 0; i < 4; ++i)
            PumpWindowMessages();
    }

    static std::string text_of(int handle)
    {
        std::vector<char> buffer(1024, 'z');
        EXPECT_EQ(GetKeyInputText(buffer.data(), handle), 0);
        return buffer.data();
    }

    // The ids of the messages seen.
    static std::vector<std::uint32_t> ids()
    {
        std::vector<std::uint32_t> list;
        for (const seen_message& m : seen_messages())
            list.push_back(m.message);
        return list;
    }

    static std::vector<int> clauses()
    {
        const media::core::IMESTATE& ime = key_input_state.ime;
        return std::vector<int>(ime.clauses, ime.clauses + ime.clause_count);
    }
};

// "にほん" composed, one character of it selected, "日本" committed: the
// messages, what they carry, the state and the field's text, on both backends.
TEST_F(Ime, CompositionRoadOnBothBackends)
{
    for (const char* backend : {"headless", "sdl"}) {
        SCOPED_TRACE(backend);
        start(backend);
        headless_injector headless;
        sdl_injector sdl;
        injector& in = std::strcmp(backend, "sdl") == 0 ? static_cast<injector&>(sdl) : headless;
        ASSERT_STREQ(platform::current_backend().name, backend);
        const int h = CreateKeyInput(32, 0, 0, 0);
        ASSERT_EQ(ActivateKeyInput(h), 0);
        ASSERT_EQ(key_input_state.ime.enabled, 1);
        const std::string nihon = bytes({0x82, 0xC9, 0x82, 0xD9, 0x82, 0xF1});

        seen_messages().clear();
        carried().clear();
        in.editing(u8"にほん", 3, 0);
        pump();
        const LPARAM edit = GCS_COMPSTR | GCS_CURSORPOS | GCS_COMPCLAUSE;
        EXPECT_EQ(ids(), (std::vector<std::uint32_t>{WM_IME_STARTCOMPOSITION, WM_IME_COMPOSITION}));
        ASSERT_EQ(seen_messages().size(), 2u);
        EXPECT_EQ(seen_messages()[1].lParam, edit);
        ASSERT_EQ(carried().size(), 1u);
        EXPECT_EQ(carried()[0].composition, nihon);
        EXPECT_EQ(carried()[0].cursor, 6);
        EXPECT_EQ(carried()[0].clauses, (std::vector<std::int32_t>{0, 6}));
        EXPECT_EQ(key_input_state.ime.composing, 1);
        EXPECT_EQ(std::string(key_input_state.ime.composition), nihon);
        EXPECT_EQ(key_input_state.ime.composition_cursor, 3);
        EXPECT_EQ(clauses(), (std::vector<int>{0, 6}));

        // the second edit opens nothing new; the selection is a clause of its own
        seen_messages().clear();
        in.editing(u8"にほん", 1, 1);
        pump();
        ASSERT_EQ(seen_messages().size(), 1u);
        EXPECT_EQ(seen_messages()[0].message, WM_IME_COMPOSITION);
        EXPECT_EQ(carried().back().cursor, 2);
        EXPECT_EQ(key_input_state.ime.composition_cursor, 1);
        EXPECT_EQ(clauses(), (std::vector<int>{0, 2, 4, 6}));
        EXPECT_EQ(text_of(h), "");

        seen_messages().clear();
        in.commit(u8"日本");
        pump();
        ASSERT_EQ(seen_messages().size(), 2u);
        EXPECT_EQ(seen_messages()[0].message, WM_IME_COMPOSITION);
        EXPECT_EQ(seen_messages()[0].lParam, GCS_RESULTSTR);
        EXPECT_EQ(seen_messages()[1], (seen_message{WM_IME_ENDCOMPOSITION, 0, 0}));
        EXPECT_EQ(carried().back().result, bytes({0x93, 0xFA, 0x96, 0x7B}));
        EXPECT_EQ(text_of(h), bytes({0x93, 0xFA, 0x96, 0x7B}));
        EXPECT_EQ(key_input_state.ime.composing, 0);
        EXPECT_STREQ(key_input_state.ime.composition, "");

        // after the commit, text is typed again, and a new edit opens anew
        seen_messages().clear();
        in.commit("x");
        in.editing(u8"か", 1, 0);
        in.editing("", 0, 0);
        pump();
        EXPECT_EQ(text_of(h), bytes({0x93, 0xFA, 0x96, 0x7B}) + "x");
        EXPECT_EQ(ids(), (std::vector<std::uint32_t>{WM_CHAR, WM_IME_STARTCOMPOSITION, WM_IME_COMPOSITION,
                                                   WM_IME_ENDCOMPOSITION}));
        EXPECT_STREQ(key_input_state.ime.composition, "");

        EndKeyInputSystem();
        DestroyMainWindow();
        media::core::reset_state();
        platform::select_backend("headless");
        platform::headless::reset();
    }
}

// Without a field the input method is off: editing makes no message and a
// commit is typed text.
TEST_F(Ime, DisabledEditingChangesNothing)
{
    start("headless");
    headless_injector in;
    in.editing(u8"あ", 1, 0);
    pump();
    EXPECT_TRUE(seen_messages().empty());
    EXPECT_EQ(key_input_state.ime.composing, 0);
    in.commit(u8"あ");
    pump();
    EXPECT_EQ(seen_messages(), (std::vector<seen_message>{{WM_CHAR, 0x82, 0}, {WM_CHAR, 0xA0, 0}}));
    char c[2];
    ASSERT_EQ(TakeTypedChar(c, 0), 2);
    EXPECT_EQ(std::string(c, 2), bytes({0x82, 0xA0}));
}

// A composition past the state's room is cut at a whole character; a
// character code page 932 lacks arrives as '?'.
TEST_F(Ime, LongAndUnmappableCompositions)
{
    start("headless");
    const int h = CreateKeyInput(8, 0, 0, 0);
    ASSERT_EQ(ActivateKeyInput(h), 0);
    headless_injector in;
    std::string a600;
    for (int i = 0; i < 600; ++i)
        a600 += u8"あ";
    const struct {
        std::string utf8;
        std::size_t length;
    } cases[] = {{a600, 1022}, {"a" + a600, 1023}, {u8"aéb", 3}};
    for (const auto& c : cases) {
        in.editing(c.utf8, 0, 0);
        pump();
        EXPECT_EQ(std::strlen(key_input_state.ime.composition), c.length);
        ASSERT_FALSE(carried().empty());
        EXPECT_EQ(carried().back().composition.size(), c.length);
        EXPECT_EQ(carried().back().clauses.back(), static_cast<std::int32_t>(c.length));
    }
    EXPECT_STREQ(key_input_state.ime.composition, "a?b");
    in.editing(a600, 0, 0);
    pump();
    // the last character kept is whole: the cut fell between two of them
    EXPECT_EQ(static_cast<unsigned char>(key_input_state.ime.composition[1020]), 0x82);
    EXPECT_EQ(static_cast<unsigned char>(key_input_state.ime.composition[1021]), 0xA0);
}

// Switching the method off (the last field gone) drops the composition, the
// candidate list and what the platform was composing.
TEST_F(Ime, DisablingForgetsTheComposition)
{
    start("headless");
    const int h = CreateKeyInput(8, 0, 0, 0);
    ASSERT_EQ(ActivateKeyInput(h), 0);
    headless_injector in;
    in.editing(u8"か", 1, 0);
    pump();
    ASSERT_EQ(key_input_state.ime.composing, 1);
    key_input_state.ime.candidates = ManagedCalloc(64, __FILE__, __LINE__);
    ASSERT_EQ(DestroyKeyInput(h), 0);
    EXPECT_EQ(key_input_state.ime.enabled, 0);
    EXPECT_EQ(key_input_state.ime.composing, 0);
    EXPECT_STREQ(key_input_state.ime.composition, "");
    EXPECT_EQ(key_input_state.ime.candidates, nullptr);
    EXPECT_FALSE(platform::headless::ime_switched_on());
    EXPECT_TRUE(platform::headless::text_input_on());

    // a new field's first edit starts a composition of its own
    const int g = CreateKeyInput(8, 0, 0, 0);
    ASSERT_EQ(ActivateKeyInput(g), 0);
    seen_messages().clear();
    in.editing(u8"き", 1, 0);
    pump();
    ASSERT_FALSE(seen_messages().empty());
    EXPECT_EQ(seen_messages()[0].message, WM_IME_STARTCOMPOSITION);
}

TEST_F(Ime, NotificationsAndContext)
{
    start("headless");
    const int h = CreateKeyInput(8, 0, 0, 0);
    ASSERT_EQ(ActivateKeyInput(h), 0);
    void* list = ManagedCalloc(64, __FILE__, __LINE__);
    key_input_state.ime.candidates = list;
    key_input_state.ime.candidates_size = 64;
    for (WPARAM n : {IMN_OPENCANDIDATE, IMN_CHANGECANDIDATE, IMN_SETCANDIDATEPOS}) {
        EXPECT_EQ(MainWindowProc(media::core::window_state.main_window, WM_IME_NOTIFY, n, 0), 0);
        EXPECT_EQ(key_input_state.ime.candidates, list);  // the empty list read keeps the old one
    }
    const std::string line = "漢字変換候補のデータサイズが０でした  DefHWND:0 IMC:0\r\n";
    std::string log = read();
    int count = 0;
    for (std::size_t at = log.find(line); at != std::string::npos; at = log.find(line, at + 1))
        ++count;
    EXPECT_EQ(count, 3) << log;
    EXPECT_EQ(MainWindowProc(media::core::window_state.main_window, WM_IME_NOTIFY, IMN_CLOSECANDIDATE, 0), 0);
    EXPECT_EQ(key_input_state.ime.candidates, nullptr);
    EXPECT_EQ(MainWindowProc(media::core::window_state.main_window, WM_IME_SETCONTEXT, 1, 0xC000000F), 0);

    // the open status follows the enabled flag after a short pumping pause
    key_input_state.ime.open = 0;
    platform::headless::set_clock_step(1);
    EXPECT_EQ(MainWindowProc(media::core::window_state.main_window, WM_IME_NOTIFY, IMN_SETOPENSTATUS, 0), 0);
    platform::headless::set_clock_step(0);
    EXPECT_EQ(key_input_state.ime.open, 1);

    // a composition message that carries nothing reads nothing
    std::strcpy(key_input_state.ime.composition, "ab");
    EXPECT_EQ(MainWindowProc(media::core::window_state.main_window, WM_IME_COMPOSITION, 0, GCS_COMPSTR), 0);
    EXPECT_STREQ(key_input_state.ime.composition, "ab");
}

// Activation with the method on and open asks for the reset; the next
// update runs its steps, which change nothing here.
TEST_F(Ime, ActivationAsksForTheReset)
{
    start("headless");
    const int h = CreateKeyInput(8, 0, 0, 0);
    ASSERT_EQ(ActivateKeyInput(h), 0);
    headless_injector in;
    in.editing(u8"か", 1, 0);
    pump();
    const std::string composition = key_input_state.ime.composition;
    MainWindowProc(media::core::window_state.main_window, WM_ACTIVATE, 1, 0);
    EXPECT_EQ(key_input_state.ime.reset_step, 1);
    EXPECT_EQ(UpdateKeyInput(), 0);
    EXPECT_EQ(key_input_state.ime.reset_step, 0);
    EXPECT_EQ(key_input_state.ime.composition, composition);
    EXPECT_EQ(key_input_state.ime.composing, 1);

    // off, activation asks for nothing
    DestroyKeyInput(h);
    MainWindowProc(media::core::window_state.main_window, WM_ACTIVATE, 1, 0);
    EXPECT_EQ(key_input_state.ime.reset_step, 0);
}

}  // namespace
