// Drawing of key-input fields and of the input method's composition: text
// and boxes wrap from the draw area's right edge to its left edge a line
// lower, the field scrolls to keep its cursor shown.
#include "media/graphics/key_input_draw.hpp"

#include <cstring>
#include <string>
#include <utility>

#include "media/core/format.hpp"
#include "media/core/internal.hpp"
#include "media/core/key_input.hpp"
#include "media/core/text.hpp"
#include "media/core/window_services.hpp"
#include "media/graphics/draw.hpp"
#include "media/graphics/font.hpp"
#include "media/graphics/internal.hpp"
#include "media/graphics/string_draw.hpp"
#include "platform/platform.hpp"

namespace media::core {

int line_spacing(int size)
{
    return size + (size / 10) * 3;
}

namespace {

// The strip's start for (x, y): inside the area's top-left corner, and a
// line lower per area width while it lies right of the area.
STRIPPOINT strip_start(const RECT& area, int x, int y, int spacing)
{
    const int width = area.right - area.left;
    STRIPPOINT p{x > area.left ? x : area.left, y > area.top ? y : area.top};
    while (p.x >= area.right && p.y < area.bottom) {
        p.x -= width;
        p.y += spacing;
    }
    return p;
}

}  // namespace

std::vector<STRIPPOINT> strip_origins(const RECT& area, int x, int y, int width, int spacing)
{
    std::vector<STRIPPOINT> out;
    const int area_width = area.right - area.left;
    if (area_width <= 0 || area.bottom <= area.top)
        return out;
    STRIPPOINT p = strip_start(area, x, y, spacing);
    if (spacing <= 0)
        spacing = 1;  // each repeat still goes down, so the loop ends
    for (;;) {
        if (p.y >= area.bottom)
            break;
        out.push_back(p);
        if (static_cast<long long>(p.x) + width <= area.right)
            break;
        p.x -= area_width;
        p.y += spacing;
    }
    return out;
}

int strip_room(const RECT& area, int x, int y, int spacing)
{
    const int area_width = area.right - area.left;
    if (area_width <= 0 || spacing <= 0)
        return 0;
    const STRIPPOINT p = strip_start(area, x, y, spacing);
    const int lines = (area.bottom - p.y) / spacing;
    int room = area.right - p.x;
    if (lines > 0)
        room += area_width * (lines - 1);
    return room;
}

}  // namespace media::core

using media::core::IMESTATE;
using media::core::KEYINPUT;
using media::core::KEYINPUTSTYLE;
using media::core::key_input_state;
using media::core::line_spacing;
using media::core::STRIPPOINT;
using media::core::strip_origins;

namespace {

const RECT& draw_area()
{
    return media::gfx::draw_state.area;
}

int style_font()
{
    const int font = key_input_state.style.font;
    return font == -1 ? QueryDefaultFontHandle() : font;
}

int width_of(const char* text, int bytes, int font)
{
    if (bytes <= 0)
        return 0;
    const int w = MeasureStringWithFont(text, bytes, font, 0);
    return w < 0 ? 0 : w;
}

// Bytes of the character at text (never past the NUL).
int char_size(const char* text)
{
    return IsLeadByteForCharSet(text, media::core::window_state.char_set_kind) != 0 && text[1] != '\0' ? 2 : 1;
}

// One character or a whole run at every origin of the strip.
void draw_run(int x, int y, int spacing, const char* text, int width, std::uint32_t colour, std::uint32_t edge, int font)
{
    for (const STRIPPOINT& p : strip_origins(draw_area(), x, y, width, spacing))
        DrawStringWithFont(p.x, p.y, text, colour, font, edge, 0);
}

}  // namespace

int DrawWrappedBox(int x1, int y1, int x2, int y2, int spacing, std::uint32_t colour, int fill)
{
    const int width = x2 - x1, height = y2 - y1;
    for (const STRIPPOINT& p : strip_origins(draw_area(), x1, y1, width, spacing))
        DrawRectangle(p.x, p.y, p.x + width, p.y + height, colour, fill);
    return 0;
}

int DrawWrappedString(int x, int y, int spacing, const char* text, std::uint32_t colour, std::uint32_t edge, int font,
                      std::uint32_t selected_colour, std::uint32_t selected_edge, std::uint32_t selection_background,
                      int selection_low, int selection_high)
{
    if (text == nullptr || text[0] == '\0')
        return 0;
    if (selection_low == -1 || selection_high == -1 || selection_low == selection_high) {
        draw_run(x, y, spacing, text, width_of(text, static_cast<int>(std::strlen(text)), font), colour, edge, font);
        return 0;
    }
    if (selection_low > selection_high)
        std::swap(selection_low, selection_high);
    // character by character: the selected ones on their background
    const int height = QueryFontHandleSize(font);
    int pen = 0;
    for (int at = 0; text[at] != '\0';) {
        const int size = char_size(text + at);
        char one[3] = {text[at], size == 2 ? text[at + 1] : '\0', '\0'};
        const int w = width_of(one, size, font);
        if (at >= selection_low && at < selection_high) {
            DrawWrappedBox(x + pen, y, x + pen + w, y + height, spacing, selection_background, 1);
            draw_run(x + pen, y, spacing, one, w, selected_colour, selected_edge, font);
        } else {
            draw_run(x + pen, y, spacing, one, w, colour, edge, font);
        }
        pen += w;
        at += size;
    }
    return 0;
}

namespace {

// The candidate list's strings, read only inside its block.
struct candidate_view {
    const CANDIDATELIST* list = nullptr;
    std::uint32_t size = 0;

    bool valid() const
    {
        return list != nullptr && size >= sizeof(CANDIDATELIST) && list->size <= size && list->count > 0 &&
               (list->count - 1) <= (size - sizeof(CANDIDATELIST)) / sizeof(std::uint32_t);
    }
    // The i-th string, "" when its offset or its end lies outside the block.
    std::string at(std::uint32_t i) const
    {
        const std::uint32_t offset = list->offset[i];
        if (offset >= size)
            return std::string();
        const char* start = reinterpret_cast<const char*>(list) + offset;
        const void* end = std::memchr(start, '\0', size - offset);
        return end == nullptr ? std::string() : std::string(start);
    }
};

void draw_candidates(int left_x, int b, int h, int per_page)
{
    const IMESTATE& ime = key_input_state.ime;
    const KEYINPUTSTYLE& style = key_input_state.style;
    candidate_view view{static_cast<const CANDIDATELIST*>(ime.candidates),
                        static_cast<std::uint32_t>(ime.candidates_size)};
    if (!view.valid() || per_page <= 0)
        return;
    const int font = style_font();
    const int count = static_cast<int>(view.list->count);
    const int selection = static_cast<int>(view.list->selection < view.list->count ? view.list->selection : 0);
    const int page_start = per_page * (selection / per_page);
    // lines "n:candidate" of the page, and "selection/count"; the buffer's
    // size bounds each line, however long a candidate is
    char lines[32][256];
    int n = 0;
    for (int i = page_start; i < count && i < page_start + per_page && n < 32; ++i, ++n)
        FormatString(lines[n], sizeof lines[n], "%d:%s", i - page_start + 1, view.at(static_cast<std::uint32_t>(i)).c_str());
    char last[64];
    FormatString(last, sizeof last, "%d/%d", selection + 1, count);
    int widest = width_of(last, static_cast<int>(std::strlen(last)), font);
    for (int k = 0; k < n; ++k) {
        const int w = width_of(lines[k], static_cast<int>(std::strlen(lines[k])), font);
        widest = w > widest ? w : widest;
    }
    const int v = h / 3, u = h / 2;
    const int width = widest + 2 * v, height = (n + 1) * h + 2 * v;
    const RECT& area = draw_area();
    int left = left_x, top = b + h + u;
    if (top + height > area.bottom) {
        if (b - u - height >= area.top)
            top = b - u - height;
        else
            top = area.bottom - height;
    }
    if (left + width > area.right)
        left -= left + width - area.right;
    DrawFilledBox(left, top, left + width, top + height, style.candidate_background);
    DrawOutlineBox(left, top, left + width, top + height, style.composition_background);
    for (int k = 0; k < n; ++k) {
        const bool selected = page_start + k == selection;
        DrawStringWithFont(left + v, top + v + k * h, lines[k], selected ? style.converting_clause : style.text, font,
                           selected ? style.selected_candidate_edge : style.candidate_edge, 0);
    }
    DrawStringWithFont(left + v + widest - width_of(last, static_cast<int>(std::strlen(last)), font), top + v + n * h,
                       last, style.text, font, style.candidate_edge, 0);
    // the page size and start would go to the input method here; this
    // platform's takes neither
}

}  // namespace

int DrawImeState(int x, int y, int per_page)
{
    IMESTATE& ime = key_input_state.ime;
    const KEYINPUTSTYLE& style = key_input_state.style;
    if (ime.enabled == 0 || ime.open == 0)
        return -1;
    if (ime.composition[0] == '\0')
        return 0;
    const int font = style_font();
    const int h = QueryFontHandleSize(font);
    if (h < 0)
        return 0;
    const int spacing = line_spacing(h);
    const RECT& area = draw_area();
    const int a = x > area.left ? x : area.left;
    const int b = y > area.top ? y : area.top;
    const char* text = ime.composition;
    const int length = static_cast<int>(std::strlen(text));

    DrawWrappedBox(a, b, a + width_of(text, length, font), b + h, spacing, style.composition_background, 1);
    if (ime.clause_count != 2) {
        const int cursor_bytes = CharCountToBytes(text, ime.composition_cursor);
        for (int i = 0; i + 1 < ime.clause_count; ++i) {
            const int start = ime.clauses[i], end = ime.clauses[i + 1];
            if (start != cursor_bytes || start < 0 || end > length || end < start)
                continue;
            const int left = a + width_of(text, start, font);
            DrawWrappedBox(left, b, left + width_of(text + start, end - start, font), b + h, spacing,
                           style.converting_clause, 1);
            break;
        }
    }
    DrawWrappedString(a, b, spacing, text, 0, style.composition_background, font, 0, 0, 0, -1, -1);
    const int cursor_x = a + width_of(text, CharCountToBytes(text, ime.composition_cursor), font);
    if (ime.candidates == nullptr && style.cursor_shown != 0)
        DrawWrappedBox(cursor_x, b, cursor_x + 2, b + h, spacing, style.composition_cursor, 1);
    for (int i = 0; i + 1 < ime.clause_count; ++i) {
        const int start = ime.clauses[i], end = ime.clauses[i + 1];
        if (start < 0 || end > length || end < start)
            continue;
        const int left = a + width_of(text, start, font) + 2 * (h / 10);
        const int right = a + width_of(text, end, font) - 2 * (h / 10);
        DrawWrappedBox(left, b + h + h / 10, right, b + h + 2 * (h / 10), spacing, style.clause_underline, 1);
    }
    if (ime.candidates != nullptr)
        draw_candidates(cursor_x, b, h, per_page);
    // the desktop's own candidate window opens beside the composition cursor
    double scale_x = 1.0, scale_y = 1.0;
    GetWindowScale(&scale_x, &scale_y);
    platform::set_composition_rect({static_cast<int>(cursor_x * scale_x), static_cast<int>(b * scale_y),
                                    static_cast<int>(2 * scale_x), static_cast<int>(h * scale_y)});
    return 0;
}

int DrawKeyInputField(int x, int y, int handle)
{
    KEYINPUT* k = key_input_state.table.find(handle);
    if (k == nullptr || k->finished != 0)
        return -1;
    KEYINPUTSTYLE& style = key_input_state.style;
    // 2: the blink
    if (style.blink != 0) {
        const int now = GetTickMillis();
        if (now - style.blink_start > style.blink_period) {
            style.cursor_shown = style.cursor_shown != 0 ? 0 : 1;
            style.blink_start = now;
        }
    } else {
        style.cursor_shown = 1;
    }
    const int font = style_font();
    const int h = QueryFontHandleSize(font);
    if (h < 0)
        return 0;
    const int spacing = line_spacing(h);
    // 3, 4: scroll so that the cursor stays inside the room
    const int room = media::core::strip_room(draw_area(), x, y, spacing);
    if (k->first_shown > k->cursor || k->first_shown > k->length || k->first_shown < 0)
        k->first_shown = k->cursor;
    if (width_of(k->text, k->length, font) < room - 4) {
        k->first_shown = 0;
    } else if (width_of(k->text + k->first_shown, k->cursor - k->first_shown, font) > room) {
        k->first_shown = k->cursor;
        for (;;) {
            const int before = k->first_shown - (k->first_shown >= 2 &&
                                                         IsLeadByteForCharSet(k->text + k->first_shown - 2,
                                                                              media::core::window_state.char_set_kind) != 0
                                                     ? 2
                                                     : 1);
            if (before < 0 || width_of(k->text + before, k->cursor - before, font) > room)
                break;
            k->first_shown = before;
        }
    }
    // 5: the cursor bar of the active field
    const bool active = key_input_state.active == handle;
    const int cursor_x = x + width_of(k->text + k->first_shown, k->cursor - k->first_shown, font);
    if (style.cursor_shown != 0 && active)
        DrawWrappedBox(cursor_x, y, cursor_x + 2, y + h, spacing, style.cursor, 1);
    // 6: the text from the first shown character, with its selection
    int low = -1, high = -1;
    if (k->selection_start != -1 && k->selection_end != -1) {
        low = k->selection_start - k->first_shown;
        high = k->selection_end - k->first_shown;
    }
    DrawWrappedString(x, y, spacing, k->text + k->first_shown, style.text, style.edge, font, style.selected_text,
                      style.selected_edge, style.selection_background, low, high);
    // 7: the composition over the text after the cursor
    if (active)
        DrawImeState(cursor_x, y, 5);
    return 0;
}
