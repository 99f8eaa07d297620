// Map values: keys found by value across classes, clones in, stored values
// out, copies, order-free equality and hashing, refusals at their lines.
#include "plang/factor/hash_.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include <boost/make_shared.hpp>

#include "plang/factor/boolean.hpp"
#include "plang/factor/exception.hpp"
#include "plang/factor/list_.hpp"
#include "plang/factor/nil.hpp"
#include "plang/factor/real.hpp"
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
using plang::hash_;
using plang::test::method_outcome;
using plang::test::outcome;

handle integer(int v) { return boost::make_shared<plang::signed_<int>>(v); }
handle text(const wchar_t* s) { return plang::make_string(s); }
handle map() { return boost::make_shared<hash_>(); }

handle call(const handle& self, const wchar_t* name, factor::vector args = {}) {
  return self->method(plang::method_request<wchar_t>(args, name));
}
std::string said(const handle& self, const wchar_t* name, factor::vector args = {}) {
  return call(self, name, std::move(args))->describe();
}

std::uint32_t hash_of(const handle& v) {
  std::uint32_t seed = 0;
  v->hash_into(seed);
  return seed;
}

handle vector_of(std::initializer_list<int> values) {
  const handle v = boost::make_shared<plang::vector_>();
  for (int i : values) call(v, L"push_back", {integer(i)});
  return v;
}

TEST(Hash, InsertKeepsTheFirstValue) {
  const handle m = map();
  EXPECT_EQ(said(m, L"insert", {integer(1), text(L"a")}), "bool(1)");
  EXPECT_EQ(said(m, L"insert", {integer(1), text(L"b")}), "bool(0)");
  EXPECT_EQ(said(m, L"at", {integer(1)}), "string(a)");
  EXPECT_EQ(said(m, L"size"), "unsigned int(1)");
  EXPECT_EQ(call(m, L"size")->get_typeid(), plang::typeid_anchor::unsigned_int);
}

TEST(Hash, KeysOfDifferentClassesNeverMatch) {
  const handle m = map();
  call(m, L"insert", {integer(1), text(L"a")});
  EXPECT_EQ(said(m, L"exist", {integer(1)}), "bool(1)");
  EXPECT_EQ(said(m, L"exist", {boost::make_shared<plang::unsigned_<unsigned int>>(1u)}), "bool(0)");
  EXPECT_EQ(said(m, L"exist", {boost::make_shared<plang::real<double>>(1.0)}), "bool(0)");
  EXPECT_EQ(said(m, L"exist", {boost::make_shared<plang::real<float>>(1.0f)}), "bool(0)");
  EXPECT_EQ(said(m, L"exist", {text(L"1")}), "bool(0)");
  EXPECT_EQ(said(m, L"exist", {boost::make_shared<plang::boolean>(true)}), "bool(0)");
  EXPECT_EQ(said(m, L"exist", {vector_of({1})}), "bool(0)");
  // A vector and a list of the same elements are different keys.
  call(m, L"insert", {vector_of({1, 2}), text(L"v")});
  const handle l = boost::make_shared<plang::list_>();
  call(l, L"push_back", {integer(1)});
  call(l, L"push_back", {integer(2)});
  EXPECT_EQ(said(m, L"exist", {l}), "bool(0)");
  EXPECT_EQ(said(m, L"insert", {l, text(L"l")}), "bool(1)");
  EXPECT_EQ(said(m, L"size"), "unsigned int(3)");
}

TEST(Hash, MissingKeysAndErase) {
  const handle m = map();
  const std::string missing = "sig_throw range_error(plang/factor/hash_(281) : plang::hash_::_method)";
  EXPECT_EQ(method_outcome(m, L"at", {integer(1)}), missing);  // empty map
  EXPECT_EQ(said(m, L"exist", {integer(1)}), "bool(0)");
  EXPECT_EQ(said(m, L"erase", {integer(1)}), "bool(0)");
  call(m, L"insert", {integer(1), text(L"a")});
  call(m, L"insert", {integer(2), text(L"b")});
  EXPECT_EQ(method_outcome(m, L"at", {integer(3)}), missing);
  EXPECT_EQ(said(m, L"erase", {integer(1)}), "bool(1)");
  EXPECT_EQ(said(m, L"size"), "unsigned int(1)");
  EXPECT_EQ(said(m, L"erase", {integer(1)}), "bool(0)");
  EXPECT_EQ(method_outcome(m, L"at", {integer(1)}), missing);
  EXPECT_EQ(said(m, L"clear"), "nil()");
  EXPECT_EQ(said(m, L"size"), "unsigned int(0)");
  EXPECT_EQ(said(m, L"empty"), "bool(1)");
  EXPECT_EQ(said(m, L"insert", {integer(2), text(L"c")}), "bool(1)");  // filled again
  EXPECT_EQ(said(m, L"at", {integer(2)}), "string(c)");
}

TEST(Hash, ClonesInStoredValuesOut) {
  const handle m = map();
  const handle key = vector_of({1, 2});
  const handle value = integer(10);
  call(m, L"insert", {key, value});
  ++*value;                                                   // the stored value is a clone
  EXPECT_EQ(said(m, L"at", {vector_of({1, 2})}), "int(10)");  // found by an equal vector

  // Changing the inserted vector changes nothing in the map.
  call(key, L"push_back", {integer(3)});
  EXPECT_EQ(said(m, L"exist", {key}), "bool(0)");
  EXPECT_EQ(said(m, L"exist", {vector_of({1, 2})}), "bool(1)");
  EXPECT_EQ(m->describe(), "hash[(vector[int(1), int(2)] , int(10))]");

  // at hands out the stored value: an in-place change shows in the map.
  const handle stored = call(m, L"at", {vector_of({1, 2})});
  ++*stored;
  EXPECT_EQ(said(m, L"at", {vector_of({1, 2})}), "int(11)");
  EXPECT_EQ(call(m, L"at", {vector_of({1, 2})}).get(), stored.get());
}

TEST(Hash, TemporariesAreStoredAsTheyAre) {
  // A built-in number, bool or text that only the call's arguments hold is
  // stored itself; anything held elsewhere, and any container, is cloned.
  struct row {
    handle (*key)();
    handle (*value)();
    bool held;
    bool stored_as_is;
  } rows[] = {
      {[] { return text(L"k"); }, [] { return text(L"a"); }, false, true},
      {[] { return text(L"k"); }, [] { return text(L"a"); }, true, false},
      {[] { return vector_of({1}); }, [] { return vector_of({2}); }, false, false},
  };
  for (const row& r : rows) {
    const handle m = map();
    handle key = r.key(), value = r.value();
    const factor* key_object = key.get();
    const factor* value_object = value.get();
    const handle probe = key->clone();
    factor::vector args;
    if (r.held) {
      args = {key, value};
    } else {
      args.push_back(std::move(key));
      args.push_back(std::move(value));
    }
    EXPECT_EQ(said(m, L"insert", std::move(args)), "bool(1)");
    EXPECT_EQ(static_cast<const hash_&>(*m).entries.storage()[0].key.get() == key_object, r.stored_as_is);
    EXPECT_EQ(call(m, L"at", {probe}).get() == value_object, r.stored_as_is);
  }
}

TEST(Hash, NumbersAreKeptSmallUntilHandedOut) {
  // An int, u?int or bool key and a number or bool value are kept as bits:
  // no key object, no value object until `at` hands the value out; from
  // then on the entry holds that object.
  struct row {
    handle key;
    handle value;
    bool small_key;
  } rows[] = {
      {integer(-7), integer(-2147483647 - 1), true},
      {handle(boost::make_shared<plang::unsigned_<unsigned int>>(4000000000u)),
       handle(boost::make_shared<plang::unsigned_<unsigned int>>(4294967295u)), true},
      {handle(boost::make_shared<plang::boolean>(false)), handle(boost::make_shared<plang::boolean>(true)), true},
      {handle(boost::make_shared<plang::real<float>>(1.5f)), handle(boost::make_shared<plang::real<float>>(-0.0f)),
       false},
      {text(L"d"), handle(boost::make_shared<plang::real<double>>(1e300)), false},
      {integer(3), handle(boost::make_shared<plang::real<double>>(-0.0)), true},
  };
  for (const row& r : rows) {
    const handle m = map();
    const std::string described = "hash[(" + r.key->describe() + " , " + r.value->describe() + ")]";
    EXPECT_EQ(said(m, L"insert", {r.key->clone(), r.value->clone()}), "bool(1)");
    const hash_::map::entry& e = static_cast<const hash_&>(*m).entries.storage()[0];
    EXPECT_EQ(!e.key, r.small_key) << described;
    EXPECT_FALSE(e.value) << described;
    EXPECT_EQ(m->describe(), described);
    EXPECT_EQ(hash_of(m), [&] {
      const handle objects = map();
      static_cast<hash_&>(*objects).entries.insert_new(hash_::map::probe(r.key), r.value->clone());
      static_cast<hash_&>(*objects).entries.storage()[0].value_object();
      EXPECT_TRUE(objects->same_value(m));
      EXPECT_TRUE(m->same_value(objects));
      return hash_of(objects);
    }());
    const handle copy = m->clone();

    const handle out = call(m, L"at", {r.key->clone()});
    EXPECT_EQ(out->get_typeid(), r.value->get_typeid());
    EXPECT_TRUE(out->same_value(r.value) || out->describe() == r.value->describe()) << described;
    EXPECT_EQ(e.value.get(), out.get());
    EXPECT_EQ(call(m, L"at", {r.key->clone()}).get(), out.get());
    // The copy made before keeps its own small value.
    EXPECT_EQ(copy->describe(), described);
    EXPECT_NE(call(copy, L"at", {r.key->clone()}).get(), out.get());
  }

  // A value handed out and changed in place shows in the map; a copy made
  // afterwards copies the object's value.
  const handle m = map();
  call(m, L"insert", {integer(1), integer(10)});
  ++*call(m, L"at", {integer(1)});
  const handle copy = m->clone();
  ++*call(m, L"at", {integer(1)});
  EXPECT_EQ(m->describe(), "hash[(int(1) , int(12))]");
  EXPECT_EQ(copy->describe(), "hash[(int(1) , int(11))]");
}

TEST(Hash, CopiesAreIndependent) {
  const handle m = map();
  call(m, L"insert", {integer(1), integer(100)});
  // hash n(m);
  const handle n = map();
  n->call_constructor(m);
  EXPECT_TRUE(n->same_value(m));
  call(n, L"insert", {integer(2), integer(200)});
  call(m, L"insert", {integer(3), integer(300)});
  ++*call(n, L"at", {integer(1)});
  EXPECT_NE(m->describe(), n->describe());
  EXPECT_EQ(said(m, L"at", {integer(1)}), "int(100)");
  EXPECT_EQ(said(n, L"at", {integer(1)}), "int(101)");
  EXPECT_EQ(said(m, L"exist", {integer(2)}), "bool(0)");
  EXPECT_EQ(said(n, L"exist", {integer(3)}), "bool(0)");

  // Assignment and clone copy the same way; self-assignment keeps the values.
  const handle before = call(m, L"at", {integer(1)});
  *m = m;
  EXPECT_EQ(call(m, L"at", {integer(1)}).get(), before.get());
  *n = m;
  EXPECT_TRUE(n->same_value(m));
  EXPECT_NE(call(n, L"at", {integer(1)}).get(), before.get());
  const handle c = m->clone();
  EXPECT_TRUE(c->same_value(m));
  EXPECT_NE(call(c, L"at", {integer(1)}).get(), before.get());
}

TEST(Hash, Swap) {
  const handle m = map();
  const handle n = map();
  call(m, L"insert", {integer(1), text(L"a")});
  EXPECT_EQ(said(m, L"swap", {n}), "nil()");
  EXPECT_EQ(m->describe(), "hash[]");
  EXPECT_EQ(n->describe(), "hash[(int(1) , string(a))]");
  call(n, L"swap", {n});
  EXPECT_EQ(n->describe(), "hash[(int(1) , string(a))]");
  EXPECT_EQ(method_outcome(n, L"swap", {vector_of({})}),
            "plang/factor/hash_(290) plang::hash_::_method: id=swap, v[0]=vector[]");
  EXPECT_EQ(n->describe(), "hash[(int(1) , string(a))]");
}

// Keys that share a bucket come out of a copy in the reverse order, so the
// map and its clone walk their entries differently; they must still be
// equal, hash alike, and find each other as keys.
TEST(Hash, EqualityAndHashIgnoreIterationOrder) {
  const handle m = map();
  const hash_& entries = static_cast<const hash_&>(*m);
  call(m, L"insert", {integer(1), text(L"a")});
  int partner = 2;
  const auto bucket = [&](int k) { return entries.entries.bucket(hash_::map::probe(integer(k)).hash); };
  while (bucket(partner) != bucket(1)) ++partner;
  call(m, L"insert", {integer(partner), text(L"b")});
  call(m, L"insert", {text(L"k"), vector_of({7})});

  const handle c = m->clone();
  ASSERT_NE(c->describe(), m->describe());  // the orders do differ
  EXPECT_TRUE(m->same_value(c));
  EXPECT_TRUE(c->same_value(m));
  EXPECT_EQ(hash_of(m), hash_of(c));

  // The same entries inserted in another order.
  const handle r = map();
  call(r, L"insert", {text(L"k"), vector_of({7})});
  call(r, L"insert", {integer(partner), text(L"b")});
  call(r, L"insert", {integer(1), text(L"a")});
  EXPECT_TRUE(r->same_value(m));
  EXPECT_EQ(hash_of(r), hash_of(m));

  // A map as a key is found with the map and with its clone.
  const handle outer = map();
  call(outer, L"insert", {m, text(L"found")});
  EXPECT_EQ(said(outer, L"at", {m}), "string(found)");
  EXPECT_EQ(said(outer, L"at", {c}), "string(found)");
  EXPECT_EQ(said(outer, L"at", {r}), "string(found)");
  EXPECT_EQ(said(outer, L"insert", {c, text(L"again")}), "bool(0)");

  // Different content is not equal.
  const struct {
    const char* what;
    std::function<void(const handle&)> change;
  } changes[] = {
      {"a value", [](const handle& x) { call(call(x, L"at", {text(L"k")}), L"push_back", {integer(8)}); }},
      {"an entry less", [](const handle& x) { call(x, L"erase", {text(L"k")}); }},
      {"a key",
       [&](const handle& x) {
         call(x, L"erase", {text(L"k")});
         call(x, L"insert", {text(L"K"), vector_of({7})});
       }},
  };
  for (const auto& ch : changes) {
    SCOPED_TRACE(ch.what);
    const handle d = m->clone();
    ch.change(d);
    EXPECT_FALSE(d->same_value(m));
    EXPECT_FALSE(m->same_value(d));
    EXPECT_NE(hash_of(d), hash_of(m));
  }
  EXPECT_FALSE(m->same_value(vector_of({})));
  EXPECT_TRUE(map()->same_value(map()));
  std::uint32_t seed = 5;
  map()->hash_into(seed);
  EXPECT_EQ(seed, 5u);  // an empty map leaves the seed as it was
}

TEST(Hash, ConstructionAndDescriptions) {
  EXPECT_EQ(map()->describe(), "hash[]");
  const handle m = map();
  call(m, L"insert", {integer(1), text(L"a")});
  EXPECT_EQ(m->describe(), "hash[(int(1) , string(a))]");
  call(m, L"insert", {integer(2), text(L"b")});
  EXPECT_EQ(m->describe(), "hash[(int(1) , string(a)), (int(2) , string(b))]");

  const handle x = map();
  x->call_constructor();
  EXPECT_EQ(x->describe(), "hash[]");
  EXPECT_EQ(outcome([&] { x->call_constructor(integer(1)); }, x),
            "plang/factor/hash_(38) plang::hash_::call_constructor: int(1)");
  for (const factor::vector& args : {factor::vector{}, factor::vector{m, m}}) {
    EXPECT_EQ(outcome([&] { x->call_constructor(args); }, x),
              "plang/factor/hash_(43) plang::hash_::call_constructor: " + plang::describe_arguments(args));
  }
  EXPECT_EQ(x->describe(), "hash[]");
  EXPECT_EQ(x->get_typeid(), plang::typeid_anchor::hash);
}

TEST(Hash, RefusedOperations) {
  struct row {
    const char* function;
    int line;
    std::string text;
    std::function<void(factor&)> op;
  };
  auto binary = [](void (factor::*fn)(handle&) const) {
    return [fn](factor& self) {
      handle slot = map();
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
  const std::string self_text = "hash[(int(1) , string(a))]";
  const row rows[] = {
      {"add", 48, "hash[]", binary(&factor::add)},
      {"subtract", 52, "hash[]", binary(&factor::subtract)},
      {"multiply", 56, "hash[]", binary(&factor::multiply)},
      {"divide", 60, "hash[]", binary(&factor::divide)},
      {"mod", 64, "hash[]", binary(&factor::mod)},
      {"_and", 68, "hash[]", binary(&factor::_and)},
      {"_or", 72, "hash[]", binary(&factor::_or)},
      {"eq", 76, "hash[]", binary(&factor::eq)},
      {"ne", 80, "hash[]", binary(&factor::ne)},
      {"lt", 84, "hash[]", binary(&factor::lt)},
      {"gt", 88, "hash[]", binary(&factor::gt)},
      {"lte", 92, "hash[]", binary(&factor::lte)},
      {"gte", 96, "hash[]", binary(&factor::gte)},
      {"not", 100, self_text, unary(&factor::not_)},
      {"minus", 104, self_text, unary(&factor::minus)},
      {"operator =", 109, "vector[]", [](factor& s) { s = vector_of({}); }},
      {"operator ++", 114, "", [](factor& s) { ++s; }},
      {"operator --", 118, "", [](factor& s) { --s; }},
      {"member", 152, "name", [](factor& s) { s.member(std::string("name")); }},
      {"member", 156, "name", [](factor& s) { s.member(std::wstring(L"name")); }},
      {"write_ostream", 220, "", [&](factor& s) { s.write_ostream(os); }},
      {"write_ostream", 224, "", [&](factor& s) { s.write_ostream(wos); }},
      {"read_istream", 228, "", [&](factor& s) { s.read_istream(is); }},
      {"read_istream", 232, "", [&](factor& s) { s.read_istream(wis); }},
      {"_method", 265, "id=insert, v[0]=int(1)",
       [](factor& s) { s.method(plang::method_request<wchar_t>(factor::vector{integer(1)}, L"insert")); }},
      {"_method", 265, "id=keys, v=0",
       [](factor& s) { s.method(plang::method_request<char>(factor::vector{}, "keys")); }},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(std::string(r.function) + " " + std::to_string(r.line));
    const handle self = map();
    call(self, L"insert", {integer(1), text(L"a")});
    EXPECT_EQ(outcome([&] { r.op(*self); }, self),
              "plang/factor/hash_(" + std::to_string(r.line) + ") plang::hash_::" + r.function + ": " + r.text);
    EXPECT_EQ(self->describe(), self_text);
  }

  const std::string narrow = "class std::basic_string<char,struct std::char_traits<char>,class std::allocator<char> >";
  const std::string wide =
      "class std::basic_string<wchar_t,struct std::char_traits<wchar_t>,class std::allocator<wchar_t> >";
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
  int line = 123;
  for (const auto& c : conversions) {
    const handle self = map();
    EXPECT_EQ(outcome([&] { c.op(*self); }, self), "sig_throw bad_cast(plang/factor/hash_(" + std::to_string(line) +
                                                       ") : plang::hash_::operator " + c.name + ")");
    line += 4;
  }
}

TEST(Hash, NarrowCallRecords) {
  const handle m = map();
  EXPECT_EQ(m->method(plang::method_request<char>(factor::vector{integer(1), integer(2)}, "insert"))->describe(),
            "bool(1)");
  EXPECT_EQ(m->method(plang::method_request<char>(factor::vector{integer(1)}, "at"))->describe(), "int(2)");
}

// The walk order written out apart from the table: an int key's hash is
// its bits plus 0x9E3779B9 (the combine step from seed 0), its bucket that
// modulo the bucket count, a new entry goes to the front of its bucket, the
// bucket count grows through the primes before the load passes 1.0, and
// growth moves the entries bucket by bucket, each from its front, to the
// front of their new buckets.
class reference_map {
 public:
  void insert(int k) {
    if (std::find(keys_.begin(), keys_.end(), k) != keys_.end()) return;
    if (keys_.size() + 1 > buckets_.size()) grow();
    buckets_[bucket(k)].push_front(k);
    keys_.push_back(k);
  }
  void erase(int k) {
    keys_.erase(std::remove(keys_.begin(), keys_.end(), k), keys_.end());
    auto& b = buckets_[bucket(k)];
    b.erase(std::remove(b.begin(), b.end(), k), b.end());
  }
  std::string describe() const {
    std::string text;
    for (const auto& b : buckets_)
      for (int k : b) text += (text.empty() ? "(int(" : ", (int(") + std::to_string(k) + ") , nil())";
    return "hash[" + text + "]";
  }
  std::size_t bucket_count() const { return buckets_.size(); }

 private:
  std::size_t bucket(int k) const { return (static_cast<std::uint32_t>(k) + 0x9E3779B9u) % buckets_.size(); }
  void grow() {
    static const std::size_t primes[] = {11, 17, 29, 37, 53, 67, 79, 97, 131, 193, 257, 389, 521, 769, 1031};
    const std::size_t* next =
        std::find_if(std::begin(primes), std::end(primes), [this](std::size_t p) { return p >= keys_.size() + 1; });
    std::vector<std::deque<int>> old(*next);
    old.swap(buckets_);
    for (const auto& b : old)
      for (int k : b) buckets_[bucket(k)].push_front(k);
  }

  std::vector<std::deque<int>> buckets_ = std::vector<std::deque<int>>(11);
  std::vector<int> keys_;
};

TEST(Hash, BucketIsTheHashModuloTheCount) {
  // Through the first growths, at the edges of the 32-bit range and between.
  plang::hash_table table;
  std::vector<std::uint32_t> hashes = {0u, 1u, 10u, 11u, 12u, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFEu, 0xFFFFFFFFu};
  for (std::uint32_t h = 1; h < 1000; ++h) hashes.push_back(h * 2654435761u);
  for (int k = 0; k < 1100; ++k) {
    const handle key = integer(k);
    table.insert_new(plang::hash_table::probe(key), integer(k));
    if (k % 50 != 0) continue;
    const std::size_t count = table.bucket_count();
    hashes.push_back(std::uint32_t(count - 1));
    hashes.push_back(std::uint32_t(count));
    for (std::uint32_t h : hashes) ASSERT_EQ(table.bucket(h), h % count) << h << " " << count;
  }
  EXPECT_EQ(table.bucket_count(), 1543u);
}

TEST(Hash, WalkOrder) {
  // Buckets in index order: 5 in bucket 1, 7 in 3, 9 in 5, 1 in 8, 2 in 9, 3 in 10.
  const handle m = map();
  for (int k : {5, 1, 9, 3, 7, 2}) call(m, L"insert", {integer(k), text(L"x")});
  EXPECT_EQ(m->describe(),
            "hash[(int(5) , string(x)), (int(7) , string(x)), (int(9) , string(x)), (int(1) , string(x)), "
            "(int(2) , string(x)), (int(3) , string(x))]");

  // In one bucket the latest first; a copy inserts in the walk order, so it reverses them.
  const handle shared = map();
  for (int k : {1, 12, 23}) call(shared, L"insert", {integer(k), integer(k)});
  EXPECT_EQ(shared->describe(), "hash[(int(23) , int(23)), (int(12) , int(12)), (int(1) , int(1))]");
  EXPECT_EQ(shared->clone()->describe(), "hash[(int(1) , int(1)), (int(12) , int(12)), (int(23) , int(23))]");

  // Growth, removal and clear against the reference, through several bucket counts.
  const handle grown = map();
  reference_map expected;
  const auto insert = [&](int k) {
    call(grown, L"insert", {integer(k), plang::make_nil()});
    expected.insert(k);
  };
  const auto erase = [&](int k) {
    call(grown, L"erase", {integer(k)});
    expected.erase(k);
  };
  for (int k = 0; k < 40; ++k) insert(k * 7 - 60);
  EXPECT_EQ(expected.bucket_count(), 53u);
  EXPECT_EQ(static_cast<const hash_&>(*grown).entries.bucket_count(), 53u);
  for (int k = 0; k < 40; k += 3) erase(k * 7 - 60);
  for (int k = 1000; k < 1030; ++k) insert(k);
  EXPECT_EQ(grown->describe(), expected.describe());
  EXPECT_EQ(said(grown, L"size"), "unsigned int(" + std::to_string(26 + 30) + ")");
  for (int k = 0; k < 40; ++k) EXPECT_EQ(said(grown, L"exist", {integer(k * 7 - 60)}), k % 3 ? "bool(1)" : "bool(0)");

  const std::size_t buckets = static_cast<const hash_&>(*grown).entries.bucket_count();
  call(grown, L"clear");
  EXPECT_EQ(static_cast<const hash_&>(*grown).entries.bucket_count(), buckets);
  EXPECT_EQ(grown->describe(), "hash[]");
}

}  // namespace
