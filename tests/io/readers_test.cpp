#include "io/readers.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "base/error.h"
#include "test_util.h"

namespace {

using testutil::makeTempDir;
using testutil::writeFile;

class ReaderTest : public ::testing::Test {
 protected:
  void SetUp() override { dir_ = makeTempDir(); }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::string file(const std::string& name, const std::string& content) {
    const std::string path = dir_ + "/" + name;
    writeFile(path, content);
    return path;
  }

  // Reads a network file; the standard error of the call lands in err_.
  int intxn(const std::string& path, const std::string& sp = "sc") {
    testing::internal::CaptureStderr();
    int n = -1;
    try {
      n = readIntxnFile(path, sp, idList_, id2sp_, pairs_);
    } catch (...) {
      err_ = testing::internal::GetCapturedStderr();
      throw;
    }
    err_ = testing::internal::GetCapturedStderr();
    return n;
  }

  int blast(const std::string& path, const std::string& sp1, const std::string& sp2) {
    testing::internal::CaptureStderr();
    int n = -1;
    try {
      n = readBlastScoresFile(path, sp1, sp2, idList_, id2sp_, pairs_);
    } catch (...) {
      err_ = testing::internal::GetCapturedStderr();
      throw;
    }
    err_ = testing::internal::GetCapturedStderr();
    return n;
  }

  int blastIdsOnly(const std::string& path, const std::string& sp1, const std::string& sp2) {
    testing::internal::CaptureStderr();
    int n = -1;
    try {
      n = readBlastScoresFile(path, sp1, sp2, idList_, id2sp_);
    } catch (...) {
      err_ = testing::internal::GetCapturedStderr();
      throw;
    }
    err_ = testing::internal::GetCapturedStderr();
    return n;
  }

  // The text main() would print for the stop the call makes; fails the test when it does not stop.
  template <class F>
  std::string stopText(F&& call) {
    try {
      call();
    } catch (const RunError& e) {
      EXPECT_EQ(RunError::Prefixed, e.style());
      return e.text();
    }
    ADD_FAILURE() << "the reader did not stop the run";
    return "";
  }

  std::string dir_, err_;
  VecStr idList_;
  Str2Str id2sp_;
  StrPair2Dbl pairs_;
};

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// ---- interaction network files -------------------------------------------------------------

TEST_F(ReaderTest, NetworkWithoutWeightsStoresOneForEachPairInFirstSeenOrder) {
  const std::string f = file("sc.tab", "INTERACTOR_A INTERACTOR_B\np1 p2\np2 p3\n");
  EXPECT_EQ(2, intxn(f));
  EXPECT_EQ("intxn file: " + f + "\n", err_);
  EXPECT_EQ((StrPair2Dbl{{{"p1", "p2"}, 1.0}, {{"p2", "p3"}, 1.0}}), pairs_);
  EXPECT_EQ((VecStr{"p1", "p2", "p3"}), idList_);
  EXPECT_EQ((Str2Str{{"p1", "sc"}, {"p2", "sc"}, {"p3", "sc"}}), id2sp_);
}

TEST_F(ReaderTest, NetworkKeysPutTheSmallerIdentifierFirst) {
  EXPECT_EQ(2, intxn(file("sc.tab", "INTERACTOR_A INTERACTOR_B\np2 p1\nB a\n")));
  // Byte-wise order: upper case before lower case.
  EXPECT_EQ((StrPair2Dbl{{{"B", "a"}, 1.0}, {{"p1", "p2"}, 1.0}}), pairs_);
  EXPECT_EQ((VecStr{"p2", "p1", "B", "a"}), idList_);
}

TEST_F(ReaderTest, WeightedDuplicateKeepsTheLaterWeightAndCountsBothRecords) {
  EXPECT_EQ(2, intxn(file("sc.tab", "INTERACTOR_A INTERACTOR_B CONF_VAL\np1 p2 0.3\np2 p1 0.8\n")));
  EXPECT_EQ((StrPair2Dbl{{{"p1", "p2"}, 0.8}}), pairs_);
  EXPECT_EQ((VecStr{"p1", "p2"}), idList_);
}

TEST_F(ReaderTest, WeightsAtBothEndsOfTheRangeAreStoredAsRead) {
  EXPECT_EQ(3, intxn(file("sc.tab",
                          "INTERACTOR_A INTERACTOR_B CONF_VAL\np1 p2 0\np2 p3 1\np3 p4 2.5e-1\n")));
  EXPECT_EQ((StrPair2Dbl{{{"p1", "p2"}, 0.0}, {{"p2", "p3"}, 1.0}, {{"p3", "p4"}, 0.25}}), pairs_);
}

TEST_F(ReaderTest, SelfInteractionIsStored) {
  EXPECT_EQ(1, intxn(file("sc.tab", "INTERACTOR_A INTERACTOR_B\np1 p1\n")));
  EXPECT_EQ((StrPair2Dbl{{{"p1", "p1"}, 1.0}}), pairs_);
  EXPECT_EQ((VecStr{"p1"}), idList_);
}

TEST_F(ReaderTest, LineBreaksCarryNoMeaningInANetworkFile) {
  EXPECT_EQ(3, intxn(file("sc.tab", "INTERACTOR_A\nINTERACTOR_B CONF_VAL p1 p2 0.5 p3 p4 0.25\np5\n\n"
                                    "p6\n0.75")));
  EXPECT_EQ((StrPair2Dbl{{{"p1", "p2"}, 0.5}, {{"p3", "p4"}, 0.25}, {{"p5", "p6"}, 0.75}}), pairs_);
  pairs_.clear();
  EXPECT_EQ(2, intxn(file("sc2.tab", "INTERACTOR_A INTERACTOR_B p1 p2 p3 p4")));
  EXPECT_EQ((StrPair2Dbl{{{"p1", "p2"}, 1.0}, {{"p3", "p4"}, 1.0}}), pairs_);
}

TEST_F(ReaderTest, CarriageReturnLineEndsReadLikeLineFeeds) {
  EXPECT_EQ(2, intxn(file("sc.tab", "INTERACTOR_A INTERACTOR_B CONF_VAL\r\np1 p2 0.5\r\np2 p3 1\r\n")));
  EXPECT_EQ((StrPair2Dbl{{{"p1", "p2"}, 0.5}, {{"p2", "p3"}, 1.0}}), pairs_);
}

TEST_F(ReaderTest, HeaderOnlyFilesAreEmptyNetworks) {
  for (const char* content :
       {"INTERACTOR_A INTERACTOR_B CONF_VAL\n", "INTERACTOR_A INTERACTOR_B CONF_VAL",
        "INTERACTOR_A INTERACTOR_B\n", "INTERACTOR_A INTERACTOR_B", "  INTERACTOR_A\tINTERACTOR_B \n\n"}) {
    EXPECT_EQ(0, intxn(file("sc.tab", content))) << content;
  }
  EXPECT_TRUE(pairs_.empty());
  EXPECT_TRUE(idList_.empty());
  EXPECT_TRUE(id2sp_.empty());
}

TEST_F(ReaderTest, ThirdHeaderTokenOtherThanConfValIsTheFirstIdentifier) {
  // "CONF_VAL" is case-sensitive: anything else starts the first record.
  EXPECT_EQ(2, intxn(file("sc.tab", "INTERACTOR_A INTERACTOR_B conf_val p1\np2 p3\n")));
  EXPECT_EQ((StrPair2Dbl{{{"conf_val", "p1"}, 1.0}, {{"p2", "p3"}, 1.0}}), pairs_);
  EXPECT_EQ((VecStr{"conf_val", "p1", "p2", "p3"}), idList_);
}

TEST_F(ReaderTest, UnannouncedWeightColumnIsTakenForIdentifiers) {
  EXPECT_EQ(2, intxn(file("sc.tab", "INTERACTOR_A INTERACTOR_B\np1 p2 0.5\np3\n")));
  EXPECT_EQ((StrPair2Dbl{{{"0.5", "p3"}, 1.0}, {{"p1", "p2"}, 1.0}}), pairs_);
}

TEST_F(ReaderTest, NetworkReaderAddsToWhatItIsGiven) {
  pairs_[{"x1", "x2"}] = 0.5;
  idList_ = {"x1", "x2"};
  id2sp_ = {{"x1", "other"}, {"x2", "other"}};
  EXPECT_EQ(1, intxn(file("sc.tab", "INTERACTOR_A INTERACTOR_B\np1 p2\n")));
  EXPECT_EQ((StrPair2Dbl{{{"p1", "p2"}, 1.0}, {{"x1", "x2"}, 0.5}}), pairs_);
  EXPECT_EQ((VecStr{"x1", "x2", "p1", "p2"}), idList_);
  EXPECT_EQ("other", id2sp_["x1"]);
}

TEST_F(ReaderTest, KnownIdentifierOfTheSameSpeciesIsNotRegisteredTwice) {
  idList_ = {"p2"};
  id2sp_ = {{"p2", "sc"}};
  EXPECT_EQ(1, intxn(file("sc.tab", "INTERACTOR_A INTERACTOR_B\np1 p2\n")));
  EXPECT_EQ((VecStr{"p2", "p1"}), idList_);
}

TEST_F(ReaderTest, BadNetworkHeadersStopTheRun) {
  for (const char* content : {"", "\n \n", "INTERACTOR_A\n", "INTERACTOR_A INTERACTOR_C\np1 p2\n",
                              "interactor_a interactor_b\np1 p2\n", "p1 p2\np2 p3\n",
                              "INTERACTOR_B INTERACTOR_A\n"}) {
    const std::string f = file("bad.tab", content);
    std::string text = stopText([&] { intxn(f); });
    EXPECT_TRUE(contains(text, f)) << "content '" << content << "': " << text;
    EXPECT_EQ("intxn file: " + f + "\n", err_);
  }
  EXPECT_TRUE(idList_.empty());
}

TEST_F(ReaderTest, MissingNetworkFileStopsTheRun) {
  const std::string f = dir_ + "/none.tab";
  std::string text = stopText([&] { intxn(f); });
  EXPECT_EQ(0u, text.find("Error: "));
  EXPECT_TRUE(contains(text, f)) << text;
  EXPECT_EQ("intxn file: " + f + "\n", err_);
}

TEST_F(ReaderTest, WeightOutsideZeroToOneStopsTheRunNamingLineAndToken) {
  for (const char* w : {"1.5", "-0.1", "1.0000001", "-1e-9"}) {
    const std::string f = file("sc.tab", std::string("INTERACTOR_A INTERACTOR_B CONF_VAL\np1 p2 0.5\n"
                                                     "\np3 p4 ") + w + "\n");
    std::string text = stopText([&] { intxn(f); });
    EXPECT_EQ(0u, text.find("Error: " + f + " line 4: ")) << text;
    EXPECT_TRUE(contains(text, std::string("'") + w + "'")) << text;
  }
}

TEST_F(ReaderTest, WeightThatIsNotEntirelyAFiniteNumberStopsTheRun) {
  for (const char* w : {"abc", "0.5x", "nan", "inf", "1,0"}) {
    const std::string f = file("sc.tab", std::string("INTERACTOR_A INTERACTOR_B CONF_VAL\np1 p2 ") + w +
                                             "\np3 p4 0.5\n");
    std::string text = stopText([&] { intxn(f); });
    EXPECT_EQ(0u, text.find("Error: " + f + " line 2: ")) << text;
    EXPECT_TRUE(contains(text, std::string("'") + w + "'")) << text;
  }
}

TEST_F(ReaderTest, DanglingIdentifierStopsTheRun) {
  // A record cut short at the end of the file, in every header form.
  const struct {
    const char* content;
    const char* id;
    int line;
  } cases[] = {
      {"INTERACTOR_A INTERACTOR_B\np1 p2\np3\n", "p3", 3},
      {"INTERACTOR_A INTERACTOR_B p1", "p1", 1},
      {"INTERACTOR_A INTERACTOR_B\np1\n", "p1", 2},
      {"INTERACTOR_A INTERACTOR_B CONF_VAL\np1 p2 0.5\np3\n", "p3", 3},
  };
  for (const auto& c : cases) {
    const std::string f = file("sc.tab", c.content);
    std::string text = stopText([&] { intxn(f); });
    EXPECT_EQ(0u, text.find("Error: " + f + " line " + std::to_string(c.line) + ": ")) << text;
    EXPECT_TRUE(contains(text, std::string("'") + c.id + "'")) << text;
  }
}

TEST_F(ReaderTest, WeightedRecordWithoutWeightStopsTheRun) {
  const std::string f = file("sc.tab", "INTERACTOR_A INTERACTOR_B CONF_VAL\np1 p2 0.5\np3 p4\n");
  std::string text = stopText([&] { intxn(f); });
  EXPECT_EQ(0u, text.find("Error: " + f)) << text;
}

TEST_F(ReaderTest, NetworkIdentifierOfAnotherSpeciesStopsTheRun) {
  id2sp_ = {{"p2", "ce"}};
  idList_ = {"p2"};
  const std::string f = file("sc.tab", "INTERACTOR_A INTERACTOR_B\np0 p1\np1 p2\n");
  std::string text = stopText([&] { intxn(f, "sc"); });
  EXPECT_EQ(0u, text.find("Error: " + f + " line 3: ")) << text;
  EXPECT_TRUE(contains(text, "'p2'")) << text;
  EXPECT_EQ("ce", id2sp_["p2"]);
}

// ---- sequence score files ------------------------------------------------------------------

TEST_F(ReaderTest, ScoreKeyIsOrderedByIdentifierNotByColumn) {
  const std::string f = file("celeg-scere.evals", "x2 x1 52.4\n");
  EXPECT_EQ(1, blast(f, "celeg", "scere"));
  EXPECT_EQ("blast file: " + f + "\n", err_);
  EXPECT_EQ((StrPair2Dbl{{{"x1", "x2"}, 52.4}}), pairs_);
  EXPECT_EQ((VecStr{"x2", "x1"}), idList_);
  EXPECT_EQ((Str2Str{{"x1", "scere"}, {"x2", "celeg"}}), id2sp_);
}

TEST_F(ReaderTest, RepeatedScorePairKeepsTheLaterScoreAndCountsBothLines) {
  EXPECT_EQ(2, blast(file("sc-sc.evals", "a1 a2 10\na2 a1 12\n"), "sc", "sc"));
  EXPECT_EQ((StrPair2Dbl{{{"a1", "a2"}, 12.0}}), pairs_);
  EXPECT_EQ((Str2Str{{"a1", "sc"}, {"a2", "sc"}}), id2sp_);
}

TEST_F(ReaderTest, ScoresAreStoredAsReadWithoutRangeAndExtraFieldsAreIgnored) {
  EXPECT_EQ(5, blast(file("a-b.evals", "a1 b1 0\na2 b2 -7.5\na3 b3 1234.5\na4 b4 52.4 0.001 x\n"
                                       "a5\tb5\t1e-300\n"),
                     "a", "b"));
  EXPECT_EQ((StrPair2Dbl{{{"a1", "b1"}, 0.0},
                         {{"a2", "b2"}, -7.5},
                         {{"a3", "b3"}, 1234.5},
                         {{"a4", "b4"}, 52.4},
                         {{"a5", "b5"}, 1e-300}}),
            pairs_);
}

TEST_F(ReaderTest, BlankLinesAreSkippedAndLongLinesAreReadWhole) {
  const std::string pad(300, ' ');
  const std::string longId(400, 'L');
  // Lines of 198, 199 and 700+ characters, blank lines, CR line ends, no final line break.
  std::string l198 = "a1 b1 1";
  l198 += std::string(198 - l198.size(), ' ');
  std::string l199 = "a2 b2 2";
  l199 += std::string(199 - l199.size(), ' ');
  const std::string content = l198 + "\n" + l199 + "\n\n   \t\r\n" + longId + " b3 3" + pad + "\r\n" +
                              "a4 " + longId + "b 4\r\n" + "a5 b5 5";
  EXPECT_EQ(5, blast(file("a-b.evals", content), "a", "b"));
  EXPECT_EQ((StrPair2Dbl{{{"a1", "b1"}, 1},
                         {{"a2", "b2"}, 2},
                         {{longId, "b3"}, 3},
                         {{longId + "b", "a4"}, 4},  // 'L' sorts before 'a'
                         {{"a5", "b5"}, 5}}),
            pairs_);
  EXPECT_EQ((VecStr{"a1", "b1", "a2", "b2", longId, "b3", "a4", longId + "b", "a5", "b5"}), idList_);
}

TEST_F(ReaderTest, MissingScoreFileReadsAsEmpty) {
  const std::string f = dir_ + "/a-b.evals";
  EXPECT_EQ(0, blast(f, "a", "b"));
  EXPECT_EQ("blast file: " + f + "\n", err_);
  EXPECT_EQ(0, blastIdsOnly(f, "a", "b"));
  EXPECT_EQ("blast file: (for reading protein names only)" + f + "\n", err_);
  EXPECT_TRUE(pairs_.empty());
  EXPECT_TRUE(idList_.empty());
}

TEST_F(ReaderTest, ScoreLineWithFewerThanThreeFieldsStopsTheRun) {
  for (const char* content : {"a1 b1 1\n\na2 b2\n", "a1 b1 1\n\na2\n", "a1 b1 1\r\n\r\na2 b2\r\n"}) {
    const std::string f = file("a-b.evals", content);
    std::string text = stopText([&] { blast(f, "a", "b"); });
    EXPECT_EQ(0u, text.find("Error: " + f + " line 3: ")) << text;
  }
}

TEST_F(ReaderTest, ScoreThatIsNotEntirelyAFiniteNumberStopsTheRun) {
  for (const char* s : {"nan", "inf", "-inf", "12abc", "x", "1e999"}) {
    const std::string f = file("a-b.evals", std::string("a1 b1 1\na2 b2 ") + s + " 7\n");
    std::string text = stopText([&] { blast(f, "a", "b"); });
    EXPECT_EQ(0u, text.find("Error: " + f + " line 2: ")) << text;
    EXPECT_TRUE(contains(text, std::string("'") + s + "'")) << text;
    // The identifier-only reader checks the score the same way.
    text = stopText([&] { blastIdsOnly(f, "a", "b"); });
    EXPECT_EQ(0u, text.find("Error: " + f + " line 2: ")) << text;
  }
}

TEST_F(ReaderTest, SwappedColumnsStopTheRunOnceAnIdentifierIsKnown) {
  EXPECT_EQ(1, blast(file("celeg-celeg.evals", "c1 c2 5\n"), "celeg", "celeg"));
  // c1 is a celeg protein but stands in the scere column.
  const std::string f = file("celeg-scere.evals", "c2 s1 3\ns2 c1 4\n");
  std::string text = stopText([&] { blast(f, "celeg", "scere"); });
  EXPECT_EQ(0u, text.find("Error: " + f + " line 2: ")) << text;
  EXPECT_TRUE(contains(text, "'c1'")) << text;
  // s2, met first in the wrong column, was registered for the species of that column.
  EXPECT_EQ("celeg", id2sp_["s2"]);

  // After a run of lines with the same first identifier, a known protein
  // of the other species in the first column is still caught, at its line.
  const std::string g = file("celeg-scere-2.evals", "c5 s7 3\nc5 s8 4\nc5 s9 1\ns7 c6 5\n");
  text = stopText([&] { blast(g, "celeg", "scere"); });
  EXPECT_EQ(0u, text.find("Error: " + g + " line 4: ")) << text;
  EXPECT_TRUE(contains(text, "'s7'")) << text;
}

TEST_F(ReaderTest, IdentifierOnlyReaderRegistersExactlyWhatTheFullReaderDoes) {
  const std::string f = file("a-b.evals", "a2 b1 3\n\na1 b1 2 junk\nb9 a9 1\n");
  EXPECT_EQ(3, blast(f, "a", "b"));
  const VecStr fullIds = idList_;
  const Str2Str fullSp = id2sp_;
  idList_.clear();
  id2sp_.clear();
  pairs_.clear();
  EXPECT_EQ(3, blastIdsOnly(f, "a", "b"));
  EXPECT_EQ("blast file: (for reading protein names only)" + f + "\n", err_);
  EXPECT_EQ(fullIds, idList_);
  EXPECT_EQ(fullSp, id2sp_);
  EXPECT_TRUE(pairs_.empty());
}

TEST_F(ReaderTest, ScoreReaderAddsToWhatItIsGiven) {
  pairs_[{"q1", "q2"}] = 9;
  pairs_[{"a1", "b1"}] = 9;
  idList_ = {"a1"};
  id2sp_ = {{"a1", "a"}};
  EXPECT_EQ(1, blast(file("a-b.evals", "a1 b1 2\n"), "a", "b"));
  EXPECT_EQ((StrPair2Dbl{{{"a1", "b1"}, 2.0}, {{"q1", "q2"}, 9.0}}), pairs_);
  EXPECT_EQ((VecStr{"a1", "b1"}), idList_);
}

}  // namespace
