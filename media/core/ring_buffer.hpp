// A growable ring of bytes whose storage comes from the managed allocator.
#pragma once

#include <cstdint>

struct RINGBUF {
    unsigned char* data;
    std::int32_t read;      // 0 to capacity - 1, wrapping
    std::int32_t write;     // 0 to capacity - 1, wrapping
    std::int32_t held;      // bytes between read and write
    std::int32_t capacity;
};

// A read or write position equal to the capacity becomes 0; returns buffer.
RINGBUF* NormalizeRingBuffer(RINGBUF* buffer);
// Makes room for add more bytes: when they do not fit, moves the held bytes
// in order to the front of new storage of held + add + 1000 bytes. 0, or -1:
// a failed allocation frees the data, zeroes the record and logs; a request
// too large for a block logs and leaves the record as it was.
int ReserveRingBuffer(int add, RINGBUF* buffer);
// Frees the data and zeroes the record; returns 0.
int FreeRingBuffer(RINGBUF* buffer);
