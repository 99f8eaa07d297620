// The script compiler: finds, reads, strips and parses script files and walks their top-level items into a
// namespace.
#pragma once

#include <deque>
#include <list>
#include <string>

#include "plang/grammar.hpp"

namespace plang {

class nspace;

// The compiler holds the grammar's rules, the include guard and the include directories. A file is found by
// searching the folder of the file that includes it, then the include directories in order; each complete path
// is compiled at most once per compiler.
template <class C>
class semantic : public grammar {
 public:
  using string_type = std::basic_string<C>;
  // The folders of the files being compiled, innermost at the back. The caller of compile_file owns it.
  using include_stack = std::deque<string_type>;

  semantic() = default;

  // Folders searched for a file, in order. The host fills them; the compiler only reads them.
  std::list<string_type>& include_directories() { return include_directories_; }
  // The complete path of every file this compiler has started to compile, in first-reached order.
  const std::list<string_type>& included_files() const { return included_files_; }

  // Compiles the file the path names into the namespace: searched first in the folder at the back of the
  // stack (the including file's), then in the include directories.
  void compile_file(const string_type& path, nspace* ns, include_stack& stack);
  // Compiles the one file the path names in the folder; false when it names none. A path component that
  // names no entry is a regular expression over entry names.
  bool compile_this(const string_type& dir, const string_type& path, nspace* ns, include_stack& stack);
  // Compiles the text of one file.
  void compile_str(const string_type& text, nspace* ns, include_stack& stack);
  // The same, the comments taken out in the text's own buffer.
  void compile_str(string_type&& text, nspace* ns, include_stack& stack);
  bool is_included(const string_type& full) const;

  // The start rule over the text up to its first NUL. The result points into the text.
  parse_info parse_source(const string_type& text) const;
  parse_info parse_source(string_type&& text) const = delete;
  // " match=M full=F length=N stop=REST", REST being the text from the stop position on (empty before a
  // parse has matched). The result must point into the text.
  static std::string describe_parse_info(const parse_outcome& info, const string_type& text);

  // Evaluates the top-level items of a program in text order.
  void eval_root(const syntax_node& root, nspace* ns, include_stack& stack);
  void eval_include_def(nspace* ns, include_stack& stack, const syntax_node& node);
  // Declares the globals and runs their initialisers now, in the namespace's own variable table.
  void global_declaration(nspace* ns, const syntax_node& node);
  // Adds the process definition; its pid is registered after its body has compiled.
  void eval_process_def(nspace* ns, const syntax_node& node);
  void eval_inline_def(nspace* ns, const syntax_node& node);

 private:
  // Parses the text that `strip` gives (the comments taken out) and evaluates its tree.
  template <class Strip>
  void compile_stripped(Strip strip, nspace* ns, include_stack& stack);

  std::list<string_type> included_files_;
  std::list<string_type> include_directories_;
};

extern template class semantic<wchar_t>;

}  // namespace plang
