// The process definition table.
#include "plang/table/process.hpp"

#include "plang/exception.hpp"

namespace plang::table {

std::size_t process::key_hash::operator()(const key& k) const {
  std::uint32_t seed = k.pid + 0x9e3779b9u;
  hash_signature(k.types, seed);
  return seed;
}

bool process::key_equal::operator()(const key& a, const key& b) const {
  return a.pid == b.pid && same_signature(a.types, b.types);
}

void process::define(const parameter_list& parameters, process& table, std::uint32_t pid,
                     const boost::shared_ptr<control>& body) {
  definition def{body, bindings_of(parameters), 0};
  if (!table.definitions_.emplace(key{parameter_signature(parameters), pid}, std::move(def)).second) {
    throw exception("plang/table/process", "overwrite process definition, pid=",
                    "plang::table::process<wchar_t,class plang::control<wchar_t,class plang::runtime<wchar_t,class "
                    "plang::nspace<wchar_t,class plang::process<wchar_t> > > > >::define",
                    23)
        .append_detail(pid)
        .append_detail(" " + describe_parameters(parameters));
  }
}

const definition* process::find(signature types, std::uint32_t pid) const {
  if (definitions_.empty()) return nullptr;
  auto it = definitions_.find(key{std::move(types), pid});
  return it == definitions_.end() ? nullptr : &it->second;
}

}  // namespace plang::table
