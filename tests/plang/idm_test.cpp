// The id registry: built-in names, the counter that classes and process
// names share, its skipping of the built-in typeids and its wrap.
#include "plang/idm.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>

#include "plang/exception.hpp"
#include "plang/factor/typeid_anchor.hpp"

namespace {

namespace anchor = plang::typeid_anchor;

// Starts the counter where a test needs it.
class registry : public plang::idm {
 public:
  explicit registry(std::uint32_t last = 0) { last_ = last; }
};

std::string error_of(const std::function<void()>& f) {
  try {
    f();
  } catch (const std::exception& e) {
    return e.what();
  }
  return "no error";
}

TEST(idm, classes_and_process_names_share_one_counter_from_1) {
  plang::idm ids;
  EXPECT_EQ(ids.generate(L"A"), 1u);
  EXPECT_EQ(ids.get_p(L"A"), 2u);  // a process of the same name is another key
  EXPECT_EQ(ids.generate(L"B"), 3u);
  EXPECT_EQ(ids.get_p(L"A"), 2u);  // registered once
  EXPECT_EQ(ids.find(L"p?A"), 2u);
  EXPECT_EQ(ids.find(L"A"), 1u);
  EXPECT_EQ(ids.get_p(L"main"), 4u);
}

TEST(idm, a_name_is_generated_once) {
  plang::idm ids;
  ids.generate(L"A");
  ids.get_p(L"w");
  const std::string prefix = "plang/idm(59) plang::idm<wchar_t>::generate: typeid already exists, sid=";
  EXPECT_EQ(error_of([&] { ids.generate(L"A"); }), prefix + "A");
  EXPECT_EQ(error_of([&] { ids.generate(L"int"); }), prefix + "int");
  EXPECT_EQ(error_of([&] { ids.generate(L"p?w"); }), prefix + "p?w");
  EXPECT_EQ(ids.generate(L"C"), 3u);  // the failures took no typeid
}

TEST(idm, built_in_names_and_typeids_map_both_ways) {
  plang::idm ids;
  for (const anchor::entry& e : anchor::builtins) {
    EXPECT_EQ(ids.find(e.name), e.id);
    EXPECT_EQ(ids.find_str(e.id), e.name);
  }
  EXPECT_EQ(ids.find_str(anchor::unsigned_int), L"u?int");
  EXPECT_EQ(ids.find_str(ids.get_p(L"w")), L"p?w");
  EXPECT_EQ(error_of([&] { ids.find_str(99); }),
            "plang/idm(43) plang::idm<wchar_t>::find_str: undefined typeid, tid=99");
  EXPECT_EQ(error_of([&] { ids.find(L"unsigned"); }), "Unable to find key in unordered_map.");
}

TEST(idm, the_counter_skips_the_built_in_typeids) {
  registry ids(anchor::first - 2);
  EXPECT_EQ(ids.generate(L"A"), anchor::first - 1);
  EXPECT_EQ(ids.generate(L"B"), anchor::last + 1);  // the fifteen anchors are passed over
  EXPECT_EQ(ids.get_p(L"w"), anchor::last + 2);
  EXPECT_EQ(ids.find_str(anchor::first), L"bool");
}

TEST(idm, the_counter_refuses_to_wrap) {
  registry ids(0xFFFFFFFEu);
  EXPECT_EQ(ids.generate(L"A"), 0xFFFFFFFFu);
  EXPECT_EQ(error_of([&] { ids.generate(L"B"); }),
            "plang/idm(62) plang::idm<wchar_t>::generate: exceed max. number of typeid");
  EXPECT_EQ(error_of([&] { ids.find(L"B"); }), "Unable to find key in unordered_map.");
  // Counting again from 1 would reuse typeids: every later registration fails.
  EXPECT_EQ(error_of([&] { ids.get_p(L"w"); }),
            "plang/idm(51) plang::idm<wchar_t>::get_p: exceed max. number of typeid");
  EXPECT_EQ(error_of([&] { ids.generate(L"C"); }),
            "plang/idm(62) plang::idm<wchar_t>::generate: exceed max. number of typeid");
  EXPECT_EQ(ids.find(L"A"), 0xFFFFFFFFu);
}

TEST(idm, a_new_process_name_fails_at_the_wrap_too) {
  registry ids(0xFFFFFFFFu);
  EXPECT_EQ(error_of([&] { ids.get_p(L"w"); }),
            "plang/idm(51) plang::idm<wchar_t>::get_p: exceed max. number of typeid");
}

}  // namespace
