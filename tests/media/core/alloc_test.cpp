// The managed allocator: list integrity and exact totals, names and serials,
// reallocation, refused sizes and failed heap requests, the dump text,
// corruption detection, and many threads at once.
#include "media/core/alloc.hpp"

#include "log_folder.hpp"
#include "media/core/internal.hpp"

#include <gtest/gtest.h>

#include <cinttypes>
#include <climits>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

using media::core::alloc_lock;
using media::core::alloc_state;

class Alloc : public media_test::log_folder {
protected:
    void SetUp() override
    {
        log_folder::SetUp();
        ASSERT_EQ(OpenLogFile(), 1);
    }
};

ALLOCHEADER* header(void* block)
{
    return reinterpret_cast<ALLOCHEADER*>(static_cast<unsigned char*>(block) - ALLOC_HEADER_SIZE);
}

// The live blocks from the newest to the oldest, checking each link against
// its neighbour's and the totals against the blocks.
std::vector<void*> walk()
{
    std::vector<void*> blocks;
    long long total = 0;
    ALLOCHEADER* newer = nullptr;
    for (ALLOCHEADER* h = alloc_state.newest; h != nullptr && h != &alloc_state.sentinel; h = h->older) {
        EXPECT_EQ(h->newer, newer);
        blocks.push_back(reinterpret_cast<unsigned char*>(h) + ALLOC_HEADER_SIZE);
        total += h->size;
        newer = h;
    }
    if (alloc_state.newest != nullptr) {
        EXPECT_EQ(alloc_state.sentinel.newer, newer);
    }
    EXPECT_EQ(alloc_state.total_size, total);
    EXPECT_EQ(alloc_state.count, static_cast<int>(blocks.size()));
    EXPECT_EQ(CheckManagedAllocs(), 0);
    return blocks;
}

TEST_F(Alloc, ListStaysWholeWhicheverBlockIsFreed)
{
    void* a = ManagedAlloc(10, "a.cpp", 1);
    void* b = ManagedAlloc(20, "b.cpp", 2);
    void* c = ManagedAlloc(30, "c.cpp", 3);
    void* d = ManagedAlloc(40, "d.cpp", 4);
    EXPECT_EQ(walk(), (std::vector<void*>{d, c, b, a}));

    ManagedFree(d);  // the newest
    EXPECT_EQ(walk(), (std::vector<void*>{c, b, a}));
    ManagedFree(a);  // the oldest
    EXPECT_EQ(walk(), (std::vector<void*>{c, b}));
    void* e = ManagedAlloc(50, nullptr, 0);
    EXPECT_EQ(walk(), (std::vector<void*>{e, c, b}));
    ManagedFree(c);  // a middle one
    EXPECT_EQ(walk(), (std::vector<void*>{e, b}));
    ManagedFree(nullptr);
    ManagedFree(e);
    ManagedFree(b);
    EXPECT_TRUE(walk().empty());
    EXPECT_EQ(alloc_state.newest, &alloc_state.sentinel);
    EXPECT_EQ(alloc_state.total_size, 0);

    void* f = ManagedCalloc(7, "f.cpp", 0);
    EXPECT_EQ(std::string(static_cast<char*>(f), 7), std::string(7, '\0'));
    EXPECT_EQ(walk(), (std::vector<void*>{f}));
    ManagedFree(f);
}

TEST_F(Alloc, SourceNamesKeepTheirEnd)
{
    const struct {
        const char* name;
        const char* stored;
    } rows[] = {
        {nullptr, ""},
        {"", ""},
        {"abcdefghijklmn", "abcdefghijklmn"},      // 14: whole
        {"abcdefghijklmno", "abcdefghijklmno"},    // 15: the last 15 are all
        {"abcdefghijklmnop", "bcdefghijklmnop"},   // 16: the last 15
        {"media/core/long_name.cpp", "e/long_name.cpp"},
    };
    for (const auto& r : rows) {
        void* p = ManagedAlloc(1, r.name, 0);
        EXPECT_STREQ(header(p)->name, r.stored) << (r.name ? r.name : "null");
        ManagedFree(p);
    }
}

TEST_F(Alloc, SerialsCountAndWrap)
{
    alloc_state.serial = 65534;
    void* a = ManagedAlloc(1, "", 0);
    void* b = ManagedAlloc(1, "", 0);
    void* c = ManagedAlloc(1, "", 0);
    EXPECT_EQ(header(a)->serial, 65534);
    EXPECT_EQ(header(b)->serial, 65535);
    EXPECT_EQ(header(c)->serial, 0);
    void* b2 = ManagedRealloc(b, 2, "", -1);  // a new serial, the line as 0xFFFF
    EXPECT_EQ(header(b2)->serial, 1);
    EXPECT_EQ(header(b2)->line, 0xFFFF);
    ManagedFree(a);
    ManagedFree(b2);
    ManagedFree(c);
}

TEST_F(Alloc, ReallocZeroFillsGrowthAndKeepsThePlace)
{
    void* n = ManagedRealloc(nullptr, 5, "n.cpp", 0);  // allocates
    ASSERT_NE(n, nullptr);
    EXPECT_EQ(header(n)->size, 5u);
    EXPECT_EQ(alloc_state.total_size, 5);

    void* a = ManagedAlloc(4, "a.cpp", 0);
    void* b = ManagedAlloc(3, "b.cpp", 0);
    std::memcpy(a, "wxyz", 4);
    // grown far enough that the heap is likely to move it
    void* a2 = ManagedRealloc(a, 100000, "a2.cpp", 9);
    ASSERT_NE(a2, nullptr);
    EXPECT_EQ(std::memcmp(a2, "wxyz", 4), 0);
    const std::vector<char> zeros(100000 - 4, '\0');
    EXPECT_EQ(std::memcmp(static_cast<char*>(a2) + 4, zeros.data(), zeros.size()), 0);
    EXPECT_STREQ(header(a2)->name, "a2.cpp");
    EXPECT_EQ(header(a2)->line, 9);
    EXPECT_EQ(walk(), (std::vector<void*>{b, a2, n}));
    EXPECT_EQ(alloc_state.total_size, 5 + 100000 + 3);

    void* b2 = ManagedRealloc(b, 1, "b.cpp", 0);  // the newest, shrunk
    EXPECT_EQ(walk(), (std::vector<void*>{b2, a2, n}));
    void* c = ManagedAlloc(2, "c.cpp", 0);
    EXPECT_EQ(walk(), (std::vector<void*>{c, b2, a2, n}));
    EXPECT_EQ(alloc_state.total_size, 5 + 100000 + 1 + 2);
    for (void* p : {c, b2, a2, n})
        ManagedFree(p);
    EXPECT_TRUE(walk().empty());
}

TEST_F(Alloc, FailedHeapRequestsLeaveTheListAsItWas)
{
    void* a = ManagedAlloc(3, "a.cpp", 0);
    std::memcpy(a, "abc", 3);

    media::core::fail_next_heap_requests(1);
    EXPECT_EQ(ManagedAlloc(10, "x.cpp", 0), nullptr);
    EXPECT_EQ(walk(), (std::vector<void*>{a}));

    media::core::fail_next_heap_requests(1);
    EXPECT_EQ(ManagedRealloc(a, 1000, "x.cpp", 0), nullptr);
    EXPECT_EQ(walk(), (std::vector<void*>{a}));
    EXPECT_EQ(std::memcmp(a, "abc", 3), 0);
    EXPECT_EQ(header(a)->size, 3u);
    EXPECT_EQ(alloc_state.total_size, 3);

    // both failures dumped the list
    const std::string log = read();
    std::size_t dumps = 0;
    for (std::size_t at = log.find("Alloc memory dump"); at != std::string::npos;
         at = log.find("Alloc memory dump", at + 1))
        ++dumps;
    EXPECT_EQ(dumps, 2u);

    // the switch can let some requests through first
    media::core::fail_heap_requests_after(2, 1);
    void* first = ManagedAlloc(1, "x.cpp", 0);
    void* second = ManagedAlloc(1, "x.cpp", 0);
    EXPECT_NE(first, nullptr);
    EXPECT_NE(second, nullptr);
    EXPECT_EQ(ManagedAlloc(1, "x.cpp", 0), nullptr);
    void* fourth = ManagedAlloc(1, "x.cpp", 0);
    EXPECT_NE(fourth, nullptr);
    for (void* p : {first, second, fourth})
        ManagedFree(p);
    ManagedFree(a);
}

TEST_F(Alloc, SizesThatCannotBeABlockAreRefused)
{
    void* a = ManagedAlloc(3, "a.cpp", 0);
    const int sizes[] = {-1, INT_MIN, INT_MAX, INT_MAX - static_cast<int>(ALLOC_HEADER_SIZE) + 1};
    for (int size : sizes) {
        EXPECT_EQ(ManagedAlloc(size, "x.cpp", 0), nullptr) << size;
        EXPECT_EQ(ManagedCalloc(size, "x.cpp", 0), nullptr) << size;
        EXPECT_EQ(ManagedRealloc(a, size, "x.cpp", 0), nullptr) << size;
    }
    EXPECT_EQ(walk(), (std::vector<void*>{a}));
    EXPECT_EQ(alloc_state.serial, 1);
    EXPECT_NE(read().find("0:メモリ確保のサイズが不正です(サイズ -1 byte)\r\n"), std::string::npos);
    ManagedFree(a);
}

std::string address(const void* p)
{
    char text[32];
    std::snprintf(text, sizeof text, "%08" PRIxPTR, reinterpret_cast<std::uintptr_t>(p));
    return text;
}

TEST_F(Alloc, DumpText)
{
    void* a = ManagedAlloc(3, "NAME", 0);
    std::memcpy(a, "ab\x07", 3);
    void* e = ManagedAlloc(0, "empty.cpp", 7);
    auto* f = static_cast<unsigned char*>(ManagedAlloc(2000, "f.cpp", 0));
    for (int i = 0; i < 2000; ++i)
        f[i] = static_cast<unsigned char>(0x1E + i);  // 1E 1F 20 ... 7E 7F 80: 16 shown
    platform::headless::advance_clock(12);
    DumpManagedAllocs();
    const std::string empty_line =
        "\tsize:0(0.000kb)  file:empty.cpp  line:7  ID:1  addr:" + address(e) + "  data:<> ]\r\n";
    EXPECT_EQ(read(),
              // the trace size starts at 0, so blocks of 0 bytes are traced
              "0:mem alloc  " + empty_line +
              "12:\r\n"
              "12:Alloc memory dump\r\n"
              "12:\tsize:2000(1.953kb)  file:f.cpp  line:0  ID:2  addr:" + address(f) +
                  "  data:<.. !\"#$%&'()*+,-> [1e 1f 20 21 22 23 24 25 26 27 28 29 2a 2b 2c 2d]\r\n"
              "12:" + empty_line +
              "12:\tsize:3(0.003kb)  file:NAME  line:0  ID:0  addr:" + address(a) +
                  "  data:<ab.> [61 62 07]\r\n"
              "12:\tTotal size:2003(1.956kb)  Alloc num:3\r\n"
              "12:\r\n");
    ManagedFree(a);
    ManagedFree(e);
    ManagedFree(f);
}

TEST_F(Alloc, TracesAndTotalsWhenAskedTo)
{
    alloc_state.trace_size = 0;  // operations on blocks of 0 bytes only
    alloc_state.print_totals = 1;
    void* z = ManagedAlloc(0, "t.cpp", 0);
    void* a = ManagedAlloc(5, "t.cpp", 0);
    ManagedFree(z);
    ManagedFree(a);
    const std::string line = "\tsize:0(0.000kb)  file:t.cpp  line:0  ID:0  addr:" + address(z) + "  data:<> ]\r\n";
    EXPECT_EQ(read(), "0:mem alloc  " + line +
                          "0:\tTotal size:0(0.000kb)  Alloc num:1\r\n"
                          "0:\tTotal size:5(0.005kb)  Alloc num:2\r\n"
                          "0:mem free  " + line +
                          "0:\tTotal size:5(0.005kb)  Alloc num:1\r\n"
                          "0:\tTotal size:0(0.000kb)  Alloc num:0\r\n");
}

// The allocator's lock can be taken from another thread.
bool lock_is_free()
{
    bool taken = false;
    std::thread other([&taken] {
        taken = alloc_lock.try_lock();
        if (taken)
            alloc_lock.unlock();
    });
    other.join();
    return taken;
}

TEST_F(Alloc, DamagedHeadersAreFoundAndReported)
{
    void* a = ManagedAlloc(3, "a.cpp", 0);
    void* b = ManagedAlloc(3, "b.cpp", 0);
    void* c = ManagedAlloc(3, "c.cpp", 0);
    std::memcpy(b, "xyz", 3);
    ALLOCHEADER* h = header(b);

    const struct {
        const char* what;
        std::size_t offset;  // into the header's first fields
        unsigned char value;
    } rows[] = {
        {"name", 0, 'B'},
        {"serial", offsetof(ALLOCHEADER, serial), 0x77},
        {"line", offsetof(ALLOCHEADER, line), 0x05},
        {"size grown far past the block", offsetof(ALLOCHEADER, size) + 2, 0x7F},
        {"older link", offsetof(ALLOCHEADER, older), 0x55},
        {"last byte of the newer link", ALLOC_HEADER_FIELDS - 1, 0xAA},
    };
    for (const auto& r : rows) {
        ASSERT_EQ(OpenLogFile(), 1);
        unsigned char* byte = reinterpret_cast<unsigned char*>(h) + r.offset;
        const unsigned char kept = *byte;
        *byte = r.value;
        EXPECT_EQ(CheckManagedAllocs(), -1) << r.what;
        EXPECT_TRUE(lock_is_free()) << r.what;
        const std::string log = read();
        EXPECT_EQ(log.rfind("0:以下のメモリ確保情報が破損しました\tsize:", 0), 0u) << r.what << ": " << log;
        // that block's line, its data bounded by the size it really has
        EXPECT_NE(log.find("addr:" + address(b) + "  data:<xyz> [78 79 7a]\r\n"), std::string::npos) << r.what;
        // the dump does not follow the damaged block's links
        DumpManagedAllocs();
        *byte = kept;
        EXPECT_EQ(CheckManagedAllocs(), 0) << r.what;
    }
    EXPECT_EQ(walk(), (std::vector<void*>{c, b, a}));
    ManagedFree(a);
    ManagedFree(b);
    ManagedFree(c);
}

// Damage in the newest block: the dump logs it without following its links
// (a wild older link would crash it), and logging the dump's long lines,
// which takes blocks of this allocator, does not write the damage into the
// block's copy, so the next check still finds it.
TEST_F(Alloc, DamageInTheNewestBlockIsReportedNotFollowedNorErased)
{
    void* a = ManagedAlloc(3, "a.cpp", 0);
    void* b = ManagedAlloc(3, "b.cpp", 0);
    void* c = ManagedAlloc(3, "c.cpp", 0);
    std::memcpy(c, "new", 3);
    ALLOCHEADER* h = header(c);

    const struct {
        const char* what;
        std::size_t offset;
        std::size_t length;
        unsigned char value;
    } rows[] = {
        {"name", 0, 1, 'C'},
        {"serial", offsetof(ALLOCHEADER, serial), 1, 0x77},
        {"size", offsetof(ALLOCHEADER, size) + 2, 1, 0x7F},
        {"a wild older link", offsetof(ALLOCHEADER, older), sizeof(void*), 0x55},
    };
    for (const auto& r : rows) {
        ASSERT_EQ(OpenLogFile(), 1);
        unsigned char* bytes = reinterpret_cast<unsigned char*>(h) + r.offset;
        unsigned char kept[sizeof(void*)];
        std::memcpy(kept, bytes, r.length);
        std::memset(bytes, r.value, r.length);

        DumpManagedAllocs();
        const std::string dump = read();
        // the damaged block's line, then the totals: b and a are not reached
        const std::size_t at = dump.find("Alloc memory dump\r\n");
        ASSERT_NE(at, std::string::npos) << r.what;
        const std::string after = dump.substr(at);
        EXPECT_NE(after.find("addr:" + address(c) + "  data:<new> [6e 65 77]\r\n"), std::string::npos) << r.what;
        EXPECT_EQ(after.find("addr:" + address(b)), std::string::npos) << r.what;
        EXPECT_NE(after.find("\tTotal size:9(0.009kb)  Alloc num:3\r\n"), std::string::npos) << r.what;

        // still damaged, after the dump and after more blocks came and went
        EXPECT_EQ(CheckManagedAllocs(), -1) << r.what;
        LogWrite(std::string(500, 'l').c_str());
        EXPECT_EQ(CheckManagedAllocs(), -1) << r.what;
        EXPECT_EQ(alloc_state.newest, h) << r.what;
        std::memcpy(bytes, kept, r.length);
        EXPECT_EQ(CheckManagedAllocs(), 0) << r.what;
    }
    EXPECT_EQ(walk(), (std::vector<void*>{c, b, a}));
    ManagedFree(a);
    ManagedFree(b);
    ManagedFree(c);
}

// The trace settings, all on: every operation logs its line, the
// totals and a check, and none of that recurses through the log's own
// buffers (which are never traced), with sound blocks or a damaged one.
TEST_F(Alloc, EveryTraceSettingAtOnceEnds)
{
    alloc_state.trace_all = 1;
    alloc_state.trace_size = -1;
    alloc_state.print_totals = 1;
    alloc_state.check_each = 1;
    void* a = ManagedAlloc(40, "traced.cpp", 1);
    void* b = ManagedCalloc(20, "traced.cpp", 2);
    a = ManagedRealloc(a, 400, "traced.cpp", 3);
    DumpManagedAllocs();
    LogPrintf("%s", std::string(900, 'p').c_str());
    EXPECT_EQ(CheckManagedAllocs(), 0);

    header(b)->name[0] = 'X';  // damage: every check inside the operations finds it
    void* c = ManagedAlloc(8, "traced.cpp", 4);
    EXPECT_EQ(CheckManagedAllocs(), -1);
    DumpManagedAllocs();
    header(b)->name[0] = 't';
    EXPECT_EQ(CheckManagedAllocs(), 0);
    ManagedFree(c);
    ManagedFree(b);
    ManagedFree(a);
    EXPECT_EQ(alloc_state.count, 0);
    EXPECT_EQ(alloc_state.total_size, 0);

    // One trace line per operation on the caller's blocks, none for the log's.
    const std::string log = read();
    auto count = [&log](const std::string& what) {
        std::size_t n = 0;
        for (std::size_t at = log.find(what); at != std::string::npos; at = log.find(what, at + 1))
            ++n;
        return n;
    };
    EXPECT_EQ(count("mem alloc  "), 3u);
    EXPECT_EQ(count("mem realloc  "), 1u);
    EXPECT_EQ(count("mem free  "), 3u);
    EXPECT_EQ(count("line:65535"), 0u);  // the log's buffers carry line -1
}

TEST_F(Alloc, ManyThreadsAllocateAndFree)
{
    constexpr int threads = 8;
    constexpr int rounds = 3000;
    std::vector<std::thread> workers;
    std::vector<int> failures(threads, 0);
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([t, &failures] {
            std::mt19937 gen(static_cast<unsigned>(t) + 1);
            std::vector<std::pair<unsigned char*, int>> held;
            for (int i = 0; i < rounds; ++i) {
                const int op = static_cast<int>(gen() % 4);
                if (op < 2 || held.empty()) {
                    const int size = static_cast<int>(gen() % 64);
                    auto* p = static_cast<unsigned char*>(ManagedAlloc(size, "worker.cpp", t));
                    std::memset(p, t, static_cast<std::size_t>(size));
                    held.emplace_back(p, size);
                } else {
                    const std::size_t k = gen() % held.size();
                    auto [p, size] = held[k];
                    for (int j = 0; j < size; ++j)
                        failures[t] += p[j] != t;
                    if (op == 2) {
                        const int grown = size + static_cast<int>(gen() % 64);
                        auto* q = static_cast<unsigned char*>(ManagedRealloc(p, grown, "worker.cpp", t));
                        for (int j = size; j < grown; ++j)
                            failures[t] += q[j] != 0;
                        std::memset(q, t, static_cast<std::size_t>(grown));
                        held[k] = {q, grown};
                    } else {
                        ManagedFree(p);
                        held[k] = held.back();
                        held.pop_back();
                    }
                }
            }
            for (auto& [p, size] : held)
                ManagedFree(p);
        });
    }
    for (std::thread& w : workers)
        w.join();
    for (int t = 0; t < threads; ++t)
        EXPECT_EQ(failures[t], 0) << t;
    EXPECT_TRUE(walk().empty());
}

}  // namespace
