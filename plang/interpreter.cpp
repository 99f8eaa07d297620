// The interpreter object.
#include "plang/interpreter.hpp"

namespace plang {

interpreter::~interpreter() {
  // One entry at a time, each released after it has left the registry.
  nspace::class_registry& classes = root_.classes();
  while (!classes.empty()) {
    auto it = classes.begin();
    boost::shared_ptr<nspace> released = std::move(it->second);
    classes.erase(it);
  }
  // Processes still running hold class instances, which share the process
  // list: release them while the list is still reachable.
  root_.processes().clear();
}

void interpreter::load_file(const std::wstring& path) {
  semantic<wchar_t>::include_stack stack;
  compiler_.compile_file(path, &root_, stack);
}

handle interpreter::start_named_process(const std::wstring& name, const factor::vector& args) {
  return root_.start_process(root_.ids().find(L"p?" + name), args);
}

}  // namespace plang
