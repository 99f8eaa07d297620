// Timer values over a clock the tests move by hand: the three methods, the
// wrap of the count, refusals at their lines, and the wall clock itself.
#include "plang/factor/timer.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include <boost/make_shared.hpp>

#include "lib/hash.hpp"
#include "plang/clock.hpp"
#include "plang/factor/real.hpp"
#include "plang/factor/signed_.hpp"
#include "plang/method.hpp"
#include "plang/nspace.hpp"
#include "tests/plang/factor/outcome.hpp"
#include "tests/plang/factor/refusals.hpp"

namespace {

using plang::factor;
using plang::handle;
using plang::test::method_outcome;

class Timer : public ::testing::Test {
 protected:
  static std::int32_t now;
  static std::int32_t fake() { return now; }

  void SetUp() override {
    now = 1500;
    previous_ = plang::set_clock(fake);
  }
  void TearDown() override { plang::set_clock(previous_); }

  static handle make() { return boost::make_shared<plang::timer>(); }
  static double call(const handle& t, const wchar_t* name) {
    return t->method(plang::method_request<wchar_t>(factor::vector{}, name))->operator double();
  }

 private:
  plang::clock_source previous_ = nullptr;
};
std::int32_t Timer::now = 0;

TEST_F(Timer, StartRestartElapsed) {
  const handle t = make();
  EXPECT_EQ(t->describe(), "timer(1500)");
  now = 4000;
  EXPECT_EQ(call(t, L"start"), 1500.0);
  EXPECT_EQ(call(t, L"start"), 1500.0);  // reading it changes nothing
  EXPECT_EQ(call(t, L"elapsed"), 2.5);   // seconds
  now = 5250;
  EXPECT_EQ(call(t, L"elapsed"), 3.75);

  EXPECT_EQ(call(t, L"restart"), 5250.0);  // the new reading, in milliseconds
  EXPECT_EQ(call(t, L"elapsed"), 0.0);
  EXPECT_EQ(call(t, L"start"), 5250.0);
  now = 6250;
  EXPECT_EQ(call(t, L"elapsed"), 1.0);

  // The results are new doubles.
  const handle r = t->method(plang::method_request<wchar_t>(factor::vector{}, L"start"));
  EXPECT_EQ(r->get_typeid(), plang::typeid_anchor::real_double);
  // The narrow record reaches the same methods.
  EXPECT_EQ(t->method(plang::method_request<char>(factor::vector{}, "elapsed"))->describe(), "double(1)");

  // The default constructor slot takes a new reading.
  now = 7000;
  t->call_constructor();
  EXPECT_EQ(t->describe(), "timer(7000)");
}

// 'timer t;' and 'timer t(u);' as the type registry builds them.
TEST_F(Timer, ThroughTheTypeRegistry) {
  plang::nspace root;
  const std::uint32_t tid = root.find_typeid(L"timer");
  EXPECT_EQ(tid, plang::typeid_anchor::timer);
  const handle t = root._generate(tid, {});
  EXPECT_EQ(t->describe(), "timer(1500)");
  now = 2000;
  EXPECT_EQ(root._generate(tid, {t})->describe(), "timer(1500)");
  EXPECT_EQ(root.create_instance(tid)->describe(), "timer(2000)");
}

TEST_F(Timer, ElapsedAcrossTheWrapOfTheCount) {
  now = std::numeric_limits<std::int32_t>::max() - 499;
  const handle t = make();
  now = std::numeric_limits<std::int32_t>::min() + 500;  // 1000 ms later
  EXPECT_EQ(call(t, L"elapsed"), 1.0);
  EXPECT_EQ(t->describe(), "timer(2147483148)");
  now = -20;
  t->call_constructor();
  EXPECT_EQ(t->describe(), "timer(-20)");
  now = 980;
  EXPECT_EQ(call(t, L"elapsed"), 1.0);
}

TEST_F(Timer, MethodMisses) {
  const handle t = make();
  const handle one = plang::signed_<int>::make_value(1);
  const std::string at = "plang/factor/timer(206) plang::timer::_method: ";
  EXPECT_EQ(method_outcome(t, L"foo"), at + "id=foo, v=0");
  EXPECT_EQ(method_outcome(t, L"start", {one}), at + "id=start, v[0]=int(1)");
  EXPECT_EQ(method_outcome(t, L"restart", {one}), at + "id=restart, v[0]=int(1)");
  EXPECT_EQ(method_outcome(t, L"elapsed", {one, one}), at + "id=elapsed, v[0]=int(1), v[1]=int(1)");
  EXPECT_EQ(method_outcome(t, L"Start"), at + "id=Start, v=0");
  handle result;
  EXPECT_EQ(plang::test::outcome(
                [&] { result = t->method(plang::method_request<char>(factor::vector{one}, "restart")); }, result),
            at + "id=restart, v[0]=int(1)");
  EXPECT_EQ(t->describe(), "timer(1500)");
}

TEST_F(Timer, CopyAssignmentEqualityAndHash) {
  const handle t = make();
  now = 9000;
  const handle u = make();
  EXPECT_FALSE(t->same_value(u));
  *t = u;  // copies the reading
  EXPECT_EQ(t->describe(), "timer(9000)");
  EXPECT_TRUE(t->same_value(u));
  std::uint32_t a = 17, b = 17, expected = 17;
  t->hash_into(a);
  u->hash_into(b);
  lib::hash_combine(expected, 9000u);
  EXPECT_EQ(a, b);
  EXPECT_EQ(a, expected);

  now = 100;
  const handle v = make();
  v->call_constructor(u);
  EXPECT_EQ(v->describe(), "timer(9000)");
  const handle c = v->clone();
  EXPECT_NE(c.get(), v.get());
  EXPECT_TRUE(c->same_value(v));
  now = 200;
  plang::test::method_outcome(c, L"restart");
  EXPECT_EQ(v->describe(), "timer(9000)");  // the clone is independent

  // Same reading, another class: not the same value.
  EXPECT_FALSE(t->same_value(plang::signed_<int>::make_value(9000)));
  EXPECT_EQ(t->get_typeid(), plang::typeid_anchor::timer);
}

TEST_F(Timer, RefusedOperations) {
  using plang::test::slot;
  plang::test::expect_refusals(make(), "plang/factor/timer", "plang::timer::",
                               {
                                   {slot::construct_args, 27},
                                   {slot::construct_value, 22},
                                   {slot::add, 32},
                                   {slot::subtract, 36},
                                   {slot::multiply, 40},
                                   {slot::divide, 44},
                                   {slot::mod, 48},
                                   {slot::and_, 52},
                                   {slot::or_, 56},
                                   {slot::eq, 60},
                                   {slot::ne, 64},
                                   {slot::lt, 68},
                                   {slot::gt, 72},
                                   {slot::lte, 76},
                                   {slot::gte, 80},
                                   {slot::not_, 84},
                                   {slot::minus, 88},
                                   {slot::assign, 93},
                                   {slot::increment, 98},
                                   {slot::decrement, 102},
                                   {slot::to_bool, 107},
                                   {slot::to_unsigned, 111},
                                   {slot::to_int, 115},
                                   {slot::to_float, 119},
                                   {slot::to_double, 123},
                                   {slot::to_string, 127},
                                   {slot::to_wstring, 131},
                                   {slot::member_wide, 140},
                                   {slot::member_narrow, 136},
                                   {slot::write_wide, 179},
                                   {slot::write_narrow, 175},
                                   {slot::read_wide, 187},
                                   {slot::read_narrow, 183},
                               });
}

// The real clock: milliseconds counted from the start of the process, not
// from an epoch, and never going back.
TEST(WallClock, CountsFromTheProcessStart) {
  const plang::clock_source previous = plang::set_clock(nullptr);
  EXPECT_EQ(previous, &plang::wall_clock);
  const std::int32_t a = plang::clock_now();
  const std::int32_t b = plang::wall_clock();
  EXPECT_GE(a, 0);
  EXPECT_LT(a, 3600 * 1000);
  EXPECT_GE(b, a);
  // A timer made now measures close to nothing.
  const plang::timer t;
  EXPECT_LT(t.clock_value - a, 60 * 1000);
}

}  // namespace
