// The constructor table.
#include "plang/table/constructor.hpp"

#include "plang/exception.hpp"

namespace plang::table {

void constructor::define(const parameter_list& parameters, const boost::shared_ptr<control>& body) {
  if (!constructors_.emplace(parameter_signature(parameters), definition{body, bindings_of(parameters), 0}).second) {
    throw_exception("plang/table/constructor", "overwrite constructor, " + describe_parameters(parameters),
                    "plang::table::constructor<wchar_t,class plang::control<wchar_t,class plang::runtime<wchar_t,class "
                    "plang::nspace<wchar_t,class plang::process<wchar_t> > > >,class plang::expression<wchar_t,class "
                    "plang::runtime<wchar_t,class plang::nspace<wchar_t,class plang::process<wchar_t> > > > >::define",
                    31);
  }
}

const definition* constructor::find(const signature& types) const {
  if (constructors_.empty()) return nullptr;
  auto it = constructors_.find(types);
  return it == constructors_.end() ? nullptr : &it->second;
}

const definition* constructor::find(const factor::vector& args) const {
  if (constructors_.empty()) return nullptr;
  return find(signature_of(args));
}

}  // namespace plang::table
