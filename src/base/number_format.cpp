#include "base/number_format.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

// Powers of ten a double holds exactly; scaling by one of them rounds once.
const double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                         1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

const char kTwoDigits[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// |v| scaled by 10^k, rounded once; |k| <= 22.
double scaled(double a, int k) { return k >= 0 ? a * kPow10[k] : a / kPow10[-k]; }

char* slow(char* out, double v) {
  return std::to_chars(out, out + kG6Chars, v, std::chars_format::general, 6).ptr;
}

}  // namespace

// The six significant digits are found by scaling |v| into [1e5, 1e6) with
// one exact power of ten, a single rounding. Rounding is monotonic and the
// points that matter (the ties d + 0.5 and the bounds 1e5 and 1e6) are
// doubles, so the scaled value lies on the same side of each as the exact
// product, or exactly on it. Only then is the decision unsure, and that rare
// case, like magnitudes the table does not reach, goes through std::to_chars,
// which rounds the exact value.
char* formatG6(char* out, double v) {
  const double a = std::fabs(v);
  if (!(a >= 1e-16 && a < 1e22)) return slow(out, v);  // also 0, inf, nan
  std::uint64_t bits;
  std::memcpy(&bits, &a, sizeof bits);
  const int binaryExponent = (int)(bits >> 52) - 1023;
  // floor(binaryExponent * log10(2)), which is floor(log10 a) or one less;
  // 78913 / 2^18 is log10(2) closely enough over this range.
  int e = (binaryExponent * 78913) >> 18;
  double x = scaled(a, 5 - e);
  if (x >= 1e6) {
    if (x == 1e6) return slow(out, v);
    ++e;
    x = scaled(a, 5 - e);
  }
  if (x <= 1e5 || x >= 1e6) return slow(out, v);
  long digits = (long)x;  // x is positive: truncation is floor
  const double frac = x - (double)digits;
  if (frac == 0.5) return slow(out, v);
  digits += frac > 0.5 ? 1 : 0;
  if (digits == 1000000) {  // 999999.7 rounds up into the next decade
    digits = 100000;
    ++e;
  }
  char d[6];
  const int hi = (int)(digits / 10000), mid = (int)(digits / 100 % 100), lo = (int)(digits % 100);
  std::memcpy(d, kTwoDigits + 2 * hi, 2);
  std::memcpy(d + 2, kTwoDigits + 2 * mid, 2);
  std::memcpy(d + 4, kTwoDigits + 2 * lo, 2);
  int last = 5;  // trailing zeros go
  while (last > 0 && d[last] == '0') --last;

  char* p = out;
  if (v < 0) *p++ = '-';
  if (e < -4 || e >= 6) {
    *p++ = d[0];
    if (last > 0) {
      *p++ = '.';
      for (int i = 1; i <= last; ++i) *p++ = d[i];
    }
    *p++ = 'e';
    *p++ = e < 0 ? '-' : '+';
    const int m = e < 0 ? -e : e;
    if (m >= 100) *p++ = (char)('0' + m / 100);
    *p++ = (char)('0' + m / 10 % 10);
    *p++ = (char)('0' + m % 10);
  } else if (e >= 0) {
    for (int i = 0; i <= e; ++i) *p++ = d[i];
    if (last > e) {
      *p++ = '.';
      for (int i = e + 1; i <= last; ++i) *p++ = d[i];
    }
  } else {
    *p++ = '0';
    *p++ = '.';
    for (int i = 0; i < -e - 1; ++i) *p++ = '0';
    for (int i = 0; i <= last; ++i) *p++ = d[i];
  }
  return p;
}
