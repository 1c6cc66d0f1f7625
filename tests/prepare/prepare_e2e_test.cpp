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
  EXPECT_EQ(plain.err.rfind("Warning: species pair ce-hs: no hit between ce and hs, so no protein of one can be "
                            "matched to the other by sequence (2 hit lines reach no pair; the table per pair "
                            "below)\nWarning: species pair fly-sc: ", 0), 0u) << plain.err;

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
  EXPECT_EQ(check.err, "Warning: " + d + "ce-hs.evals: no score between ce and hs: no protein of one can be "
                       "matched to the other by sequence\nWarning: " + d + "fly-sc.evals: no score between "
                       "fly and sc: no protein of one can be matched to the other by sequence\nchecked " + d +
                       "data.in: 4 species, 10 pair files, 2 warnings\n");
}

// The outputs of a scenario folder under tests/data/prepare, byte for byte.
void expectScenarioFolder(const std::string& scenario, const std::string& out) {
  const std::string expected = testutil::dataDir() + "/prepare/" + scenario + "/expected";
  for (const auto& e : fs::directory_iterator(expected)) {
    const std::string name = e.path().filename();
    EXPECT_EQ(readFile(out + "/" + name), readFile(expected + "/" + name)) << scenario << ": " << name;
  }
}

// A hit table keyed by gene symbol against networks keyed by Entrez gene id
// (tests/data/prepare/idmap): nothing lands, which stops the run with what
// each side looks like; UniProt idmapping lines (GeneID and Gene_Name to the
// accession) and a BioMart-style alias file join them. CCT2 and CCT7 are
// symbols of both species, so they map to two accessions each; the alias
// TCP1B reaches the human CCT2 pair again with a larger score, which is kept.
TEST_F(PrepareTest, SymbolHitsMeetEntrezNetworksThroughAnIdMap) {
  const std::string data = testutil::dataDir() + "/prepare/idmap";
  const std::string out = dir_ + "/out";
  std::vector<std::string> args = {"--out", out, "--species", "hs=hs.edges", "--species", "sc=sc.edges",
                                   "--hits", "hits.m8"};
  const RunResult lost = prepare(args, data);
  EXPECT_EQ(lost.exitCode, 1);
  EXPECT_EQ(lost.err,
            "Error: hits.m8: none of its 8 lines names two proteins of the networks (8 naming a protein of no "
            "species, 0 an identifier of several species)\n"
            "  column 1 names 'YWHAB', 'YWHAE', 'YWHAG' (gene symbols?)\n"
            "  column 2 names 'BMH1', 'BMH2', 'CCT2' (gene symbols?)\n"
            "  the proteins of hs are named like '7529', '7531', '7532' (numbers: Entrez gene or BioGRID ids?)\n"
            "  the proteins of sc are named like '852423', '856524', '850504' (numbers: Entrez gene or BioGRID "
            "ids?)\n"
            "  remedies: --id-map FILE maps the table's identifiers to the networks' (UniProt idmapping, HGNC, "
            "HomoloGene or BioMart exports; see the README); --hits A,B=FILE says which species each column "
            "names, so a name that several species share still finds its protein\n");
  EXPECT_FALSE(testutil::fileExists(out + "/data.in"));

  args.insert(args.end(), {"--id-map", "idmapping.dat", "--id-map", "aliases.tsv"});
  const RunResult noType = prepare(args, data);
  EXPECT_EQ(noType.exitCode, 1);
  EXPECT_EQ(noType.err.rfind("Error: idmapping.dat line 1: a UniProt idmapping line (ACC, TYPE, ID); name the "
                             "TYPE of the identifiers to map to accessions with --id-type (this line's is "
                             "'UniProtKB-ID';", 0), 0u) << noType.err;

  args.insert(args.end(), {"--id-type", "GeneID", "--id-type", "Gene_Name"});
  const RunResult mapped = prepare(args, data);
  ASSERT_EQ(mapped.exitCode, 0) << mapped.err;
  expectScenarioFolder("idmap", out);
  for (const char* line : {"id map: hits.m8: 8 identifiers mapped (2 to several), 1 not in the map, kept as they are\n",
                           "  pair     lines kept no species several species self pairs written\n"
                           "  hs-hs        1    0          0               0    1             0\n"
                           "  hs-sc        6    6          0               0    0             5\n"
                           "  sc-sc        0    0          0               0    0             0\n"
                           "  unplaced     1    0          1               0    0             -\n"})
    EXPECT_NE(mapped.err.find(line), std::string::npos) << line << mapped.err;
  EXPECT_EQ(mapped.err.find("Warning"), std::string::npos) << mapped.err;
}

// An organism-wide export (tests/data/prepare/foreign): the human file holds
// a yeast gene as the partner of one human protein, the yeast file a human
// gene. The stop says so; --foreign majority leaves each to the network
// where it has most interactions; --fasta gives the same networks; --foreign
// drop loses both, and with them most of the hit table, which is a warning.
TEST_F(PrepareTest, ForeignProteinsOfOrganismExports) {
  const std::string data = testutil::dataDir() + "/prepare/foreign";
  const std::vector<std::string> args = {"--species", "hs=hs.edges", "--species", "sc=sc.edges",
                                         "--hits", "hits", "--score-column", "3"};
  auto run = [&](const std::string& out, std::vector<std::string> more) {
    more.insert(more.end(), {"--out", dir_ + "/" + out});
    more.insert(more.end(), args.begin(), args.end());
    return prepare(more, data);
  };
  const RunResult stop = run("stop", {});
  EXPECT_EQ(stop.exitCode, 1);
  EXPECT_EQ(stop.err,
            "Error: sc.edges line 5: '7531' is also a protein of hs (hs.edges line 1)\n"
            "  2 identifiers are in the networks of several species (with fewer interactions there than in "
            "another network: 1 in hs's, 1 in sc's). Organism-wide exports (BioGRID, IntAct) also list "
            "interactions with proteins of other species, which then sit in two networks.\n"
            "  remedies: --fasta CODE=FILE for the species (its proteins are then exactly its FASTA's; "
            "interactions naming others are dropped and counted); --foreign majority (each such identifier "
            "stays in the network where it has most interactions) or --foreign drop (interactions naming one "
            "are dropped); or the BioGRID TAB3 or PSI-MI TAB file with --taxon CODE=TAXID\n"
            "  only if the species really share names (gene symbols, say): --prefix-ids, with --hits A,B=FILE "
            "so that the hit tables say which species each column names\n");

  const RunResult majority = run("majority", {"--foreign", "majority"});
  ASSERT_EQ(majority.exitCode, 0) << majority.err;
  expectScenarioFolder("foreign", dir_ + "/majority");
  EXPECT_NE(majority.err.find("  records left out: 1 naming one of 1 foreign identifiers (--foreign)\n"),
            std::string::npos) << majority.err;

  const RunResult fasta = run("fasta", {"--fasta", "hs=hs.fa", "--fasta", "sc=sc.fa"});
  ASSERT_EQ(fasta.exitCode, 0) << fasta.err;
  for (const char* name : {"hs.tab", "sc.tab", "hs-sc.evals"})
    EXPECT_EQ(readFile(dir_ + "/fasta/" + name), readFile(dir_ + "/majority/" + name)) << name;
  EXPECT_NE(fasta.err.find("  records left out: 1 naming a protein outside its FASTA files\n"), std::string::npos)
      << fasta.err;

  const RunResult drop = run("drop", {"--foreign", "drop"});
  ASSERT_EQ(drop.exitCode, 0) << drop.err;
  EXPECT_EQ(readFile(dir_ + "/drop/hs.tab"), "INTERACTOR_A INTERACTOR_B\n7529 7532\n");
  EXPECT_EQ(readFile(dir_ + "/drop/sc.tab"), "INTERACTOR_A INTERACTOR_B\n850504 856524\n");
  EXPECT_EQ(drop.err.rfind("Warning: hits: 3 of its 4 lines dropped (3 naming a protein of no species, 0 an "
                           "identifier of several species)\n  column 1 names '7531' (numbers: Entrez gene or "
                           "BioGRID ids?)\n", 0), 0u) << drop.err;
}

// Networks keyed by gene symbol where both species use CCT2, CCT7 and ELP3
// (tests/data/prepare/samename): under --prefix-ids a plain table cannot say
// which column is which species and loses the same-name pairs, with a
// warning; --hits hs,sc=FILE keeps them. Names shared by FASTA files need
// --prefix-ids; a pair given an empty table stops the run.
TEST_F(PrepareTest, SameNameOrthologsNeedTablesThatKnowTheirSpecies) {
  const std::string data = testutil::dataDir() + "/prepare/samename";
  std::vector<std::string> args = {"--out", dir_ + "/out", "--species", "hs=hs.edges", "--species", "sc=sc.edges",
                                   "--score-column", "3", "--prefix-ids", "--hits"};
  args.push_back("hits");
  const RunResult plain = prepare(args, data);
  ASSERT_EQ(plain.exitCode, 0) << plain.err;
  EXPECT_EQ(plain.err.rfind("Warning: hits: 3 of its 4 lines dropped (0 naming a protein of no species, 3 an "
                            "identifier of several species)\n  column 1 names 'CCT2', 'CCT7', 'ELP3' (gene "
                            "symbols?)\n", 0), 0u) << plain.err;
  EXPECT_EQ(readFile(dir_ + "/out/hs-sc.evals"), "hs|YWHAB sc|BMH1 400\n");

  args.back() = "hs,sc=hits";
  const RunResult declared = prepare(args, data);
  ASSERT_EQ(declared.exitCode, 0) << declared.err;
  EXPECT_EQ(declared.err.find("Warning"), std::string::npos) << declared.err;
  expectScenarioFolder("samename", dir_ + "/out");

  writeFile(dir_ + "/empty", "");
  args.insert(args.end(), {"--hits", "sc,sc=" + dir_ + "/empty"});
  const RunResult empty = prepare(args, data);
  EXPECT_EQ(empty.exitCode, 1);
  EXPECT_EQ(empty.err, "Error: " + dir_ + "/empty: the species pair sc-sc was given hits (--hits sc,sc=...) and "
                       "ends with none: 0 lines read, 0 naming a protein of no species, 0 an identifier of several "
                       "species, 0 of a protein with itself; an empty search result, or the table of another pair?\n");

  writeFile(dir_ + "/hs.fa", ">CCT2\nM\n>CCT7\nM\n>YWHAB\nM\n>ELP3\nM\n");
  writeFile(dir_ + "/sc.fa", ">BMH1\nM\n>CCT2\nM\n>CCT7\nM\n>ELP3\nM\n");
  const RunResult shared = prepare({"--out", dir_ + "/out2", "--species", "hs=hs.edges", "--species", "sc=sc.edges",
                                    "--fasta", "hs=" + dir_ + "/hs.fa", "--fasta", "sc=" + dir_ + "/sc.fa",
                                    "--hits", "hs,sc=hits", "--score-column", "3"}, data);
  EXPECT_EQ(shared.exitCode, 1);
  EXPECT_EQ(shared.err.substr(0, shared.err.find('\n')),
            "Error: sc.edges line 1: 'CCT2' is also a protein of hs (hs.edges line 1)");
  EXPECT_NE(shared.err.find("  3 identifiers are proteins of several species"), std::string::npos) << shared.err;
}

TEST_F(PrepareTest, SharedIdentifiersNeedPrefixes) {
  writeFile(dir_ + "/a.txt", "X1 X2\nX2 X3\n");
  writeFile(dir_ + "/b.txt", "Y1 X2\n");
  writeFile(dir_ + "/hits", "X1 Y1 9\nb|X2 a|X3 8\nX2 Y1 7\n");
  const std::vector<std::string> args = {"--out", "out", "--species", "a=a.txt", "--species", "b=b.txt",
                                         "--hits", "hits", "--score-column", "3"};
  const RunResult stop = prepare(args, dir_);
  EXPECT_EQ(stop.exitCode, 1);
  EXPECT_EQ(stop.err.substr(0, stop.err.find('\n')), "Error: b.txt line 1: 'X2' is also a protein of a (a.txt line 1)");
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
  EXPECT_EQ(r.err,
            "Warning: d/a-a.evals line 1: 2 lines with more than 3 fields: trivanex reads 'id_A id_B score' "
            "and ignores the rest, so a raw BLAST or DIAMOND table (-outfmt 6) is read with its percent "
            "identity as the score; build the file with trivanex-prepare --hits, which takes the bit score\n"
            "Warning: d/a-a.evals: every score lies in [0, 100] and the largest is 100: percent identities? "
            "use bit scores\n"
            "Warning: d/a-b.evals: missing, but d/b-a.evals exists: trivanex reads only a-b, the codes in "
            "sorted order, and takes the missing file as empty; rename it\n"
            "Warning: d/a-b.evals: no score between a and b: no protein of one can be matched to the other "
            "by sequence\n"
            "Warning: d/b-b.evals: the scores look like e-values (0 of 3 exactly 0, 2 below 0.001, from 3e-07 "
            "to 0.5): trivanex takes a larger score as more similar, so the best pairs would count least; use "
            "bit scores\n"
            "Note: d/b-b.evals: 1 identifiers that no network names (proteins without interactions, which "
            "trivanex accepts)\n"
            "Warning: d/b-b.evals line 2: 1 pairs given again with a different score: trivanex keeps the "
            "last line's, whatever its size; trivanex-prepare keeps the largest\n"
            "checked data.in: 2 species, 2 pair files, 6 warnings\n");
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
  EXPECT_EQ(r.err,
            "Note: ./a-a.evals: missing: no within-species scores for a, which is allowed\n"
            "Note: ./b-b.evals: missing: no within-species scores for b, which is allowed\n"
            "checked data.in: 2 species, 1 pair files, 0 warnings\n");
}

// E-values (searches write 0 for the best) are told from similarities in
// [0, 1], where larger is better; the shipped example passes --strict.
TEST_F(PrepareTest, CheckTellsEValuesFromSimilarities) {
  writeFile(dir_ + "/data.in", ". - 2 a b\n");
  writeFile(dir_ + "/a.tab", "INTERACTOR_A INTERACTOR_B\nA1 A2\nA2 A3\n");
  writeFile(dir_ + "/b.tab", "INTERACTOR_A INTERACTOR_B\nB1 B2\nB2 B3\n");
  writeFile(dir_ + "/a-a.evals", "");
  writeFile(dir_ + "/b-b.evals", "");
  writeFile(dir_ + "/a-b.evals", "A1 B1 0.579\nA2 B2 0.31\nA3 B3 0.042\nA1 B3 1e-05\n");
  const RunResult similar = prepare({"--check", "data.in", "--strict"}, dir_);
  EXPECT_EQ(similar.exitCode, 0) << similar.err;
  EXPECT_EQ(similar.err, "checked data.in: 2 species, 3 pair files, 0 warnings\n");

  writeFile(dir_ + "/a-b.evals", "A1 B1 0.0\nA2 B2 2.1e-80\nA3 B3 0.0\nA1 B3 3.5e-4\nA2 B3 0.0012\n");
  const RunResult evalues = prepare({"--check", "data.in", "--strict"}, dir_);
  EXPECT_EQ(evalues.exitCode, 1);
  EXPECT_EQ(evalues.err, "Warning: ./a-b.evals: the scores look like e-values (2 of 5 exactly 0, 4 below 0.001, "
                         "from 0 to 0.0012): trivanex takes a larger score as more similar, so the best pairs would "
                         "count least; use bit scores\nchecked data.in: 2 species, 3 pair files, 1 warnings\n");

  const RunResult example = prepare({"--check", "src/data.in", "--strict"}, testutil::dataDir() + "/../..");
  EXPECT_EQ(example.exitCode, 0) << example.err;
}

}  // namespace
