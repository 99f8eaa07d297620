#include "media/core/handle.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <random>
#include <vector>

namespace {

struct record {
    int id;
};

using keyinput_table = media::core::handle_table<record, HANDLEKIND_KEYINPUT, 256>;
using graph_table = media::core::handle_table<record, HANDLEKIND_GRAPH, 32768>;
using network_table = media::core::handle_table<record, HANDLEKIND_NETWORK, 4097>;

constexpr MEDIA_HANDLE make_handle(int kind, int check, int slot) { return kind << 27 | check << 16 | slot; }

TEST(HandleTable, NumbersHandlesBySlotCheckAndKind)
{
    keyinput_table table{};
    record a{1}, b{2}, c{3};
    const MEDIA_HANDLE first = table.create(&a);
    EXPECT_EQ(first, 0x50000000);
    EXPECT_EQ(table.create(&b), 0x50010001);
    EXPECT_EQ(table.remove(first), &a);
    const MEDIA_HANDLE third = table.create(&c);
    EXPECT_EQ(third, 0x50020000);  // slot 0 again, with the next check number
    EXPECT_EQ(table.find(first), nullptr);
    EXPECT_EQ(table.find(third), &c);
    EXPECT_EQ(table.find(0x50010001), &b);
    EXPECT_EQ(table.count(), 2);
}

TEST(HandleTable, TakesTheLowestFreeSlot)
{
    keyinput_table table{};
    record r{0};
    std::vector<MEDIA_HANDLE> handles;
    for (int i = 0; i < 6; ++i) handles.push_back(table.create(&r));
    table.remove(handles[4]);
    table.remove(handles[1]);
    EXPECT_EQ(table.create(&r) & 0xFFFF, 1);
    EXPECT_EQ(table.create(&r) & 0xFFFF, 4);
    EXPECT_EQ(table.create(&r) & 0xFFFF, 6);
}

TEST(HandleTable, AStaleHandleComesBackOnlyAfter2048Creations)
{
    keyinput_table table{};
    record r{0};
    const MEDIA_HANDLE stale = table.create(&r);
    ASSERT_EQ(stale, 0x50000000);
    table.remove(stale);
    for (int n = 1; n < 2048; ++n) {
        const MEDIA_HANDLE reused = table.create(&r);
        ASSERT_EQ(reused, make_handle(HANDLEKIND_KEYINPUT, n, 0));
        ASSERT_EQ(table.find(stale), nullptr) << "after " << n << " creations";
        table.remove(reused);
    }
    // the counter wrapped from 2047 to 0: the 2048th creation rebuilds the old value
    EXPECT_EQ(table.create(&r), stale);
    EXPECT_EQ(table.find(stale), &r);
}

TEST(HandleTable, LookUpRefusesEveryMalformedOrStaleValue)
{
    keyinput_table table{};
    record a{1}, b{2};
    const MEDIA_HANDLE live = table.create(&a);  // slot 0, check 0
    table.create(&b);                            // slot 1, check 1
    const struct {
        const char* what;
        MEDIA_HANDLE handle;
    } cases[] = {
        {"-1", -1},
        {"the most negative value", INT32_MIN},
        {"a live handle with bit 31 set", static_cast<MEDIA_HANDLE>(static_cast<std::uint32_t>(live) | 0x80000000u)},
        {"the graph kind's bits", make_handle(HANDLEKIND_GRAPH, 0, 0)},
        {"the MIDI kind's bits", make_handle(HANDLEKIND_MIDI, 0, 0)},
        {"kind 0", make_handle(0, 0, 0)},
        {"slot 256, one past the table", make_handle(HANDLEKIND_KEYINPUT, 0, 256)},
        {"slot 0xFFFF", make_handle(HANDLEKIND_KEYINPUT, 0, 0xFFFF)},
        {"an empty slot", make_handle(HANDLEKIND_KEYINPUT, 2, 2)},
        {"a wrong check number", make_handle(HANDLEKIND_KEYINPUT, 1, 0)},
        {"check number 2047", make_handle(HANDLEKIND_KEYINPUT, 2047, 0)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(table.find(c.handle), nullptr) << c.what;
        EXPECT_EQ(table.remove(c.handle), nullptr) << c.what;
    }
    // the refused removals emptied nothing
    EXPECT_EQ(table.count(), 2);
    EXPECT_EQ(table.find(live), &a);
}

TEST(HandleTable, AFullTableRefusesWithoutSpendingACheckNumber)
{
    media::core::handle_table<record, HANDLEKIND_FONT, 40> table{};
    record r{0};
    MEDIA_HANDLE handles[40];
    for (int i = 0; i < 40; ++i) {
        handles[i] = table.create(&r);
        ASSERT_EQ(handles[i], make_handle(HANDLEKIND_FONT, i, i));
    }
    EXPECT_EQ(table.create(&r), -1);
    EXPECT_EQ(table.create(nullptr), -1);
    table.remove(handles[17]);
    EXPECT_EQ(table.create(nullptr), -1);  // a null record is refused even with room
    EXPECT_EQ(table.create(&r), make_handle(HANDLEKIND_FONT, 40, 17));
    EXPECT_EQ(table.count(), 40);
}

TEST(HandleTable, CreatesInAGivenSlotWithAGivenCheckNumber)
{
    media::core::handle_table<record, HANDLEKIND_FONT, 40> table{};
    record a{1}, b{2}, c{3}, d{4};
    // a given slot takes the counter's check number, which then advances
    EXPECT_EQ(table.create_in(&a, 5, -1), make_handle(HANDLEKIND_FONT, 0, 5));
    // a given check number leaves the counter alone
    EXPECT_EQ(table.create_in(&b, -1, 700), make_handle(HANDLEKIND_FONT, 700, 0));
    EXPECT_EQ(table.create_in(&c, 9, 2047), make_handle(HANDLEKIND_FONT, 2047, 9));
    EXPECT_EQ(table.create(&d), make_handle(HANDLEKIND_FONT, 1, 1));
    EXPECT_EQ(table.find(make_handle(HANDLEKIND_FONT, 2047, 9)), &c);
    EXPECT_EQ(table.count(), 4);

    // refusals change nothing: a taken slot, a slot or check out of range, a null record
    const struct {
        int slot, check;
        record* r;
    } refused[] = {{5, -1, &d}, {5, 3, &d}, {40, -1, &d}, {-2, -1, &d}, {10, 2048, &d}, {10, -2, &d}, {10, 4, nullptr}};
    for (const auto& row : refused) EXPECT_EQ(table.create_in(row.r, row.slot, row.check), -1) << row.slot;
    EXPECT_EQ(table.count(), 4);
    EXPECT_EQ(table.create(&d), make_handle(HANDLEKIND_FONT, 2, 2));

    // a record removed and made again in its slot with its check keeps its value
    const MEDIA_HANDLE kept = make_handle(HANDLEKIND_FONT, 0, 5);
    EXPECT_EQ(table.remove(kept), &a);
    EXPECT_EQ(table.create_in(&b, 5, 0), kept);
    EXPECT_EQ(table.find(kept), &b);
}

TEST(HandleTable, LargeTablesFillToTheLastSlot)
{
    auto graphs = std::make_unique<graph_table>();
    record r{0};
    for (int i = 0; i < 32768; ++i) ASSERT_EQ(graphs->create(&r), make_handle(HANDLEKIND_GRAPH, i % 2048, i));
    EXPECT_EQ(graphs->create(&r), -1);
    EXPECT_EQ(graphs->find(make_handle(HANDLEKIND_GRAPH, 0, 0x8000)), nullptr);  // slot 32768
    graphs->remove(make_handle(HANDLEKIND_GRAPH, 30000 % 2048, 30000));
    graphs->remove(make_handle(HANDLEKIND_GRAPH, 70, 70));
    EXPECT_EQ(graphs->create(&r) & 0xFFFF, 70);
    EXPECT_EQ(graphs->create(&r) & 0xFFFF, 30000);
    EXPECT_EQ(graphs->create(&r), -1);

    // a slot count that is not a multiple of the bitmap's word
    auto connections = std::make_unique<network_table>();
    for (int i = 0; i < 4097; ++i) ASSERT_EQ(connections->create(&r), make_handle(HANDLEKIND_NETWORK, i % 2048, i));
    EXPECT_EQ(connections->create(&r), -1);
    EXPECT_EQ(connections->find(make_handle(HANDLEKIND_NETWORK, 4096 % 2048, 4096)), &r);
}

// Seeded random creations and removals against a plain model: a flag per slot
// scanned from 0, and one check number per successful creation.
TEST(HandleTable, MatchesAPlainModelOnRandomWork)
{
    auto table = std::make_unique<network_table>();
    std::vector<record> records(4097);
    std::vector<bool> used(4097, false);
    std::vector<MEDIA_HANDLE> live;
    int created = 0;
    std::mt19937 random(21);
    for (int step = 0; step < 60000; ++step) {
        // phases that fill the table and phases that drain it
        const bool filling = step / 5000 % 2 == 0;
        const bool create = live.empty() || std::uniform_int_distribution<int>(0, 9)(random) < (filling ? 7 : 3);
        if (create) {
            int expected_slot = 0;
            while (expected_slot < 4097 && used[expected_slot]) ++expected_slot;
            const MEDIA_HANDLE handle = table->create(&records[expected_slot % 4097]);
            if (expected_slot == 4097) {
                ASSERT_EQ(handle, -1) << "step " << step;
                continue;
            }
            ASSERT_EQ(handle, make_handle(HANDLEKIND_NETWORK, created % 2048, expected_slot)) << "step " << step;
            ++created;
            used[expected_slot] = true;
            live.push_back(handle);
        } else {
            const std::size_t pick = std::uniform_int_distribution<std::size_t>(0, live.size() - 1)(random);
            const MEDIA_HANDLE handle = live[pick];
            ASSERT_EQ(table->remove(handle), &records[handle & 0xFFFF]) << "step " << step;
            used[handle & 0xFFFF] = false;
            live[pick] = live.back();
            live.pop_back();
        }
    }
    EXPECT_EQ(table->count(), static_cast<int>(live.size()));
    for (const MEDIA_HANDLE handle : live) EXPECT_EQ(table->find(handle), &records[handle & 0xFFFF]);
}

TEST(HandleTable, WalksLiveSlotsAndClearsToProcessStart)
{
    keyinput_table table{};
    record a{1}, b{2}, c{3};
    const MEDIA_HANDLE ha = table.create(&a);
    const MEDIA_HANDLE hb = table.create(&b);
    const MEDIA_HANDLE hc = table.create(&c);
    table.remove(hb);
    std::vector<MEDIA_HANDLE> walked;
    for (int slot = 0; slot < keyinput_table::slots; ++slot)
        if (table.at(slot) != nullptr) walked.push_back(table.handle_at(slot));
    EXPECT_EQ(walked, (std::vector<MEDIA_HANDLE>{ha, hc}));
    EXPECT_EQ(table.handle_at(1), -1);
    EXPECT_EQ(table.at(-1), nullptr);
    EXPECT_EQ(table.at(256), nullptr);
    EXPECT_EQ(table.handle_at(256), -1);

    table.clear();
    EXPECT_EQ(table.count(), 0);
    EXPECT_EQ(table.find(ha), nullptr);
    EXPECT_EQ(table.create(&c), 0x50000000);
}

std::vector<int> forward(const HANDLENODE& head)
{
    std::vector<int> handles;
    for (const HANDLENODE* node = head.next; node != nullptr && node->next != nullptr; node = node->next)
        handles.push_back(node->handle);
    return handles;
}

std::vector<int> backward(const HANDLENODE& tail)
{
    std::vector<int> handles;
    for (const HANDLENODE* node = tail.previous; node != nullptr && node->previous != nullptr; node = node->previous)
        handles.push_back(node->handle);
    return handles;
}

// The high-water choice: new slots go up from the index, freed slots below it
// wait until it reaches the end, and freeing the highest slot drops the index
// past every empty slot below it.
TEST(HandleTable, HighWaterChoiceFillsUpwardsThenReusesFromZero)
{
    media::core::handle_table<record, HANDLEKIND_SOFTIMAGE, 6, media::core::slot_choice::high_water> table{};
    record r{0};
    auto slot = [&] { return table.create(&r) & 0xFFFF; };
    std::vector<MEDIA_HANDLE> h;
    for (int i = 0; i < 4; ++i) h.push_back(table.create(&r));
    EXPECT_EQ(table.high_water(), 4);
    table.remove(h[1]);
    EXPECT_EQ(table.high_water(), 4);  // a hole below the index is not reused yet
    EXPECT_EQ(slot(), 4);
    EXPECT_EQ(slot(), 5);
    EXPECT_EQ(table.high_water(), 6);
    EXPECT_EQ(slot(), 1);  // the index is at the end: the lowest empty slot
    EXPECT_EQ(table.create(&r), -1);
    EXPECT_EQ(table.high_water(), 6);

    // free 3 and 4, then the highest (5): the index falls past 4 and 3 to 3
    table.remove(table.handle_at(3));
    table.remove(table.handle_at(4));
    EXPECT_EQ(table.high_water(), 6);
    table.remove(table.handle_at(5));
    EXPECT_EQ(table.high_water(), 3);
    EXPECT_EQ(slot(), 3);
    for (int s = 0; s <= 3; ++s) table.remove(table.handle_at(s));
    EXPECT_EQ(table.high_water(), 0);
    EXPECT_EQ(table.count(), 0);
    EXPECT_EQ(slot(), 0);
    table.clear();
    EXPECT_EQ(table.high_water(), 0);
}

// A record its owner moved keeps its handle: the slot is re-pointed, and a
// stale or foreign handle cannot re-point anything.
TEST(HandleTable, ReplaceRepointsALiveSlotOnly)
{
    graph_table table{};
    record old_record{1}, moved{2}, other{3};
    const MEDIA_HANDLE h = table.create(&old_record);
    const MEDIA_HANDLE second = table.create(&other);
    EXPECT_TRUE(table.replace(h, &moved));
    EXPECT_EQ(table.find(h), &moved);
    EXPECT_EQ(table.handle_at(0), h);
    EXPECT_EQ(table.count(), 2);
    EXPECT_FALSE(table.replace(h, nullptr));
    EXPECT_EQ(table.find(h), &moved);
    table.remove(second);
    EXPECT_FALSE(table.replace(second, &other));
    EXPECT_EQ(table.at(1), nullptr);
    EXPECT_FALSE(table.replace(make_handle(HANDLEKIND_SOUND, 0, 0), &other));
    EXPECT_FALSE(table.replace(h | 0x8000, &other));
    EXPECT_EQ(table.find(h), &moved);
}

TEST(HandleChain, KeepsTheNewestFirst)
{
    HANDLENODE head, tail, a, b;
    ASSERT_EQ(InitHandleChain(&head, &tail), 0);
    EXPECT_EQ(head.next, &tail);
    EXPECT_EQ(tail.previous, &head);
    EXPECT_EQ(head.previous, nullptr);
    EXPECT_EQ(tail.next, nullptr);
    EXPECT_EQ(head.handle, -1);
    EXPECT_EQ(tail.handle, -1);

    int data_a = 0, data_b = 0;
    ASSERT_EQ(InsertHandleChain(&head, &a, 11, &data_a), 0);
    ASSERT_EQ(InsertHandleChain(&head, &b, 22, &data_b), 0);
    EXPECT_EQ(forward(head), (std::vector<int>{22, 11}));
    EXPECT_EQ(backward(tail), (std::vector<int>{11, 22}));
    EXPECT_EQ(b.data, &data_b);
    EXPECT_EQ(a.data, &data_a);
}

TEST(HandleChain, RemovalLeavesTheNodesOwnLinksAndRefusesEndNodes)
{
    HANDLENODE head, tail, a, b, c;
    InitHandleChain(&head, &tail);
    InsertHandleChain(&head, &a, 1, nullptr);
    InsertHandleChain(&head, &b, 2, nullptr);
    InsertHandleChain(&head, &c, 3, nullptr);

    ASSERT_EQ(RemoveHandleChain(&b), 0);
    EXPECT_EQ(forward(head), (std::vector<int>{3, 1}));
    EXPECT_EQ(backward(tail), (std::vector<int>{1, 3}));
    // a walk standing on the removed node can still step on
    EXPECT_EQ(b.previous, &c);
    EXPECT_EQ(b.next, &a);

    EXPECT_EQ(RemoveHandleChain(&head), -1);
    EXPECT_EQ(RemoveHandleChain(&tail), -1);
    HANDLENODE never_linked{};
    EXPECT_EQ(RemoveHandleChain(&never_linked), -1);
    EXPECT_EQ(forward(head), (std::vector<int>{3, 1}));

    RemoveHandleChain(&c);
    RemoveHandleChain(&a);
    EXPECT_EQ(head.next, &tail);
    EXPECT_EQ(tail.previous, &head);
}

}  // namespace
