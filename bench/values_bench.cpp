// Per-operation cost of the value interface: a boolean comparison through a
// handle, and a method-table lookup of a call record.
#include <benchmark/benchmark.h>

#include <boost/make_shared.hpp>

#include "plang/factor/boolean.hpp"
#include "plang/factor/nil.hpp"
#include "plang/method.hpp"

namespace {

struct vector_like {
  static plang::method_entries method_entries() {
    static constexpr plang::method_entry entries[] = {{"size", 0, 0},   {"empty", 0, 1},     {"pop_back", 0, 2},
                                                      {"clear", 0, 3},  {"back", 0, 4},      {"front", 0, 5},
                                                      {"at", 1, 6},     {"push_back", 1, 7}, {"swap", 1, 8},
                                                      {"resize", 1, 9}, {"replace", 2, 10},  {"resize", 2, 11}};
    return entries;
  }
};

void boolean_eq(benchmark::State& state) {
  const plang::handle left = boost::make_shared<plang::boolean>(true);
  const plang::handle right = boost::make_shared<plang::boolean>(true);
  for (auto _ : state) {
    plang::handle slot = right;
    left->eq(slot);
    benchmark::DoNotOptimize(slot);
  }
}
BENCHMARK(boolean_eq);

void method_lookup(benchmark::State& state) {
  const plang::method_request<wchar_t> call(plang::factor::vector{plang::make_nil()}, L"push_back");
  for (auto _ : state) {
    int id = plang::find_method_id<vector_like>("f", "g", 1, call);
    benchmark::DoNotOptimize(id);
  }
}
BENCHMARK(method_lookup);

}  // namespace
