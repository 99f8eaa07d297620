// Cost of statement stepping and script calls, on node trees built as the
// compiler builds them: a while loop summing 1..10^6 and a recursive fib(24).
#include <benchmark/benchmark.h>

#include <boost/make_shared.hpp>

#include "plang/expression/calls.hpp"
#include "plang/expression/operators.hpp"
#include "plang/expression/statements.hpp"
#include "plang/factor/signed_.hpp"
#include "plang/nspace.hpp"
#include "plang/scope.hpp"

namespace {

using plang::control_handle;
using plang::expression_handle;
namespace anchor = plang::typeid_anchor;

expression_handle num(int v) { return boost::make_shared<plang::e_constant<plang::signed_<int>, int>>(v); }
expression_handle var(const wchar_t* name) { return boost::make_shared<plang::e_variable>(name); }
control_handle single(expression_handle e) { return boost::make_shared<plang::c_single>(std::move(e)); }
control_handle returns(expression_handle e) { return boost::make_shared<plang::c_return>(std::move(e)); }

// int i(0); int s(0); while (i < n) { ++i; s += i; }
void while_sum(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const control_handle loop = boost::make_shared<plang::c_while>(
      boost::make_shared<plang::e_lt>(var(L"i"), num(n)),
      boost::make_shared<plang::c_compound>(
          plang::control_list{single(boost::make_shared<plang::e_preincr>(var(L"i"))),
                              single(boost::make_shared<plang::e_add_assign>(var(L"s"), var(L"i")))}));
  for (auto _ : state) {
    plang::nspace root;
    root.variables().declare(L"i", boost::make_shared<plang::signed_<int>>(0));
    const plang::handle s = root.variables().declare(L"s", boost::make_shared<plang::signed_<int>>(0));
    plang::runtime rt{&root.variables(), &root};
    plang::scope body(&root.variables(), loop);
    while (body.step(&rt)) {
    }
    benchmark::DoNotOptimize(s->operator int());
  }
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(while_sum)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

// int fib(int n) { if (n < 2) return n; return fib(n - 1) + fib(n - 2); }
void fib(benchmark::State& state) {
  plang::nspace root;
  const auto call = [](expression_handle arg) {
    return boost::make_shared<plang::e_function>(L"fib", plang::expression_list{std::move(arg)});
  };
  plang::table::function::define(
      {{false, anchor::signed_int, L"n"}}, anchor::signed_int, root.functions(), L"fib",
      boost::make_shared<plang::c_compound>(plang::control_list{
          boost::make_shared<plang::c_if>(boost::make_shared<plang::e_lt>(var(L"n"), num(2)), returns(var(L"n"))),
          returns(boost::make_shared<plang::e_add>(call(boost::make_shared<plang::e_sub>(var(L"n"), num(1))),
                                                   call(boost::make_shared<plang::e_sub>(var(L"n"), num(2)))))}));
  const expression_handle top = call(num(static_cast<int>(state.range(0))));
  plang::runtime rt{&root.variables(), &root};
  for (auto _ : state) {
    plang::handle r;
    top->evaluate(&rt, r);
    benchmark::DoNotOptimize(r->operator int());
  }
}
BENCHMARK(fib)->Arg(24)->Unit(benchmark::kMillisecond);

}  // namespace
