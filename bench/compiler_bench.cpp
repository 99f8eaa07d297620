// The script compiler and the trees it builds: compiling a generated 5,000-line script (parse only, and parse
// plus the tree walk), and running compiled scripts the way the application does: a while loop summing
// 1..10^6 in a process stepped pass by pass, and a recursive fib(24).
#include <benchmark/benchmark.h>

#include <string>

#include "bench/script_bench.hpp"
#include "plang/nspace.hpp"
#include "plang/semantic/semantic.hpp"

namespace {

void parse_5000_lines(benchmark::State& state) {
  const std::wstring text = bench::generated_script();
  const plang::semantic<wchar_t> compiler;
  for (auto _ : state) {
    const plang::parse_info info = compiler.parse_source(text);
    if (!info.full) state.SkipWithError("the script did not parse whole");
  }
}
BENCHMARK(parse_5000_lines)->Unit(benchmark::kMillisecond);

void compile_5000_lines(benchmark::State& state) {
  const std::wstring text = bench::generated_script();
  for (auto _ : state) {
    plang::semantic<wchar_t> compiler;
    plang::nspace root;
    plang::semantic<wchar_t>::include_stack stack;
    compiler.compile_str(text, &root, stack);
    if (root.functions().size() != 500) state.SkipWithError("the script did not compile whole");
  }
}
BENCHMARK(compile_5000_lines)->Unit(benchmark::kMillisecond);

void script_while_sum(benchmark::State& state) {
  bench::run_main(state, L"process main(string a) { int i = 0; int s = 0; while (i < 1000000) { ++i; s += i; } }",
                  1000000);
}
BENCHMARK(script_while_sum)->Unit(benchmark::kMillisecond);

void script_fib(benchmark::State& state) {
  bench::run_main(state,
                  L"int fib(int n) { if (n < 2) return n; return fib(n - 1) + fib(n - 2); }\n"
                  L"process main(string a) { int r = fib(24); }");
}
BENCHMARK(script_fib)->Unit(benchmark::kMillisecond);

}  // namespace
