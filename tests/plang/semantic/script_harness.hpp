// Runs a script as the application does: the text is written as "extension.hpp" into a fresh folder, an
// interpreter with the test host functions loads it through its include directories, the process "main" is
// started with one string argument, and scheduling passes run until no process is left.
//
// Host functions: 'using::report(a, b, ...)' records one line, the describe texts of its arguments joined by
// ", "; 'using::pass()' gives the number of the current pass as an int (0 while the file compiles, 1 in the
// first pass).
#pragma once

#include <string>
#include <utility>
#include <vector>

#include <boost/make_shared.hpp>

#include "lib/string.hpp"
#include "plang/exception.hpp"
#include "plang/factor/nil.hpp"
#include "plang/factor/signed_.hpp"
#include "plang/factor/string_.hpp"
#include "plang/interpreter.hpp"
#include "plang/nspace.hpp"
#include "support/temp_folder.hpp"

namespace plang::test {

struct script_result {
  std::vector<std::string> reports;
  // The text of the error that ended the run, with the script's folder written as "<dir>"; empty when the
  // run ended with no process left.
  std::string error;
};

// A run that takes more passes than this is reported as not finishing.
constexpr unsigned max_passes = 100000;

// Other files of the script's folder, for includes: {name, text}.
using file_list = std::vector<std::pair<std::string, std::string>>;

inline script_result run_script(const std::string& text, const file_list& files = {},
                                const std::wstring& argument = L"arg") {
  support::temp_folder folder;
  folder.file("extension.hpp", text);
  for (const auto& f : files) folder.file(f.first, f.second);
  script_result out;
  unsigned pass = 0;
  try {
    interpreter interp;
    table::native& natives = interp.root().natives();
    natives.define(L"report", [&out](factor::vector& args) {
      std::string line;
      for (const handle& v : args) line += (line.empty() ? "" : ", ") + v->describe();
      out.reports.push_back(line);
      return make_nil();
    });
    natives.define(L"pass", [&pass](factor::vector&) -> handle {
      return boost::make_shared<signed_<int>>(static_cast<int>(pass));
    });
    interp.include_directories().push_back(folder.wpath());
    interp.load_file(L"extension.hpp");
    interp.start_named_process(L"main", factor::vector{boost::make_shared<string_<wchar_t>>(argument)});
    while (!interp.root().processes().empty()) {
      if (++pass > max_passes) {
        out.error = "did not finish";
        return out;
      }
      interp.root().schedule_round();
    }
  } catch (const exception& e) {
    out.error = e.what();
  } catch (const std::exception& e) {
    out.error = std::string("not a plang::exception: ") + e.what();
  }
  for (std::size_t at; (at = out.error.find(folder.path())) != std::string::npos;)
    out.error.replace(at, folder.path().size(), "<dir>");
  return out;
}

// The chain in front of every error that the compile of "extension.hpp" raises.
inline const std::string compile_chain =
    "plang/semantic/semantic(43) plang::semantic<wchar_t>::compile_this: compile failure, dir=<dir>, "
    "path=extension.hpp\n>\tplang/semantic/semantic(86) plang::semantic<wchar_t>::compile_str: semantic failure\n>\t";

}  // namespace plang::test
