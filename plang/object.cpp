// Class objects and instance data parts: definition checks, the three ways
// of construction, reference members, conversions, assignment, description,
// member and method lookup, and member-wise equality.
#include "plang/object.hpp"

#include <boost/make_shared.hpp>

#include "lib/hash.hpp"
#include "lib/string.hpp"
#include "plang/exception.hpp"
#include "plang/factor/instance.hpp"
#include "plang/method.hpp"
#include "plang/nlookup.hpp"
#include "plang/scope.hpp"
#include "plang/signal.hpp"
#include "plang/stack.hpp"
#include "plang/table/function.hpp"

namespace plang {
namespace {
constexpr char source[] = "plang/object";
constexpr char class_text[] = "plang::object<wchar_t,class plang::process<wchar_t> >::";

std::string function_text(const char* operation) { return std::string(class_text) + operation; }

[[noreturn]] void fail(const char* operation, int line, const std::string& text) {
  throw_exception(source, text, function_text(operation).c_str(), line);
}

// Counts one method, constructor or conversion run against the depth bound
// that script function calls use, stack included: class code recurses
// without any function call (a constructor that declares an instance of its
// own class).
class call_level {
 public:
  // `what` gives the call's text, built only when the bound is hit.
  template <class Text>
  call_level(nspace& space, const char* operation, Text what) : depth_(space.call_depth()) {
    if (depth_ >= nspace::max_call_depth || stack::exhausted(stack::call_reserve)) {
      throw call_depth_error(
          exception(source, "exceed max. depth of function call, " + what(), function_text(operation).c_str(), 240));
    }
    ++depth_;
  }
  ~call_level() { --depth_; }
  call_level(const call_level&) = delete;
  call_level& operator=(const call_level&) = delete;

 private:
  unsigned& depth_;
};

std::string narrow(const std::wstring& text) { return lib::string::to_narrow(text); }

instance& instance_of(const handle& value) { return static_cast<instance&>(*value); }

// The one construction that the argument count selects.
void construct(factor& value, const factor::vector& args) {
  if (args.empty()) {
    value.call_constructor();
  } else if (args.size() == 1) {
    value.call_constructor(args[0]);
  } else {
    value.call_constructor(args);
  }
}

}  // namespace

object::object(const std::wstring& name, nspace* enclosing)
    : nspace(enclosing, name),
      type_(ids().generate(name)),
      constructors_(boost::make_shared<table::constructor>()),
      members_(boost::make_shared<member_table>()) {}

object::object(object& source, duplicate_tag)
    : nspace(source, source.variables().outer()),
      type_(source.type_),
      base_type_(source.base_type_),
      constructors_(source.constructors_),
      members_(source.members_) {
  for (int i = 0; i < conversion_count; ++i) casts_[i] = source.casts_[i];
}

void object::set_base(std::uint32_t base) {
  // A class that is its own base would create base parts without end.
  if (base == type_) fail("set_base", 46, "invalid base class, id=" + narrow(name()));
  base_type_ = base;
}

void object::define_member(member_type type, const std::wstring& name) {
  for (const member_entry& m : *members_) {
    if (m.name == name) {
      fail(
          "define_member", 64,
          "fail to define member, " + narrow(ids().find_str(type.type)) + (type.reference ? "& " : " ") + narrow(name));
    }
  }
  // A member holding a whole instance of its own class could never finish
  // its construction.
  if (!type.reference && type.type == type_) {
    fail("define_member", 70, "invalid member type, " + narrow(ids().find_str(type.type)) + " " + narrow(name));
  }
  members_->push_back(member_entry{name, type});
}

void object::define_constructor(const table::parameter_list& parameters, const std::wstring& name,
                                const boost::shared_ptr<control>& body) {
  if (name != this->name()) {
    fail("define_constructor", 89,
         "try to define invalid constructor, id=" + narrow(name) + " " + table::describe_parameters(parameters));
  }
  if (parameters.size() == 1 && parameters[0].type == type_ && !parameters[0].reference) {
    fail("define_constructor", 91, "invalid parameter of copy constructor, class=" + narrow(name));
  }
  constructors_->define(parameters, body);
}

void object::link_base() {
  object& base = instance_of(base_).data;
  set_parent(&base);
  variables().set_outer(&base.variables());
}

void object::construct_base(const factor::vector& args) {
  base_ = create_instance(base_type_);
  construct(*base_, args);
  link_base();
}

void object::call_default_constructor() {
  if (base_type_) construct_base(factor::vector());
  for (const member_entry& m : *members_) {
    if (m.type.reference) {
      fail("call_default_constructor", 206,
           "uninitialized refference, " + narrow(ids().find_str(m.type.type)) + "& " + narrow(m.name));
    }
    handle value = create_instance(m.type.type);
    value->call_constructor();
    variables().declare(m.name, value);
  }
}

void object::copy_construct(const handle& from) {
  object& s = instance_of(from).data;
  if (base_type_) construct_base(s.base_ ? factor::vector{s.base_} : factor::vector());
  for (const member_entry& m : *members_) {
    handle* found = s.variables().find(m.name);
    if (!found) continue;  // only a source whose own construction failed lacks one
    // A handle of our own: the member's copy may run script code that
    // assigns to the source, which replaces its members' handles.
    const handle member = *found;
    if (m.type.reference) {
      variables().declare(m.name, member);
    } else {
      handle value = create_instance(m.type.type);
      value->call_constructor(member);
      variables().declare(m.name, value);
    }
  }
}

void object::call_constructor(const table::definition& def, const factor::vector& args) {
  const call_level level(*this, "call_constructor", [this] { return "id=" + narrow(name()); });
  runtime here{&variables(), this};
  scope activation(here.variables, def.body);  // on this call's stack, as a function call keeps it
  table::bind_parameters(def, args, activation);
  while (activation.step(&here)) {
  }
}

void object::call_ref_member_constructor(const handle& value, std::uint32_t type, const std::wstring& name,
                                         object& owner) {
  if (value->get_typeid() != type) {
    fail("call_ref_member_constructor", 231,
         "fail to initialize refference member, " + narrow(owner.ids().find_str(type)) + "& " + narrow(name));
  }
  owner.variables().declare(name, value);
}

handle object::call_cast(std::uint32_t target, const boost::shared_ptr<control>& body) {
  if (!body)
    throw exception(source, "undefined casting, typeid=", function_text("call_cast").c_str(), 255)
        .append_detail(target);
  const call_level level(*this, "call_cast", [this] { return "id=" + narrow(name()); });
  runtime here{&variables(), this};
  scope run(&variables(), body);
  try {
    for (;;) {
      const scope::outcome step = run.advance(&here);
      if (step == scope::outcome::more) continue;
      if (step == scope::outcome::returned) return _generate(target, factor::vector{flow::current().take_return()});
      break;
    }
  } catch (const sig_return& r) {  // from a statement stepped outside a scope
    return _generate(target, factor::vector{r.value});
  }
  fail("call_cast", 263, "no return statement");
}

handle object::cast_to_bool() { return call_cast(typeid_anchor::boolean, casts_[to_bool]); }
handle object::cast_to_int() { return call_cast(typeid_anchor::signed_int, casts_[to_int]); }
handle object::cast_to_unsigned() { return call_cast(typeid_anchor::unsigned_int, casts_[to_unsigned]); }
handle object::cast_to_float() { return call_cast(typeid_anchor::real_float, casts_[to_float]); }
handle object::cast_to_double() { return call_cast(typeid_anchor::real_double, casts_[to_double]); }
handle object::cast_to_wstring() { return call_cast(typeid_anchor::string, casts_[to_string]); }

void object::assign(object& s) {
  if (base_ && s.base_) instance_of(base_).data.assign(instance_of(s.base_).data);
  for (const member_entry& m : *members_) {
    handle* from = s.variables().find(m.name);
    if (!from) continue;
    // A value member gets a new value object: references bound to the old
    // one keep it.
    const handle source_value = *from;  // the clone may run script code that assigns to the source
    handle replacement = m.type.reference ? source_value : source_value->clone();
    if (handle* to = variables().find(m.name)) {
      *to = std::move(replacement);
    } else {
      variables().declare(m.name, replacement);
    }
  }
}

std::string object::describe() {
  std::string text = narrow(name());
  text += '[';
  bool first = true;
  for (const member_entry& m : *members_) {
    handle* value = variables().find(m.name);
    if (!value) continue;
    if (!first) text += ", ";
    first = false;
    text += narrow(m.name);
    text += '=';
    text += (*value)->describe();
  }
  text += ']';
  if (base_type_) {
    text += ":[";
    if (base_) text += base_->describe();
    text += ']';
  }
  return text;
}

handle object::member(const std::wstring& name) { return nlookup::find_member(&variables(), name); }

handle object::method(const method_request<wchar_t>& r) {
  const std::uint32_t generation = table::function::generation();
  if (r.site) {
    // The call node's last method, while this receiver's class and its
    // bases define nothing new and the arguments have its signature: the
    // search would find it again, `level` classes up.
    const script_method* last = r.site->script.get();
    if (last && last->receiver_table == &functions() && last->generation == generation &&
        table::signature_matches(*last->types, r.arguments)) {
      object* o = this;
      for (unsigned up = 0; up < last->level; ++up) o = static_cast<object*>(o->parent());
      return run_method(*last->def, o, r);
    }
  }
  object* o = this;
  const std::uint32_t name_hash = lib::hash_text(r.name);  // once for the class and all its bases
  for (unsigned level = 0;; ++level) {
    if (const table::function::overload* found = o->functions().find_overload(r.arguments, r.name, name_hash)) {
      if (r.site) r.site->script.keep(script_method{&functions(), generation, level, &found->types, &found->def});
      return run_method(found->def, o, r);
    }
    nspace* up = o->parent();
    // The root holds top-level functions, never methods.
    if (!up || !up->parent()) fail("method", 84, "undefined method, " + describe_call(r));
    o = static_cast<object*>(up);
  }
}

handle object::run_method(const table::definition& def, object* o, const method_request<wchar_t>& r) {
  const call_level level(*this, "method", [&r] { return describe_call(r); });
  runtime here{&o->variables(), o};
  handle result;
  table::function::run(def, r.arguments, result, &here);
  return result;
}

bool object::same_members(object& other) {
  if (variables().size() != other.variables().size()) return false;
  for (const member_entry& m : *members_) {
    handle* mine = variables().find(m.name);
    handle* theirs = other.variables().find(m.name);
    if (!mine && !theirs) continue;
    if (!mine || !theirs || !(*mine)->same_value(*theirs)) return false;
  }
  return true;
}

void object::hash_members(std::uint32_t& seed) {
  for (const member_entry& m : *members_) {
    if (handle* value = variables().find(m.name)) (*value)->hash_into(seed);
  }
}

}  // namespace plang
