// Script exception values: every slot of both classes, descriptions,
// equality and hashing of payloads.
#include "plang/factor/exception.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <sstream>

#include <boost/make_shared.hpp>

#include "plang/exception.hpp"
#include "plang/method.hpp"
#include "plang/signal.hpp"

namespace {

using plang::bad_cast_;
using plang::exception_;
using plang::factor;
using plang::handle;
using plang::range_error_;

const char string_file[] = "plang/factor/string_";
const char string_bool[] = "plang::string_<wchar_t>::operator bool";

TEST(ExceptionValue, Descriptions) {
  EXPECT_EQ(exception_<bad_cast_>().describe(), "bad_cast((0) : )");
  EXPECT_EQ(exception_<range_error_>().describe(), "range_error((0) : )");
  EXPECT_EQ(exception_<bad_cast_>(string_file, string_bool, 106).describe(),
            "bad_cast(plang/factor/string_(106) : plang::string_<wchar_t>::operator bool)");
  EXPECT_EQ(exception_<range_error_>("f", "g", 4294967295u).describe(), "range_error(f(4294967295) : g)");
}

TEST(ExceptionValue, RaisersThrowNewValuesInsideSigThrow) {
  try {
    plang::raise_range_error("plang/factor/signed_", "plang::signed_<int>::divide", 44);
    FAIL() << "nothing raised";
  } catch (const plang::sig_throw& s) {
    EXPECT_EQ(s.value->get_typeid(), plang::typeid_anchor::range_error);
    EXPECT_EQ(s.value->describe(), "range_error(plang/factor/signed_(44) : plang::signed_<int>::divide)");
  }
  try {
    plang::raise_bad_cast(string_file, string_bool, 106);
    FAIL() << "nothing raised";
  } catch (const plang::sig_throw& s) {
    EXPECT_EQ(s.value->get_typeid(), plang::typeid_anchor::bad_cast);
  }
}

// What one slot raised: an interpreter error, or a bad_cast value.
struct raised {
  bool interpreter = false;
  std::string message;
  plang::exception_payload payload;
};

raised run(const std::function<void()>& op) {
  raised r;
  try {
    op();
    r.message = "(nothing raised)";
  } catch (const plang::exception& e) {
    r.interpreter = true;
    r.message = e.what();
  } catch (const plang::sig_throw& s) {
    if (s.value->get_typeid() != plang::typeid_anchor::bad_cast) {
      r.message = "(not a bad_cast)";
    } else {
      r.payload = static_cast<const exception_<bad_cast_>&>(*s.value).payload;
    }
  }
  return r;
}

template <class Tag>
void check_slots(const char* prefix) {
  const handle self_handle = boost::make_shared<exception_<Tag>>(string_file, string_bool, 106);
  factor& self = *self_handle;
  const std::string self_text = self.describe();
  const handle other = boost::make_shared<exception_<bad_cast_>>("f", "g", 3);
  const std::string other_text = "bad_cast(f(3) : g)";
  // Assigning or constructing from the other class is refused.
  const handle foreign =
      boost::make_shared<exception_<std::conditional_t<std::is_same_v<Tag, bad_cast_>, range_error_, bad_cast_>>>(
          "f", "g", 3);
  const std::string foreign_text = foreign->describe();
  const factor::vector args{other, other};
  std::ostringstream os;
  std::wostringstream wos;
  std::istringstream is;
  std::wistringstream wis;
  handle rhs;

  enum kind { error, cast };
  struct row {
    const char* operation;
    int line;
    kind k;
    std::string text;
    std::function<void()> op;
  };
  auto binary = [&](void (factor::*fn)(handle&) const) {
    return [&self, &rhs, &other, fn] {
      rhs = other;
      (self.*fn)(rhs);
    };
  };
  const row rows[] = {
      {"call_constructor", 40, error, "v[0]=" + other_text + ", v[1]=" + other_text,
       [&] { self.call_constructor(args); }},
      {"call_constructor", 34, error, foreign_text, [&] { self.call_constructor(foreign); }},
      {"add", 45, error, other_text, binary(&factor::add)},
      {"subtract", 49, error, other_text, binary(&factor::subtract)},
      {"multiply", 53, error, other_text, binary(&factor::multiply)},
      {"divide", 57, error, other_text, binary(&factor::divide)},
      {"mod", 61, error, other_text, binary(&factor::mod)},
      {"_and", 65, error, other_text, binary(&factor::_and)},
      {"_or", 69, error, other_text, binary(&factor::_or)},
      {"eq", 73, error, other_text, binary(&factor::eq)},
      {"ne", 77, error, other_text, binary(&factor::ne)},
      {"lt", 81, error, other_text, binary(&factor::lt)},
      {"gt", 85, error, other_text, binary(&factor::gt)},
      {"lte", 89, error, other_text, binary(&factor::lte)},
      {"gte", 93, error, other_text, binary(&factor::gte)},
      {"not", 97, error, self_text,
       [&] {
         rhs = self_handle;
         self.not_(rhs);
       }},
      {"minus", 101, error, self_text,
       [&] {
         rhs = self_handle;
         self.minus(rhs);
       }},
      {"operator =", 106, error, foreign_text, [&] { self = foreign; }},
      {"operator ++", 112, error, "", [&] { ++self; }},
      {"operator --", 116, error, "", [&] { --self; }},
      {"operator bool", 121, cast, "", [&] { (void)self.operator bool(); }},
      {"operator unsigned int", 125, cast, "", [&] { (void)self.operator unsigned int(); }},
      {"operator int", 129, cast, "", [&] { (void)self.operator int(); }},
      {"operator float", 133, cast, "", [&] { (void)self.operator float(); }},
      {"operator double", 137, cast, "", [&] { (void)self.operator double(); }},
      {"operator class std::basic_string<char,struct std::char_traits<char>,class std::allocator<char> >", 141, cast,
       "", [&] { (void)self.operator std::string(); }},
      {"operator class std::basic_string<wchar_t,struct std::char_traits<wchar_t>,class std::allocator<wchar_t> >", 145,
       cast, "", [&] { (void)self.operator std::wstring(); }},
      {"member", 150, error, "name", [&] { self.member(std::string("name")); }},
      {"member", 154, error, "name", [&] { self.member(std::wstring(L"name")); }},
      {"method", 158, error, "id=size, v=0",
       [&] { self.method(plang::method_request<char>(factor::vector{}, "size")); }},
      {"method", 162, error, "id=at, v[0]=" + other_text,
       [&] { self.method(plang::method_request<wchar_t>(factor::vector{other}, L"at")); }},
      {"write_ostream", 189, error, "", [&] { self.write_ostream(os); }},
      {"write_ostream", 193, error, "", [&] { self.write_ostream(wos); }},
      {"read_istream", 197, error, "", [&] { self.read_istream(is); }},
      {"read_istream", 201, error, "", [&] { self.read_istream(wis); }},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(std::string(prefix) + r.operation + " " + std::to_string(r.line));
    const raised got = run(r.op);
    const std::string function = std::string(prefix) + r.operation;
    if (r.k == error) {
      EXPECT_TRUE(got.interpreter);
      EXPECT_EQ(got.message, "plang/factor/exception(" + std::to_string(r.line) + ") " + function + ": " + r.text);
    } else {
      EXPECT_FALSE(got.interpreter) << got.message;
      EXPECT_EQ(got.payload.file, "plang/factor/exception");
      EXPECT_EQ(got.payload.function, function);
      EXPECT_EQ(got.payload.line, std::uint32_t(r.line));
    }
  }
  // Refusals leave the value as it was.
  EXPECT_EQ(self.describe(), self_text);
}

TEST(ExceptionValue, EverySlotOfBadCast) { check_slots<bad_cast_>("plang::exception_<class plang::bad_cast_>::"); }

TEST(ExceptionValue, EverySlotOfRangeError) {
  check_slots<range_error_>("plang::exception_<class plang::range_error_>::");
}

TEST(ExceptionValue, ConstructAssignAndClone) {
  auto target = boost::make_shared<exception_<range_error_>>();
  target->call_constructor();  // does nothing
  EXPECT_EQ(target->describe(), "range_error((0) : )");
  const handle source = boost::make_shared<exception_<range_error_>>("f", "g", 9);
  target->call_constructor(source);
  EXPECT_EQ(target->describe(), "range_error(f(9) : g)");
  *target = boost::make_shared<exception_<range_error_>>("h", "i", 10);
  EXPECT_EQ(target->describe(), "range_error(h(10) : i)");

  const handle copy = target->clone();
  EXPECT_NE(copy.get(), target.get());
  EXPECT_TRUE(copy->same_value(target));
  *target = source;
  EXPECT_EQ(copy->describe(), "range_error(h(10) : i)");  // the clone is independent
}

TEST(ExceptionValue, EqualityAndHashOfPayloads) {
  auto hash_of = [](const factor& v) {
    std::uint32_t seed = 0;
    v.hash_into(seed);
    return seed;
  };
  const handle a = boost::make_shared<exception_<bad_cast_>>(string_file, string_bool, 106);
  const handle b = boost::make_shared<exception_<bad_cast_>>(string_file, string_bool, 106);
  const handle r = boost::make_shared<exception_<range_error_>>(string_file, string_bool, 106);
  EXPECT_TRUE(a->same_value(b));
  EXPECT_EQ(hash_of(*a), hash_of(*b));
  EXPECT_FALSE(a->same_value(r));
  EXPECT_FALSE(r->same_value(a));
  EXPECT_NE(a->get_typeid(), r->get_typeid());

  struct row {
    const char* file;
    const char* function;
    std::uint32_t line;
  } differing[] = {{"plang/factor/string_", string_bool, 107},
                   {"plang/factor/strin_", string_bool, 106},
                   {string_file, "plang::string_<wchar_t>::operator int", 106}};
  for (const row& d : differing) {
    const handle other = boost::make_shared<exception_<bad_cast_>>(d.file, d.function, d.line);
    EXPECT_FALSE(a->same_value(other)) << d.file << d.function << d.line;
    EXPECT_NE(hash_of(*a), hash_of(*other)) << d.file << d.function << d.line;
  }

  // The fold is file's text hash, function's text hash, line, in that order.
  std::uint32_t expected = 0;
  lib::hash_combine(expected, lib::hash_text(std::string(string_file)));
  lib::hash_combine(expected, lib::hash_text(std::string(string_bool)));
  lib::hash_combine(expected, 106);
  EXPECT_EQ(hash_of(*a), expected);
}

}  // namespace
