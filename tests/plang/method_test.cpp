// Call records and method tables: hashing, lookup by name and argument
// count, first-use building and the dispatcher's miss text.
#include "plang/method.hpp"

#include <gtest/gtest.h>

#include <new>

#include <boost/make_shared.hpp>

#include "plang/exception.hpp"
#include "plang/factor/boolean.hpp"
#include "plang/factor/nil.hpp"

namespace {

using plang::factor;
using plang::method_request;

// Test-only classes with a method registry; each counts its fills. Each
// test uses its own instance, so the counts do not depend on test order.
template <int>
struct sample {
  static inline int fills = 0;
  static plang::method_entries method_entries() {
    ++fills;
    static constexpr plang::method_entry entries[] = {{"resize", 1, 0}, {"resize", 2, 1}, {"size", 0, 2}};
    return entries;
  }
};

struct never_called {
  static inline int fills = 0;
  static plang::method_entries method_entries() {
    ++fills;
    static constexpr plang::method_entry entries[] = {{"size", 0, 0}};
    return entries;
  }
};

struct fails_first_fill {
  static inline int fills = 0;
  static plang::method_entries method_entries() {
    if (fills++ == 0) throw std::bad_alloc();
    static constexpr plang::method_entry entries[] = {{"size", 0, 0}};
    return entries;
  }
};

factor::vector args(std::size_t n) {
  factor::vector v;
  for (std::size_t i = 0; i < n; ++i) v.push_back(plang::make_nil());
  return v;
}

TEST(CallRecord, HashAndEquality) {
  // Reference values: seed 0 combined with the name's text hash, then the count.
  EXPECT_EQ(plang::hash_value(method_request<wchar_t>(0, L"size")), 0x28C39E96u);
  EXPECT_EQ(plang::hash_value(method_request<char>(0, "size")), 0x28C39E96u);
  EXPECT_EQ(plang::hash_value(method_request<wchar_t>(2, L"resize")), 0xEE08387Cu);
  // The argument values take no part: a key of empty handles and a call
  // with values hash and compare alike.
  const method_request<wchar_t> call(factor::vector{boost::make_shared<plang::boolean>(true), plang::make_nil()},
                                     L"resize");
  EXPECT_EQ(plang::hash_value(call), 0xEE08387Cu);
  EXPECT_TRUE(call == method_request<wchar_t>(2, L"resize"));
  EXPECT_FALSE(call == method_request<wchar_t>(1, L"resize"));
  EXPECT_FALSE(call == method_request<wchar_t>(2, L"resizE"));
}

TEST(MethodTable, LookupByNameAndArgumentCount) {
  using sample = ::sample<0>;
  EXPECT_EQ(sample::fills, 0);
  EXPECT_EQ(never_called::fills, 0);
  const auto& wide = plang::method_table_of<sample, wchar_t>();
  EXPECT_EQ(sample::fills, 1);  // built on first use
  EXPECT_EQ(wide.at(method_request<wchar_t>(args(1), L"resize")), 0);
  EXPECT_EQ(wide.at(method_request<wchar_t>(args(2), L"resize")), 1);
  EXPECT_EQ(wide.at(method_request<wchar_t>(args(0), L"size")), 2);
  EXPECT_EQ((&plang::method_table_of<sample, wchar_t>()), &wide);
  EXPECT_EQ(sample::fills, 1);  // and only once

  const auto& narrow = plang::method_table_of<sample, char>();
  EXPECT_EQ(sample::fills, 2);  // the narrow table is a table of its own
  EXPECT_EQ(narrow.size(), 3u);
  EXPECT_EQ(narrow.at(method_request<char>(args(2), "resize")), 1);

  const method_request<wchar_t> misses[] = {{args(3), L"resize"}, {args(0), L"resize"}, {args(1), L"size"},
                                            {args(0), L"Size"},   {args(0), L"siz"},    {args(0), L""}};
  for (const auto& miss : misses) {
    try {
      wide.at(miss);
      ADD_FAILURE() << "found " << plang::describe_call(miss);
    } catch (const std::out_of_range& e) {
      EXPECT_STREQ(e.what(), "Unable to find key in unordered_map.");
    }
  }
  EXPECT_EQ(never_called::fills, 0);  // a class never called builds nothing
}

TEST(MethodTable, DispatcherTurnsMissIntoInterpreterError) {
  using sample = ::sample<1>;
  const method_request<wchar_t> hit(args(2), L"resize");
  EXPECT_EQ(plang::find_method_id<sample>("plang/factor/sample", "plang::sample::_method", 251, hit), 1);

  const method_request<wchar_t> wide_miss(
      factor::vector{plang::make_nil(), plang::make_nil(), boost::make_shared<plang::boolean>(true)}, L"resize");
  const method_request<char> narrow_miss(factor::vector{}, "clear");
  try {
    plang::find_method_id<sample>("plang/factor/sample", "plang::sample::_method", 251, wide_miss);
    ADD_FAILURE() << "no error";
  } catch (const plang::exception& e) {
    EXPECT_STREQ(e.what(),
                 "plang/factor/sample(251) plang::sample::_method: id=resize, v[0]=nil(), v[1]=nil(), v[2]=bool(1)");
  }
  try {
    plang::find_method_id<sample>("plang/factor/sample", "plang::sample::_method", 252, narrow_miss);
    ADD_FAILURE() << "no error";
  } catch (const plang::exception& e) {
    EXPECT_STREQ(e.what(), "plang/factor/sample(252) plang::sample::_method: id=clear, v=0");
  }
}

TEST(MethodTable, FailedFillIsRetried) {
  const method_request<wchar_t> call(args(0), L"size");
  EXPECT_THROW(plang::find_method_id<fails_first_fill>("f", "g", 1, call), plang::exception);
  EXPECT_EQ(plang::find_method_id<fails_first_fill>("f", "g", 1, call), 0);
  EXPECT_EQ(fails_first_fill::fills, 2);
}

}  // namespace
