// A while loop summing 1..10^6 (int arithmetic wraps at 32 bits).
process main(string a) {
  int i = 0; int s = 0;
  while (i < 1000000) { ++i; s += i; }
  using::result(s);
}
