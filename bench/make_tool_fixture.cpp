// Writes the tool benchmarks' working folder: make_tool_fixture FOLDER [ENTRIES].
#include <cstdio>
#include <cstdlib>
#include <exception>

#include "bench/tool_fixture.hpp"

int main(int argc, char** argv) {
  if (argc != 2 && argc != 3) {
    std::fprintf(stderr,
                 "usage: make_tool_fixture FOLDER [ENTRIES] (a folder that does not exist yet; 10000 entries)\n");
    return 2;
  }
  try {
    bench_fixture::make(argv[1], argc == 3 ? std::atoi(argv[2]) : bench_fixture::default_entries);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "make_tool_fixture: %s\n", e.what());
    return 1;
  }
  return 0;
}
