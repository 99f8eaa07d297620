// Start-up of the program as whole processes in the tool fixture's working
// folder (made once): from the start of the process (the clock read here just
// before the spawn) to its first present (the stamp the platform layer writes,
// ZENTIL_PRESENT_STAMPS), both on the machine's monotonic clock.
//   headless: a scenario with no steps closes the window at the first frame;
//             also the whole run to its exit, the save of "system.txt"
//             included.
//   sdl:      on an X server of our own (Xvfb, skipped when there is none),
//             on the real clock; the window then closed by SIGTERM, which
//             must end the run with status 0 and the store saved.
// Anchor: window_host (the platform layer's window, display and one present,
// nothing else) timed the same way on the same backend, run alternately with
// the program; the ratio is the median of the pairs' ratios. Beside the wall
// times, the processor time used by the first present (the platform layer's
// stamp) and by the whole run (the reaped child's), which a loaded machine
// stretches less, and the program's own processor time to its first present
// (its figure minus window_host's in each pair, the median of the pairs)
// beside the goal for that size.
// Sizes: 100, 10,000 and 100,000 entries in "root" (the tool fixture scaled),
// headless; sdl at 10,000 only.
//
//   build/bench/bench/tool_startup_bench [--sizes=N,N...] [runs [program [other]]]
//
// runs: runs per figure (default 20, 5 at 100,000 entries); program: the
// zentil to time (default this build's); other: a second zentil (another
// build) run alternately with the first, each run in the same fixture.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "bench/tool_fixture.hpp"

extern char** environ;

namespace {

namespace fs = std::filesystem;

std::uint64_t monotonic_ns() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<std::uint64_t>(t.tv_sec) * 1000000000u + static_cast<std::uint64_t>(t.tv_nsec);
}

double ms(std::uint64_t from, std::uint64_t to) { return to >= from ? (to - from) * 1e-6 : -1; }

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

std::string read_file(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void write_file(const std::string& name, const std::string& bytes) {
  std::ofstream out(name, std::ios::binary | std::ios::trunc);
  out << bytes;
}

// The stamps file's "word number" lines.
std::map<std::string, std::uint64_t> read_stamps(const std::string& name) {
  std::map<std::string, std::uint64_t> out;
  std::istringstream in(read_file(name));
  std::string word;
  std::uint64_t value;
  while (in >> word >> value) out[word] = value;
  return out;
}

// The scratch folder: work/ (the fixture), bin/xdg-open (a stand-in that opens
// nothing, should a run fail and open its crash log), lock/, the scenario,
// the stamps and each run's standard error.
struct scratch {
  std::string top, work, stamps, scenario, errors, lock, bin;
  std::string database;  // the fixture's "system.txt", put back before each run
};

enum class backend { headless, sdl };

struct outcome {
  bool ok = false;
  double first_present = -1;  // ms from the spawn
  double exit = -1;           // ms from the spawn to the reaping
  double present_to_exit = -1;  // ms from the first present to the program's exit stamp
  double signal_to_exit = -1;  // sdl: ms from SIGTERM to the reaping
  double cpu_to_present = -1;  // ms of processor time used by the first present
  double cpu = -1;             // ms of processor time, user and system, of the whole run
  std::string why;
};

std::vector<std::string> child_environment(const scratch& s, backend b, const std::string& display) {
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) {
    const std::string v = *e;
    if (v.rfind("ZENTIL_", 0) == 0 || v.rfind("PATH=", 0) == 0 || v.rfind("DISPLAY=", 0) == 0 ||
        v.rfind("WAYLAND_DISPLAY=", 0) == 0 || v.rfind("SDL_VIDEODRIVER=", 0) == 0)
      continue;
    env.push_back(v);
  }
  const char* path = std::getenv("PATH");
  env.push_back("PATH=" + s.bin + ":" + (path ? path : "/usr/bin:/bin"));
  env.push_back("ZENTIL_LOCK_DIR=" + s.lock);
  env.push_back("ZENTIL_PRESENT_STAMPS=" + s.stamps);
  if (b == backend::headless) {
    env.push_back("ZENTIL_PLATFORM=headless");
    env.push_back("ZENTIL_SCENARIO=" + s.scenario);
  } else {
    env.push_back("ZENTIL_PLATFORM=sdl");
    env.push_back("SDL_VIDEODRIVER=x11");
    env.push_back("DISPLAY=" + display);
  }
  return env;
}

// One process of program in the working folder, from the spawn to the
// reaping; on sdl it is sent SIGTERM once its first present is stamped.
struct process_run {
  std::string why;  // empty: it ran, presented and was reaped
  int status = 0;
  std::uint64_t start = 0, signalled = 0, reaped = 0;
  double cpu = 0;  // ms, user and system, of the reaped process
  std::map<std::string, std::uint64_t> stamps;
};

process_run run_process(const scratch& s, const std::string& program, backend b, const std::string& display) {
  process_run r;
  std::remove(s.stamps.c_str());
  std::vector<std::string> env = child_environment(s, b, display);
  std::vector<char*> envp;
  for (std::string& v : env) envp.push_back(v.data());
  envp.push_back(nullptr);
  std::string name = program;
  char* argv[] = {name.data(), nullptr};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addchdir_np(&actions, s.work.c_str());
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, s.errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  pid_t pid = 0;
  r.start = monotonic_ns();
  const int failed = posix_spawn(&pid, argv[0], &actions, nullptr, argv, envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (failed) {
    r.why = "cannot be started: " + std::string(std::strerror(failed));
    return r;
  }
  if (b == backend::sdl) {
    // the window stays until it is closed: wait for its first present
    const std::uint64_t until = monotonic_ns() + 30000000000u;
    while (read_stamps(s.stamps).count("first-present") == 0 && monotonic_ns() < until) {
      if (::waitpid(pid, &r.status, WNOHANG) == pid) {
        r.why = "ended before its first present: " + read_file(s.errors);
        return r;
      }
      const timespec pause = {0, 500000};
      nanosleep(&pause, nullptr);
    }
    r.signalled = monotonic_ns();
    ::kill(pid, SIGTERM);
  }
  rusage usage;
  if (::wait4(pid, &r.status, 0, &usage) != pid) {
    r.why = "wait4 failed";
    return r;
  }
  r.reaped = monotonic_ns();
  r.cpu = (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
          (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-3;
  r.stamps = read_stamps(s.stamps);
  if (!WIFEXITED(r.status) || WEXITSTATUS(r.status) != 0)
    r.why = "did not end with status 0: " + read_file(s.errors);
  else if (!r.stamps.count("first-present") || !r.stamps.count("exit"))
    r.why = "no present stamps: " + read_file(s.errors);
  return r;
}

outcome timings(const process_run& r) {
  outcome o;
  o.ok = true;
  o.first_present = ms(r.start, r.stamps.at("first-present"));
  o.exit = ms(r.start, r.reaped);
  o.present_to_exit = ms(r.stamps.at("first-present"), r.stamps.at("exit"));
  if (r.signalled) o.signal_to_exit = ms(r.signalled, r.reaped);
  if (r.stamps.count("first-present-cpu")) o.cpu_to_present = r.stamps.at("first-present-cpu") * 1e-6;
  o.cpu = r.cpu;
  return o;
}

// One run of the program with the fixture's "system.txt" put back first;
// checked: it closed at the first frame (headless) and replaced the store.
outcome run_program(const scratch& s, const std::string& program, backend b, const std::string& display) {
  outcome o;
  const std::string database = s.work + "/system.txt";
  write_file(database, s.database);
  struct stat before;
  if (::stat(database.c_str(), &before) != 0) {
    o.why = "system.txt cannot be put back";
    return o;
  }
  process_run r = run_process(s, program, b, display);
  struct stat after;
  if (r.why.empty() && b == backend::headless && r.stamps["presents"] != 1)
    r.why = "the scenario did not close at the first frame";
  if (r.why.empty() && (::stat(database.c_str(), &after) != 0 || after.st_ino == before.st_ino))
    r.why = "system.txt was not saved";
  if (!r.why.empty()) {
    o.why = r.why;
    return o;
  }
  return timings(r);
}

// window_host in the same folder and environment.
outcome run_anchor(const scratch& s, const std::string& host, backend b, const std::string& display) {
  const process_run r = run_process(s, host, b, display);
  if (!r.why.empty()) {
    outcome o;
    o.why = r.why;
    return o;
  }
  return timings(r);
}

// An X server of our own: Xvfb picks a free display and writes its number to
// the pipe once it accepts connections.
struct x_server {
  pid_t pid = 0;
  std::string display;

  bool start() {
    int fds[2];
    if (::pipe(fds) != 0) return false;
    const std::string fd = std::to_string(fds[1]);
    std::vector<std::string> args = {"Xvfb", "-displayfd", fd, "-screen", "0", "1024x768x24", "-nolisten", "tcp"};
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const int failed = posix_spawnp(&pid, "Xvfb", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    if (failed) {
      ::close(fds[0]);
      pid = 0;
      return false;
    }
    std::string number;
    pollfd p = {fds[0], POLLIN, 0};
    char c;
    while (::poll(&p, 1, 10000) == 1 && ::read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    ::close(fds[0]);
    if (number.empty()) {
      stop();
      return false;
    }
    display = ":" + number;
    return true;
  }

  void stop() {
    if (pid <= 0) return;
    ::kill(pid, SIGTERM);
    int status;
    ::waitpid(pid, &status, 0);
    pid = 0;
  }
};

struct column {
  std::string name;
  std::vector<double> first_present, exit, present_to_exit, signal_to_exit, ratio, cpu_to_present, cpu, own_cpu;
};

void add(column& c, const outcome& o, const outcome& anchor) {
  c.first_present.push_back(o.first_present);
  c.exit.push_back(o.exit);
  if (o.present_to_exit >= 0) c.present_to_exit.push_back(o.present_to_exit);
  if (o.signal_to_exit >= 0) c.signal_to_exit.push_back(o.signal_to_exit);
  if (anchor.first_present > 0) c.ratio.push_back(o.first_present / anchor.first_present);
  c.cpu_to_present.push_back(o.cpu_to_present);
  c.cpu.push_back(o.cpu);
  c.own_cpu.push_back(o.cpu_to_present - anchor.cpu_to_present);
}

// The goal for the program's own processor time to its first present at a
// size; at 100,000 entries it is 11 times the 10,000 figure (linear), known
// only when that size was measured in the same sitting.
std::map<int, double>& own_figures() {
  static std::map<int, double> figures;
  return figures;
}

double median_of_own(int entries) { return own_figures()[entries]; }

std::string goal_text(int entries) {
  if (entries == 100) return "goal 20 ms";
  if (entries == 10000) return "goal 100 ms";
  if (entries == 100000) {
    const auto ten = own_figures().find(10000);
    if (ten == own_figures().end()) return "goal 11 x the 10,000 figure (not measured)";
    char text[96];
    std::snprintf(text, sizeof text, "goal 11 x %.2f = %.2f ms; ratio %.2f", ten->second, 11 * ten->second,
                  median_of_own(100000) / ten->second);
    return text;
  }
  return "no goal at this size";
}

void print_row(const char* what, const std::vector<column>& columns,
               const std::vector<double> column::*figure) {
  std::printf("  %-40s", what);
  for (const column& c : columns) std::printf(" %14.2f", median(c.*figure));
  std::printf("\n");
}

// Runs the programs alternately with the anchor on one backend and prints the
// medians; false when a run failed.
bool measure(const scratch& s, backend b, const std::string& display, const std::vector<std::string>& programs,
             const std::string& host, int runs, int entries) {
  std::vector<column> columns(programs.size() + 1);
  for (std::size_t i = 0; i < programs.size(); ++i) columns[i].name = i == 0 ? "program" : "other";
  columns.back().name = "window_host";
  for (int r = -1; r < runs; ++r) {  // run -1 warms the caches and is not counted
    const outcome anchor = run_anchor(s, host, b, display);
    if (!anchor.ok) {
      std::fprintf(stderr, "%s: %s\n", host.c_str(), anchor.why.c_str());
      return false;
    }
    for (std::size_t i = 0; i < programs.size(); ++i) {
      const outcome o = run_program(s, programs[i], b, display);
      if (!o.ok) {
        std::fprintf(stderr, "%s: %s\n", programs[i].c_str(), o.why.c_str());
        return false;
      }
      if (r >= 0) add(columns[i], o, anchor);
    }
    if (r >= 0) add(columns.back(), anchor, anchor);
  }
  std::printf("\n%d entries, %s backend, medians of %d runs, ms\n  %-40s", entries,
              b == backend::headless ? "headless" : "sdl (Xvfb)", runs, "");
  for (const column& c : columns) std::printf(" %14s", c.name.c_str());
  std::printf("\n");
  print_row("start to first present", columns, &column::first_present);
  if (b == backend::headless) {
    print_row("start to exit (reaped), save included", columns, &column::exit);
    std::printf("  %-40s", "first present to exit stamp");
    for (std::size_t i = 0; i + 1 < columns.size(); ++i) std::printf(" %14.2f", median(columns[i].present_to_exit));
    std::printf("\n");
  } else {
    print_row("SIGTERM to exit (reaped), save included", columns, &column::signal_to_exit);
  }
  std::printf("  %-40s", "first present / window_host's (pairs)");
  for (std::size_t i = 0; i + 1 < columns.size(); ++i) std::printf(" %14.2f", median(columns[i].ratio));
  std::printf("\n");
  print_row("processor time to first present", columns, &column::cpu_to_present);
  print_row("processor time, whole run", columns, &column::cpu);
  std::printf("  %-40s", "own processor time to first present");
  for (std::size_t i = 0; i + 1 < columns.size(); ++i) std::printf(" %14.2f", median(columns[i].own_cpu));
  if (b == backend::headless) {
    own_figures()[entries] = median(columns[0].own_cpu);
    std::printf("   (%s)", goal_text(entries).c_str());
  }
  std::printf("\n");
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<int> sizes = {100, 10000, 100000};
  int first = 1;
  if (argc > 1 && std::strncmp(argv[1], "--sizes=", 8) == 0) {
    sizes.clear();
    for (const char* p = argv[1] + 8; *p;) {
      char* next = nullptr;
      const long n = std::strtol(p, &next, 10);
      if (next == p || n < 2 || n % 2 != 0) {
        std::fprintf(stderr, "tool_startup_bench: --sizes takes even entry counts of at least 2\n");
        return 2;
      }
      sizes.push_back(static_cast<int>(n));
      p = *next == ',' ? next + 1 : next;
    }
    first = 2;
  }
  const int given_runs = argc > first ? std::max(1, std::atoi(argv[first])) : 0;
  std::vector<std::string> programs = {fs::absolute(argc > first + 1 ? argv[first + 1] : ZENTIL_TOOL_PROGRAM).string()};
  if (argc > first + 2) programs.push_back(fs::absolute(argv[first + 2]).string());
  const std::string host = ZENTIL_WINDOW_HOST;

  int status = 0;
  for (const int entries : sizes) {
    const int runs = given_runs ? given_runs : entries >= 100000 ? 5 : 20;
    char top_template[] = "/tmp/tool_startup_bench.XXXXXX";
    if (!mkdtemp(top_template)) return 1;
    scratch s;
    s.top = top_template;
    s.work = s.top + "/work";
    s.stamps = s.top + "/stamps.txt";
    s.scenario = s.top + "/scenario.txt";
    s.errors = s.top + "/stderr.txt";
    s.lock = s.top + "/lock";
    s.bin = s.top + "/bin";
    try {
      std::printf("\nmaking the fixture of %d entries in %s\n", entries, s.work.c_str());
      std::fflush(stdout);
      bench_fixture::make(s.work, entries);
      s.database = read_file(s.work + "/system.txt");
      fs::create_directories(s.lock);
      fs::create_directories(s.bin);
      write_file(s.bin + "/xdg-open", "#!/bin/sh\nexit 0\n");
      fs::permissions(s.bin + "/xdg-open", fs::perms::owner_all);
      write_file(s.scenario, "# no steps: the window closes at the first frame\n");
      for (const std::string& p : programs) std::printf("program: %s\n", p.c_str());

      if (!measure(s, backend::headless, "", programs, host, runs, entries)) status = 1;
      x_server x;
      if (status == 0 && entries == bench_fixture::default_entries) {
        if (!x.start()) {
          std::printf("\nsdl backend: no X server (Xvfb) could be started; skipped\n");
        } else {
          if (!measure(s, backend::sdl, x.display, programs, host, runs, entries)) status = 1;
          x.stop();
        }
      }
    } catch (const std::exception& e) {
      std::fprintf(stderr, "tool_startup_bench: %s\n", e.what());
      status = 1;
    }
    std::fflush(stdout);
    std::error_code ignored;
    fs::remove_all(s.top, ignored);
    if (status != 0) break;
  }
  return status;
}
