// Values that hold themselves through a ref, and nesting past the depth
// limit: describe stops with "...", hash and equality raise, and the walk
// is left clean for the next one. A cycle of shared handles is never freed
// by itself, so every test that builds one breaks it by hand at the end.
#include "plang/factor/nesting.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include <boost/make_shared.hpp>

#include "plang/factor/hash_.hpp"
#include "plang/factor/list_.hpp"
#include "plang/factor/ref.hpp"
#include "plang/factor/signed_.hpp"
#include "plang/factor/vector_.hpp"
#include "plang/exception.hpp"
#include "plang/method.hpp"
#include "tests/plang/factor/outcome.hpp"

namespace {

using plang::factor;
using plang::handle;
using plang::test::method_outcome;

const std::string cyclic = "plang/factor/nesting(44) plang::nesting::require: value contains itself";
const std::string too_deep = "plang/factor/nesting(46) plang::nesting::require: values nest too deeply, limit=1000";

handle I(int v) { return plang::signed_<int>::make_value(v); }
handle ref_of(const handle& x) { return boost::make_shared<plang::ref>(x); }

// The hash, or the message of the interpreter error raised instead.
std::string hash_outcome(const handle& v) {
  std::uint32_t seed = 0;
  try {
    v->hash_into(seed);
  } catch (const plang::exception& e) {
    return e.what();
  }
  return std::to_string(seed);
}
std::string same_outcome(const handle& a, const handle& b) {
  try {
    return a->same_value(b) ? "same" : "different";
  } catch (const plang::exception& e) {
    return e.what();
  }
}

// 'ref r(c);' and then c given r through its own method, as a script does.
struct cycle_case {
  const char* name;
  handle container;
  const wchar_t* method;
  factor::vector extra;  // arguments before the ref
  std::string described;
  void (*untie)(factor&);
};

TEST(ValueNesting, ContainersHoldingThemselvesThroughARef) {
  const cycle_case cases[] = {
      {"vector",
       boost::make_shared<plang::vector_>(),
       L"push_back",
       {},
       "vector[ref(...)]",
       [](factor& c) { static_cast<plang::vector_&>(c).elements.clear(); }},
      {"list",
       boost::make_shared<plang::list_>(),
       L"push_front",
       {},
       "list[ref(...)]",
       [](factor& c) { static_cast<plang::list_&>(c).elements.clear(); }},
      {"hash",
       boost::make_shared<plang::hash_>(),
       L"insert",
       {I(1)},
       "hash[(int(1) , ref(...))]",
       [](factor& c) { static_cast<plang::hash_&>(c).entries.clear(); }},
  };
  for (const cycle_case& c : cases) {
    SCOPED_TRACE(c.name);
    const handle r = ref_of(c.container);
    factor::vector args = c.extra;
    args.push_back(r);
    method_outcome(c.container, c.method, args);  // stores a clone of r, holding the container

    EXPECT_EQ(c.container->describe(), c.described);
    EXPECT_EQ(r->describe(), "ref(" + c.described + ")");
    EXPECT_EQ(hash_outcome(c.container), cyclic);
    EXPECT_EQ(hash_outcome(r), cyclic);
    EXPECT_EQ(same_outcome(c.container, c.container->clone()), cyclic);
    EXPECT_EQ(same_outcome(c.container, c.container), cyclic);
    // As a map key it is hashed, and refused.
    const handle m = boost::make_shared<plang::hash_>();
    EXPECT_EQ(method_outcome(m, L"insert", {c.container, I(2)}), cyclic);
    EXPECT_EQ(method_outcome(m, L"size"), "unsigned int(0)");
    // Equality that never reaches the cycle still answers.
    EXPECT_EQ(same_outcome(c.container, I(1)), "different");

    c.untie(*c.container);
  }
}

// Two ways back into the value at every level: the walk stops at the first
// return, so the text stays small instead of doubling per level.
TEST(ValueNesting, ManyWaysIntoOneCycle) {
  const handle v = boost::make_shared<plang::vector_>();
  const handle r = ref_of(v);
  for (int i = 0; i < 40; ++i) method_outcome(v, L"push_back", {r});
  const std::string text = v->describe();
  EXPECT_EQ(text.size(), std::string("vector[]").size() + 40 * std::string("ref(...)").size() + 39 * 2);
  EXPECT_EQ(hash_outcome(v), cyclic);
  static_cast<plang::vector_&>(*v).elements.clear();
}

// A value met twice side by side is shared, not cyclic.
TEST(ValueNesting, SharedValuesAreNotCycles) {
  const handle w = boost::make_shared<plang::vector_>();
  method_outcome(w, L"push_back", {I(1)});
  const handle v = boost::make_shared<plang::vector_>();
  method_outcome(v, L"push_back", {ref_of(w)});
  method_outcome(v, L"push_back", {ref_of(w)});
  EXPECT_EQ(v->describe(), "vector[ref(vector[int(1)]), ref(vector[int(1)])]");
  std::uint32_t a = 0, b = 0;
  v->hash_into(a);
  w->hash_into(b);
  w->hash_into(b);
  EXPECT_EQ(a, b);
  EXPECT_TRUE(v->same_value(v->clone()));
}

// `n` refs around the int 0.
handle chain(int n) {
  handle h = I(0);
  for (int i = 0; i < n; ++i) h = ref_of(h);
  return h;
}
std::string repeat(const std::string& s, std::size_t n) {
  std::string out;
  for (std::size_t i = 0; i < n; ++i) out += s;
  return out;
}

TEST(ValueNesting, DepthLimit) {
  const std::size_t limit = plang::nesting::limit;
  const handle deepest = chain(static_cast<int>(limit));
  const handle too_far = chain(static_cast<int>(limit) + 1);
  EXPECT_EQ(deepest->describe(), repeat("ref(", limit) + "int(0)" + repeat(")", limit));
  EXPECT_EQ(too_far->describe(), repeat("ref(", limit) + "..." + repeat(")", limit));

  EXPECT_EQ(hash_outcome(too_far), too_deep);
  EXPECT_EQ(same_outcome(too_far, chain(static_cast<int>(limit) + 1)), too_deep);
  // The refused walks left nothing behind: the deepest allowed one works.
  std::uint32_t a = 0, b = 0;
  deepest->hash_into(a);
  I(0)->hash_into(b);
  EXPECT_EQ(a, b);
  EXPECT_TRUE(deepest->same_value(chain(static_cast<int>(limit))));
}

}  // namespace
