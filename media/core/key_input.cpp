// The typed-character stock and the key-input system's entry points.
#include "media/core/key_input.hpp"

#include "media/core/internal.hpp"
#include "media/core/log.hpp"
#include "media/core/pump.hpp"
#include "media/core/text.hpp"

using media::core::char_ring;

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

int UpdateKeyInput()
{
    return 0;
}

int StartKeyInputSystem()
{
    return 0;
}

int EndKeyInputSystem()
{
    return 0;
}
