// Threaded file access: the direct and the threaded path agree, background
// reads, the command protocol, failures and the read-ahead cache.
#include "media/core/threaded_file.hpp"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "log_folder.hpp"
#include "media/core/internal.hpp"
#include "media/core/log.hpp"
#include "platform/fs/file.hpp"

namespace {

using media::core::alloc_state;

std::size_t thread_count()
{
    // One thread started and ended first: a runtime that starts a helper
    // thread with the process's first thread (the thread sanitizer's) has it
    // before any count, so counts differ only by the file threads.
    static const bool warmed = [] {
        std::thread([] {}).join();
        return true;
    }();
    (void)warmed;
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator("/proc/self/task"),
                                                   std::filesystem::directory_iterator()));
}

std::size_t open_descriptors()
{
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                                                   std::filesystem::directory_iterator()));
}

struct mode {
    const char* name;
    int cache;
    int background;
};
const mode modes[] = {{"direct", 0, 0}, {"threaded", 1, 0}, {"background", 0, 1}, {"cached background", 1, 1}};

class ThreadedFile : public media_test::log_folder {
protected:
    void SetUp() override
    {
        media_test::log_folder::SetUp();
        ASSERT_EQ(OpenLogFile(), 1);
        dir_.file("ten", "0123456789");
    }
    void TearDown() override
    {
        platform::fs::fault_nth_read(0, 0);
        media_test::log_folder::TearDown();
    }
};

// Waits until a background command has finished, on its own event.
void settle(THREADED_FILE* f)
{
    if (f->threaded != 0)
        f->done_event.wait();
}

// One step of a sequence: a read (element size, count) or a seek (offset,
// origin).
struct step {
    char kind;  // 'r' or 's'
    int a, b;
};

// What each step gives: its result, the data read, the position and the
// end test.
std::string run(THREADED_FILE* f, const std::vector<step>& steps)
{
    std::string trace;
    for (const step& s : steps) {
        char buffer[64];
        std::memset(buffer, '.', sizeof buffer);
        int result;
        std::string data;
        if (s.kind == 'r') {
            result = ReadThreadedFile(buffer, s.a, s.b, f);
            settle(f);
            data.assign(buffer, static_cast<std::size_t>(std::max(0, result * s.a)));
        } else {
            result = SeekThreadedFile(f, s.a, s.b);
        }
        trace += std::string(1, s.kind) + std::to_string(s.a) + "," + std::to_string(s.b) + " -> " +
                 std::to_string(result) + " [" + data + "] at " + std::to_string(TellThreadedFile(f)) + " end " +
                 std::to_string(IsThreadedFileAtEnd(f)) + "\n";
    }
    return trace;
}

TEST_F(ThreadedFile, EveryPathGivesTheSameReadsAndSeeks)
{
    const std::vector<step> steps = {
        {'r', 4, 3}, {'r', 4, 3}, {'r', 0, 5}, {'s', 0, 0},  {'r', 3, 2},  {'s', -1, 0}, {'s', -7, 1},
        {'r', 1, 1}, {'s', 20, 0}, {'r', 1, 1}, {'s', -3, 2}, {'r', 1, 5}, {'r', 1, 1},  {'s', 2, 9},
        {'r', 2, 1}, {'s', 2, 1}, {'r', 16, 1}, {'r', 1, 16}, {'r', -1, 2}, {'r', 1, -2}, {'s', -11, 2},
    };
    const std::string expected =
        "r4,3 -> 2 [01234567] at 8 end 0\n"
        "r4,3 -> 0 [] at 8 end -1\n"
        "r0,5 -> 0 [] at 8 end -1\n"
        "s0,0 -> 0 [] at 0 end 0\n"
        "r3,2 -> 2 [012345] at 6 end 0\n"
        "s-1,0 -> -1 [] at 6 end 0\n"
        "s-7,1 -> -1 [] at 6 end 0\n"
        "r1,1 -> 1 [6] at 7 end 0\n"
        "s20,0 -> 0 [] at 20 end 0\n"
        "r1,1 -> 0 [] at 20 end -1\n"
        "s-3,2 -> 0 [] at 7 end 0\n"
        "r1,5 -> 3 [789] at 10 end 0\n"
        "r1,1 -> 0 [] at 10 end -1\n"
        "s2,9 -> 0 [] at 2 end 0\n"
        "r2,1 -> 1 [23] at 4 end 0\n"
        "s2,1 -> 0 [] at 6 end 0\n"
        "r16,1 -> 0 [] at 6 end -1\n"
        "r1,16 -> 4 [6789] at 10 end -1\n"
        "r-1,2 -> 0 [] at 10 end -1\n"
        "r1,-2 -> 0 [] at 10 end -1\n"
        "s-11,2 -> -1 [] at 10 end -1\n";
    for (const mode& m : modes) {
        SCOPED_TRACE(m.name);
        THREADED_FILE* f = OpenThreadedFile("ten", m.cache, 0, m.background);
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(f->threaded, m.cache != 0 || m.background != 0 ? 1 : 0);
        EXPECT_EQ(f->size, 10);
        EXPECT_EQ(run(f, steps), expected);
        EXPECT_EQ(CloseThreadedFile(f), 0);
    }
}

TEST_F(ThreadedFile, RefusedFilesLeaveNothingBehind)
{
    dir_.folder("folder");
    const int fd = ::open(dir_.at("huge").c_str(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, 0x80000000LL), 0);
    ::close(fd);
    const std::string long_path = std::string(255, 'a') + "\\ten";
    const std::size_t threads = thread_count(), descriptors = open_descriptors();
    const int blocks = alloc_state.count;
    for (const char* path : {"missing", "folder", "huge", long_path.c_str(), "", static_cast<const char*>(nullptr)}) {
        for (const mode& m : modes) {
            EXPECT_EQ(OpenThreadedFile(path, m.cache, 0, m.background), nullptr) << m.name;
        }
    }
    EXPECT_EQ(thread_count(), threads);
    EXPECT_EQ(open_descriptors(), descriptors);
    EXPECT_EQ(alloc_state.count, blocks);
    EXPECT_EQ(read(), "");  // a failed open of a file is silent

    EXPECT_EQ(CloseThreadedFile(nullptr), -1);
    EXPECT_EQ(ReadThreadedFile(nullptr, 1, 1, nullptr), 0);
    EXPECT_EQ(IsThreadedFileIdle(nullptr), 1);
}

TEST_F(ThreadedFile, ThreadFailuresAreLogged)
{
    const int blocks = alloc_state.count;
    const std::size_t threads = thread_count();

    media::core::fail_next_heap_requests(1);
    EXPECT_EQ(OpenThreadedFile("ten", 1, 0, 0), nullptr);
    EXPECT_NE(read().find("ファイル読み込みキャッシュ用メモリの確保に失敗しました\r\n"), std::string::npos);

    media::core::file_thread_hooks.fail_opens = 1;
    EXPECT_EQ(OpenThreadedFile("ten", 0, 0, 1), nullptr);
    EXPECT_NE(read().find("ファイルのオープンに失敗しました\r\n"), std::string::npos);

    EXPECT_EQ(thread_count(), threads);
    EXPECT_EQ(alloc_state.count, blocks);
    THREADED_FILE* f = OpenThreadedFile("ten", 0, 0, 1);  // the switches are spent
    ASSERT_NE(f, nullptr);
    EXPECT_NE(f->thread_id, 0u);
    CloseThreadedFile(f);
}

// Holds every file thread before its next read or seek until released.
class gate_hold {
public:
    gate_hold() { media::core::file_thread_hooks.gate = &gate_; }
    ~gate_hold()
    {
        gate_.set();
        media::core::file_thread_hooks.gate = nullptr;
    }
    void release() { gate_.set(); }

private:
    platform::manual_reset_event gate_;
};

TEST_F(ThreadedFile, BackgroundReadIsIdleOnlyOnceTheDataHasArrived)
{
    THREADED_FILE* f = OpenThreadedFile("ten", 0, 0, 1);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(IsThreadedFileIdle(f), 1);
    char buffer[8] = {};
    {
        gate_hold hold;
        EXPECT_EQ(ReadThreadedFile(buffer, 4, 2, f), 2);  // returns before the data
        EXPECT_EQ(TellThreadedFile(f), 8);
        EXPECT_EQ(IsThreadedFileIdle(f), 0);
        hold.release();
        f->done_event.wait();
    }
    EXPECT_EQ(IsThreadedFileIdle(f), 1);
    EXPECT_EQ(std::string(buffer, 8), "01234567");
    EXPECT_EQ(CloseThreadedFile(f), 0);
}

TEST_F(ThreadedFile, CloseWaitsForThePendingReadAndEndsTheThread)
{
    const std::size_t threads = thread_count();
    const int blocks = alloc_state.count;
    THREADED_FILE* f = OpenThreadedFile("ten", 0, 0, 1);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(thread_count(), threads + 1);
    char buffer[10] = {};
    std::atomic<bool> closed{false};
    {
        gate_hold hold;
        ASSERT_EQ(ReadThreadedFile(buffer, 1, 10, f), 10);
        std::thread closer([&] {
            EXPECT_EQ(CloseThreadedFile(f), 0);
            closed = true;
        });
        EXPECT_FALSE(closed.load());  // cannot have closed: the read is held
        hold.release();
        closer.join();
    }
    EXPECT_EQ(std::string(buffer, 10), "0123456789");
    EXPECT_EQ(thread_count(), threads);
    EXPECT_EQ(alloc_state.count, blocks);
}

TEST_F(ThreadedFile, SecondSeekWaitsForTheFirst)
{
    THREADED_FILE* f = OpenThreadedFile("ten", 0, 0, 1);
    ASSERT_NE(f, nullptr);
    std::atomic<bool> second_done{false};
    {
        gate_hold hold;
        EXPECT_EQ(SeekThreadedFile(f, 3, 0), 0);  // handed over, not waited for
        EXPECT_EQ(f->command, FILE_COMMAND_SEEK);
        EXPECT_EQ(IsThreadedFileIdle(f), 0);
        std::thread second([&] {
            EXPECT_EQ(SeekThreadedFile(f, 5, 0), 0);
            second_done = true;
        });
        EXPECT_FALSE(second_done.load());  // the first is still pending
        hold.release();
        second.join();
    }
    f->done_event.wait();
    EXPECT_EQ(f->seek_position, 5);
    char c = 0;
    EXPECT_EQ(ReadThreadedFile(&c, 1, 1, f), 1);
    f->done_event.wait();
    EXPECT_EQ(c, '5');
    CloseThreadedFile(f);
}

TEST_F(ThreadedFile, ShortReadsReportWhatArrived)
{
    for (const mode& m : modes) {
        SCOPED_TRACE(m.name);
        if (m.cache != 0)
            continue;  // the cache's own reads would take the fault
        THREADED_FILE* f = OpenThreadedFile("ten", 0, 0, m.background);
        ASSERT_NE(f, nullptr);
        char buffer[8];
        std::memset(buffer, 'x', sizeof buffer);
        platform::fs::fault_nth_read(1, 5);  // the next read delivers 5 bytes
        const int result = ReadThreadedFile(buffer, 4, 2, f);
        settle(f);
        if (m.background == 0) {
            EXPECT_EQ(result, 1);  // whole elements that arrived
            EXPECT_EQ(TellThreadedFile(f), 4);
            EXPECT_EQ(std::string(buffer, 4), "0123");
        } else {
            EXPECT_EQ(result, 2);  // promised before the read ran: the rest reads as zeros
            EXPECT_EQ(std::string(buffer, 8), std::string("01234\0\0\0", 8));
        }
        platform::fs::fault_nth_read(1, -1);  // the next read fails
        std::memset(buffer, 'x', sizeof buffer);
        SeekThreadedFile(f, 0, 0);
        const int failed = ReadThreadedFile(buffer, 2, 2, f);
        settle(f);
        if (m.background == 0) {
            EXPECT_EQ(failed, 0);
            EXPECT_EQ(TellThreadedFile(f), 0);
        } else {
            EXPECT_EQ(std::string(buffer, 4), std::string(4, '\0'));
        }
        EXPECT_EQ(CloseThreadedFile(f), 0);
    }
}

TEST_F(ThreadedFile, ReadAheadCacheGivesTheFileBytes)
{
    std::string bytes(300000, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
    dir_.file("big", bytes);
    for (int background : {0, 1}) {
        THREADED_FILE* f = OpenThreadedFile("big", 1, 0, background);
        ASSERT_NE(f, nullptr);
        ASSERT_NE(f->cache, nullptr);
        std::string got;
        std::vector<char> buffer(70000);
        int chunk = 1;
        while (true) {
            const int n = ReadThreadedFile(buffer.data(), 1, chunk, f);
            settle(f);
            if (n == 0)
                break;
            got.append(buffer.data(), static_cast<std::size_t>(n));
            chunk = chunk * 3 + 1 > 70000 ? 777 : chunk * 3 + 1;
        }
        EXPECT_TRUE(got == bytes) << background;
        ASSERT_EQ(SeekThreadedFile(f, 131071, 0), 0);
        ASSERT_EQ(ReadThreadedFile(buffer.data(), 2, 3, f), 3);
        settle(f);
        EXPECT_EQ(std::string(buffer.data(), 6), bytes.substr(131071, 6));
        EXPECT_EQ(CloseThreadedFile(f), 0);
    }
}

}  // namespace
