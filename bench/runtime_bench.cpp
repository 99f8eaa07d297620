// Cost of the script runtime's spine: a scheduling pass over 1,000 live
// processes, the activation of a definition with two arguments, and
// variable lookup through nested tables.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include <boost/make_shared.hpp>

#include "plang/factor/boolean.hpp"
#include "plang/interpreter.hpp"
#include "plang/nlookup.hpp"
#include "plang/scope.hpp"
#include "plang/table/definition.hpp"

namespace {

// A statement that never finishes: one step is one increment.
class spin final : public plang::control {
 public:
  bool step(plang::runtime*) override {
    ++count;
    return true;
  }
  boost::shared_ptr<plang::control> clone() const override { return boost::make_shared<spin>(); }
  long count = 0;
};

// A block as the compiler makes process bodies: its statements in a scope
// of their own.
class block final : public plang::control {
 public:
  explicit block(std::vector<boost::shared_ptr<plang::control>> s) : statements(std::move(s)) {}
  bool step(plang::runtime* rt) override {
    if (!active) active = boost::make_shared<plang::scope>(rt->variables, statements.begin(), statements.end());
    if (!active->step(rt)) {
      active.reset();
      return false;
    }
    return true;
  }
  boost::shared_ptr<plang::control> clone() const override { return boost::make_shared<block>(statements); }
  std::vector<boost::shared_ptr<plang::control>> statements;
  boost::shared_ptr<plang::scope> active;
};

void scheduling_pass(benchmark::State& state) {
  plang::interpreter engine;
  plang::nspace& root = engine.root();
  const std::uint32_t pid = root.ids().get_p(L"main");
  plang::table::process::define(
      {}, root.process_definitions(), pid,
      boost::make_shared<block>(std::vector<boost::shared_ptr<plang::control>>{boost::make_shared<spin>()}));
  for (long i = 0; i < state.range(0); ++i) root.start_process(pid, {});
  for (auto _ : state) root.schedule_round();
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(scheduling_pass)->Arg(1000);

void activation(benchmark::State& state) {
  plang::table::definition def{boost::make_shared<block>(std::vector<boost::shared_ptr<plang::control>>{}),
                               {{true, L"target"}, {false, L"count"}},
                               0};
  plang::table::variable caller;
  plang::runtime rt{&caller, nullptr};
  const plang::factor::vector args{boost::make_shared<plang::boolean>(true), boost::make_shared<plang::boolean>(false)};
  for (auto _ : state) {
    auto s = plang::table::activate(def, args, &rt);
    benchmark::DoNotOptimize(s->step(&rt));
  }
}
BENCHMARK(activation);

// Four nested scopes of three locals each inside a root of `globals`
// variables; looks up a local of the innermost scope and a global.
void variable_lookup(benchmark::State& state) {
  plang::table::variable root;
  for (long i = 0; i < state.range(0); ++i)
    root.declare(L"global" + std::to_wstring(i), boost::make_shared<plang::boolean>(true));
  std::vector<std::unique_ptr<plang::table::variable>> scopes;
  plang::table::variable* outer = &root;
  for (int level = 0; level < 4; ++level) {
    scopes.push_back(std::make_unique<plang::table::variable>(outer));
    outer = scopes.back().get();
    for (int i = 0; i < 3; ++i)
      outer->declare(L"local" + std::to_wstring(i), boost::make_shared<plang::boolean>(false));
  }
  const std::wstring local = L"local2";
  const std::wstring global = L"global" + std::to_wstring(state.range(0) - 1);
  for (auto _ : state) {
    benchmark::DoNotOptimize(&plang::nlookup::find_variable(outer, local));
    benchmark::DoNotOptimize(&plang::nlookup::find_variable(outer, global));
  }
  state.SetItemsProcessed(state.iterations() * 2);
}
BENCHMARK(variable_lookup)->Arg(8)->Arg(64);

}  // namespace
