// The compile driver (file search, include guard, comment pre-pass, parse), the top-level walk and the
// evaluators of globals, processes and inline definitions.
#include "plang/semantic/semantic.hpp"

#include <algorithm>

#include "lib/basic_filesystem.hpp"
#include "lib/file.hpp"
#include "plang/comment_p.hpp"
#include "plang/convert.hpp"
#include "plang/exception.hpp"
#include "plang/expression/expression.hpp"
#include "plang/factor/factor.hpp"
#include "plang/nspace.hpp"
#include "plang/semantic/definition_steps.hpp"
#include "plang/semantic/s_class.hpp"
#include "plang/signal.hpp"
#include "plang/table/inline_.hpp"
#include "plang/table/process.hpp"

namespace plang {
namespace {

constexpr const char* source = "plang/semantic/semantic";

// The parse stopped before the end of the text.
struct not_full {};

// A NUL ends the text for the parser; what follows it is ignored.
template <class C>
typename std::basic_string<C>::const_iterator source_end(const std::basic_string<C>& text) {
  return std::find(text.begin(), text.end(), C(0));
}

}  // namespace

template <class C>
void semantic<C>::compile_file(const string_type& path, nspace* ns, include_stack& stack) {
  if (!stack.empty()) {
    const string_type including_dir = stack.back();  // compile_this pushes onto the stack
    if (compile_this(including_dir, path, ns, stack)) return;
  }
  for (const string_type& dir : include_directories_)
    if (compile_this(dir, path, ns, stack)) return;
  throw exception(source, "include failure, path=", "plang::semantic<wchar_t>::compile_file", 67).append_detail(path);
}

template <class C>
bool semantic<C>::compile_this(const string_type& dir, const string_type& path, nspace* ns, include_stack& stack) {
  using fs = lib::basic_filesystem<C>;
  const typename fs::path_list found = fs::ls(fs::absolute(dir), path);
  if (found.empty()) return false;
  if (found.size() > 1)
    throw exception(source, "ambiguous path string, dir=", "plang::semantic<wchar_t>::compile_this", 48)
        .append_detail(dir)
        .append_detail(", path=")
        .append_detail(path);
  const string_type& full = found.front();
  if (is_included(full)) return true;
  // Guarded before its text is compiled, so a file that includes itself is skipped at the inner include.
  included_files_.push_back(full);
  try {
    string_type folder = full;
    fs::take_last_component(folder);
    stack.push_back(folder);
    compile_str(lib::file::open(full), ns, stack);
    stack.pop_back();
  } catch (const std::exception& cause) {
    exception e = exception(source, "compile failure, dir=", "plang::semantic<wchar_t>::compile_this", 43)
                      .append_detail(dir)
                      .append_detail(", path=")
                      .append_detail(path);
    throw e.chain_cause(cause);
  }
  return true;
}

template <class C>
void semantic<C>::compile_str(const string_type& text, nspace* ns, include_stack& stack) {
  compile_stripped([&text] { return comment_p<C>(text).str(); }, ns, stack);
}

template <class C>
void semantic<C>::compile_str(string_type&& text, nspace* ns, include_stack& stack) {
  compile_stripped([&text] { return comment_p<C>(std::move(text)).str(); }, ns, stack);
}

template <class C>
template <class Strip>
void semantic<C>::compile_stripped(Strip strip, nspace* ns, include_stack& stack) {
  // The initial parse result: no stop position, no match, nothing matched.
  string_type stripped;
  syntax_info info;
  try {
    stripped = strip();
    info = parse_syntax(rule::program, stripped.begin(), source_end(stripped));
    if (!info.full) throw not_full();
  } catch (...) {
    throw exception(source, "parsing failure, " + describe_parse_info(info, stripped),
                    "plang::semantic<wchar_t>::compile_str", 79);
  }
  try {
    eval_root(info.tree.root(), ns, stack);
  } catch (const std::exception& cause) {
    throw exception(source, "semantic failure", "plang::semantic<wchar_t>::compile_str", 86).chain_cause(cause);
  }
}

template <class C>
bool semantic<C>::is_included(const string_type& full) const {
  return std::find(included_files_.begin(), included_files_.end(), full) != included_files_.end();
}

template <class C>
parse_info semantic<C>::parse_source(const string_type& text) const {
  return parse(rule::program, text.begin(), source_end(text));
}

template <class C>
std::string semantic<C>::describe_parse_info(const parse_outcome& info, const string_type& text) {
  std::string s = " match=" + to_string<bool>(info.match);
  s += " full=" + to_string<bool>(info.full);
  s += " length=" + to_string<unsigned int>(static_cast<unsigned int>(info.length));
  s += " stop=";
  if (info.match) {
    // The rest runs to the end of the text, which for the parser is its first NUL.
    const C* rest = text.c_str() + (info.stop - text.begin());
    s += to_string<const C*>(rest);
  }
  return s;
}

template <class C>
void semantic<C>::eval_root(const syntax_node& root, nspace* ns, include_stack& stack) {
  // program -> (ws / include_def / class_def / process_def / inline_def / function_def / declaration)*
  for (const syntax_node& item : root) {
    switch (item.id()) {
      case rule::include_def:
        eval_include_def(ns, stack, item);
        break;
      case rule::declaration:
        global_declaration(ns, item);
        break;
      case rule::class_def:
        detail::semantic::s_class<C>::eval_class_def(item, ns);
        break;
      case rule::process_def:
        eval_process_def(ns, item);
        break;
      case rule::inline_def:
        eval_inline_def(ns, item);
        break;
      case rule::function_def:
        detail::semantic::s_class<C>::eval_function_def(item, ns);
        break;
      default:  // the whitespace leaves of `program`
        break;
    }
  }
}

template <class C>
void semantic<C>::eval_include_def(nspace* ns, include_stack& stack, const syntax_node& node) {
  // include_def -> hidden(kw_include ws*) include_path; include_path's one child is the path's text
  try {
    compile_file(string_type(node.at(0).at(0).text()), ns, stack);
  } catch (const std::exception& cause) {
    throw exception(source, "catch exception", "plang::semantic<wchar_t>::eval_include_def", 144).chain_cause(cause);
  }
}

template <class C>
void semantic<C>::global_declaration(nspace* ns, const syntax_node& node) {
  // declaration -> type_name declarators ";", run once, now
  static constexpr char function[] = "plang::semantic<wchar_t>::global_declaration";
  try {
    const expression_handle declare = detail::semantic::eval_declaration(ns, node);
    runtime rt{&ns->variables(), ns};
    handle result;
    declare->evaluate(&rt, result);
  } catch (const std::exception& cause) {
    throw exception(source, "catch exception", function, 153).chain_cause(cause);
  } catch (const sig_return& s) {
    throw exception(source, "catch unexpected return " + s.value->describe(), function, 156);
  } catch (const sig_throw& s) {
    throw exception(source, "catch unexpected throw " + s.value->describe(), function, 159);
  } catch (const sig_break&) {
    // A break or continue outside every loop (in a called function) is an error here, as in a process.
    throw exception(source, "catch unexpected break", function, 162);
  } catch (const sig_continue&) {
    throw exception(source, "catch unexpected continue", function, 165);
  }
}

template <class C>
void semantic<C>::eval_process_def(nspace* ns, const syntax_node& node) {
  // process_def -> "process" identifier parameters block
  namespace steps = detail::semantic;
  try {
    const string_type& name = steps::identifier_text(node.at(0));
    const table::parameter_list parameters = steps::eval_parameters(ns, node.at(1));
    const boost::shared_ptr<control> body = steps::eval_block(ns, node.at(2));
    // Registered only now, so the body cannot start the process it defines.
    const std::uint32_t pid = ns->ids().get_p(name);
    table::process::define(parameters, ns->process_definitions(), pid, body);
  } catch (const std::exception& cause) {
    throw exception(source, "catch exception", "plang::semantic<wchar_t>::eval_process_def", 172).chain_cause(cause);
  }
}

template <class C>
void semantic<C>::eval_inline_def(nspace* ns, const syntax_node& node) {
  // inline_def -> "inline" identifier parameters block
  namespace steps = detail::semantic;
  try {
    const string_type& name = steps::identifier_text(node.at(0));
    const table::parameter_list parameters = steps::eval_parameters(ns, node.at(1));
    const boost::shared_ptr<control> body = steps::eval_block(ns, node.at(2));
    table::inline_::define(parameters, ns->inlines(), name, body);
  } catch (const std::exception& cause) {
    throw exception(source, "catch exception", "plang::semantic<wchar_t>::eval_inline_def", 185).chain_cause(cause);
  }
}

template class semantic<wchar_t>;

}  // namespace plang
