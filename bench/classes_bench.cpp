// Script classes run the way the application runs scripts: 10^5 method calls on one instance (a method that
// returns a member plus its argument, and one that only changes a member), 10^5 calls of a method that the
// base class defines, 10^5 conversions through a class's "operator int", and 10^4 instances constructed and
// destroyed; a top-level function call for comparison.
#include <benchmark/benchmark.h>

#include <string>

#include "bench/script_bench.hpp"

namespace {

using bench::run_main;

const wchar_t counter[] =
    L"class C { int n; int get(int k) { return n + k; } int bump() { n += 1; } };\n"
    L"class D : C { int own; };\n";

void method_returning(benchmark::State& state) {
  run_main(state,
           std::wstring(counter) +
               L"process main(string a) { C c; int i = 0; int s = 0; while (i < 100000) { s += c.get(i); ++i; } }",
           100000);
}
BENCHMARK(method_returning)->Unit(benchmark::kMillisecond);

void method_without_return(benchmark::State& state) {
  run_main(state,
           std::wstring(counter) +
               L"process main(string a) { C c; int i = 0; while (i < 100000) { c.bump(); ++i; } }",
           100000);
}
BENCHMARK(method_without_return)->Unit(benchmark::kMillisecond);

// The same work as a top-level function: what a method call costs beyond a function call.
void function_without_return(benchmark::State& state) {
  run_main(state,
           L"int bump(int& n) { n += 1; }\n"
           L"process main(string a) { int n = 0; int i = 0; while (i < 100000) { bump(n); ++i; } }",
           100000);
}
BENCHMARK(function_without_return)->Unit(benchmark::kMillisecond);

void base_method(benchmark::State& state) {
  run_main(state,
           std::wstring(counter) +
               L"process main(string a) { D d; int i = 0; while (i < 100000) { d.bump(); ++i; } }",
           100000);
}
BENCHMARK(base_method)->Unit(benchmark::kMillisecond);

void construct_instances(benchmark::State& state) {
  run_main(state,
           std::wstring(counter) + L"process main(string a) { int i = 0; while (i < 10000) { D d; ++i; } }", 10000);
}
BENCHMARK(construct_instances)->Unit(benchmark::kMillisecond);

void conversion(benchmark::State& state) {
  run_main(state,
           L"class N { int v; operator int() { return v; } };\n"
           L"process main(string a) { N x; int i = 0; int s = 0; while (i < 100000) { s += int(x); ++i; } }",
           100000);
}
BENCHMARK(conversion)->Unit(benchmark::kMillisecond);

}  // namespace
