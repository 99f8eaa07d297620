// A process of 100 steps: a step is one scheduling pass, and each turn of the loop takes two (the test and the
// statement). The benchmark starts 1,000 of them.
process worker(string a) {
  int i = 0;
  while (i < 50) ++i;
}
