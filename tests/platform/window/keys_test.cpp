// Virtual keys of the Japanese layout by key position (USB HID usage).
#include "platform/platform.hpp"

#include <gtest/gtest.h>

namespace {

TEST(VirtualKeys, PositionsGiveTheJapaneseLayoutsKeys)
{
    struct row {
        const char* what;
        int position;
        int key;
    };
    const row rows[] = {
        // the keys the tool reads
        {"Up", 0x52, 38},
        {"Down", 0x51, 40},
        {"Enter", 0x28, 13},
        {"keypad Enter", 0x58, 13},
        {"Backspace", 0x2A, 8},
        {"Delete", 0x4C, 46},
        {"E", 0x08, 'E'},
        {"left shift", 0xE1, 160},
        {"right shift", 0xE5, 161},
        // punctuation where the Japanese layout differs from others
        {"@ `", 0x2F, 192},
        {": *", 0x34, 186},
        {"; +", 0x33, 187},
        {"] } (non-US position)", 0x32, 221},
        {"\\ _ (ro)", 0x87, 226},
        {"yen", 0x89, 220},
        // the rest of the families
        {"A", 0x04, 'A'},
        {"Z", 0x1D, 'Z'},
        {"1", 0x1E, '1'},
        {"0", 0x27, '0'},
        {"F1", 0x3A, 112},
        {"F12", 0x45, 123},
        {"keypad 0", 0x62, 96},
        {"keypad 9", 0x61, 105},
        {"keypad /", 0x54, 111},
        {"right alt", 0xE6, 165},
        {"Scroll Lock", 0x47, 145},
        // keys without one
        {"Print Screen", 0x46, 0},
        {"nothing", 0, 0},
        {"out of range", 300, 0},
        {"negative", -1, 0},
    };
    for (const row& r : rows) EXPECT_EQ(platform::virtual_key(r.position), r.key) << r.what;
}

}  // namespace
