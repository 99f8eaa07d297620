// The growable ring buffer.
#include "media/core/ring_buffer.hpp"

#include <climits>
#include <cstring>

#include "media/core/alloc.hpp"
#include "media/core/log.hpp"

namespace {

constexpr int growth_slack = 1000;

void zero(RINGBUF* buffer)
{
    std::memset(buffer, 0, sizeof *buffer);
}

}  // namespace

RINGBUF* NormalizeRingBuffer(RINGBUF* buffer)
{
    if (buffer->read == buffer->capacity)
        buffer->read = 0;
    if (buffer->write == buffer->capacity)
        buffer->write = 0;
    return buffer;
}

int ReserveRingBuffer(int add, RINGBUF* buffer)
{
    NormalizeRingBuffer(buffer);
    if (static_cast<long long>(buffer->capacity) >= static_cast<long long>(buffer->held) + add)
        return 0;
    const long long wanted = static_cast<long long>(buffer->held) + add + growth_slack;
    if (wanted > INT_MAX) {
        LogPrintf("リングバッファの再確保に失敗しました(確保しようとしたサイズ %lld byte)", wanted);
        return -1;
    }
    const int capacity = static_cast<int>(wanted);
    auto* data = static_cast<unsigned char*>(ManagedAlloc(capacity, "ring_buffer.cpp", 0));
    if (data == nullptr) {
        ManagedFree(buffer->data);
        zero(buffer);
        LogPrintf("リングバッファの再確保に失敗しました(確保しようとしたサイズ %d byte)", capacity);
        return -1;
    }
    const int first = buffer->capacity - buffer->read;  // bytes up to the old end
    if (buffer->held > first) {
        std::memcpy(data, buffer->data + buffer->read, static_cast<std::size_t>(first));
        std::memcpy(data + first, buffer->data, static_cast<std::size_t>(buffer->held - first));
    } else if (buffer->held > 0) {
        std::memcpy(data, buffer->data + buffer->read, static_cast<std::size_t>(buffer->held));
    }
    ManagedFree(buffer->data);
    buffer->data = data;
    buffer->read = 0;
    buffer->write = buffer->held;
    buffer->capacity = capacity;
    return 0;
}

int FreeRingBuffer(RINGBUF* buffer)
{
    ManagedFree(buffer->data);
    zero(buffer);
    return 0;
}
