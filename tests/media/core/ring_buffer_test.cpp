// The ring buffer: growth keeps the held bytes in order, wrapped or not; a
// failed growth empties the record and logs.
#include "media/core/ring_buffer.hpp"

#include "log_folder.hpp"
#include "media/core/alloc.hpp"
#include "media/core/internal.hpp"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

namespace {

class RingBuffer : public media_test::log_folder {
protected:
    void SetUp() override
    {
        log_folder::SetUp();
        ASSERT_EQ(OpenLogFile(), 1);
    }

    // A ring of the capacity holding text from the read position on.
    RINGBUF make(int capacity, int read, const std::string& text)
    {
        RINGBUF r{};
        r.data = static_cast<unsigned char*>(ManagedAlloc(capacity, "test", 0));
        std::memset(r.data, '.', static_cast<std::size_t>(capacity));
        for (std::size_t i = 0; i < text.size(); ++i)
            r.data[(static_cast<std::size_t>(read) + i) % static_cast<std::size_t>(capacity)] =
                static_cast<unsigned char>(text[i]);
        r.read = read;
        r.held = static_cast<int>(text.size());
        r.write = (read + r.held) % capacity;
        r.capacity = capacity;
        return r;
    }
};

TEST_F(RingBuffer, GrowthPutsTheHeldBytesInOrderAtTheFront)
{
    const struct {
        const char* what;
        int capacity, read;
        std::string text;
        int add, capacity_after;
    } rows[] = {
        {"wrapped", 10, 6, "abcdefgh", 5, 1013},
        {"in one piece", 10, 1, "abc", 8, 1011},
        {"read position at the capacity", 10, 10, "", 11, 1011},
        {"full to the end", 4, 0, "abcd", 1, 1005},
    };
    for (const auto& r : rows) {
        RINGBUF ring = make(r.capacity, r.read % r.capacity, r.text);
        ring.read = r.read;
        EXPECT_EQ(ReserveRingBuffer(r.add, &ring), 0) << r.what;
        EXPECT_EQ(ring.capacity, r.capacity_after) << r.what;
        EXPECT_EQ(ring.read, 0) << r.what;
        EXPECT_EQ(ring.write, static_cast<int>(r.text.size())) << r.what;
        EXPECT_EQ(ring.held, static_cast<int>(r.text.size())) << r.what;
        EXPECT_EQ(std::string(reinterpret_cast<char*>(ring.data), r.text.size()), r.text) << r.what;
        EXPECT_EQ(media::core::alloc_state.count, 1) << r.what;  // the old storage went back
        EXPECT_EQ(FreeRingBuffer(&ring), 0);
        EXPECT_EQ(ring.data, nullptr);
        EXPECT_EQ(ring.capacity, 0);
    }
}

TEST_F(RingBuffer, RoomEnoughChangesNothingButPositionsAtTheEnd)
{
    RINGBUF ring = make(10, 6, "abcd");  // write position 10 % 10 = 0
    ring.write = 10;
    unsigned char* data = ring.data;
    EXPECT_EQ(ReserveRingBuffer(6, &ring), 0);
    EXPECT_EQ(ring.data, data);
    EXPECT_EQ(ring.capacity, 10);
    EXPECT_EQ(ring.write, 0);
    EXPECT_EQ(NormalizeRingBuffer(&ring), &ring);
    EXPECT_EQ(ReserveRingBuffer(-3, &ring), 0);
    FreeRingBuffer(&ring);

    RINGBUF empty{};
    EXPECT_EQ(ReserveRingBuffer(1, &empty), 0);
    EXPECT_EQ(empty.capacity, 1001);
    FreeRingBuffer(&empty);
}

TEST_F(RingBuffer, FailedGrowthEmptiesTheRecordAndLogs)
{
    RINGBUF ring = make(10, 6, "abcdefgh");
    media::core::fail_next_heap_requests(1);
    EXPECT_EQ(ReserveRingBuffer(5, &ring), -1);
    EXPECT_EQ(ring.data, nullptr);
    EXPECT_EQ(ring.read, 0);
    EXPECT_EQ(ring.write, 0);
    EXPECT_EQ(ring.held, 0);
    EXPECT_EQ(ring.capacity, 0);
    EXPECT_EQ(media::core::alloc_state.count, 0);  // the old data was freed
    const std::string log = read();
    const std::string message = "0:リングバッファの再確保に失敗しました(確保しようとしたサイズ 1013 byte)\r\n";
    ASSERT_GE(log.size(), message.size());
    EXPECT_EQ(log.substr(log.size() - message.size()), message);
}

TEST_F(RingBuffer, ARequestTooLargeForABlockKeepsTheRecord)
{
    RINGBUF ring = make(10, 6, "abcdefgh");
    const RINGBUF before = ring;
    EXPECT_EQ(ReserveRingBuffer(INT_MAX, &ring), -1);
    EXPECT_EQ(std::memcmp(&ring, &before, sizeof ring), 0);
    EXPECT_NE(read().find("(確保しようとしたサイズ 2147484655 byte)"), std::string::npos);
    // one the allocator refuses is a failed growth
    EXPECT_EQ(ReserveRingBuffer(INT_MAX - 1008, &ring), -1);
    EXPECT_EQ(ring.data, nullptr);
}

}  // namespace
