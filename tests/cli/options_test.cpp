#include "cli/options.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "base/error.h"
#include "base/progress.h"
#include "test_util.h"

namespace {

// The usage text as it must appear, kept as data files so its tabs and
// trailing blanks are compared byte for byte: the fixed text, then the closing
// block of options added since.
const std::string& fixedUsage() {
  static const std::string text = testutil::readFile(testutil::dataDir() + "/cli/usage.txt");
  return text;
}
const std::string& expectedUsage() {
  static const std::string text =
      fixedUsage() + testutil::readFile(testutil::dataDir() + "/cli/further_options.txt");
  return text;
}

// Every setting starts from a value that no default and no test uses, so a
// setting that getoptions forgets to assign shows up.
struct Parsed {
  int K = -77;
  double thresh = -77, alpha = -77;
  int maxveclen = -77;
  double pri = -77, sec = -77;
  int maxPerSp = -77;
  std::string strategy = "?", prefix = "?", dataDescFile = "(unset)", scorefile = "?";
  bool readstar = true, reverse = true;
  std::string finalClusterFile = "caller.txt";
  bool stopped = false;
  RunError::Style style = RunError::Prefixed;
  std::string err;  // standard error written during the call
};

Parsed parse(const std::vector<std::string>& args) {
  Parsed p;
  std::vector<std::string> store{"trivanex"};
  store.insert(store.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& s : store) argv.push_back(s.data());
  argv.push_back(nullptr);
  testing::internal::CaptureStderr();
  try {
    getoptions(static_cast<int>(store.size()), argv.data(), p.K, p.thresh, p.alpha, p.maxveclen,
               p.pri, p.sec, p.maxPerSp, p.strategy, p.prefix, p.dataDescFile, p.scorefile,
               p.readstar, p.reverse, p.finalClusterFile);
  } catch (const RunError& e) {
    p.stopped = true;
    p.style = e.style();
  }
  p.err = testing::internal::GetCapturedStderr();
  return p;
}

bool endsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// Parses a command line that must be accepted silently.
Parsed accepted(const std::vector<std::string>& args) {
  Parsed p = parse(args);
  EXPECT_FALSE(p.stopped);
  EXPECT_EQ("", p.err);
  return p;
}

std::string joined(const std::vector<std::string>& args) {
  std::string s;
  for (const auto& a : args) s += "[" + a + "]";
  return s;
}

// ---- defaults and accepted values ---------------------------------------------------------

TEST(GetOptions, AssignsEveryDefaultButKeepsTheCallersClusterFileName) {
  Parsed p = accepted({"data.in"});
  EXPECT_EQ(20, p.K);
  EXPECT_EQ(1.0, p.thresh);
  EXPECT_EQ(0.9, p.alpha);
  EXPECT_EQ(-1, p.maxveclen);
  EXPECT_EQ(0.1, p.pri);
  EXPECT_EQ(0.8, p.sec);
  EXPECT_EQ(5, p.maxPerSp);
  EXPECT_EQ("hsp", p.strategy);
  EXPECT_EQ("tmp", p.prefix);
  EXPECT_EQ("data.in", p.dataDescFile);
  EXPECT_EQ("", p.scorefile);
  EXPECT_FALSE(p.readstar);
  EXPECT_FALSE(p.reverse);
  EXPECT_EQ("caller.txt", p.finalClusterFile);
}

TEST(GetOptions, RangeBoundariesThatAreAccepted) {
  EXPECT_EQ(3, accepted({"-K", "3", "x"}).K);
  EXPECT_EQ(99, accepted({"-K", "99", "x"}).K);
  EXPECT_EQ(10.0, accepted({"-thresh", "10", "x"}).thresh);
  EXPECT_EQ(1e-300, accepted({"-thresh", "1e-300", "x"}).thresh);
  EXPECT_EQ(0.0, accepted({"-alpha", "0", "x"}).alpha);
  EXPECT_EQ(1.0, accepted({"-alpha", "1", "x"}).alpha);
  EXPECT_EQ(1, accepted({"-maxveclen", "1", "x"}).maxveclen);
  EXPECT_EQ(1.0, accepted({"-cl_min_pri_thresh", "1", "x"}).pri);
  EXPECT_EQ(1.0, accepted({"-cl_min_sec_thresh", "1", "x"}).sec);
  EXPECT_EQ(1, accepted({"-cl_max_per_sp", "1", "x"}).maxPerSp);
}

TEST(GetOptions, IntegerValuesAreConvertedLikeAtoi) {
  // Conversion stops at the first character that cannot continue the number.
  EXPECT_EQ(3, accepted({"-cl_max_per_sp", "3x", "x"}).maxPerSp);
  EXPECT_EQ(7, accepted({"-K", " 7", "x"}).K);
  EXPECT_EQ(7, accepted({"-K", "7.9", "x"}).K);
  EXPECT_EQ(12, accepted({"-maxveclen", "12abc", "x"}).maxveclen);
}

TEST(GetOptions, RealValuesMustBeWhollyANumber) {
  // Whatever strtod reads as a whole, blanks around it aside, is a number.
  EXPECT_EQ(0.001, accepted({"-thresh", "1e-3", "x"}).thresh);
  EXPECT_EQ(0.5, accepted({"-alpha", " 0.5\t", "x"}).alpha);
  EXPECT_EQ(0.5, accepted({"-alpha", "0x1p-1", "x"}).alpha);
  EXPECT_EQ(0.25, accepted({"--cl_min_pri_thresh=+.25", "x"}).pri);
  EXPECT_EQ(0.75, accepted({"-cl_min_sec_thresh", "75e-2 ", "x"}).sec);
  // Anything else is the option's own rejection, as a value out of range is.
  const std::vector<std::pair<std::string, std::string>> options = {
      {"-alpha", "Bad 'alpha'"},
      {"-thresh", "Need convg_thresh in (0,10)"},
      {"-cl_min_pri_thresh", "Bad 'cl_min_pri_thresh' option"},
      {"-cl_min_sec_thresh", "Bad 'cl_min_sec_thresh' option"}};
  for (const auto& [option, message] : options)
    for (const std::string value : {"foo", "0,9", ".5xyz", "", " ", "0.5 0.6", "1e", "nan", "inf"}) {
      Parsed p = parse({option, value, "x"});
      EXPECT_TRUE(p.stopped) << option << " '" << value << "'";
      EXPECT_EQ("Error: " + message + "\n\n" + expectedUsage(), p.err) << option << " '" << value << "'";
    }
}

TEST(GetOptions, VersionIsPrintedOnStandardOutputAndEndsTheRunWithStatusZero) {
  testing::internal::CaptureStdout();
  Parsed p = parse({"-K", "5", "--version", "-K", "2", "data.in"});
  EXPECT_EQ("trivanex " TRIVANEX_VERSION "\n", testing::internal::GetCapturedStdout());
  EXPECT_TRUE(p.stopped);
  EXPECT_EQ(RunError::Finished, p.style);
  EXPECT_EQ("", p.err);
  EXPECT_EQ(5, p.K);
  EXPECT_EQ(0, RunError::finished().exitStatus());
  EXPECT_EQ(1, RunError::reported().exitStatus());
}

TEST(GetOptions, PruningOnlyWhenMaxveclenIsGiven) {
  EXPECT_EQ(-1, accepted({"x"}).maxveclen);
  EXPECT_EQ(50, accepted({"-maxveclen", "50", "x"}).maxveclen);
}

// ---- rejected values ----------------------------------------------------------------------

struct Rejection {
  std::vector<std::string> args;
  std::string message;
  std::string before;  // text written before the error block
};

TEST(GetOptions, ValuesOutOfRangePrintTheErrorBlockAndStop) {
  const std::string kK = "K should be between 3 and 100B";
  const std::string kThresh = "Need convg_thresh in (0,10)";
  const std::string kAlpha = "Bad 'alpha'";
  const std::string kVec = "Bad 'prunedvecsize' option";
  const std::string kPri = "Bad 'cl_min_pri_thresh' option";
  const std::string kSec = "Bad 'cl_min_sec_thresh' option";
  const std::string kPer = "Bad 'cl_max_per_sp' option";
  const std::vector<Rejection> cases = {
      {{"-K", "2", "x"}, kK, ""},
      {{"-K", "100", "x"}, kK, ""},
      {{"-K", "1e2", "x"}, kK, ""},  // atoi reads 1
      {{"-K", "abc", "x"}, kK, ""},
      {{"--K=", "x"}, kK, ""},
      {{"-K", "-20", "x"}, kK, ""},
      {{"-thresh", "0", "x"}, kThresh, ""},
      {{"-thresh", "10.5", "x"}, kThresh, ""},
      {{"-thresh", "10.000001", "x"}, kThresh, ""},
      {{"-thresh", "-1", "x"}, kThresh, ""},
      {{"-thresh", "abc", "x"}, kThresh, ""},
      {{"-alpha", "-0.01", "x"}, kAlpha, ""},
      {{"-alpha", "1.0001", "x"}, kAlpha, ""},
      {{"-maxveclen", "0", "x"}, kVec, ""},
      {{"-maxveclen", "-5", "x"}, kVec, ""},
      {{"-maxveclen", "abc", "x"}, kVec, ""},
      {{"-cl_min_pri_thresh", "0", "x"}, kPri, ""},
      {{"-cl_min_pri_thresh", "1.5", "x"}, kPri, ""},
      {{"-cl_min_sec_thresh", "0", "x"}, kSec, ""},
      {{"-cl_min_sec_thresh", "-0.5", "x"}, kSec, ""},
      {{"-cl_min_sec_thresh", "1.01", "x"}, kSec, ""},
      {{"-cl_max_per_sp", "0", "x"}, kPer, "blah: '0' 0\n"},
      {{"-cl_max_per_sp", "-2", "x"}, kPer, "blah: '-2' -2\n"},
      {{"-cl_max_per_sp", "abc", "x"}, kPer, "blah: 'abc' 0\n"},
      {{"--cl_max_per_sp= 0.9", "x"}, kPer, "blah: ' 0.9' 0\n"},
  };
  for (const auto& c : cases) {
    Parsed p = parse(c.args);
    EXPECT_TRUE(p.stopped) << joined(c.args);
    EXPECT_EQ(RunError::Reported, p.style) << joined(c.args);
    EXPECT_EQ(c.before + "Error: " + c.message + "\n\n" + expectedUsage(), p.err) << joined(c.args);
  }
}

TEST(GetOptions, ConvertedValueIsStoredBeforeItIsTested) {
  Parsed p = parse({"-K", "100", "x"});
  ASSERT_TRUE(p.stopped);
  EXPECT_EQ(100, p.K);
  EXPECT_EQ("(unset)", p.dataDescFile);
}

TEST(GetOptions, OnlyTheFirstBadOptionIsReported) {
  Parsed p = parse({"-K", "2", "-alpha", "5", "x"});
  EXPECT_EQ("Error: K should be between 3 and 100B\n\n" + expectedUsage(), p.err);
  EXPECT_EQ(0.9, p.alpha);  // never reached
  p = parse({"-alpha", "5", "-K", "2", "x"});
  EXPECT_EQ("Error: Bad 'alpha'\n\n" + expectedUsage(), p.err);
  EXPECT_EQ(20, p.K);
}

// ---- help, positional argument, parser diagnostics ----------------------------------------

TEST(GetOptions, HelpPrintsTheUsageTextAloneAndStops) {
  Parsed p = parse({"-K", "30", "--help", "-K", "2", "data.in"});
  EXPECT_TRUE(p.stopped);
  EXPECT_EQ(RunError::Reported, p.style);
  EXPECT_EQ(expectedUsage(), p.err);
  EXPECT_EQ(30, p.K);  // applied before help; the bad K after it is not looked at
  EXPECT_EQ("(unset)", p.dataDescFile);

  EXPECT_EQ(expectedUsage(), parse({"data.in", "-h"}).err);
  EXPECT_EQ(expectedUsage(), parse({"-help"}).err);
}

TEST(GetOptions, MissingDataDescriptionFileIsRejectedWithTheUsageText) {
  for (const auto& args : {std::vector<std::string>{}, std::vector<std::string>{"-K", "5"},
                           std::vector<std::string>{"-readstar", "--"}}) {
    Parsed p = parse(args);
    EXPECT_TRUE(p.stopped) << joined(args);
    ASSERT_TRUE(endsWith(p.err, expectedUsage())) << p.err;
    // One "Error: " line and a blank line before the usage text.
    const std::string head = p.err.substr(0, p.err.size() - expectedUsage().size());
    EXPECT_EQ(0u, head.find("Error: ")) << head;
    EXPECT_TRUE(endsWith(head, "\n\n")) << head;
    EXPECT_EQ(2, std::count(head.begin(), head.end(), '\n')) << head;
    EXPECT_EQ(RunError::Reported, p.style);
  }
}

TEST(GetOptions, UnrecognisedOptionIsReportedByTheParserThenTheUsageText) {
  Parsed p = parse({"-K", "4", "data.in", "-k", "5"});
  EXPECT_TRUE(p.stopped);
  EXPECT_EQ(RunError::Reported, p.style);
  EXPECT_EQ("trivanex: unrecognized option '-k'\n" + expectedUsage(), p.err);
  EXPECT_EQ(4, p.K);
}

TEST(GetOptions, AmbiguousPrefixIsRejected) {
  for (const std::string opt : {"-r", "-c", "-cl_m", "--cl_min", "-cl_min_"}) {
    Parsed p = parse({"--K=4", "data.in", opt, "3"});
    EXPECT_TRUE(p.stopped) << opt;
    EXPECT_EQ(0u, p.err.find("trivanex: option '" + opt + "' is ambiguous")) << p.err;
    EXPECT_TRUE(endsWith(p.err, "\n" + expectedUsage())) << p.err;
    EXPECT_EQ(std::string::npos, p.err.find("Error: ")) << p.err;
    EXPECT_FALSE(p.readstar);
    EXPECT_FALSE(p.reverse);
  }
}

TEST(GetOptions, MissingOptionArgumentIsNeverApplied) {
  Parsed p = parse({"data.in", "-K"});
  EXPECT_TRUE(p.stopped);
  EXPECT_EQ("trivanex: option '-K' requires an argument\n" + expectedUsage(), p.err);
  EXPECT_EQ(20, p.K);

  p = parse({"data.in", "--o"});
  EXPECT_TRUE(p.stopped);
  EXPECT_EQ("trivanex: option '--o' requires an argument\n" + expectedUsage(), p.err);
  EXPECT_EQ("caller.txt", p.finalClusterFile);
}

TEST(GetOptions, ArgumentGivenToAnOptionThatTakesNoneIsRejected) {
  Parsed p = parse({"--readstar=1", "data.in"});
  EXPECT_TRUE(p.stopped);
  EXPECT_EQ("trivanex: option '--readstar' doesn't allow an argument\n" + expectedUsage(), p.err);
  EXPECT_FALSE(p.readstar);
}

// ---- grammar: prefixes, "=", "--", order, repetition ---------------------------------------

TEST(GetOptions, UnambiguousPrefixesSelectTheirOption) {
  EXPECT_EQ(5.0, accepted({"-thr", "5", "x"}).thresh);
  EXPECT_EQ(10.0, accepted({"-t=10", "x"}).thresh);
  EXPECT_EQ(0.5, accepted({"-al", "0.5", "x"}).alpha);
  EXPECT_EQ(4, accepted({"-m", "4", "x"}).maxveclen);
  EXPECT_EQ(3, accepted({"-cl_ma", "3", "x"}).maxPerSp);
  EXPECT_EQ(0.5, accepted({"-cl_min_p", "0.5", "x"}).pri);
  EXPECT_EQ(0.5, accepted({"-cl_min_s", "0.5", "x"}).sec);
  EXPECT_EQ("run1", accepted({"-p", "run1", "x"}).prefix);
  EXPECT_EQ("s.txt", accepted({"-s", "s.txt", "x"}).scorefile);
  Parsed p = accepted({"-rea", "-rev", "x"});
  EXPECT_TRUE(p.readstar);
  EXPECT_TRUE(p.reverse);
}

TEST(GetOptions, NamesAreCaseSensitive) {
  Parsed p = parse({"-k", "30", "x"});
  EXPECT_TRUE(p.stopped);
  p = parse({"-Alpha", "0.5", "x"});
  EXPECT_TRUE(p.stopped);
}

TEST(GetOptions, OneOrTwoDashesAndEqualsSignsAreTheSame) {
  for (const auto& args : {std::vector<std::string>{"-K", "30", "x"},
                           std::vector<std::string>{"--K", "30", "x"},
                           std::vector<std::string>{"--K=30", "x"},
                           std::vector<std::string>{"-K=30", "x"}}) {
    EXPECT_EQ(30, accepted(args).K) << joined(args);
  }
  EXPECT_EQ("out.txt", accepted({"-o", "out.txt", "x"}).finalClusterFile);
  EXPECT_EQ("out.txt", accepted({"--o=out.txt", "x"}).finalClusterFile);
  EXPECT_EQ("", accepted({"--o=", "x"}).finalClusterFile);
  EXPECT_EQ("", accepted({"-o", "", "x"}).finalClusterFile);
  EXPECT_EQ("", accepted({"--prefix=", "x"}).prefix);
  EXPECT_EQ("a=b", accepted({"--scorefile=a=b", "x"}).scorefile);
}

TEST(GetOptions, DoubleDashEndsTheOptions) {
  Parsed p = accepted({"-K", "5", "--", "-K"});
  EXPECT_EQ(5, p.K);
  EXPECT_EQ("-K", p.dataDescFile);
  p = accepted({"--", "data.in", "--alpha=3"});
  EXPECT_EQ(0.9, p.alpha);
  EXPECT_EQ("data.in", p.dataDescFile);
}

TEST(GetOptions, OptionsAndThePositionalArgumentMayComeInAnyOrder) {
  const std::vector<std::vector<std::string>> orders = {
      {"data.in", "-K", "5", "-readstar", "--o=c.txt"},
      {"-K", "5", "-readstar", "--o=c.txt", "data.in"},
      {"-K", "5", "data.in", "-readstar", "--o=c.txt"},
  };
  for (const auto& args : orders) {
    Parsed p = accepted(args);
    EXPECT_EQ(5, p.K) << joined(args);
    EXPECT_TRUE(p.readstar) << joined(args);
    EXPECT_FALSE(p.reverse) << joined(args);
    EXPECT_EQ("c.txt", p.finalClusterFile) << joined(args);
    EXPECT_EQ("data.in", p.dataDescFile) << joined(args);
  }
}

TEST(GetOptions, LaterOccurrenceWinsAndExtraPositionalArgumentsAreIgnored) {
  Parsed p = accepted({"-K", "30", "first.in", "-K", "40", "second.in", "-o", "a", "-o", "b"});
  EXPECT_EQ(40, p.K);
  EXPECT_EQ("first.in", p.dataDescFile);
  EXPECT_EQ("b", p.finalClusterFile);
}

TEST(GetOptions, EachCallStartsAfresh) {
  Parsed first = accepted({"-readstar", "-K", "5", "a.in"});
  EXPECT_TRUE(first.readstar);
  Parsed second = accepted({"b.in"});
  EXPECT_EQ(20, second.K);
  EXPECT_FALSE(second.readstar);
  EXPECT_EQ("b.in", second.dataDescFile);
  // A call that stopped in the middle of its options leaves nothing behind either.
  parse({"-K", "4", "-r", "c.in"});
  EXPECT_EQ(6, accepted({"-K", "6", "d.in"}).K);
}

// ---- usage text -----------------------------------------------------------------------------

TEST(Usage, TextIsTheFortyThreeLinesByteForByteThenTheFurtherOptions) {
  EXPECT_EQ(fixedUsage(), usageText());
  EXPECT_EQ(43, std::count(usageText().begin(), usageText().end(), '\n'));
  // The closing block, which the reference comparison leaves out, starts
  // with a blank line and "Further options:".
  EXPECT_EQ(0u, furtherOptionsText().find("\nFurther options:\n"));
  EXPECT_EQ(expectedUsage(), usageText() + furtherOptionsText());
}

TEST(GetOptions, FactoredIsOffUnlessGiven) {
  for (const auto& c : std::vector<std::pair<std::vector<std::string>, bool>>{
           {{"x"}, false}, {{"--factored", "x"}, true}, {{"x", "-fac"}, true}}) {
    std::vector<std::string> store{"trivanex"};
    store.insert(store.end(), c.first.begin(), c.first.end());
    std::vector<char*> argv;
    for (auto& s : store) argv.push_back(s.data());
    Parsed p;
    bool factored = !c.second;
    getoptions((int)argv.size(), argv.data(), p.K, p.thresh, p.alpha, p.maxveclen, p.pri, p.sec,
               p.maxPerSp, p.strategy, p.prefix, p.dataDescFile, p.scorefile, p.readstar,
               p.reverse, p.finalClusterFile, factored);
    EXPECT_EQ(c.second, factored) << joined(c.first);
    EXPECT_EQ("x", p.dataDescFile);
  }
}

TEST(Usage, ErrorLineAndBlankLineComeBeforeTheText) {
  testing::internal::CaptureStderr();
  usage("");
  EXPECT_EQ(expectedUsage(), testing::internal::GetCapturedStderr());
  testing::internal::CaptureStderr();
  usage("Bad 'alpha'");
  EXPECT_EQ("Error: Bad 'alpha'\n\n" + expectedUsage(), testing::internal::GetCapturedStderr());
}

// ---- run summary and progress flags ---------------------------------------------------------

TEST(RunSummary, DefaultLineComesOutExactly) {
  std::ostringstream os;
  printRunSummary(os, 20, 1, 0.9, -1, 0.1, 0.8, 5, "hsp", "data.in", "", false, false,
                  "tmp_output_cluster.txt");
  EXPECT_EQ(
      "Command line summary:  K: 20 convergence_thresh: 1%  alpha: 0.9 doPruning: false "
      "prune_vec_size: -1 min_secondary_fraction: 0.8 min_primary_fraction: 0.1 max_per_species: 5 "
      "strategy: hsp dataDescFile: data.in match-score-file:  read_star_files: No reverse_mode: No "
      "final-cluster-file: tmp_output_cluster.txt\n",
      os.str());
}

TEST(RunSummary, EveryFieldFollowsItsSettingWithSixSignificantDigits) {
  std::ostringstream os;
  printRunSummary(os, 99, 1e-6, 0.123456789, 50, 1, 0.5, 3, "hsp", "dir/my data.in", "s.txt", true,
                  true, "");
  EXPECT_EQ(
      "Command line summary:  K: 99 convergence_thresh: 1e-06%  alpha: 0.123457 doPruning: true "
      "prune_vec_size: 50 min_secondary_fraction: 0.5 min_primary_fraction: 1 max_per_species: 3 "
      "strategy: hsp dataDescFile: dir/my data.in match-score-file: s.txt read_star_files: Yes "
      "reverse_mode: Yes final-cluster-file: \n",
      os.str());
}

TEST(RunSummary, ReadStarAndReverseAreIndependent) {
  std::ostringstream a, b;
  printRunSummary(a, 20, 1, 0.9, -1, 0.1, 0.8, 5, "hsp", "d", "", true, false, "f");
  printRunSummary(b, 20, 1, 0.9, -1, 0.1, 0.8, 5, "hsp", "d", "", false, true, "f");
  EXPECT_NE(std::string::npos, a.str().find(" read_star_files: Yes reverse_mode: No "));
  EXPECT_NE(std::string::npos, b.str().find(" read_star_files: No reverse_mode: Yes "));
}

// DEBUGP changes standard error for good; put the precision back for the other tests.
class ProgressFlag : public ::testing::Test {
 protected:
  void SetUp() override { saved_ = std::cerr.precision(); }
  void TearDown() override { std::cerr.precision(saved_); }
  std::streamsize saved_ = 6;
};

TEST_F(ProgressFlag, WritesTheNumberWithFourSignificantDigits) {
  std::cerr.precision(6);
  testing::internal::CaptureStderr();
  DEBUGP(1);
  DEBUGP(101);
  DEBUGP(2.5);
  DEBUGP(0.123456);
  DEBUGP(123456);
  EXPECT_EQ("Flag: 1\nFlag: 101\nFlag: 2.5\nFlag: 0.1235\nFlag: 1.235e+05\n",
            testing::internal::GetCapturedStderr());
}

TEST_F(ProgressFlag, LeavesStandardErrorAtFourSignificantDigits) {
  std::cerr.precision(6);
  testing::internal::CaptureStderr();
  std::cerr << 0.123456 << "\n";
  DEBUGP(1);
  std::cerr << 0.123456 << " " << 2.0 / 3 << " " << 12345.6 << "\n";
  EXPECT_EQ("0.123456\nFlag: 1\n0.1235 0.6667 1.235e+04\n", testing::internal::GetCapturedStderr());
}

}  // namespace
