// Our script interpreter and Lua 5.4 side by side on the same eight programs: a while loop summing 1..10^6,
// recursive fib(24), 10^4 string concatenations, 10^5 vector appends then an indexed sum, 10^5 hash inserts then
// lookups, 10^5 method calls, compiling a generated 5,000-line script, and 1,000 processes (coroutines in Lua) of
// 100 steps each. Our scripts are bench/scripts/*.hpp, loaded and run as the application runs its script; each Lua
// program, bench/lua/*.lua, returns the function that one iteration calls through the C API. After the runs the
// program prints the ratio ours/Lua of each program's median real time. Without Lua only our side runs.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "bench/script_bench.hpp"

#ifdef ZENTIL_HAVE_LUA
#include <lua.hpp>
#endif

namespace {

const std::string source_dir = ZENTIL_BENCH_SOURCE_DIR;

// How our side runs a program: "main" to the end, a compile of the generated script, or 1,000 processes.
enum class kind { main, compile, processes };

// A program: its name, how ours runs and its script, the Lua file, and the number that both compute (ours wraps at
// 32 bits; 0: the Lua function gives a compiled chunk).
struct program {
  const char* name;
  kind how;
  const char* ours;
  const char* lua;
  std::int64_t result;
};

const program programs[] = {
    {"1_while_sum", kind::main, "while_sum.hpp", "while_sum.lua", 500000500000},
    {"2_fib", kind::main, "fib.hpp", "fib.lua", 46368},
    {"3_concat", kind::main, "concat.hpp", "concat.lua", 10000},
    {"4_vector", kind::main, "vector.hpp", "vector.lua", 4999950000},
    {"5_hash", kind::main, "hash.hpp", "hash.lua", 4999950000},
    {"6_method_calls", kind::main, "method_calls.hpp", "method_calls.lua", 100000},
    {"7_compile", kind::compile, nullptr, "compile_5000.lua", 0},
    {"8_processes", kind::processes, "processes.hpp", "processes.lua", 101},  // Lua: the passes its round-robin took
};

constexpr int process_count = 1000;

std::string wrapped(std::int64_t v) {
  return std::to_string(static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(v))));
}

// The text in parentheses of a describe text, "int(46368)" gives "46368".
std::string described_number(const std::string& d) {
  const auto open = d.find('('), close = d.rfind(')');
  return open == std::string::npos || close < open ? d : d.substr(open + 1, close - open - 1);
}

std::wstring wide(const std::string& s) { return std::wstring(s.begin(), s.end()); }

void ours_run(benchmark::State& state, const program& p) {
  try {
    bench::script_host host;
    host.load_file(wide(source_dir + "/scripts"), wide(p.ours));
    std::uint64_t passes = 0;
    for (auto _ : state) passes = host.run_main();
    if (described_number(host.result()) != wrapped(p.result))
      state.SkipWithError(("computed " + host.result() + ", not " + wrapped(p.result)).c_str());
    state.counters["passes"] = static_cast<double>(passes);
  } catch (const plang::exception& e) {
    state.SkipWithError(e.what());
  }
}

void ours_compile(benchmark::State& state, const program&) {
  const std::wstring text = bench::generated_script();
  try {
    for (auto _ : state) {
      bench::script_host host;
      host.compile(text);
      if (host.interpreter().root().functions().size() != 500) state.SkipWithError("the script did not compile whole");
    }
  } catch (const plang::exception& e) {
    state.SkipWithError(e.what());
  }
}

// The host starts the processes, then runs passes until none is left.
void ours_processes(benchmark::State& state, const program& p) {
  try {
    bench::script_host host;
    host.load_file(wide(source_dir + "/scripts"), wide(p.ours));
    std::uint64_t passes = 0;
    for (auto _ : state) {
      for (int i = 0; i < process_count; ++i) host.start(L"worker");
      passes = host.run_passes();
    }
    state.counters["passes"] = static_cast<double>(passes);
    state.counters["per_pass"] = benchmark::Counter(static_cast<double>(state.iterations() * passes),
                                                    benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  } catch (const plang::exception& e) {
    state.SkipWithError(e.what());
  }
}

#ifdef ZENTIL_HAVE_LUA

// A state with the standard libraries; closed at the end.
class lua_host {
 public:
  lua_host() : L(luaL_newstate()) { luaL_openlibs(L); }
  ~lua_host() { lua_close(L); }
  lua_host(const lua_host&) = delete;
  lua_host& operator=(const lua_host&) = delete;

  // Runs the file, which returns a function, and keeps that function on the stack; false with the error text
  // on failure.
  bool load_function(const std::string& path, std::string& error) {
    if (luaL_dofile(L, path.c_str()) != LUA_OK || !lua_isfunction(L, -1)) {
      error = lua_isstring(L, -1) ? lua_tostring(L, -1) : path + " did not return a function";
      return false;
    }
    return true;
  }

  lua_State* const L;
};

void lua_run(benchmark::State& state, const program& p) {
  lua_host lua;
  std::string error;
  if (!lua.load_function(source_dir + "/lua/" + p.lua, error)) {
    state.SkipWithError(error.c_str());
    return;
  }
  lua_Integer result = 0;
  bool chunk = false;
  for (auto _ : state) {
    lua_pushvalue(lua.L, -1);
    if (lua_pcall(lua.L, 0, 1, 0) != LUA_OK) {
      state.SkipWithError(lua_tostring(lua.L, -1));
      return;
    }
    chunk = lua_isfunction(lua.L, -1);
    result = lua_tointeger(lua.L, -1);
    lua_pop(lua.L, 1);
  }
  if (p.result ? result != p.result : !chunk) state.SkipWithError(("computed " + std::to_string(result)).c_str());
}

#endif

// Keeps each benchmark's real times (per iteration, in seconds) as the console shows them, then prints one line
// per program: the median of ours, of Lua, and their ratio.
class ratio_reporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs) {
      if (r.error_occurred || (r.run_type == Run::RT_Aggregate && r.aggregate_name != "median")) continue;
      const double seconds = r.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(r.time_unit);
      if (r.run_type == Run::RT_Aggregate)
        medians_[r.run_name.str()] = seconds;
      else
        times_[r.run_name.str()].push_back(seconds);
    }
    ConsoleReporter::ReportRuns(runs);
  }

  void print_ratios() {
    std::printf("\n%-14s %12s %12s %10s\n", "program", "ours (ms)", "Lua (ms)", "ours/Lua");
    for (const std::string& p : names_) {
      const double ours = median(p + "/ours"), lua = median(p + "/lua");
      if (ours <= 0) continue;
      if (lua > 0)
        std::printf("%-14s %12.3f %12.3f %10.1f\n", p.c_str(), ours * 1e3, lua * 1e3, ours / lua);
      else
        std::printf("%-14s %12.3f %12s %10s\n", p.c_str(), ours * 1e3, "-", "-");
    }
  }

  std::vector<std::string> names_;

 private:
  double median(const std::string& name) {
    const auto m = medians_.find(name);
    if (m != medians_.end()) return m->second;
    std::vector<double>& t = times_[name];
    if (t.empty()) return 0;
    std::sort(t.begin(), t.end());
    return t[t.size() / 2];
  }

  std::map<std::string, double> medians_;
  std::map<std::string, std::vector<double>> times_;
};

}  // namespace

int main(int argc, char** argv) {
  // Both interpreters allocate and free megabytes per run. Left to itself
  // the C library returns freed heap to the system or keeps it depending on
  // what ran before (another program's allocations at the top of the heap
  // keep it), and on this kind of virtual machine faulting the memory in
  // again costs more than the work: one side's figure would then depend on
  // the order of the programs. The heap is kept for both instead, so each
  // figure is the program's steady state. `--heap=default` leaves the C
  // library's own policy.
  bool keep_heap = true;
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]) == "--heap=default") {
      keep_heap = false;
      for (int j = i; j + 1 < argc; ++j) argv[j] = argv[j + 1];
      --argc;
      break;
    }
  }
  if (keep_heap) {
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
  }
  ratio_reporter reporter;
  for (const program& p : programs) {
    reporter.names_.push_back(p.name);
    const auto ours = p.how == kind::compile ? ours_compile : p.how == kind::processes ? ours_processes : ours_run;
    benchmark::RegisterBenchmark((std::string(p.name) + "/ours").c_str(), ours, p)->Unit(benchmark::kMillisecond);
#ifdef ZENTIL_HAVE_LUA
    benchmark::RegisterBenchmark((std::string(p.name) + "/lua").c_str(), lua_run, p)->Unit(benchmark::kMillisecond);
#endif
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.print_ratios();
  benchmark::Shutdown();
  return 0;
}
