// The managed allocator against the C heap it sits on: one allocation and
// its free of 64 bytes, on one thread and on four at once (one shared lock).
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "media/core/alloc.hpp"
#include "media/core/log.hpp"

namespace {

void BM_malloc_free(benchmark::State& state)
{
    for (auto _ : state) {
        void* p = std::malloc(64);
        benchmark::DoNotOptimize(p);
        std::free(p);
    }
}
BENCHMARK(BM_malloc_free)->Threads(1)->Threads(4)->UseRealTime();

void BM_managed_alloc_free(benchmark::State& state)
{
    SetLogOutputEnabled(0);
    for (auto _ : state) {
        void* p = ManagedAlloc(64, "alloc_bench.cpp", 0);
        benchmark::DoNotOptimize(p);
        ManagedFree(p);
    }
}
BENCHMARK(BM_managed_alloc_free)->Threads(1)->Threads(4)->UseRealTime();

// 1000 live blocks, freed in the order they were made (the oldest first).
void BM_managed_thousand_blocks(benchmark::State& state)
{
    SetLogOutputEnabled(0);
    void* blocks[1000];
    for (auto _ : state) {
        for (void*& p : blocks)
            p = ManagedAlloc(64, "alloc_bench.cpp", 0);
        for (void* p : blocks)
            ManagedFree(p);
    }
}
BENCHMARK(BM_managed_thousand_blocks);

}  // namespace
