// Turning score vectors into identifier pairs, the match-score file, and the
// comparison of two score maps.
#include <gtest/gtest.h>

#include <filesystem>
#include <iostream>

#include "align/match_scores.h"
#include "io/match_score_reader.h"
#include "test_util.h"

using testutil::readFile;
using testutil::writeFile;

namespace {
// A scratch folder removed at the end of the test.
struct TempDir {
  std::string path = testutil::makeTempDir();
  ~TempDir() { std::filesystem::remove_all(path); }
};
}  // namespace

TEST(MatchScores, KeysArePairsOfTheFirstAndTheSecondSpecies) {
  // idList sorted: y1 y2 z9. The first species holds z9, the second y1 and y2.
  const VecStr idList{"y1", "y2", "z9"};
  const VecInt sp1{2}, sp2{0, 1};
  VecBool bits{true, true};
  Hash_Int2Dbl vec{{0, 0.25}, {1, 0.75}};
  StrPair2Dbl scores{{{"k1", "k2"}, 3.0}};
  EXPECT_EQ(1, readMatchScores(idList, bits, vec, sp1, sp2, scores));
  EXPECT_EQ((StrPair2Dbl{{{"k1", "k2"}, 3.0}, {{"z9", "y1"}, 0.25}, {{"z9", "y2"}, 0.75}}), scores);

  // A later pair replaces the value of the same key and keeps the others.
  Hash_Int2Dbl again{{1, 0.5}};
  readMatchScores(idList, VecBool{false, true}, again, sp1, sp2, scores);
  EXPECT_EQ(0.5, (scores[{"z9", "y2"}]));
  EXPECT_EQ(3u, scores.size());

  // An empty vector adds nothing.
  readMatchScores(idList, VecBool{false, false}, Hash_Int2Dbl{}, sp1, sp2, scores);
  EXPECT_EQ(3u, scores.size());
}

TEST(MatchScores, SubscriptsFollowTheSecondSpeciesFastest) {
  // Three proteins of the first species (positions 0, 2, 4) and two of the second (1, 3).
  const VecStr idList{"a", "b", "c", "d", "e"};
  Hash_Int2Dbl vec{{1, 0.1}, {4, 0.2}, {5, 0.3}};
  VecBool bits{false, true, false, false, true, true};
  StrPair2Dbl scores;
  readMatchScores(idList, bits, vec, VecInt{0, 2, 4}, VecInt{1, 3}, scores);
  EXPECT_EQ((StrPair2Dbl{{{"a", "d"}, 0.1}, {{"e", "b"}, 0.2}, {{"e", "d"}, 0.3}}), scores);
}

TEST(MatchScores, FileIsSortedByKeyWithSixSignificantDigits) {
  TempDir tmp;
  const std::string& dir = tmp.path;
  StrPair2Dbl scores{
      {{"z9", "y1"}, 0.25},        {{"a10", "b1"}, 0.000012345678}, {{"a9", "b1"}, 1.0},
      {{"a2", "b1"}, 0.000123457}, {{"a2", "a3"}, 0.5000000},      {{"B", "c"}, 123456789.0},
      {{"a2", "b10"}, 2.0 / 3},    {{"a2", "b2"}, 1e-9},
  };
  const std::string file = dir + "/tmp_match-score.txt";
  writeFile(file, "old content that must go\nmore\nmore\nmore\nmore\nmore\n");
  writeOutScores(scores, file);
  EXPECT_EQ(
      "B c 1.23457e+08\n"
      "a10 b1 1.23457e-05\n"
      "a2 a3 0.5\n"
      "a2 b1 0.000123457\n"
      "a2 b10 0.666667\n"
      "a2 b2 1e-09\n"
      "a9 b1 1\n"
      "z9 y1 0.25\n",
      readFile(file));

  writeOutScores(StrPair2Dbl{}, file);
  EXPECT_EQ("", readFile(file));
}

TEST(MatchScores, UnwritableFileIsOnlyAWarning) {
  TempDir tmp;
  const std::string& dir = tmp.path;
  testing::internal::CaptureStderr();
  EXPECT_NO_THROW(writeOutScores(StrPair2Dbl{{{"a", "b"}, 1.0}}, dir + "/no/such/folder/x.txt"));
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(0u, err.find("Warning: "));
  EXPECT_EQ('\n', err.back());
}

TEST(MatchScores, WrittenFileReadsBackUnderOrderedKeys) {
  TempDir tmp;
  const std::string& dir = tmp.path;
  const VecStr idList{"a1", "a2", "b1", "y1", "z9"};
  StrPair2Dbl scores{{{"z9", "y1"}, 0.25}, {{"a1", "b1"}, 1.0 / 3}, {{"a2", "b1"}, 1.5e-7}};
  writeOutScores(scores, dir + "/s.txt");
  StrPair2Dbl back;
  EXPECT_EQ(3, readMatchScoreFile(dir + "/s.txt", idList, back));
  // The reader stores the smaller identifier first; values keep 6 significant digits.
  EXPECT_EQ((StrPair2Dbl{{{"a1", "b1"}, 0.333333}, {{"a2", "b1"}, 1.5e-7}, {{"y1", "z9"}, 0.25}}), back);
}

TEST(MatchScores, CommonScoresSumOverSharedKeysOnly) {
  std::cerr.precision(4);
  StrPair2Dbl blast{{{"p", "q"}, 10.0}, {{"p", "r"}, 2.5}, {{"s", "t"}, 0.123456}};
  StrPair2Dbl match{{{"p", "r"}, 0.125}, {{"q", "p"}, 0.5}, {{"s", "t"}, 0.5}, {{"u", "v"}, 9.0}};
  double sumMatch = -1, sumBlast = -1;
  testing::internal::CaptureStderr();
  computeSumOfCommonScores(blast, match, sumMatch, sumBlast);
  EXPECT_EQ("total of common scores: blast: 2.623 match: 0.625\n", testing::internal::GetCapturedStderr());
  EXPECT_EQ(2.5 + 0.123456, sumBlast);
  EXPECT_EQ(0.625, sumMatch);

  // (p, q) in one map and (q, p) in the other are not in common.
  testing::internal::CaptureStderr();
  computeSumOfCommonScores(StrPair2Dbl{{{"p", "q"}, 1.0}}, StrPair2Dbl{{{"q", "p"}, 1.0}}, sumMatch,
                           sumBlast);
  EXPECT_EQ("total of common scores: blast: 0 match: 0\n", testing::internal::GetCapturedStderr());
  EXPECT_EQ(0.0, sumBlast);
  EXPECT_EQ(0.0, sumMatch);
}
