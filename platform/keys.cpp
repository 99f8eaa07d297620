// Virtual keys of the Japanese layout by key position. Positions are USB HID
// keyboard usages (SDL's scancodes are the same numbers).
#include "platform/platform.hpp"

#include <array>

namespace platform {

namespace {

struct position_key {
    int position;
    int key;
};

constexpr position_key fixed_keys[] = {
    {0x28, 13},   // Enter
    {0x29, 27},   // Escape
    {0x2A, 8},    // Backspace
    {0x2B, 9},    // Tab
    {0x2C, 32},   // Space
    {0x2D, 189},  // - =
    {0x2F, 192},  // @ `
    {0x30, 219},  // [ {
    {0x31, 221},  // ] }  (reported at the backslash position by X servers)
    {0x32, 221},  // ] }  (its own position on 106/109 keyboards)
    {0x33, 187},  // ; +
    {0x34, 186},  // : *
    {0x36, 188},  // , <
    {0x37, 190},  // . >
    {0x38, 191},  // / ?
    {0x39, 20},   // Caps Lock
    {0x47, 145},  // Scroll Lock
    {0x48, 19},   // Pause
    {0x49, 45},   // Insert
    {0x4A, 36},   // Home
    {0x4B, 33},   // Page Up
    {0x4C, 46},   // Delete
    {0x4D, 35},   // End
    {0x4E, 34},   // Page Down
    {0x4F, 39},   // Right
    {0x50, 37},   // Left
    {0x51, 40},   // Down
    {0x52, 38},   // Up
    {0x54, 111},  // keypad /
    {0x55, 106},  // keypad *
    {0x56, 109},  // keypad -
    {0x57, 107},  // keypad +
    {0x58, 13},   // keypad Enter
    {0x62, 96},   // keypad 0
    {0x63, 110},  // keypad .
    {0x87, 226},  // \ _  (ro)
    {0x89, 220},  // yen |
    {0xE0, 162},  // left control
    {0xE1, 160},  // left shift
    {0xE2, 164},  // left alt
    {0xE4, 163},  // right control
    {0xE5, 161},  // right shift
    {0xE6, 165},  // right alt
};

std::array<std::uint8_t, 256> build_table()
{
    std::array<std::uint8_t, 256> t{};
    for (int i = 0; i < 26; ++i) t[0x04 + i] = static_cast<std::uint8_t>('A' + i);
    for (int i = 0; i < 9; ++i) t[0x1E + i] = static_cast<std::uint8_t>('1' + i);
    t[0x27] = '0';
    for (int i = 0; i < 12; ++i) t[0x3A + i] = static_cast<std::uint8_t>(112 + i);  // F1 to F12
    for (int i = 0; i < 9; ++i) t[0x59 + i] = static_cast<std::uint8_t>(97 + i);    // keypad 1 to 9
    for (const position_key& p : fixed_keys) t[p.position] = static_cast<std::uint8_t>(p.key);
    return t;
}

}  // namespace

int virtual_key(int key_position)
{
    static const std::array<std::uint8_t, 256> table = build_table();
    if (key_position < 0 || key_position > 255) return 0;
    return table[key_position];
}

}  // namespace platform
