// The interpreter's error: message layout, chained causes, details; the
// control signals stay outside std::exception.
#include "plang/exception.hpp"

#include <gtest/gtest.h>

#include <stdexcept>
#include <type_traits>

#include "plang/signal.hpp"

namespace {

TEST(InterpreterError, MessageLayout) {
  struct row {
    const char* file;
    const char* text;
    const char* function;
    int line;
    const char* expected;
  } rows[] = {
      {"plang/factor/boolean", "x", "plang::boolean::add", 27, "plang/factor/boolean(27) plang::boolean::add: x"},
      {"plang/factor/boolean", "", "plang::boolean::add", 27, "plang/factor/boolean(27) plang::boolean::add: "},
      {"plang/nspace", "fail to start process", "plang::nspace<wchar_t,class plang::process<wchar_t> >::start_process",
       122,
       "plang/nspace(122) plang::nspace<wchar_t,class plang::process<wchar_t> >::start_process: fail to start process"},
      {"f", "a\nb", "g", 0, "f(0) g: a\nb"},
  };
  for (const row& r : rows) EXPECT_STREQ(plang::exception(r.file, r.text, r.function, r.line).what(), r.expected);
  EXPECT_STREQ(plang::exception(std::string("ready made")).what(), "ready made");
}

TEST(InterpreterError, ChainsAndDetails) {
  plang::exception inner("plang/idm", "undefined typeid, tid=", "plang::idm<wchar_t>::find_str", 43);
  plang::exception outer("plang/nspace", "instance creation failure", "n::create_instance", 336);
  EXPECT_EQ(&outer.chain_cause(inner.append_detail(7u)), &outer);
  EXPECT_STREQ(outer.what(),
               "plang/nspace(336) n::create_instance: instance creation failure\n>\t"
               "plang/idm(43) plang::idm<wchar_t>::find_str: undefined typeid, tid=7");

  plang::exception top("t", "", "f", 1);
  top.chain_cause(std::runtime_error("one")).chain_cause(std::runtime_error("two"));
  EXPECT_STREQ(top.what(), "t(1) f: \n>\tone\n>\ttwo");

  const plang::exception base("f", "id=", "g", 2);
  EXPECT_STREQ(base.append_detail(std::wstring(L"\u3042b")).what(),
               "f(2) g: id=\x82\xA0"
               "b");
  EXPECT_STREQ(base.append_detail(std::string("abc")).what(), "f(2) g: id=abc");
  EXPECT_STREQ(base.append_detail(" value=").what(), "f(2) g: id= value=");
  EXPECT_STREQ(base.append_detail(4294967295u).what(), "f(2) g: id=4294967295");
  EXPECT_STREQ(base.what(), "f(2) g: id=");  // appending makes a new error

  // Handlers of standard exceptions catch it.
  EXPECT_THROW(plang::throw_exception("f", "t", "g", 3), std::exception);
}

TEST(Signals, AreNotStandardExceptions) {
  static_assert(!std::is_base_of_v<std::exception, plang::sig_return>);
  static_assert(!std::is_base_of_v<std::exception, plang::sig_throw>);
  static_assert(!std::is_base_of_v<std::exception, plang::sig_break>);
  static_assert(!std::is_base_of_v<std::exception, plang::sig_continue>);
  bool passed = false;
  try {
    try {
      throw plang::sig_break();
    } catch (const std::exception&) {
      FAIL() << "a signal was caught as std::exception";
    }
  } catch (const plang::sig_break&) {
    passed = true;
  }
  EXPECT_TRUE(passed);
}

}  // namespace
