// Saving and loading the tag database "system.txt" for a store of 10,000
// tags with 5 folders each (1,000 folders on disk, each carrying 50 tags).
#include <benchmark/benchmark.h>

#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/fs/filesystem.hpp"
#include "tool/zentil/shared.hpp"

namespace {

constexpr int tag_count = 10000;
constexpr int folders_per_tag = 5;
constexpr int folder_count = 1000;

// A temporary current folder holding "root" with the folders, and the store
// built there; removed at exit.
class workspace {
 public:
  workspace() : previous_(std::filesystem::current_path()) {
    std::string pattern = (std::filesystem::temp_directory_path() / "zentil-bench-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp");
    folder_ = pattern;
    std::filesystem::current_path(folder_);
    std::filesystem::create_directory("root");
    store = std::make_unique<tool::zentil::shared>();
    std::vector<std::wstring> folders;
    for (int f = 0; f < folder_count; ++f) {
      folders.push_back(store->root_folder + L"/\u5199\u771F " + std::to_wstring(f));
      platform::fs::create_folder(folders.back());
    }
    for (int t = 0; t < tag_count; ++t)
      for (int k = 0; k < folders_per_tag; ++k)
        store->link_tag(folders[std::size_t((t * folders_per_tag + k) % folder_count)],
                        L"\u65C5\u884C_" + std::to_wstring(t));
    store->save_tag_database(L"system.txt");
  }
  ~workspace() {
    store.reset();
    std::filesystem::current_path(previous_);
    std::error_code ec;
    std::filesystem::remove_all(folder_, ec);
  }

  std::unique_ptr<tool::zentil::shared> store;

 private:
  std::filesystem::path previous_;
  std::filesystem::path folder_;
};

workspace& shared_workspace() {
  static workspace w;
  return w;
}

void BM_save_tag_database(benchmark::State& state) {
  workspace& w = shared_workspace();
  for (auto _ : state) w.store->save_tag_database(L"system.txt");
  state.counters["file_MB"] = double(std::filesystem::file_size("system.txt")) / 1e6;
}
BENCHMARK(BM_save_tag_database)->Unit(benchmark::kMillisecond);

void BM_load_tag_database(benchmark::State& state) {
  shared_workspace();
  for (auto _ : state) {
    tool::zentil::shared store;
    store.load_tag_database(L"system.txt");
    if (store.tag_map.size() != std::size_t(tag_count)) state.SkipWithError("tags lost");
    benchmark::DoNotOptimize(store.directory_map.size());
  }
}
BENCHMARK(BM_load_tag_database)->Unit(benchmark::kMillisecond);

}  // namespace
