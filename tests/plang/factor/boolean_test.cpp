// Boolean and nil values against bool, nil and an operand that has no
// conversion to bool.
#include "plang/factor/boolean.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <sstream>

#include <boost/make_shared.hpp>

#include "plang/exception.hpp"
#include "plang/factor/exception.hpp"
#include "plang/factor/nil.hpp"
#include "plang/method.hpp"
#include "plang/signal.hpp"
#include "tests/plang/factor/outcome.hpp"

namespace {

using plang::factor;
using plang::handle;

enum operand { T, F, N, X };  // true, false, nil, a bad_cast value (no bool conversion)

handle make(operand o) {
  switch (o) {
    case T:
      return boost::make_shared<plang::boolean>(true);
    case F:
      return boost::make_shared<plang::boolean>(false);
    case N:
      return plang::make_nil();
    default:
      return boost::make_shared<plang::exception_<plang::bad_cast_>>("f", "g", 1);
  }
}

using plang::test::outcome;

TEST(BooleanAndNil, Logic) {
  using op = void (factor::*)(handle&) const;
  const char* const raised_by_x =
      "sig_throw bad_cast(plang/factor/exception(121) : "
      "plang::exception_<class plang::bad_cast_>::operator bool)";
  // Independent model: nil is false; _and converts the right operand only
  // when the left is true, _or only when it is false; eq and ne always do.
  struct logic {
    const char* name;
    op fn;
    bool short_value;  // the left truth at which the right is not looked at
    bool negate;       // eq gives bool(R) == left, the others bool(R) (or its negation)
  };
  const logic ops[] = {{"_and", &factor::_and, false, false},
                       {"_or", &factor::_or, true, false},
                       {"eq", &factor::eq, false, false},
                       {"ne", &factor::ne, false, false}};
  for (operand l : {T, F, N}) {
    for (const logic& o : ops) {
      for (operand r : {T, F, N, X}) {
        SCOPED_TRACE(std::string(o.name) + " left " + "TFN"[l] + " right " + "TFNX"[r]);
        const handle left = make(l);
        const handle right = make(r);
        handle slot = right;
        const std::string got = outcome([&] { ((*left).*(o.fn))(slot); }, slot);
        const bool lv = l == T;
        const bool is_eq = o.fn == &factor::eq, is_ne = o.fn == &factor::ne;
        std::string expected;
        if (!is_eq && !is_ne && lv == o.short_value) {
          expected = lv ? "bool(1)" : "bool(0)";
        } else if (r == X) {
          expected = raised_by_x;
        } else {
          const bool rv = r == T;
          const bool v = is_eq ? rv == lv : is_ne ? rv != lv : rv;
          expected = v ? "bool(1)" : "bool(0)";
        }
        EXPECT_EQ(got, expected);
        if (expected == raised_by_x) {
          EXPECT_EQ(slot, right);  // nothing stored
        }
        EXPECT_NE(slot.get(), left.get());
        EXPECT_EQ(left->describe(), make(l)->describe());  // the left value is unchanged
      }
    }
  }
  // not gives a new boolean; nil is false.
  for (operand l : {T, F, N}) {
    handle slot = make(l);
    const handle before = slot;
    slot->not_(slot);
    EXPECT_EQ(slot->describe(), l == T ? "bool(0)" : "bool(1)");
    EXPECT_NE(slot.get(), before.get());
  }
}

TEST(BooleanAndNil, RefusedOperations) {
  const handle x = make(X);
  const std::string x_text = "bad_cast(f(1) : g)";
  std::istringstream is("1");
  std::wistringstream wis(L"1");
  struct row {
    operand receiver;
    const char* function;
    int line;
    std::string text;
    std::function<void(factor&)> op;
  };
  auto binary = [&](void (factor::*fn)(handle&) const) {
    return [fn, &x](factor& self) {
      handle slot = x;
      (self.*fn)(slot);
    };
  };
  const plang::method_request<char> narrow_call(factor::vector{}, "size");
  const plang::method_request<wchar_t> wide_call(factor::vector{make(T), make(N)}, L"at");
  const std::string wide_call_text = "id=at, v[0]=bool(1), v[1]=nil()";
  const row rows[] = {
      {T, "plang::boolean::call_constructor", 22, "v[0]=bool(1), v[1]=nil()",
       [](factor& s) {
         s.call_constructor(factor::vector{make(T), make(N)});
       }},
      {T, "plang::boolean::add", 27, x_text, binary(&factor::add)},
      {T, "plang::boolean::subtract", 31, x_text, binary(&factor::subtract)},
      {T, "plang::boolean::multiply", 35, x_text, binary(&factor::multiply)},
      {T, "plang::boolean::divide", 39, x_text, binary(&factor::divide)},
      {T, "plang::boolean::mod", 43, x_text, binary(&factor::mod)},
      {T, "plang::boolean::lt", 63, x_text, binary(&factor::lt)},
      {T, "plang::boolean::gt", 67, x_text, binary(&factor::gt)},
      {T, "plang::boolean::lte", 71, x_text, binary(&factor::lte)},
      {T, "plang::boolean::gte", 75, x_text, binary(&factor::gte)},
      {T, "plang::boolean::minus", 83, "bool(1)",
       [](factor& s) {
         handle h = make(T);
         s.minus(h);
       }},
      {T, "plang::boolean::operator ++", 91, "", [](factor& s) { ++s; }},
      {T, "plang::boolean::operator --", 95, "", [](factor& s) { --s; }},
      {T, "plang::boolean::member", 133, "name", [](factor& s) { s.member(std::string("name")); }},
      {T, "plang::boolean::member", 137, "name", [](factor& s) { s.member(std::wstring(L"name")); }},
      {T, "plang::boolean::method", 141, "id=size, v=0", [&](factor& s) { s.method(narrow_call); }},
      {T, "plang::boolean::method", 145, wide_call_text, [&](factor& s) { s.method(wide_call); }},
      {N, "plang::nil::call_constructor", 14, "bool(1)", [](factor& s) { s.call_constructor(make(T)); }},
      {N, "plang::nil::call_constructor", 18, "v[0]=bool(1), v[1]=nil()",
       [](factor& s) {
         s.call_constructor(factor::vector{make(T), make(N)});
       }},
      {N, "plang::nil::add", 23, x_text, binary(&factor::add)},
      {N, "plang::nil::subtract", 27, x_text, binary(&factor::subtract)},
      {N, "plang::nil::multiply", 31, x_text, binary(&factor::multiply)},
      {N, "plang::nil::divide", 35, x_text, binary(&factor::divide)},
      {N, "plang::nil::mod", 39, x_text, binary(&factor::mod)},
      {N, "plang::nil::lt", 59, x_text, binary(&factor::lt)},
      {N, "plang::nil::gt", 63, x_text, binary(&factor::gt)},
      {N, "plang::nil::lte", 67, x_text, binary(&factor::lte)},
      {N, "plang::nil::gte", 71, x_text, binary(&factor::gte)},
      {N, "plang::nil::minus", 79, "nil()",
       [](factor& s) {
         handle h = make(N);
         s.minus(h);
       }},
      {N, "plang::nil::operator =", 83, "bool(0)", [](factor& s) { s = make(F); }},
      {N, "plang::nil::operator ++", 87, "", [](factor& s) { ++s; }},
      {N, "plang::nil::operator --", 91, "", [](factor& s) { --s; }},
      {N, "plang::nil::member", 125, "name", [](factor& s) { s.member(std::string("name")); }},
      {N, "plang::nil::member", 129, "name", [](factor& s) { s.member(std::wstring(L"name")); }},
      {N, "plang::nil::method", 133, "id=size, v=0", [&](factor& s) { s.method(narrow_call); }},
      {N, "plang::nil::method", 137, wide_call_text, [&](factor& s) { s.method(wide_call); }},
      {N, "plang::nil::read_istream", 172, "", [&](factor& s) { s.read_istream(is); }},
      {N, "plang::nil::read_istream", 176, "", [&](factor& s) { s.read_istream(wis); }},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(std::string(r.function) + " " + std::to_string(r.line));
    const handle self = make(r.receiver);
    const std::string file = r.receiver == T ? "plang/factor/boolean" : "plang/factor/nil";
    EXPECT_EQ(outcome([&] { r.op(*self); }, self),
              file + "(" + std::to_string(r.line) + ") " + r.function + ": " + r.text);
    EXPECT_EQ(self->describe(), make(r.receiver)->describe());
  }
  // true add nil(): the right operand is described in the message.
  handle slot = make(N);
  EXPECT_EQ(outcome([&] { make(T)->add(slot); }, slot), "plang/factor/boolean(27) plang::boolean::add: nil()");
}

TEST(BooleanAndNil, ConversionsAndDescriptions) {
  const handle t = make(T), f = make(F), n = make(N);
  EXPECT_TRUE(t->operator bool());
  EXPECT_EQ(t->operator unsigned int(), 1u);
  EXPECT_EQ(t->operator int(), 1);
  EXPECT_EQ(t->operator float(), 1.0f);
  EXPECT_EQ(t->operator double(), 1.0);
  EXPECT_EQ(t->operator std::string(), "1");
  EXPECT_EQ(t->operator std::wstring(), L"1");
  EXPECT_EQ(f->operator int(), 0);
  EXPECT_EQ(f->operator std::wstring(), L"0");
  for (const handle& v : {f, n}) {
    EXPECT_FALSE(v->operator bool());
    EXPECT_EQ(v->operator unsigned int(), 0u);
    EXPECT_EQ(v->operator int(), 0);
    EXPECT_EQ(v->operator float(), 0.0f);
    EXPECT_EQ(v->operator double(), 0.0);
    EXPECT_EQ(v->operator std::string(), "0");
    EXPECT_EQ(v->operator std::wstring(), L"0");
  }
  EXPECT_EQ(t->describe(), "bool(1)");
  EXPECT_EQ(f->describe(), "bool(0)");
  EXPECT_EQ(n->describe(), "nil()");
  EXPECT_EQ(t->get_typeid(), plang::typeid_anchor::boolean);
  EXPECT_EQ(n->get_typeid(), plang::typeid_anchor::nil);
}

TEST(BooleanAndNil, Streams) {
  std::ostringstream os;
  std::wostringstream wos;
  make(T)->write_ostream(os);
  make(N)->write_ostream(os);
  make(F)->write_ostream(wos);
  make(N)->write_ostream(wos);
  EXPECT_EQ(os.str(), "10");
  EXPECT_EQ(wos.str(), L"00");
  std::ostringstream alpha;
  alpha << std::boolalpha;
  make(T)->write_ostream(alpha);
  EXPECT_EQ(alpha.str(), "true");  // the stream's own formatting

  plang::boolean b;
  std::istringstream is("1 0 x");
  b.read_istream(is);
  EXPECT_TRUE(b.value);
  b.read_istream(is);
  EXPECT_FALSE(b.value);
  b.read_istream(is);
  EXPECT_TRUE(is.fail());
  std::wistringstream wis(L"1");
  b.read_istream(wis);
  EXPECT_TRUE(b.value);
}

TEST(BooleanAndNil, ConstructionAndAssignment) {
  auto b = boost::make_shared<plang::boolean>(true);
  b->call_constructor();
  EXPECT_FALSE(b->value);
  b->call_constructor(make(T));
  EXPECT_TRUE(b->value);
  *b = make(N);
  EXPECT_FALSE(b->value);
  *b = make(T);
  // A source with no bool conversion raises its bad_cast and leaves the value.
  EXPECT_THROW(*b = make(X), plang::sig_throw);
  EXPECT_THROW(b->call_constructor(make(X)), plang::sig_throw);
  EXPECT_TRUE(b->value);

  const handle n = make(N);
  n->call_constructor();  // nothing

  // Clones are independent.
  const handle copy = b->clone();
  *b = make(F);
  EXPECT_EQ(copy->describe(), "bool(1)");
  EXPECT_EQ(n->clone()->describe(), "nil()");
  EXPECT_NE(n->clone().get(), n.get());
}

TEST(BooleanAndNil, EqualityAndHash) {
  auto hash_of = [](const handle& v) {
    std::uint32_t seed = 0;
    v->hash_into(seed);
    return seed;
  };
  EXPECT_TRUE(make(N)->same_value(make(N)));
  EXPECT_EQ(hash_of(make(N)), hash_of(make(N)));
  EXPECT_FALSE(make(N)->same_value(make(F)));
  EXPECT_FALSE(make(F)->same_value(make(N)));
  EXPECT_TRUE(make(T)->same_value(make(T)));
  EXPECT_FALSE(make(T)->same_value(make(F)));
  EXPECT_FALSE(make(T)->same_value(make(X)));
  EXPECT_EQ(hash_of(make(T)), 0u ^ (1u + 0x9E3779B9u));
  EXPECT_EQ(hash_of(make(F)), 0x9E3779B9u);
  EXPECT_EQ(hash_of(make(N)), 0x9E3779B9u);
}

}  // namespace
