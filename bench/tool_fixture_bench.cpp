// Over the seeded working folder of 10,000 entries: text_fit of every entry
// name (and the character-by-character fit it replaced), the load of its
// "system.txt" (1,000 tags x 20 folders and one tag x 5,000 folders), and an
// anchor, a fixed sort, that the figures are given as ratios to.
#include <benchmark/benchmark.h>

#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/tool_fixture.hpp"
#include "dx/windows.hpp"
#include "lib/string.hpp"
#include "platform/platform.hpp"
#include "tool/zentil/shared.hpp"
#include "ui/drawing.hpp"
#include "ui/text.hpp"

namespace {

using bench_fixture::workspace;

workspace& shared_workspace() {
  static workspace w;
  return w;
}

// The media layer on the headless backend, started once through the wrapper.
bool media_started() {
  static const bool started = [] {
    if (platform::select_backend("headless") < 0) return false;
    try {
      dx::windows::initialize();
    } catch (const std::exception&) {
      return false;
    }
    return true;
  }();
  return started;
}

// A directory row's name column.
constexpr unsigned fit_limit = 400;

void BM_anchor_sort(benchmark::State& state) {
  std::mt19937 random(1);
  std::vector<unsigned> values(100000);
  for (unsigned& v : values) v = random();
  for (auto _ : state) {
    std::vector<unsigned> copy = values;
    std::sort(copy.begin(), copy.end());
    benchmark::DoNotOptimize(copy.data());
  }
}
BENCHMARK(BM_anchor_sort)->Unit(benchmark::kMillisecond);

void BM_text_fit(benchmark::State& state) {
  if (!media_started()) return state.SkipWithError("the media layer did not start");
  const std::vector<std::wstring>& names = bench_fixture::entry_names();
  for (auto _ : state)
    for (const std::wstring& name : names) benchmark::DoNotOptimize(ui::text::text_fit(name, fit_limit).width);
}
BENCHMARK(BM_text_fit)->Unit(benchmark::kMillisecond);

// The fit before: one character off the end, the whole shown text measured
// again, until it is narrower than the limit.
void BM_text_fit_remeasure(benchmark::State& state) {
  if (!media_started()) return state.SkipWithError("the media layer did not start");
  const std::vector<std::wstring>& names = bench_fixture::entry_names();
  for (auto _ : state)
    for (std::wstring work : names) {
      std::string shown = lib::string::convert<std::string>(work);
      while (!work.empty()) {
        if (static_cast<unsigned>(ui::string_width(shown)) < fit_limit) break;
        work.pop_back();
        shown = lib::string::convert<std::string>(work + L"...");
      }
      // the text widget made from the result measures it once more
      benchmark::DoNotOptimize(ui::string_width(shown));
    }
}
BENCHMARK(BM_text_fit_remeasure)->Unit(benchmark::kMillisecond);

void BM_load_tool_database(benchmark::State& state) {
  shared_workspace();
  for (auto _ : state) {
    tool::zentil::shared store;
    store.load_tag_database(L"system.txt");
    if (store.tag_map.size() != std::size_t(bench_fixture::tag_count + 1)) state.SkipWithError("tags lost");
    benchmark::DoNotOptimize(store.directory_map.size());
  }
}
BENCHMARK(BM_load_tool_database)->Unit(benchmark::kMillisecond);

}  // namespace
