// End-to-end runs of the trivanex-eval executable on the small data set of
// tests/data/eval/input (three species; b1 is in two groups, taken from two
// group files; a4, b3 and c2 have no group; x9 is annotated but no protein of
// the data), compared byte for byte with tests/data/eval/expected/.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "test_util.h"

namespace {

namespace fs = std::filesystem;
using testutil::readFile;
using testutil::RunResult;

const std::string kInput = testutil::dataDir() + "/eval/input";

std::string expected(const std::string& name) {
  return readFile(testutil::dataDir() + "/eval/expected/" + name);
}

// Runs trivanex-eval with `args` in the input folder (its data.in names ".").
RunResult runEval(const std::vector<std::string>& args) {
  return testutil::runProgram(TRIVANEX_EVAL_EXE, args, kInput);
}

const std::vector<std::string> kTruth{"A.fo", "B.fo", "C.fo", "extra.fo"};

std::vector<std::string> with(std::vector<std::string> head, const std::vector<std::string>& tail) {
  head.insert(head.end(), tail.begin(), tail.end());
  return head;
}

void expectReport(const std::vector<std::string>& args, const std::string& expectedFile) {
  SCOPED_TRACE(expectedFile);
  const RunResult r = runEval(args);
  EXPECT_EQ(0, r.exitCode);
  EXPECT_EQ(expected(expectedFile), r.out);
  EXPECT_EQ("", r.err);  // the loaders' file lines are held back
}

void expectError(const std::vector<std::string>& args, const std::string& message) {
  SCOPED_TRACE(message);
  const RunResult r = runEval(args);
  EXPECT_EQ(1, r.exitCode);
  EXPECT_EQ("", r.out);
  EXPECT_EQ("Error: " + message + "\n", r.err);
}

TEST(EvalRun, TextAndJsonReports) {
  expectReport(with({"data.in", "clusters.txt"}, kTruth), "report.txt");
  expectReport(with({"--json", "data.in", "clusters.txt"}, kTruth), "report.json");
  expectReport(with({"data.in", "clusters.txt", "--json"}, kTruth), "report.json");
}

// The input's .evals files give the baseline {a1 b1} (a1's tied best hit b4
// would be a second B), {a3 b2 c1} (a3-b2 first, then c1's tied a3 and a5:
// a3 by identifier order, a5 would be a second A) and {b3 c2} (b2-c2 scores
// 0: no hit); a4-b3 is no reciprocal pair. Without the baseline the output
// is the evaluator's earlier output, which the default one continues.
TEST(EvalRun, TheBaselineFollowsTheRunsLinesUnchanged) {
  const std::string text = expected("report.txt"), json = expected("report.json");
  EXPECT_NE(std::string::npos, text.find("baseline clusters                       3\n"
                                         "baseline proteins clustered             7\n"));
  EXPECT_NE(std::string::npos, text.find("aligned pairs                           6\n"
                                         "baseline aligned pairs                  5\n"
                                         "aligned pairs in both                   1\n"
                                         "pairs the network added                 5\n"
                                         "pairs the network removed               4\n"));
  const RunResult plain = runEval(with({"--no-baseline", "data.in", "clusters.txt"}, kTruth));
  ASSERT_EQ(0, plain.exitCode);
  EXPECT_EQ(plain.out, text.substr(0, text.find("baseline ")));
  const RunResult plainJson = runEval(with({"--json", "--no-baseline", "data.in", "clusters.txt"}, kTruth));
  const std::string head = plainJson.out.substr(0, plainJson.out.rfind("\n}"));
  EXPECT_EQ(head + ",\n  \"baseline\": {", json.substr(0, head.size() + 17));
}

TEST(EvalRun, EmptyClusterFile) {
  expectReport(with({"data.in", "empty.txt"}, kTruth), "empty.txt");
  expectReport(with({"--json", "data.in", "empty.txt"}, kTruth), "empty.json");
}

TEST(EvalRun, HelpPrintsTheUsageWithEveryMeasure) {
  expectReport({"--help"}, "usage.txt");
  expectReport({"data.in", "-h"}, "usage.txt");
}

TEST(EvalRun, EveryBadInputIsOneMessageAndStatusOne) {
  const std::string seeHelp = " (trivanex-eval --help shows the usage)";
  expectError(with({"--jsn", "data.in", "clusters.txt"}, kTruth), "unknown option '--jsn'" + seeHelp);
  expectError({"data.in", "clusters.txt"},
              "expected a data-description file, a cluster file and at least one group file or --gaf" + seeHelp);
  expectError({"data.in", "clusters.txt", "--gaf"}, "option '--gaf' needs a value" + seeHelp);
  expectError({"data.in", "clusters.txt", "--gaf-column", "4", "--gaf", "go.gaf"},
              "--gaf-column takes 2 or 3, not '4'" + seeHelp);
  expectError({"data.in", "clusters.txt", "--gaf", "bad.gaf"},
              "bad.gaf line 3: expected a GAF annotation (17 tab-separated columns, at least 7), found 5");
  expectError({"data.in", "clusters.txt", "--gaf", "truncated.gaf.gz"},
              "truncated.gaf.gz line 4: the gzip data ends early (truncated file?); decompress it to see what "
              "is missing");
  expectError({"missing.in", "clusters.txt", "A.fo"}, "cannot open data-description file missing.in");
  expectError({"data.in", "missing.txt", "A.fo"}, "cannot open cluster file missing.txt");
  expectError({"data.in", "clusters.txt", "A.fo", "missing.fo"}, "cannot open group file missing.fo");
  expectError({"data.in", "clusters.txt", "A.fo", "bad_group.fo"},
              "bad_group.fo line 2: expected 'protein group', found 3 fields");
  expectError({"data.in", "twice.txt", "A.fo"}, "twice.txt line 3: identifier 'b2' already occurs on line 1");
  expectError({"data.in", "unknown.txt", "A.fo"},
              "unknown.txt line 2: identifier 'z1' is not a protein of the data-description file");
  // A data description whose network file is missing stops in the loader.
  expectError({"no_network.in", "clusters.txt", "A.fo"}, "cannot open network file ./D.tab");
}

// go.gaf: a1 b4 c1 share no term (c1's shared term is a NOT annotation, b4's
// only one is IEA), a3 b1 b2 share one; go_col3.gaf.gz holds the same with the
// identifiers in column 3, gzipped.
TEST(EvalRun, GoMeasuresFromPlainAndGzippedGaf) {
  expectReport(with({"data.in", "clusters.txt"}, with(kTruth, {"--gaf", "go.gaf"})), "go.txt");
  expectReport({"--json", "--no-iea", "--gaf-column", "3", "--gaf", "go_col3.gaf.gz", "data.in", "clusters.txt"},
               "go_only.json");
}

TEST(EvalRun, DoubleDashEndsTheOptions) {
  expectError({"--", "--json", "clusters.txt", "A.fo"}, "cannot open data-description file --json");
}

}  // namespace
