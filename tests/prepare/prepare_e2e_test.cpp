// End-to-end runs of trivanex-prepare. The data of tests/data/prepare/formats
// holds one species per network format (fly: weighted edge list with a header,
// a reversed repeat and a self-interaction; hs: BioGRID TAB3 with a repeat, a
// genetic record, a mouse partner, a '-' accession and 'P4|P4B'; sc: STRING
// links, each twice, two under --min-score; ce: PSI-MI TAB with a genetic
// record and a repeat) and one hit table (a pair on three lines, both
// directions, a self-hit, unknown identifiers, sp|/tr| identifiers). Its
// folder is compared byte for byte with tests/data/prepare/expected.
#include <gtest/gtest.h>
#include <zlib.h>

#include <filesystem>
#include <string>
#include <vector>

#include "test_util.h"

namespace {

namespace fs = std::filesystem;
using testutil::readFile;
using testutil::RunResult;
using testutil::writeFile;

const std::string kFormats = testutil::dataDir() + "/prepare/formats";
const std::string kExpected = testutil::dataDir() + "/prepare/expected";

RunResult prepare(const std::vector<std::string>& args, const std::string& workDir) {
  return testutil::runProgram(TRIVANEX_PREPARE_EXE, args, workDir);
}

// Output without the run-cost forecast that closes the summary and --check
// (tests/forecast/ checks the block).
std::string withoutForecast(const std::string& err) { return err.substr(0, err.find("run-cost forecast")); }

void gzipFile(const std::string& from, const std::string& to) {
  const std::string text = readFile(from);
  gzFile out = gzopen(to.c_str(), "wb");
  ASSERT_NE(out, nullptr);
  ASSERT_EQ(gzwrite(out, text.data(), static_cast<unsigned>(text.size())), static_cast<int>(text.size()));
  ASSERT_EQ(gzclose(out), Z_OK);
}

class PrepareTest : public ::testing::Test {
 protected:
  void SetUp() override { dir_ = testutil::makeTempDir(); }
  void TearDown() override { fs::remove_all(dir_); }

  // The four species and the hits, from `folder`, with names ending in `ext`.
  std::vector<std::string> formatArgs(const std::string& folder, const std::string& ext,
                                      const std::string& out) {
    return {"--out", out, "--species", "fly=" + folder + "/fly.edges" + ext,
            "--species", "hs=" + folder + "/hs.tab3.txt" + ext,
            "--species", "sc=" + folder + "/sc.links.txt" + ext,
            "--species", "ce=" + folder + "/ce.mitab" + ext,
            "--hits", folder + "/hits.m8" + ext, "--taxon", "hs=9606", "--min-score", "400"};
  }

  void expectFolder(const std::string& out) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(kExpected)) names.push_back(e.path().filename());
    ASSERT_EQ(names.size(), 15u);  // 4 networks, 10 pair files, the summary
    for (const std::string& name : names) EXPECT_EQ(readFile(out + "/" + name), readFile(kExpected + "/" + name)) << name;
    EXPECT_EQ(readFile(out + "/data.in"), out + " -\n4 ce fly hs sc\n");
    size_t files = 0;
    for (const auto& e : fs::directory_iterator(out)) files += e.is_regular_file();
    EXPECT_EQ(files, 16u);  // nothing else, no temporary left
  }

  // A refused input: one error line, exit 1, no data.in.
  void expectRefusal(const std::vector<std::string>& args, const std::string& message) {
    SCOPED_TRACE(message);
    const RunResult r = prepare(args, dir_);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "Error: " + message + "\n");
    EXPECT_FALSE(testutil::fileExists(dir_ + "/out/data.in"));
  }

  std::string dir_;
};

TEST_F(PrepareTest, EachFormatGivesTheExpectedFolderPlainOrGzipped) {
  const RunResult plain = prepare(formatArgs(kFormats, "", dir_ + "/plain"), dir_);
  ASSERT_EQ(plain.exitCode, 0) << plain.err;
  expectFolder(dir_ + "/plain");
  EXPECT_NE(plain.err.find("hits: 10 lines read, 5 pairs kept; 2 repeats"), std::string::npos) << plain.err;

  // The same inputs gzipped, under names that do not say so.
  fs::create_directory(dir_ + "/gz");
  for (const char* name : {"fly.edges", "hs.tab3.txt", "sc.links.txt", "ce.mitab", "hits.m8"})
    gzipFile(kFormats + "/" + name, dir_ + "/gz/" + name + ".dat");
  const RunResult gz = prepare(formatArgs(dir_ + "/gz", ".dat", "gzout"), dir_);
  ASSERT_EQ(gz.exitCode, 0) << gz.err;
  expectFolder(fs::canonical(dir_ + "/gzout"));

  // trivanex reads the folder from any working directory.
  fs::create_directory(dir_ + "/run");
  const RunResult run = testutil::runTrivanex({dir_ + "/plain/data.in"}, dir_ + "/run");
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_TRUE(testutil::fileExists(dir_ + "/run/tmp_output_cluster.txt"));
  // Only what the data lacks: two pairs of species without a hit.
  const RunResult check = prepare({"--check", dir_ + "/plain/data.in"}, dir_);
  EXPECT_EQ(check.exitCode, 0);
  const std::string d = dir_ + "/plain/";
  EXPECT_EQ(withoutForecast(check.err), "Warning: " + d + "ce-hs.evals: no score between ce and hs: no protein of one can be "
                       "matched to the other by sequence\nWarning: " + d + "fly-sc.evals: no score between "
                       "fly and sc: no protein of one can be matched to the other by sequence\nchecked " + d +
                       "data.in: 4 species, 10 pair files, 2 warnings\n");
}

TEST_F(PrepareTest, SharedIdentifiersNeedPrefixes) {
  writeFile(dir_ + "/a.txt", "X1 X2\nX2 X3\n");
  writeFile(dir_ + "/b.txt", "Y1 X2\n");
  writeFile(dir_ + "/hits", "X1 Y1 9\nb|X2 a|X3 8\nX2 Y1 7\n");
  const std::vector<std::string> args = {"--out", "out", "--species", "a=a.txt", "--species", "b=b.txt",
                                         "--hits", "hits", "--score-column", "3"};
  expectRefusal(args, "b.txt line 1: 'X2' is also a protein of a (a.txt); identifiers must be unique "
                      "across species: --prefix-ids prefixes every identifier with 'CODE|'");
  std::vector<std::string> prefixed = args;
  prefixed.push_back("--prefix-ids");
  const RunResult r = prepare(prefixed, dir_);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(readFile(dir_ + "/out/a.tab"), "INTERACTOR_A INTERACTOR_B\na|X1 a|X2\na|X2 a|X3\n");
  EXPECT_EQ(readFile(dir_ + "/out/b.tab"), "INTERACTOR_A INTERACTOR_B\nb|X2 b|Y1\n");
  // "X2" alone could be either species' protein: dropped, and counted.
  EXPECT_EQ(readFile(dir_ + "/out/a-b.evals"), "a|X1 b|Y1 9\na|X3 b|X2 8\n");
  EXPECT_NE(r.err.find("dropped 0 naming a protein of no species, 1 naming an identifier of several species"),
            std::string::npos) << r.err;
}

// SIF (a relation in the middle, several targets, a lone node) and a trivanex
// network file given back as input are recognised from their first lines.
TEST_F(PrepareTest, SifAndTrivanexNetworksAreRecognised) {
  writeFile(dir_ + "/a.sif", "A1 pp A3 A2\nA4\nA2 pd A1\n");
  writeFile(dir_ + "/b.tab", "INTERACTOR_A INTERACTOR_B CONF_VAL\nB2 B1 0.25\n");
  writeFile(dir_ + "/hits", "A1 B1 7\n");
  const RunResult r = prepare({"--out", "out", "--species", "a=a.sif", "--species", "b=b.tab", "--hits", "hits",
                               "--score-column", "3"}, dir_);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(readFile(dir_ + "/out/a.tab"), "INTERACTOR_A INTERACTOR_B\nA1 A2\nA1 A3\n");
  EXPECT_EQ(readFile(dir_ + "/out/b.tab"), "INTERACTOR_A INTERACTOR_B CONF_VAL\nB1 B2 0.25\n");
  EXPECT_NE(r.err.find("species a: SIF a.sif\n  3 proteins, 2 interactions; removed 0 self-interactions, 1 repeats"),
            std::string::npos) << r.err;
}

TEST_F(PrepareTest, RefusedInputsNameFileAndLine) {
  writeFile(dir_ + "/a.txt", "A1 A2\nA2 A3\n");
  writeFile(dir_ + "/b.txt", "B1 B2 0.5\nB2 B3 0.7 x\n");
  writeFile(dir_ + "/hits", "A1\tB1\t50\nA2\tB2\tn/a\n");
  auto args = [](const std::string& b, const std::string& hits) {
    return std::vector<std::string>{"--out", "out", "--species", "a=a.txt", "--species", "b=" + b,
                                    "--hits", hits, "--score-column", "3"};
  };
  expectRefusal(args("b.txt", "hits"), "b.txt line 2: 4 fields where the first edge had 3");
  writeFile(dir_ + "/b.txt", "B1 B2 0.5\nB2 B3 1.5\n");
  expectRefusal(args("b.txt", "hits"), "b.txt line 2: the weight '1.5' is outside 0 to 1");
  writeFile(dir_ + "/b.txt", "B1 B2\n");
  expectRefusal(args("b.txt", "hits"),
                "hits line 2: column 3 holds 'n/a', not a number (--score-column names the score column)");
  writeFile(dir_ + "/hits", "A1\tB1\t50\n");
  std::vector<std::string> twelve = args("b.txt", "hits");
  twelve.resize(twelve.size() - 2);
  expectRefusal(twelve, "hits line 1: 3 fields; the score is column 12 (a BLAST or DIAMOND table in "
                        "-outfmt 6 has 12; --score-column names another)");

  // A gzip file cut short is never taken for a shorter table.
  std::string many;
  for (int i = 0; i < 3000; ++i) many += "A1\tB1\t" + std::to_string(i) + "\n";
  writeFile(dir_ + "/many", many);
  gzipFile(dir_ + "/many", dir_ + "/many.gz");
  const std::string gz = readFile(dir_ + "/many.gz");
  writeFile(dir_ + "/cut.gz", gz.substr(0, gz.size() - 4));
  expectRefusal(args("b.txt", "cut.gz"), "cut.gz line 3001: the gzip data ends early (truncated file?); "
                                         "decompress it to see what is missing");

  writeFile(dir_ + "/s.txt", "protein1 protein2 combined_score\nS1 S2 300\nS2 S1 300\nS3 S3 900\n");
  std::vector<std::string> strict = args("s.txt", "hits");
  strict.insert(strict.end(), {"--min-score", "400"});
  expectRefusal(strict,
                "s.txt line 4: no interaction left after filtering (3 records; 0 with a partner of another "
                "taxon, 0 not physical, 0 without an identifier, 2 below --min-score, 1 self-interactions)");

  fs::copy_file(kFormats + "/hs.tab3.txt", dir_ + "/h.tab3");
  expectRefusal(args("h.tab3", "hits"), "h.tab3 line 7: partners of several taxa (taxon: partners) 9606: 7, "
                                        "10090: 1; name the species' taxon with --taxon CODE=TAXID");
}

}  // namespace

namespace {

TEST_F(PrepareTest, VersionHelpAndUnknownOptions) {
  EXPECT_EQ(prepare({"--version"}, dir_).out, std::string("trivanex-prepare ") + TRIVANEX_VERSION + "\n");
  const RunResult help = prepare({"--help"}, dir_);
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_EQ(help.out.rfind("Usage: trivanex-prepare --out DIR", 0), 0u);
  expectRefusal({"--species", "a"}, "--species expects CODE=VALUE, not 'a' (trivanex-prepare --help shows the usage)");
  expectRefusal({"--out", "out", "--species", "a-b=x", "--hits", "h"},
                "species code 'a-b' must be non-empty, without '-', '/', '=', '|' or blanks (it names files A-B.evals)");
}

// --check on a folder with the mistakes trivanex accepts without a word: a
// pair file named with the codes the other way round, a raw 12-column search
// table as a pair file (its third column, percent identity, read as the
// score), e-values, a pair given twice with different scores, an identifier
// no network names.
TEST_F(PrepareTest, CheckWarnsAboutSilentMistakes) {
  fs::create_directory(dir_ + "/d");
  writeFile(dir_ + "/data.in", "d -\n2 b a\n");
  writeFile(dir_ + "/d/a.tab", "INTERACTOR_A INTERACTOR_B\nA1 A2\nA2 A3\n");
  writeFile(dir_ + "/d/b.tab", "INTERACTOR_A INTERACTOR_B CONF_VAL\nB1 B2 0.5\n");
  writeFile(dir_ + "/d/b-a.evals", "B1 A1 50\n");
  writeFile(dir_ + "/d/a-a.evals",
            "A1\tA2\t87.5\t100\t12\t0\t1\t100\t1\t100\t1e-30\t180.2\n"
            "A2\tA3\t100.0\t90\t0\t0\t1\t90\t1\t90\t1e-40\t210.0\n");
  writeFile(dir_ + "/d/b-b.evals", "B1 B2 1e-5\nB2 B1 3e-7\nB1 B9 0.5\n");
  const std::string before = readFile(dir_ + "/d/a-a.evals");

  const RunResult r = prepare({"--check", "data.in"}, dir_);
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(withoutForecast(r.err),
            "Warning: d/a-a.evals line 1: 2 lines with more than 3 fields: trivanex reads 'id_A id_B score' "
            "and ignores the rest, so a raw BLAST or DIAMOND table (-outfmt 6) is read with its percent "
            "identity as the score; build the file with trivanex-prepare --hits, which takes the bit score\n"
            "Warning: d/a-a.evals: every score lies in [0, 100] and the largest is 100: percent identities? "
            "use bit scores\n"
            "Warning: d/a-b.evals: missing, but d/b-a.evals exists: trivanex reads only a-b, the codes in "
            "sorted order, and takes the missing file as empty; rename it\n"
            "Warning: d/a-b.evals: no score between a and b: no protein of one can be matched to the other "
            "by sequence\n"
            "Warning: d/b-b.evals line 1: 2 scores written with an exponent: e-values? trivanex takes a "
            "larger score as more similar; use bit scores\n"
            "Warning: d/b-b.evals line 3: 1 identifiers that no network names\n"
            "Warning: d/b-b.evals line 2: 1 pairs given again with a different score: trivanex keeps the "
            "last line's, whatever its size; trivanex-prepare keeps the largest\n"
            "checked data.in: 2 species, 2 pair files, 7 warnings\n");
  EXPECT_EQ(prepare({"--check", "data.in", "--strict"}, dir_).exitCode, 1);
  EXPECT_EQ(readFile(dir_ + "/d/a-a.evals"), before);
}

// Within-species pair files are optional: a folder without them, as many
// published families come, passes --strict, and the check says they are absent.
TEST_F(PrepareTest, CheckTakesMissingWithinSpeciesFilesAsAllowed) {
  writeFile(dir_ + "/data.in", ". - 2 a b\n");
  writeFile(dir_ + "/a.tab", "INTERACTOR_A INTERACTOR_B\nA1 A2\n");
  writeFile(dir_ + "/b.tab", "INTERACTOR_A INTERACTOR_B\nB1 B2\n");
  writeFile(dir_ + "/a-b.evals", "A1 B1 50\n");
  const RunResult r = prepare({"--check", "data.in", "--strict"}, dir_);
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(withoutForecast(r.err),
            "Note: ./a-a.evals: missing: no within-species scores for a, which is allowed\n"
            "Note: ./b-b.evals: missing: no within-species scores for b, which is allowed\n"
            "checked data.in: 2 species, 1 pair files, 0 warnings\n");
}

}  // namespace
