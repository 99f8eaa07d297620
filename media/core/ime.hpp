// The input method: its window messages, the composition they carry and the
// state the key-input drawing reads; the drawing of key-input fields.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "media/core/window.hpp"

// What WM_IME_COMPOSITION's lParam says the message carries.
constexpr LPARAM GCS_COMPSTR = 0x0008;
constexpr LPARAM GCS_COMPCLAUSE = 0x0020;
constexpr LPARAM GCS_CURSORPOS = 0x0080;
constexpr LPARAM GCS_RESULTSTR = 0x0800;

// WM_IME_NOTIFY's notifications (wParam).
constexpr WPARAM IMN_CHANGECANDIDATE = 0x0003;
constexpr WPARAM IMN_CLOSECANDIDATE = 0x0004;
constexpr WPARAM IMN_OPENCANDIDATE = 0x0005;
constexpr WPARAM IMN_SETOPENSTATUS = 0x0008;
constexpr WPARAM IMN_SETCANDIDATEPOS = 0x0009;

// The longest composition kept, in bytes (its NUL makes 1024).
constexpr int IME_COMPOSITION_MAX = 1023;

// What a WM_IME_COMPOSITION message carries: its wParam points to one (null:
// nothing to read). Text in code page 932.
struct IMECOMPOSITION {
    std::string composition;            // at most IME_COMPOSITION_MAX bytes
    std::int32_t cursor = 0;            // byte offset into composition
    std::vector<std::int32_t> clauses;  // byte offsets from 0 to the end
    std::string result;                 // the committed text
};

// A candidate list block: this header, then from the block's start count
// offsets of NUL-terminated code page 932 strings.
struct CANDIDATELIST {
    std::uint32_t size;  // bytes of the whole block
    std::uint32_t style;
    std::uint32_t count;
    std::uint32_t selection;
    std::uint32_t page_start;
    std::uint32_t page_size;
    std::uint32_t offset[1];
};

// The window procedure's handler of the input-method messages.
LRESULT HandleImeMessage(HWINDOW window, std::uint32_t message, WPARAM wParam, LPARAM lParam);

// The cursor shows from now on (the blink starts again); 0.
int RestartCursorBlink();
// Switches the input method for the main window on or off (nothing when
// unchanged); switching off forgets the composition and the candidate list
// and drops what the platform was composing; 0.
int SetImeEnabled(int enabled);
