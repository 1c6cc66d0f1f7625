// The match-score file's numbers must be printf's "%.6g" to the byte: random
// bit patterns, the magnitudes scores take, and the values next to rounding
// ties and decade boundaries, where a shortcut would round the wrong way.
#include "base/number_format.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>

namespace {

std::string viaPrintf(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.6g", v);
  return buf;
}

std::string viaFormatG6(double v) {
  char buf[kG6Chars];
  return std::string(buf, formatG6(buf, v));
}

// Counts disagreements, reporting the first few.
struct Checker {
  int bad = 0;
  void operator()(double v) {
    const std::string want = viaPrintf(v), got = viaFormatG6(v);
    if (want != got && ++bad <= 5) ADD_FAILURE() << std::hexfloat << v << ": " << got << " vs " << want;
  }
};

}  // namespace

TEST(FormatG6, AgreesWithPrintfOnSpecialValuesAndRandomDoubles) {
  Checker check;
  for (double v : {0.0, 1.0, 0.5, 0.1, 1e-5, 1e-4, 9.99999e-5, 123456.0, 1234567.0, 999999.5,
                   9999995.0, 99999.95, 0.000123457, 1e22, 1e-16, 1e21, 9.9999999e21, DBL_MAX,
                   DBL_MIN, 5e-324, HUGE_VAL, std::nan(""), 1e100, 1e-100, 123456789.0}) {
    check(v);
    check(-v);
  }
  std::mt19937_64 rng(20261207);
  for (int k = 0; k < 300000; ++k) {
    const std::uint64_t bits = rng();
    double v;
    std::memcpy(&v, &bits, sizeof v);
    check(v);
  }
  std::uniform_real_distribution<double> exponent(-40, 52);
  for (int k = 0; k < 300000; ++k) check(std::exp(exponent(rng)) * (k % 2 ? 1 : -1));
  EXPECT_EQ(0, check.bad);
}

TEST(FormatG6, AgreesWithPrintfNextToTiesAndDecadeBoundaries) {
  Checker check;
  std::mt19937_64 rng(5);
  for (int e = -20; e <= 24; ++e) {
    const double unit = std::pow(10.0, e - 5);
    for (int k = 0; k < 300; ++k) {
      const double digits = 100000 + (double)(rng() % 900000);
      // Around the tie digits.5 and the value digits itself, a few ulps each way.
      for (double centre : {(digits + 0.5) * unit, digits * unit}) {
        double v = centre;
        for (int s = 0; s < 4; ++s) v = std::nextafter(v, 0.0);
        for (int s = 0; s < 9; ++s, v = std::nextafter(v, HUGE_VAL)) check(v);
      }
    }
    for (double centre : {std::pow(10.0, e), 999999.5 * unit, 99999.95 * unit * 10}) {
      double v = centre;
      for (int s = 0; s < 4; ++s) v = std::nextafter(v, 0.0);
      for (int s = 0; s < 9; ++s, v = std::nextafter(v, HUGE_VAL)) check(v);
    }
  }
  // Ties a double holds exactly.
  for (double v : {0.5, 1.5, 2.5, 1234565.0, 1234575.0, 0.1234565, 12.5e-7, 0.03125})
    check(v);
  EXPECT_EQ(0, check.bad);
}
