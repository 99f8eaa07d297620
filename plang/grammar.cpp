// The script language grammar: the rules of every layer and the PEG matcher that builds parse trees.
#include "plang/grammar.hpp"

#include <algorithm>
#include <array>
#include <cassert>
#include <locale>
#include <stdexcept>

#include "platform/text/locale.hpp"

namespace plang {

namespace {

constexpr std::size_t rule_count = std::size_t(rule::inline_def) + 1;

enum class kind : std::uint8_t {
  literal,  // exactly `text`
  range,    // one character in [lo, hi]
  any,      // one character
  space,    // one character of these classes, as the "japanese" locale classifies them
  alpha,
  alnum,
  digit,
  sequence,    // parts in order
  choice,      // the first part that matches
  star,        // part, zero or more times
  plus,        // part, one or more times
  optional,    // part, or nothing
  difference,  // parts[0], unless parts[1] matches at least as many characters there
  hidden,      // part, leaving no nodes
  leaf,        // part, leaving one leaf with all its characters
  reference,   // the rule `target`
};

// The characters a match of an expression can start with: the ASCII ones
// bit by bit, every other character as one bit.
struct first_chars {
  std::uint64_t low = 0, high = 0;  // characters 0 to 63, 64 to 127
  bool other = false;

  bool has(wchar_t c) const {
    const auto u = static_cast<std::uint32_t>(c);
    if (u < 64) return (low >> u) & 1u;
    if (u < 128) return (high >> (u - 64)) & 1u;
    return other;
  }
  void add(wchar_t c) {
    const auto u = static_cast<std::uint32_t>(c);
    if (u < 64) {
      low |= std::uint64_t(1) << u;
    } else if (u < 128) {
      high |= std::uint64_t(1) << (u - 64);
    } else {
      other = true;
    }
  }
  // True when something was added.
  bool merge(const first_chars& f) {
    const first_chars before = *this;
    low |= f.low;
    high |= f.high;
    other = other || f.other;
    return low != before.low || high != before.high || other != before.other;
  }
};

struct pexpr {
  explicit pexpr(kind k_) : k(k_) {}
  kind k;
  rule target = rule::none;
  wchar_t lo = 0, hi = 0;
  std::wstring text;
  std::vector<std::uint32_t> parts;
  // Filled once the rules are defined: whether a match can consume nothing,
  // and the characters that a match consuming something starts with.
  bool nullable = false;
  first_chars first;
  // A choice of several parts: where its rows of `rule_set::dispatch` start (no_dispatch when it has none).
  std::uint32_t dispatch = ~std::uint32_t(0);
  // A hidden run of one character class (white space): the class, skipped in place by a sequence.
  std::uint32_t skip = ~std::uint32_t(0);
  // A choice of single characters (classes, ranges, one-character literals): an ASCII character matches
  // exactly when `first` has it.
  bool one_char = false;
};

constexpr std::uint32_t no_dispatch = ~std::uint32_t(0);
constexpr std::uint32_t no_skip = ~std::uint32_t(0);
// A choice's rows: one per ASCII character, one for every other character, one for the end of the text.
constexpr std::size_t dispatch_rows = 130;

// Thrown when rule activations nest deeper than grammar::max_nesting.
struct too_deep {};

constexpr std::uint32_t no_body = ~std::uint32_t(0);

struct rule_set {
  std::vector<pexpr> pool;
  std::array<std::uint32_t, rule_count> body;  // the right side of each rule, an index into pool
  // For each choice of 4 to 64 parts, a row per next character: bit i set when part i can match there (it
  // can start with the character, or match nothing).
  std::vector<std::uint64_t> dispatch;
  // Rules of one level: a right side that is a reference to the next rule alone, or that reference and a
  // repetition in either order (`next >> *(op >> next)`, `*op >> next`: the levels of an expression).
  enum class level_form : std::uint8_t { none, alone, operand_first, operand_last };
  std::array<level_form, rule_count> level{};
  // For a rule of one level, the number of such rules from it down, each referring to the next; 0 for others.
  std::array<std::uint8_t, rule_count> chain{};

  // A rule of one level: the reference to the next rule, the repetition and the repetition's part (null for
  // `alone`), found once.
  struct level_parts {
    const pexpr* operand = nullptr;
    const pexpr* more = nullptr;
    const pexpr* each = nullptr;
  };
  std::array<level_parts, rule_count> parts{};

  const pexpr& operand(rule r) const {
    const pexpr& body = pool[this->body[std::size_t(r)]];
    if (level[std::size_t(r)] == level_form::alone) return body;
    return pool[body.parts[level[std::size_t(r)] == level_form::operand_first ? 0 : 1]];
  }
};
using level_form = rule_set::level_form;

using rules_t = std::vector<pexpr>;

// A handle on a parser expression under construction; the operators mirror the grammar notation:
// a >> b sequence, a | b ordered choice, a - b difference, *a and +a repetition.
struct px {
  rules_t* pool;
  std::uint32_t i;
};

px make(rules_t* pool, pexpr e) {
  pool->push_back(std::move(e));
  return px{pool, std::uint32_t(pool->size() - 1)};
}

px unary(kind k, px a) {
  pexpr e(k);
  e.parts = {a.i};
  return make(a.pool, std::move(e));
}

// Builds a flat n-ary node: a left operand of the same kind lends its parts, so a >> b >> c has three parts.
px nary(kind k, px a, px b) {
  pexpr e(k);
  const pexpr& left = (*a.pool)[a.i];
  if (left.k == k)
    e.parts = left.parts;
  else
    e.parts = {a.i};
  e.parts.push_back(b.i);
  return make(a.pool, std::move(e));
}

px operator>>(px a, px b) { return nary(kind::sequence, a, b); }
px operator|(px a, px b) { return nary(kind::choice, a, b); }
px operator*(px a) { return unary(kind::star, a); }
px operator+(px a) { return unary(kind::plus, a); }
px operator-(px a, px b) {
  pexpr e(kind::difference);
  e.parts = {a.i, b.i};
  return make(a.pool, std::move(e));
}
px opt(px a) { return unary(kind::optional, a); }
px hidden(px a) { return unary(kind::hidden, a); }
px leaf(px a) { return unary(kind::leaf, a); }

// Defines the rules, one member function per layer. Every rule has a handle member of its own name, so the
// definitions read like the language definition: whitespace is matched only where a rule names it.
class rule_builder {
 public:
  explicit rule_builder(rule_set& r)
      : r_(r),
#define PLANG_RULE_HANDLE(name) name(ref(rule::name)),
        PLANG_ALL_RULES(PLANG_RULE_HANDLE)
#undef PLANG_RULE_HANDLE
            ws(cls(kind::space)),
        alpha(cls(kind::alpha)),
        alnum(cls(kind::alnum)),
        digit(cls(kind::digit)),
        any(cls(kind::any)),
        dquote(lit(L"\"")),
        backslash(lit(L"\\")) {
  }

  void tokens();
  void expressions();
  void statements();
  void declarations();
  void programs();

 private:
  px lit(const wchar_t* text) {
    pexpr e(kind::literal);
    e.text = text;
    return make(&r_.pool, std::move(e));
  }
  px range(wchar_t lo, wchar_t hi) {
    pexpr e(kind::range);
    e.lo = lo;
    e.hi = hi;
    return make(&r_.pool, std::move(e));
  }
  px cls(kind k) { return make(&r_.pool, pexpr(k)); }
  px ref(rule target) {
    pexpr e(kind::reference);
    e.target = target;
    return make(&r_.pool, std::move(e));
  }
  void def(rule target, px body) { r_.body[std::size_t(target)] = body.i; }

  rule_set& r_;

 public:
#define PLANG_RULE_HANDLE(name) const px name;
  PLANG_ALL_RULES(PLANG_RULE_HANDLE)
#undef PLANG_RULE_HANDLE
  const px ws, alpha, alnum, digit, any, dquote, backslash;
};

// Keywords, operators and punctuation: each matches exactly its characters. Keywords have no word-boundary
// test, so "integer" starts with the keyword "int".
const struct {
  rule id;
  const wchar_t* text;
} plain_tokens[] = {
    {rule::kw_bool, L"bool"},
    {rule::kw_unsigned, L"unsigned"},
    {rule::kw_int, L"int"},
    {rule::kw_float, L"float"},
    {rule::kw_double, L"double"},
    {rule::kw_string, L"string"},
    {rule::kw_nil, L"nil"},
    {rule::kw_ref, L"ref"},
    {rule::kw_typeid, L"typeid"},
    {rule::kw_vector, L"vector"},
    {rule::kw_list, L"list"},
    {rule::kw_timer, L"timer"},
    {rule::kw_hash, L"hash"},
    {rule::kw_bad_cast, L"bad_cast"},
    {rule::kw_range_error, L"range_error"},
    {rule::kw_this, L"this"},
    {rule::kw_true, L"true"},
    {rule::kw_false, L"false"},
    {rule::kw_if, L"if"},
    {rule::kw_else, L"else"},
    {rule::kw_while, L"while"},
    {rule::kw_return, L"return"},
    {rule::kw_break, L"break"},
    {rule::kw_continue, L"continue"},
    {rule::kw_process, L"process"},
    {rule::kw_inline, L"inline"},
    {rule::kw_class, L"class"},
    {rule::kw_operator, L"operator"},
    {rule::kw_include, L"#include"},
    {rule::kw_using, L"using"},
    {rule::kw_try, L"try"},
    {rule::kw_catch, L"catch"},
    {rule::kw_throw, L"throw"},
    {rule::op_assign, L"="},
    {rule::op_add_assign, L"+="},
    {rule::op_sub_assign, L"-="},
    {rule::op_mul_assign, L"*="},
    {rule::op_div_assign, L"/="},
    {rule::op_mod_assign, L"%="},
    {rule::op_or, L"||"},
    {rule::op_and, L"&&"},
    {rule::op_eq, L"=="},
    {rule::op_ne, L"!="},
    {rule::op_gt, L">"},
    {rule::op_lt, L"<"},
    {rule::op_ge, L">="},
    {rule::op_le, L"<="},
    {rule::op_plus, L"+"},
    {rule::op_minus, L"-"},
    {rule::op_mul, L"*"},
    {rule::op_div, L"/"},
    {rule::op_mod, L"%"},
    {rule::op_inc, L"++"},
    {rule::op_dec, L"--"},
    {rule::op_not, L"!"},
    {rule::op_scope, L"::"},
    {rule::underscore, L"_"},
    {rule::dot, L"."},
    {rule::lparen, L"("},
    {rule::rparen, L")"},
    {rule::comma, L","},
    {rule::lbrace, L"{"},
    {rule::rbrace, L"}"},
    {rule::semicolon, L";"},
    {rule::colon, L":"},
    {rule::ampersand, L"&"},
};

void rule_builder::tokens() {
  using R = rule;
  for (const auto& t : plain_tokens) def(t.id, lit(t.text));
  def(R::kw_unsigned_int, kw_unsigned >> +ws >> kw_int);

  // kw_int comes before kw_unsigned_int and cannot shadow it: "unsigned int" does not start with "int".
  def(R::primitive_type, kw_bool | kw_int | kw_unsigned_int | kw_float | kw_double | kw_string | kw_nil | kw_ref |
                             kw_typeid | kw_bad_cast | kw_range_error);
  def(R::library_type, kw_vector | kw_list | kw_hash | kw_timer);
  def(R::reserved_word, primitive_type | library_type | kw_this | kw_true | kw_false | kw_if | kw_else | kw_while |
                            kw_return | kw_break | kw_continue | kw_process | kw_inline | kw_class | kw_operator |
                            kw_using | kw_try | kw_catch | kw_throw);

  // Literals. A number has no sign; an exponent must carry one, so "1e5" is "1" followed by "e5".
  def(R::number_literal, real_number >> opt(float_suffix) | hex_number >> opt(unsigned_suffix) |
                             octal_number >> opt(unsigned_suffix) | decimal_number >> opt(unsigned_suffix));
  def(R::real_number,
      leaf(+digit >> exponent | *digit >> dot >> +digit >> opt(exponent) | +digit >> dot >> *digit >> opt(exponent)));
  def(R::hex_number, leaf(hex_prefix >> +hex_digits));
  def(R::octal_number, leaf(lit(L"0") >> +digit));
  def(R::decimal_number, leaf(+digit));
  def(R::hex_prefix, lit(L"0") >> (lit(L"x") | lit(L"X")));
  def(R::hex_digits, +(range(L'a', L'f') | range(L'A', L'F') | digit));
  def(R::exponent, (lit(L"e") | lit(L"E")) >> (op_plus | op_minus) >> +digit);
  def(R::unsigned_suffix, lit(L"u") | lit(L"U"));
  def(R::float_suffix, lit(L"f") | lit(L"F"));
  // The characters between the quotes stay raw, escapes included; an empty literal leaves no leaf.
  def(R::string_literal, hidden(dquote) >> leaf(*(backslash >> any | (any - dquote))) >> hidden(dquote));
  def(R::include_path, hidden(lit(L"<")) >> leaf(+(any - lit(L"<") - lit(L">"))) >> hidden(lit(L">")) |
                           hidden(dquote) >> leaf(+(any - dquote)) >> hidden(dquote));
}

void rule_builder::expressions() {
  using R = rule;
  def(R::name_token, leaf((alpha | underscore) >> *(alnum | underscore)));
  def(R::identifier, name_token - reserved_word);
  def(R::type_name, primitive_type | library_type | identifier);

  // Loosest binding first; each level yields a flat list that the compiler groups.
  def(R::expression, assign_expr);
  def(R::assign_expr, or_expr >> *(assign_op >> or_expr));
  def(R::assign_op, op_assign | op_add_assign | op_sub_assign | op_mul_assign | op_div_assign | op_mod_assign);
  def(R::or_expr, and_expr >> *(hidden(op_or) >> and_expr));
  def(R::and_expr, equality_expr >> *(hidden(op_and) >> equality_expr));
  def(R::equality_expr, relational_expr >> *((op_eq | op_ne) >> relational_expr));
  def(R::relational_expr, additive_expr >> *(relational_op >> additive_expr));
  def(R::relational_op, op_ge | op_le | op_gt | op_lt);
  def(R::additive_expr, multiplicative_expr >> *((op_plus | op_minus) >> multiplicative_expr));
  def(R::multiplicative_expr, unary_expr >> *((op_mul | op_div | op_mod) >> unary_expr));
  // No whitespace of its own: a prefix operator must follow the preceding character unless the enclosing rule
  // took whitespace in front of it.
  def(R::unary_expr, *(op_inc | op_dec | op_not | op_minus) >> member_expr);
  def(R::member_expr, primary_expr >> *(hidden(dot) >> identifier >> opt(arguments)));
  def(R::primary_expr, hidden(*ws) >> (kw_this | kw_true | kw_false | native_call | number_literal | string_literal |
                                       name_token >> opt(arguments) | hidden(lparen) >> expression >> hidden(rparen)) >>
                           hidden(*ws));
  def(R::arguments,
      hidden(*ws >> lparen >> *ws) >> opt(expression >> *(hidden(comma) >> expression)) >> hidden(rparen >> *ws));
  def(R::native_call, hidden(kw_using >> op_scope) >> identifier >> arguments);
}

void rule_builder::statements() {
  using R = rule;
  def(R::parameters,
      hidden(*ws >> lparen) >> (parameter >> *(hidden(comma) >> parameter) | hidden(*ws)) >> hidden(rparen >> *ws));
  def(R::parameter,
      hidden(*ws) >> type_name >> (hidden(*ws) >> ampersand >> hidden(*ws) | hidden(+ws)) >> identifier >> hidden(*ws));
  def(R::statement, hidden(*ws) >> (block | control_stmt | jump_stmt | except_stmt | simple_stmt) >> hidden(*ws));
  def(R::block, hidden(*ws >> lbrace >> *ws) >> *statement >> hidden(*ws >> rbrace >> *ws));
  def(R::control_stmt, if_stmt | while_stmt);
  def(R::if_stmt, hidden(kw_if) >> condition >> statement >> opt(hidden(kw_else) >> statement));
  def(R::while_stmt, hidden(kw_while) >> condition >> statement);
  def(R::condition, hidden(*ws >> lparen) >> expression >> hidden(*ws >> rparen));
  def(R::jump_stmt,
      ((kw_return | kw_throw) >> hidden(+ws) >> expression | (kw_break | kw_continue) >> hidden(*ws)) >> semicolon);
  def(R::except_stmt, hidden(kw_try) >> block >> +(hidden(kw_catch) >> parameters >> block));
  def(R::simple_stmt, inline_stmt | process_stmt | declaration | expression >> semicolon | semicolon);
  def(R::inline_stmt, hidden(kw_inline >> +ws) >> identifier >> opt(arguments) >> hidden(semicolon));
  def(R::process_stmt,
      hidden(kw_process >> op_scope) >> identifier >> hidden(+ws) >> identifier >> opt(arguments) >> hidden(semicolon));
  def(R::declaration, type_name >> (hidden(+ws) >> declarator | ref_declarator) >>
                          *(hidden(comma) >> (declarator | ref_declarator)) >> hidden(semicolon));
  def(R::declarator, hidden(*ws) >> identifier >> hidden(*ws) >> opt(constructor_args | initializer) >> hidden(*ws));
  def(R::ref_declarator,
      hidden(*ws >> ampersand >> *ws) >> identifier >> hidden(*ws) >> (constructor_args | initializer) >> hidden(*ws));
  def(R::constructor_args, arguments);
  def(R::initializer, hidden(op_assign) >> expression);
}

void rule_builder::declarations() {
  using R = rule;
  def(R::function_def, type_name >> hidden(+ws) >> identifier >> parameters >> block);
  def(R::class_def,
      hidden(kw_class >> +ws) >> identifier >> opt(base_clause) >> opt(class_body) >> hidden(*ws >> semicolon));
  def(R::base_clause, hidden(*ws >> colon >> *ws) >> identifier);
  def(R::class_body, hidden(*ws >> lbrace) >> *(hidden(ws) | member_declaration | member_function) >> hidden(rbrace));
  def(R::member_declaration, type_name >> (ref_member | hidden(+ws) >> value_member) >>
                                 *(hidden(comma) >> (ref_member | value_member)) >> hidden(semicolon));
  def(R::ref_member, hidden(*ws >> ampersand >> *ws) >> identifier >> hidden(*ws));
  def(R::value_member, hidden(*ws) >> identifier >> hidden(*ws));
  def(R::member_function, class_constructor | operator_def | function_def);
  def(R::class_constructor, identifier >> parameters >> opt(constructor_list) >> block);
  def(R::constructor_list,
      hidden(colon >> *ws) >> identifier >> arguments >> *(hidden(comma >> *ws) >> identifier >> arguments));
  def(R::operator_def, conversion_def);
  def(R::conversion_def, hidden(kw_operator >> +ws) >> primitive_type >> hidden(empty_parens) >> block);
  def(R::empty_parens, *ws >> lparen >> *ws >> rparen >> *ws);
}

void rule_builder::programs() {
  using R = rule;
  def(R::program, *(ws | include_def | class_def | process_def | inline_def | function_def | declaration));
  def(R::include_def, hidden(kw_include >> *ws) >> include_path);
  def(R::process_def, hidden(kw_process >> +ws) >> identifier >> parameters >> block);
  def(R::inline_def, hidden(kw_inline >> +ws) >> identifier >> parameters >> block);
}

void define_rules(rule_set& g) {
  rule_builder b(g);
  b.tokens();
  b.expressions();
  b.statements();
  b.declarations();
  b.programs();
}

// Character classes come from the "japanese" locale, never from the process's global C locale, so kana and
// kanji are letters wherever the program runs. Digits are the ASCII ones, as the wide digit test has them.
// The answers for ASCII characters, by far the most frequent, are asked once and kept.
class classifier {
 public:
  classifier() : ctype_(std::use_facet<std::ctype<wchar_t>>(platform::text::japanese_locale())) {
    for (wchar_t c = 0; c < 128; ++c) {
      for (const kind k : {kind::space, kind::alpha, kind::alnum, kind::digit}) {
        if (ask(k, c)) ascii_[std::size_t(c)] |= bit(k);
      }
    }
  }

  bool is(kind k, wchar_t c) const {
    const auto u = static_cast<std::uint32_t>(c);
    return u < 128 ? (ascii_[u] & bit(k)) != 0 : ask(k, c);
  }

 private:
  static std::uint8_t bit(kind k) { return std::uint8_t(1u << (unsigned(k) - unsigned(kind::space))); }
  bool ask(kind k, wchar_t c) const {
    switch (k) {
      case kind::space:
        return ctype_.is(std::ctype_base::space, c);
      case kind::alpha:
        return ctype_.is(std::ctype_base::alpha, c);
      case kind::alnum:
        return ctype_.is(std::ctype_base::alnum, c);
      default:
        return L'0' <= c && c <= L'9';
    }
  }

  const std::ctype<wchar_t>& ctype_;
  std::array<std::uint8_t, 128> ascii_{};
};

// Fills `nullable` and `first` of every expression: a fixpoint over the
// rules, which refer to each other. Both only ever grow, from "consumes at
// least one character" and "no character", so the fixpoint is the least one;
// a character class holds an "other" character whenever it could.
void compute_first_chars(rule_set& g) {
  const classifier classes;
  for (pexpr& e : g.pool) {
    switch (e.k) {
      case kind::literal:
        e.nullable = e.text.empty();
        if (!e.text.empty()) e.first.add(e.text[0]);
        break;
      case kind::range:
        for (wchar_t c = e.lo; c <= e.hi && c < 128; ++c) e.first.add(c);
        e.first.other = e.hi >= 128;
        break;
      case kind::any:
        e.first.low = e.first.high = ~std::uint64_t(0);
        e.first.other = true;
        break;
      case kind::space:
      case kind::alpha:
      case kind::alnum:
      case kind::digit:
        for (wchar_t c = 0; c < 128; ++c)
          if (classes.is(e.k, c)) e.first.add(c);
        e.first.other = e.k != kind::digit;
        break;
      default:
        break;
    }
  }
  for (bool changed = true; changed;) {
    changed = false;
    for (pexpr& e : g.pool) {
      bool nullable = e.nullable;
      first_chars first = e.first;
      switch (e.k) {
        case kind::sequence: {
          bool all = true;
          for (std::uint32_t part : e.parts) {
            first.merge(g.pool[part].first);
            if (!g.pool[part].nullable) {
              all = false;
              break;
            }
          }
          nullable = all;
          break;
        }
        case kind::choice:
          for (std::uint32_t part : e.parts) {
            first.merge(g.pool[part].first);
            nullable = nullable || g.pool[part].nullable;
          }
          break;
        case kind::star:
        case kind::optional:
          first.merge(g.pool[e.parts[0]].first);
          nullable = true;
          break;
        case kind::plus:
        case kind::difference:
        case kind::hidden:
        case kind::leaf:
          first.merge(g.pool[e.parts[0]].first);
          nullable = g.pool[e.parts[0]].nullable;
          break;
        case kind::reference: {
          const pexpr& body = g.pool[g.body[std::size_t(e.target)]];
          first.merge(body.first);
          nullable = body.nullable;
          break;
        }
        default:
          break;
      }
      if (e.first.merge(first) || nullable != e.nullable) changed = true;
      e.nullable = e.nullable || nullable;
    }
  }
}

// Fills the dispatch rows of every choice of 4 to 64 parts.
void compute_dispatch(rule_set& g) {
  for (pexpr& e : g.pool) {
    if (e.k != kind::choice || e.parts.size() < 4 || e.parts.size() > 64) continue;
    e.dispatch = std::uint32_t(g.dispatch.size());
    g.dispatch.resize(g.dispatch.size() + dispatch_rows);
    std::uint64_t* const rows = &g.dispatch[e.dispatch];
    for (std::size_t i = 0; i != e.parts.size(); ++i) {
      const pexpr& part = g.pool[e.parts[i]];
      const std::uint64_t bit = std::uint64_t(1) << i;
      if (part.nullable) {
        for (std::size_t r = 0; r != dispatch_rows; ++r) rows[r] |= bit;
        continue;
      }
      for (std::uint64_t m = part.first.low; m; m &= m - 1) rows[__builtin_ctzll(m)] |= bit;
      for (std::uint64_t m = part.first.high; m; m &= m - 1) rows[64 + __builtin_ctzll(m)] |= bit;
      if (part.first.other) rows[128] |= bit;
    }
  }
}

// Fills `skip` of every hidden run of one character class.
void compute_skips(rule_set& g) {
  for (pexpr& e : g.pool) {
    if (e.k != kind::hidden) continue;
    const pexpr& part = g.pool[e.parts[0]];
    if (part.k != kind::star) continue;
    const pexpr& each = g.pool[part.parts[0]];
    if (each.k >= kind::range && each.k <= kind::digit) e.skip = part.parts[0];
  }
}

// Fills `one_char` of every choice of single characters.
void compute_one_chars(rule_set& g) {
  for (pexpr& e : g.pool) {
    if (e.k != kind::choice) continue;
    e.one_char = std::all_of(e.parts.begin(), e.parts.end(), [&](std::uint32_t part) {
      const pexpr* p = &g.pool[part];
      if (p->k == kind::reference) p = &g.pool[g.body[std::size_t(p->target)]];  // a token such as "_"
      return (p->k >= kind::range && p->k <= kind::digit) || (p->k == kind::literal && p->text.size() == 1);
    });
  }
}

// Fills `level` and `chain`: the rules of one level each, then the length of each rule's run of them.
void compute_chains(rule_set& g) {
  for (std::size_t r = 1; r != rule_count; ++r) {
    const pexpr& body = g.pool[g.body[r]];
    if (body.k == kind::reference) {
      g.level[r] = level_form::alone;
    } else if (body.k == kind::sequence && body.parts.size() == 2) {
      const kind first = g.pool[body.parts[0]].k, second = g.pool[body.parts[1]].k;
      if (first == kind::reference && second == kind::star) g.level[r] = level_form::operand_first;
      if (first == kind::star && second == kind::reference) g.level[r] = level_form::operand_last;
    }
  }
  for (std::size_t r = 1; r != rule_count; ++r) {
    if (g.level[r] == level_form::none) continue;
    rule_set::level_parts& p = g.parts[r];
    p.operand = &g.operand(rule(r));
    if (g.level[r] == level_form::alone) continue;
    const pexpr& body = g.pool[g.body[r]];
    p.more = &g.pool[body.parts[g.level[r] == level_form::operand_first ? 1 : 0]];
    p.each = &g.pool[p.more->parts[0]];
  }
  for (std::size_t r = 1; r != rule_count; ++r) {
    std::size_t n = 0;
    for (std::size_t at = r; g.level[at] != level_form::none && n < 64; ++n)
      at = std::size_t(g.operand(rule(at)).target);
    g.chain[r] = std::uint8_t(n);
  }
}

using cptr = const wchar_t*;

using record = syntax_node::record;

// Recursive-descent PEG matcher over the rule pool. match() returns the position after the match, or null when
// there is none; on failure the node stores are as they were on entry. Positions travel by value and node work
// sits in functions of their own, so each level of recursion costs little stack.
//
// Nodes are records: `out` holds those not yet adopted by a rule, the innermost rule's children on top, and a
// rule that matches moves its children into `nodes`, where they stay next to each other. A failed attempt
// takes back what it added to both, so `nodes` holds only parts of the tree.
class matcher {
 public:
  matcher(const rule_set& g, cptr first, cptr last, bool use_first)
      : g_(g), first_(first), last_(last), use_first_(use_first) {}

  cptr match(std::uint32_t index, cptr pos, bool build) { return match(g_.pool[index], pos, build); }
  cptr match(const pexpr& e, cptr pos, bool build) {
    if (fails_at_once(e, pos)) return nullptr;
    return e.k == kind::reference ? activate(e.target, pos, build) : attempt(e, pos, build);
  }
  cptr start(rule target, cptr pos) { return activate(target, pos, true); }

  record_array out;    // nodes made so far and not yet adopted
  record_array nodes;  // adopted nodes: the tree's array
  unsigned depth = 0;         // rule activations in progress

 private:
  // The sizes of both node stores, taken before an attempt.
  struct mark_t {
    std::size_t out, nodes;
  };
  mark_t mark() const { return {out.size(), nodes.size()}; }

  [[gnu::noinline]] cptr attempt(const pexpr& e, cptr pos, bool build);
  [[gnu::noinline]] cptr literal(const pexpr& e, cptr pos, bool build);
  bool accepts(const pexpr& e, wchar_t c) const;
  [[gnu::noinline]] cptr single(const pexpr& e, cptr pos, bool build);
  // One character of a range or class; a run of them is skipped in a loop when it leaves no nodes.
  static bool is_class(const pexpr& e) { return e.k >= kind::range && e.k <= kind::digit; }
  cptr skip(const pexpr& e, cptr pos) const {
    while (pos != last_ && accepts(e, *pos)) ++pos;
    return pos;
  }
  // Without nodes: one character of a choice of single characters, an ASCII one by the choice's first
  // characters, any other through the parts.
  cptr one(const pexpr& e, cptr pos) {
    if (!far_from_limit()) return match(e, pos, false);  // each part tried, as before
    if (pos == last_) return nullptr;
    if (static_cast<std::uint32_t>(*pos) < 128) return e.first.has(*pos) ? pos + 1 : nullptr;
    return attempt(e, pos, false);
  }
  cptr skip_ones(const pexpr& e, cptr pos) {
    while (const cptr next = one(e, pos)) pos = next;
    return pos;
  }
  [[gnu::noinline]] cptr repeat(std::uint32_t part, cptr pos, bool build);
  [[gnu::noinline]] cptr activate(rule target, cptr pos, bool build);
  [[gnu::noinline]] cptr chain(rule top, cptr pos, bool build);
  [[gnu::noinline]] cptr guarded(std::uint32_t part, cptr pos, bool build);
  void push_leaf(cptr first, cptr last) {
    out.push_back(record{rule::none, true, std::uint32_t(first - first_), std::uint32_t(last - first)});
  }
  [[gnu::noinline]] void wrap(rule target, std::size_t mark);
  void drop(mark_t m) {
    out.cut(m.out);
    nodes.cut(m.nodes);
  }

  // An expression that must consume a character and cannot start with this
  // one fails at once. Its full attempt would only activate rules without
  // consuming anything, at most rule_count deep, so near the nesting limit
  // the attempt is made and fails for depth exactly as before.
  std::size_t row(cptr pos) const {
    if (pos == last_) return dispatch_rows - 1;
    const auto u = static_cast<std::uint32_t>(*pos);
    return u < 128 ? u : 128;
  }
  bool fails_at_once(const pexpr& e, cptr pos) const {
    return !e.nullable && use_first_ && depth + rule_count < grammar::max_nesting &&
           (pos == last_ || !e.first.has(*pos));
  }
  // First characters are used, and no activation could fail for depth.
  bool far_from_limit() const { return use_first_ && depth + rule_count < grammar::max_nesting; }

  const rule_set& g_;
  const cptr first_, last_;
  const bool use_first_;
  const classifier classes_;
};

// Replaces the nodes above mark by one node of the rule that made them.
void matcher::wrap(rule target, std::size_t mark) {
  const std::size_t first = nodes.size(), count = out.size() - mark;
  const record made{target, false, std::uint32_t(first), std::uint32_t(count)};
  if (count == 0) {  // the rule made no node: it leaves an empty one
    out.push_back(made);
    return;
  }
  if (count == 1) {  // most rules: one level of an expression over the level below
    record& child = out[mark];
    record* const to = nodes.extend(1);
    *to = child;
    if (to->id == rule::none) to->id = target;
    child = made;
    return;
  }
  record* const to = nodes.extend(count);
  const record* const from = out.data() + mark;
  for (std::size_t i = 0; i != count; ++i) {
    to[i] = from[i];
    if (to[i].id == rule::none) to[i].id = target;  // a leaf takes the identity of the rule it stands in
  }
  // The rule's node takes the place of its first child.
  out.cut(mark + 1);
  out[mark] = made;
}

cptr matcher::literal(const pexpr& e, cptr pos, bool build) {
  const std::size_t n = e.text.size();
  if (std::size_t(last_ - pos) < n) return nullptr;
  // Keywords and operators are a few characters, mostly told apart at the first or second: compared here
  // rather than through a library call.
  const wchar_t* const text = e.text.data();
  for (std::size_t i = 0; i != n; ++i)
    if (pos[i] != text[i]) return nullptr;
  if (build) push_leaf(pos, pos + n);
  return pos + n;
}

inline bool matcher::accepts(const pexpr& e, wchar_t c) const {
  switch (e.k) {
    case kind::range:
      return e.lo <= c && c <= e.hi;
    case kind::any:
      return true;
    default:
      return classes_.is(e.k, c);
  }
}

cptr matcher::single(const pexpr& e, cptr pos, bool build) {
  if (pos == last_ || !accepts(e, *pos)) return nullptr;
  if (build) push_leaf(pos, pos + 1);
  return pos + 1;
}

// One iteration of the start rule's own repetition: nesting too deeply there fails the iteration only.
cptr matcher::guarded(std::uint32_t part, cptr pos, bool build) {
  try {
    return match(part, pos, build);
  } catch (const too_deep&) {
    depth = 1;
    return nullptr;
  }
}

// Greedy repetition that never gives back. An iteration that consumes nothing ends it, so no form can loop.
cptr matcher::repeat(std::uint32_t part, cptr pos, bool build) {
  // A run of characters of one class that leaves no nodes (white space, digits) needs no machinery.
  const pexpr& e = g_.pool[part];
  if (!build && is_class(e)) return skip(e, pos);
  for (;;) {
    const mark_t m = mark();
    const cptr next = depth == 1 ? guarded(part, pos, build) : match(part, pos, build);
    if (!next || next == pos) {
      drop(m);
      return pos;
    }
    pos = next;
  }
}

// A run of one-level rules (`chain`), matched without an activation per level. Going down, each level's
// repetition in front of its operand runs at the level's depth and its reference's first-character test is
// made; the rule at the bottom is activated at the depth the levels would have reached; going up, each level's
// repetition after its operand runs at its depth and its node is made over the nodes since it began. Far from
// the nesting limit only, where no level could fail for depth; the tree, the result and the depth on leaving
// are those of the activations one inside the other.
cptr matcher::chain(rule top, cptr pos, bool build) {
  const mark_t m = mark();
  const unsigned base = depth;
  const std::size_t k = g_.chain[std::size_t(top)];
  rule levels[64];
  std::size_t marks[64];
  rule r = top;
  for (std::size_t i = 0; i != k; ++i) {
    levels[i] = r;
    marks[i] = out.size();
    const level_form form = g_.level[std::size_t(r)];
    const rule_set::level_parts& p = g_.parts[std::size_t(r)];
    if (form == level_form::operand_last) {
      depth = base + unsigned(i) + 1;
      if (!fails_at_once(*p.each, pos)) pos = attempt(*p.more, pos, build);  // never fails
    }
    // A body that is a reference alone was tested by the caller, as the rule's own reference.
    if (form != level_form::alone && fails_at_once(*p.operand, pos)) {
      drop(m);
      depth = base;
      return nullptr;
    }
    r = p.operand->target;
  }
  depth = base + unsigned(k);
  cptr at = activate(r, pos, build);
  if (!at) {
    drop(m);
    depth = base;
    return nullptr;
  }
  for (std::size_t i = k; i-- != 0;) {
    if (g_.level[std::size_t(levels[i])] == level_form::operand_first) {
      const rule_set::level_parts& p = g_.parts[std::size_t(levels[i])];
      depth = base + unsigned(i) + 1;
      if (!fails_at_once(*p.each, at)) at = attempt(*p.more, at, build);  // never fails
    }
    depth = base + unsigned(i);
    if (!build) continue;
    const std::size_t mark = marks[i];
    if (out.size() == mark + 1) {  // one node since the level began: it moves down, the level's over it
      record& child = out[mark];
      const std::uint32_t index = std::uint32_t(nodes.size());
      record* const to = nodes.extend(1);
      *to = child;
      if (to->id == rule::none) to->id = levels[i];
      child = record{levels[i], false, index, 1};
    } else {
      wrap(levels[i], mark);
    }
  }
  return at;
}

cptr matcher::activate(rule target, cptr pos, bool build) {
  if (depth >= grammar::max_nesting) throw too_deep{};
  if (const std::size_t k = g_.chain[std::size_t(target)];
      k != 0 && use_first_ && depth + rule_count + k < grammar::max_nesting)
    return chain(target, pos, build);
  const std::size_t mark = out.size();
  ++depth;
  // The body starts with the characters its reference does, tested by the caller one level up: a test that
  // one level deeper can only be left out, not come out otherwise.
  const cptr next = attempt(g_.pool[g_.body[std::size_t(target)]], pos, build);
  --depth;
  if (next && build) wrap(target, mark);
  return next;
}

cptr matcher::attempt(const pexpr& e, cptr pos, bool build) {
  switch (e.k) {
    case kind::literal:
      return literal(e, pos, build);
    case kind::range:
    case kind::any:
    case kind::space:
    case kind::alpha:
    case kind::alnum:
    case kind::digit:
      return single(e, pos, build);
    case kind::sequence: {
      const mark_t m = mark();
      for (std::size_t i = 0, n = e.parts.size(); i != n; ++i) {
        const pexpr& part = g_.pool[e.parts[i]];
        if (part.skip != no_skip) {  // white space: never fails, leaves no node
          pos = skip(g_.pool[part.skip], pos);
          continue;
        }
        if ((part.k == kind::star || part.k == kind::optional) && fails_at_once(g_.pool[part.parts[0]], pos))
          continue;  // a repetition or option whose part cannot start here matches nothing
        pos = !build && part.one_char ? one(part, pos) : match(part, pos, build);
        if (!pos) {
          drop(m);
          return nullptr;
        }
      }
      return pos;
    }
    case kind::choice:
      if (e.dispatch != no_dispatch && use_first_ && depth + rule_count < grammar::max_nesting) {
        // Only the parts the next character lets match are tried, in their order: the others would fail
        // their own first-character test.
        for (std::uint64_t viable = g_.dispatch[e.dispatch + row(pos)]; viable; viable &= viable - 1) {
          const pexpr& part = g_.pool[e.parts[std::size_t(__builtin_ctzll(viable))]];
          const cptr next = part.k == kind::reference ? activate(part.target, pos, build) : attempt(part, pos, build);
          if (next) return next;
        }
        return nullptr;
      }
      for (std::size_t i = 0, n = e.parts.size(); i != n; ++i)
        if (const cptr next = match(e.parts[i], pos, build)) return next;
      return nullptr;
    case kind::star: {
      const pexpr& part = g_.pool[e.parts[0]];
      if (!build && is_class(part)) return skip(part, pos);
      if (!build && part.one_char) return skip_ones(part, pos);
      // A part that cannot start here ends the repetition before its first iteration, as that iteration's
      // own test would: the common case after an operand, where no operator of its level follows.
      if (fails_at_once(part, pos)) return pos;
      return repeat(e.parts[0], pos, build);
    }
    case kind::plus: {
      const cptr next = match(e.parts[0], pos, build);
      return next ? repeat(e.parts[0], next, build) : nullptr;
    }
    case kind::optional: {
      const cptr next = match(e.parts[0], pos, build);
      return next ? next : pos;
    }
    case kind::difference: {
      const mark_t m = mark();
      const cptr next = match(e.parts[0], pos, build);
      if (!next) return nullptr;
      const cptr other = match(e.parts[1], pos, false);
      if (other && other - pos >= next - pos) {
        drop(m);
        return nullptr;
      }
      return next;
    }
    case kind::hidden: {
      // Mostly white space: a run of one class is skipped here, without the calls of a repetition.
      const pexpr& part = g_.pool[e.parts[0]];
      if (part.k == kind::star) {
        if (const pexpr& each = g_.pool[part.parts[0]]; is_class(each)) return skip(each, pos);
      }
      return match(e.parts[0], pos, false);
    }
    case kind::leaf: {
      const cptr next = match(e.parts[0], pos, false);
      if (next && build && next != pos) push_leaf(pos, next);
      return next;
    }
    case kind::reference:
      return activate(e.target, pos, build);
  }
  return nullptr;
}

}  // namespace

struct grammar::rules : rule_set {};

// The rules never change once built, so every grammar shares one set.
grammar::grammar() {
  static const rules* const shared = [] {
    auto* r = new rules;
    r->pool.reserve(768);  // about 700 expressions: one allocation, no copies while the rules grow
    r->body.fill(no_body);
    define_rules(*r);
    compute_first_chars(*r);
    compute_dispatch(*r);
    compute_chains(*r);
    compute_skips(*r);
    compute_one_chars(*r);
    assert(std::count(r->body.begin() + 1, r->body.end(), no_body) == 0);
    return r;
  }();
  rules_ = shared;
}

grammar::~grammar() = default;

syntax_info grammar::parse_syntax(rule start, iterator first, iterator last) const {
  syntax_info info;
  info.stop = first;
  if (std::size_t(start) == 0 || std::size_t(start) >= rule_count) return info;
  static const wchar_t nothing = 0;
  const cptr begin = first == last ? &nothing : &*first;
  matcher m(*rules_, begin, begin + (last - first), use_first_chars_);
  // Scripts come to about two nodes a character: room for them at once.
  m.nodes.reserve(2 * std::size_t(last - first) + 16);
  m.out.reserve(256);
  cptr end = nullptr;
  try {
    end = m.start(start, begin);
  } catch (const too_deep&) {
    end = nullptr;
  }
  if (end) {
    info.match = true;
    info.length = std::size_t(end - begin);
    info.stop = first + std::ptrdiff_t(info.length);
    info.full = info.stop == last;
    m.nodes.push_back(m.out.back());  // the start rule's node, last in the array
    info.tree = syntax_tree(begin, std::move(m.nodes));
  }
  return info;
}

parse_info grammar::parse(rule start, iterator first, iterator last) const {
  const syntax_info s = parse_syntax(start, first, last);
  parse_info info;
  static_cast<parse_outcome&>(info) = s;
  if (s.match) info.trees.push_back(s.tree.copy(s.tree.root()));
  return info;
}

void record_array::grow_to(std::size_t n) {
  auto* const block = static_cast<record*>(parse_memory::allocate(n * sizeof(record)));
  const std::size_t size = this->size();
  if (begin_) {
    std::copy(begin_, end_, block);
    parse_memory::release(begin_, std::size_t(cap_ - begin_) * sizeof(record));
  }
  begin_ = block;
  end_ = block + size;
  cap_ = block + n;
}

void syntax_node::out_of_range() { throw std::out_of_range("syntax_node::at"); }

parse_node syntax_tree::copy(syntax_node node) const {
  parse_node n;
  n.id = node.id();
  n.text = std::wstring(node.text());
  n.children.reserve(node.size());
  for (const syntax_node child : node) n.children.push_back(copy(child));
  return n;
}

}  // namespace plang
