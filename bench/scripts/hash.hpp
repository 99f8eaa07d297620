// 10^5 int keys (multiples of 16, as in the Lua program) inserted into a hash, then each looked up.
process main(string a) {
  hash h; int i = 0; int s = 0;
  while (i < 100000) { h.insert(i * 16, i); ++i; }
  i = 0;
  while (i < 100000) { s += h.at(i * 16); ++i; }
  using::result(s);
}
