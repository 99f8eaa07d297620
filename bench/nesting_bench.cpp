// What the nesting guard costs where it is met most: a map keyed by small
// vectors (every lookup hashes the probe vector and compares it with the
// stored key), and the description of a vector of 100 vectors of 10 ints.
#include <benchmark/benchmark.h>

#include <boost/make_shared.hpp>

#include "plang/factor/hash_.hpp"
#include "plang/factor/signed_.hpp"
#include "plang/factor/vector_.hpp"
#include "plang/method.hpp"

namespace {

constexpr int keys = 10000;

plang::handle integer(int v) { return plang::signed_<int>::make_value(v); }

plang::handle call(const plang::handle& self, const wchar_t* name, plang::factor::vector args) {
  return self->method(plang::method_request<wchar_t>(args, name));
}

plang::handle pair(int i) {
  const auto v = boost::make_shared<plang::vector_>();
  v->elements = {integer(i), integer(i + 1)};
  return v;
}

void vector_key_lookup(benchmark::State& state) {
  const plang::handle m = boost::make_shared<plang::hash_>();
  for (int i = 0; i < keys; ++i) call(m, L"insert", {pair(i), integer(i)});
  std::vector<plang::handle> probes;
  for (int i = 0; i < keys; ++i) probes.push_back(pair(i));
  for (auto _ : state) {
    for (const plang::handle& p : probes) benchmark::DoNotOptimize(call(m, L"at", {p}));
  }
  state.SetItemsProcessed(state.iterations() * keys);
}
BENCHMARK(vector_key_lookup)->Unit(benchmark::kMillisecond);

void describe_nested_vectors(benchmark::State& state) {
  const auto outer = boost::make_shared<plang::vector_>();
  for (int i = 0; i < 100; ++i) {
    const auto inner = boost::make_shared<plang::vector_>();
    for (int j = 0; j < 10; ++j) inner->elements.push_back(integer(j));
    outer->elements.push_back(inner);
  }
  for (auto _ : state) benchmark::DoNotOptimize(outer->describe());
}
BENCHMARK(describe_nested_vectors)->Unit(benchmark::kMicrosecond);

}  // namespace
