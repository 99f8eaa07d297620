// Writes the tool benchmarks' working folder: make_tool_fixture FOLDER.
#include <cstdio>
#include <exception>

#include "bench/tool_fixture.hpp"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_tool_fixture FOLDER (a folder that does not exist yet)\n");
    return 2;
  }
  try {
    bench_fixture::make(argv[1]);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "make_tool_fixture: %s\n", e.what());
    return 1;
  }
  return 0;
}
