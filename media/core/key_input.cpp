// The typed-character stock and the key-input handles: one-line editors of
// Shift-JIS text that take what the window procedure stocks.
#include "media/core/key_input.hpp"

#include <climits>
#include <cstring>

#include "media/core/alloc.hpp"
#include "media/core/ime.hpp"
#include "media/core/input.hpp"
#include "media/core/internal.hpp"
#include "media/core/log.hpp"
#include "media/core/pump.hpp"
#include "media/core/text.hpp"
#include "media/core/window_services.hpp"

using media::core::char_ring;
using media::core::KEYINPUT;
using media::core::key_input_state;

namespace {

constexpr int ring_size = 1025;

bool ring_empty()
{
    return char_ring.read == char_ring.write;
}

bool ring_full()
{
    return char_ring.write + 1 == char_ring.read || (char_ring.read == 0 && char_ring.write == ring_size - 1);
}

int next(int position)
{
    return position + 1 == ring_size ? 0 : position + 1;
}

}  // namespace

int StockTypedChar(unsigned char byte)
{
    if (ring_full())
        return -1;
    char_ring.bytes[char_ring.write] = byte;
    char_ring.write = next(char_ring.write);
    return 0;
}

int TakeTypedChar(char buffer[2], int consume)
{
    buffer[0] = buffer[1] = 0;
    if (ring_empty())
        return 0;
    const int start = char_ring.read;
    const unsigned char first = char_ring.bytes[start];
    int position = next(start);
    buffer[0] = static_cast<char>(first);
    if (IsControlCode(first) == 0 && media::core::is_lead_byte(first)) {
        if (position == char_ring.write) {
            buffer[0] = 0;  // the trail byte has not arrived
            return 0;
        }
        buffer[1] = static_cast<char>(char_ring.bytes[position]);
        position = next(position);
        if (consume != 0)
            char_ring.read = position;
        return 2;
    }
    if (consume != 0)
        char_ring.read = position;
    return 1;
}

int DiscardTypedChars()
{
    while (PumpWindowMessages() == 0 && !ring_empty()) {
        const unsigned char byte = char_ring.bytes[char_ring.read];
        char_ring.read = next(char_ring.read);
        if (byte == 255)
            LogWrite("文字バッファエラー\n");
        if (byte == 0)
            break;
    }
    char_ring.read = char_ring.write = 0;
    return 0;
}

int IsControlCode(unsigned char byte)
{
    switch (byte) {
    case 16: case 21: case 23: case 25: case 26: case 28: case 29: case 30: case 31:
        return 1;
    default:
        return 0;
    }
}

namespace {

bool lead(const char* byte)
{
    return IsLeadByteForCharSet(byte, media::core::window_state.char_set_kind) != 0;
}

// Bytes of the character at position: 2 for a lead byte followed by a byte
// other than the NUL, so a text cut inside a character is never read past.
int size_at(const KEYINPUT& k, int position)
{
    return lead(k.text + position) && k.text[position + 1] != '\0' ? 2 : 1;
}

// Bytes of the character before position (at least 1). A trail byte can lie
// in the lead ranges (93 FA), so the boundary is found from the text's start.
int size_before(const KEYINPUT& k, int position)
{
    int start = 0;
    for (int p = 0; p < position; p += size_at(k, p))
        start = p;
    return position - start;
}

bool has_selection(const KEYINPUT& k)
{
    return k.selection_start != -1 && k.selection_end != -1 && k.selection_start != k.selection_end;
}

void clear_selection(KEYINPUT& k)
{
    k.selection_start = k.selection_end = -1;
}

// The selection's bytes to the clipboard.
void copy_selection(const KEYINPUT& k)
{
    if (!has_selection(k))
        return;
    const int lo = k.selection_start < k.selection_end ? k.selection_start : k.selection_end;
    const int hi = k.selection_start < k.selection_end ? k.selection_end : k.selection_start;
    char* copy = static_cast<char*>(ManagedAlloc(hi - lo + 1, __FILE__, __LINE__));
    if (copy == nullptr)
        return;  // the copy is skipped
    std::memcpy(copy, k.text + lo, static_cast<std::size_t>(hi - lo));
    copy[hi - lo] = '\0';
    SetClipboardText(copy);
    ManagedFree(copy);
}

// The clipboard's text, byte by byte, into the stock.
void paste()
{
    const int size = GetClipboardText(nullptr, 0);
    if (size <= 0)
        return;
    char* text = static_cast<char*>(ManagedAlloc(size, __FILE__, __LINE__));
    if (text == nullptr)
        return;  // the paste is skipped
    if (GetClipboardText(text, size) == 0) {
        for (const char* p = text; *p != '\0'; ++p)
            StockTypedChar(static_cast<unsigned char>(*p));
    }
    ManagedFree(text);
}

bool shift_down()
{
    return IsKeyDown(42) != 0 || IsKeyDown(54) != 0;
}

// Removes the last character of the text; a cursor past the new end follows.
void drop_last_char(KEYINPUT& k)
{
    int last = 0;
    for (int p = 0; p < k.length; p += size_at(k, p))
        last = p;
    k.length = last;
    k.text[last] = '\0';
    if (k.cursor > k.length)
        k.cursor = k.length;
}

void insert(KEYINPUT& k, const char* c, int s)
{
    DeleteKeyInputSelection(&k);
    if (k.numeric_only != 0) {
        const char ch = c[0];
        const bool digit = s == 1 && ch >= '0' && ch <= '9';
        const bool minus = s == 1 && ch == '-' && k.cursor == 0;
        const bool point = s == 1 && ch == '.' && std::memchr(k.text, '.', static_cast<std::size_t>(k.length)) == nullptr;
        if (!digit && !minus && !point)
            return;
    }
    if (k.single_byte_only != 0 && s == 2)
        return;
    if (s > k.max_length)
        return;
    while (k.max_length < k.length + s)
        drop_last_char(k);
    std::memmove(k.text + k.cursor + s, k.text + k.cursor, static_cast<std::size_t>(k.length - k.cursor + 1));
    std::memcpy(k.text + k.cursor, c, static_cast<std::size_t>(s));
    k.cursor += s;
    k.length += s;
}

// Shift extends the selection from where the cursor stood to where it goes.
void move_cursor(KEYINPUT& k, int to, bool shift)
{
    if (shift) {
        if (k.selection_start == -1)
            k.selection_start = k.cursor;
        k.cursor = to;
        k.selection_end = to;
    } else {
        k.cursor = to;
        clear_selection(k);
    }
}

void apply(KEYINPUT& k, const char* c, int size)
{
    const unsigned char code = static_cast<unsigned char>(c[0]);
    if (size == 2) {
        insert(k, c, 2);
        return;
    }
    switch (code) {
    case 0:
        break;  // a NUL would end the text early
    case 3:
        copy_selection(k);
        break;
    case 8:
        if (has_selection(k)) {
            DeleteKeyInputSelection(&k);
        } else if (k.cursor > 0) {
            const int s = size_before(k, k.cursor);
            std::memmove(k.text + k.cursor - s, k.text + k.cursor, static_cast<std::size_t>(k.length - k.cursor + 1));
            k.cursor -= s;
            k.length -= s;
        }
        break;
    case 9: case 21: case 23: case 30: case 31:
        break;
    case 13:
        k.finished = 1;
        break;
    case 16:
        if (!has_selection(k)) {
            if (k.cursor < k.length) {
                const int s = size_at(k, k.cursor);
                std::memmove(k.text + k.cursor, k.text + k.cursor + s, static_cast<std::size_t>(k.length - k.cursor - s + 1));
                k.length -= s;
            }
        } else {
            if (shift_down())
                copy_selection(k);
            DeleteKeyInputSelection(&k);
        }
        break;
    case 22:
        paste();
        break;
    case 24:
        if (has_selection(k)) {
            copy_selection(k);
            DeleteKeyInputSelection(&k);
        }
        break;
    case 25:
        if (shift_down()) {
            if (k.selection_start == -1)
                k.selection_start = k.cursor;
            k.selection_end = k.length;
            k.cursor = k.length;
        } else {
            move_cursor(k, k.length, false);
        }
        break;
    case 26:
        if (shift_down()) {
            if (k.selection_start == -1)
                k.selection_start = k.cursor;
            k.selection_end = 0;
            k.cursor = 0;
        } else {
            move_cursor(k, 0, false);
        }
        break;
    case 27:
        if (k.cancel_allowed != 0) {
            k.cancelled = 1;
            k.finished = 1;
        }
        break;
    case 28:
        if (k.cursor < k.length)
            move_cursor(k, k.cursor + size_at(k, k.cursor), shift_down());
        break;
    case 29:
        if (k.cursor > 0)
            move_cursor(k, k.cursor - size_before(k, k.cursor), shift_down());
        break;
    default:
        insert(k, c, 1);
        break;
    }
}

// The screen's pixel value of a colour, through the graphics that the
// window's making registered; 0 without.
std::uint32_t pack_screen_color(int red, int green, int blue)
{
    const auto pack = media::core::window_state.upward.pack_screen_color;
    return pack != nullptr ? pack(red, green, blue) : 0;
}

// The drawing's colours in the screen's pixel format.
void set_style_colours(media::core::KEYINPUTSTYLE& style)
{
    const std::uint32_t white = pack_screen_color(255, 255, 255);
    const std::uint32_t black = pack_screen_color(0, 0, 0);
    const std::uint32_t yellow = pack_screen_color(255, 255, 0);
    const std::uint32_t red = pack_screen_color(255, 0, 0);
    style.text = style.cursor = style.selected_text = style.clause_underline = white;
    style.edge = style.selected_edge = black;
    style.selection_background = pack_screen_color(128, 128, 128);
    style.composition_background = yellow;
    style.composition_cursor = pack_screen_color(0, 255, 255);
    style.converting_clause = red;
    style.candidate_background = style.candidate_edge = style.selected_candidate_edge = black;
}

KEYINPUT* find(int handle)
{
    return key_input_state.table.find(handle);
}

}  // namespace

int CreateKeyInput(int max_length, int cancel_allowed, int single_byte_only, int numeric_only)
{
    media::core::KEYINPUTSTATE& st = key_input_state;
    if (max_length < 0 || max_length == INT_MAX)
        return -1;
    int slot = 0;
    while (slot < media::core::MAX_KEYINPUTS && st.table.at(slot) != nullptr)
        ++slot;
    if (slot == media::core::MAX_KEYINPUTS)
        return -1;
    KEYINPUT& k = st.records[slot];
    k = KEYINPUT{};
    k.text = static_cast<char*>(ManagedCalloc(max_length + 1, __FILE__, __LINE__));
    if (k.text == nullptr)
        return -1;
    k.cancel_allowed = cancel_allowed;
    k.single_byte_only = single_byte_only;
    k.numeric_only = numeric_only;
    k.max_length = max_length;
    k.used = 1;
    clear_selection(k);
    const int handle = st.table.create(&k);
    if (st.ime.enabled == 0)
        SetImeEnabled(1);
    DiscardTypedChars();
    return handle;
}

int DestroyKeyInput(int handle)
{
    media::core::KEYINPUTSTATE& st = key_input_state;
    KEYINPUT* k = st.table.remove(handle);
    if (k == nullptr)
        return -1;
    ManagedFree(k->text);
    *k = KEYINPUT{};
    if (st.active == handle)
        st.active = -1;
    if (st.table.count() == 0)
        SetImeEnabled(0);
    return 0;
}

int ActivateKeyInput(int handle)
{
    media::core::KEYINPUTSTATE& st = key_input_state;
    KEYINPUT* k = handle == -1 ? nullptr : find(handle);
    if (handle != -1 && k == nullptr)
        return -1;
    RestartCursorBlink();
    if (handle == st.active && (k == nullptr || k->finished == 0))
        return 0;
    if (st.active != -1 && k != nullptr)
        clear_selection(*k);
    if (k == nullptr) {
        st.active = -1;
        return 0;
    }
    DiscardTypedChars();
    st.active = handle;
    k->finished = 0;
    k->cancelled = 0;
    return 0;
}

int SetKeyInputText(const char* text, int handle)
{
    KEYINPUT* k = find(handle);
    if (k == nullptr || text == nullptr)
        return -1;
    const std::size_t length = std::strlen(text);
    const int n = length < static_cast<std::size_t>(k->max_length) ? static_cast<int>(length) : k->max_length;
    std::memcpy(k->text, text, static_cast<std::size_t>(n));
    k->text[n] = '\0';
    k->length = k->cursor = n;
    clear_selection(*k);
    if (k->first_shown > n)
        k->first_shown = n;
    RestartCursorBlink();
    return 0;
}

int GetKeyInputText(char* buffer, int handle)
{
    const KEYINPUT* k = find(handle);
    if (k == nullptr || buffer == nullptr)
        return -1;
    std::memcpy(buffer, k->text, static_cast<std::size_t>(k->length) + 1);
    return 0;
}

int GetKeyInputState(int handle)
{
    const KEYINPUT* k = find(handle);
    if (k == nullptr)
        return -1;
    if (k->cancelled != 0)
        return 2;
    return k->finished != 0 ? 1 : 0;
}

int DeleteKeyInputSelection(KEYINPUT* k)
{
    if (k == nullptr || !has_selection(*k)) {
        if (k != nullptr)
            clear_selection(*k);
        return 0;
    }
    const int lo = k->selection_start < k->selection_end ? k->selection_start : k->selection_end;
    const int hi = k->selection_start < k->selection_end ? k->selection_end : k->selection_start;
    std::memmove(k->text + lo, k->text + hi, static_cast<std::size_t>(k->length - hi));
    k->length -= hi - lo;
    k->text[k->length] = '\0';
    k->cursor = lo;
    clear_selection(*k);
    if (k->first_shown > k->length)
        k->first_shown = k->length;
    return 0;
}

int CharCountToBytes(const char* text, int count)
{
    if (text == nullptr || count <= 0)
        return 0;
    int bytes = 0;
    for (int i = 0; i < count && text[bytes] != '\0'; ++i)
        bytes += lead(text + bytes) && text[bytes + 1] != '\0' ? 2 : 1;
    return bytes;
}

int ByteCountToChars(const char* text, int count)
{
    if (text == nullptr || count < 1)
        return 0;
    int bytes = 0, chars = 0;
    while (bytes < count && text[bytes] != '\0') {
        bytes += lead(text + bytes) && text[bytes + 1] != '\0' ? 2 : 1;
        ++chars;
    }
    return chars;
}

int UpdateKeyInput()
{
    media::core::KEYINPUTSTATE& st = key_input_state;
    // the reset sequence: this platform cannot cancel, close or reopen the
    // input method, so its steps have nothing to do
    if (st.ime.reset_step != 0)
        st.ime.reset_step = 0;
    if (st.active == -1)
        return 0;
    KEYINPUT* k = find(st.active);
    if (k == nullptr)
        return -1;
    while (k->finished == 0) {
        char c[2];
        const int size = TakeTypedChar(c, 1);
        if (size == 0)
            break;
        RestartCursorBlink();
        apply(*k, c, size);
    }
    return 0;
}

int StartKeyInputSystem()
{
    media::core::KEYINPUTSTATE& st = key_input_state;
    LogWrite("文字コードバッファの初期化を行います... ");
    char_ring.read = char_ring.write = 0;
    EndKeyInputSystem();
    st.table.clear();
    for (KEYINPUT& record : st.records)
        record = KEYINPUT{};
    if (st.ime.candidates != nullptr)
        ManagedFree(st.ime.candidates);
    st.ime = media::core::IMESTATE{};
    st.style = media::core::KEYINPUTSTYLE{};
    set_style_colours(st.style);
    st.active = -1;
    LogWrite("完了しました\n");
    return 0;
}

int EndKeyInputSystem()
{
    media::core::KEYINPUTSTATE& st = key_input_state;
    for (int slot = 0; slot < media::core::MAX_KEYINPUTS; ++slot) {
        const int handle = st.table.handle_at(slot);
        if (handle != -1)
            DestroyKeyInput(handle);
    }
    st.active = -1;
    return 0;
}
