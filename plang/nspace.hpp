// Namespaces: the variables and definition tables that script code sees, the
// shared class registry, process list and id registry, and the scheduler.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <boost/shared_ptr.hpp>

#include "lib/hash.hpp"
#include "plang/factor/factor.hpp"
#include "plang/exception.hpp"
#include "plang/idm.hpp"
#include "plang/table/function.hpp"
#include "plang/table/inline_.hpp"
#include "plang/table/native.hpp"
#include "plang/table/process.hpp"
#include "plang/table/variable.hpp"

namespace plang {

class object;
class process;
class scope;

// Raised when script calls nest deeper than nspace::max_call_depth, or when
// calls, inline expansions or expressions nest until the stack is nearly
// used up; it passes every call unwrapped, so its text stays one line at any
// depth.
class call_depth_error : public exception {
 public:
  using exception::exception;
  explicit call_depth_error(const exception& e) : exception(e) {}
};

class nspace {
 public:
  using class_registry = lib::hash<std::uint32_t, boost::shared_ptr<nspace>>;
  // Start order; appended to during a pass, compacted by the pass.
  using process_list = std::vector<boost::shared_ptr<process>>;

  // The root: every table is its own, the id registry included.
  nspace();
  // A namespace inside `parent`: its variables see the parent's; it shares
  // the parent's class registry, process list and id registry and has its
  // own definition tables.
  explicit nspace(nspace* parent, std::wstring name = std::wstring());
  nspace(const nspace&) = delete;
  nspace& operator=(const nspace&) = delete;

  const std::wstring& name() const { return name_; }
  nspace* parent() const { return parent_; }
  nspace& root();

  table::variable& variables() { return variables_; }
  class_registry& classes() { return *classes_; }
  table::process& process_definitions() { return *process_definitions_; }
  table::function& functions() { return *functions_; }
  table::inline_& inlines() { return *inlines_; }
  table::native& natives() { return *natives_; }
  process_list& processes() { return *processes_; }
  idm& ids() { return *ids_; }

  // The typeid registered under exactly this name.
  std::uint32_t find_typeid(const std::wstring& name) const;

  // The class object registered under a typeid.
  const boost::shared_ptr<nspace>& get_object(std::uint32_t tid) const;

  // Creates the class `name` with this namespace as its parent and
  // registers it under its new typeid.
  object& define_object(const std::wstring& name);

  // A new value of the type, not yet constructed: the caller completes it
  // with one of the constructor slots before anything reads it.
  handle create_instance(std::uint32_t tid);

  // A new value of the type constructed from the arguments: the default
  // constructor for none, the one-value constructor for one, the vector
  // constructor for more.
  handle _generate(std::uint32_t tid, const factor::vector& args);

  // The activation of the process definition that the arguments match, here
  // or in an enclosing namespace.
  boost::shared_ptr<scope> process_definition(std::uint32_t pid, const factor::vector& args);

  // Activates the matching definition and appends a new process to the end of
  // the process list; it runs from the next step of the scheduler that
  // reaches it. Returns the process handle value.
  handle start_process(std::uint32_t pid, const factor::vector& args);

  // Script calls nested deeper than this raise call_depth_error. The stack
  // itself is bounded apart (plang/stack.hpp): a call whose body is nested
  // in many blocks meets the stack's end before this count, and raises the
  // same error there.
  static constexpr unsigned max_call_depth = 1000;

  // Runs the function that the name and the arguments' typeids select here,
  // or, when this namespace defines none, in the nearest enclosing one that
  // does. Returns `result`, which holds the function's result.
  handle& call_function(handle& result, const std::wstring& name, const factor::vector& args);
  // As above with the name's text hash (lib::hash_text) computed by the
  // caller once.
  handle& call_function(handle& result, const std::wstring& name, std::uint32_t name_hash, const factor::vector& args);
  // Runs `def`, found in this namespace's own function table under the name,
  // as `call_function` runs a function it finds here (a call node that
  // remembered the definition calls it so).
  handle& call_own_function(handle& result, const table::definition& def, const std::wstring& name,
                            const factor::vector& args);

  // The activation of this namespace's inline definition for the name and
  // the arguments' typeids (enclosing namespaces are not searched).
  boost::shared_ptr<scope> expand_inline(const std::wstring& name, const factor::vector& args);

  // Calls the host function `id` with the arguments into `result`.
  static void call_native(handle& result, nspace* space, const std::wstring& id, factor::vector& args);

  // One scheduling pass: every live process once, in start order, including
  // processes appended during the pass; finished ones are erased. An error
  // leaving a process ends the pass and leaves that process in the list.
  void schedule_round();

  // Script calls now running, counted against max_call_depth; class
  // methods, constructors and conversions count here too.
  unsigned& call_depth() { return *call_depth_; }

 protected:
  // copy_with_scope: the name, the parent and all seven tables of `source`
  // (shared), and new empty variables whose outer table is `outer`.
  nspace(const nspace& source, table::variable* outer);

  void set_parent(nspace* parent) { parent_ = parent; }

 private:
  std::wstring name_;
  nspace* parent_;
  table::variable variables_;
  // Released last first: the id registry goes first, the classes last.
  boost::shared_ptr<class_registry> classes_;
  boost::shared_ptr<table::process> process_definitions_;
  boost::shared_ptr<table::function> functions_;
  boost::shared_ptr<table::inline_> inlines_;
  boost::shared_ptr<table::native> natives_;
  boost::shared_ptr<process_list> processes_;
  boost::shared_ptr<idm> ids_;
  // Script calls now running; every namespace counts in the root's.
  unsigned root_call_depth_ = 0;
  unsigned* call_depth_;
};

}  // namespace plang
