// The function table and the script function call.
#include "plang/table/function.hpp"

#include <functional>
#include <stdexcept>

#include "lib/string.hpp"
#include "plang/convert.hpp"
#include "plang/exception.hpp"
#include "plang/factor/nil.hpp"
#include "plang/factor/stored.hpp"
#include "plang/nspace.hpp"
#include "plang/scope.hpp"
#include "plang/signal.hpp"

namespace plang::table {
namespace {
constexpr char source[] = "plang/table/function";
constexpr char class_text[] =
    "plang::table::function<wchar_t,class plang::control<wchar_t,class plang::runtime<wchar_t,class "
    "plang::nspace<wchar_t,class plang::process<wchar_t> > > > >::";
}  // namespace

bool signature_matches(const signature& types, const factor::vector& args) {
  if (types.size() != args.size()) return false;
  auto arg = args.begin();
  for (unsigned int t : types) {
    if ((*arg++)->get_typeid() != t) return false;
  }
  return true;
}

std::atomic<std::uint32_t> function::generation_{0};

function::function() { next_generation(); }
function::~function() { next_generation(); }

void function::define(const parameter_list& parameters, std::uint32_t return_type, function& table,
                      const std::wstring& name, const boost::shared_ptr<control>& body) {
  next_generation();
  overloads& entries = table.definitions_[name];
  signature types = parameter_signature(parameters);
  for (const overload& o : entries) {
    if (same_signature(o.types, types)) {
      std::string number;
      to_string_into<unsigned int>(return_type, number);
      throw exception(source, "overwrite function, typeid=", (std::string(class_text) + "define").c_str(), 31)
          .append_detail(number + " id=")
          .append_detail(name)
          .append_detail(" " + describe_parameters(parameters));
    }
  }
  entries.push_back(overload{std::move(types), definition{body, bindings_of(parameters), return_type}});
}

namespace {
// The table's own hash of a name is lib::hash_text, so a lookup may hand in
// the hash it computed earlier.
struct known_hash {
  std::uint32_t value;
  std::size_t operator()(const std::wstring&) const { return value; }
};
}  // namespace

const definition* function::find(const factor::vector& args, const std::wstring& name) const {
  if (definitions_.empty()) return nullptr;
  return find(args, name, lib::hash_text(name));
}

const definition* function::find(const factor::vector& args, const std::wstring& name, std::uint32_t name_hash) const {
  const overload* o = find_overload(args, name, name_hash);
  return o ? &o->def : nullptr;
}

const function::overload* function::find_overload(const factor::vector& args, const std::wstring& name,
                                                   std::uint32_t name_hash) const {
  if (definitions_.empty()) return nullptr;
  auto it = definitions_.find(name, known_hash{name_hash}, std::equal_to<std::wstring>());
  if (it == definitions_.end()) return nullptr;
  for (const overload& o : it->second) {
    if (signature_matches(o.types, args)) return &o;
  }
  return nullptr;
}

void function::call(const function& table, const factor::vector& args, handle& result, const std::wstring& name,
                    runtime* rt) {
  const definition* def = table.find(args, name);
  if (!def) throw std::out_of_range("Unable to find key in unordered_map.");
  run(*def, args, result, rt);
}

void function::run(const definition& def, const factor::vector& args, handle& result, runtime* rt) {
  // The definition outlives its call (the return type is read after it).
  scope activation(rt->variables, def.body, scope::borrowed());
  taken_arguments taken;
  bind_parameters(def, args, activation, taken);
  bool has_return = false;
  handle returned;
  try {
    for (;;) {
      const scope::outcome step = activation.advance(rt);
      if (step == scope::outcome::more) continue;
      if (step == scope::outcome::returned) {
        returned = flow::current().take_return();
        has_return = true;
      }
      break;
    }
  } catch (const sig_return& r) {
    returned = r.value;
    has_return = true;
  } catch (const call_depth_error&) {
    throw;
  } catch (const std::exception& e) {
    // The caller's error text describes the arguments as they were given.
    taken.restore();
    throw exception(source, "catch exception", (std::string(class_text) + "call").c_str(), 50).chain_cause(e);
  }
  if (!has_return) {
    result = make_nil();
    return;
  }
  // A returned temporary of exactly the declared scalar or text type that
  // nothing else holds is handed over: its copy would be the same value,
  // and no script could reach the original.
  // A value of that type held elsewhere too (a variable) is cloned, as its
  // conversion would copy it.
  if (is_plain_scalar(def.return_type) && returned->get_typeid() == def.return_type) {
    if (returned.use_count() == 1) {
      result = std::move(returned);
    } else {
      result = returned->clone();
    }
    return;
  }
  factor::vector value(1);
  value[0] = std::move(returned);
  try {
    result = rt->space->_generate(def.return_type, value);
  } catch (...) {
    taken.restore();
    throw;
  }
}

}  // namespace plang::table
