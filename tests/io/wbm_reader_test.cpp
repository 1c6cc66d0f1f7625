#include <gtest/gtest.h>

#include "base/error.h"
#include "io/wbm_reader.h"
#include "test_util.h"

namespace {

using testutil::writeFile;

// Species a (a1, a2) and b (b1), one sequence score, description without a WBM name.
std::string makeDataDir(const std::string& descTail = "") {
  const std::string dir = testutil::makeTempDir();
  writeFile(dir + "/a-b.evals", "a1 b1 5\n");
  writeFile(dir + "/a.tab", "INTERACTOR_A INTERACTOR_B\na1 a2\n");
  writeFile(dir + "/b.tab", "INTERACTOR_A INTERACTOR_B\n");
  writeFile(dir + "/desc.txt", dir + " - 2 b a" + descTail);
  return dir;
}

void load(const std::string& dir, StrPair2Dbl& wbm) {
  VecStr spList, idList;
  Str2Str id2sp;
  StrPair2Dbl blast, intxns;
  grabSequenceAndInteractionData(dir + "/desc.txt", spList, idList, id2sp, blast, intxns, wbm);
}

TEST(WbmLoader, DefaultNameInDataDirectoryAndItsLines) {
  const std::string dir = makeDataDir("\n");
  writeFile(dir + "/wbm_scores_9dec.dat", "a1 b1 0.5\r\n\n  \t\nb1 a1 0.75 extra\r\na1 a2 3\n");
  StrPair2Dbl wbm{{{"x", "y"}, 9}};
  testing::internal::CaptureStderr();
  load(dir, wbm);
  EXPECT_EQ("blast file: " + dir + "/a-a.evals\n" + "blast file: " + dir + "/a-b.evals\n" +
                "blast file: " + dir + "/b-b.evals\n" + "Number of blast scores read: 1\n" +
                "intxn file: " + dir + "/a.tab\n" + "intxn file: " + dir + "/b.tab\n" +
                "WBM file name: " + dir + "/wbm_scores_9dec.dat\n" +
                "Number of wbm scores read: 3\n",
            testing::internal::GetCapturedStderr());
  // The pair named in both orders keeps the later score; a same-species pair is accepted.
  EXPECT_EQ((StrPair2Dbl{{{"a1", "a2"}, 3}, {{"a1", "b1"}, 0.75}}), wbm);
}

TEST(WbmLoader, GivenNameIsAlwaysJoinedToDataDirectory) {
  const std::string dir = makeDataDir(" /mine.dat");
  writeFile(dir + "/mine.dat", "b1 a2 2\n");
  StrPair2Dbl wbm;
  testing::internal::CaptureStderr();
  load(dir, wbm);
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(std::string::npos, err.find("WBM file name: " + dir + "//mine.dat\n"));
  EXPECT_EQ((StrPair2Dbl{{{"a2", "b1"}, 2}}), wbm);
}

TEST(WbmReader, LongLinesAreReadWholeAndMissingFileIsEmpty) {
  const std::string dir = testutil::makeTempDir();
  const std::string longId(300, 'p');
  writeFile(dir + "/w.dat", "q " + longId + " 1.5\nq q 2\n");
  StrPair2Dbl wbm;
  EXPECT_EQ(2, readWBMscoreFile(dir + "/w.dat", {"q", longId}, wbm));
  EXPECT_EQ((StrPair2Dbl{{{longId, "q"}, 1.5}, {{"q", "q"}, 2}}), wbm);
  EXPECT_EQ(0, readWBMscoreFile(dir + "/none.dat", {"q"}, wbm));
  EXPECT_TRUE(wbm.empty());
}

TEST(WbmReader, BadRecordsStopNamingFileAndLine) {
  const std::string dir = testutil::makeTempDir();
  const std::string file = dir + "/w.dat";
  const VecStr ids{"p", "q"};
  const std::pair<std::string, std::string> cases[] = {
      {"p q 1\n\np q\n", file + " line 3: fewer than three fields"},
      {"p q nan\n", file + " line 1: score 'nan' is not a number"},
      {"p q 2x\n", file + " line 1: score '2x' is not a number"},
      {"p z 1\n", file + " line 1: identifier 'z' is not a protein of this run"},
  };
  for (const auto& c : cases) {
    writeFile(file, c.first);
    StrPair2Dbl wbm;
    try {
      readWBMscoreFile(file, ids, wbm);
      ADD_FAILURE() << "accepted: " << c.first;
    } catch (const RunError& e) {
      EXPECT_EQ(c.second, e.what());
    }
  }
}

}  // namespace
