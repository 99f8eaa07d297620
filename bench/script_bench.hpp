// Scripts run the way the application runs them, for the benchmarks: an interpreter compiles a script file found
// through its include directories (or a text, into the same root), the process "main" is started with one string
// argument, and scheduling passes run until no process is left. Also the generated 5,000-line script that the
// compile benchmarks share.
#pragma once

#include <cstdint>
#include <string>

#include <benchmark/benchmark.h>
#include <boost/make_shared.hpp>

#include "plang/exception.hpp"
#include "plang/factor/nil.hpp"
#include "plang/factor/string_.hpp"
#include "plang/interpreter.hpp"
#include "plang/nspace.hpp"
#include "plang/semantic/semantic.hpp"

namespace bench {

class script_host {
 public:
  // Host function 'using::result(v)' keeps the describe text of its argument, so a benchmark can check what its
  // script computed.
  script_host() {
    interp_.root().natives().define(L"result", [this](plang::factor::vector& args) {
      result_ = args.empty() ? std::string() : args[0]->describe();
      return plang::make_nil();
    });
  }

  plang::interpreter& interpreter() { return interp_; }
  const std::string& result() const { return result_; }

  // Compiles the file, found through the folder, as the application loads its script.
  void load_file(const std::wstring& folder, const std::wstring& file) {
    interp_.include_directories().push_back(folder);
    interp_.load_file(file);
  }
  // Compiles the text into the root as the text of a file.
  void compile(const std::wstring& text) {
    plang::semantic<wchar_t>::include_stack stack;
    compiler_.compile_str(text, &interp_.root(), stack);
  }

  // Starts the named process with one string argument.
  void start(const std::wstring& name = L"main") { interp_.start_named_process(name, args_); }
  // Scheduling passes until no process is left; returns how many.
  std::uint64_t run_passes() {
    std::uint64_t passes = 0;
    while (!interp_.root().processes().empty()) {
      interp_.root().schedule_round();
      ++passes;
    }
    return passes;
  }
  std::uint64_t run_main() {
    start();
    return run_passes();
  }

 private:
  plang::interpreter interp_;
  plang::semantic<wchar_t> compiler_;
  const plang::factor::vector args_{boost::make_shared<plang::string_<wchar_t>>(L"arg")};
  std::string result_;
};

// Compiles the text, then runs "main" to the end once per iteration. A script error ends the benchmark with its
// text.
inline void run_main(benchmark::State& state, const std::wstring& text, std::int64_t items = 0) {
  try {
    script_host host;
    host.compile(text);
    for (auto _ : state) host.run_main();
  } catch (const plang::exception& e) {
    state.SkipWithError(e.what());
  }
  if (items) state.SetItemsProcessed(state.iterations() * items);
}

// A global, 500 functions of 9 lines (declarations, if/else, while/break, try/catch, a string join and a cast, an
// inline statement, two calls and a return), 498 more globals and a process: 5,000 lines.
inline std::wstring generated_script() {
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

}  // namespace bench
