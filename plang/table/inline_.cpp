// The inline definition table.
#include "plang/table/inline_.hpp"

#include "plang/exception.hpp"

namespace plang::table {

void inline_::define(const parameter_list& parameters, inline_& table, const std::wstring& name,
                     const boost::shared_ptr<control>& body) {
  function::overloads& entries = table.definitions_[name];
  signature types = parameter_signature(parameters);
  for (const function::overload& o : entries) {
    if (same_signature(o.types, types)) {
      throw exception("plang/table/inline_", "overwrite inline function, id=",
                      "plang::table::inline_<wchar_t,class plang::control<wchar_t,class plang::runtime<wchar_t,class "
                      "plang::nspace<wchar_t,class plang::process<wchar_t> > > > >::define",
                      22)
          .append_detail(name)
          .append_detail(" " + describe_parameters(parameters));
    }
  }
  entries.push_back(function::overload{std::move(types), definition{body, bindings_of(parameters), 0}});
}

const definition* inline_::find(const factor::vector& args, const std::wstring& name) const {
  if (definitions_.empty()) return nullptr;
  auto it = definitions_.find(name);
  if (it == definitions_.end()) return nullptr;
  for (const function::overload& o : it->second) {
    if (signature_matches(o.types, args)) return &o.def;
  }
  return nullptr;
}

}  // namespace plang::table
