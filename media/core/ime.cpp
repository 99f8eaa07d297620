// The input method: the platform's text editing turned into input-method
// messages, their handling, and the state the field drawing reads.
#include "media/core/ime.hpp"

#include <cstring>

#include "media/core/alloc.hpp"
#include "media/core/internal.hpp"
#include "media/core/key_input.hpp"
#include "media/core/log.hpp"
#include "media/core/pump.hpp"
#include "media/core/text.hpp"
#include "media/core/window_services.hpp"
#include "platform/platform.hpp"
#include "platform/text/codepage.hpp"

using media::core::IMESTATE;
using media::core::key_input_state;
using media::core::WINDOWMESSAGE;

namespace {

// Bytes of text that fit in limit without splitting a two-byte character.
std::size_t whole_chars_within(const std::string& text, std::size_t limit)
{
    std::size_t n = 0;
    while (n < text.size()) {
        const std::size_t size =
            media::core::is_lead_byte(static_cast<unsigned char>(text[n])) && n + 1 < text.size() ? 2 : 1;
        if (n + size > limit)
            break;
        n += size;
    }
    return n;
}

// Clause offsets from the platform's selection, in bytes: the selected part
// is a clause of its own, so it is the one being converted.
std::vector<std::int32_t> clauses_of(int start, int end, int length)
{
    std::vector<std::int32_t> offsets;
    for (const int offset : {0, start, end, length}) {
        if (offsets.empty() || offsets.back() != offset)
            offsets.push_back(offset);
    }
    return offsets;
}

WINDOWMESSAGE message(std::uint32_t id, LPARAM lParam = 0)
{
    WINDOWMESSAGE m{id, 0, lParam, {}, {}};
    return m;
}

}  // namespace

namespace media::core {

std::vector<WINDOWMESSAGE> editing_messages(const std::wstring& text, int cursor, int selected)
{
    IMESTATE& ime = key_input_state.ime;
    std::vector<WINDOWMESSAGE> out;
    if (ime.enabled == 0)
        return out;
    if (text.empty()) {
        if (ime.platform_composing != 0)
            out.push_back(message(WM_IME_ENDCOMPOSITION));
        ime.platform_composing = 0;
        return out;
    }
    if (ime.platform_composing == 0)
        out.push_back(message(WM_IME_STARTCOMPOSITION));
    ime.platform_composing = 1;

    WINDOWMESSAGE m = message(WM_IME_COMPOSITION, GCS_COMPSTR | GCS_CURSORPOS | GCS_COMPCLAUSE);
    IMECOMPOSITION& c = m.composition;
    platform::text::append_narrow(text.data(), text.size(), c.composition);
    c.composition.resize(whole_chars_within(c.composition, IME_COMPOSITION_MAX));
    const char* bytes = c.composition.c_str();
    const int length = static_cast<int>(c.composition.size());
    if (cursor < 0)
        cursor = 0;
    if (selected < 0)
        selected = 0;
    const int start = CharCountToBytes(bytes, cursor);
    const int end = selected > 0 ? CharCountToBytes(bytes, cursor + selected) : start;
    c.cursor = start;
    c.clauses = selected > 0 ? clauses_of(start, end, length) : clauses_of(0, length, length);
    out.push_back(std::move(m));
    return out;
}

std::vector<WINDOWMESSAGE> commit_messages(const std::string& bytes)
{
    IMESTATE& ime = key_input_state.ime;
    std::vector<WINDOWMESSAGE> out;
    if (ime.enabled == 0 || ime.platform_composing == 0)
        return out;
    WINDOWMESSAGE m = message(WM_IME_COMPOSITION, GCS_RESULTSTR);
    m.composition.result = bytes;
    out.push_back(std::move(m));
    out.push_back(message(WM_IME_ENDCOMPOSITION));
    ime.platform_composing = 0;
    return out;
}

}  // namespace media::core

namespace {

// The composition as a message carries it, cut to what the state holds.
void store_composition(IMESTATE& ime, const std::string& text)
{
    const std::size_t n = whole_chars_within(text, IME_COMPOSITION_MAX);
    std::memcpy(ime.composition, text.data(), n);
    ime.composition[n] = '\0';
}

void free_candidates(IMESTATE& ime)
{
    if (ime.candidates != nullptr)
        ManagedFree(ime.candidates);
    ime.candidates = nullptr;
    ime.candidates_size = 0;
}

LRESULT composition_message(const IMECOMPOSITION* c, LPARAM flags)
{
    IMESTATE& ime = key_input_state.ime;
    if (c == nullptr)
        return 0;
    if ((flags & GCS_COMPSTR) != 0)
        store_composition(ime, c->composition);
    if ((flags & GCS_RESULTSTR) != 0) {
        for (const char byte : c->result)
            StockTypedChar(static_cast<unsigned char>(byte));
        store_composition(ime, c->composition);
    }
    if ((flags & GCS_CURSORPOS) != 0)
        ime.composition_cursor = ByteCountToChars(ime.composition, c->cursor);
    if ((flags & GCS_COMPCLAUSE) != 0) {
        const std::size_t n = c->clauses.size() < std::size(ime.clauses) ? c->clauses.size() : std::size(ime.clauses);
        for (std::size_t i = 0; i < n; ++i)
            ime.clauses[i] = c->clauses[i];
        ime.clause_count = static_cast<std::int32_t>(n);
    }
    return 0;
}

// This platform hands over no candidate list: its size reads as 0.
void read_candidates()
{
    LogPrintf("漢字変換候補のデータサイズが０でした  DefHWND:%x IMC:%x", 0u, 0u);
}

// The open status follows the enabled flag: after a short pumping pause, as
// the status change needs to settle elsewhere.
void open_status_changed()
{
    IMESTATE& ime = key_input_state.ime;
    if (ime.in_open_status != 0)
        return;
    ime.in_open_status = 1;
    const std::uint64_t start = GetTickMicros(0);
    while (GetTickMicros(0) - start < 2000) {
        if (PumpWindowMessages() != 0)
            break;
    }
    ime.open = ime.enabled;
    ime.in_open_status = 0;
}

}  // namespace

LRESULT HandleImeMessage(HWINDOW, std::uint32_t message, WPARAM wParam, LPARAM lParam)
{
    IMESTATE& ime = key_input_state.ime;
    RestartCursorBlink();
    switch (message) {
    case WM_IME_STARTCOMPOSITION:
        ime.composing = 1;
        ime.composition_cursor = 0;
        return 0;
    case WM_IME_ENDCOMPOSITION:
        ime.composition[0] = '\0';
        ime.composing = 0;
        return 0;
    case WM_IME_COMPOSITION:
        return composition_message(reinterpret_cast<const IMECOMPOSITION*>(wParam), lParam);
    case WM_IME_SETCONTEXT:
        return 0;  // no window of the input method's own is shown
    case WM_IME_NOTIFY:
        switch (wParam) {
        case IMN_CHANGECANDIDATE:
        case IMN_OPENCANDIDATE:
        case IMN_SETCANDIDATEPOS:
            read_candidates();
            return 0;
        case IMN_CLOSECANDIDATE:
            free_candidates(ime);
            return 0;
        case IMN_SETOPENSTATUS:
            open_status_changed();
            return 0;
        default:
            return 0;
        }
    default:
        return 0;
    }
}

int RestartCursorBlink()
{
    media::core::KEYINPUTSTYLE& style = key_input_state.style;
    style.blink_start = GetTickMillis();
    style.cursor_shown = 1;
    return 0;
}

int SetImeEnabled(int enabled)
{
    IMESTATE& ime = key_input_state.ime;
    const int on = enabled != 0 ? 1 : 0;
    if (ime.enabled == on)
        return 0;
    // the platform decides only whether composition is reported; typing goes on
    platform::set_ime_enabled(on != 0);
    ime.enabled = on;
    ime.open = on;
    if (on == 0) {
        free_candidates(ime);
        ime.composition[0] = '\0';
        ime.composing = 0;
        ime.composition_cursor = 0;
        ime.clause_count = 0;
        // a half-composed text must not run on into the next field
        if (platform::has_window()) {
            platform::text_input(false);
            platform::text_input(true);
        }
        ime.platform_composing = 0;
    }
    return 0;
}
