// Listing by a pattern over a folder of many entries: the pattern compiled
// once per listing, next to the cost of compiling it once per entry tested.
#include <benchmark/benchmark.h>

#include <boost/regex.hpp>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "lib/basic_filesystem.hpp"

namespace {

constexpr int entry_count = 2000;

// A folder of entry_count empty files, made once and removed at exit.
struct big_folder {
  std::string path;
  big_folder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "zentil-bench-XXXXXX").string();
    path = ::mkdtemp(pattern.data()) ? pattern : std::string();
    for (int i = 0; i < entry_count; ++i) std::ofstream(path + "/f" + std::to_string(i) + ".txt");
  }
  ~big_folder() {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
  }
  std::wstring wide() const { return std::wstring(path.begin(), path.end()); }
};

const big_folder& folder() {
  static const big_folder f;
  return f;
}

void BM_ListPattern(benchmark::State& state) {
  const std::wstring base = folder().wide();
  for (auto _ : state) benchmark::DoNotOptimize(lib::basic_filesystem<wchar_t>::ls(base, L"f1[0-9]*7.txt"));
  state.SetItemsProcessed(state.iterations() * entry_count);
}
BENCHMARK(BM_ListPattern);

// The same names tested with the pattern compiled anew for each of them.
void BM_CompilePerEntry(benchmark::State& state) {
  std::vector<std::wstring> names;
  for (int i = 0; i < entry_count; ++i) names.push_back(L"f" + std::to_wstring(i) + L".txt");
  const std::wstring pattern = L"f1[0-9]*7.txt";
  for (auto _ : state) {
    int matches = 0;
    for (const std::wstring& n : names) matches += boost::regex_match(n, boost::wregex(pattern));
    benchmark::DoNotOptimize(matches);
  }
  state.SetItemsProcessed(state.iterations() * entry_count);
}
BENCHMARK(BM_CompilePerEntry);

void BM_CompileOnce(benchmark::State& state) {
  std::vector<std::wstring> names;
  for (int i = 0; i < entry_count; ++i) names.push_back(L"f" + std::to_wstring(i) + L".txt");
  const std::wstring pattern = L"f1[0-9]*7.txt";
  for (auto _ : state) {
    const boost::wregex re(pattern);
    int matches = 0;
    for (const std::wstring& n : names) matches += boost::regex_match(n, re);
    benchmark::DoNotOptimize(matches);
  }
  state.SetItemsProcessed(state.iterations() * entry_count);
}
BENCHMARK(BM_CompileOnce);

}  // namespace
