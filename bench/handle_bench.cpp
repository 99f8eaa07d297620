// Handle tables of 32768 slots: create, look-up and delete, against a table
// that finds the lowest free slot by scanning from slot 0.
#include "media/core/handle.hpp"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <random>
#include <vector>

namespace {

struct record {
    int id;
};

constexpr int slots = 32768;
using table = media::core::handle_table<record, HANDLEKIND_GRAPH, slots>;

// The same handle rules with a plain scan for the lowest free slot.
class scanning_table {
public:
    MEDIA_HANDLE create(record* r)
    {
        int slot = 0;
        while (slot < slots && records_[slot] != nullptr) ++slot;
        if (slot == slots) return -1;
        records_[slot] = r;
        checks_[slot] = counter_;
        const MEDIA_HANDLE handle = slot | (counter_ << 16) | (HANDLEKIND_GRAPH << 27);
        counter_ = (counter_ + 1) & 0x7FF;
        return handle;
    }
    record* find(MEDIA_HANDLE h) const
    {
        if (h < 0 || (h >> 27) != HANDLEKIND_GRAPH || (h & 0xFFFF) >= slots) return nullptr;
        const int slot = h & 0xFFFF;
        return records_[slot] != nullptr && checks_[slot] == ((h >> 16) & 0x7FF) ? records_[slot] : nullptr;
    }
    record* remove(MEDIA_HANDLE h)
    {
        record* r = find(h);
        if (r != nullptr) records_[h & 0xFFFF] = nullptr;
        return r;
    }

private:
    record* records_[slots] = {};
    int checks_[slots] = {};
    int counter_ = 0;
};

record the_record{1};

template <class Table>
std::vector<MEDIA_HANDLE> fill(Table& t, int count)
{
    std::vector<MEDIA_HANDLE> handles;
    for (int i = 0; i < count; ++i) handles.push_back(t.create(&the_record));
    return handles;
}

// One creation and its deletion with the slots below already taken: the next
// free slot is the range argument.
template <class Table>
void BM_create_delete(benchmark::State& state)
{
    auto t = std::make_unique<Table>();
    fill(*t, static_cast<int>(state.range(0)));
    for (auto _ : state) {
        const MEDIA_HANDLE h = t->create(&the_record);
        benchmark::DoNotOptimize(h);
        t->remove(h);
    }
}
BENCHMARK_TEMPLATE(BM_create_delete, table)->Arg(0)->Arg(1000)->Arg(16384)->Arg(slots - 1);
BENCHMARK_TEMPLATE(BM_create_delete, scanning_table)->Arg(0)->Arg(1000)->Arg(16384)->Arg(slots - 1);

// Look-up of live handles in a full table, in random order.
template <class Table>
void BM_lookup(benchmark::State& state)
{
    auto t = std::make_unique<Table>();
    std::vector<MEDIA_HANDLE> handles = fill(*t, slots);
    std::shuffle(handles.begin(), handles.end(), std::mt19937(1));
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(t->find(handles[i]));
        i = (i + 1) % handles.size();
    }
}
BENCHMARK_TEMPLATE(BM_lookup, table);

// A full table where a low and a high slot are freed and taken again, over and
// over: the case a lowest-free hint alone would serve by scanning.
template <class Table>
void BM_churn_low_and_high(benchmark::State& state)
{
    auto t = std::make_unique<Table>();
    std::vector<MEDIA_HANDLE> handles = fill(*t, slots);
    MEDIA_HANDLE low = handles[100], high = handles[30000];
    for (auto _ : state) {
        t->remove(low);
        t->remove(high);
        low = t->create(&the_record);
        high = t->create(&the_record);
    }
    state.SetItemsProcessed(state.iterations() * 2);
}
BENCHMARK_TEMPLATE(BM_churn_low_and_high, table);
BENCHMARK_TEMPLATE(BM_churn_low_and_high, scanning_table);

// Filling an empty table to the last slot and emptying it again.
template <class Table>
void BM_fill_and_drain(benchmark::State& state)
{
    auto t = std::make_unique<Table>();
    std::vector<MEDIA_HANDLE> handles(slots);
    for (auto _ : state) {
        for (int i = 0; i < slots; ++i) handles[i] = t->create(&the_record);
        for (int i = 0; i < slots; ++i) t->remove(handles[i]);
    }
    state.SetItemsProcessed(state.iterations() * slots);
}
BENCHMARK_TEMPLATE(BM_fill_and_drain, table);

}  // namespace
