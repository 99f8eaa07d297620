// Scripts run end to end: each row is a script and what it reports through the test host function, or the
// error that ends it.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "script_harness.hpp"

namespace {

using plang::test::compile_chain;

struct row {
  const char* name;
  std::string script;
  std::vector<std::string> reports;
  std::string error;  // empty: the run ends with no process left
  plang::test::file_list files = {};  // more files of the folder
};

void run_rows(const std::vector<row>& rows) {
  for (const row& r : rows) {
    SCOPED_TRACE(r.name);
    const plang::test::script_result got = plang::test::run_script(r.script, r.files);
    EXPECT_EQ(got.reports, r.reports);
    EXPECT_EQ(got.error, r.error);
  }
}

// The error chain of a failure inside the body of process main.
const std::string in_main =
    compile_chain + "plang/semantic/semantic(172) plang::semantic<wchar_t>::eval_process_def: catch exception\n>\t";

TEST(Script, Statements) {
  run_rows({
      {"expression and empty statements", R"(process main(string a) { using::report(a); ; })", {"string(arg)"}, ""},
      {"blocks open scopes",
       R"(process main(string a) { int x = 1; { int x = 2; using::report(x); } using::report(x); })",
       {"int(2)", "int(1)"},
       ""},
      {"if and if-else",
       R"(process main(string a) {
            int x = 1;
            if (x == 1) using::report("one"); else using::report("other");
            if (x == 2) using::report("two");
            if (x != 1) using::report("no"); else { using::report("else"); }
          })",
       {"string(one)", "string(else)"},
       ""},
      {"while with continue and break",
       R"(process main(string a) {
            int i = 0; int s = 0;
            while (i < 10) { i += 1; if (i == 3) continue; if (i == 6) break; s += i; }
            using::report(i, s);
          })",
       {"int(6), int(12)"},
       ""},
      {"declarators: default, initialiser, arguments, references",
       R"(process main(string a) {
            int x, y = 2, z(3), &r = y, &q(z);
            r += 5; ++q;
            string s("t");
            using::report(x, y, z, r, q, s);
          })",
       {"int(0), int(7), int(4), int(7), int(4), string(t)"},
       ""},
      {"inline statements see their parameters and the globals",
       R"(int g = 7;
          inline show(int v) { using::report(v, g); }
          inline hello() { using::report("hello"); }
          process main(string a) { inline show(3); inline hello; })",
       {"int(3), int(7)", "string(hello)"},
       ""},
      {"return and throw at process level end the run",
       R"(process main(string a) { return 1; })",
       {},
       "plang/process(34) plang::process<wchar_t>::run: catch unexpected return int(1)"},
      {"'return;' is an expression naming return",
       R"(process main(string a) { return; })",
       {},
       "plang/nlookup(28) plang::nlookup<wchar_t>::find_variable: reffer to undefined id, id=return"},
      {"a reference needs the exact type",
       R"(process main(string a) { unsigned int u = 1u; int & r = u; })",
       {},
       "plang/expression/declare(51) plang::e_ref_constructor<wchar_t,class plang::runtime<wchar_t,class "
       "plang::nspace<wchar_t,class plang::process<wchar_t> > > >::evaluate: fail to initialize refference, int& r"},
  });
}

TEST(Script, OperatorsGroupAndBind) {
  run_rows({
      {"precedence and grouping",
       R"(process main(string a) {
            using::report(1 + 2 * 3, (1 + 2) * 3, 10 - 4 - 3, 100 / 10 / 5, 2 + 3 * 4 % 5);
            using::report(1 + 2 == 3 && 2 < 3, 1 > 2 || 2 >= 2, 3 <= 2, 1 != 1);
          })",
       {"int(7), int(9), int(3), int(2), int(4)", "bool(1), bool(1), bool(0), bool(0)"},
       ""},
      {"assignments group to the right",
       R"(process main(string a) {
            int x = 1; int y = 2;
            x = y = 4; using::report(x, y);
            x += y -= 1; using::report(x, y);
            x *= 2; x /= 7; x %= 1; using::report(x);
          })",
       {"int(4), int(4)", "int(7), int(3)", "int(0)"},
       ""},
      // The leftmost prefix operator applies first: -!x is not(minus(x)), !-x is minus(not(x)).
      {"prefix operators",
       R"(process main(string a) {
            int x = 0; int i = 5;
            using::report(-!x);
            using::report(!-x);
            ++i; --i; --i; using::report(i);
            int y =-i; using::report(y, i);
          })",
       {"int(1)", "int(-1)", "int(4)", "int(-4), int(4)"},
       ""},
      {"both operands of && and || run",
       R"(bool t(string s) { using::report(s); return true; }
          process main(string a) { bool b = false && t("and"); b = true || t("or"); using::report(b); })",
       {"string(and)", "string(or)", "bool(1)"},
       ""},
      {"members, methods, casts and host calls",
       R"(process main(string a) {
            using::report("abc".size(), a.size(), int("12") + 1, string(5), double(1));
          })",
       {"unsigned int(3), unsigned int(3), int(13), string(5), double(1)"},
       ""},
  });
}

// Int and bool operands are computed without value objects, variables changed in place and block bodies run
// straight in their loop's scope: each row crosses from that path to the general one.
TEST(Script, BuiltinArithmeticBoundaries) {
  run_rows({
      {"an int variable given a double and a bool inside the loop keeps its type",
       R"(process main(string a) {
            int s = 0; int i = 0; double h = 2.75; bool t = true;
            while (i < 4) { s += i; s += h; s = s + t; ++i; }
            int x = 7; x = 2.9; x -= true; using::report(s, x);
            double d = 1; d += 2; d = d / 2; using::report(d);
          })",
       {"int(18), int(1)", "double(1.5)"},
       ""},
      {"a chain with a double anywhere is computed by the left value's class at every level",
       R"(process main(string a) {
            double d = 0.5; int i = 1;
            using::report(d + i + i * 2 + i, i + i + d, (i * 2 + i) + d, i + (d + i), i < d + 1);
          })",
       {"double(4.5), int(2), int(3), int(2), bool(0)"},
       ""},
      {"compound assignment of a call's value",
       R"(process main(string a) {
            vector v; v.push_back(1.5); v.push_back(2); v.push_back(0);
            int s = 0; s += v.at(0); s += v.at(1); s *= v.at(1); double d = 0.5; d += v.at(1);
            try { s %= v.at(2); } catch (range_error e) { using::report("range"); }
            using::report(s, d, v.at(1));
          })",
       {"string(range)", "int(6), double(2.5), int(2)"},
       ""},
      {"bool variables and conditions of every scalar",
       R"(process main(string a) {
            bool b = true; b = 1 < 2; b = b && false; using::report(b);
            b = true; b = b == (3 >= 3); using::report(b);
            int n = 0;
            if (2) ++n; if (0) ++n; if (true) ++n; if (0.5) ++n;
            while (true) { ++n; if (n > 5) break; }
            using::report(n);
          })",
       {"bool(0)", "bool(1)", "int(6)"},
       ""},
      {"wrapping and division by zero on the raw path",
       R"(process main(string a) {
            int m = 2147483647; m += 1; int neg = 0 - 1; int q = m / neg; using::report(m, q, 7 % neg, (0 - 7) / 2);
            int z = 0;
            try { int w = 5 / z; } catch (range_error e) { using::report("range"); }
            try { z += 1; z %= 0; } catch (range_error e) { using::report("range", z); }
          })",
       {"int(-2147483648), int(-2147483648), int(0), int(-3)", "string(range)", "string(range), int(1)"},
       ""},
      {"names declared in a loop's block are found again in every turn",
       R"(process main(string a) {
            int x = 1; int i = 0;
            while (i < 2) { ++i; using::report(x); int x = 5 + i; { int x = 9; } using::report(x); }
            if (i == 2) { int x = 3; using::report(x); } else { int x = 4; }
            using::report(x);
          })",
       {"int(1)", "int(6)", "int(1)", "int(7)", "int(3)", "int(1)"},
       ""},
      {"a returned variable or member is copied, a returned temporary of the declared type is the result",
       R"(class C { int n; int get() { return n; } int set(int v) { n = v; return n; } };
          int keep = 3;
          int global() { return keep; }
          int sum(int a, int b) { return a + b; }
          double widen(int a) { return a + 1; }
          process main(string a) {
            int y = 0; y = global(); ++y;
            C c; c.set(10); int m = 0; m = c.get(); m += 5;
            using::report(keep, y, c.get(), m, sum(2, 3), widen(1));
          })",
       {"int(3), int(4), int(10), int(15), int(5), double(2)"},
       ""},
      {"a text assigned from a variable, a call or a join keeps its own characters",
       R"(string pass_on(string t) { return t; }
          process main(string a) {
            string t = "ab"; string s = ""; s = t; t = t + "c"; s = s + s;
            string u = ""; u = pass_on(t); u = u + "!"; int n = 0; n = 5; s = s + n;
            vector v; v.push_back(t); v.at(0) = t + "d";
            using::report(s, t, u, v.at(0));
          })",
       {"string(abab5), string(abc), string(abc!), string(abcd)"},
       ""},
  });
}

// The fast path against the general one, operator by operator: an int literal or int variable on the right is
// read without a value object, a call's value is not. Every left operand of every type gives the same value, or
// the same error, on both paths; a mirrored literal on the left only has to agree with itself.
TEST(Script, FastOperandsAgreeWithGeneralPath) {
  const std::vector<std::string> ops = {"+", "-", "*", "/", "%", "&&", "||", "==", "!=", "<", ">", "<=", ">="};
  const std::vector<std::string> lefts = {"i1", "i2", "i3", "i4", "b1", "d1"};
  // {literal, variable holding it}; a negative number is written as a difference, so -1 is a variable in both.
  const std::vector<std::pair<std::string, std::string>> rights = {{"3", "k3"}, {"0", "k0"}, {"1", "k1"},
                                                                  {"km", "km"}, {"true", "kt"}};
  const std::string head =
      "int id(int v) { return v; } bool id(bool v) { return v; } double id(double v) { return v; }\n"
      "process main(string a) {\n"
      "  int i1 = 0 - 7; int i2 = 0; int i3 = 2147483647; int i4 = 0 - 2147483647 - 1; bool b1 = true;\n"
      "  double d1 = 2.5; int k3 = 3; int k0 = 0; int k1 = 1; int km = 0 - 1; bool kt = true;\n";
  const auto run = [&head](const std::string& e) {
    return plang::test::run_script(head + "  try { using::report(" + e +
                                   "); } catch () { using::report(\"caught\"); }\n}\n");
  };
  for (const std::string& op : ops) {
    for (const std::string& l : lefts) {
      for (const auto& r : rights) {
        SCOPED_TRACE(l + " " + op + " " + r.first);
        const plang::test::script_result literal = run(l + " " + op + " " + r.first);
        const plang::test::script_result variable = run(l + " " + op + " " + r.second);
        const plang::test::script_result general = run("id(" + l + ") " + op + " " + r.first);
        EXPECT_EQ(literal.reports, variable.reports);
        EXPECT_EQ(literal.error, variable.error);
        EXPECT_EQ(literal.reports, general.reports);
        EXPECT_EQ(literal.error, general.error);
      }
    }
  }
}

// Compound assignment changes an int or bool variable in place only when the result keeps its type; otherwise
// the general path (the right side a call's value) assigns, converts or raises its error, the same on both.
TEST(Script, CompoundAssignmentAgreesWithGeneralPath) {
  const std::vector<std::string> ops = {"+", "-", "*", "/", "%"};
  const std::vector<std::pair<std::string, std::string>> starts = {
      {"int", "0 - 7"}, {"int", "2147483647"}, {"bool", "true"}, {"double", "2.5"}};
  const std::vector<std::string> rights = {"3", "0", "true", "k"};
  const auto run = [](const std::string& type, const std::string& start, const std::string& statement) {
    return plang::test::run_script("int id(int v) { return v; } bool id(bool v) { return v; }\n"
                                   "process main(string a) {\n  int k = 3; " +
                                   type + " x = " + start + ";\n  try { " + statement +
                                   " } catch () { using::report(\"caught\"); }\n  using::report(x);\n}\n");
  };
  for (const std::string& op : ops) {
    for (const auto& start : starts) {
      for (const std::string& r : rights) {
        SCOPED_TRACE(start.first + " " + start.second + " " + op + "= " + r);
        const plang::test::script_result fast = run(start.first, start.second, "x " + op + "= " + r + ";");
        const plang::test::script_result general = run(start.first, start.second, "x " + op + "= id(" + r + ");");
        EXPECT_EQ(fast.reports, general.reports);
        EXPECT_EQ(fast.error, general.error);
      }
    }
  }
}

TEST(Script, Literals) {
  run_rows({
      {"numbers",
       R"(process main(string a) { using::report(10, 10u, 017, 09, 019, 0x1F, 0x1Fu, 0, 1.5, 1.5f, .5, 5., 1e+3); })",
       {"int(10), unsigned int(10), int(15), int(0), int(1), int(31), unsigned int(31), int(0), double(1.5), "
        "float(1.5), double(0.5), double(5), double(1000)"},
       ""},
      {"numbers out of range saturate",
       R"(process main(string a) { using::report(2147483648, 0xFFFFFFFFF, 0x80000000, 99999999999u); })",
       {"int(2147483647), int(2147483647), int(2147483647), unsigned int(4294967295)"},
       ""},
      {"escapes",
       "process main(string a) { using::report(\"a\\n\\tb\", \"q\\\"q\", \"\\\\\", \"\\r\\0\", \"\"); }",
       {"string(a\n\tb), string(q\"q), string(\\), string(r0), string()"},
       ""},
      {"true and false", R"(process main(string a) { using::report(true, false); })", {"bool(1), bool(0)"}, ""},
      {"a literal is a new value each time",
       R"(process main(string a) { int i = 0; while (i < 2) { using::report(++5); i += 1; } })",
       {"int(6)", "int(6)"},
       ""},
  });
}

TEST(Script, FunctionsAndOverloads) {
  run_rows({
      {"overloads by argument types",
       R"(int f(int a) { return 1; }
          int f(string a) { return 2; }
          int f(int a, int b) { return 3; }
          int f() { return 4; }
          process main(string s) { using::report(f(0), f("x"), f(1, 2), f()); })",
       {"int(1), int(2), int(3), int(4)"},
       ""},
      {"return values convert to the declared type; no return gives nil",
       R"(int g() { return "12"; }
          string h() { }
          process main(string a) { using::report(g(), h()); })",
       {"int(12), nil()"},
       ""},
      {"reference parameters share the caller's value",
       R"(int inc(int &x, int y) { x += 1; y += 1; return x; }
          process main(string a) { int v = 1; int w = 1; inc(v, w); using::report(v, w); })",
       {"int(2), int(1)"},
       ""},
      {"recursion",
       R"(int fib(int n) { if (n < 2) return n; return fib(n - 1) + fib(n - 2); }
          process main(string a) { using::report(fib(15)); })",
       {"int(610)"},
       ""},
      {"a call left by a return starts its loops, tries, ifs and blocks afresh the next time",
       R"(int turns = 0;
          int first(int n) { int i = 0; while (1) { turns += 1; i += 1; if (i == n) { int r = i * 10; return r; } } }
          int caught(int n) { try { if (n) throw n; return 0; } catch (int e) { if (e > 1) return e; } return -1; }
          int pick(int n) { if (n > 0) { int k = n; return k; } else { return -n; } }
          int depth(int n) {
            while (n) { if (n == 1) { return depth(0) + 1; } try { return depth(n - 1) + 10; } catch () { } }
            return 0;
          }
          process main(string a) {
            using::report(first(3), first(1), first(2), turns);
            using::report(caught(0), caught(5), caught(7), caught(1));
            using::report(pick(4), pick(-2), pick(4));
            using::report(depth(5), depth(3), depth(1));
          })",
       {"int(30), int(10), int(20), int(6)", "int(0), int(5), int(7), int(-1)", "int(4), int(2), int(4)",
        "int(41), int(21), int(1)"},
       ""},
      {"same signature again",
       R"(int f(int a) { return 1; }
          int f(string a) { return 2; }
          int f(int b) { return 3; })",
       {},
       compile_chain +
           "plang/semantic/s_class(185) plang::detail::semantic::s_class<wchar_t>::eval_function_def: catch "
           "exception\n>\tplang/table/function(31) plang::table::function<wchar_t,class plang::control<wchar_t,"
           "class plang::runtime<wchar_t,class plang::nspace<wchar_t,class plang::process<wchar_t> > > > "
           ">::define: overwrite function, typeid=4294967042 id=f arguments(type(4294967042) b)"},
      {"inline overloads; a reference flag does not change the key",
       R"(inline f(int a) { }
          inline f(string a) { }
          inline f(int &b) { })",
       {},
       compile_chain +
           "plang/semantic/semantic(185) plang::semantic<wchar_t>::eval_inline_def: catch exception\n>\t"
           "plang/table/inline_(22) plang::table::inline_<wchar_t,class plang::control<wchar_t,class "
           "plang::runtime<wchar_t,class plang::nspace<wchar_t,class plang::process<wchar_t> > > > >::define: "
           "overwrite inline function, id=f arguments(type(4294967042) b)"},
      {"an unknown parameter type",
       R"(int f(Point p) { return 1; })",
       {},
       compile_chain +
           "plang/semantic/s_class(185) plang::detail::semantic::s_class<wchar_t>::eval_function_def: catch "
           "exception\n>\tplang/nspace(178) plang::nspace<wchar_t,class plang::process<wchar_t> >::find_typeid: "
           "undefined typeid string, sid=Point"},
  });
}

TEST(Script, Globals) {
  run_rows({
      {"initialisers run while compiling, in text order",
       R"(int first() { using::report("first", using::pass()); return 1; }
          int second() { using::report("second"); return 2; }
          int b = second();
          int a = first();
          process main(string s) { using::report(a + b, using::pass()); })",
       {"string(second)", "string(first), int(0)", "int(3), int(1)"},
       ""},
      {"functions see and change globals",
       R"(int counter = 0;
          int bump() { counter += 1; return counter; }
          int once = bump();
          process main(string s) { bump(); using::report(counter, once); })",
       {"int(2), int(1)"},
       ""},
      {"a function defined further down is not there yet",
       R"(int g = f(1);
          int f(int x) { return x; })",
       {},
       compile_chain +
           "plang/semantic/semantic(153) plang::semantic<wchar_t>::global_declaration: catch exception\n>\t"
           "plang/nspace(160) plang::nspace<wchar_t,class plang::process<wchar_t> >::call_function: function id "
           "resolution failure, id=f, v[0]=int(1)"},
      {"a throwing initialiser",
       R"(int f(int x) { throw x; }
          int g = f(1);)",
       {},
       compile_chain +
           "plang/semantic/semantic(159) plang::semantic<wchar_t>::global_declaration: catch unexpected throw "
           "int(1)"},
      {"a break escaping an initialiser",
       R"(int f() { break; }
          int g = f();)",
       {},
       compile_chain +
           "plang/semantic/semantic(162) plang::semantic<wchar_t>::global_declaration: catch unexpected break"},
      {"a continue escaping an initialiser",
       R"(int f() { continue; }
          int g = f();)",
       {},
       compile_chain +
           "plang/semantic/semantic(165) plang::semantic<wchar_t>::global_declaration: catch unexpected continue"},
      {"an include is compiled whole before the next item",
       R"(int before = 1;
          #include "lib/one.hpp"
          int after = twice(in_one);
          process main(string s) { using::report(before, in_one, after); })",
       {"string(one)", "int(1), int(2), int(4)"},
       "",
       {{"lib/one.hpp", "int twice(int x) { return x * 2; }\nint in_one = twice(before);\n"
                        "int say = using::report(\"one\");\n"}}},
      {"an initialiser fails inside an included file",
       R"(#include "two.hpp")",
       {},
       compile_chain +
           "plang/semantic/semantic(144) plang::semantic<wchar_t>::eval_include_def: catch exception\n>\t"
           "plang/semantic/semantic(43) plang::semantic<wchar_t>::compile_this: compile failure, dir=<dir>, "
           "path=two.hpp\n>\tplang/semantic/semantic(86) plang::semantic<wchar_t>::compile_str: semantic failure\n>\t"
           "plang/semantic/semantic(159) plang::semantic<wchar_t>::global_declaration: catch unexpected throw "
           "string(no)",
       {{"two.hpp", "int f() { throw \"no\"; }\nint x = f();\n"}}},
      {"a global declared twice",
       R"(int x; int x;)",
       {},
       compile_chain +
           "plang/semantic/semantic(153) plang::semantic<wchar_t>::global_declaration: catch exception\n>\t"
           "plang/table/variable(22) plang::table::variable<wchar_t>::declare: variable already exists, id=x "
           "value=int(0)"},
  });
}

TEST(Script, Processes) {
  run_rows({
      // A process started during a pass takes its first step in that pass, after the processes already there.
      {"step order",
       R"(process worker(int n) { using::report(using::pass(), n); using::report(using::pass(), n); }
          process main(string a) {
            using::report(using::pass(), "main");
            process::worker w(1);
            using::report(using::pass(), "after");
          })",
       {"int(1), string(main)", "int(2), int(1)", "int(3), string(after)", "int(3), int(1)"},
       ""},
      {"process overloads and a start without arguments",
       R"(process p(int a) { using::report("int", a); }
          process p(string s) { using::report("string", s); }
          process p() { using::report("none"); }
          process main(string a) { process::p x(5); process::p y(a); process::p z; })",
       {"string(int), int(5)", "string(string), string(arg)", "string(none)"},
       ""},
      {"a loop takes a pass per test and per statement",
       R"(process main(string a) {
            int i = 0;
            while (i < 2) i += 1;
            using::report(using::pass(), i);
          })",
       {"int(7), int(2)"},
       ""},
      {"a process that is not defined yet",
       R"(process main(string a) { process::p h; }
          process p() { })",
       {},
       in_main +
           "plang/semantic/s_statement(174) plang::detail::semantic::s_statement<wchar_t>::eval_process_stmt: "
           "catch exception, pid=p?p sid=h\n>\tUnable to find key in unordered_map."},
      {"a process cannot start itself",
       R"(process main(string a) { process::main h("x"); })",
       {},
       in_main +
           "plang/semantic/s_statement(174) plang::detail::semantic::s_statement<wchar_t>::eval_process_stmt: "
           "catch exception, pid=p?main sid=h\n>\tUnable to find key in unordered_map."},
      {"the same signature again",
       R"(process p(int a) { }
          process p(int &b) { })",
       {},
       compile_chain +
           "plang/semantic/semantic(172) plang::semantic<wchar_t>::eval_process_def: catch exception\n>\t"
           "plang/table/process(23) plang::table::process<wchar_t,class plang::control<wchar_t,class "
           "plang::runtime<wchar_t,class plang::nspace<wchar_t,class plang::process<wchar_t> > > > >::define: "
           "overwrite process definition, pid=1 arguments(type(4294967042) b)"},
      {"main with other parameters",
       R"(process main(int a) { })",
       {},
       "plang/nspace(122) plang::nspace<wchar_t,class plang::process<wchar_t> >::start_process: fail to start "
       "process\n>\tplang/nspace(112) plang::nspace<wchar_t,class plang::process<wchar_t> >::process_definition: "
       "undefined process id, pid=p?main v[0]=string(arg)"},
      {"no main", R"(process mine(string a) { })", {}, "not a plang::exception: Unable to find key in unordered_map."},
  });
}

TEST(Script, TryAndCatch) {
  run_rows({
      {"handlers by type and the catch-all",
       R"(process main(string a) {
            try { throw 5; } catch (int e) { using::report("int", e); } catch () { using::report("all"); }
            try { throw "s"; } catch (int e) { using::report("int", e); } catch () { using::report("all"); }
          })",
       {"string(int), int(5)", "string(all)"},
       ""},
      {"an unmatched throw goes to the enclosing try",
       R"(int f() { throw 2; }
          process main(string a) {
            try { try { f(); } catch (string s) { using::report("inner"); } }
            catch (int &e) { using::report("outer", e); }
          })",
       {"string(outer), int(2)"},
       ""},
      {"errors of values are catchable",
       R"(process main(string a) { try { int z = 1 / 0; } catch (range_error e) { using::report("range"); } })",
       {"string(range)"},
       ""},
      {"an uncaught throw ends the run",
       R"(process main(string a) { try { throw 1u; } catch (int e) { } })",
       {},
       "plang/process(37) plang::process<wchar_t>::run: catch unexpected throw unsigned int(1)"},
      {"two parameters",
       R"(process main(string a) { try { } catch (int a, int b) { } })",
       {},
       in_main +
           "plang/semantic/s_statement(132) plang::detail::semantic::s_statement<wchar_t>::eval_except_stmt: "
           "invalid arguments size"},
      {"two clauses of one type",
       R"(process main(string a) { try { } catch (int a) { } catch (int &b) { } })",
       {},
       in_main +
           "plang/table/except(24) plang::table::except<wchar_t,class plang::control<wchar_t,class "
           "plang::runtime<wchar_t,class plang::nspace<wchar_t,class plang::process<wchar_t> > > > >::define: "
           "overwrite catch statement"},
      {"two catch-all clauses",
       R"(process main(string a) { try { } catch () { } catch () { } })",
       {},
       in_main +
           "plang/table/except(24) plang::table::except<wchar_t,class plang::control<wchar_t,class "
           "plang::runtime<wchar_t,class plang::nspace<wchar_t,class plang::process<wchar_t> > > > >::define: "
           "overwrite catch statement"},
  });
}

// Compile errors are never swallowed: a failing else branch, initialiser or argument list is reported.
TEST(Script, CompileErrors) {
  const std::string this_undefined =
      in_main + "plang/semantic/core(95) plang::detail::semantic::core<wchar_t>::eval_primary_expr: undefined";
  run_rows({
      {"this", R"(process main(string a) { using::report(this); })", {}, this_undefined},
      {"this in an else branch", R"(process main(string a) { if (1) a; else using::report(this); })", {},
       this_undefined},
      {"an else branch starting an unknown process",
       R"(process main(string a) { if (1) a; else { process::nope h; } })",
       {},
       in_main +
           "plang/semantic/s_statement(174) plang::detail::semantic::s_statement<wchar_t>::eval_process_stmt: "
           "catch exception, pid=p?nope sid=h\n>\tUnable to find key in unordered_map."},
      {"this as an initialiser", R"(process main(string a) { int x = this; })", {}, this_undefined},
      {"this as a method argument", R"(process main(string a) { a.size(this); })", {}, this_undefined},
      {"a reference with two arguments",
       R"(process main(string a) { int x, y; int & r(x, y); })",
       {},
       in_main +
           "plang/semantic/s_statement(230) plang::detail::semantic::s_statement<wchar_t>::eval_ref_constructor: "
           "invalid argument count of constructor for refference, int& r"},
      {"a reference with none",
       R"(process main(string a) { string & r(); })",
       {},
       in_main +
           "plang/semantic/s_statement(230) plang::detail::semantic::s_statement<wchar_t>::eval_ref_constructor: "
           "invalid argument count of constructor for refference, string& r"},
      {"an unknown type in a declaration",
       R"(process main(string a) { Point p; })",
       {},
       in_main +
           "plang/nspace(178) plang::nspace<wchar_t,class plang::process<wchar_t> >::find_typeid: undefined typeid "
           "string, sid=Point"},
  });
}

// Processes step their innermost running scope directly, calls remember what they resolved and parameters take over
// fresh values: none of it may change a pass count, a result or an error text.
TEST(Script, StepsAndCallsOnTheFastPaths) {
  run_rows({
      {"blocks, ifs, loops, break and continue take the passes of nested steps",
       R"(process main(string a) {
            int i = 0;
            { using::report(using::pass(), "block"); { int k = 1; } }
            while (true) {
              ++i;
              if (i == 2) { continue; }
              if (i > 3) { using::report(using::pass(), "break", i); break; } else { ; }
              { using::report(using::pass(), i); }
            }
            while (i < 9) { { ++i; if (i == 6) { while (true) { break; } continue; } if (i == 7) break; } }
            using::report(using::pass(), i);
            if (i == 7) { while (i < 9) { ++i; { } } } else { }
            {}
            using::report(using::pass(), i);
          })",
       {"int(2), string(block)", "int(9), int(1)", "int(19), int(3)", "int(24), string(break), int(4)", "int(41), int(7)",
        "int(51), int(9)"},
       ""},
      {"tests that call functions: an if's, a loop's after each turn, a loop ending its outer loop's turn, a failing test",
       R"(int t = 0;
          bool more(int n) { ++t; using::report(using::pass(), t); return t < n; }
          int fail(int n) { if (n > 1) { throw n; } return n; }
          process main(string a) {
            while (more(3)) { if (t == 2) { using::report(using::pass(), "if"); } }
            int i = 0;
            while (i < 2) { while (more(6)) { ++i; } }
            if (more(9)) { using::report(using::pass(), i); }
            while (fail(i - 1) < 9) { ++i; }
          })",
       {"int(1), int(1)", "int(3), int(2)", "int(5), string(if)", "int(6), int(3)", "int(9), int(4)", "int(11), int(5)",
        "int(13), int(6)", "int(15), int(7)", "int(16), int(2)"},
       "plang/process(37) plang::process<wchar_t>::run: catch unexpected throw int(2)"},
      {"a return in a process body leaves from inside its loops and blocks",
       R"(process main(string a) {
            int i = 0;
            while (i < 5) { ++i; if (i == 2) { { return i; } } }
          })",
       {},
       "plang/process(34) plang::process<wchar_t>::run: catch unexpected return int(2)"},
      {"a throw from inside nested loops reaches the try around them, or ends the process",
       R"(process main(string a) {
            int i = 0;
            try { while (true) { ++i; while (i > 2) { throw i; } } } catch (int e) { using::report(using::pass(), e); }
            while (i < 5) { ++i; if (i == 4) { throw "out"; } }
          })",
       {"int(12), int(3)"},
       "plang/process(37) plang::process<wchar_t>::run: catch unexpected throw string(out)"},
      {"parameters taken over from temporaries leave the caller's variables and the failed call's text alone",
       R"(int bump(int n) { n += 10; return n; }
          double half(double d) { d = d / 2; return d; }
          int fail(int n, double d, bool b) { n += 1; d = 9; b = false; return missing(n); }
          process main(string a) {
            int x = 1; int y = bump(x); double z = 3;
            using::report(x, y, bump(x + 1), bump(5), half(z), z, half(z + 1));
            fail(3, 2.5, 1 < 2);
          })",
       {"int(1), int(11), int(12), int(15), double(1.5), double(3), double(2)"},
       "plang/nspace(160) plang::nspace<wchar_t,class plang::process<wchar_t> >::call_function: function id resolution "
       "failure, id=fail, v[0]=int(3), v[1]=double(2.5), v[2]=bool(1)\n>\tplang/table/function(50) "
       "plang::table::function<wchar_t,class plang::control<wchar_t,class plang::runtime<wchar_t,class "
       "plang::nspace<wchar_t,class plang::process<wchar_t> > > > >::call: catch exception\n>\tplang/nspace(160) "
       "plang::nspace<wchar_t,class plang::process<wchar_t> >::call_function: function id resolution failure, id=missing, "
       "v[0]=int(4)"},
      {"a failed conversion of the returned value describes the arguments as given",
       R"(class C { int k; };
          C conv(int n) { n = 4; return n; }
          process main(string a) { conv(1 + 1); })",
       {},
       "plang/nspace(160) plang::nspace<wchar_t,class plang::process<wchar_t> >::call_function: function id resolution "
       "failure, id=conv, v[0]=int(2)\n>\tplang/nspace(218) plang::nspace<wchar_t,class plang::process<wchar_t> >::_generate: "
       "instance generation failure, typeid=C\n>\tplang/nspace(201) plang::nspace<wchar_t,class plang::process<wchar_t> "
       ">::_generate: instance generation failure, typeid=C\n>\tplang/factor/instance(41) plang::instance<wchar_t,class "
       "plang::object<wchar_t,class plang::process<wchar_t> > >::call_constructor: int(4)\n>\tplang/factor/instance(38) "
       "plang::instance<wchar_t,class plang::object<wchar_t,class plang::process<wchar_t> > >::call_constructor: undefined"},
      {"one call site meets other overloads, receivers of other classes and methods of its name",
       R"(string kind(int v) { return "int"; }
          string kind(double v) { return "double"; }
          int twice(int n) { return n * 100; }
          class C { int twice(int n) { return n * 2; } int run() { return twice(3) + kind(1).size(); } };
          process main(string a) {
            vector v; v.push_back(1); v.push_back(1.5); v.push_back(2);
            vector w; w.push_back("abcd"); w.push_back(v); w.push_back("ab");
            C c; C d; int i = 0;
            while (i < 3) { using::report(kind(v.at(i)), w.at(i).size(), twice(i)); ++i; }
            using::report(c.run(), d.run());
          })",
       {"string(int), unsigned int(4), int(0)", "string(double), unsigned int(3), int(100)",
        "string(int), unsigned int(2), int(200)", "int(9), int(9)"},
       ""},
      {"a text assigned its own join with a text, a number, itself and a call that changes it",
       R"(string g = "g";
          string grow() { g = g + "!"; return "+"; }
          process main(string a) {
            string s = "ab"; int i = 0;
            while (i < 3) { s = s + s; s = s + i; ++i; }
            g = g + grow();
            string t = s; t = t + "x"; double d = 1.5; d = d + 1;
            using::report(s, g, t, d);
          })",
       {"string(abab0abab01abab0abab012), string(g!+), string(abab0abab01abab0abab012x), double(2.5)"},
       ""},
      {"a loop's turns declare their variables afresh, in calls from other depths and after a continue",
       R"(int sum(int m) {
            int t = 0; int j = 0;
            while (j < m) { int d = j * 2; t += d; ++j; if (j == 2) { int e = 1; continue; } }
            return t;
          }
          int twice(int m) { return sum(m) + sum(m + 1); }
          process main(string a) {
            int i = 0;
            while (i < 3) { int k = i; while (k < 2) { int q = k; ++k; } using::report(i, sum(i + 2), twice(i), k); ++i; }
            while (i < 5) { int d = i; ++i; if (i == 5) { int d = 0; int d = 1; } }
          })",
       {"int(0), int(2), int(0), int(2)", "int(1), int(6), int(2), int(2)", "int(2), int(12), int(8), int(2)"},
       "plang/table/variable(22) plang::table::variable<wchar_t>::declare: variable already exists, id=d value=int(1)"},
      {"one method call site meets receivers of other classes, a base class's method and an unknown method",
       R"(class B { int get() { return 10; } int only(int k) { return k + 100; } };
          class A : B { int get() { return 1; } };
          class D : B { int n; };
          process main(string a) {
            vector w; A x; D y; w.push_back(x); w.push_back(y); w.push_back(x); w.push_back(1.5);
            int i = 0;
            while (i < 4) { using::report(w.at(i).get(), w.at(i).only(i)); ++i; }
          })",
       {"int(1), int(100)", "int(10), int(101)", "int(1), int(102)"},
       "plang/factor/real(231) plang::real<double>::_method: id=get, v=0"},
  });
}

TEST(Script, ContainerCallsOnVariables) {
  run_rows({
      {"what a container stores is its own: a temporary is taken, a value held elsewhere is copied",
       R"(process main(string a) {
            vector v; v.push_back(1); v.push_back(2); int x = 5; v.push_back(x); ++v.at(2);
            int& r = v.at(1); vector w; w.push_back(v.pop_back()); w.push_back(v.pop_back()); ++r;
            list l; l.push_back(x); l.push_front(x * 2); ++x;
            hash h; h.insert(x, x); h.insert(x + 1, 7); ++x; v.replace(0, x + 1);
            using::report(x, r, w.at(0), w.at(1), l, h.at(6), h.at(7), v.at(0));
          })",
       {"int(7), int(3), int(6), int(2), list[int(10), int(5)], int(6), int(7), int(8)"},
       ""},
      {"elements read where the caller only reads, of every type, and their range errors",
       R"(process main(string a) {
            vector v; v.push_back(2); v.push_back(2.5); v.push_back("4"); v.push_back(true);
            hash h; h.insert(1, 10); h.insert(true, 20); unsigned int one = 1u; h.insert(one, 30);
            int s = 0; int i = 0;
            while (i < 4) { s += v.at(i); ++i; }
            bool b = v.at(3); int k = h.at(1) + h.at(true) * 100 + h.at(one) * 10000; double d = 0.5; d += v.at(0);
            if (h.exist(1) && h.exist(2) == false) { using::report("exist"); }
            try { s += v.at(i); } catch (range_error e) { using::report("vector", s); }
            try { s += h.at(i); } catch (range_error e) { using::report("hash", s); }
            using::report(s, b, k, d, h.exist(one), v.at(0 - 4 + i));
          })",
       {"string(exist)", "string(vector), int(9)", "string(hash), int(9)",
        "int(9), bool(1), int(302010), double(2.5), bool(1), int(2)"},
       ""},
      {"the results of insert and push_back, kept or dropped",
       R"(process main(string a) {
            hash h; bool b = h.insert(1, 2); h.insert(3, 4);
            vector v; ++v.push_back(5); list l; ++l.push_front(1);
            using::report(b, h.insert(1, 3), h.at(1), h.size(), v, l);
          })",
       {"bool(1), bool(0), int(2), unsigned int(2), vector[int(6)], list[int(2)]"},
       ""},
      {"an argument a later argument changes, containers as arguments, receivers of other classes",
       R"(int g = 1;
          int bump() { g += 10; return 0; }
          class C { int at(int i) { return i * 2; } int insert(int k, int v) { return k + v; } };
          process main(string a) {
            hash h; h.insert(g, bump()); vector v; vector w; w.push_back(1); v.push_back(w); ++w.at(0);
            h.insert(w, 5); C c; int s = 0; s += c.at(3); s += c.insert(1, 2);
            using::report(h, v, h.at(w), s);
          })",
       {"hash[(int(11) , int(0)), (vector[int(2)] , int(5))], vector[vector[int(1)]], int(5), int(9)"},
       ""},
      {"numbers in a map: inserted from int arithmetic and other types, read, changed through references, copied",
       R"(process main(string a) {
            hash h; int i = 0; double d = 0.25; unsigned int u = 3u;
            while (i < 3) { h.insert(i * 16, i - 1); ++i; }
            h.insert(true, i > 2); h.insert(u, d); h.insert(d, u); h.insert(5, "five");
            int& r = h.at(16); ++r; ++h.at(32); hash c(h); ++c.at(0);
            int s = h.at(0) + h.at(16) * 10 + h.at(32) * 100;
            bool b = h.at(true); d += h.at(u);
            using::report(s, b, d, h.at(0.25), h.at(5), c.at(0), c.at(16), h.exist(48), h.size());
          })",
       {"int(209), bool(1), double(0.5), unsigned int(3), string(five), int(0), int(1), bool(0), unsigned int(7)"},
       ""},
  });
}

}  // namespace
