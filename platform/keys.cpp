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

// Device key codes (the keyboard's scan codes, extended keys from 128) of
// the keys with a fixed position.
constexpr position_key device_keys[] = {
    {0x28, 28},  {0x29, 1},   {0x2A, 14},  {0x2B, 15},  {0x2C, 57},  {0x2D, 12},  {0x2F, 145},
    {0x30, 26},  {0x31, 27},  {0x32, 27},  {0x33, 39},  {0x34, 146}, {0x36, 51},  {0x37, 52},
    {0x38, 53},  {0x39, 58},  {0x44, 87},  {0x45, 88},  {0x47, 70},  {0x48, 197}, {0x49, 210},
    {0x4A, 199}, {0x4B, 201}, {0x4C, 211}, {0x4D, 207}, {0x4E, 209}, {0x4F, 205}, {0x50, 203},
    {0x51, 208}, {0x52, 200}, {0x54, 181}, {0x55, 55},  {0x56, 74},  {0x57, 78},  {0x58, 156},
    {0x62, 82},  {0x63, 83},  {0x87, 43},  {0x89, 125}, {0xE0, 29},  {0xE1, 42},  {0xE2, 56},
    {0xE4, 157}, {0xE5, 54},  {0xE6, 184},
};

std::array<std::uint8_t, 256> build_device_table()
{
    std::array<std::uint8_t, 256> t{};
    const std::uint8_t letters[26] = {30, 48, 46, 32, 18, 33, 34, 35, 23, 36, 37, 38, 50,
                                      49, 24, 25, 16, 19, 31, 20, 22, 47, 17, 45, 21, 44};
    for (int i = 0; i < 26; ++i) t[0x04 + i] = letters[i];
    for (int i = 0; i < 10; ++i) t[0x1E + i] = static_cast<std::uint8_t>(2 + i);   // 1 to 9, then 0
    for (int i = 0; i < 10; ++i) t[0x3A + i] = static_cast<std::uint8_t>(59 + i);  // F1 to F10
    const std::uint8_t keypad[9] = {79, 80, 81, 75, 76, 77, 71, 72, 73};            // keypad 1 to 9
    for (int i = 0; i < 9; ++i) t[0x59 + i] = keypad[i];
    for (const position_key& p : device_keys) t[p.position] = static_cast<std::uint8_t>(p.key);
    return t;
}

}  // namespace

int device_key(int key_position)
{
    static const std::array<std::uint8_t, 256> table = build_device_table();
    if (key_position < 0 || key_position > 255) return 0;
    return table[key_position];
}

int virtual_key(int key_position)
{
    static const std::array<std::uint8_t, 256> table = build_table();
    if (key_position < 0 || key_position > 255) return 0;
    return table[key_position];
}

}  // namespace platform
