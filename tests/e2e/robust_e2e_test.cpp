// End-to-end robustness of the trivanex executable: bad inputs stop the run
// with one readable message naming the file and leave no output behind;
// output files appear under their real names only when complete, also when
// a write fails or the run is killed; a run out of memory says so.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "test_util.h"

namespace {

namespace fs = std::filesystem;
using testutil::readFile;
using testutil::writeFile;

struct Outcome {
  int exitCode = -1;  // -1 when ended by a signal
  int signal = 0;
  pid_t pid = 0;
  std::string out, err;
};

// Limits and signal dispositions set in the child before it runs trivanex.
struct ChildSetup {
  rlim_t fileSize = RLIM_INFINITY;
  rlim_t addressSpace = RLIM_INFINITY;
  rlim_t stackSize = 0;  // 0: unchanged
  bool ignoreFileSizeSignal = false;
};

Outcome runWith(const std::vector<std::string>& args, const std::string& dir,
                const ChildSetup& setup = ChildSetup()) {
  const std::string outPath = dir + "/../run.stdout", errPath = dir + "/../run.stderr";
  std::vector<std::string> store{"trivanex"};
  store.insert(store.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& a : store) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = fork();
  if (pid == 0) {
    int in = open("/dev/null", O_RDONLY);
    int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (in < 0 || out < 0 || err < 0 || chdir(dir.c_str()) != 0) _exit(127);
    dup2(in, 0);
    dup2(out, 1);
    dup2(err, 2);
    struct rlimit noCore = {0, 0};
    setrlimit(RLIMIT_CORE, &noCore);
    if (setup.fileSize != RLIM_INFINITY) {
      struct rlimit l = {setup.fileSize, setup.fileSize};
      setrlimit(RLIMIT_FSIZE, &l);
    }
    if (setup.stackSize != 0) {
      struct rlimit l = {setup.stackSize, setup.stackSize};
      setrlimit(RLIMIT_STACK, &l);
    }
    if (setup.addressSpace != RLIM_INFINITY) {
      struct rlimit l = {setup.addressSpace, setup.addressSpace};
      setrlimit(RLIMIT_AS, &l);
    }
    signal(SIGXFSZ, setup.ignoreFileSizeSignal ? SIG_IGN : SIG_DFL);
    execv(TRIVANEX_EXE, argv.data());
    _exit(127);
  }
  Outcome r;
  r.pid = pid;
  int status = 0;
  waitpid(pid, &status, 0);
  if (WIFEXITED(status)) r.exitCode = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) r.signal = WTERMSIG(status);
  r.out = readFile(outPath);
  r.err = readFile(errPath);
  return r;
}

// Every file under a folder with its contents, to see what a run changed.
std::map<std::string, std::string> snapshot(const std::string& dir) {
  std::map<std::string, std::string> files;
  for (const auto& e : fs::recursive_directory_iterator(dir)) {
    const std::string rel = fs::relative(e.path(), dir).string();
    std::error_code ec;
    if (e.is_directory(ec)) {
      files[rel + "/"] = "";
    } else {
      files[rel] = (access(e.path().c_str(), R_OK) == 0) ? readFile(e.path().string()) : "?";
    }
  }
  return files;
}

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  size_t start = 0;
  while (start < text.size()) {
    size_t nl = text.find('\n', start);
    if (nl == std::string::npos) nl = text.size();
    out.push_back(text.substr(start, nl - start));
    start = nl + 1;
  }
  return out;
}

// A working folder (inside a scratch folder that also takes the run's
// standard output and error) with a small two-species data set.
std::string smallDataSet() {
  const std::string dir = testutil::makeTempDir() + "/work";
  fs::create_directory(dir);
  writeFile(dir + "/data.in", ". - 2 bb aa\n");
  writeFile(dir + "/aa.tab", "INTERACTOR_A INTERACTOR_B\naa1 aa2\naa2 aa3\naa3 aa4\n");
  writeFile(dir + "/bb.tab", "INTERACTOR_A INTERACTOR_B CONF_VAL\nbb1 bb2 0.5\nbb2 bb3 1\n");
  writeFile(dir + "/aa-bb.evals", "aa1 bb1 5\naa2 bb2 3\naa3 bb3 1\naa4 bb3 2\n");
  return dir;
}

// A family-sized data set from a fixed linear congruential generator: two
// species of `proteins` each, `interactions` per species, `scores` between them.
std::string familyDataSet(int proteins, int interactions, int scores) {
  const std::string dir = testutil::makeTempDir() + "/work";
  fs::create_directory(dir);
  uint32_t x = 12345;
  auto next = [&x](uint32_t n) {
    x = x * 1103515245u + 12345u;
    return (x >> 8) % n;
  };
  writeFile(dir + "/data.in", ". - 2 aa bb\n");
  for (const std::string sp : {"aa", "bb"}) {
    std::string tab = "INTERACTOR_A INTERACTOR_B\n";
    for (int i = 0; i < interactions; ++i)
      tab += sp + std::to_string(next(proteins)) + " " + sp + std::to_string(next(proteins)) + "\n";
    writeFile(dir + "/" + sp + ".tab", tab);
  }
  std::string evals;
  for (int i = 0; i < scores; ++i)
    evals += "aa" + std::to_string(next(proteins)) + " bb" + std::to_string(next(proteins)) + " " +
             std::to_string(1 + next(1000)) + "\n";
  writeFile(dir + "/aa-bb.evals", evals);
  return dir;
}

bool printableLine(const std::string& line) {
  for (unsigned char c : line)
    if ((c < 0x20 && c != '\t') || c >= 0x7f) return false;
  return true;
}

// ---------------------------------------------------------------------------
// Bad inputs: exit status 1, one readable error line naming the file (and the
// line where there is one) as the last line, nothing written or changed.

struct BadInput {
  const char* name;
  std::function<void(const std::string& dir)> setup;
  std::vector<std::string> args;
  std::string lastLines;  // the end of standard error, exactly
  bool needsNonRoot = false;
};

std::string binaryGarbage() {
  std::string g;
  uint32_t x = 7;
  for (int i = 0; i < 600; ++i) {
    x = x * 1103515245u + 12345u;
    unsigned char c = (unsigned char)(0x80 | (x >> 16));  // never NUL or a line break
    g.push_back((char)c);
    if (i % 60 == 59) g.push_back(' ');
  }
  return g;
}

void PrintTo(const BadInput& row, std::ostream* os) { *os << row.name; }

// How a message shows the first 40 bytes of a binary token: every byte as \xHH.
std::string escapedHead(const std::string& bytes) {
  static const char hex[] = "0123456789abcdef";
  std::string out;
  for (size_t i = 0; i < 40; ++i) {
    const unsigned char c = (unsigned char)bytes[i];
    out += "\\x";
    out += hex[c >> 4];
    out += hex[c & 15];
  }
  return out;
}

const std::vector<BadInput>& badInputs() {
  const std::vector<std::string> run{"data.in"};
  static const std::vector<BadInput> rows = {
      {"MissingDataDescription", [](const std::string&) {}, {"nosuch.in"},
       "Error: cannot open data-description file nosuch.in\n"},
      {"MissingNetworkFile", [](const std::string& d) { fs::remove(d + "/bb.tab"); }, run,
       "Error: cannot open network file ./bb.tab\n"},
      {"MissingMatchScoreFile", [](const std::string&) {}, {"--scorefile", "nosuch.txt", "data.in"},
       "The match score file is not exist~!!!\nError: cannot open match-score file nosuch.txt\n"},
      {"DirectoryAsDataDescription", [](const std::string& d) { fs::create_directory(d + "/dir.in"); },
       {"dir.in"}, "Error: dir.in: is a directory, not a file\n"},
      {"DirectoryAsNetworkFile",
       [](const std::string& d) {
         fs::remove(d + "/aa.tab");
         fs::create_directory(d + "/aa.tab");
       },
       run, "Error: ./aa.tab: is a directory, not a file\n"},
      {"DirectoryAsPairFile",
       [](const std::string& d) {
         fs::remove(d + "/aa-bb.evals");
         fs::create_directory(d + "/aa-bb.evals");
       },
       run, "Error: ./aa-bb.evals: is a directory, not a file\n"},
      {"DirectoryAsMatchScoreFile", [](const std::string& d) { fs::create_directory(d + "/folder"); },
       {"--scorefile", "folder", "data.in"},
       "The match score file is not exist~!!!\nError: folder: is a directory, not a file\n"},
      {"UnreadableNetworkFile",
       [](const std::string& d) { fs::permissions(d + "/aa.tab", fs::perms::none); }, run,
       "Error: cannot open network file ./aa.tab\n", true},
      {"EmptyDataDescription", [](const std::string& d) { writeFile(d + "/data.in", ""); }, run,
       "Error: data.in: expected a data directory, a file-name suffix and a species count\n"},
      {"EmptyNetworkFile", [](const std::string& d) { writeFile(d + "/aa.tab", ""); }, run,
       "Error: ./aa.tab: incomplete header, expected 'INTERACTOR_A INTERACTOR_B'\n"},
      {"EmptyMatchScoreFile", [](const std::string& d) { writeFile(d + "/scores.txt", ""); },
       {"--scorefile", "scores.txt", "data.in"},
       "The match score file is empty~!!!\nError: scores.txt: is empty\n"},
      {"BinaryDataDescription",
       [](const std::string& d) { writeFile(d + "/data.in", binaryGarbage()); }, run,
       // The third token, cut to 40 bytes.
       "Error: data.in line 1: species count '" + escapedHead(binaryGarbage().substr(122)) +
           "...' is not a non-negative integer\n"},
      {"BinaryNetworkFile", [](const std::string& d) { writeFile(d + "/aa.tab", binaryGarbage()); },
       run, "Error: ./aa.tab line 1: bad header, expected 'INTERACTOR_A INTERACTOR_B'\n"},
      {"BinaryPairFile",
       [](const std::string& d) { writeFile(d + "/aa-bb.evals", "aa1 bb1 5\n" + binaryGarbage() + "\n"); },
       run,
       "Error: ./aa-bb.evals line 2: score '" + escapedHead(binaryGarbage().substr(122)) +
           "...' is not a number\n"},
      {"NulByteInPairFile",
       [](const std::string& d) { writeFile(d + "/aa-bb.evals", std::string("aa1 bb1 5\naa2 bb\0002 3\n", 21)); },
       run, "Error: ./aa-bb.evals line 2: holds a NUL byte, which no text file has\n"},
      {"NulByteInNetworkFile",
       [](const std::string& d) {
         writeFile(d + "/bb.tab", std::string("INTERACTOR_A INTERACTOR_B\nbb1 bb2\n\0\n", 37));
       },
       run, "Error: ./bb.tab line 3: holds a NUL byte, which no text file has\n"},
      {"NulByteInMatchScoreFile",
       [](const std::string& d) { writeFile(d + "/scores.txt", std::string("aa1 bb1 0.5\0\n", 13)); },
       {"--scorefile", "scores.txt", "data.in"},
       "Error: scores.txt line 1: holds a NUL byte, which no text file has\n"},
      {"InfiniteScore", [](const std::string& d) { writeFile(d + "/aa-bb.evals", "aa1 bb1 5\naa2 bb2 inf\n"); },
       run, "Error: ./aa-bb.evals line 2: score 'inf' is not a number\n"},
      {"NanWeight",
       [](const std::string& d) { writeFile(d + "/bb.tab", "INTERACTOR_A INTERACTOR_B CONF_VAL\nbb1 bb2 nan\n"); },
       run, "Error: ./bb.tab line 2: weight 'nan' is not a number\n"},
      {"HugeMatchScore", [](const std::string& d) { writeFile(d + "/scores.txt", "aa1 bb1 1e999\n"); },
       {"--scorefile", "scores.txt", "data.in"}, "Error: scores.txt line 1: score '1e999' is not a number\n"},
      {"WeightAboveOne",
       [](const std::string& d) { writeFile(d + "/bb.tab", "INTERACTOR_A INTERACTOR_B CONF_VAL\nbb1 bb2 1.5\n"); },
       run, "Error: ./bb.tab line 2: weight '1.5' is outside 0 to 1\n"},
      {"NegativeWeight",
       [](const std::string& d) {
         writeFile(d + "/bb.tab", "INTERACTOR_A INTERACTOR_B CONF_VAL\nbb1 bb2 1\nbb2 bb3 -0.01\n");
       },
       run, "Error: ./bb.tab line 3: weight '-0.01' is outside 0 to 1\n"},
      {"IdentifierInTwoSpecies",
       [](const std::string& d) { writeFile(d + "/bb.tab", "INTERACTOR_A INTERACTOR_B\nbb1 bb2\nbb2 aa1\n"); },
       run,
       "Error: ./bb.tab line 3: identifier 'aa1' of species 'bb' is already a protein of species 'aa'\n"},
      {"MatchScoreFileNamesUnknownProtein",
       [](const std::string& d) { writeFile(d + "/scores.txt", "aa1 bb1 0.5\naa2 zz9 0.25\n"); },
       {"--scorefile", "scores.txt", "data.in"},
       "Error: scores.txt line 2: identifier 'zz9' is not a protein of this run\n"},
      {"TruncatedStarCache",
       [](const std::string& d) {
         // The cache of an earlier run, cut inside its last star.
         Outcome first = runWith({"data.in"}, d);
         ASSERT_EQ(0, first.exitCode) << first.err;
         std::string stars = readFile(d + "/stars_aa.txt");
         stars.resize(stars.rfind('\n', stars.size() - 2) + 1);
         writeFile(d + "/stars_aa.txt", stars);
       },
       {"--readstar", "data.in"}, "Error: stars_aa.txt: the star of 'aa1' lacks row lines\n"},
  };
  return rows;
}

class BadInputE2E : public ::testing::TestWithParam<BadInput> {};

TEST_P(BadInputE2E, StopsWithOneReadableMessageNamingTheFileAndWritesNothing) {
  const BadInput& row = GetParam();
  if (row.needsNonRoot && geteuid() == 0) GTEST_SKIP() << "root reads every file";
  const std::string dir = smallDataSet();
  row.setup(dir);
  if (HasFatalFailure()) return;
  const auto before = snapshot(dir);
  Outcome r = runWith(row.args, dir);
  EXPECT_EQ(0, r.signal) << r.err;
  EXPECT_EQ(1, r.exitCode) << r.err;
  ASSERT_GE(r.err.size(), row.lastLines.size()) << r.err;
  EXPECT_EQ(row.lastLines, r.err.substr(r.err.size() - row.lastLines.size())) << r.err;
  int errorLines = 0;
  for (const auto& line : lines(r.err)) {
    EXPECT_TRUE(printableLine(line)) << line;
    if (line.rfind("Error", 0) == 0) ++errorLines;
  }
  EXPECT_EQ(1, errorLines) << r.err;
  EXPECT_EQ(before, snapshot(dir)) << "a stopped run changed the working folder";
  fs::permissions(dir, fs::perms::owner_all);
  for (const auto& e : fs::recursive_directory_iterator(dir)) fs::permissions(e.path(), fs::perms::owner_all);
}

INSTANTIATE_TEST_SUITE_P(Matrix, BadInputE2E, ::testing::ValuesIn(badInputs()),
                         [](const ::testing::TestParamInfo<BadInput>& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// Inputs that look odd and are accepted, next to the matrix.

// Runs the small data set as changed by `change` and returns the cluster file.
std::string clustersOf(const std::function<void(const std::string&)>& change, std::string* err = nullptr) {
  const std::string dir = smallDataSet();
  change(dir);
  Outcome r = runWith({"data.in"}, dir);
  EXPECT_EQ(0, r.exitCode) << r.err;
  if (err) *err = r.err;
  return readFile(dir + "/tmp_output_cluster.txt");
}

std::string withCrLf(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

TEST(AcceptedInputE2E, CrLfLineEndsGiveTheSameClusters) {
  const std::string plain = clustersOf([](const std::string&) {});
  ASSERT_FALSE(plain.empty());
  EXPECT_EQ(plain, clustersOf([](const std::string& d) {
              for (const char* f : {"/data.in", "/aa.tab", "/bb.tab", "/aa-bb.evals"})
                writeFile(d + f, withCrLf(readFile(d + f)));
            }));
}

TEST(AcceptedInputE2E, LinesOfAMegabyteAreReadWhole) {
  const std::string plain = clustersOf([](const std::string&) {});
  const std::string mega(1 << 20, 'x'), blanks(1 << 20, ' ');
  EXPECT_EQ(plain, clustersOf([&](const std::string& d) {
              // An ignored field of 1 MB after a score, a record padded to 1 MB.
              writeFile(d + "/aa-bb.evals", "aa1 bb1 5 " + mega + "\naa2 bb2 3\naa3 bb3 1" + blanks + "\naa4 bb3 2\n");
              writeFile(d + "/aa.tab", "INTERACTOR_A INTERACTOR_B\naa1 aa2" + blanks + "\naa2 aa3\naa3 aa4\n");
            }));
}

TEST(AcceptedInputE2E, ASpeciesListedTwiceIsReadTwiceAndTheRunGoesThrough) {
  std::string err;
  const std::string clusters =
      clustersOf([](const std::string& d) { writeFile(d + "/data.in", ". - 3 bb aa bb\n"); }, &err);
  EXPECT_FALSE(clusters.empty());
  // Every pair file with bb is opened twice, as the loader's loops say.
  size_t count = 0;
  for (size_t p = err.find("blast file: ./aa-bb.evals\n"); p != std::string::npos;
       p = err.find("blast file: ./aa-bb.evals\n", p + 1))
    ++count;
  EXPECT_EQ(2u, count) << err;
}

// ---------------------------------------------------------------------------
// Output files: a failed write or a killed run never leaves a partial file
// under the real name, and an earlier file stays as it was.

TEST(OutputFileE2E, AMatchScoreWriteFailureKeepsTheEarlierFileAndTheRunGoesOn) {
  const std::string dir = familyDataSet(300, 1500, 1500);
  writeFile(dir + "/tmp_match-score.txt", "earlier\n");
  ChildSetup setup;
  setup.fileSize = 128 << 10;  // the match-score file is larger; the others fit
  setup.ignoreFileSizeSignal = true;  // writes fail with EFBIG as on a full disk
  Outcome r = runWith({"data.in"}, dir, setup);
  EXPECT_EQ(0, r.exitCode) << r.err.substr(0, 2000);
  EXPECT_NE(std::string::npos,
            r.err.find("Warning: could not write all of match-score file tmp_match-score.txt\n"));
  EXPECT_EQ("earlier\n", readFile(dir + "/tmp_match-score.txt"));
  EXPECT_TRUE(testutil::fileExists(dir + "/tmp_output_cluster.txt"));
  for (const auto& e : fs::directory_iterator(dir))
    EXPECT_EQ(std::string::npos, e.path().filename().string().find("partial")) << e.path();
}

TEST(OutputFileE2E, ARunKilledWhileWritingMatchScoresLeavesOnlyANamedTemporary) {
  const std::string dir = familyDataSet(300, 1500, 1500);
  writeFile(dir + "/tmp_match-score.txt", "earlier\n");
  writeFile(dir + "/tmp_output_cluster.txt", "earlier clusters\n");
  const auto before = snapshot(dir);
  ChildSetup setup;
  setup.fileSize = 128 << 10;  // crossing it kills the process with SIGXFSZ mid-write
  Outcome r = runWith({"data.in"}, dir, setup);
  EXPECT_EQ(SIGXFSZ, r.signal) << r.err.substr(0, 2000);
  EXPECT_EQ("earlier\n", readFile(dir + "/tmp_match-score.txt"));
  auto after = snapshot(dir);
  const std::string leftover = "tmp_match-score.txt.partial-" + std::to_string(r.pid);
  ASSERT_EQ(1u, after.count(leftover));
  // It holds the head of the new scores, never more than the limit allowed.
  EXPECT_GT(after[leftover].size(), 0u);
  EXPECT_LE(after[leftover].size(), size_t(128) << 10);
  after.erase(leftover);
  EXPECT_EQ(before, after);
}

// ---------------------------------------------------------------------------
// Out of memory: with a lowered address-space limit a family-sized run stops
// with "Error: out of memory", exit status 1, and no output file.

TEST(OutOfMemoryE2E, AFamilySizedRunUnderALowLimitSaysOutOfMemory) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the address sanitizer reserves more address space than the limit";
#else
  const std::string dir = familyDataSet(3000, 15000, 25000);
  writeFile(dir + "/tmp_output_cluster.txt", "earlier clusters\n");
  const auto before = snapshot(dir);
  ChildSetup setup;
  setup.addressSpace = rlim_t(128) << 20;
  Outcome r = runWith({"data.in"}, dir, setup);
  EXPECT_EQ(0, r.signal);
  EXPECT_EQ(1, r.exitCode);
  const auto errLines = lines(r.err);
  ASSERT_FALSE(errLines.empty());
  EXPECT_EQ("Error: out of memory", errLines.back());
  EXPECT_EQ(before, snapshot(dir));
#endif
}

TEST(OutOfMemoryE2E, SweepThreadsThatCannotStartLeaveTheSweepToOneThreadWithTheSameResult) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the address sanitizer reserves more address space than the limit";
#else
  // Large enough for the sweep to use threads.
  const std::string dir = familyDataSet(1000, 5000, 5000);
  const std::string plainDir = dir + "/../plain";
  fs::create_directory(plainDir);
  for (const auto& e : fs::directory_iterator(dir)) fs::copy(e.path(), plainDir);
  Outcome plain = runWith({"data.in"}, plainDir);
  ASSERT_EQ(0, plain.exitCode) << plain.err.substr(0, 2000);
  // Threads take the stack limit as their stack size: 2 GiB each cannot be
  // had under a 1.5 GiB address-space limit, the data itself fits.
  ChildSetup setup;
  setup.stackSize = rlim_t(2) << 30;
  setup.addressSpace = rlim_t(1536) << 20;
  Outcome r = runWith({"data.in"}, dir, setup);
  ASSERT_EQ(0, r.exitCode) << r.err.substr(0, 2000);
  std::string withoutWarnings;
  int warnings = 0;
  for (const auto& line : lines(r.err)) {
    if (line.rfind("Warning: cannot start sweep threads (", 0) == 0 &&
        line.find("); sweeping in one thread") != std::string::npos) {
      ++warnings;
      continue;
    }
    withoutWarnings += line + "\n";
  }
  EXPECT_GT(warnings, 0) << "the sweep threads started after all";
  EXPECT_EQ(plain.err, withoutWarnings);
  EXPECT_EQ(plain.out, r.out);
  for (const char* f : {"tmp_match-score.txt", "tmp_output_cluster.txt", "stars_aa.txt", "stars_bb.txt"})
    EXPECT_EQ(readFile(plainDir + "/" + f), readFile(dir + "/" + f)) << f;
#endif
}

}  // namespace
