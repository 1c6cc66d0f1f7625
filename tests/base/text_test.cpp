#include "base/text.h"

#include "base/error.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::vector<std::string> split(const std::string& line) {
  std::vector<std::string> fields{"left over"};
  splitFields(line, fields);
  return fields;
}

TEST(SplitFields, SplitsAtEveryKindOfWhitespaceAndDropsEmptyFields) {
  using V = std::vector<std::string>;
  EXPECT_EQ(V({"x2", "x1", "52.4"}), split("x2 x1 52.4"));
  EXPECT_EQ(V({"x2", "x1", "52.4"}), split("  x2\t\tx1 \t 52.4  "));
  EXPECT_EQ(V({"a", "b", "1"}), split("a b 1\r"));
  EXPECT_EQ(V({"a", "b", "1", "extra"}), split("a\vb\f1 extra\n"));
  EXPECT_EQ(V(), split(""));
  EXPECT_EQ(V(), split(" \t\r"));
}

TEST(SplitFields, KeepsFieldsOfAnyLength) {
  const std::string longId(5000, 'p');
  EXPECT_EQ(std::vector<std::string>({longId, "q", "0.5"}), split(longId + " q 0.5"));
}

TEST(IsBlankLine, OnlyWhitespaceOrNothingIsBlank) {
  EXPECT_TRUE(isBlankLine(""));
  EXPECT_TRUE(isBlankLine(" \t\r"));
  EXPECT_FALSE(isBlankLine("  x "));
  EXPECT_FALSE(isBlankLine("0"));
}

TEST(ParseFiniteDouble, AcceptsDecimalAndExponentForms) {
  double v = -1;
  ASSERT_TRUE(parseFiniteDouble("52.4", v));
  EXPECT_EQ(52.4, v);
  ASSERT_TRUE(parseFiniteDouble("-3", v));
  EXPECT_EQ(-3.0, v);
  ASSERT_TRUE(parseFiniteDouble("1.23457e-05", v));
  EXPECT_EQ(1.23457e-05, v);
  ASSERT_TRUE(parseFiniteDouble("0", v));
  EXPECT_EQ(0.0, v);
  ASSERT_TRUE(parseFiniteDouble(".5", v));
  EXPECT_EQ(0.5, v);
}

// The fast paths must give strtod's value to the last bit (and its sign of
// zero) on every token strtod takes whole, and refuse what it refuses.
TEST(ParseFiniteDouble, AgreesBitForBitWithStrtod) {
  std::mt19937_64 rng(12345);
  std::vector<std::string> tokens = {"0",     "-0",     "0.0",    "-0.000", "5.",    ".5",
                                     "1e22",  "1e23",   "1e-22",  "1e-23",  "9007199254740993",
                                     "123456789012345", "1234567890123456", "0.1", "0.3",
                                     "2.5e+3", "2.5E-3", "1e", "1e+", "-", ".", "-.", "+1",
                                     "0x1p-3", "00012.50", "1e-400", "4.9e-324", "1.7976931348623157e308"};
  char buf[64];
  for (int k = 0; k < 200000; ++k) {
    const double x = std::ldexp((double)(rng() >> 11), (int)(rng() % 80) - 90) *
                     ((rng() & 1) ? -1 : 1);
    const char* formats[] = {"%g", "%.6g", "%.10g", "%.15g", "%.17g", "%e", "%.3f"};
    std::snprintf(buf, sizeof buf, formats[k % 7], x);
    tokens.push_back(buf);
  }
  for (const std::string& t : tokens) {
    char* end = nullptr;
    const double expected = std::strtod(t.c_str(), &end);
    const bool whole = !t.empty() && end == t.c_str() + t.size() && std::isfinite(expected);
    double v = 7;
    ASSERT_EQ(whole, parseFiniteDouble(t, v)) << "'" << t << "'";
    if (whole) {
      ASSERT_EQ(0, std::memcmp(&expected, &v, sizeof v)) << "'" << t << "'";
    }
  }
}

TEST(ParseFiniteDouble, RejectsTokensThatAreNotEntirelyAFiniteNumber) {
  for (const char* bad : {"", "nan", "NaN", "inf", "-inf", "Infinity", "12abc", "1.5.2", "abc",
                          " 1", "1 ", "1e400", "-1e400", "e5"}) {
    double v = 7;
    EXPECT_FALSE(parseFiniteDouble(bad, v)) << "'" << bad << "'";
    EXPECT_EQ(7.0, v) << "value changed by '" << bad << "'";
  }
}

TEST(ParseInt, AcceptsWholeIntsInRange) {
  int v = -1;
  ASSERT_TRUE(parseInt("0", v));
  EXPECT_EQ(0, v);
  ASSERT_TRUE(parseInt("-5", v));
  EXPECT_EQ(-5, v);
  ASSERT_TRUE(parseInt("007", v));
  EXPECT_EQ(7, v);
  ASSERT_TRUE(parseInt("2147483647", v));
  EXPECT_EQ(2147483647, v);
}

TEST(ParseInt, RejectsPartialNumbersAndOverflow) {
  for (const char* bad : {"", "3x", "1.5", "1e2", " 3", "abc", "2147483648", "-2147483649",
                          "99999999999999999999"}) {
    int v = 42;
    EXPECT_FALSE(parseInt(bad, v)) << "'" << bad << "'";
    EXPECT_EQ(42, v) << "value changed by '" << bad << "'";
  }
}

TEST(TokenReader, ReadsTokensAcrossLinesAndNamesTheLineOfEach) {
  std::istringstream in("INTERACTOR_A\tINTERACTOR_B CONF_VAL\r\n\n  p1 p2\r\n0.5\np3");
  TokenReader r(in, "f.txt");
  std::vector<std::pair<std::string, long>> got;
  std::string t;
  while (r.next(t)) got.emplace_back(t, r.line());
  const std::vector<std::pair<std::string, long>> want = {
      {"INTERACTOR_A", 1}, {"INTERACTOR_B", 1}, {"CONF_VAL", 1}, {"p1", 3},
      {"p2", 3},           {"0.5", 4},          {"p3", 5}};
  EXPECT_EQ(want, got);
  EXPECT_FALSE(r.next(t));
}

TEST(TokenReader, EmptyOrBlankInputHasNoToken) {
  std::istringstream empty(""), blank(" \n\t\r\n");
  std::string t;
  EXPECT_FALSE(TokenReader(empty, "f.txt").next(t));
  EXPECT_FALSE(TokenReader(blank, "f.txt").next(t));
}

TEST(TokenReader, ReadsVeryLongTokensWhole) {
  const std::string longId(3000, 'q');
  std::istringstream in(longId + " x");
  TokenReader r(in, "f.txt");
  std::string t;
  ASSERT_TRUE(r.next(t));
  EXPECT_EQ(longId, t);
  ASSERT_TRUE(r.next(t));
  EXPECT_EQ("x", t);
}

}  // namespace

namespace {

TEST(QuoteToken, PrintableTokensStandAsTheyAre) {
  EXPECT_EQ("'x1'", quoteToken("x1"));
  EXPECT_EQ("''", quoteToken(""));
  EXPECT_EQ("'a\\b~ !'", quoteToken("a\\b~ !"));
  EXPECT_EQ("a/b c.tab", printable("a/b c.tab"));
}

TEST(QuoteToken, BytesOutsidePrintableAsciiAreEscapedSoTheMessageIsOneLine) {
  EXPECT_EQ("'\\x9f\\x00\\x0a\\x7f\\x1b\\xff'", quoteToken(std::string("\x9f\0\n\x7f\x1b\xff", 6)));
  EXPECT_EQ("'1.5\\x0d'", quoteToken("1.5\r"));
  EXPECT_EQ("\\xc3\\xa9t\\xc3\\xa9.tab", printable("\xc3\xa9t\xc3\xa9.tab"));
}

TEST(QuoteToken, CutAfterFortyCharactersWithAnEllipsis) {
  const std::string forty(40, 'p');
  EXPECT_EQ("'" + forty + "'", quoteToken(forty));
  EXPECT_EQ("'" + forty + "...'", quoteToken(forty + "q"));
  EXPECT_EQ("'" + forty + "...'", quoteToken(std::string(1 << 20, 'p')));
  // The cut counts input bytes, so forty binary bytes show as forty escapes.
  const std::string binary(41, '\x80');
  std::string escaped;
  for (int i = 0; i < 40; ++i) escaped += "\\x80";
  EXPECT_EQ("'" + escaped + "...'", quoteToken(binary));
}

std::string stopOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const RunError& e) {
    return e.text();
  }
  return "no stop";
}

TEST(NulBytes, TokenReaderStopsNamingTheFileAndLine) {
  std::istringstream mid(std::string("a b\nc\0d\n", 8));
  TokenReader r(mid, "f.tab");
  std::string t;
  EXPECT_EQ("Error: f.tab line 2: holds a NUL byte, which no text file has\n", stopOf([&] {
              while (r.next(t)) {
              }
            }));
  std::istringstream between(std::string("a\n\n \0", 5));
  TokenReader r2(between, "g.in");
  EXPECT_EQ("Error: g.in line 3: holds a NUL byte, which no text file has\n", stopOf([&] {
              while (r2.next(t)) {
              }
            }));
}

TEST(NulBytes, ScoreLineReaderStopsNamingTheFileAndLine) {
  std::istringstream in(std::string("a b 1\na b\0 2\n", 13));
  const std::string name = "x-y.evals";
  ScoreLineReader records(in, name);
  EXPECT_TRUE(records.next());
  EXPECT_EQ("Error: x-y.evals line 2: holds a NUL byte, which no text file has\n",
            stopOf([&] { records.next(); }));
}

TEST(ScoreLineReader, ABinaryScoreIsQuotedShortAndEscaped) {
  std::string garbage = "a b ";
  for (int i = 0; i < 300; ++i) garbage.push_back(char(0x80 + i % 100));
  std::istringstream in(garbage + "\n");
  const std::string name = "bin.evals";
  ScoreLineReader records(in, name);
  const std::string text = stopOf([&] { records.next(); });
  EXPECT_EQ(0u, text.find("Error: bin.evals line 1: score '\\x80\\x81"));
  EXPECT_NE(std::string::npos, text.find("...' is not a number\n"));
  EXPECT_EQ(text.size() - 1, text.find('\n'));  // one line
  EXPECT_LT(text.size(), 250u);
}

}  // namespace
