// The script compiler and the trees it builds: compiling a generated 5,000-line script (parse only, and parse
// plus the tree walk), and running compiled scripts the way the application does: a while loop summing
// 1..10^6 in a process stepped pass by pass, and a recursive fib(24).
#include <benchmark/benchmark.h>

#include <string>

#include <boost/make_shared.hpp>

#include "plang/factor/string_.hpp"
#include "plang/interpreter.hpp"
#include "plang/nspace.hpp"
#include "plang/semantic/semantic.hpp"

namespace {

// 500 functions of 9 lines, a global initialised by each of the first ones, and a process: 5,000 lines.
std::wstring generated_script() {
  std::wstring s = L"int g = 1;\n";
  for (int i = 0; i < 500; ++i) {
    const std::wstring n = std::to_wstring(i);
    s += L"int f" + n + L"(int a, int &b) {\n";
    s += L"  int x = a * 2 + b, y(3);\n";
    s += L"  if (x > 10 && y != 0) { x -= 3; } else { x += 1; }\n";
    s += L"  while (x > 0) { x -= 7; if (x == 2) break; }\n";
    s += L"  try { b += x; } catch (int e) { b = e; } catch () { }\n";
    s += L"  string t = \"line\\n\" + string(x);\n";
    s += L"  inline step(x); x = twice(x) + f0(x, b);\n";
    s += L"  return x + g + t.size();\n";
    s += L"}\n";
  }
  for (int i = 0; i < 498; ++i) s += L"int v" + std::to_wstring(i) + L" = " + std::to_wstring(i) + L";\n";
  s += L"process main(string a) { int b = 0; f1(1, b); }\n";
  return s;
}

void parse_5000_lines(benchmark::State& state) {
  const std::wstring text = generated_script();
  const plang::semantic<wchar_t> compiler;
  for (auto _ : state) {
    const plang::parse_info info = compiler.parse_source(text);
    if (!info.full) state.SkipWithError("the script did not parse whole");
  }
}
BENCHMARK(parse_5000_lines)->Unit(benchmark::kMillisecond);

void compile_5000_lines(benchmark::State& state) {
  const std::wstring text = generated_script();
  for (auto _ : state) {
    plang::semantic<wchar_t> compiler;
    plang::nspace root;
    plang::semantic<wchar_t>::include_stack stack;
    compiler.compile_str(text, &root, stack);
    if (root.functions().size() != 500) state.SkipWithError("the script did not compile whole");
  }
}
BENCHMARK(compile_5000_lines)->Unit(benchmark::kMillisecond);

// Compiles the text into a fresh interpreter, then runs "main" until no process is left.
void run_main(benchmark::State& state, const std::wstring& text) {
  plang::interpreter interp;
  plang::semantic<wchar_t> compiler;
  plang::semantic<wchar_t>::include_stack stack;
  compiler.compile_str(text, &interp.root(), stack);
  const plang::factor::vector args{boost::make_shared<plang::string_<wchar_t>>(L"arg")};
  for (auto _ : state) {
    interp.start_named_process(L"main", args);
    while (!interp.root().processes().empty()) interp.root().schedule_round();
  }
}

void script_while_sum(benchmark::State& state) {
  run_main(state, L"process main(string a) { int i = 0; int s = 0; while (i < 1000000) { ++i; s += i; } }");
  state.SetItemsProcessed(state.iterations() * 1000000);
}
BENCHMARK(script_while_sum)->Unit(benchmark::kMillisecond);

void script_fib(benchmark::State& state) {
  run_main(state,
           L"int fib(int n) { if (n < 2) return n; return fib(n - 1) + fib(n - 2); }\n"
           L"process main(string a) { int r = fib(24); }");
}
BENCHMARK(script_fib)->Unit(benchmark::kMillisecond);

}  // namespace
