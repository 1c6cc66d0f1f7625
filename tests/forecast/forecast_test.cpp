#include "forecast/forecast.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>

#include "test_util.h"

namespace {

using forecast::FolderSize;
using forecast::Forecast;
using forecast::SpeciesSize;

SpeciesSize species(const std::string& code, std::vector<int> degrees, double idLength = 2) {
  SpeciesSize s;
  s.code = code;
  s.degrees = std::move(degrees);
  s.meanIdLength = idLength;
  return s;
}

TEST(Forecast, MeasuresAFolderAsTrivanexReadsIt) {
  const std::string dir = testutil::makeTempDir();
  testutil::writeFile(dir + "/data.in", dir + " -\n2 B A\n");
  testutil::writeFile(dir + "/A.tab", "INTERACTOR_A INTERACTOR_B\na1 a3\na2 a3\n");
  testutil::writeFile(dir + "/B.tab", "INTERACTOR_A INTERACTOR_B CONF_VAL\nb1 b2 0.5\n");
  // b33 is named by a hit only; A-A.evals and B-B.evals are missing.
  testutil::writeFile(dir + "/A-B.evals", "a1 b1 5\na2 b33 4\na1 b2 1\n");
  const FolderSize f = forecast::measureFolder(dir + "/data.in");
  ASSERT_EQ(f.species.size(), 2u);
  EXPECT_EQ(f.species[0].code, "A");
  EXPECT_EQ(f.species[0].degrees, (std::vector<int>{1, 2, 1}));
  EXPECT_EQ(f.species[1].degrees, (std::vector<int>{1, 1, 0}));
  EXPECT_DOUBLE_EQ(f.species[1].meanIdLength, 7.0 / 3);
  EXPECT_EQ(f.hits, (std::vector<long>{0, 3, 0, 0}));
  EXPECT_EQ(f.interactionLines, 3);
  std::filesystem::remove_all(dir);
}

TEST(Forecast, RowsCountPairsTermsAndScores) {
  FolderSize f;
  f.species = {species("A", {1, 1, 2}), species("B", {1, 1, 0}), species("C", {1, 1})};
  f.hits.assign(9, 0);
  f.hits[0 * 3 + 1] = 3;
  f.interactionLines = 4;
  const Forecast fc = forecast::forecastRun(f, 8e9);
  ASSERT_EQ(fc.pairs.size(), 3u);
  EXPECT_EQ(fc.pairs[0].name, "A-B");
  EXPECT_EQ(fc.pairs[2].name, "B-C");
  EXPECT_EQ(fc.pairs[0].proteinPairs, 9);
  EXPECT_EQ(fc.pairs[0].neighbourTerms, 4 * 2);
  EXPECT_EQ(fc.pairs[0].factoredTerms, 3 * 4 + 3 * 2);
  // Every pair of connected proteins, and a third of the hits (the share
  // of pairs with the unconnected b3).
  EXPECT_DOUBLE_EQ(fc.pairs[0].mode[forecast::kDefault].scores, 6 + 1);
  EXPECT_DOUBLE_EQ(fc.pairs[0].mode[forecast::kDefault].fileBytes, 7 * (2 + 2 + 3 + 11));
  EXPECT_EQ(fc.proteinPairs, 9 + 6 + 6);
  EXPECT_DOUBLE_EQ(fc.total[forecast::kPruned].scores, fc.total[forecast::kDefault].scores);
  EXPECT_EQ(fc.recommended, forecast::kDefault);
}

TEST(Forecast, RecommendsWhatFitsTheMachine) {
  // 20,000 proteins of degree 50 each: 4e8 protein pairs, 1e12 terms a sweep.
  FolderSize f;
  f.species = {species("A", std::vector<int>(20000, 50), 6), species("B", std::vector<int>(20000, 50), 6)};
  f.hits.assign(4, 0);
  Forecast fc = forecast::forecastRun(f, 100e9);
  EXPECT_EQ(fc.recommended, forecast::kFactored);
  const forecast::Cost& d = fc.total[forecast::kDefault];
  const forecast::Cost& x = fc.total[forecast::kFactored];
  EXPECT_GT(d.wallSeconds, 5 * x.wallSeconds);
  EXPECT_LT(x.peakBytes, d.peakBytes);  // the factored copy goes to a scratch file
  EXPECT_DOUBLE_EQ(fc.total[forecast::kPruned].scores, 1000001);
  // The spread share falls below the smallest score for none of them here.
  EXPECT_DOUBLE_EQ(d.scores, 4e8);
  fc = forecast::forecastRun(f, 4e9);
  EXPECT_EQ(fc.recommended, forecast::kPruned);
  EXPECT_NE(fc.reason.find("--maxveclen 1000000"), std::string::npos) << fc.reason;
}

}  // namespace

namespace {

std::string forecastBlock(const std::string& err) {
  const size_t at = err.find("run-cost forecast");
  return at == std::string::npos ? "" : err.substr(at);
}

// The shipped example, checked from the source tree as its data.in expects:
// the block closes --check, byte for byte, and closes the summary of a folder
// trivanex-prepare writes, just before the line naming data.in.
TEST(ForecastEndToEnd, CheckAndSummaryEndWithTheBlock) {
  const std::string root = testutil::dataDir() + "/../..";
  const testutil::RunResult check = testutil::runProgram(TRIVANEX_PREPARE_EXE, {"--check", "src/data.in"}, root);
  EXPECT_EQ(forecastBlock(check.err), testutil::readFile(testutil::dataDir() + "/forecast/example.txt"));

  const std::string dir = testutil::makeTempDir();
  testutil::writeFile(dir + "/a.txt", "a1 a2\na2 a3\na3 a1\n");
  testutil::writeFile(dir + "/b.txt", "b1 b2\nb2 b3\n");
  testutil::writeFile(dir + "/hits", "a1 b1 90\na2 b2 50\n");
  const testutil::RunResult made = testutil::runProgram(
      TRIVANEX_PREPARE_EXE,
      {"--out", "out", "--species", "a=a.txt", "--species", "b=b.txt", "--hits", "hits", "--score-column", "3"}, dir);
  ASSERT_EQ(made.exitCode, 0) << made.err;
  const std::string block = forecastBlock(made.err);
  // a: a triangle (3 proteins, 2E = 6), b: a path (3 proteins, 2E = 4).
  EXPECT_NE(block.find("\n  a-b                      9            24  default "), std::string::npos) << block;
  EXPECT_NE(block.find("  total                    9            30  --factored "), std::string::npos) << block;
  EXPECT_NE(block.find("  recommended: the default run: quick enough, and it fits in memory\nwrote "),
            std::string::npos) << block;
  std::filesystem::remove_all(dir);
}

}  // namespace
