// Script classes end to end: construction order, conversions, members and methods through base parts,
// references, copies, descriptions and the errors of class definitions.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "script_harness.hpp"

namespace {

using plang::test::compile_chain;

struct row {
  const char* name;
  std::string script;
  std::vector<std::string> reports;
  std::string error;  // empty: the run ends with no process left
};

void run_rows(const std::vector<row>& rows) {
  for (const row& r : rows) {
    SCOPED_TRACE(r.name);
    const plang::test::script_result got = plang::test::run_script(r.script);
    EXPECT_EQ(got.reports, r.reports);
    EXPECT_EQ(got.error, r.error);
  }
}

const std::string instance_text =
    ") plang::instance<wchar_t,class plang::object<wchar_t,class plang::process<wchar_t> > >::";
const std::string object_text = ") plang::object<wchar_t,class plang::process<wchar_t> >::";
// The chain in front of an error that a class definition raises.
const std::string in_class =
    compile_chain + "plang/semantic/s_class(39) plang::detail::semantic::s_class<wchar_t>::eval_class_def: catch "
                    "exception\n>\t";
const std::string in_constructor = "plang/semantic/s_class(";
const std::string constructor_text = ") plang::detail::semantic::s_class<wchar_t>::eval_class_constructor: ";

TEST(ClassScript, Construction) {
  run_rows({
      {"unnamed members first, then the base, then the list, then the body",
       R"(class L { L() { using::report("L"); } L(int n) { using::report("L int", n); } };
          class B { B(int n) { using::report("B", n); } };
          class A : B { L x; L y; A() : B(1), x(2) { using::report("body"); } };
          process main(string s) { A v; using::report(v); })",
       {"string(L)", "string(B), int(1)", "string(L int), int(2)", "string(body)", "A[x=L[], y=L[]]:[B[]]"},
       ""},
      {"an unnamed base is default-constructed after the unnamed members",
       R"(class B { B() { using::report("B"); } };
          class L { L() { using::report("L"); } L(int n) { using::report("L", n); } };
          class A : B { L x; L y; A() : y(3) { using::report("body"); } };
          process main(string s) { A v; using::report(v); })",
       {"string(L)", "string(B)", "string(L), int(3)", "string(body)", "A[x=L[], y=L[]]:[B[]]"},
       ""},
      {"without constructors: default and member-wise copy construction",
       R"(class B { int w; };
          class A : B { string s; int v; };
          process main(string s) { A a; a.v=3; a.w=4; A b(a); a.v=5; using::report(a, b); })",
       {"A[s=string(), v=int(5)]:[B[w=int(4)]], A[s=string(), v=int(3)]:[B[w=int(4)]]"},
       ""},
      {"a class written as a name only",
       R"(class E; process main(string s) { E e; using::report(e); })",
       {"E[]"},
       ""},
      {"passing by value runs the copy constructor",
       R"(class A { int v; A() {} A(A& o) : v(o.v) { using::report("copy"); } };
          int f(A x) { return 0; }
          process main(string s) { A a; f(a); })",
       {"string(copy)"},
       ""},
      {"constructor arguments pick the constructor",
       R"(class P { int x; string t; P(int a, string b) : x(a), t(b) {} };
          process main(string s) { P p(1, "one"); using::report(p); P q(1); })",
       {"P[x=int(1), t=string(one)]"},
       "plang/nspace(218) plang::nspace<wchar_t,class plang::process<wchar_t> >::_generate: instance generation "
       "failure, typeid=P\n>\tplang/nspace(201) plang::nspace<wchar_t,class plang::process<wchar_t> >::_generate: "
       "instance generation failure, typeid=P\n>\tplang/factor/instance(41" +
           instance_text + "call_constructor: int(1)\n>\tplang/factor/instance(38" + instance_text +
           "call_constructor: undefined"},
  });
}

TEST(ClassScript, Conversions) {
  run_rows({
      {"int and string conversions; an int on the left converts the instance",
       R"(class N { int v; N(int n) : v(n) {} operator int() { return v * 2; } operator string() { return v; } };
          process main(string s) { N n(21); int i = n; string t = n; using::report(i, t, 1 + n); })",
       {"int(42), string(21), int(43)"},
       ""},
      {"a missing bool conversion in an if is a catchable bad_cast",
       R"(class A { };
          process main(string s) {
            A a;
            try { if (a) using::report("yes"); } catch (bad_cast e) { using::report("caught"); }
          })",
       {"string(caught)"},
       ""},
      {"a conversion body without return, or one that throws, gives bad_cast",
       R"(class A { operator int() { int x; } operator double() { throw "no"; } };
          process main(string s) {
            A a;
            try { int i = a; } catch (bad_cast e) { using::report("int"); }
            try { double d = a; } catch (bad_cast e) { using::report("double"); }
          })",
       {"string(int)", "string(double)"},
       ""},
      {"the later of two conversions to one type wins; others are dropped",
       R"(class A { operator int() { return 1; } operator int() { return 2; } operator nil() { return 3; } };
          process main(string s) { A a; using::report(0 + a); })",
       {"int(2)"},
       ""},
  });
}

TEST(ClassScript, MembersAndMethods) {
  run_rows({
      {"methods and members are found through the base part",
       R"(int top() { return 1; }
          class B { int w; B() : w(5) {} int get() { return w; } };
          class A : B { int twice() { return get() + get(); } int plus(int n) { return w + n; } };
          process main(string s) { A a; using::report(a.get(), a.twice(), a.plus(2), a.w); a.top(); })",
       {"int(5), int(10), int(7), int(5)"},
       "plang/factor/instance(202" + instance_text + "method: A[]:[B[w=int(5)]]\n>\tplang/object(84" + object_text +
           "method: undefined method, id=top, v=0"},
      {"a method sees globals, but a global is no member",
       R"(int g = 7;
          class A { int v; int seen() { return g + v; } };
          process main(string s) { A a; using::report(a.seen()); a.g; })",
       {"int(7)"},
       "plang/factor/instance(193" + instance_text +
           "member: A[v=int(0)]\n>\tplang/nlookup(43) plang::nlookup<wchar_t>::find_member: undefined member, g"},
      {"members read past parameters and locals, from base and derived instances, and shadowed by a parameter",
       R"(class B { int n; B() : n(1) {} int get(int k) { return n + k; } };
          class A : B { int m; int p; A() : m(10), p(20) {} int both(int k) { int q = 0; return n + m + p + k + q; } };
          class S { int n; S() : n(2) {} int own(int n) { return n; } int outer(int k) { return n * k; } };
          process main(string s) {
            B b; A a; S c; int j = 0; int r = 0;
            while (j < 4) { int t = j; r += b.get(t) + a.get(t) + a.both(t) + c.own(t) + c.outer(t); ++j; }
            using::report(r, b.get(100), a.get(100), c.own(7), c.outer(3));
          })",
       {"int(168), int(101), int(101), int(7), int(6)"},
       ""},
      {"reference members are shared by copies and re-bound by assignment",
       R"(class R { int& r; R(int& x) : r(x) {} };
          process main(string s) {
            int a = 1; int b = 2;
            R p(a); R q(p); R t(b);
            a = 10; using::report(q.r);
            q = t; b = 20; using::report(q.r, p.r);
          })",
       {"int(10)", "int(20), int(10)"},
       ""},
      {"comparing two instances fails with both descriptions",
       R"(class A { int v; }; process main(string s) { A a, b; a == b; })",
       {},
       "plang/factor/instance(87" + instance_text + "eq: A[v=int(0)]: A[v=int(0)]"},
      {"assigning another class fails with both descriptions",
       R"(class A { int v; }; class C { }; process main(string s) { A a; C c; a = c; })",
       {},
       "plang/factor/instance(120" + instance_text + "operator =: A[v=int(0)], C[]"},
      {"a method that throws reaches the script's try unchanged",
       R"(class A { int f() { throw 3; } };
          process main(string s) { A a; try { a.f(); } catch (int e) { using::report("caught", e); } })",
       {"string(caught), int(3)"},
       ""},
  });
}

TEST(ClassScript, DefinitionErrors) {
  run_rows({
      {"copy constructor taking the class by value", R"(class C { C(C o) {} };)", {},
       in_class + "plang/object(91" + object_text +
           "define_constructor: invalid parameter of copy constructor, class=C"},
      {"unnamed reference member", R"(class C { int& r; C() {} };)", {},
       in_class + in_constructor + "122" + constructor_text + "uninitialized refference, int& r"},
      {"reference member with two arguments", R"(class C { int& r; C(int& a) : r(a, a) {} };)", {},
       in_class + in_constructor + "148" + constructor_text +
           "invalid argument count of refference constructor, int& r"},
      {"duplicate member", R"(class C { int x; int x; };)", {},
       in_class + "plang/object(64" + object_text + "define_member: fail to define member, int x"},
      {"duplicate list entry", R"(class C { int x; C() : x(1), x(2) {} };)", {},
       in_class + "plang/semantic/s_class(169) plang::detail::semantic::s_class<wchar_t>::eval_constructor_list: "
                  "invalid constructor list, id=x"},
      {"unknown list entry, a base member included",
       R"(class B { int y; }; class C : B { int x; C() : y(1) {} };)", {},
       in_class + in_constructor + "114" + constructor_text + "undefined id, id=y"},
      {"constructor named differently", R"(class C { D() {} };)", {},
       in_class + "plang/object(89" + object_text + "define_constructor: try to define invalid constructor, id=D "
                                                    "arguments()"},
      {"redefining a class", R"(class A; class A { };)", {},
       in_class + "plang/idm(59) plang::idm<wchar_t>::generate: typeid already exists, sid=A"},
      {"a class that is its own base", R"(class A : A;)", {},
       in_class + "plang/object(46" + object_text + "set_base: invalid base class, id=A"},
      {"a member of the class's own type", R"(class A { int v; A inner; };)", {},
       in_class + "plang/object(70" + object_text + "define_member: invalid member type, A inner"},
      {"an undefined base", R"(class A : Z;)", {},
       in_class + "plang/nspace(178) plang::nspace<wchar_t,class plang::process<wchar_t> >::find_typeid: undefined "
                  "typeid string, sid=Z"},
      {"a failing method has two wrappers", R"(class A { int f() { return 1; } int f() { return 2; } };)", {},
       in_class + "plang/semantic/s_class(185) plang::detail::semantic::s_class<wchar_t>::eval_function_def: catch "
                  "exception\n>\tplang/table/function(31) plang::table::function<wchar_t,class plang::control<wchar_t,"
                  "class plang::runtime<wchar_t,class plang::nspace<wchar_t,class plang::process<wchar_t> > > > "
                  ">::define: overwrite function, typeid=4294967042 id=f arguments()"},
  });
}

}  // namespace
