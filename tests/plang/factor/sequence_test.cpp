// Vector and list values: clones in, stored handles out, resizing, the
// range errors and refusals at their lines, descriptions, equality.
#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <stdexcept>
#include <string>

#include <boost/make_shared.hpp>

#include "plang/factor/boolean.hpp"
#include "plang/factor/exception.hpp"
#include "plang/factor/hash_.hpp"
#include "plang/factor/list_.hpp"
#include "plang/factor/nil.hpp"
#include "plang/factor/signed_.hpp"
#include "plang/factor/string_.hpp"
#include "plang/factor/unsigned_.hpp"
#include "plang/factor/vector_.hpp"
#include "plang/method.hpp"
#include "plang/signal.hpp"
#include "tests/plang/factor/outcome.hpp"

namespace {

using plang::factor;
using plang::handle;
using plang::list_;
using plang::vector_;
using plang::test::method_outcome;
using plang::test::outcome;

handle integer(int v) { return boost::make_shared<plang::signed_<int>>(v); }

handle call(const handle& self, const wchar_t* name, factor::vector args = {}) {
  return self->method(plang::method_request<wchar_t>(args, name));
}

// `e += n` as the evaluator runs it: add into a temporary, assign back in place.
void add_assign(const handle& e, int n) {
  handle t = integer(n);
  e->add(t);
  *e = t;
}

std::uint32_t hash_of(const handle& v, std::uint32_t seed = 0) {
  v->hash_into(seed);
  return seed;
}

// What differs between the two classes.
template <class T>
struct traits;
template <>
struct traits<vector_> {
  static constexpr const char* name = "vector";
  static constexpr const char* file = "plang/factor/vector_";
  static constexpr std::uint32_t id = plang::typeid_anchor::vector;
  static constexpr int constructor_line = 28;
  static constexpr int lookup_line = 251;
  static constexpr int swap_line = 291;
};
template <>
struct traits<list_> {
  static constexpr const char* name = "list";
  static constexpr const char* file = "plang/factor/list_";
  static constexpr std::uint32_t id = plang::typeid_anchor::list;
  static constexpr int constructor_line = 30;
  static constexpr int lookup_line = 269;
  static constexpr int swap_line = 318;
};

template <class T>
class Sequence : public ::testing::Test {
 protected:
  using tr = traits<T>;

  static handle make() { return boost::make_shared<T>(); }
  // A sequence of ints built by push_back.
  static handle of(std::initializer_list<int> values) {
    const handle s = make();
    for (int v : values) call(s, L"push_back", {integer(v)});
    return s;
  }
  static std::string text(const std::string& body) { return std::string(tr::name) + "[" + body + "]"; }
  static std::string error(int line, const std::string& function, const std::string& message) {
    return std::string(tr::file) + "(" + std::to_string(line) + ") plang::" + tr::name + "_::" + function + ": " +
           message;
  }
  static std::string range_error(int line) {
    return std::string("sig_throw range_error(") + tr::file + "(" + std::to_string(line) + ") : plang::" + tr::name +
           "_::_method)";
  }
  static const T& payload(const handle& s) { return static_cast<const T&>(*s); }
};

using classes = ::testing::Types<vector_, list_>;
TYPED_TEST_SUITE(Sequence, classes);

TYPED_TEST(Sequence, ConstructionFromCountAndFill) {
  using tr = typename TestFixture::tr;
  // vector v(3, 7): three separate 7s.
  const handle s = TestFixture::make();
  s->call_constructor(factor::vector{integer(3), integer(7)});
  EXPECT_EQ(s->describe(), TestFixture::text("int(7), int(7), int(7)"));
  add_assign(call(s, L"front"), 10);
  EXPECT_EQ(s->describe(), TestFixture::text("int(17), int(7), int(7)"));

  // vector v(2): two separate nils.
  const handle n = TestFixture::make();
  n->call_constructor(integer(2));
  EXPECT_EQ(n->describe(), TestFixture::text("nil(), nil()"));
  EXPECT_NE(call(n, L"front").get(), call(n, L"back").get());

  // vector w(v): an element-wise copy of clones.
  const handle copy = TestFixture::make();
  copy->call_constructor(s);
  EXPECT_TRUE(copy->same_value(s));
  EXPECT_NE(call(copy, L"front").get(), call(s, L"front").get());

  // Any other number of arguments is refused.
  for (const factor::vector& args :
       {factor::vector{}, factor::vector{integer(1)}, factor::vector{integer(1), integer(2), integer(3)}}) {
    const handle r = TestFixture::make();
    std::string listed;
    for (std::size_t i = 0; i < args.size(); ++i)
      listed += (i ? ", v[" : "v[") + std::to_string(i) + "]=int(" + std::to_string(i + 1) + ")";
    EXPECT_EQ(outcome([&] { r->call_constructor(args); }, r),
              TestFixture::error(tr::constructor_line, "call_constructor", listed));
  }
  // The count converts through the argument's own conversion: a text count is
  // read as a number, a vector count raises the vector's bad_cast.
  const handle t = TestFixture::make();
  t->call_constructor(factor::vector{plang::make_string(L"2"), integer(0)});
  EXPECT_EQ(t->describe(), TestFixture::text("int(0), int(0)"));
  EXPECT_EQ(outcome(
                [&] {
                  t->call_constructor(factor::vector{boost::make_shared<vector_>(), integer(0)});
                },
                t),
            "sig_throw bad_cast(plang/factor/vector_(112) : plang::vector_::operator unsigned int)");
  EXPECT_EQ(t->describe(), TestFixture::text("int(0), int(0)"));
}

TYPED_TEST(Sequence, ClonesInStoredHandlesOut) {
  const handle s = TestFixture::make();
  const handle x = integer(1);
  const handle stored = call(s, L"push_back", {x});
  EXPECT_NE(stored.get(), x.get());  // a clone went in
  ++*x;
  EXPECT_EQ(s->describe(), TestFixture::text("int(1)"));
  EXPECT_EQ(stored.get(), call(s, L"back").get());  // the result is the stored element

  add_assign(call(s, L"back"), 10);  // back() += 10 changes the element
  ++*call(s, L"front");
  EXPECT_EQ(s->describe(), TestFixture::text("int(12)"));

  // pop_back hands out the stored value, which outlives its removal.
  call(s, L"push_back", {integer(5)});
  const handle popped = call(s, L"pop_back");
  EXPECT_EQ(popped->describe(), "int(5)");
  EXPECT_EQ(s->describe(), TestFixture::text("int(12)"));

  // Pushing a sequence into itself stores a copy of it as it was.
  call(s, L"push_back", {s});
  EXPECT_EQ(s->describe(), TestFixture::text("int(12), " + TestFixture::text("int(12)")));

  // clear releases the elements, the values held elsewhere stay.
  EXPECT_EQ(call(s, L"clear")->describe(), "nil()");
  EXPECT_EQ(s->describe(), TestFixture::text(""));
  EXPECT_EQ(stored->describe(), "int(12)");
}

TYPED_TEST(Sequence, SizeEmptyAndResize) {
  const handle s = TestFixture::of({1, 2});
  const handle size = call(s, L"size");
  EXPECT_EQ(size->get_typeid(), plang::typeid_anchor::unsigned_int);
  EXPECT_EQ(size->describe(), "unsigned int(2)");
  const handle empty = call(s, L"empty");
  EXPECT_EQ(empty->get_typeid(), plang::typeid_anchor::boolean);
  EXPECT_EQ(empty->describe(), "bool(0)");

  EXPECT_EQ(call(s, L"resize", {integer(5)})->describe(), "nil()");
  EXPECT_EQ(s->describe(), TestFixture::text("int(1), int(2), nil(), nil(), nil()"));
  EXPECT_NE(call(s, L"back").get(), TestFixture::payload(s).elements.begin()->get());
  call(s, L"resize", {integer(1)});
  EXPECT_EQ(s->describe(), TestFixture::text("int(1)"));
  call(s, L"resize", {integer(3), integer(7)});
  EXPECT_EQ(s->describe(), TestFixture::text("int(1), int(7), int(7)"));
  add_assign(call(s, L"back"), 1);  // each new position has its own clone
  EXPECT_EQ(s->describe(), TestFixture::text("int(1), int(7), int(8)"));
  call(s, L"resize", {integer(0)});
  EXPECT_EQ(call(s, L"empty")->describe(), "bool(1)");

  // Growing with the sequence itself as fill stores copies of it as it was.
  const handle v = TestFixture::of({1, 2});
  call(v, L"resize", {integer(4), v});
  const std::string before = TestFixture::text("int(1), int(2)");
  EXPECT_EQ(v->describe(), TestFixture::text("int(1), int(2), " + before + ", " + before));
  EXPECT_NE(call(v, L"back").get(), std::next(TestFixture::payload(v).elements.begin(), 2)->get());
}

TYPED_TEST(Sequence, CountsAboveTheLimitRaiseLengthError) {
  const handle s = TestFixture::of({1});
  EXPECT_THROW(call(s, L"resize", {integer((1 << 28) + 1)}), std::length_error);
  EXPECT_THROW(call(s, L"resize", {integer(-1), integer(0)}), std::length_error);
  EXPECT_THROW(s->call_constructor(integer(-1)), std::length_error);
  EXPECT_THROW(s->call_constructor(factor::vector{integer(-1), integer(0)}), std::length_error);
  EXPECT_EQ(s->describe(), TestFixture::text("int(1)"));
}

TYPED_TEST(Sequence, SwapAndAssignment) {
  using tr = typename TestFixture::tr;
  const handle a = TestFixture::of({1});
  const handle b = TestFixture::of({2, 3});
  EXPECT_EQ(call(a, L"swap", {b})->describe(), "nil()");
  EXPECT_EQ(a->describe(), TestFixture::text("int(2), int(3)"));
  EXPECT_EQ(b->describe(), TestFixture::text("int(1)"));
  call(a, L"swap", {a});
  EXPECT_EQ(a->describe(), TestFixture::text("int(2), int(3)"));

  // The other class, or any other value, is refused; nothing changes.
  const handle other =
      std::string(tr::name) == "vector" ? handle(boost::make_shared<list_>()) : handle(boost::make_shared<vector_>());
  const std::string other_text = other->describe();
  EXPECT_EQ(method_outcome(a, L"swap", {other}),
            TestFixture::error(tr::swap_line, "_method", "id=swap, v[0]=" + other_text));
  EXPECT_EQ(a->describe(), TestFixture::text("int(2), int(3)"));
  EXPECT_EQ(other->describe(), other_text);

  // Assignment copies element-wise; self-assignment keeps the elements.
  const handle first = call(a, L"front");
  *a = a;
  EXPECT_EQ(call(a, L"front").get(), first.get());
  *b = a;
  EXPECT_TRUE(b->same_value(a));
  EXPECT_NE(call(b, L"front").get(), first.get());
}

TYPED_TEST(Sequence, RefusedOperations) {
  using tr = typename TestFixture::tr;
  const bool is_vector = std::string(tr::name) == "vector";
  struct row {
    const char* function;
    int vector_line, list_line;
    std::string text;
    std::function<void(factor&)> op;
  };
  auto binary = [](void (factor::*fn)(handle&) const) {
    return [fn](factor& self) {
      handle slot = integer(1);
      (self.*fn)(slot);
    };
  };
  auto unary = [](void (factor::*fn)(handle&) const) {
    return [fn](factor& self) {
      handle slot = self.clone();
      (self.*fn)(slot);
    };
  };
  std::istringstream is("1");
  std::wistringstream wis(L"1");
  std::ostringstream os;
  std::wostringstream wos;
  const std::string self_text = TestFixture::text("int(4)");
  const row rows[] = {
      {"add", 33, 35, "int(1)", binary(&factor::add)},
      {"subtract", 37, 39, "int(1)", binary(&factor::subtract)},
      {"multiply", 41, 43, "int(1)", binary(&factor::multiply)},
      {"divide", 45, 47, "int(1)", binary(&factor::divide)},
      {"mod", 49, 51, "int(1)", binary(&factor::mod)},
      {"_and", 53, 55, "int(1)", binary(&factor::_and)},
      {"_or", 57, 59, "int(1)", binary(&factor::_or)},
      {"eq", 61, 63, "int(1)", binary(&factor::eq)},
      {"ne", 65, 67, "int(1)", binary(&factor::ne)},
      {"lt", 69, 71, "int(1)", binary(&factor::lt)},
      {"gt", 73, 75, "int(1)", binary(&factor::gt)},
      {"lte", 77, 79, "int(1)", binary(&factor::lte)},
      {"gte", 81, 83, "int(1)", binary(&factor::gte)},
      {"not", 85, 87, self_text, unary(&factor::not_)},
      {"minus", 89, 91, self_text, unary(&factor::minus)},
      {"operator =", 94, 96, "int(1)", [](factor& s) { s = integer(1); }},
      {"operator ++", 99, 101, "", [](factor& s) { ++s; }},
      {"operator --", 103, 105, "", [](factor& s) { --s; }},
      {"member", 137, 139, "name", [](factor& s) { s.member(std::string("name")); }},
      {"member", 141, 143, "name", [](factor& s) { s.member(std::wstring(L"name")); }},
      {"write_ostream", 193, 203, "", [&](factor& s) { s.write_ostream(os); }},
      {"write_ostream", 197, 207, "", [&](factor& s) { s.write_ostream(wos); }},
      {"read_istream", 201, 211, "", [&](factor& s) { s.read_istream(is); }},
      {"read_istream", 205, 215, "", [&](factor& s) { s.read_istream(wis); }},
      // Calls not in the table.
      {"_method", 251, 269, "id=size, v[0]=int(1)",
       [](factor& s) { s.method(plang::method_request<wchar_t>(factor::vector{integer(1)}, L"size")); }},
      {"_method", 251, 269, "id=Size, v=0",
       [](factor& s) { s.method(plang::method_request<char>(factor::vector{}, "Size")); }},
      {"_method", 251, 269, "id=resize, v[0]=int(1), v[1]=int(1), v[2]=int(1)",
       [](factor& s) {
         s.method(plang::method_request<wchar_t>(factor::vector{integer(1), integer(1), integer(1)}, L"resize"));
       }},
  };
  for (const row& r : rows) {
    const int line = is_vector ? r.vector_line : r.list_line;
    SCOPED_TRACE(std::string(r.function) + " " + std::to_string(line));
    const handle self = TestFixture::of({4});
    EXPECT_EQ(outcome([&] { r.op(*self); }, self), TestFixture::error(line, r.function, r.text));
    EXPECT_EQ(self->describe(), self_text);
  }
  EXPECT_EQ(method_outcome(TestFixture::make(), L"at"), TestFixture::error(tr::lookup_line, "_method", "id=at, v=0"));

  // The reported case, whole.
  if (is_vector) {
    handle slot = integer(1);
    EXPECT_EQ(outcome([&] { TestFixture::of({})->add(slot); }, slot),
              "plang/factor/vector_(33) plang::vector_::add: int(1)");
  }

  // Conversions raise the class's bad_cast.
  const std::string conv = std::string("plang::") + tr::name + "_::operator ";
  const std::string narrow = "class std::basic_string<char,struct std::char_traits<char>,class std::allocator<char> >";
  const std::string wide =
      "class std::basic_string<wchar_t,struct std::char_traits<wchar_t>,class std::allocator<wchar_t> >";
  const int base = is_vector ? 108 : 110;
  const struct {
    std::string name;
    std::function<void(const factor&)> op;
  } conversions[] = {
      {"bool", [](const factor& s) { (void)s.operator bool(); }},
      {"unsigned int", [](const factor& s) { (void)s.operator unsigned int(); }},
      {"int", [](const factor& s) { (void)s.operator int(); }},
      {"float", [](const factor& s) { (void)s.operator float(); }},
      {"double", [](const factor& s) { (void)s.operator double(); }},
      {narrow, [](const factor& s) { (void)s.operator std::string(); }},
      {wide, [](const factor& s) { (void)s.operator std::wstring(); }},
  };
  int line = base;
  for (const auto& c : conversions) {
    const handle self = TestFixture::make();
    EXPECT_EQ(outcome([&] { c.op(*self); }, self), std::string("sig_throw bad_cast(") + tr::file + "(" +
                                                       std::to_string(line) + ") : " + conv + c.name + ")");
    line += 4;
  }
}

TYPED_TEST(Sequence, DescriptionsEqualityAndHash) {
  EXPECT_EQ(TestFixture::make()->describe(), TestFixture::text(""));
  EXPECT_EQ(TestFixture::of({1, 2})->describe(), TestFixture::text("int(1), int(2)"));
  EXPECT_EQ(TestFixture::make()->get_typeid(), TestFixture::tr::id);

  const handle a = TestFixture::of({1, 2});
  const handle b = TestFixture::of({1, 2});
  EXPECT_TRUE(a->same_value(b));
  EXPECT_EQ(hash_of(a), hash_of(b));
  EXPECT_FALSE(a->same_value(TestFixture::of({2, 1})));
  EXPECT_FALSE(a->same_value(TestFixture::of({1})));
  EXPECT_FALSE(a->same_value(TestFixture::of({1, 2, 3})));
  const handle c = a->clone();
  EXPECT_TRUE(c->same_value(a));
  EXPECT_EQ(hash_of(c), hash_of(a));
  ++*call(c, L"front");  // the clone's elements are its own
  EXPECT_EQ(a->describe(), TestFixture::text("int(1), int(2)"));
}

TEST(VectorAndList, VectorAndListDiffer) {
  const handle v = boost::make_shared<vector_>();
  const handle l = boost::make_shared<list_>();
  for (int i : {1, 2}) {
    call(v, L"push_back", {integer(i)});
    call(l, L"push_back", {integer(i)});
  }
  EXPECT_FALSE(v->same_value(l));
  EXPECT_FALSE(l->same_value(v));
  EXPECT_NE(hash_of(v), hash_of(l));
  // An empty vector leaves the seed as it was; a list mixes its typeid in.
  EXPECT_EQ(hash_of(boost::make_shared<vector_>(), 77), 77u);
  EXPECT_NE(hash_of(boost::make_shared<list_>(), 77), 77u);
  // A vector hashes as its elements in order.
  EXPECT_EQ(hash_of(v), hash_of(integer(2), hash_of(integer(1))));
}

TEST(VectorAndList, VectorIndexing) {
  const handle v = boost::make_shared<vector_>();
  for (int i : {10, 20, 30}) call(v, L"push_back", {integer(i)});
  EXPECT_EQ(call(v, L"at", {integer(1)})->describe(), "int(20)");
  EXPECT_EQ(call(v, L"at", {plang::make_string(L"2")})->describe(), "int(30)");

  add_assign(call(v, L"at", {integer(0)}), 10);  // v.at(0) += 10
  EXPECT_EQ(v->describe(), "vector[int(20), int(20), int(30)]");

  const handle x = integer(99);
  const handle old = call(v, L"at", {integer(1)});
  EXPECT_EQ(call(v, L"replace", {integer(1), x}).get(), old.get());  // the element stored before
  ++*x;                                                              // a clone was stored
  EXPECT_EQ(v->describe(), "vector[int(20), int(99), int(30)]");
  EXPECT_NE(call(v, L"at", {integer(1)}).get(), x.get());
}

TEST(VectorAndList, ListEnds) {
  const handle l = boost::make_shared<list_>();
  const handle x = integer(1);
  const handle stored = call(l, L"push_front", {x});
  EXPECT_EQ(stored.get(), call(l, L"front").get());
  call(l, L"push_front", {integer(0)});
  call(l, L"push_back", {integer(2)});
  ++*x;
  EXPECT_EQ(l->describe(), "list[int(0), int(1), int(2)]");
  EXPECT_EQ(call(l, L"pop_front")->describe(), "int(0)");
  EXPECT_EQ(call(l, L"pop_back")->describe(), "int(2)");
  EXPECT_EQ(l->describe(), "list[int(1)]");
}

// Range errors: script-catchable values carrying the class, the dispatcher
// and the raising line; the sequence is left as it was.
TEST(VectorAndList, RangeErrorLines) {
  const struct {
    bool vector;
    std::initializer_list<int> elements;
    const wchar_t* method;
    std::initializer_list<int> arguments;
    int line;
  } rows[] = {
      {true, {}, L"pop_back", {}, 260},        {true, {}, L"back", {}, 271},
      {true, {}, L"front", {}, 276},           {true, {1, 2}, L"at", {2}, 282},
      {true, {1, 2}, L"at", {-1}, 282},        {true, {}, L"at", {0}, 282},
      {true, {1, 2}, L"replace", {2, 5}, 302}, {true, {1, 2}, L"replace", {-1, 5}, 302},
      {false, {}, L"front", {}, 278},          {false, {}, L"back", {}, 283},
      {false, {}, L"pop_front", {}, 288},      {false, {}, L"pop_back", {}, 295},
  };
  for (const auto& r : rows) {
    const handle s = r.vector ? handle(boost::make_shared<vector_>()) : handle(boost::make_shared<list_>());
    for (int e : r.elements) call(s, L"push_back", {integer(e)});
    const std::string before = s->describe();
    factor::vector args;
    for (int a : r.arguments) args.push_back(integer(a));
    const std::string cls = r.vector ? "vector_" : "list_";
    SCOPED_TRACE(cls + " " + std::to_string(r.line));
    EXPECT_EQ(method_outcome(s, r.method, args), "sig_throw range_error(plang/factor/" + cls + "(" +
                                                     std::to_string(r.line) + ") : plang::" + cls + "::_method)");
    EXPECT_EQ(s->describe(), before);
  }
}

// The narrow dispatcher reaches the same methods as the wide one.
TEST(VectorAndList, NarrowCallRecords) {
  const handle v = boost::make_shared<vector_>();
  v->method(plang::method_request<char>(factor::vector{integer(3)}, "push_back"));
  EXPECT_EQ(v->method(plang::method_request<char>(factor::vector{}, "size"))->describe(), "unsigned int(1)");
  const handle l = boost::make_shared<list_>();
  l->method(plang::method_request<char>(factor::vector{integer(3)}, "push_front"));
  EXPECT_EQ(l->method(plang::method_request<char>(factor::vector{}, "size"))->describe(), "unsigned int(1)");
}

}  // namespace
