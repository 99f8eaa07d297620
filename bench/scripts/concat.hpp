// 10^4 string concatenations, each appending one character.
process main(string a) {
  string s; int i = 0;
  while (i < 10000) { s = s + "x"; ++i; }
  using::result(s.size());
}
