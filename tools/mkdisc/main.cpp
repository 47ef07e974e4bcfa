// Placeholder until the disc writer exists.
#include <cstdio>
int main() { std::fputs("mkdisc: not built yet\n", stderr); return 1; }
