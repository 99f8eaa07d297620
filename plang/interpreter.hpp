// The script engine as the application owns it: the root namespace and the
// compiler that fills it.
#pragma once

#include <list>
#include <string>

#include "plang/factor/factor.hpp"
#include "plang/nspace.hpp"
#include "plang/semantic/semantic.hpp"

namespace plang {

class interpreter {
 public:
  interpreter() = default;
  // Empties the class registry first (class objects share it), then the
  // compiler and the root namespace go.
  ~interpreter();
  interpreter(const interpreter&) = delete;
  interpreter& operator=(const interpreter&) = delete;

  nspace& root() { return root_; }

  // Folders where load_file looks for its script, in order; the host fills them before loading.
  std::list<std::wstring>& include_directories() { return compiler_.include_directories(); }

  // Compiles the script file, found through the include directories, and everything it includes into the
  // root. A file already compiled by this interpreter is not compiled again.
  void load_file(const std::wstring& path);

  // Starts the process registered under the name with the arguments; an
  // unknown name throws std::out_of_range unchanged.
  handle start_named_process(const std::wstring& name, const factor::vector& args);

 private:
  nspace root_;
  // Declared after the root, so it is built after it and destroyed before it.
  semantic<wchar_t> compiler_;
};

}  // namespace plang
