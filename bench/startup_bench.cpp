// Start-up of the script engine as whole processes: startup_host running an empty script file against lua5.4
// running an empty file, 20 runs each taken alternately, medians and their ratio; then the code page 932 table
// build alone, as the host reports it.
//
//   build/bench/bench/startup_bench [runs [host]]    (host: another build's startup_host, to compare builds)
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

// Runs the command to its end; its output goes to the file (or nowhere). The wall time in seconds, or a
// negative number when it could not run or failed.
double run(const std::vector<std::string>& command, const char* output = "/dev/null") {
  std::vector<char*> argv;
  for (const std::string& a : command) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, output, O_WRONLY | O_CREAT | O_TRUNC, 0644);
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = 0;
  const int failed = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (failed) return -1;
  int status = 0;
  if (waitpid(pid, &status, 0) != pid) return -1;
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? took.count() : -1;
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
  const std::string host = argc > 2 ? argv[2] : ZENTIL_STARTUP_HOST;
  char folder_template[] = "/tmp/startup_bench.XXXXXX";
  const char* folder = mkdtemp(folder_template);
  if (!folder) return 1;
  const std::string dir = folder, script = dir + "/empty.txt", lua = dir + "/empty.lua", out = dir + "/out";
  std::ofstream(script).flush();
  std::ofstream(lua).flush();

  std::vector<double> ours, theirs, tables;
  for (int i = 0; i < runs; ++i) {
    const double a = run({host, dir, "empty.txt"});
    const double b = run({"lua5.4", lua});
    if (a < 0) {
      std::fprintf(stderr, "startup_host failed\n");
      return 1;
    }
    ours.push_back(a);
    if (b >= 0) theirs.push_back(b);
    if (run({host, "--tables"}, out.c_str()) < 0) return 1;
    std::ifstream reported(out);
    double ns = 0;
    if (reported >> ns) tables.push_back(ns * 1e-9);
  }
  std::remove(script.c_str());
  std::remove(lua.c_str());
  std::remove(out.c_str());
  rmdir(folder);

  std::printf("%-34s %10s\n", ("medians of " + std::to_string(runs) + " runs").c_str(), "ms");
  std::printf("%-34s %10.3f\n", "startup_host, empty script", median(ours) * 1e3);
  if (!theirs.empty()) std::printf("%-34s %10.3f\n", "lua5.4, empty file", median(theirs) * 1e3);
  std::printf("%-34s %10.3f\n", "code page 932 tables alone", median(tables) * 1e3);
  if (!theirs.empty()) std::printf("%-34s %10.2f\n", "ours/lua5.4", median(ours) / median(theirs));
  return 0;
}
