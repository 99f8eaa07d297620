// Key-input fields: the typed-character stock, handles, the editing keys,
// the clipboard, and typed text through the pump.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "log_folder.hpp"
#include "media/core/input.hpp"
#include "media/core/key_input.hpp"
#include "media/core/text.hpp"

namespace {

using media::core::key_input_state;
using media_test::headless_media;

class KeyInput : public headless_media {
protected:
    void SetUp() override
    {
        headless_media::SetUp();
        create_window();
        ASSERT_EQ(StartInput(), 0);
        ASSERT_EQ(StartKeyInputSystem(), 0);
    }

    void TearDown() override
    {
        EndKeyInputSystem();
        headless_media::TearDown();
    }

    static void shift(bool down)
    {
        platform::os_event e;
        e.kind = down ? platform::event_kind::key_down : platform::event_kind::key_up;
        e.key_position = 0xE1;
        push(e);
        platform::headless::advance_clock(1);
        RefreshKeyboardState();
    }

    static void stock(const std::string& bytes)
    {
        for (char c : bytes)
            ASSERT_EQ(StockTypedChar(static_cast<unsigned char>(c)), 0);
    }

    static std::string text_of(int handle)
    {
        std::vector<char> buffer(1024, 'z');
        EXPECT_EQ(GetKeyInputText(buffer.data(), handle), 0);
        return buffer.data();
    }

    static media::core::KEYINPUT& record(int handle) { return *key_input_state.table.find(handle); }
};

struct key_step {
    std::string bytes;
    bool shift;
};

struct edit_case {
    const char* name;
    std::string text;
    int cursor;  // -1: at the end
    int max_length;
    int cancel, single, numeric;
    std::vector<key_step> keys;
    std::string result;
    int result_cursor;
    int selection_start, selection_end;
    int state;
    std::string clipboard;  // "-" when untouched
};

TEST_F(KeyInput, EditingKeys)
{
    const std::string a0 = "\x82\xA0";
    const std::string seventy(70, 'a');
    std::string typed70;
    for (int i = 0; i < 70; ++i)
        typed70 += static_cast<char>('!' + i);
    const edit_case cases[] = {
        {"a full field keeps the new character", "abcd", -1, 4, 0, 0, 0, {{"e", false}}, "abce", 4, -1, -1, 0, "-"},
        {"a double-byte character in the middle", "ab", 1, 4, 0, 0, 0, {{a0, false}}, "a" + a0 + "b", 3, -1, -1, 0, "-"},
        {"the last character makes room", "abc", 1, 4, 0, 0, 0, {{a0, false}}, "a" + a0 + "b", 3, -1, -1, 0, "-"},
        {"Backspace removes both bytes", "a" + a0, -1, 10, 0, 0, 0, {{"\x08", false}}, "a", 1, -1, -1, 0, "-"},
        {"Shift+Left selects", "abcdef", -1, 10, 0, 0, 0, {{"\x1d\x1d\x1d", true}}, "abcdef", 3, 6, 3, 0, "-"},
        {"Ctrl+X cuts the selection", "abcdef", -1, 10, 0, 0, 0, {{"\x1d\x1d\x1d", true}, {"\x18", false}},
         "abc", 3, -1, -1, 0, "def"},
        {"Ctrl+C copies it", "abcdef", -1, 10, 0, 0, 0, {{"\x1d\x1d", true}, {"\x03", false}},
         "abcdef", 4, 6, 4, 0, "ef"},
        {"Shift+Right over a double-byte character", a0 + "b", 0, 10, 0, 0, 0, {{"\x1c", true}},
         a0 + "b", 2, 0, 2, 0, "-"},
        {"Escape without cancelling", "ab", -1, 10, 0, 0, 0, {{"\x1b", false}}, "ab", 2, -1, -1, 0, "-"},
        {"Escape cancels", "ab", -1, 10, 1, 0, 0, {{"\x1b", false}}, "ab", 2, -1, -1, 2, "-"},
        {"Enter finishes and leaves the rest", "ab", -1, 10, 0, 0, 0, {{"\rcd", false}}, "ab", 2, -1, -1, 1, "-"},
        {"Home", "abc", 1, 10, 0, 0, 0, {{"\x1a", false}}, "abc", 0, -1, -1, 0, "-"},
        {"Shift+Home", "abc", 1, 10, 0, 0, 0, {{"\x1a", true}}, "abc", 0, 1, 0, 0, "-"},
        {"End", "abc", 1, 10, 0, 0, 0, {{"\x19", false}}, "abc", 3, -1, -1, 0, "-"},
        {"Shift+End", "abc", 1, 10, 0, 0, 0, {{"\x19", true}}, "abc", 3, 1, 3, 0, "-"},
        {"Home clears a selection", "abc", -1, 10, 0, 0, 0, {{"\x1d", true}, {"\x1a", false}}, "abc", 0, -1, -1, 0, "-"},
        {"Delete at the cursor", "abc", 1, 10, 0, 0, 0, {{"\x10", false}}, "ac", 1, -1, -1, 0, "-"},
        {"Delete at the end does nothing", "abc", -1, 10, 0, 0, 0, {{"\x10", false}}, "abc", 3, -1, -1, 0, "-"},
        {"Delete a double-byte character", a0 + "b", 0, 10, 0, 0, 0, {{"\x10", false}}, "b", 0, -1, -1, 0, "-"},
        {"Delete a selection", "abc", 1, 10, 0, 0, 0, {{"\x1c", true}, {"\x10", false}}, "ac", 1, -1, -1, 0, "-"},
        {"Shift+Delete cuts it", "abc", 1, 10, 0, 0, 0, {{"\x1c", true}, {"\x10", true}}, "ac", 1, -1, -1, 0, "b"},
        {"typing replaces a selection", "abc", -1, 10, 0, 0, 0, {{"\x1d\x1d", true}, {"x", false}}, "ax", 2, -1, -1, 0, "-"},
        {"ignored keys", "ab", 1, 10, 0, 0, 0, {{"\t\x15\x17\x1e\x1f", false}}, "ab", 1, -1, -1, 0, "-"},
        {"numeric only", "", 0, 10, 0, 0, 1, {{"-1.2.3", false}}, "-1.23", 5, -1, -1, 0, "-"},
        {"numeric only: a minus only first", "", 0, 10, 0, 0, 1, {{"5-x" + a0, false}}, "5", 1, -1, -1, 0, "-"},
        {"single-byte only", "", 0, 10, 0, 1, 0, {{"a" + a0 + "b", false}}, "ab", 2, -1, -1, 0, "-"},
        {"a field of one byte refuses two", "", 0, 1, 0, 0, 0, {{a0 + "q", false}}, "q", 1, -1, -1, 0, "-"},
        {"70 typed into 64", "", 0, 64, 0, 0, 0, {{typed70, false}}, typed70.substr(0, 63) + typed70[69], 64, -1, -1, 0, "-"},
    };
    for (const edit_case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(SetClipboardText("-"), 0);
        const int h = CreateKeyInput(c.max_length, c.cancel, c.single, c.numeric);
        ASSERT_NE(h, -1);
        ASSERT_EQ(SetKeyInputText(c.text.c_str(), h), 0);
        if (c.cursor >= 0)
            record(h).cursor = c.cursor;
        ASSERT_EQ(ActivateKeyInput(h), 0);
        for (const key_step& step : c.keys) {
            shift(step.shift);
            stock(step.bytes);
            ASSERT_EQ(UpdateKeyInput(), 0);
        }
        shift(false);
        EXPECT_EQ(text_of(h), c.result);
        EXPECT_EQ(record(h).length, static_cast<int>(c.result.size()));
        EXPECT_EQ(record(h).cursor, c.result_cursor);
        EXPECT_EQ(record(h).selection_start, c.selection_start);
        EXPECT_EQ(record(h).selection_end, c.selection_end);
        EXPECT_EQ(GetKeyInputState(h), c.state);
        EXPECT_EQ(platform::headless::clipboard(), c.clipboard);
        ASSERT_EQ(DestroyKeyInput(h), 0);
        DiscardTypedChars();
    }
}

// A text cut inside a double-byte character ends in a lone lead byte: it is
// one byte wide, never a character that reaches past the NUL.
TEST_F(KeyInput, ALoneLeadByteAtTheEndIsOneByte)
{
    const int h = CreateKeyInput(3, 0, 0, 0);
    ASSERT_EQ(SetKeyInputText("ab\x82\xA0", h), 0);
    EXPECT_EQ(text_of(h), "ab\x82");
    EXPECT_EQ(CharCountToBytes("ab\x82", 3), 3);
    EXPECT_EQ(CharCountToBytes("ab\x82", 9), 3);
    EXPECT_EQ(CharCountToBytes("\x82\xA0" "b", 1), 2);
    EXPECT_EQ(CharCountToBytes("ab", 0), 0);
    EXPECT_EQ(ByteCountToChars("ab\x82", 3), 3);
    EXPECT_EQ(ByteCountToChars("\x82\xA0" "b", 1), 1);
    EXPECT_EQ(ByteCountToChars("\x82\xA0" "b", 3), 2);
    EXPECT_EQ(ByteCountToChars("ab", 0), 0);
    ASSERT_EQ(ActivateKeyInput(h), 0);
    stock("\x1d\x10");  // Left, then Delete of the lone byte
    ASSERT_EQ(UpdateKeyInput(), 0);
    EXPECT_EQ(text_of(h), "ab");
    EXPECT_EQ(record(h).cursor, 2);
}

TEST_F(KeyInput, APastedLineBreakFinishesTheInput)
{
    const int h = CreateKeyInput(10, 0, 0, 0);
    ASSERT_EQ(ActivateKeyInput(h), 0);
    ASSERT_EQ(SetClipboardText("x\r\ny"), 0);
    stock("\x16");
    ASSERT_EQ(UpdateKeyInput(), 0);
    EXPECT_EQ(text_of(h), "x");
    EXPECT_EQ(GetKeyInputState(h), 1);
    char next[2];
    EXPECT_EQ(TakeTypedChar(next, 0), 1);
    EXPECT_EQ(next[0], '\n');
    // activated again it edits again, the rest of the paste discarded
    ASSERT_EQ(ActivateKeyInput(h), 0);
    EXPECT_EQ(GetKeyInputState(h), 0);
    EXPECT_EQ(TakeTypedChar(next, 0), 0);
    stock("z");
    ASSERT_EQ(UpdateKeyInput(), 0);
    EXPECT_EQ(text_of(h), "xz");
}

TEST_F(KeyInput, PasteOnTheSdlBackend)
{
    EndKeyInputSystem();
    DestroyMainWindow();
    media::core::reset_state();
    ASSERT_EQ(platform::select_backend("sdl"), 0);
    ::setenv("SDL_VIDEODRIVER", "dummy", 0);
    ASSERT_EQ(CreateMainWindow(), 0);
    ASSERT_EQ(StartKeyInputSystem(), 0);
    const int h = CreateKeyInput(10, 0, 0, 0);
    ASSERT_EQ(ActivateKeyInput(h), 0);
    if (SetClipboardText("x\r\ny") != 0) {
        DestroyMainWindow();
        ASSERT_EQ(platform::select_backend("headless"), 0);
        GTEST_SKIP() << "SDL's dummy driver keeps no clipboard here";
    }
    stock("\x16");
    EXPECT_EQ(UpdateKeyInput(), 0);
    EXPECT_EQ(text_of(h), "x");
    EXPECT_EQ(GetKeyInputState(h), 1);
    EndKeyInputSystem();
    DestroyMainWindow();
    ASSERT_EQ(platform::select_backend("headless"), 0);
}

// The update runs inside the pump, which cannot wait for the window to come
// back: Shift is read without waiting.
TEST_F(KeyInput, AnInactiveWindowDoesNotHoldTheUpdate)
{
    const int h = CreateKeyInput(10, 0, 0, 0);
    ASSERT_EQ(SetKeyInputText("ab", h), 0);
    ASSERT_EQ(ActivateKeyInput(h), 0);
    media::core::window_state.active = 0;
    media::core::window_state.key_input_updating = 1;
    stock("\x1d");
    EXPECT_EQ(UpdateKeyInput(), 0);
    media::core::window_state.key_input_updating = 0;
    media::core::window_state.active = 1;
    EXPECT_EQ(record(h).cursor, 1);
}

TEST_F(KeyInput, ALeadByteWaitsForItsTrailByte)
{
    const int h = CreateKeyInput(10, 0, 0, 0);
    ASSERT_EQ(ActivateKeyInput(h), 0);
    stock("a\x82");
    ASSERT_EQ(UpdateKeyInput(), 0);
    EXPECT_EQ(text_of(h), "a");
    char c[2];
    EXPECT_EQ(TakeTypedChar(c, 1), 0);
    EXPECT_EQ(TakeTypedChar(c, 0), 0);  // still there
    stock("\xA0");
    ASSERT_EQ(UpdateKeyInput(), 0);
    EXPECT_EQ(text_of(h), "a\x82\xA0");
}

TEST_F(KeyInput, TheStockHoldsTenTwentyFourBytes)
{
    for (int round = 0; round < 2; ++round) {  // the second round wraps
        for (int i = 0; i < 1024; ++i)
            ASSERT_EQ(StockTypedChar(static_cast<unsigned char>('a' + i % 26)), 0) << i;
        EXPECT_EQ(StockTypedChar('x'), -1);
        char c[2];
        for (int i = 0; i < 1024; ++i) {
            ASSERT_EQ(TakeTypedChar(c, 1), 1);
            ASSERT_EQ(c[0], static_cast<char>('a' + i % 26));
        }
        EXPECT_EQ(TakeTypedChar(c, 1), 0);
        ASSERT_EQ(StockTypedChar('q'), 0);
        ASSERT_EQ(TakeTypedChar(c, 1), 1);
    }
    // a NUL in the stock is no character of a field
    const int h = CreateKeyInput(10, 0, 0, 0);
    ASSERT_EQ(ActivateKeyInput(h), 0);
    ASSERT_EQ(StockTypedChar(0), 0);
    stock("b");
    ASSERT_EQ(UpdateKeyInput(), 0);
    EXPECT_EQ(text_of(h), "b");
    EXPECT_EQ(record(h).length, 1);
}

TEST_F(KeyInput, HandlesTheirLimitsAndTheInputMethodFlag)
{
    EXPECT_FALSE(platform::headless::ime_switched_on());
    std::vector<int> handles;
    for (int i = 0; i < 256; ++i) {
        handles.push_back(CreateKeyInput(8, 0, 0, 0));
        ASSERT_NE(handles.back(), -1) << i;
    }
    EXPECT_TRUE(platform::headless::ime_switched_on());
    EXPECT_EQ(key_input_state.ime.enabled, 1);
    EXPECT_EQ(CreateKeyInput(8, 0, 0, 0), -1);

    const int old = handles[5];
    ASSERT_EQ(DestroyKeyInput(old), 0);
    const int reused = CreateKeyInput(8, 0, 0, 0);
    ASSERT_NE(reused, -1);
    EXPECT_EQ(reused & 0xFFFF, old & 0xFFFF);
    EXPECT_NE(reused, old);
    handles[5] = reused;

    // every operation refuses a stale or foreign value and changes nothing
    char buffer[16] = "same";
    for (int bad : {old, -1, 12345, (10 << 27) | 300, (1 << 27) | 0}) {
        EXPECT_EQ(DestroyKeyInput(bad), -1) << bad;
        EXPECT_EQ(SetKeyInputText("x", bad), -1) << bad;
        EXPECT_EQ(GetKeyInputText(buffer, bad), -1) << bad;
        EXPECT_EQ(GetKeyInputState(bad), -1) << bad;
        if (bad != -1) {
            EXPECT_EQ(ActivateKeyInput(bad), -1) << bad;
        }
    }
    EXPECT_STREQ(buffer, "same");
    EXPECT_EQ(text_of(reused), "");
    EXPECT_EQ(SetKeyInputText(nullptr, reused), -1);
    EXPECT_EQ(GetKeyInputText(nullptr, reused), -1);
    EXPECT_EQ(CreateKeyInput(-1, 0, 0, 0), -1);

    ASSERT_EQ(ActivateKeyInput(reused), 0);
    EXPECT_EQ(key_input_state.active, reused);
    ASSERT_EQ(ActivateKeyInput(-1), 0);
    EXPECT_EQ(key_input_state.active, -1);
    ASSERT_EQ(ActivateKeyInput(reused), 0);
    ASSERT_EQ(DestroyKeyInput(reused), 0);
    EXPECT_EQ(key_input_state.active, -1);

    for (int h : handles) {
        if (h != reused) {
            ASSERT_EQ(DestroyKeyInput(h), 0);
        }
    }
    EXPECT_FALSE(platform::headless::ime_switched_on());
    EXPECT_EQ(key_input_state.ime.enabled, 0);

    // a failed text allocation leaves the slot free
    media::core::fail_next_heap_requests(1);
    EXPECT_EQ(CreateKeyInput(8, 0, 0, 0), -1);
    EXPECT_EQ(key_input_state.table.count(), 0);
    const int first = CreateKeyInput(8, 0, 0, 0);
    EXPECT_EQ(first & 0xFFFF, 0);
}

TEST_F(KeyInput, StartAndEndOfTheSystem)
{
    EXPECT_NE(read().find("文字コードバッファの初期化を行います... 完了しました\r\n"), std::string::npos);
    const int a = CreateKeyInput(8, 0, 0, 0);
    const int b = CreateKeyInput(8, 0, 0, 0);
    ASSERT_EQ(ActivateKeyInput(a), 0);
    stock("xy");
    ASSERT_EQ(EndKeyInputSystem(), 0);
    EXPECT_EQ(GetKeyInputState(a), -1);
    EXPECT_EQ(GetKeyInputState(b), -1);
    EXPECT_EQ(key_input_state.active, -1);
    EXPECT_EQ(key_input_state.table.count(), 0);
    ASSERT_EQ(StartKeyInputSystem(), 0);
    char c[2];
    EXPECT_EQ(TakeTypedChar(c, 0), 0);
    EXPECT_EQ(key_input_state.style.blink_period, 500);
    EXPECT_EQ(key_input_state.style.font, -1);
    EXPECT_EQ(key_input_state.style.cursor_shown, 1);
}

// Text the platform reports, pumped once, lands in the active field.
TEST_F(KeyInput, TypedTextReachesTheActiveField)
{
    const int h = CreateKeyInput(16, 0, 0, 0);
    ASSERT_EQ(ActivateKeyInput(h), 0);
    platform::os_event e;
    e.kind = platform::event_kind::text;
    e.text = "\xE3\x81\x82\xE3\x81\x84";  // "あい" in UTF-8
    push(e);
    EXPECT_EQ(PumpWindowMessages(), 0);
    EXPECT_EQ(text_of(h), "\x82\xA0\x82\xA2");
}

TEST(LeadBytes, ByCharacterSet)
{
    const struct {
        unsigned char byte;
        int shift_jis, hangul;
    } cases[] = {{0x41, 0, 0}, {0x80, 0, 1}, {0x81, 1, 1}, {0x9F, 1, 1}, {0xA0, 0, 1}, {0xDF, 0, 1},
                 {0xE0, 1, 1}, {0xFC, 1, 1}, {0xFD, 0, 1}};
    for (const auto& c : cases) {
        const char b = static_cast<char>(c.byte);
        EXPECT_EQ(IsLeadByteForCharSet(&b, 1), c.shift_jis) << int(c.byte);
        EXPECT_EQ(IsLeadByteForCharSet(&b, 0), c.shift_jis) << int(c.byte);
        EXPECT_EQ(IsLeadByteForCharSet(&b, 2), c.hangul) << int(c.byte);
    }
    EXPECT_EQ(IsLeadByteForCharSet(nullptr, 1), 0);
}

}  // namespace
