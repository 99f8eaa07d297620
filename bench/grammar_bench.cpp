// Parse speed of the script grammar on a script of ordinary shape, and on a deeply nested expression.
#include <benchmark/benchmark.h>

#include <string>

#include "plang/grammar.hpp"

namespace {

// A script of n units, each a class, a function, an inline definition and a process with typical statements.
std::wstring ordinary_script(int n) {
  std::wstring s = L"#include <lib/util.hpp>\n";
  for (int i = 0; i < n; ++i) {
    const std::wstring k = std::to_wstring(i);
    s += L"class Point" + k + L" {\n  int x, y;\n  Point" + k + L"(int a, int b) : x(a), y(b) { }\n" +
         L"  operator string () { return string(x) + \",\" + string(y); }\n  int sum() { return x + y; }\n};\n";
    s += L"int add" + k + L"(int a, int b) {\n  int c = a + b * 2, &r = c;\n  while (c > 0) { c -= 1; }\n" +
         L"  if (!(a == b) && c <= 3) return c; else return -1;\n}\n";
    s += L"inline step" + k + L"(string path) {\n  vector v(3, 0);\n  v.push_back(1.5e+3);\n" +
         L"  try { using::open(path, \"param\"); } catch (bad_cast e) { throw e; } catch () { }\n}\n";
    s += L"process worker" + k + L"(string path) {\n  inline step" + k + L"(path);\n  x =-y;\n  ;\n}\n";
  }
  return s;
}

void BM_ParseOrdinaryScript(benchmark::State& state) {
  const plang::grammar g;
  const std::wstring text = ordinary_script(int(state.range(0)));
  for (auto _ : state) {
    plang::parse_info info = g.parse(plang::rule::program, text);
    if (!info.full) state.SkipWithError("script did not parse");
    benchmark::DoNotOptimize(info);
  }
  state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(text.size()));
}
BENCHMARK(BM_ParseOrdinaryScript)->Arg(10)->Arg(100);

void BM_ParseNestedParentheses(benchmark::State& state) {
  const plang::grammar g;
  const int n = int(state.range(0));
  const std::wstring text = std::wstring(std::size_t(n), L'(') + L"x" + std::wstring(std::size_t(n), L')');
  for (auto _ : state) benchmark::DoNotOptimize(g.parse(plang::rule::expression, text));
}
BENCHMARK(BM_ParseNestedParentheses)->Arg(100)->Arg(100000);

void BM_BuildGrammar(benchmark::State& state) {
  for (auto _ : state) {
    plang::grammar g;
    benchmark::DoNotOptimize(&g);
  }
}
BENCHMARK(BM_BuildGrammar);

}  // namespace
