// --quiet against the default run on the same data: every file byte for
// byte the same, nothing on standard output, and on standard error only the
// warnings, a stop's message and the closing line.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "test_util.h"

namespace {

namespace fs = std::filesystem;

// A fresh copy of a run case's input, run with one command line.
struct Dir {
  explicit Dir(const std::string& caseName) : path(testutil::makeTempDir()) {
    testutil::copyTree(testutil::dataDir() + "/runs/" + caseName + "/input", path);
  }
  ~Dir() { fs::remove_all(path); }
  std::map<std::string, std::string> files() const {
    std::map<std::string, std::string> all;
    for (const auto& e : fs::recursive_directory_iterator(path))
      if (e.is_regular_file())
        all[fs::relative(e.path(), path).string()] = testutil::readFile(e.path().string());
    return all;
  }
  std::string path;
};

long lineCount(const std::string& text) { return (long)std::count(text.begin(), text.end(), '\n'); }

// The tail of `text` from the start of the line that begins with `head`.
std::string fromLine(const std::string& text, const std::string& head) {
  const size_t at = text.compare(0, head.size(), head) == 0 ? 0 : text.find("\n" + head);
  return at == std::string::npos ? "" : text.substr(at == 0 ? 0 : at + 1);
}

}  // namespace

TEST(QuietRun, SameFilesAsTheDefaultRunAndOnlyTheClosingLine) {
  Dir loud("three"), quiet("three");
  const testutil::RunResult a = testutil::runTrivanex({"data.in"}, loud.path);
  const testutil::RunResult q = testutil::runTrivanex({"--quiet", "data.in"}, quiet.path);
  ASSERT_EQ(0, a.exitCode);
  ASSERT_EQ(0, q.exitCode);
  EXPECT_FALSE(a.out.empty());
  EXPECT_EQ("", q.out);
  EXPECT_EQ(loud.files(), quiet.files());
  const long clusters = lineCount(testutil::readFile(loud.path + "/tmp_output_cluster.txt"));
  EXPECT_EQ(4, clusters);
  EXPECT_EQ("Wrote tmp_output_cluster.txt (4 clusters), tmp_match-score.txt, stars_ce.txt, "
            "stars_hs.txt, stars_sc.txt\n",
            q.err);

  // From the match-score file with the star caches of the first run: only
  // the cluster file is written.
  const std::vector<std::string> again{"--scorefile", "tmp_match-score.txt", "--readstar", "-o",
                                       "again.txt", "data.in"};
  std::vector<std::string> quietAgain(again);
  quietAgain.insert(quietAgain.begin(), "-q");
  ASSERT_EQ(0, testutil::runTrivanex(again, loud.path).exitCode);
  const testutil::RunResult q2 = testutil::runTrivanex(quietAgain, quiet.path);
  EXPECT_EQ(0, q2.exitCode);
  EXPECT_EQ("", q2.out);
  EXPECT_EQ("Wrote again.txt (4 clusters)\n", q2.err);
  EXPECT_EQ(loud.files(), quiet.files());
}

TEST(QuietRun, WarningsAndStopsStillShow) {
  Dir loud("three"), quiet("three");
  // The match-score file's folder does not exist: a warning, and the run goes on.
  const testutil::RunResult a = testutil::runTrivanex({"--prefix", "none/run", "data.in"}, loud.path);
  const testutil::RunResult q =
      testutil::runTrivanex({"--prefix", "none/run", "--quiet", "data.in"}, quiet.path);
  const std::string warning = "Warning: cannot write match-score file none/run_match-score.txt\n";
  ASSERT_EQ(0, a.exitCode);
  EXPECT_NE(std::string::npos, a.err.find("\n" + warning));
  EXPECT_EQ(0, q.exitCode);
  EXPECT_EQ(warning + "Wrote tmp_output_cluster.txt (4 clusters), stars_ce.txt, stars_hs.txt, "
                      "stars_sc.txt\n",
            q.err);
  EXPECT_EQ(loud.files(), quiet.files());

  // A stop's message comes out whole, as in the default run, and no closing line.
  const testutil::RunResult stop =
      testutil::runTrivanex({"--scorefile", "absent.txt", "data.in"}, loud.path);
  const testutil::RunResult quietStop =
      testutil::runTrivanex({"--scorefile", "absent.txt", "--quiet", "data.in"}, quiet.path);
  EXPECT_EQ(1, stop.exitCode);
  EXPECT_EQ(1, quietStop.exitCode);
  const std::string message = fromLine(stop.err, "The match score file is not exist");
  ASSERT_NE("", message);
  EXPECT_EQ(message, quietStop.err);
}

TEST(QuietRun, PairJobWritesTheSameFile) {
  Dir loud("three"), quiet("three");
  const testutil::RunResult a =
      testutil::runProgram(TRIVANEX_PAIRS_EXE, {"align", "ce-hs", "p.txt", "data.in"}, loud.path);
  const testutil::RunResult q = testutil::runProgram(
      TRIVANEX_PAIRS_EXE, {"align", "ce-hs", "p.txt", "--quiet", "data.in"}, quiet.path);
  ASSERT_EQ(0, a.exitCode);
  EXPECT_EQ(0, q.exitCode);
  EXPECT_EQ("", q.out);
  EXPECT_EQ("Wrote p.txt\n", q.err);
  EXPECT_EQ(loud.files(), quiet.files());
  EXPECT_NE("", testutil::readFile(quiet.path + "/p.txt"));
}
