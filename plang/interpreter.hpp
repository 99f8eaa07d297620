// The script engine as the application owns it: the root namespace and the
// compiler that fills it.
#pragma once

#include <string>

#include "plang/factor/factor.hpp"
#include "plang/nspace.hpp"

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

  // Starts the process registered under the name with the arguments; an
  // unknown name throws std::out_of_range unchanged.
  handle start_named_process(const std::wstring& name, const factor::vector& args);

 private:
  nspace root_;
  // The compiler (and load_file, which runs it over a start-up script into
  // the root) is declared here, after the root, so it is built after it and
  // destroyed before it.
};

}  // namespace plang
