// The catch-handler table.
#include "plang/table/except.hpp"

#include "plang/exception.hpp"

namespace plang::table {

void except::define(const parameter_list& parameters, const boost::shared_ptr<control>& body) {
  if (!handlers_.emplace(parameter_signature(parameters), definition{body, bindings_of(parameters), 0}).second) {
    throw_exception("plang/table/except", "overwrite catch statement",
                    "plang::table::except<wchar_t,class plang::control<wchar_t,class plang::runtime<wchar_t,class "
                    "plang::nspace<wchar_t,class plang::process<wchar_t> > > > >::define",
                    24);
  }
}

const definition* except::find(const signature& types) const {
  if (handlers_.empty()) return nullptr;
  auto it = handlers_.find(types);
  return it == handlers_.end() ? nullptr : &it->second;
}

}  // namespace plang::table
