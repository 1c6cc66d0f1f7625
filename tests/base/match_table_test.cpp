// The score table of a run against the map of the same scores: every lookup,
// partner walk, written line and file read must agree to the bit.
#include "base/match_table.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <random>

#include "align/match_scores.h"
#include "cluster/records.h"
#include "io/match_score_reader.h"
#include "test_util.h"

namespace {

bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Three species whose identifiers interleave in sorted order, so that the
// order of keys mixes species: a protein of "s1" can sort before one of "s0".
struct Roster {
  VecStr idList;
  Str2Str id2sp;
  Str2Int id2idx;
  ProteinIndex proteins;
  explicit Roster(int perSpecies) {
    for (int k = 0; k < perSpecies; ++k)
      for (int s = 0; s < 3; ++s) {
        const std::string id = "p" + std::to_string(k * 7 % 13) + "_" + std::to_string(k) + "s" +
                               std::to_string(s);
        id2sp[id] = "s" + std::to_string(s);
      }
    for (const auto& e : id2sp) idList.push_back(e.first);
    for (size_t i = 0; i < idList.size(); ++i) id2idx[idList[i]] = (int)i;
    proteins = makeProteinIndex((int)idList.size(), id2idx, id2sp);
  }
};

double randomValue(std::mt19937& rng) {
  switch (rng() % 6) {
    case 0: return 0.0;
    case 1: return -0.0;
    case 2: return -std::ldexp((double)(rng() % 1000 + 1), -12);
    default: return std::ldexp((double)(rng() % 100000 + 1), -20);
  }
}

// Computed scores: one dense vector per species pair, keyed (row species
// protein, column species protein), in both a table and a map.
// With asRows, each pair's scores reach the table as compressed rows.
void fillComputed(const Roster& r, double fill, std::mt19937& rng, MatchScoreTable& table,
                  StrPair2Dbl& map, bool asRows = false) {
  for (int a = 0; a < 3; ++a)
    for (int b = a + 1; b < 3; ++b) {
      const VecInt& rows = r.proteins.proteinsOf[a];
      const VecInt& cols = r.proteins.proteinsOf[b];
      std::vector<double> values(rows.size() * cols.size(), 0.0);
      long count = 0;
      for (size_t i = 0; i < rows.size(); ++i)
        for (size_t j = 0; j < cols.size(); ++j) {
          if (std::uniform_real_distribution<double>(0, 1)(rng) >= fill) continue;
          double v = randomValue(rng);
          if (v == 0.0) v = 1e-6;  // the iteration never keeps a zero
          values[i * cols.size() + j] = v;
          map[StrPair(r.idList[rows[i]], r.idList[cols[j]])] = v;
          ++count;
        }
      if (!asRows) {
        table.putDense(a, b, std::move(values), count);
        continue;
      }
      std::vector<long> rowStart(1, 0);
      std::vector<int> colOf;
      std::vector<double> vals;
      for (size_t i = 0; i < rows.size(); ++i) {
        for (size_t j = 0; j < cols.size(); ++j)
          if (values[i * cols.size() + j] != 0.0) {
            colOf.push_back((int)j);
            vals.push_back(values[i * cols.size() + j]);
          }
        rowStart.push_back((long)colOf.size());
      }
      table.putRows(a, b, std::move(rowStart), std::move(colOf), std::move(vals));
    }
}

void expectSameScores(const Roster& r, const MatchScoreTable& table, const StrPair2Dbl& map) {
  const int N = (int)r.idList.size();
  for (int a = 0; a < N; ++a)
    for (int b = 0; b < N; ++b) {
      const double expected = getScore(r.idList[a], r.idList[b], map);
      ASSERT_TRUE(sameBits(expected, table.score(a, b)))
          << r.idList[a] << " " << r.idList[b] << ": " << expected << " vs " << table.score(a, b);
    }
  // Partners: exactly the positive scores, ascending within each species.
  for (int p = 0; p < N; ++p) {
    std::vector<std::vector<int>> seen(3);
    table.forEachPartner(p, [&](int q, double s) {
      EXPECT_TRUE(sameBits(s, table.score(p, q)));
      EXPECT_GT(s, 0);
      seen[r.proteins.speciesOf[q]].push_back(q);
    });
    for (int t = 0; t < 3; ++t) {
      std::vector<int> expected;
      for (int q : r.proteins.proteinsOf[t])
        if (table.score(p, q) > 0) expected.push_back(q);
      EXPECT_EQ(expected, seen[t]) << "partners of " << r.idList[p] << " in species " << t;
    }
  }
  // The same lists, in the same order per protein and species, species-wide.
  for (int s = 0; s < 3; ++s) {
    std::vector<std::vector<std::pair<int, double>>> bySpecies(N * 3), one(N * 3);
    table.forEachPartnerOfSpecies(s, [&](int p, int q, double v) {
      ASSERT_EQ(s, r.proteins.speciesOf[p]);
      bySpecies[p * 3 + r.proteins.speciesOf[q]].emplace_back(q, v);
    });
    for (int p : r.proteins.proteinsOf[s])
      table.forEachPartner(p, [&](int q, double v) { one[p * 3 + r.proteins.speciesOf[q]].emplace_back(q, v); });
    EXPECT_EQ(one, bySpecies) << "species " << s;
  }
}

// The match-score files written from the map and from the table.
std::pair<std::string, std::string> writtenFiles(const Roster& r, const MatchScoreTable& table,
                                                 const StrPair2Dbl& map) {
  const std::string dir = testutil::makeTempDir();
  writeOutScores(map, dir + "/map.txt");
  writeOutScores(table, r.idList, dir + "/table.txt");
  std::pair<std::string, std::string> files{testutil::readFile(dir + "/map.txt"),
                                            testutil::readFile(dir + "/table.txt")};
  std::filesystem::remove_all(dir);
  return files;
}

// Rows of 12 cells start and end inside the packed form's 64-bit words.
TEST(MatchScoreTable, ComputedScoresDensePackedOrSparseMatchTheMap) {
  for (bool asRows : {false, true})
  for (double fill : {1.0, 0.5, 0.05}) {  // dense, packed, sparse blocks
    SCOPED_TRACE(std::to_string(fill) + (asRows ? " as rows" : ""));
    std::mt19937 rng(7);
    Roster r(12);
    MatchScoreTable table(r.proteins, MatchScoreTable::RowSpeciesFirst);
    StrPair2Dbl map;
    fillComputed(r, fill, rng, table, map, asRows);
    EXPECT_EQ((long)map.size(), table.size());
    EXPECT_EQ(fill == 1.0, table.block(0, 1)->dense);
    EXPECT_EQ(fill == 0.5, table.block(0, 1)->packed);
    expectSameScores(r, table, map);

    // The written file is the map's, line for line.
    const auto files = writtenFiles(r, table, map);
    EXPECT_EQ(files.first, files.second);
  }
}

// The dense table is large enough that rows go to the file in many chunks,
// more than the formatting threads have slots for, so every slot is reused;
// the sparse one is small enough to be formatted by the writing thread alone.
TEST(MatchScoreTable, LargeTableIsWrittenInTheMapsOrderAcrossManyChunks) {
  for (double fill : {1.0, 0.6, 0.05}) {
    SCOPED_TRACE(fill);
    std::mt19937 rng(3);
    Roster r(400);
    MatchScoreTable table(r.proteins, MatchScoreTable::RowSpeciesFirst);
    StrPair2Dbl map;
    fillComputed(r, fill, rng, table, map);
    const auto files = writtenFiles(r, table, map);
    EXPECT_GT(files.first.size(), fill == 1.0 ? 4000000u : 200000u);
    EXPECT_TRUE(files.first == files.second);
  }
}

TEST(MatchScoreTable, ReadScoresMatchTheMapReaderWithRepeatsBothOrdersAndSameSpecies) {
  for (int lines : {40, 2000}) {  // sparse blocks; blocks that turn dense while reading
    SCOPED_TRACE(lines);
    std::mt19937 rng(11);
    Roster r(10);
    std::string text;
    const int N = (int)r.idList.size();
    for (int k = 0; k < lines; ++k) {
      const int a = rng() % N, b = rng() % N;  // same species and self pairs included
      char v[64];
      std::snprintf(v, sizeof v, "%.17g", randomValue(rng));
      text += r.idList[a] + " " + r.idList[b] + " " + v + "\n";
    }
    const std::string dir = testutil::makeTempDir();
    testutil::writeFile(dir + "/scores.txt", text);
    StrPair2Dbl map;
    MatchScoreTable table(r.proteins, MatchScoreTable::SmallerFirst);
    EXPECT_EQ(readMatchScoreFile(dir + "/scores.txt", r.idList, map),
              readMatchScoreFile(dir + "/scores.txt", r.idList, table));
    if (lines > 1000) {
      EXPECT_TRUE(table.block(0, 1)->dense);
    }
    expectSameScores(r, table, map);
  }
}

TEST(MatchScoreTable, ALaterScoreOfAPairReplacesTheEarlierInEitherOrder) {
  Roster r(3);
  MatchScoreTable table(r.proteins, MatchScoreTable::SmallerFirst);
  const int a = r.proteins.proteinsOf[0][1], b = r.proteins.proteinsOf[2][0];
  table.set(a, b, 0.25);
  table.set(b, a, 0.5);
  table.set(a, b, 0.75);
  table.finish();
  EXPECT_EQ(1, table.size());
  EXPECT_EQ(0.75, table.score(b, a));
  EXPECT_EQ(0.0, table.score(a, r.proteins.proteinsOf[1][0]));
}

TEST(MatchScoreTable, APairRecomputedReplacesItsBlock) {
  Roster r(4);
  MatchScoreTable table(r.proteins, MatchScoreTable::RowSpeciesFirst);
  table.putDense(0, 2, std::vector<double>(16, 0.5), 16);
  std::vector<double> second(16, 0.0);
  second[5] = 0.125;
  table.putDense(0, 2, std::move(second), 1);
  EXPECT_EQ(1, table.size());
  EXPECT_FALSE(table.block(0, 2)->dense);
  const int a = r.proteins.proteinsOf[0][1], b = r.proteins.proteinsOf[2][1];
  EXPECT_EQ(0.125, table.score(a, b));
  EXPECT_EQ(0.0, table.score(a, r.proteins.proteinsOf[2][0]));
}

}  // namespace
