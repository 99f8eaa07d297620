// The script language grammar: rule identities, parse-tree nodes and the parse entry point.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "plang/parse_memory.hpp"

namespace plang {

// Every rule of the grammar, layer by layer (each layer refers only to its own and lower layers).
// clang-format off
#define PLANG_TOKEN_RULES(X)                                                                                    \
  X(kw_bool) X(kw_unsigned) X(kw_int) X(kw_float) X(kw_double) X(kw_string) X(kw_nil) X(kw_ref) X(kw_typeid)    \
  X(kw_vector) X(kw_list) X(kw_timer) X(kw_hash) X(kw_bad_cast) X(kw_range_error) X(kw_this) X(kw_true)         \
  X(kw_false) X(kw_if) X(kw_else) X(kw_while) X(kw_return) X(kw_break) X(kw_continue) X(kw_process)             \
  X(kw_inline) X(kw_class) X(kw_operator) X(kw_include) X(kw_using) X(kw_try) X(kw_catch) X(kw_throw)           \
  X(kw_unsigned_int) X(primitive_type) X(library_type) X(reserved_word)                                        \
  X(op_assign) X(op_add_assign) X(op_sub_assign) X(op_mul_assign) X(op_div_assign) X(op_mod_assign)             \
  X(op_or) X(op_and) X(op_eq) X(op_ne) X(op_gt) X(op_lt) X(op_ge) X(op_le)                                     \
  X(op_plus) X(op_minus) X(op_mul) X(op_div) X(op_mod) X(op_inc) X(op_dec) X(op_not) X(op_scope)              \
  X(underscore) X(dot) X(lparen) X(rparen) X(comma) X(lbrace) X(rbrace) X(semicolon) X(colon) X(ampersand)     \
  X(number_literal) X(real_number) X(hex_number) X(octal_number) X(decimal_number) X(hex_prefix)              \
  X(hex_digits) X(exponent) X(unsigned_suffix) X(float_suffix) X(string_literal) X(include_path)

#define PLANG_EXPRESSION_RULES(X)                                                                               \
  X(name_token) X(identifier) X(type_name) X(expression) X(assign_expr) X(assign_op) X(or_expr) X(and_expr)    \
  X(equality_expr) X(relational_expr) X(relational_op) X(additive_expr) X(multiplicative_expr) X(unary_expr)   \
  X(member_expr) X(primary_expr) X(arguments) X(native_call)

#define PLANG_STATEMENT_RULES(X)                                                                                \
  X(parameters) X(parameter) X(statement) X(block) X(control_stmt) X(if_stmt) X(while_stmt) X(condition)       \
  X(jump_stmt) X(except_stmt) X(simple_stmt) X(inline_stmt) X(process_stmt) X(declaration) X(declarator)       \
  X(ref_declarator) X(constructor_args) X(initializer)

#define PLANG_DECLARATION_RULES(X)                                                                              \
  X(function_def) X(class_def) X(base_clause) X(class_body) X(member_declaration) X(ref_member)               \
  X(value_member) X(member_function) X(class_constructor) X(constructor_list) X(operator_def)                  \
  X(conversion_def) X(empty_parens)

#define PLANG_PROGRAM_RULES(X) X(program) X(include_def) X(process_def) X(inline_def)

#define PLANG_ALL_RULES(X)                                                                                      \
  PLANG_TOKEN_RULES(X) PLANG_EXPRESSION_RULES(X) PLANG_STATEMENT_RULES(X) PLANG_DECLARATION_RULES(X)            \
  PLANG_PROGRAM_RULES(X)
// clang-format on

// A rule's identity; `none` marks a leaf not yet adopted by its rule and never appears in a finished tree.
enum class rule : std::uint8_t {
  none,
#define PLANG_RULE_ENUMERATOR(name) name,
  PLANG_ALL_RULES(PLANG_RULE_ENUMERATOR)
#undef PLANG_RULE_ENUMERATOR
};

// One node of a parse tree. A rule's node has the nodes of its right side as children; a leaf holds the
// characters it covers and carries the identity of the rule in whose right side it was matched. A leaf that
// would cover no characters is not made: an empty string literal's node has no child.
struct parse_node {
  rule id = rule::none;
  std::wstring text;  // leaves only
  std::vector<parse_node> children;
};

// How a parse ended.
struct parse_outcome {
  std::wstring::const_iterator stop;  // where the parse stopped: after the match, or at the start on failure
  bool match = false;
  bool full = false;       // matched, and the whole text was consumed
  std::size_t length = 0;  // characters matched; 0 on failure
};

struct parse_info : parse_outcome {
  std::vector<parse_node> trees;  // the start rule's node, when it matched
};

class syntax_tree;

// A node of a syntax_tree, by value: the same tree as parse_node, read through the tree's one array. It points
// at the tree and a leaf's text into the parsed text, so the node is good while the tree stays where it is and
// the text lives.
class syntax_node {
 public:
  // The tree's record of one node: a rule's node names its children, which lie next to each other in the
  // array; a leaf names its characters by offset and length in the parsed text.
  struct record {
    rule id;
    bool leaf;
    std::uint32_t first;  // first child, or the leaf's offset
    std::uint32_t count;  // children, or the leaf's length
  };

  class iterator {
   public:
    using iterator_category = std::input_iterator_tag;
    using value_type = syntax_node;
    using difference_type = std::ptrdiff_t;
    using pointer = void;
    using reference = syntax_node;

    iterator(const syntax_tree* tree, std::uint32_t index) : tree_(tree), index_(index) {}
    syntax_node operator*() const { return syntax_node(tree_, index_); }
    iterator& operator++() {
      ++index_;
      return *this;
    }
    bool operator==(const iterator& other) const { return index_ == other.index_; }
    bool operator!=(const iterator& other) const { return index_ != other.index_; }

   private:
    const syntax_tree* tree_;
    std::uint32_t index_;
  };

  syntax_node(const syntax_tree* tree, std::uint32_t index) : tree_(tree), index_(index) {}

  rule id() const { return rec().id; }
  // The characters of a leaf; empty for a rule's node.
  std::wstring_view text() const;
  std::size_t size() const { return rec().leaf ? 0 : rec().count; }
  bool empty() const { return size() == 0; }
  syntax_node operator[](std::size_t i) const { return syntax_node(tree_, rec().first + std::uint32_t(i)); }
  // Throws std::out_of_range past the last child.
  syntax_node at(std::size_t i) const {
    if (i >= size()) out_of_range();
    return (*this)[i];
  }
  syntax_node back() const { return (*this)[size() - 1]; }
  iterator begin() const { return iterator(tree_, rec().first); }
  iterator end() const { return iterator(tree_, rec().first + std::uint32_t(size())); }

 private:
  inline const record& rec() const;
  [[noreturn]] static void out_of_range();

  const syntax_tree* tree_;
  std::uint32_t index_;
};

// The records of a parse in one block of parse memory, growing by doubling; an attempt that fails takes back
// what it added by cutting the array back.
class record_array {
 public:
  using record = syntax_node::record;

  record_array() = default;
  record_array(record_array&& other) noexcept : begin_(other.begin_), end_(other.end_), cap_(other.cap_) {
    other.begin_ = other.end_ = other.cap_ = nullptr;
  }
  record_array& operator=(record_array&& other) noexcept {
    std::swap(begin_, other.begin_);
    std::swap(end_, other.end_);
    std::swap(cap_, other.cap_);
    return *this;
  }
  ~record_array() {
    if (begin_) parse_memory::release(begin_, std::size_t(cap_ - begin_) * sizeof(record));
  }

  bool empty() const { return begin_ == end_; }
  std::size_t size() const { return std::size_t(end_ - begin_); }
  record* data() { return begin_; }
  const record& operator[](std::size_t i) const { return begin_[i]; }
  record& operator[](std::size_t i) { return begin_[i]; }
  record& back() { return end_[-1]; }

  void reserve(std::size_t n) {
    if (std::size_t(cap_ - begin_) < n) grow_to(n);
  }
  void push_back(const record& r) { *extend(1) = r; }
  // Room for n more records at the end, returned uninitialised.
  record* extend(std::size_t n) {
    if (std::size_t(cap_ - end_) < n) grow_to(2 * std::size_t(cap_ - begin_) + n);
    record* const at = end_;
    end_ += n;
    return at;
  }
  // Keeps the first n records.
  void cut(std::size_t n) { end_ = begin_ + n; }

 private:
  void grow_to(std::size_t n);

  record* begin_ = nullptr;
  record* end_ = nullptr;
  record* cap_ = nullptr;
};

// A parse tree in one array, freed at once: children are index ranges into the array, leaves offsets into the
// parsed text, which must outlive the tree.
class syntax_tree {
 public:
  syntax_tree() = default;
  syntax_tree(const wchar_t* text, record_array nodes)
      : text_(text), nodes_(std::move(nodes)) {}

  bool empty() const { return nodes_.empty(); }
  // The start rule's node; the tree must not be empty.
  syntax_node root() const { return syntax_node(this, std::uint32_t(nodes_.size() - 1)); }
  // The same tree as parse_node, each leaf's text copied.
  parse_node copy(syntax_node node) const;

 private:
  friend class syntax_node;
  const wchar_t* text_ = nullptr;
  record_array nodes_;
};

inline const syntax_node::record& syntax_node::rec() const { return tree_->nodes_[index_]; }
inline std::wstring_view syntax_node::text() const {
  const record& r = rec();
  return r.leaf ? std::wstring_view(tree_->text_ + r.first, r.count) : std::wstring_view();
}

struct syntax_info : parse_outcome {
  syntax_tree tree;  // empty unless matched
};

// The grammar: a character-level PEG without skipper (ordered choice that commits, greedy repetition).
// Nesting deeper than `max_nesting` rule activations fails instead of exhausting the stack: an item of the
// start rule's own repetition that nests too deeply fails as a whole, so `program` stops in front of it; any
// other failure of that kind makes the start rule not match.
class grammar {
 public:
  using iterator = std::wstring::const_iterator;
  static constexpr unsigned max_nesting = 1500;

  grammar();
  ~grammar();
  grammar(const grammar&) = delete;
  grammar& operator=(const grammar&) = delete;

  // Parses [first, last) with the start rule, building a parse tree. Never throws except on allocation failure.
  parse_info parse(rule start, iterator first, iterator last) const;
  parse_info parse(rule start, const std::wstring& text) const { return parse(start, text.begin(), text.end()); }
  parse_info parse(rule start, std::wstring&& text) const = delete;  // the result points into the text
  // The same parse, its tree in one array.
  syntax_info parse_syntax(rule start, iterator first, iterator last) const;

#if ZENTIL_TEST_HOOKS
  // Off: every expression is attempted, as if no expression knew the
  // characters it can start with; the trees must come out the same.
  void use_first_chars(bool on) { use_first_chars_ = on; }
#endif

 private:
  struct rules;
  const rules* rules_;  // built once, shared by every grammar
  bool use_first_chars_ = true;
};

}  // namespace plang
