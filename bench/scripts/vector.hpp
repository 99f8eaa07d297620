// 10^5 push_back on a vector, then an indexed sum.
process main(string a) {
  vector v; int i = 0; int s = 0;
  while (i < 100000) { v.push_back(i); ++i; }
  i = 0;
  while (i < 100000) { s += v.at(i); ++i; }
  using::result(s);
}
