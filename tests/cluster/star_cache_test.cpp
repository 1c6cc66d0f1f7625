// Star cache files: the written format, reading it back, and the files a run
// must refuse to read.
#include <gtest/gtest.h>

#include <filesystem>
#include <iostream>

#include "base/error.h"
#include "cluster/star_cache.h"
#include "test_util.h"

namespace {

struct TempDir {
  std::string path = testutil::makeTempDir();
  ~TempDir() { std::filesystem::remove_all(path); }
};

Star makeStar(const std::string& centre, double weight, const std::vector<VecStr>& rows) {
  Star s;
  s.center = centre;
  s.weight = weight;
  s.candidates = std::make_shared<CandidateTable>();
  for (VecStr r : rows) {
    r.resize(10);
    s.candidates->push_back(r);
  }
  return s;
}

const Str2Int kProteins{{"a1", 0}, {"a2", 1}, {"b1", 2}};

struct Imported {
  std::vector<Star> stars;
  VecInt ranks;
  std::string err;
};

// Reads `content` as a cache file of a run with the proteins a1, a2, b1.
Imported importText(const std::string& content, int slotCount) {
  TempDir tmp;
  const std::string file = tmp.path + "/stars_A.txt";
  testutil::writeFile(file, content);
  Imported r;
  r.ranks.assign(3, -1);
  testing::internal::CaptureStderr();
  try {
    import_stars_and_ranks(r.stars, slotCount, r.ranks, file, kProteins);
  } catch (...) {
    testing::internal::GetCapturedStderr();
    throw;
  }
  r.err = testing::internal::GetCapturedStderr();
  return r;
}

}  // namespace

TEST(StarCache, WritesRanksThenEachStarWithItsRows) {
  TempDir tmp;
  const std::string file = tmp.path + "/stars_A.txt";
  testutil::writeFile(file, "stale content\nstale\nstale\nstale\nstale\nstale\nstale\nstale\n");
  std::vector<Star> stars{
      makeStar("a1", 0.5, {{"b1", "b2"}, {}}),
      makeStar("a2", 0.000012345678,
               {{"b3"}, {"c1", "c2", "c3", "c4", "c5", "c6", "c7", "c8", "c9", "c10"}}),
      makeStar("a3", 2.0 / 3, {{}, {"c11"}}),
  };
  export_stars_and_ranks(stars, 2, VecInt{0, 10, 3}, file);
  EXPECT_EQ(
      "0 10 3 \n"
      "a1 0.5\n"
      "b1 b2         \n"
      "          \n"
      "a2 1.23457e-05\n"
      "b3          \n"
      "c1 c2 c3 c4 c5 c6 c7 c8 c9 c10 \n"
      "a3 0.666667\n"
      "          \n"
      "c11          \n",
      testutil::readFile(file));

  // No star, no identifier: one line holding nothing but its end.
  export_stars_and_ranks({}, 2, VecInt{}, file);
  EXPECT_EQ("\n", testutil::readFile(file));
}

TEST(StarCache, UnwritableFileStopsTheRun) {
  TempDir tmp;
  const std::string file = tmp.path + "/missing/stars_A.txt";
  try {
    export_stars_and_ranks({}, 1, VecInt{10}, file);
    FAIL() << "no error";
  } catch (const RunError& e) {
    EXPECT_EQ("Error opening file: " + file + "\n", e.text());
  }
}

TEST(StarCache, ReadsBackWhatWasWritten) {
  TempDir tmp;
  const std::string file = tmp.path + "/stars_B.txt";
  std::vector<Star> stars{
      makeStar("b1", 1.0 / 3, {{"a1", "a2"}, {"c1"}}),
      makeStar("b2", 0.75, {{}, {"c1", "c2", "c3", "c4", "c5", "c6", "c7", "c8", "c9", "c10"}}),
      makeStar("b3", 0.000012345678, {{"a2"}, {}}),
  };
  const VecInt ranks{0, 1, 10, 2, 0, 3};
  export_stars_and_ranks(stars, 2, ranks, file);

  std::vector<Star> back;
  VecInt backRanks(6, -1);
  testing::internal::CaptureStderr();
  import_stars_and_ranks(back, 2, backRanks, file);
  EXPECT_EQ("Loading ranks\nLoading the 1th star.\nLoading the 2th star.\nLoading the 3th star.\n",
            testing::internal::GetCapturedStderr());
  EXPECT_EQ(ranks, backRanks);
  ASSERT_EQ(3u, back.size());
  const double weights[] = {0.333333, 0.75, 1.23457e-05};  // six significant digits
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(stars[i].center, back[i].center);
    EXPECT_EQ(weights[i], back[i].weight);
    EXPECT_EQ(*stars[i].candidates, *back[i].candidates);
  }
  // Rewriting what was read gives the same file.
  const std::string first = testutil::readFile(file);
  export_stars_and_ranks(back, 2, backRanks, file);
  EXPECT_EQ(first, testutil::readFile(file));
}

TEST(StarCache, StarsAreAppendedInFileOrder) {
  Imported r = importText("0 1 0 \na2 0.5\nb1 \nb1 0.7\na2 a1 \n", 1);
  ASSERT_EQ(2u, r.stars.size());
  EXPECT_EQ("a2", r.stars[0].center);
  EXPECT_EQ("b1", r.stars[1].center);  // not re-sorted by weight
  EXPECT_EQ((VecStr{"a2", "a1", "", "", "", "", "", "", "", ""}), (*r.stars[1].candidates)[0]);
  EXPECT_EQ((VecInt{0, 1, 0}), r.ranks);
}

TEST(StarCache, TolerantForms) {
  // The rank numbers may start on the line after an empty first line; a row
  // line of blanks is an empty row; a blank line where a header is expected is
  // skipped; tabs separate like blanks.
  Imported r = importText("\n0 10 2\n\n   \na1\t0.25\n          \nb1 \n", 2);
  EXPECT_EQ((VecInt{0, 10, 2}), r.ranks);
  ASSERT_EQ(1u, r.stars.size());
  EXPECT_EQ(0.25, r.stars[0].weight);
  EXPECT_EQ(VecStr(10), (*r.stars[0].candidates)[0]);
  EXPECT_EQ("b1", (*r.stars[0].candidates)[1][0]);
  EXPECT_EQ("Loading ranks\nLoading the 1th star.\n", r.err);

  // Lines of any length are read whole.
  const std::string longId(120, 'x');
  TempDir tmp;
  const std::string file = tmp.path + "/stars_L.txt";
  std::vector<Star> stars{makeStar("c" + longId, 0.5, {{"d1" + longId, "d2" + longId, "d3" + longId}})};
  export_stars_and_ranks(stars, 1, VecInt{1, 2}, file);
  std::vector<Star> back;
  VecInt ranks(2);
  testing::internal::CaptureStderr();
  import_stars_and_ranks(back, 1, ranks, file);
  testing::internal::GetCapturedStderr();
  ASSERT_EQ(1u, back.size());
  EXPECT_EQ(*stars[0].candidates, *back[0].candidates);
  EXPECT_EQ(stars[0].center, back[0].center);
}

TEST(StarCache, MissingOrEmptyFilesGiveTheirFixedMessages) {
  TempDir tmp;
  auto attempt = [&](const std::string& file) -> std::string {
    std::vector<Star> stars;
    VecInt ranks(3);
    testing::internal::CaptureStderr();
    try {
      import_stars_and_ranks(stars, 1, ranks, file);
    } catch (const RunError& e) {
      EXPECT_EQ("Loading ranks\n", testing::internal::GetCapturedStderr());
      return e.text();
    }
    testing::internal::GetCapturedStderr();
    return "accepted";
  };
  const std::string missing = tmp.path + "/stars_X.txt";
  EXPECT_EQ("The star file," + missing + " is not exist~!!!\n", attempt(missing));
  for (const char* content : {"", " 0 0 0\n", "\t0 0 0\n"}) {
    const std::string file = tmp.path + "/stars_E.txt";
    testutil::writeFile(file, content);
    EXPECT_EQ("The star file," + file + " is empty~!!!\n", attempt(file)) << "[" << content << "]";
  }
}

TEST(StarCache, RejectsFilesWrittenForOtherData) {
  const std::string star = "a1 0.5\nb1 \n";
  const std::vector<std::pair<std::string, std::string>> bad{
      {"rank line too short", "0 1 \n" + star},
      {"ranks missing", "0 1 \n"},
      {"rank line too long", "0 1 2 3 \n" + star},
      {"rank not an integer", "0 x 1 \n" + star},
      {"rank not an integer (decimal)", "0 1.5 1 \n" + star},
      {"rank above 10", "0 11 1 \n" + star},
      {"rank below 0", "0 -1 1 \n" + star},
      {"header without weight", "0 1 2 \na1\nb1 \n"},
      {"weight not a number", "0 1 2 \na1 heavy\nb1 \n"},
      {"weight not finite", "0 1 2 \na1 nan\nb1 \n"},
      {"weight infinite", "0 1 2 \na1 inf\nb1 \n"},
      {"row line missing", "0 1 2 \na1 0.5\n"},
      {"row of 11 partners", "0 1 2 \na1 0.5\nb1 b1 b1 b1 b1 b1 b1 b1 b1 b1 b1\n"},
      {"unknown centre", "0 1 2 \nzz 0.5\nb1 \n"},
      {"unknown partner", "0 1 2 \na1 0.5\nb1 zz \n"},
  };
  for (const auto& c : bad) {
    try {
      importText(c.second, 1);
      ADD_FAILURE() << c.first << ": accepted";
    } catch (const RunError& e) {
      EXPECT_NE(std::string::npos, std::string(e.what()).find("stars_A.txt")) << c.first << ": " << e.what();
    }
  }
  // A star with two row lines is fine for a run whose stars have two rows.
  EXPECT_EQ(1u, importText("0 1 2 \na1 0.5\nb1 \na2 \n", 2).stars.size());
}
