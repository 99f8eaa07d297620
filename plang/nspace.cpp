// Namespaces, process start and the scheduling pass.
#include "plang/nspace.hpp"

#include <stdexcept>

#include <boost/make_shared.hpp>

#include "lib/hash.hpp"
#include "plang/exception.hpp"
#include "plang/factor/boolean.hpp"
#include "plang/factor/exception.hpp"
#include "plang/factor/hash_.hpp"
#include "plang/factor/instance.hpp"
#include "plang/factor/list_.hpp"
#include "plang/factor/nil.hpp"
#include "plang/factor/process_.hpp"
#include "plang/factor/real.hpp"
#include "plang/factor/ref.hpp"
#include "plang/factor/signed_.hpp"
#include "plang/factor/string_.hpp"
#include "plang/factor/timer.hpp"
#include "plang/factor/typeid_.hpp"
#include "plang/factor/typeid_anchor.hpp"
#include "plang/factor/unsigned_.hpp"
#include "plang/factor/vector_.hpp"
#include "plang/method.hpp"
#include "plang/object.hpp"
#include "plang/process.hpp"
#include "plang/scope.hpp"
#include "plang/stack.hpp"

namespace plang {
namespace {
constexpr char source[] = "plang/nspace";
}  // namespace

nspace::nspace()
    : parent_(nullptr),
      variables_(nullptr),
      classes_(boost::make_shared<class_registry>()),
      process_definitions_(boost::make_shared<table::process>()),
      functions_(boost::make_shared<table::function>()),
      inlines_(boost::make_shared<table::inline_>()),
      natives_(boost::make_shared<table::native>()),
      processes_(boost::make_shared<process_list>()),
      ids_(boost::make_shared<idm>()),
      call_depth_(&root_call_depth_) {}

nspace::nspace(nspace* parent, std::wstring name)
    : name_(std::move(name)),
      parent_(parent),
      variables_(&parent->variables_),
      classes_(parent->classes_),
      process_definitions_(boost::make_shared<table::process>()),
      functions_(boost::make_shared<table::function>()),
      inlines_(boost::make_shared<table::inline_>()),
      natives_(parent->natives_),
      processes_(parent->processes_),
      ids_(parent->ids_),
      call_depth_(parent->call_depth_) {}

nspace::nspace(const nspace& source, table::variable* outer)
    : name_(source.name_),
      parent_(source.parent_),
      variables_(outer),
      classes_(source.classes_),
      process_definitions_(source.process_definitions_),
      functions_(source.functions_),
      inlines_(source.inlines_),
      natives_(source.natives_),
      processes_(source.processes_),
      ids_(source.ids_),
      call_depth_(source.call_depth_) {}

nspace& nspace::root() {
  nspace* n = this;
  while (n->parent_) n = n->parent_;
  return *n;
}

std::uint32_t nspace::find_typeid(const std::wstring& name) const {
  try {
    return ids_->find(name);
  } catch (const std::exception&) {
    throw exception(source, "undefined typeid string, sid=",
                    "plang::nspace<wchar_t,class plang::process<wchar_t> >::find_typeid", 178)
        .append_detail(name);
  }
}

const boost::shared_ptr<nspace>& nspace::get_object(std::uint32_t tid) const {
  auto it = classes_->find(tid);
  if (it == classes_->end()) {
    throw exception(source, "reffer to undefined typeid, typeid=",
                    "plang::nspace<wchar_t,class plang::process<wchar_t> >::get_object", 237)
        .append_detail(tid);
  }
  return it->second;
}

object& nspace::define_object(const std::wstring& name) {
  auto created = boost::make_shared<object>(name, this);
  object& made = *created;
  if (!classes_->emplace(made.type(), std::move(created)).second) {
    throw exception(source, "object already exists, id=",
                    "plang::nspace<wchar_t,class plang::process<wchar_t> >::define_object", 244)
        .append_detail(name);
  }
  return made;
}

handle nspace::create_instance(std::uint32_t tid) {
  try {
    switch (tid) {
      case typeid_anchor::boolean:
        return boost::make_shared<boolean>();
      case typeid_anchor::signed_int:
        return boost::make_shared<signed_<int>>();
      case typeid_anchor::unsigned_int:
        return boost::make_shared<unsigned_<unsigned int>>();
      case typeid_anchor::real_float:
        return boost::make_shared<real<float>>();
      case typeid_anchor::real_double:
        return boost::make_shared<real<double>>();
      case typeid_anchor::string:
        return boost::make_shared<string_<wchar_t>>();
      case typeid_anchor::vector:
        return boost::make_shared<vector_>();
      case typeid_anchor::list:
        return boost::make_shared<list_>();
      case typeid_anchor::hash:
        return boost::make_shared<hash_>();
      case typeid_anchor::timer:
        return boost::make_shared<timer>();
      case typeid_anchor::nil:
        return make_nil();
      case typeid_anchor::ref:
        return boost::make_shared<ref>();
      case typeid_anchor::typeid_:
        return boost::make_shared<typeid_>();
      case typeid_anchor::bad_cast:
        return boost::make_shared<exception_<bad_cast_>>();
      case typeid_anchor::range_error:
        return boost::make_shared<exception_<range_error_>>();
      default:
        break;
    }
    // A script class: only class objects are registered.
    return new_instance(static_cast<object&>(*get_object(tid)));
  } catch (const std::exception& e) {
    throw exception(source, "instance creation failure, typeid=",
                    "plang::nspace<wchar_t,class plang::process<wchar_t> >::create_instance", 336)
        .append_detail(tid)
        .chain_cause(e);
  }
}

handle nspace::_generate(std::uint32_t tid, const factor::vector& args) {
  static constexpr char function[] = "plang::nspace<wchar_t,class plang::process<wchar_t> >::_generate";
  static constexpr char text[] = "instance generation failure, typeid=";
  // Script signals pass every wrapper: only standard exceptions are wrapped.
  try {
    handle value;
    if (args.empty()) {
      try {
        value = create_instance(tid);
        value->call_constructor();
      } catch (const call_depth_error&) {
        throw;
      } catch (const std::exception& e) {
        throw exception(source, text, function, 189).append_detail(tid).chain_cause(e);
      }
    } else if (args.size() == 1) {
      try {
        value = create_instance(tid);
        value->call_constructor(args[0]);
      } catch (const call_depth_error&) {
        throw;
      } catch (const std::exception& e) {
        throw exception(source, text, function, 201).append_detail(ids_->find_str(tid)).chain_cause(e);
      }
    } else {
      value = create_instance(tid);
      value->call_constructor(args);
    }
    return value;
  } catch (const call_depth_error&) {
    throw;
  } catch (const std::exception& e) {
    throw exception(source, text, function, 218).append_detail(ids_->find_str(tid)).chain_cause(e);
  }
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
    boost::shared_ptr<process> started = boost::make_shared<process>(pid, std::move(body), &top);
    processes_->push_back(started);
    return boost::make_shared<process_>(std::move(started), ids_);
  } catch (const std::exception& e) {
    throw exception(source, "fail to start process",
                    "plang::nspace<wchar_t,class plang::process<wchar_t> >::start_process", 122)
        .chain_cause(e);
  }
}

namespace {

std::string call_text(const std::wstring& name, const factor::vector& args) {
  return describe_call(method_request<wchar_t>(args, name));
}

// Counts one script call for as long as it runs; refuses it past the count
// or near the end of the stack.
class call_level {
 public:
  call_level(unsigned* depth, const std::wstring& name, const factor::vector& args) : depth_(depth) {
    if (*depth_ >= nspace::max_call_depth || stack::exhausted(stack::call_reserve)) {
      throw call_depth_error(exception(source, "exceed max. depth of function call, ",
                                       "plang::nspace<wchar_t,class plang::process<wchar_t> >::call_function", 150)
                                 .append_detail(call_text(name, args)));
    }
    ++*depth_;
  }
  ~call_level() { --*depth_; }
  call_level(const call_level&) = delete;
  call_level& operator=(const call_level&) = delete;

 private:
  unsigned* depth_;
};

}  // namespace

handle& nspace::call_function(handle& result, const std::wstring& name, const factor::vector& args) {
  return call_function(result, name, lib::hash_text(name), args);
}

handle& nspace::call_function(handle& result, const std::wstring& name, std::uint32_t name_hash,
                              const factor::vector& args) {
  static constexpr char function[] = "plang::nspace<wchar_t,class plang::process<wchar_t> >::call_function";
  static constexpr char text[] = "function id resolution failure, ";
  if (const table::definition* def = functions_->find(args, name, name_hash)) {
    return call_own_function(result, *def, name, args);
  }
  if (parent_) {
    try {
      return parent_->call_function(result, name, name_hash, args);
    } catch (const call_depth_error&) {
      throw;
    } catch (const std::exception& e) {
      throw exception(source, text, function, 158).append_detail(call_text(name, args)).chain_cause(e);
    }
  }
  throw exception(source, text, function, 160).append_detail(call_text(name, args));
}

handle& nspace::call_own_function(handle& result, const table::definition& def, const std::wstring& name,
                                  const factor::vector& args) {
  static constexpr char function[] = "plang::nspace<wchar_t,class plang::process<wchar_t> >::call_function";
  // Found here: a failure of the body or of the result's conversion is this
  // call's failure, reported with its cause; no other namespace's function
  // of the same name runs in its place.
  try {
    call_level level(call_depth_, name, args);
    runtime here{&variables_, this};
    table::function::run(def, args, result, &here);
    return result;
  } catch (const call_depth_error&) {
    throw;
  } catch (const std::exception& e) {
    throw exception(source, "function id resolution failure, ", function, parent_ ? 158 : 160)
        .append_detail(call_text(name, args))
        .chain_cause(e);
  }
}

boost::shared_ptr<scope> nspace::expand_inline(const std::wstring& name, const factor::vector& args) {
  try {
    const table::definition* def = inlines_->find(args, name);
    if (!def) throw std::out_of_range("Unable to find key in unordered_map.");
    runtime here{&variables_, this};
    return table::activate(*def, args, &here);
  } catch (const std::exception& e) {
    throw exception(source, "inline expansion failure, ",
                    "plang::nspace<wchar_t,class plang::process<wchar_t> >::expand_inline", 131)
        .append_detail(call_text(name, args))
        .chain_cause(e);
  }
}

void nspace::call_native(handle& result, nspace* space, const std::wstring& id, factor::vector& args) {
  try {
    result = space->natives_->at(id)(args);
  } catch (const std::exception& e) {
    throw exception(source, "catch exception, ", "plang::nspace<wchar_t,class plang::process<wchar_t> >::call_native",
                    168)
        .append_detail(call_text(id, args))
        .chain_cause(e);
  }
}

namespace {

// The rest of a pass from process `i` on, with the live processes before it
// already moved down to [0, kept). Kept out of line so that the pass of a
// single process saves no registers for it.
__attribute__((noinline)) void continue_round(nspace::process_list& list, std::size_t i, std::size_t kept) {
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

// The rest of a pass whose first and only process has been stepped
// (`more` is its answer) and has finished or started others.
__attribute__((noinline)) void finish_single(nspace::process_list& list, bool more) {
  if (list.size() == 1) {
    list.clear();
    return;
  }
  if (!more) list[0].reset();
  continue_round(list, 1, more ? 1 : 0);
}

}  // namespace

void nspace::schedule_round() {
  process_list& list = *processes_;
  if (list.size() == 1) {
    // A single process (a script's main): its step without the loop. When
    // it fails the list is as it was, as the loop would leave it; processes
    // it starts are appended and reached by the loop in this same pass.
    const bool more = list[0]->run();
    if (!more || list.size() != 1) finish_single(list, more);
    return;
  }
  continue_round(list, 0, 0);
}

}  // namespace plang
