// Namespaces, process start and the scheduling pass.
#include "plang/nspace.hpp"

#include <boost/make_shared.hpp>

#include "plang/exception.hpp"
#include "plang/factor/nil.hpp"
#include "plang/process.hpp"
#include "plang/scope.hpp"

namespace plang {
namespace {
constexpr char source[] = "plang/nspace";
}

nspace::nspace()
    : parent_(nullptr),
      variables_(nullptr),
      classes_(boost::make_shared<class_registry>()),
      process_definitions_(boost::make_shared<table::process>()),
      processes_(boost::make_shared<process_list>()),
      ids_(boost::make_shared<idm>()) {}

nspace::nspace(nspace* parent, std::wstring name)
    : name_(std::move(name)),
      parent_(parent),
      variables_(&parent->variables_),
      classes_(parent->classes_),
      process_definitions_(boost::make_shared<table::process>()),
      processes_(parent->processes_),
      ids_(parent->ids_) {}

nspace& nspace::root() {
  nspace* n = this;
  while (n->parent_) n = n->parent_;
  return *n;
}

boost::shared_ptr<scope> nspace::process_definition(std::uint32_t pid, const factor::vector& args) {
  static constexpr char function[] = "plang::nspace<wchar_t,class plang::process<wchar_t> >::process_definition";
  try {
    if (const table::definition* def = process_definitions_->find(signature_of(args), pid)) {
      runtime here{&variables_, this};
      return table::activate(*def, args, &here);
    }
  } catch (const std::exception&) {
    // a failed activation counts as no match here
  }
  if (parent_) {
    try {
      return parent_->process_definition(pid, args);
    } catch (const std::exception& e) {
      throw exception(source, "catch exception, pid=", function, 110)
          .append_detail(ids_->find_str(pid))
          .append_detail(" " + describe_arguments(args))
          .chain_cause(e);
    }
  }
  throw exception(source, "undefined process id, pid=", function, 112)
      .append_detail(ids_->find_str(pid))
      .append_detail(" " + describe_arguments(args));
}

handle nspace::start_process(std::uint32_t pid, const factor::vector& args) {
  try {
    boost::shared_ptr<scope> body = process_definition(pid, args);
    nspace& top = root();
    processes_->push_back(boost::make_shared<process>(pid, std::move(body), &top));
    // Stand-in until process handle values exist: the caller gets nil.
    return make_nil();
  } catch (const std::exception& e) {
    throw exception(source, "fail to start process",
                    "plang::nspace<wchar_t,class plang::process<wchar_t> >::start_process", 122)
        .chain_cause(e);
  }
}

void nspace::schedule_round() {
  process_list& list = *processes_;
  std::size_t kept = 0;  // live processes are moved down to [0, kept)
  std::size_t i = 0;
  try {
    // The size is read again on every turn: processes started during the
    // pass are appended and reached in this same pass.
    for (; i < list.size(); ++i) {
      if (list[i]->run()) {
        if (kept != i) list[kept] = std::move(list[i]);
        ++kept;
      } else {
        list[i].reset();
      }
    }
  } catch (...) {
    // The failing process and those after it stay, in order.
    for (; i < list.size(); ++i, ++kept) {
      if (kept != i) list[kept] = std::move(list[i]);
    }
    list.resize(kept);
    throw;
  }
  list.resize(kept);
}

}  // namespace plang
