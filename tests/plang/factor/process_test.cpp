// Process handle values over running processes: identity through clones
// and across processes of one definition, "exit" as the scheduler moves on,
// refusals at their lines, and the identity numbers of the records.
#include "plang/factor/process_.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <vector>

#include <boost/make_shared.hpp>

#include "lib/hash.hpp"
#include "plang/factor/exception.hpp"
#include "plang/factor/signed_.hpp"
#include "plang/interpreter.hpp"
#include "plang/method.hpp"
#include "plang/nspace.hpp"
#include "plang/process.hpp"
#include "plang/signal.hpp"
#include "plang/table/process.hpp"
#include "tests/plang/factor/outcome.hpp"
#include "tests/plang/factor/refusals.hpp"
#include "tests/plang/script_nodes.hpp"

namespace {

using plang::factor;
using plang::handle;
using plang::test::make_action;
using plang::test::make_block;
using plang::test::make_tag;
using plang::test::method_outcome;
using plang::test::trace;

class ProcessHandle : public ::testing::Test {
 protected:
  plang::nspace& root() { return engine.root(); }

  std::uint32_t define(const std::wstring& name, const plang::test::statement& body) {
    const std::uint32_t pid = root().ids().get_p(name);
    plang::table::process::define({}, root().process_definitions(), pid, body);
    return pid;
  }

  static std::string call(const handle& h, const wchar_t* name) { return method_outcome(h, name); }
  static unsigned int id_of(const handle& h) {
    return h->method(plang::method_request<wchar_t>(factor::vector{}, L"id"))->operator unsigned int();
  }

  plang::interpreter engine;
  trace out;
};

TEST_F(ProcessHandle, ClonesShareTheProcess) {
  const std::uint32_t pid = define(L"w", make_block({make_tag(out, "1"), make_tag(out, "2")}));
  const handle h = engine.start_named_process(L"w", {});
  const handle c = h->clone();
  EXPECT_NE(c.get(), h.get());
  EXPECT_EQ(call(h, L"id"), call(c, L"id"));
  EXPECT_EQ(call(h, L"id"), "unsigned int(" + std::to_string(root().processes()[0]->identity()) + ")");
  EXPECT_TRUE(h->same_value(c));
  EXPECT_TRUE(c->same_value(h));
  std::uint32_t a = 9, b = 9, expected = 9;
  h->hash_into(a);
  c->hash_into(b);
  lib::hash_combine(expected, pid);
  EXPECT_EQ(a, b);
  EXPECT_EQ(a, expected);
  EXPECT_EQ(h->get_typeid(), pid);
  EXPECT_EQ(h->describe(), "p?w(" + std::to_string(id_of(h)) + ")");

  // "exit" follows the process through either handle.
  EXPECT_EQ(call(c, L"exit"), "bool(0)");
  root().schedule_round();
  EXPECT_EQ(call(h, L"exit"), "bool(0)");
  root().schedule_round();
  EXPECT_TRUE(root().processes().empty());
  EXPECT_EQ(call(c, L"exit"), "bool(1)");
  EXPECT_EQ(out, (trace{"1", "2"}));
  // The handles keep the record, and the registry that names it, alive.
  EXPECT_EQ(h->describe(), "p?w(" + std::to_string(id_of(c)) + ")");
}

TEST_F(ProcessHandle, ProcessesOfOneDefinition) {
  const std::uint32_t pid = define(L"w", make_block({make_tag(out, "w")}));
  define(L"other", make_block({make_tag(out, "o")}));
  const handle a = engine.start_named_process(L"w", {});
  const handle b = engine.start_named_process(L"w", {});
  const handle o = engine.start_named_process(L"other", {});
  EXPECT_EQ(a->get_typeid(), pid);
  EXPECT_EQ(b->get_typeid(), pid);
  EXPECT_NE(o->get_typeid(), pid);
  EXPECT_FALSE(plang::typeid_anchor::is_builtin(pid));
  EXPECT_NE(id_of(a), id_of(b));
  EXPECT_NE(id_of(a), id_of(o));
  EXPECT_FALSE(a->same_value(b));
  EXPECT_FALSE(a->same_value(o));
  EXPECT_FALSE(a->same_value(plang::signed_<int>::make_value(static_cast<int>(pid))));
  EXPECT_NE(a->describe(), b->describe());
  EXPECT_EQ(o->describe(), "p?other(" + std::to_string(id_of(o)) + ")");
}

// A process started by another is stepped later in the same pass, so a
// one-statement child has finished before its starter's next step.
TEST_F(ProcessHandle, ExitSeenByTheStartingProcess) {
  const std::uint32_t quick = define(L"quick", make_block({make_tag(out, "quick")}));
  const std::uint32_t slow = define(L"slow", make_block({make_tag(out, "slow-1"), make_tag(out, "slow-2")}));
  handle q, s;
  define(L"parent", make_block({make_action([&](plang::runtime* rt) {
                                  q = rt->space->start_process(quick, {});
                                  s = rt->space->start_process(slow, {});
                                  out.push_back("started: " + call(q, L"exit") + " " + call(s, L"exit"));
                                }),
                                make_action([&](plang::runtime*) {
                                  out.push_back("next step: " + call(q, L"exit") + " " + call(s, L"exit"));
                                }),
                                make_action([&](plang::runtime*) {
                                  out.push_back("last step: " + call(q, L"exit") + " " + call(s, L"exit"));
                                })}));
  engine.start_named_process(L"parent", {});  // the host drops its handle
  while (!root().processes().empty()) root().schedule_round();
  EXPECT_EQ(out, (trace{"started: bool(0) bool(0)", "quick", "slow-1", "next step: bool(1) bool(0)", "slow-2",
                        "last step: bool(1) bool(1)"}));
}

TEST_F(ProcessHandle, MethodsOtherThanIdAndExitAreRefused) {
  define(L"w", make_block({make_tag(out, "w")}));
  const handle h = engine.start_named_process(L"w", {});
  const handle one = plang::signed_<int>::make_value(1);
  const std::string wide = "plang/factor/process_(156) plang::process_<class plang::process<wchar_t> >::method: ";
  EXPECT_EQ(method_outcome(h, L"exit", {one}), wide + "id=exit, v[0]=int(1)");
  EXPECT_EQ(method_outcome(h, L"id", {one, one}), wide + "id=id, v[0]=int(1), v[1]=int(1)");
  EXPECT_EQ(method_outcome(h, L"Exit"), wide + "id=Exit, v=0");
  EXPECT_EQ(method_outcome(h, L"i"), wide + "id=i, v=0");
  handle result;
  EXPECT_EQ(
      plang::test::outcome([&] { result = h->method(plang::method_request<char>(factor::vector{}, "exi")); }, result),
      "plang/factor/process_(146) plang::process_<class plang::process<wchar_t> >::method: id=exi, v=0");
  // The narrow record reaches the same two methods.
  EXPECT_EQ(h->method(plang::method_request<char>(factor::vector{}, "id"))->operator unsigned int(), id_of(h));
  EXPECT_EQ(h->method(plang::method_request<char>(factor::vector{}, "exit"))->describe(), "bool(0)");
}

TEST_F(ProcessHandle, RefusedOperations) {
  using plang::test::slot;
  define(L"w", make_block({make_tag(out, "w")}));
  plang::test::expect_refusals(engine.start_named_process(L"w", {}), "plang/factor/process_",
                               "plang::process_<class plang::process<wchar_t> >::",
                               {
                                   {slot::construct_args, 25},
                                   {slot::construct_value, 21},
                                   {slot::construct, 17},
                                   {slot::add, 30},
                                   {slot::subtract, 34},
                                   {slot::multiply, 38},
                                   {slot::divide, 42},
                                   {slot::mod, 46},
                                   {slot::and_, 50},
                                   {slot::or_, 54},
                                   {slot::eq, 58},
                                   {slot::ne, 62},
                                   {slot::lt, 66},
                                   {slot::gt, 70},
                                   {slot::lte, 74},
                                   {slot::gte, 78},
                                   {slot::not_, 82},
                                   {slot::minus, 86},
                                   {slot::assign, 90},
                                   {slot::increment, 94},
                                   {slot::decrement, 98},
                                   {slot::to_bool, 103},
                                   {slot::to_unsigned, 107},
                                   {slot::to_int, 111},
                                   {slot::to_float, 115},
                                   {slot::to_double, 119},
                                   {slot::to_string, 123},
                                   {slot::to_wstring, 127},
                                   {slot::member_wide, 136},
                                   {slot::member_narrow, 132},
                                   {slot::method_wide, 156},
                                   {slot::method_narrow, 146},
                                   {slot::write_wide, 187},
                                   {slot::write_narrow, 183},
                                   {slot::read_wide, 195},
                                   {slot::read_narrow, 191},
                               });
}

// The host may keep the handle it was given after the engine is gone.
TEST(ProcessHandleLifetime, OutlivesTheInterpreter) {
  handle kept;
  {
    plang::interpreter engine;
    const std::uint32_t pid = engine.root().ids().get_p(L"main");
    plang::table::process::define({}, engine.root().process_definitions(), pid, make_block({make_block({})}));
    kept = engine.start_named_process(L"main", {});
  }
  const std::string id =
      std::to_string(kept->method(plang::method_request<wchar_t>(factor::vector{}, L"id"))->operator unsigned int());
  EXPECT_EQ(kept->describe(), "p?main(" + id + ")");
  EXPECT_EQ(method_outcome(kept, L"exit"), "bool(0)");  // never stepped
}

TEST(ProcessIdentity, UniqueAmongLiveRecordsAndNeverZero) {
  plang::identity_pool pool(0xFFFFFFFDu, {0xFFFFFFFFu, 2u});
  EXPECT_EQ(pool.acquire(), 0xFFFFFFFEu);
  EXPECT_EQ(pool.acquire(), 1u);  // over the held number and 0
  EXPECT_EQ(pool.acquire(), 3u);  // over a held one
  pool.release(2u);
  EXPECT_EQ(pool.acquire(), 4u);  // a freed number waits for the counter

  // Records alive together never share a number; a handle keeps its
  // record's number taken after the record has left the process list.
  plang::interpreter engine;
  const std::uint32_t pid = engine.root().ids().get_p(L"w");
  plang::table::process::define({}, engine.root().process_definitions(), pid, make_block({}));
  std::vector<handle> kept;
  std::set<unsigned int> seen;
  for (int i = 0; i < 50; ++i) {
    const handle h = engine.start_named_process(L"w", {});
    const unsigned int id = h->method(plang::method_request<wchar_t>(factor::vector{}, L"id"))->operator unsigned int();
    EXPECT_NE(id, 0u);
    EXPECT_TRUE(seen.insert(id).second);
    if (i % 2) kept.push_back(h);
    engine.root().schedule_round();  // each finishes at once
  }
  EXPECT_TRUE(engine.root().processes().empty());
}

}  // namespace
