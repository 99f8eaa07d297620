// Per-operation cost of number and text values through their handles: int
// addition and comparison, double multiplication, a text joined with a text
// and with an int, and a method call.
#include <benchmark/benchmark.h>

#include <boost/make_shared.hpp>

#include "plang/factor/real.hpp"
#include "plang/factor/signed_.hpp"
#include "plang/factor/string_.hpp"
#include "plang/method.hpp"

namespace {

// The floor of every operation that produces a value: one make_shared and
// its release.
void make_and_release(benchmark::State& state) {
  for (auto _ : state) {
    plang::handle h = plang::signed_<int>::make_value(1);
    benchmark::DoNotOptimize(h);
  }
}
BENCHMARK(make_and_release);

// i = i + 1, as a loop counter does it: add into a temporary, assign back.
void int_add_assign(benchmark::State& state) {
  const plang::handle i = plang::signed_<int>::make_value(0);
  const plang::handle one = plang::signed_<int>::make_value(1);
  for (auto _ : state) {
    plang::handle slot = one;
    i->add(slot);
    *i = slot;
  }
  benchmark::DoNotOptimize(i->operator int());
}
BENCHMARK(int_add_assign);

void int_lt(benchmark::State& state) {
  const plang::handle i = plang::signed_<int>::make_value(5);
  const plang::handle limit = plang::signed_<int>::make_value(1000000);
  for (auto _ : state) {
    plang::handle slot = limit;
    i->lt(slot);
    benchmark::DoNotOptimize(slot->operator bool());
  }
}
BENCHMARK(int_lt);

// d = d * 1.0000001, a double with a double.
void double_multiply_assign(benchmark::State& state) {
  const plang::handle d = plang::real<double>::make_value(1.0);
  const plang::handle factor = plang::real<double>::make_value(1.0000001);
  for (auto _ : state) {
    plang::handle slot = factor;
    d->multiply(slot);
    *d = slot;
  }
  benchmark::DoNotOptimize(d->operator double());
}
BENCHMARK(double_multiply_assign);

// s = s + "x" on a text that grows to `range` characters, then starts over.
void text_join_text(benchmark::State& state) {
  const plang::handle x = plang::make_string(L"x");
  plang::handle s = plang::make_string(L"");
  for (auto _ : state) {
    plang::handle slot = x;
    s->add(slot);
    s = slot;
    if (static_cast<const plang::string_<wchar_t>&>(*s).text.size() >= static_cast<std::size_t>(state.range(0)))
      s = plang::make_string(L"");
  }
}
BENCHMARK(text_join_text)->Arg(16)->Arg(1024);

void text_join_int(benchmark::State& state) {
  const plang::handle s = plang::make_string(L"item ");
  const plang::handle n = plang::signed_<int>::make_value(123456);
  for (auto _ : state) {
    plang::handle slot = n;
    s->add(slot);
    benchmark::DoNotOptimize(slot);
  }
}
BENCHMARK(text_join_int);

void text_size_method(benchmark::State& state) {
  const plang::handle s = plang::make_string(L"hello");
  const plang::method_request<wchar_t> call(plang::factor::vector{}, L"size");
  for (auto _ : state) benchmark::DoNotOptimize(s->method(call));
}
BENCHMARK(text_size_method);

}  // namespace
