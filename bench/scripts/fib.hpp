// Recursive fib(24).
int fib(int n) { if (n < 2) return n; return fib(n - 1) + fib(n - 2); }
process main(string a) { using::result(fib(24)); }
