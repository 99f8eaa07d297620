// A whole process that starts the script engine: builds an interpreter, loads one script file through its
// include directories and runs scheduling passes until no process is left. startup_bench times it as a process.
//
//   startup_host FOLDER FILE    run the script FOLDER/FILE
//   startup_host FOLDER FILE PROCESS    and start its process PROCESS with one empty string argument
//   startup_host --tables       make the first code page 932 conversion (the tables' first use), and print how
//                               long that took in ns
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "plang/exception.hpp"
#include "plang/interpreter.hpp"
#include "plang/factor/string_.hpp"
#include "plang/nspace.hpp"
#include "platform/text/codepage.hpp"

namespace {

std::wstring wide(const char* s) { return std::wstring(s, s + std::strlen(s)); }

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "--tables") == 0) {
    const auto start = std::chrono::steady_clock::now();
    const int code = platform::text::narrow_code(L'a');  // the first conversion builds the tables
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - start);
    std::printf("%lld\n", static_cast<long long>(ns.count()));
    return code == 'a' ? 0 : 1;
  }
  if (argc != 3 && argc != 4) {
    std::fprintf(stderr, "usage: startup_host FOLDER FILE [PROCESS] | startup_host --tables\n");
    return 2;
  }
  try {
    plang::interpreter interp;
    interp.include_directories().push_back(wide(argv[1]));
    interp.load_file(wide(argv[2]));
    if (argc == 4) interp.start_named_process(wide(argv[3]), {plang::make_string(L"")});
    while (!interp.root().processes().empty()) interp.root().schedule_round();
  } catch (const plang::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  return 0;
}
