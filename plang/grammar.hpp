// The script language grammar: rule identities, parse-tree nodes and the parse entry point.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

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

struct parse_info {
  std::wstring::const_iterator stop;  // where the parse stopped: after the match, or at the start on failure
  bool match = false;
  bool full = false;              // matched, and the whole text was consumed
  std::size_t length = 0;         // characters matched; 0 on failure
  std::vector<parse_node> trees;  // the start rule's node, when it matched
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

#if ZENTIL_TEST_HOOKS
  // Off: every expression is attempted, as if no expression knew the
  // characters it can start with; the trees must come out the same.
  void use_first_chars(bool on) { use_first_chars_ = on; }
#endif

 private:
  struct rules;
  std::unique_ptr<const rules> rules_;
  bool use_first_chars_ = true;
};

}  // namespace plang
