// Exact score files: every block form reads back as the same doubles, and a
// file that is cut short, foreign, damaged or of other data is refused with
// its name.
#include "exact/exact_scores.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <random>

#include "base/error.h"
#include "test_util.h"

namespace {

namespace fs = std::filesystem;

struct Fixture {
  ExactRoster roster;
  ProteinIndex proteins;
  std::string dir = testutil::makeTempDir();
  ~Fixture() { fs::remove_all(dir); }

  // Species x (40 proteins), y (30), z (20) and one protein of no species.
  Fixture() {
    for (const char* s : {"x", "y", "z"})
      for (int k = 0; k < (s[0] == 'x' ? 40 : s[0] == 'y' ? 30 : 20); ++k)
        roster.idList.push_back(std::string(s) + std::to_string(100 + k));
    roster.idList.push_back("zz_loose");
    roster.speciesNames = {"x", "y", "z"};
    for (const std::string& id : roster.idList)
      roster.speciesOf.push_back(id == "zz_loose" ? -1 : id[0] - 'x');
    proteins = proteinIndexOf(roster);
  }

  // x-y nearly full (dense), x-z half full (packed), y-z a few rows (sparse);
  // scores with bits beyond any printed digit, and a -0.0.
  void fill(MatchScoreTable& t) const {
    std::mt19937_64 rng(7);
    std::uniform_real_distribution<double> u(1e-9, 1e-3);
    std::vector<double> xy(40 * 30);
    for (double& v : xy) v = u(rng);
    xy[5] = 0.0;
    xy[6] = -0.0;
    t.putDense(0, 1, std::move(xy), 40 * 30 - 1);
    std::vector<double> xz(40 * 20, 0.0);
    long count = 0;
    for (size_t q = 0; q < xz.size(); q += 2) xz[q] = u(rng), ++count;
    t.putDense(0, 2, std::move(xz), count);
    std::vector<long> rowStart(31, 3);
    rowStart[0] = 0, rowStart[1] = 2, rowStart[2] = 2;
    t.putRows(1, 2, std::move(rowStart), {4, 19, 0}, {u(rng), u(rng), u(rng)});
  }
};

bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

std::string errorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const RunError& e) {
    return e.what();
  }
  return "no error";
}

TEST(ExactScores, EveryBlockFormReadsBackBitForBit) {
  Fixture f;
  MatchScoreTable written(f.proteins, MatchScoreTable::RowSpeciesFirst);
  f.fill(written);
  ASSERT_TRUE(written.block(0, 1)->dense);
  ASSERT_TRUE(written.block(0, 2)->packed);
  ASSERT_FALSE(written.block(1, 2)->dense || written.block(1, 2)->packed);
  writeExactScores(written, f.roster, f.dir + "/s.exact");
  EXPECT_TRUE(readExactRoster(f.dir + "/s.exact") == f.roster);

  MatchScoreTable read(f.proteins, MatchScoreTable::RowSpeciesFirst);
  EXPECT_EQ(3, readExactScores(f.dir + "/s.exact", f.roster, read));
  EXPECT_EQ(written.size(), read.size());
  const int n = (int)f.roster.idList.size();
  long compared = 0;
  for (int p = 0; p < n; ++p)
    for (int q = 0; q < n; ++q) {
      double a = 0, b = 0;
      const bool inA = written.stored(p, q, a), inB = read.stored(p, q, b);
      EXPECT_EQ(inA, inB) << p << " " << q;
      if (inA && inB) {
        EXPECT_TRUE(sameBits(a, b)) << p << " " << q;
        ++compared;
      }
    }
  EXPECT_EQ(written.size(), compared);
  double v;
  EXPECT_TRUE(read.stored(0, 46, v) && std::signbit(v));  // the -0.0 stays a score
}

TEST(ExactScores, RefusesCutForeignDamagedAndOtherDataFilesByName) {
  Fixture f;
  MatchScoreTable t(f.proteins, MatchScoreTable::RowSpeciesFirst);
  f.fill(t);
  const std::string good = f.dir + "/good.exact";
  writeExactScores(t, f.roster, good);
  const std::string bytes = testutil::readFile(good);
  auto readInto = [&](const std::string& name, const ExactRoster& roster) {
    return errorOf([&] {
      const ProteinIndex P = proteinIndexOf(roster);
      MatchScoreTable u(P, MatchScoreTable::RowSpeciesFirst);
      readExactScores(name, roster, u);
    });
  };
  for (size_t cut : {(size_t)5, (size_t)200, bytes.size() / 2, bytes.size() - 1}) {
    testutil::writeFile(f.dir + "/cut.exact", bytes.substr(0, cut));
    const std::string e = readInto(f.dir + "/cut.exact", f.roster);
    EXPECT_NE(std::string::npos, e.find(f.dir + "/cut.exact")) << e;
    EXPECT_NE(std::string::npos, e.find("truncated")) << cut << ": " << e;
  }
  testutil::writeFile(f.dir + "/text.exact", "x100 y100 0.5\n");
  EXPECT_EQ(f.dir + "/text.exact: not an exact score file (trivanex-pairs align --exact writes them)",
            readInto(f.dir + "/text.exact", f.roster));
  std::string flipped = bytes;
  flipped[bytes.size() - 100] ^= 1;  // inside the last scores
  testutil::writeFile(f.dir + "/flip.exact", flipped);
  EXPECT_EQ(f.dir + "/flip.exact: exact score file is damaged (checksum or layout)",
            readInto(f.dir + "/flip.exact", f.roster));
  testutil::writeFile(f.dir + "/long.exact", bytes + "x");
  EXPECT_NE(std::string::npos, readInto(f.dir + "/long.exact", f.roster).find("bytes after its end"));
  ExactRoster other = f.roster;
  other.idList[3] = "x103b";
  EXPECT_NE(std::string::npos, readInto(good, other).find("not those of this run's data"));
  // A merge takes each species pair from one file only.
  EXPECT_NE(std::string::npos, errorOf([&] {
              MatchScoreTable u(f.proteins, MatchScoreTable::RowSpeciesFirst);
              readExactScores(good, f.roster, u, true);
              readExactScores(good, f.roster, u, true);
            }).find("x-y are also in an earlier file"));
}

}  // namespace
