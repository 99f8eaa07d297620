// Evaluation of the declaration nodes.
#include "plang/expression/declare.hpp"

#include "plang/exception.hpp"
#include "plang/nspace.hpp"
#include "plang/table/variable.hpp"

namespace plang {

void e_declare::evaluate(runtime* rt, handle& result) const {
  for (const expression_handle& d : declarators_) d->evaluate(rt, result);
}

void e_constructor::evaluate(runtime* rt, handle&) const {
  rt->variables->declare(name_, rt->space->_generate(type_, evaluate_arguments(arguments_, rt)));
}

void e_ref_constructor::evaluate(runtime* rt, handle& result) const {
  initialiser_->evaluate(rt, result);
  if (result->get_typeid() != type_) {
    throw exception("plang/expression/declare", "fail to initialize refference, ",
                    "plang::e_ref_constructor<wchar_t,class plang::runtime<wchar_t,class plang::nspace<wchar_t,class "
                    "plang::process<wchar_t> > > >::evaluate",
                    51)
        .append_detail(rt->space->ids().find_str(type_))
        .append_detail("& ")
        .append_detail(*name_);
  }
  rt->variables->declare(name_, result);
}

}  // namespace plang
