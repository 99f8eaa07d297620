// Drawing of key-input fields: the strip geometry that wraps text and boxes
// from the draw area's right edge to its left edge; on the fake face the
// field's cursor, wrapping, scrolling and selection, the composition with
// its clauses, the candidate box's placement, and the on-screen log.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "media/core/ime.hpp"
#include "media/core/input.hpp"
#include "media/core/internal.hpp"
#include "media/core/key_input.hpp"
#include "media/core/log_folder.hpp"
#include "media/graphics/draw.hpp"
#include "media/graphics/drawstate.hpp"
#include "media/graphics/font.hpp"
#include "media/graphics/internal.hpp"
#include "media/graphics/key_input_draw.hpp"
#include "media/graphics/present.hpp"
#include "media/graphics/screen_log.hpp"
#include "media/graphics/startup.hpp"
#include "media/graphics/string_draw.hpp"
#include "media/softrender/internal.hpp"
#include "media/softrender/memimg.hpp"
#include "platform/font/font.hpp"
#include "platform/sdl/test_hooks.hpp"

namespace media::core {

bool operator==(const STRIPPOINT& a, const STRIPPOINT& b)
{
    return a.x == b.x && a.y == b.y;
}

void PrintTo(const STRIPPOINT& p, std::ostream* os)
{
    *os << "(" << p.x << ", " << p.y << ")";
}

}  // namespace media::core

namespace {

using media::core::STRIPPOINT;

TEST(KeyInputGeometry, LineSpacing)
{
    const int cases[][2] = {{20, 26}, {16, 19}, {9, 9}, {10, 13}, {0, 0}};
    for (const auto& c : cases)
        EXPECT_EQ(media::core::line_spacing(c[0]), c[1]) << c[0];
}

TEST(KeyInputGeometry, StripOrigins)
{
    const RECT screen{0, 0, 800, 600};
    const RECT inner{100, 50, 300, 150};
    const struct {
        const char* name;
        RECT area;
        int x, y, width;
        std::vector<STRIPPOINT> origins;
    } cases[] = {
        {"fits", screen, 10, 20, 100, {{10, 20}}},
        {"ends on the edge", screen, 700, 20, 100, {{700, 20}}},
        {"crosses the edge", screen, 780, 0, 100, {{780, 0}, {-20, 26}}},
        {"crosses twice", screen, 780, 0, 1600, {{780, 0}, {-20, 26}, {-820, 52}}},
        {"starts past the edge", screen, 830, 10, 10, {{30, 36}}},
        {"starts left of and above the area", inner, 20, 0, 50, {{100, 50}}},
        {"wraps inside the area", inner, 280, 60, 40, {{280, 60}, {80, 86}}},
        {"below the area", inner, 120, 140, 400, {{120, 140}}},
        {"starts below the area", screen, 10, 600, 10, {}},
        {"empty area", RECT{10, 10, 10, 100}, 10, 10, 10, {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(media::core::strip_origins(c.area, c.x, c.y, c.width, 26), c.origins) << c.name;
}

TEST(KeyInputGeometry, StripRoom)
{
    const struct {
        const char* name;
        RECT area;
        int x, y, room;
    } cases[] = {
        {"whole screen", RECT{0, 0, 800, 600}, 0, 0, 800 * 23},       // 600 / 26 = 23 lines
        {"line start", RECT{0, 0, 800, 600}, 780, 574, 20},             // one line left
        {"last partial line", RECT{0, 0, 800, 600}, 780, 590, 20},      // no whole line below the start
        {"past the edge", RECT{0, 0, 800, 600}, 830, 0, 770 + 800 * 21},  // start (30, 26)
        {"inner area", RECT{100, 50, 300, 150}, 150, 50, 150 + 200 * 2},
    };
    for (const auto& c : cases)
        EXPECT_EQ(media::core::strip_room(c.area, c.x, c.y, 26), c.room) << c.name;
}

// ---- drawing on the fake face ----

using media::core::key_input_state;
using media::gfx::drawn_strings;

// Single-byte characters 10 wide, double-byte ones 20; size 20, so a line
// is 26 high. A glyph is a box of (advance - 1) by 16 from the line's top.
class FieldDrawing : public media_test::headless_media {
protected:
    void SetUp() override
    {
        headless_media::SetUp();
        media::soft::reset_state();
        platform::font::fake_settings f;
        f.height = 20;
        f.ascent = 16;
        f.single_advance = 10;
        f.double_advance = 20;
        platform::font::install_fake(f);
        create_window();
        ASSERT_EQ(StartGraphics(), 0);
        SetDefaultFontType(0);
        SetDefaultFontSize(20);
        RefreshDefaultFont();
        ASSERT_EQ(QueryFontHandleSize(QueryDefaultFontHandle()), 20);
        ASSERT_EQ(StartInput(), 0);
        ASSERT_EQ(StartKeyInputSystem(), 0);
        ClearDrawTarget();
        media::gfx::clear_drawn_strings();
    }
    void TearDown() override
    {
        EndKeyInputSystem();
        EndScreenLog();
        ShutdownGraphics();
        DestroyMainWindow();
        platform::font::remove_fake();
        media::soft::reset_state();
        headless_media::TearDown();
    }

    static std::uint32_t rgb(int x, int y)
    {
        const MEMIMG& image = media::gfx::graphics.screen_image;
        const int bytes = image.base->format->pixel_bytes;
        const std::uint32_t v = media::gfx::load_pixel(
            static_cast<const unsigned char*>(image.pixels) + static_cast<long>(y) * image.base->pitch + x * bytes, bytes);
        int r = 0, g = 0, b = 0;
        UnpackScreenColor(v, &r, &g, &b);
        return static_cast<std::uint32_t>(r << 16 | g << 8 | b);
    }

    static int field(const char* text, bool active = true)
    {
        const int h = CreateKeyInput(200, 0, 0, 0);
        EXPECT_EQ(SetKeyInputText(text, h), 0);
        if (active)
            EXPECT_EQ(ActivateKeyInput(h), 0);
        return h;
    }

    static void press(const std::string& codes)
    {
        for (char c : codes)
            StockTypedChar(static_cast<unsigned char>(c));
        UpdateKeyInput();
    }

    static void clear()
    {
        ClearDrawTarget();
        media::gfx::clear_drawn_strings();
    }

    static std::vector<std::string> texts()
    {
        std::vector<std::string> out;
        for (const auto& d : drawn_strings())
            out.push_back(d.text);
        return out;
    }
};

constexpr std::uint32_t white = 0xFFFFFF, black = 0, grey = 0x808080, yellow = 0xFFFF00, cyan = 0x00FFFF,
                        red = 0xFF0000;

TEST_F(FieldDrawing, InvalidAndFinishedFieldsAreNotDrawn)
{
    EXPECT_EQ(DrawKeyInputField(100, 100, 12345), -1);
    const int h = field("ab");
    press("\r");
    ASSERT_EQ(GetKeyInputState(h), 1);
    EXPECT_EQ(DrawKeyInputField(100, 100, h), -1);
    EXPECT_TRUE(drawn_strings().empty());
    EXPECT_EQ(rgb(100, 100), black);
    ASSERT_EQ(ActivateKeyInput(h), 0);
    EXPECT_EQ(DrawKeyInputField(100, 100, h), 0);
    EXPECT_EQ(texts(), std::vector<std::string>{"ab"});
}

// The cursor bar: 2 pixels wide, the font's height, white, only for the
// active field.
TEST_F(FieldDrawing, CursorBar)
{
    const int h = field("ab");
    ASSERT_EQ(DrawKeyInputField(100, 100, h), 0);
    EXPECT_EQ(rgb(120, 100), white);
    EXPECT_EQ(rgb(121, 119), white);
    EXPECT_EQ(rgb(122, 110), black);
    EXPECT_EQ(rgb(120, 120), black);
    EXPECT_EQ(rgb(119, 18 + 100), black);  // below the glyph, right of it
    const int other = field("ab", false);
    clear();
    ASSERT_EQ(DrawKeyInputField(100, 200, other), 0);
    EXPECT_EQ(rgb(120, 200), black);
    EXPECT_EQ(rgb(100, 200), white);  // its text
}

// A field near the right edge goes on at the left edge a line lower; a box
// crossing the edge shows its cut-off part at the start of the next line.
TEST_F(FieldDrawing, StripWrapping)
{
    const int h = field("abcdefghij", false);
    ASSERT_EQ(DrawKeyInputField(780, 100, h), 0);
    ASSERT_EQ(drawn_strings().size(), 2u);
    EXPECT_EQ(drawn_strings()[0].x, 780);
    EXPECT_EQ(drawn_strings()[0].y, 100);
    EXPECT_EQ(drawn_strings()[1].x, -20);
    EXPECT_EQ(drawn_strings()[1].y, 126);
    EXPECT_EQ(rgb(785, 105), white);  // 'a' at the end of the line
    EXPECT_EQ(rgb(0, 131), white);    // 'c' at the start of the next
    EXPECT_EQ(rgb(9, 131), black);    // the gap after it

    clear();
    ASSERT_EQ(DrawWrappedBox(790, 10, 810, 20, 26, PackScreenColor(255, 255, 255), 1), 0);
    EXPECT_EQ(rgb(799, 15), white);
    EXPECT_EQ(rgb(9, 41), white);
    EXPECT_EQ(rgb(10, 41), black);
    EXPECT_EQ(rgb(5, 15), black);
}

// A text wider than the room scrolls to keep the cursor shown, Home shows
// its start again, and a selection after scrolling lies exactly under the
// selected characters.
TEST_F(FieldDrawing, ScrollingAndSelection)
{
    SetDrawClipArea(0, 0, 100, 26);  // room: one line of 100 pixels
    const int h = field("abcdefghijklmnopqrst");
    ASSERT_EQ(DrawKeyInputField(0, 0, h), 0);
    EXPECT_EQ(texts(), std::vector<std::string>{"klmnopqrst"});
    press("\x1a");  // Home
    clear();
    ASSERT_EQ(DrawKeyInputField(0, 0, h), 0);
    EXPECT_EQ(texts(), std::vector<std::string>{"abcdefghijklmnopqrst"});
    press("\x19");  // End
    clear();
    ASSERT_EQ(DrawKeyInputField(0, 0, h), 0);
    EXPECT_EQ(texts(), std::vector<std::string>{"klmnopqrst"});

    // Shift+Left twice: "st" selected
    platform::os_event shift;
    shift.kind = platform::event_kind::key_down;
    shift.key_position = 0xE1;
    push(shift);
    platform::headless::advance_clock(1);
    RefreshKeyboardState();
    press("\x1d\x1d");
    ASSERT_EQ(key_input_state.table.find(h)->selection_start, 20);
    ASSERT_EQ(key_input_state.table.find(h)->selection_end, 18);
    clear();
    ASSERT_EQ(DrawKeyInputField(0, 0, h), 0);
    EXPECT_EQ(texts(), (std::vector<std::string>{"k", "l", "m", "n", "o", "p", "q", "r", "s", "t"}));
    for (int x : {80, 89, 90, 99})
        EXPECT_EQ(rgb(x, 18), grey) << x;  // below the glyphs, inside the background
    EXPECT_EQ(rgb(79, 18), black);
    EXPECT_EQ(rgb(81, 5), white);  // the selected glyph itself
    EXPECT_EQ(rgb(71, 5), white);  // an unselected one
}

// "にほん" composed in the active field: the box, the text over it, the
// cursor, the underline, the converting clause; then the commit.
TEST_F(FieldDrawing, CompositionIntoPixels)
{
    const int h = field("");
    platform::os_event e;
    e.kind = platform::event_kind::text_editing;
    e.text = u8"にほん";
    e.x = 3;
    push(e);
    PumpWindowMessages();
    ASSERT_EQ(key_input_state.ime.composition_cursor, 3);
    ASSERT_EQ(DrawKeyInputField(100, 100, h), 0);
    EXPECT_EQ(rgb(119, 117), yellow);  // the box, beside the first glyph
    EXPECT_EQ(rgb(105, 105), black);   // the glyph in colour value 0
    EXPECT_EQ(rgb(160, 105), cyan);    // the composition cursor at its end
    EXPECT_EQ(rgb(161, 119), cyan);
    EXPECT_EQ(rgb(104, 122), white);   // the underline: 104 to 156, rows 122 and 123
    EXPECT_EQ(rgb(155, 123), white);
    EXPECT_EQ(rgb(103, 122), black);
    EXPECT_EQ(rgb(156, 122), black);
    EXPECT_EQ(rgb(130, 124), black);
    EXPECT_EQ(rgb(139, 117), yellow);  // two clauses: nothing highlighted
    const platform::screen_rect r = platform::headless::composition_rect();
    EXPECT_EQ(r.x, 160);
    EXPECT_EQ(r.y, 100);
    EXPECT_EQ(r.width, 2);
    EXPECT_EQ(r.height, 20);

    e.x = 1;
    e.y = 1;
    push(e);
    PumpWindowMessages();
    clear();
    ASSERT_EQ(DrawKeyInputField(100, 100, h), 0);
    EXPECT_EQ(rgb(139, 117), red);     // "ほ" is being converted
    EXPECT_EQ(rgb(119, 117), yellow);
    EXPECT_EQ(rgb(121, 118), cyan);    // the cursor before it
    EXPECT_EQ(rgb(124, 122), white);   // each clause underlined apart
    EXPECT_EQ(rgb(117, 122), black);

    platform::os_event commit;
    commit.kind = platform::event_kind::text;
    commit.text = u8"日本";
    push(commit);
    PumpWindowMessages();
    EXPECT_EQ(key_input_state.table.find(h)->length, 4);
    clear();
    ASSERT_EQ(DrawKeyInputField(100, 100, h), 0);
    EXPECT_EQ(rgb(139, 117), black);
    EXPECT_EQ(rgb(141, 105), white);  // the cursor after the committed text
}

// The same composition arriving through SDL's queue (dummy driver) draws
// the same pixels.
TEST_F(FieldDrawing, CompositionOnTheSdlBackend)
{
    EndKeyInputSystem();
    ShutdownGraphics();
    DestroyMainWindow();
    media::core::reset_state();
    media::core::window_state.settings.window_mode = 1;
    ASSERT_EQ(platform::select_backend("sdl"), 0);
    ::setenv("SDL_VIDEODRIVER", "dummy", 0);
    ASSERT_EQ(CreateMainWindow(), 0);
    ASSERT_EQ(StartGraphics(), 0);
    SetDefaultFontType(0);
    SetDefaultFontSize(20);
    RefreshDefaultFont();
    ASSERT_EQ(StartInput(), 0);
    ASSERT_EQ(StartKeyInputSystem(), 0);
    ClearDrawTarget();
    const int h = field("");
    ASSERT_EQ(platform::sdl::test::push_editing(u8"にほん", 1, 1), 0);
    for (int i = 0; i < 4; ++i)
        PumpWindowMessages();
    ASSERT_EQ(key_input_state.ime.composition_cursor, 1);
    ASSERT_EQ(DrawKeyInputField(100, 100, h), 0);
    EXPECT_EQ(rgb(119, 117), yellow);
    EXPECT_EQ(rgb(139, 117), red);
    EXPECT_EQ(rgb(121, 118), cyan);
    EXPECT_EQ(rgb(124, 122), white);
    ASSERT_EQ(platform::sdl::test::push_text(u8"日本"), 0);
    for (int i = 0; i < 4; ++i)
        PumpWindowMessages();
    EXPECT_EQ(key_input_state.table.find(h)->length, 4);
    EndKeyInputSystem();
    ShutdownGraphics();
    DestroyMainWindow();
    ASSERT_EQ(platform::select_backend("headless"), 0);
}

// A candidate list block as an input method hands it over.
void* candidate_block(const std::vector<std::string>& items, int selection, int& size)
{
    const std::size_t header = sizeof(CANDIDATELIST) + (items.size() - 1) * sizeof(std::uint32_t);
    std::size_t total = header;
    for (const std::string& s : items)
        total += s.size() + 1;
    auto* list = static_cast<CANDIDATELIST*>(ManagedCalloc(static_cast<int>(total), __FILE__, __LINE__));
    list->size = static_cast<std::uint32_t>(total);
    list->count = static_cast<std::uint32_t>(items.size());
    list->selection = static_cast<std::uint32_t>(selection);
    list->page_size = 5;
    std::size_t at = header;
    for (std::size_t i = 0; i < items.size(); ++i) {
        list->offset[i] = static_cast<std::uint32_t>(at);
        std::memcpy(reinterpret_cast<char*>(list) + at, items[i].c_str(), items[i].size() + 1);
        at += items[i].size() + 1;
    }
    size = static_cast<int>(total);
    return list;
}

TEST_F(FieldDrawing, CandidateBoxPlacement)
{
    const int h = field("");
    platform::os_event e;
    e.kind = platform::event_kind::text_editing;
    e.text = "x";
    e.x = 1;
    push(e);
    PumpWindowMessages();
    int size = 0;
    key_input_state.ime.candidates = candidate_block({"c1", "c2", "c3", "c4", "c5", "c6", "c7"}, 6, size);
    key_input_state.ime.candidates_size = size;
    // the composition "x" is 10 wide: the box's left is the cursor at a + 10
    const struct {
        const char* name;
        int x, y;
        int left, top;
    } cases[] = {
        {"below", 100, 100, 110, 130},
        {"above near the bottom", 100, 560, 110, 560 - 10 - 72},
        {"moved left at the right edge", 770, 100, 800 - 52, 130},
    };
    for (const auto& c : cases) {
        clear();
        ASSERT_EQ(DrawKeyInputField(c.x, c.y, h), 0) << c.name;
        const auto& d = drawn_strings();
        ASSERT_EQ(texts(), (std::vector<std::string>{"x", "1:c6", "2:c7", "7/7"})) << c.name;
        // lines at v = 6 inside the box, 20 apart; "7/7" right-aligned to left + 6 + 40
        EXPECT_EQ(d[1].x, c.left + 6) << c.name;
        EXPECT_EQ(d[1].y, c.top + 6) << c.name;
        EXPECT_EQ(d[2].y, c.top + 26) << c.name;
        EXPECT_EQ(d[3].x, c.left + 6 + 40 - 30) << c.name;
        EXPECT_EQ(d[3].y, c.top + 46) << c.name;
        EXPECT_EQ(d[1].color, PackScreenColor(255, 255, 255)) << c.name;
        EXPECT_EQ(d[2].color, PackScreenColor(255, 0, 0)) << c.name;  // the selected candidate
        // the box: 52 by 72, its border yellow
        EXPECT_EQ(rgb(c.left, c.top), yellow) << c.name;
        EXPECT_EQ(rgb(c.left + 51, c.top + 71), yellow) << c.name;
        EXPECT_EQ(rgb(c.left + 1, c.top + 70), black) << c.name;
    }
    // a candidate longer than a line's buffer is drawn cut
    ManagedFree(key_input_state.ime.candidates);
    key_input_state.ime.candidates = candidate_block({std::string(300, 'k')}, 0, size);
    key_input_state.ime.candidates_size = size;
    clear();
    ASSERT_EQ(DrawKeyInputField(100, 100, h), 0);
    ASSERT_EQ(drawn_strings().size(), 3u);
    EXPECT_EQ(drawn_strings()[1].text, "1:" + std::string(253, 'k'));
}

TEST_F(FieldDrawing, ScreenLog)
{
    ASSERT_EQ(StartScreenLog(), 0);
    media::core::window_state.started = 1;  // the flip shows only a running layer
    std::strcpy(media::core::screen_log.lines[0], "abc");
    std::strcpy(media::core::screen_log.lines[1], "def");
    std::strcpy(media::core::screen_log.lines[37], "hidden");  // 600 / 16 lines fit
    ASSERT_EQ(FlipDrawScreen(), 0);
    EXPECT_TRUE(drawn_strings().empty());  // not shown

    media::core::screen_log.shown = 1;
    SetDrawClipArea(10, 10, 20, 20);
    ASSERT_EQ(FlipDrawScreen(), 0);
    ASSERT_EQ(texts(), (std::vector<std::string>{"abc", "def"}));
    EXPECT_EQ(drawn_strings()[1].x, 0);
    EXPECT_EQ(drawn_strings()[1].y, 16);
    EXPECT_EQ(drawn_strings()[1].color, PackScreenColor(255, 255, 255));
    const int font = drawn_strings()[0].font;
    EXPECT_EQ(QueryFontHandleSize(font), 16);
    int thickness = 0;
    QueryFontHandleInfo(nullptr, nullptr, &thickness, font);
    EXPECT_EQ(thickness, 4);
    EXPECT_EQ(media::gfx::draw_state.area.right, 20);  // the draw area came back

    ASSERT_EQ(FlipDrawScreen(), 0);
    EXPECT_EQ(drawn_strings()[2].font, font);  // made once
    media::core::window_state.started = 0;
    EXPECT_EQ(EndScreenLog(), 0);
    EXPECT_EQ(IsFontHandleValid(font), 0);
}

}  // namespace
