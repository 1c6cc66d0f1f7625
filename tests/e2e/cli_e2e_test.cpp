// End-to-end runs of the trivanex executable: command line, run summary,
// loading and the early stops, compared byte for byte on small data sets
// under tests/data/cli/.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "test_util.h"

namespace {

namespace fs = std::filesystem;
using testutil::fileExists;
using testutil::readFile;
using testutil::RunResult;
using testutil::writeFile;

const std::string kBanner =
    "!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!Run Kpartite non-reverse"
    "!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!\n";

std::string caseDir(const std::string& name) { return testutil::dataDir() + "/cli/" + name; }

std::string expectedFile(const std::string& caseName, const std::string& file) {
  return readFile(caseDir(caseName) + "/expected/" + file);
}

// The fixed usage text and the closing block of options added since.
const std::string& usageText() {
  static const std::string text = readFile(testutil::dataDir() + "/cli/usage.txt") +
                                  readFile(testutil::dataDir() + "/cli/further_options.txt");
  return text;
}

// The run summary of a run with default settings, but for the data-description
// file, the match-score file and the final cluster file.
std::string defaultSummary(const std::string& dataDescFile = "data.in",
                           const std::string& scorefile = "",
                           const std::string& clusterFile = "tmp_output_cluster.txt") {
  return "Command line summary:  K: 20 convergence_thresh: 1%  alpha: 0.9 doPruning: false "
         "prune_vec_size: -1 min_secondary_fraction: 0.8 min_primary_fraction: 0.1 "
         "max_per_species: 5 strategy: hsp dataDescFile: " +
         dataDescFile + " match-score-file: " + scorefile +
         " read_star_files: No reverse_mode: No final-cluster-file: " + clusterFile + "\n";
}

bool startsWith(const std::string& s, const std::string& head) { return s.compare(0, head.size(), head) == 0; }
bool endsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}
bool contains(const std::string& s, const std::string& part) { return s.find(part) != std::string::npos; }

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) out.push_back(line);
  return out;
}

class CliE2E : public ::testing::Test {
 protected:
  void TearDown() override {
    for (const auto& d : dirs_) fs::remove_all(d);
  }

  // A fresh working directory holding a copy of the case's input (or nothing).
  std::string work(const std::string& caseName = "") {
    std::string dir = testutil::makeTempDir();
    dirs_.push_back(dir);
    if (!caseName.empty()) testutil::copyTree(caseDir(caseName) + "/input", dir);
    return dir;
  }

  static std::set<std::string> files(const std::string& dir) {
    std::set<std::string> out;
    for (const auto& e : fs::recursive_directory_iterator(dir))
      if (e.is_regular_file()) out.insert(fs::relative(e.path(), dir).string());
    return out;
  }

  // Runs a command line that must stop with status 1 before writing anything.
  RunResult stopped(const std::vector<std::string>& args, const std::string& dir) {
    const auto before = files(dir);
    RunResult r = testutil::runTrivanex(args, dir);
    EXPECT_EQ(1, r.exitCode);
    EXPECT_EQ("", r.out);
    EXPECT_EQ(before, files(dir)) << "a stopped run must not write files";
    return r;
  }

  std::vector<std::string> dirs_;
};

// ---- rejected command lines -------------------------------------------------------------------

TEST_F(CliE2E, NoArgumentsGiveAnErrorLineAndTheUsageText) {
  RunResult r = stopped({}, work());
  ASSERT_TRUE(endsWith(r.err, "\n\n" + usageText())) << r.err;
  const std::string head = r.err.substr(0, r.err.size() - usageText().size());
  EXPECT_TRUE(startsWith(head, "Error: ")) << head;
  EXPECT_EQ(2u, lines(head).size()) << head;  // the error line and a blank line
}

TEST_F(CliE2E, HelpPrintsTheUsageTextAloneEvenWithADataFile) {
  const std::string dir = work("pair_of_networks");
  EXPECT_EQ(usageText(), stopped({"--help"}, dir).err);
  EXPECT_EQ(usageText(), stopped({"-K", "30", "data.in", "-h", "-K", "2"}, dir).err);
}

TEST_F(CliE2E, RejectedOptionValuesPrintTheErrorBlockAndReadNothing) {
  const std::string dir = work("pair_of_networks");
  const struct {
    std::vector<std::string> args;
    std::string err;
  } cases[] = {
      {{"-K", "2", "data.in"}, "Error: K should be between 3 and 100B\n\n"},
      {{"data.in", "--K=100"}, "Error: K should be between 3 and 100B\n\n"},
      {{"-K", "1e2", "data.in"}, "Error: K should be between 3 and 100B\n\n"},
      {{"-thresh", "0", "data.in"}, "Error: Need convg_thresh in (0,10)\n\n"},
      {{"-thr", "10.5", "data.in"}, "Error: Need convg_thresh in (0,10)\n\n"},
      {{"-alpha", "1.5", "data.in"}, "Error: Bad 'alpha'\n\n"},
      {{"-maxveclen", "0", "data.in"}, "Error: Bad 'prunedvecsize' option\n\n"},
      {{"data.in", "-maxveclen", "-5"}, "Error: Bad 'prunedvecsize' option\n\n"},
      {{"-cl_min_pri_thresh", "0", "data.in"}, "Error: Bad 'cl_min_pri_thresh' option\n\n"},
      {{"-cl_min_sec_thresh", "0", "data.in"}, "Error: Bad 'cl_min_sec_thresh' option\n\n"},
      {{"-cl_max_per_sp", "0", "data.in"}, "blah: '0' 0\nError: Bad 'cl_max_per_sp' option\n\n"},
      {{"-K", "50", "-alpha", "2", "-K", "1", "data.in"}, "Error: Bad 'alpha'\n\n"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.err + usageText(), stopped(c.args, dir).err) << c.args[0] << " " << c.args[1];
  }
}

TEST_F(CliE2E, ParserDiagnosticsComeBeforeTheUsageText) {
  const std::string dir = work("pair_of_networks");
  EXPECT_EQ("trivanex: unrecognized option '-k'\n" + usageText(),
            stopped({"-alpha", "0.5", "data.in", "-cl_ma", "3x", "-k", "5"}, dir).err);
  EXPECT_EQ("trivanex: option '-K' requires an argument\n" + usageText(),
            stopped({"data.in", "-K"}, dir).err);
  EXPECT_EQ("trivanex: option '--reverse' doesn't allow an argument\n" + usageText(),
            stopped({"data.in", "--reverse=yes"}, dir).err);
  // The wording of the ambiguity message varies between C library versions past this point.
  RunResult r = stopped({"--thr", "0.2", "data.in", "-r"}, dir);
  EXPECT_TRUE(startsWith(r.err, "trivanex: option '-r' is ambiguous")) << r.err;
  EXPECT_TRUE(endsWith(r.err, "\n" + usageText())) << r.err;
  EXPECT_EQ(1u + lines(usageText()).size(), lines(r.err).size()) << r.err;
}

TEST_F(CliE2E, EmptyClusterFileNameStopsBeforeAnyInputIsRead) {
  // missing.in does not exist: reading it would stop the run with another message.
  const std::string dir = work();
  EXPECT_EQ(defaultSummary("missing.in", "", "") + "Flag: 1\nOutput cluster file name is null\n",
            stopped({"--o=", "missing.in"}, dir).err);
  EXPECT_EQ(defaultSummary("missing.in", "", "") + "Flag: 1\nOutput cluster file name is null\n",
            stopped({"-o", "", "missing.in"}, dir).err);
}

TEST_F(CliE2E, SummaryShowsEverySettingWithSixSignificantDigits) {
  const std::string dir = work();
  RunResult r = stopped({"-alpha", "0.123456789", "-t=1e-6", "-maxveclen", "50", "-rea", "-rev",
                         "-cl_min_sec_thresh", "0.5", "-cl_min_pri_thresh=1", "-cl_ma", "3x",
                         "-K", "99", "-prefix", "run1", "-scorefile", "s.txt", "--o=", "dir/x.in",
                         "second.in"},
                        dir);
  EXPECT_EQ(
      "Command line summary:  K: 99 convergence_thresh: 1e-06%  alpha: 0.123457 doPruning: true "
      "prune_vec_size: 50 min_secondary_fraction: 0.5 min_primary_fraction: 1 max_per_species: 3 "
      "strategy: hsp dataDescFile: dir/x.in match-score-file: s.txt read_star_files: Yes "
      "reverse_mode: Yes final-cluster-file: \n"
      "Flag: 1\nOutput cluster file name is null\n",
      r.err);
}

// ---- loading -------------------------------------------------------------------------------

// Every real number written to standard error after flag 1 has at most 4 significant digits.
void expectFourDigitsAfterFlag1(const std::string& err) {
  const size_t flag1 = err.find("\nFlag: 1\n");
  ASSERT_NE(std::string::npos, flag1);
  std::istringstream in(err.substr(flag1));
  std::string token;
  while (in >> token) {
    if (token.find_first_of(".eE") == std::string::npos) continue;
    char* end = nullptr;
    std::strtod(token.c_str(), &end);
    if (end != token.c_str() + token.size()) continue;  // not a number
    std::string mantissa = token.substr(0, token.find_first_of("eE"));
    std::string digits;
    for (char c : mantissa)
      if (c >= '0' && c <= '9' && !(digits.empty() && c == '0')) digits += c;
    EXPECT_LE(digits.size(), 4u) << "'" << token << "' in standard error";
  }
}

TEST_F(CliE2E, ComputeRunLoadsPairFilesThenNetworksAndGoesOn) {
  const std::string dir = work("pair_of_networks");
  RunResult r = testutil::runTrivanex({"data.in"}, dir);
  EXPECT_EQ(0, r.exitCode) << r.err;
  const std::string head = expectedFile("pair_of_networks", "compute_head.stderr");
  EXPECT_EQ(head, r.err.substr(0, head.size()));
  EXPECT_TRUE(contains(r.err, "\nFlag: 4\naa bb # scores in finalVec but not in initVec: ")) << r.err;
  EXPECT_TRUE(contains(r.err, "\nFlag: 5\nFlag: 6\n" + kBanner)) << r.err;
  EXPECT_TRUE(endsWith(r.err, "\nFlag: 7\n")) << r.err;
  expectFourDigitsAfterFlag1(r.err);
  EXPECT_TRUE(fileExists(dir + "/tmp_match-score.txt"));
  EXPECT_TRUE(fileExists(dir + "/tmp_output_cluster.txt"));
}

TEST_F(CliE2E, OneSpeciesProcessesNoPairAndWritesAnEmptyMatchScoreFile) {
  const std::string dir = work("single_network");
  RunResult r = testutil::runTrivanex({"data.in"}, dir);
  EXPECT_EQ(0, r.exitCode) << r.err;
  const std::string head = expectedFile("single_network", "compute_head.stderr");
  EXPECT_EQ(head, r.err.substr(0, head.size()));
  EXPECT_TRUE(endsWith(r.err, "\nFlag: 7\n")) << r.err;
  ASSERT_TRUE(fileExists(dir + "/tmp_match-score.txt"));
  EXPECT_EQ("", readFile(dir + "/tmp_match-score.txt"));
}

TEST_F(CliE2E, SpeciesListedTwiceIsReadTwiceAndNeverPairedWithItself) {
  const std::string dir = work("single_network");
  writeFile(dir + "/twice.in", "d _x 2 zz zz\n");
  RunResult r = testutil::runTrivanex({"twice.in"}, dir);
  EXPECT_EQ(0, r.exitCode) << r.err;
  const std::string head = defaultSummary("twice.in") +
                           "Flag: 1\n"
                           "blast file: d/zz-zz_x.evals\n"
                           "blast file: d/zz-zz_x.evals\n"
                           "blast file: d/zz-zz_x.evals\n"
                           "Number of blast scores read: 2\n"
                           "intxn file: d/zz_x.tab\n"
                           "intxn file: d/zz_x.tab\n"
                           "size of sp-list: 2\n"
                           "number of blast scores: 2 # scores between species: 0\n"
                           "Flag: 101\n"
                           "Flag: 5\n"
                           "Flag: 6\n" +
                           kBanner;
  EXPECT_EQ(head, r.err.substr(0, head.size()));
  EXPECT_EQ("", readFile(dir + "/tmp_match-score.txt"));
}

TEST_F(CliE2E, BadInputStopsTheRunWithOneErrorLineNamingFileAndLine) {
  // The loading lines of the pair_of_networks case, in the order they are written.
  const std::vector<std::string> loadLines = {
      "blast file: data/aa-aa.evals\n", "blast file: data/aa-bb.evals\n",
      "blast file: data/bb-bb.evals\n", "Number of blast scores read: 5\n",
      "intxn file: data/aa.tab\n",      "intxn file: data/bb.tab\n"};
  const struct {
    std::string file, content;
    size_t linesBefore;       // loading lines written before the stop
    std::string errorStart;   // the error line begins with this
    std::string token;        // and names this
  } cases[] = {
      {"data/bb.tab", "INTERACTOR_A INTERACTOR_B\nb1 b2\nb3\n", 6, "Error: data/bb.tab line 3: ", "'b3'"},
      {"data/aa.tab", "INTERACTOR_A INTERACTOR_B CONF_VAL\na1 a2 1.5\n", 5,
       "Error: data/aa.tab line 2: ", "'1.5'"},
      {"data/aa.tab", "INTERACTOR_A INTERACTOR_B CONF_VAL\na1 a2 0.5x\n", 5,
       "Error: data/aa.tab line 2: ", "'0.5x'"},
      {"data/aa.tab", "INTERACTOR_A INTERACTOR_X\na1 a2\n", 5, "Error: data/aa.tab", ""},
      {"data/bb.tab", "INTERACTOR_A INTERACTOR_B\nb1 a1\n", 6, "Error: data/bb.tab line 2: ", "'a1'"},
      {"data/aa-bb.evals", "a1 b1 1\nb2 a2 nan\n", 2, "Error: data/aa-bb.evals line 2: ", "'nan'"},
      {"data/aa-bb.evals", "a1 b1 inf\n", 2, "Error: data/aa-bb.evals line 1: ", "'inf'"},
      {"data/aa-bb.evals", "a1 b1 12abc\n", 2, "Error: data/aa-bb.evals line 1: ", "'12abc'"},
      {"data/aa-bb.evals", "a1 b1 1\n\n \na2 b2\n", 2, "Error: data/aa-bb.evals line 4: ", ""},
      {"data/bb-bb.evals", "b1 a1 1\n", 3, "Error: data/bb-bb.evals line 1: ", "'a1'"},
      {"data.in", "data - two aa bb\n", 0, "Error: data.in", "'two'"},
      {"data.in", "data - -2 aa bb\n", 0, "Error: data.in", "'-2'"},
      {"data.in", "data - 3 aa bb\n", 0, "Error: data.in", ""},
      {"data.in", "data -\n", 0, "Error: data.in", ""},
  };
  for (const auto& c : cases) {
    const std::string dir = work("pair_of_networks");
    writeFile(dir + "/" + c.file, c.content);
    RunResult r = stopped({"data.in"}, dir);
    std::string want = defaultSummary() + "Flag: 1\n";
    for (size_t i = 0; i < c.linesBefore; ++i) want += loadLines[i];
    SCOPED_TRACE(c.file + ": " + c.content);
    ASSERT_TRUE(startsWith(r.err, want)) << r.err;
    const std::string rest = r.err.substr(want.size());
    EXPECT_TRUE(startsWith(rest, c.errorStart)) << rest;
    EXPECT_TRUE(contains(rest, c.token)) << rest;
    EXPECT_EQ(1u, lines(rest).size()) << rest;
    EXPECT_TRUE(endsWith(rest, "\n")) << rest;
  }
}

TEST_F(CliE2E, MissingInputFilesThatStopTheRun) {
  std::string dir = work("pair_of_networks");
  fs::remove(dir + "/data/bb.tab");
  RunResult r = stopped({"data.in"}, dir);
  EXPECT_TRUE(contains(r.err, "intxn file: data/bb.tab\nError: ")) << r.err;
  EXPECT_TRUE(contains(lines(r.err).back(), "data/bb.tab")) << r.err;

  dir = work();
  r = stopped({"nosuch.in"}, dir);
  EXPECT_TRUE(startsWith(r.err, defaultSummary("nosuch.in") + "Flag: 1\nError: ")) << r.err;
  EXPECT_TRUE(contains(lines(r.err).back(), "nosuch.in")) << r.err;
  EXPECT_EQ(3u, lines(r.err).size()) << r.err;
}

TEST_F(CliE2E, MissingDataDirectoryIsNamedWithTheFolderItIsTakenFrom) {
  // Run from a subfolder: the relative data directory "data" is not there.
  const std::string dir = work("pair_of_networks");
  fs::create_directory(dir + "/sub");
  const std::string sub = fs::canonical(dir + "/sub").string();
  RunResult r = stopped({"../data.in"}, sub);
  EXPECT_TRUE(endsWith(r.err,
                       "Number of blast scores read: 0\nintxn file: data/aa.tab\n"
                       "Error: cannot open network file data/aa.tab: the data directory 'data' "
                       "named in ../data.in does not exist; a relative data directory is taken "
                       "from the working directory, " + sub + "\n"))
      << r.err;
  // An absolute one that is missing says so without the working directory.
  writeFile(dir + "/abs.in", dir + "/nosuch - 1 aa");
  r = stopped({"abs.in"}, dir);
  EXPECT_TRUE(endsWith(r.err, "Error: cannot open network file " + dir + "/nosuch/aa.tab: the data "
                       "directory '" + dir + "/nosuch' named in abs.in does not exist\n"))
      << r.err;
}

TEST_F(CliE2E, VersionIsPrintedOnStandardOutputByEveryProgram) {
  const std::string dir = work();
  const std::string version = TRIVANEX_VERSION;
  RunResult r = testutil::runTrivanex({"-K", "5", "--version", "-K", "2"}, dir);
  EXPECT_EQ(0, r.exitCode);
  EXPECT_EQ("trivanex " + version + "\n", r.out);
  EXPECT_EQ("", r.err);
  EXPECT_EQ("trivanex " + version + "\n", testutil::runTrivanex({"-v"}, dir).out);
  r = testutil::runProgram(TRIVANEX_EVAL_EXE, {"--version"}, dir);
  EXPECT_EQ(0, r.exitCode);
  EXPECT_EQ("trivanex-eval " + version + "\n", r.out);
  r = testutil::runProgram(TRIVANEX_PAIRS_EXE, {"--version"}, dir);
  EXPECT_EQ(0, r.exitCode);
  EXPECT_EQ("trivanex-pairs " + version + "\n", r.out);
  EXPECT_TRUE(files(dir).empty());
}

// ---- read mode -----------------------------------------------------------------------------

TEST_F(CliE2E, ReadModeStopsOnAMissingOrEmptyScoreFileWithItsOwnMessages) {
  const std::string head = expectedFile("pair_of_networks", "read_head.stderr");
  std::string dir = work("pair_of_networks");
  // The fixed text, then a line that names the file.
  EXPECT_EQ(head + "The match score file is not exist~!!!\nError: cannot open match-score file scores.txt\n",
            stopped({"-scorefile", "scores.txt", "data.in"}, dir).err);
  writeFile(dir + "/scores.txt", "");
  EXPECT_EQ(head + "The match score file is empty~!!!\nError: scores.txt: is empty\n",
            stopped({"-scorefile", "scores.txt", "data.in"}, dir).err);
  for (const char* content : {" a1 b1 0.5\n", "\ta1 b1 0.5\n"}) {
    writeFile(dir + "/scores.txt", content);
    EXPECT_EQ(head + "The match score file is empty~!!!\nError: scores.txt line 1: starts with a blank\n",
              stopped({"-scorefile", "scores.txt", "data.in"}, dir).err)
        << "'" << content << "'";
  }
}

TEST_F(CliE2E, ReadModeRejectsAnIdentifierThatIsNotAProteinOfTheRun) {
  const std::string head = expectedFile("pair_of_networks", "read_head.stderr");
  const std::string dir = work("pair_of_networks");
  writeFile(dir + "/scores.txt", "a1 b1 0.5\nb2 q9 0.25\n");
  RunResult r = stopped({"data.in", "--scorefile=scores.txt"}, dir);
  ASSERT_TRUE(startsWith(r.err, head)) << r.err;
  const std::string rest = r.err.substr(head.size());
  EXPECT_TRUE(startsWith(rest, "Error: scores.txt line 2: ")) << rest;
  EXPECT_TRUE(contains(rest, "'q9'")) << rest;
  EXPECT_EQ(1u, lines(rest).size()) << rest;
}

TEST_F(CliE2E, ComputeRunsMatchScoreFileIsReadBackByALaterRun) {
  const std::string dir = work("pair_of_networks");
  RunResult first = testutil::runTrivanex({"-prefix", "run1", "data.in"}, dir);
  ASSERT_EQ(0, first.exitCode) << first.err;
  ASSERT_TRUE(fileExists(dir + "/run1_match-score.txt"));
  const std::string scores = readFile(dir + "/run1_match-score.txt");
  EXPECT_FALSE(scores.empty());

  RunResult second = testutil::runTrivanex({"-scorefile", "run1_match-score.txt", "data.in"}, dir);
  EXPECT_EQ(0, second.exitCode) << second.err;
  std::string head = expectedFile("pair_of_networks", "read_head.stderr");
  const std::string from = "match-score-file: scores.txt";
  head.replace(head.find(from), from.size(), "match-score-file: run1_match-score.txt");
  head += "Flag: 103\nFlag: 6\n" + kBanner;
  EXPECT_EQ(head, second.err.substr(0, head.size()));
  EXPECT_TRUE(endsWith(second.err, "\nFlag: 7\n")) << second.err;
  // Read mode writes no match-score file of its own.
  EXPECT_EQ(scores, readFile(dir + "/run1_match-score.txt"));
  EXPECT_FALSE(fileExists(dir + "/tmp_match-score.txt"));
}

// ---- output names, option order, summary-only settings ----------------------------------------

TEST_F(CliE2E, PrefixNamesTheMatchScoreFileAndOptionONamesTheClusterFile) {
  std::string dir = work("single_network");
  ASSERT_EQ(0, testutil::runTrivanex({"-prefix", "run1", "-o", "out.txt", "data.in"}, dir).exitCode);
  EXPECT_TRUE(fileExists(dir + "/run1_match-score.txt"));
  EXPECT_TRUE(fileExists(dir + "/out.txt"));
  EXPECT_FALSE(fileExists(dir + "/tmp_match-score.txt"));
  EXPECT_FALSE(fileExists(dir + "/tmp_output_cluster.txt"));

  dir = work("single_network");
  ASSERT_EQ(0, testutil::runTrivanex({"data.in", "--o=out2.txt", "-prefix", "run2"}, dir).exitCode);
  EXPECT_TRUE(fileExists(dir + "/run2_match-score.txt"));
  EXPECT_TRUE(fileExists(dir + "/out2.txt"));
  EXPECT_FALSE(fileExists(dir + "/tmp_output_cluster.txt"));
}

TEST_F(CliE2E, LongPrefixIsNotCutShort) {
  const std::string dir = work("single_network");
  const std::string prefix(200, 'p');
  RunResult r = testutil::runTrivanex({"-prefix", prefix, "data.in"}, dir);
  EXPECT_EQ(0, r.exitCode) << r.err;
  EXPECT_TRUE(fileExists(dir + "/" + prefix + "_match-score.txt"));
}

TEST_F(CliE2E, OptionOrderDoesNotMatter) {
  const std::string a = work("pair_of_networks"), b = work("pair_of_networks");
  RunResult ra = testutil::runTrivanex({"data.in", "-K", "5", "-alpha", "0.5"}, a);
  RunResult rb = testutil::runTrivanex({"-K", "5", "-alpha", "0.5", "data.in"}, b);
  ASSERT_EQ(0, ra.exitCode) << ra.err;
  EXPECT_EQ(0, rb.exitCode);
  EXPECT_EQ(ra.err, rb.err);
  EXPECT_EQ(ra.out, rb.out);
  EXPECT_EQ(files(a), files(b));
  for (const auto& f : files(a)) EXPECT_EQ(readFile(a + "/" + f), readFile(b + "/" + f)) << f;
}

TEST_F(CliE2E, SummaryOnlySettingsChangeNothingButTheSummary) {
  const std::string a = work("pair_of_networks"), b = work("pair_of_networks");
  RunResult ra = testutil::runTrivanex({"data.in"}, a);
  RunResult rb = testutil::runTrivanex({"-reverse", "-cl_min_pri_thresh", "1", "-cl_min_sec_thresh",
                                        "0.5", "-cl_max_per_sp", "3x", "data.in"},
                                       b);
  ASSERT_EQ(0, ra.exitCode) << ra.err;
  ASSERT_EQ(0, rb.exitCode) << rb.err;
  const std::vector<std::string> la = lines(ra.err), lb = lines(rb.err);
  ASSERT_FALSE(la.empty());
  ASSERT_FALSE(lb.empty());
  EXPECT_EQ(defaultSummary(), la[0] + "\n");
  EXPECT_EQ(
      "Command line summary:  K: 20 convergence_thresh: 1%  alpha: 0.9 doPruning: false "
      "prune_vec_size: -1 min_secondary_fraction: 0.5 min_primary_fraction: 1 max_per_species: 3 "
      "strategy: hsp dataDescFile: data.in match-score-file:  read_star_files: No reverse_mode: Yes "
      "final-cluster-file: tmp_output_cluster.txt",
      lb[0]);
  EXPECT_EQ(std::vector<std::string>(la.begin() + 1, la.end()),
            std::vector<std::string>(lb.begin() + 1, lb.end()));
  EXPECT_EQ(ra.out, rb.out);
  EXPECT_EQ(files(a), files(b));
  for (const auto& f : files(a)) EXPECT_EQ(readFile(a + "/" + f), readFile(b + "/" + f)) << f;
}

}  // namespace
