// Class and function definitions.
#include "plang/semantic/s_class.hpp"

#include "plang/exception.hpp"
#include "plang/nspace.hpp"
#include "plang/semantic/definition_steps.hpp"
#include "plang/table/function.hpp"

namespace plang::detail::semantic {
namespace {
constexpr char source[] = "plang/semantic/s_class";
}  // namespace

template <class C>
void s_class<C>::eval_class_def(const parse_node& node, nspace*) {
  // TODO(classes): members, base, constructors, conversions and methods. Until they compile, a class is
  // refused rather than dropped.
  throw exception(source, "class definitions are not compiled yet, id=",
                  "plang::detail::semantic::s_class<wchar_t>::eval_class_def", 39)
      .append_detail(identifier_text(node.children.at(0)));
}

template <class C>
void s_class<C>::eval_function_def(const parse_node& node, nspace* target) {
  try {
    const std::uint32_t return_type = eval_type(target, node.children.at(0));
    const std::wstring& name = identifier_text(node.children.at(1));
    const table::parameter_list parameters = eval_parameters(target, node.children.at(2));
    const boost::shared_ptr<control> body = eval_block(target, node.children.at(3));
    table::function::define(parameters, return_type, target->functions(), name, body);
  } catch (const std::exception& cause) {
    throw exception(source, "catch exception", "plang::detail::semantic::s_class<wchar_t>::eval_function_def", 185)
        .chain_cause(cause);
  }
}

template class s_class<wchar_t>;

}  // namespace plang::detail::semantic
