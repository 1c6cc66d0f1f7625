// End-to-end runs of trivanex-report on tests/data/report/input: the three
// species of a small run (its cluster file, match-score file and standard
// error), ortholog groups and a GAF file; every file of the report folder and
// the summary compared byte for byte with tests/data/report/expected/.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "test_util.h"

namespace {

namespace fs = std::filesystem;
using testutil::readFile;
using testutil::RunResult;

const char* const kFiles[] = {"clusters.tsv",  "nodes.tsv",     "edges.tsv", "alignment.graphml",
                              "alignment.sif", "report.html", "pairs.tsv"};

// A scratch copy of the input folder (its data.in names "."), removed at the end.
struct Scratch {
  std::string dir = testutil::makeTempDir();
  Scratch() { testutil::copyTree(testutil::dataDir() + "/report/input", dir); }
  ~Scratch() { fs::remove_all(dir); }
  RunResult run(const std::vector<std::string>& args) const {
    return testutil::runProgram(TRIVANEX_REPORT_EXE, args, dir);
  }
};

std::string expected(const std::string& name) {
  return readFile(testutil::dataDir() + "/report/expected/" + name);
}

TEST(ReportRun, EveryFileWithEveryInput) {
  Scratch s;
  const RunResult r = s.run({"--scores", "match-score.txt", "--log", "run.stderr", "--groups", "groups.fo",
                             "--gaf", "go.gaf", "--names", "names.tsv", "--fasta", "hs=hs.fasta.gz", "data.in",
                             "clusters.txt", "--out", "rep"});
  ASSERT_EQ(0, r.exitCode) << r.err;
  EXPECT_EQ("", r.err);
  EXPECT_EQ(expected("full/stdout.txt"), r.out);
  for (const char* f : kFiles) {
    SCOPED_TRACE(f);
    EXPECT_EQ(expected(std::string("full/") + f), readFile(s.dir + "/rep/" + f));
  }
  // Nothing but the seven files: every temporary was renamed.
  EXPECT_EQ(7, std::distance(fs::directory_iterator(s.dir + "/rep"), fs::directory_iterator()));
}

TEST(ReportRun, RunFilesAloneGiveTablesWithoutScoresOrAnnotations) {
  Scratch s;
  const RunResult r = s.run({"data.in", "clusters.txt", "--out", "plain"});
  ASSERT_EQ(0, r.exitCode) << r.err;
  EXPECT_EQ(expected("plain/stdout.txt"), r.out);
  EXPECT_EQ(expected("plain/clusters.tsv"), readFile(s.dir + "/plain/clusters.tsv"));
  EXPECT_EQ(expected("plain/edges.tsv"), readFile(s.dir + "/plain/edges.tsv"));
  EXPECT_EQ(expected("plain/pairs.tsv"), readFile(s.dir + "/plain/pairs.tsv"));
}

TEST(ReportRun, BadInputStopsAndLeavesTheFolderAsItWas) {
  Scratch s;
  testutil::writeFile(s.dir + "/bad-scores.txt", "c1 h1 0.5\nh3 s3 high\n");
  testutil::writeFile(s.dir + "/bad-clusters.txt", "c1 h1\nq9\n");
  testutil::writeFile(s.dir + "/bad-names.tsv", "s1 CDC28\n\ns2\n");
  fs::create_directory(s.dir + "/rep");
  testutil::writeFile(s.dir + "/rep/clusters.tsv", "earlier\n");
  const std::string seeHelp = " (trivanex-report --help shows the usage)";
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"data.in", "clusters.txt"}, "--out DIR names the report folder; it is required" + seeHelp},
      {{"data.in", "--out", "rep"}, "expected a data-description file and a cluster file" + seeHelp},
      {{"--colour", "data.in", "clusters.txt", "--out", "rep"}, "unknown option '--colour'" + seeHelp},
      {{"data.in", "bad-clusters.txt", "--out", "rep"},
       "bad-clusters.txt line 2: identifier 'q9' is not a protein of the data-description file"},
      {{"--scores", "bad-scores.txt", "data.in", "clusters.txt", "--out", "rep"},
       "bad-scores.txt line 2: score 'high' is not a number"},
      {{"--log", "none.log", "data.in", "clusters.txt", "--out", "rep"}, "cannot open log file none.log"},
      {{"--names", "bad-names.tsv", "data.in", "clusters.txt", "--out", "rep"},
       "bad-names.tsv line 3: expected 'id name [description]', found only 's2'"},
      {{"--fasta", "hs.fasta.gz", "data.in", "clusters.txt", "--out", "rep"},
       "--fasta takes CODE=FILE, not 'hs.fasta.gz'" + seeHelp},
      {{"--fasta", "mm=hs.fasta.gz", "data.in", "clusters.txt", "--out", "rep"},
       "--fasta mm=hs.fasta.gz: 'mm' is not a species of data.in"},
      {{"--gaf-column", "1", "data.in", "clusters.txt", "--out", "rep"},
       "--gaf-column takes 2 or 3, not '1'" + seeHelp},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.second);
    const RunResult r = s.run(c.first);
    EXPECT_EQ(1, r.exitCode);
    EXPECT_EQ("", r.out);
    EXPECT_EQ("Error: " + c.second + "\n", r.err);
  }
  EXPECT_EQ("earlier\n", readFile(s.dir + "/rep/clusters.tsv"));
  EXPECT_EQ(1, std::distance(fs::directory_iterator(s.dir + "/rep"), fs::directory_iterator()));
}

TEST(ReportRun, Version) {
  Scratch s;
  const RunResult r = s.run({"--version"});
  EXPECT_EQ(0, r.exitCode);
  EXPECT_EQ(std::string("trivanex-report ") + TRIVANEX_VERSION + "\n", r.out);
}

}  // namespace
