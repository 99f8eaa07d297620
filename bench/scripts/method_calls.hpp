// 10^5 method calls on one instance of a class.
class Counter { int n; int add(int k) { n += k; return n; } };
process main(string a) {
  Counter c; int i = 0; int s = 0;
  while (i < 100000) { s = c.add(1); ++i; }
  using::result(s);
}
