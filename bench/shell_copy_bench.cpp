// Copies through the shell layer (worker thread, 1 MiB chunks, the progress
// loop waiting) against cp -r on the same disk: 1 GiB as one file and as
// 10,000 files, and one small file, where the worker's start and end are all
// there is besides the copy. Data lives under ZENTIL_BENCH_DIR (default: the
// current folder); dirty pages are written out before each timed copy.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/shell/shell.hpp"
#include "platform/text/codepage.hpp"

namespace {

namespace sfs = std::filesystem;
constexpr std::size_t gib = std::size_t(1) << 30;

std::string root()
{
    const char* dir = std::getenv("ZENTIL_BENCH_DIR");
    return (sfs::path(dir ? dir : ".") / "shell_copy_bench").string();
}

void write_file(const std::string& path, std::size_t size)
{
    if (sfs::exists(path) && sfs::file_size(path) == size) return;
    std::vector<char> block(1 << 20);
    for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>(i * 7 + size);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    for (std::size_t left = size; left > 0;) {
        const std::size_t n = std::min(left, block.size());
        if (::write(fd, block.data(), n) != static_cast<ssize_t>(n)) std::abort();
        left -= n;
    }
    ::close(fd);
}

// The sources, made once: "one.bin" (1 GiB), "many" (10,000 files of
// 1 GiB / 10,000), "small.bin" (64 KiB).
const std::string& sources()
{
    static const std::string r = [] {
        const std::string r = root();
        sfs::create_directories(r + "/many");
        write_file(r + "/one.bin", gib);
        for (int i = 0; i < 10000; ++i) write_file(r + "/many/f" + std::to_string(i), gib / 10000);
        write_file(r + "/small.bin", 64 << 10);
        ::sync();
        return r;
    }();
    return r;
}

void run(benchmark::State& state, const std::string& name, bool shell, std::size_t bytes)
{
    const std::string from = sources() + "/" + name, to = root() + "/copy";
    for (auto _ : state) {
        state.PauseTiming();
        sfs::remove_all(to);
        ::sync();
        state.ResumeTiming();
        if (shell) {
            std::wstring renamed;
            if (platform::shell::system_shell().copy(platform::text::from_utf8(from), platform::text::from_utf8(to),
                                                     renamed) != 0)
                state.SkipWithError("shell copy failed");
        } else if (std::system(("cp -r '" + from + "' '" + to + "'").c_str()) != 0) {
            state.SkipWithError("cp failed");
        }
    }
    sfs::remove_all(to);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}

void BM_shell_one_file(benchmark::State& s) { run(s, "one.bin", true, gib); }
void BM_cp_one_file(benchmark::State& s) { run(s, "one.bin", false, gib); }
void BM_shell_10000_files(benchmark::State& s) { run(s, "many", true, gib); }
void BM_cp_10000_files(benchmark::State& s) { run(s, "many", false, gib); }
void BM_shell_small_file(benchmark::State& s) { run(s, "small.bin", true, 64 << 10); }
void BM_cp_small_file(benchmark::State& s) { run(s, "small.bin", false, 64 << 10); }

// The two sides alternate, so both see the same state of the disk.
BENCHMARK(BM_shell_one_file)->Iterations(3)->Repetitions(3)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_cp_one_file)->Iterations(3)->Repetitions(3)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_shell_10000_files)->Iterations(2)->Repetitions(3)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_cp_10000_files)->Iterations(2)->Repetitions(3)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_shell_small_file)->Iterations(200)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_cp_small_file)->Iterations(200)->UseRealTime()->Unit(benchmark::kMicrosecond);

}  // namespace
