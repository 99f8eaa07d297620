// Container values through their method calls, as the evaluator makes them
// (one wide call record per call): a vector filled by 10^5 push_back and
// summed by index, and a map of 10^5 int keys filled and then read back.
#include <benchmark/benchmark.h>

#include <boost/make_shared.hpp>

#include "plang/factor/hash_.hpp"
#include "plang/factor/signed_.hpp"
#include "plang/factor/vector_.hpp"
#include "plang/method.hpp"

namespace {

constexpr int count = 100000;

plang::handle integer(int v) { return boost::make_shared<plang::signed_<int>>(v); }

plang::handle call(const plang::handle& self, const wchar_t* name, plang::factor::vector args) {
  return self->method(plang::method_request<wchar_t>(args, name));
}

void vector_push_back_then_sum(benchmark::State& state) {
  for (auto _ : state) {
    const plang::handle v = boost::make_shared<plang::vector_>();
    for (int i = 0; i < count; ++i) call(v, L"push_back", {integer(i)});
    plang::handle sum = integer(0);
    for (int i = 0; i < count; ++i) {
      plang::handle element = call(v, L"at", {integer(i)});
      sum->add(element);  // sum + element, a new int
      sum = element;
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(vector_push_back_then_sum)->Unit(benchmark::kMillisecond);

void hash_insert_then_lookup(benchmark::State& state) {
  for (auto _ : state) {
    const plang::handle m = boost::make_shared<plang::hash_>();
    for (int i = 0; i < count; ++i) call(m, L"insert", {integer(i), integer(i)});
    plang::handle sum = integer(0);
    for (int i = 0; i < count; ++i) {
      plang::handle value = call(m, L"at", {integer(i)});
      sum->add(value);
      sum = value;
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(hash_insert_then_lookup)->Unit(benchmark::kMillisecond);

// The lookups alone, on a map filled once.
void hash_lookup(benchmark::State& state) {
  const plang::handle m = boost::make_shared<plang::hash_>();
  for (int i = 0; i < count; ++i) call(m, L"insert", {integer(i), integer(i)});
  for (auto _ : state) {
    for (int i = 0; i < count; ++i) benchmark::DoNotOptimize(call(m, L"at", {integer(i)}));
  }
  state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(hash_lookup)->Unit(benchmark::kMillisecond);

}  // namespace
