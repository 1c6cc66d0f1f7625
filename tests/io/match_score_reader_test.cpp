#include "io/match_score_reader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "align/match_scores.h"
#include "base/error.h"
#include "test_util.h"

namespace {

using testutil::writeFile;

class MatchScoreReaderTest : public ::testing::Test {
 protected:
  void SetUp() override { dir_ = testutil::makeTempDir(); }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::string file(const std::string& content) {
    const std::string path = dir_ + "/scores.txt";
    writeFile(path, content);
    return path;
  }

  int read(const std::string& path) {
    testing::internal::CaptureStderr();
    int n = -1;
    try {
      n = readMatchScoreFile(path, ids_, scores_);
    } catch (...) {
      err_ = testing::internal::GetCapturedStderr();
      throw;
    }
    err_ = testing::internal::GetCapturedStderr();
    return n;
  }

  // The stop a read makes: its style and the text main() prints for it.
  std::pair<RunError::Style, std::string> stop(const std::string& path) {
    try {
      read(path);
    } catch (const RunError& e) {
      return {e.style(), e.text()};
    }
    ADD_FAILURE() << "the reader did not stop the run";
    return {RunError::Reported, ""};
  }

  std::string dir_, err_;
  VecStr ids_{"x1", "x9", "y1", "y2", "z1"};
  StrPair2Dbl scores_;
};

TEST_F(MatchScoreReaderTest, MissingFileHasItsOwnMessage) {
  const auto s = stop(dir_ + "/nosuch.txt");
  EXPECT_EQ(RunError::Bare, s.first);
  EXPECT_EQ("The match score file is not exist~!!!\nError: cannot open match-score file " + dir_ +
                "/nosuch.txt\n",
            s.second);
  const auto d = stop(dir_);
  EXPECT_EQ("The match score file is not exist~!!!\nError: " + dir_ + ": is a directory, not a file\n",
            d.second);
}

TEST_F(MatchScoreReaderTest, EmptyFileOrFirstCharacterBlankOrTabHasItsOwnMessage) {
  const std::string empty = file("");
  EXPECT_EQ("The match score file is empty~!!!\nError: " + empty + ": is empty\n", stop(empty).second);
  for (const char* content : {" x9 y1 0.5\n", "\tx9 y1 0.5\n", " "}) {
    const std::string name = file(content);
    const auto s = stop(name);
    EXPECT_EQ(RunError::Bare, s.first) << "'" << content << "'";
    EXPECT_EQ("The match score file is empty~!!!\nError: " + name + " line 1: starts with a blank\n",
              s.second)
        << "'" << content << "'";
  }
}

TEST_F(MatchScoreReaderTest, FirstCharacterLineFeedIsNotEmpty) {
  EXPECT_EQ(1, read(file("\nx9 y1 0.5\n")));
  EXPECT_EQ((StrPair2Dbl{{{"x9", "y1"}, 0.5}}), scores_);
  EXPECT_EQ(0, read(file("\n")));
  EXPECT_EQ("", err_);
}

TEST_F(MatchScoreReaderTest, KeyPutsTheSmallerIdentifierFirstWhateverTheColumnOrder) {
  EXPECT_EQ(1, read(file("x9 y1 0.0123\n")));
  const StrPair2Dbl want{{{"x9", "y1"}, 0.0123}};
  EXPECT_EQ(want, scores_);
  scores_.clear();
  EXPECT_EQ(1, read(file("y1 x9 0.0123\n")));
  EXPECT_EQ(want, scores_);
}

TEST_F(MatchScoreReaderTest, ExponentScoresExtraFieldsAndLastLineWithoutBreak) {
  EXPECT_EQ(3, read(file("x1 y1 1.23457e-05 extra\ny2\tx1\t1\nz1 x9 2.5E+2")));
  EXPECT_EQ((StrPair2Dbl{{{"x1", "y1"}, 1.23457e-05}, {{"x1", "y2"}, 1.0}, {{"x9", "z1"}, 250.0}}),
            scores_);
}

TEST_F(MatchScoreReaderTest, LaterLineForTheSamePairWinsAndBothLinesCount) {
  EXPECT_EQ(3, read(file("x9 y1 0.25\nx1 y1 0.5\ny1 x9 0.75\n")));
  EXPECT_EQ((StrPair2Dbl{{{"x1", "y1"}, 0.5}, {{"x9", "y1"}, 0.75}}), scores_);
}

TEST_F(MatchScoreReaderTest, LinesInAnyOrderGiveTheSameMap) {
  EXPECT_EQ(6, read(file("z1 y2 6\ny1 x1 1\nz1 x1 5\nx9 y2 4\nx1 y2 2\nx9 y1 3\n")));
  EXPECT_EQ((StrPair2Dbl{{{"x1", "y1"}, 1},
                         {{"x1", "y2"}, 2},
                         {{"x1", "z1"}, 5},
                         {{"x9", "y1"}, 3},
                         {{"x9", "y2"}, 4},
                         {{"y2", "z1"}, 6}}),
            scores_);
}

TEST_F(MatchScoreReaderTest, AddsToTheMapItIsGiven) {
  scores_[{"a", "b"}] = 7;
  scores_[{"x9", "y1"}] = 7;
  EXPECT_EQ(1, read(file("x9 y1 0.5\n")));
  EXPECT_EQ((StrPair2Dbl{{{"a", "b"}, 7}, {{"x9", "y1"}, 0.5}}), scores_);
}

TEST_F(MatchScoreReaderTest, BlankLinesAreSkippedAndNotCounted) {
  EXPECT_EQ(2, read(file("x1 y1 1\n\n   \t\nx9 y1 2\r\n\r\n")));
  EXPECT_EQ((StrPair2Dbl{{{"x1", "y1"}, 1}, {{"x9", "y1"}, 2}}), scores_);
}

TEST_F(MatchScoreReaderTest, LongLinesAreReadWhole) {
  const std::string longId(500, 'w');
  ids_.push_back(longId);
  std::string l199 = "x1 y1 1";
  l199 += std::string(199 - l199.size(), ' ');
  EXPECT_EQ(3, read(file(l199 + "\n" + longId + " y2 0.5\nx9 y1 2\n")));
  EXPECT_EQ((StrPair2Dbl{{{longId, "y2"}, 0.5}, {{"x1", "y1"}, 1}, {{"x9", "y1"}, 2}}),
            scores_);
}

TEST_F(MatchScoreReaderTest, IdentifierThatIsNotAProteinOfTheRunStopsIt) {
  for (const char* content : {"x1 y1 1\nx1 q7 1\n", "x1 y1 1\nq7 y1 1\n"}) {
    const std::string f = file(content);
    const auto s = stop(f);
    EXPECT_EQ(RunError::Prefixed, s.first);
    EXPECT_EQ(0u, s.second.find("Error: " + f + " line 2: ")) << s.second;
    EXPECT_NE(std::string::npos, s.second.find("'q7'")) << s.second;
  }
}

TEST_F(MatchScoreReaderTest, MalformedLinesStopTheRunNamingFileAndLine) {
  for (const char* content : {"x1 y1 1\n\nx9 y1\n", "x1 y1 1\n\nx9\n", "x1 y1 1\n\nx9 y1 nan\n",
                              "x1 y1 1\n\nx9 y1 inf\n", "x1 y1 1\n\nx9 y1 12abc\n"}) {
    const std::string f = file(content);
    const auto s = stop(f);
    EXPECT_EQ(RunError::Prefixed, s.first);
    EXPECT_EQ(0u, s.second.find("Error: " + f + " line 3: ")) << s.second;
  }
}

TEST_F(MatchScoreReaderTest, FileWrittenByAComputeRunReadsBack) {
  // Computed keys are (first species' protein, second species' protein), not byte order.
  const StrPair2Dbl computed{{{"x9", "y1"}, 0.25}, {{"y2", "x1"}, 1.23457e-05}, {{"z1", "y1"}, 1}};
  const std::string path = dir_ + "/tmp_match-score.txt";
  writeOutScores(computed, path);
  EXPECT_EQ(3, read(path));
  EXPECT_EQ((StrPair2Dbl{{{"x1", "y2"}, 1.23457e-05}, {{"x9", "y1"}, 0.25}, {{"y1", "z1"}, 1}}),
            scores_);
}

// Files of many megabytes are read in blocks of whole lines parsed side by
// side: the records must still arrive in file order (a later line wins), a
// line longer than a block must be read whole, and a stop must name the
// file's own line number, however many blocks came before it.
TEST_F(MatchScoreReaderTest, LargeFileReadsInFileOrderAndStopsNameTheFilesLine) {
  std::string text;
  StrPair2Dbl expected;
  int records = 0;
  long lines = 0;
  unsigned state = 12345;
  auto random = [&] { return (state = state * 1103515245u + 12345u) >> 8; };
  auto line = [&](const std::string& a, const std::string& b, double v) {
    char score[40];
    std::snprintf(score, sizeof score, "%.17g", v);
    text += a + " " + b + " " + score + "\n";
    expected[a < b ? StrPair(a, b) : StrPair(b, a)] = v;
    ++records;
    ++lines;
  };
  while (text.size() < (size_t)15 << 20) {
    const std::string& a = ids_[random() % 5];
    const std::string& b = ids_[random() % 5];
    line(a, b, (random() % 100000) * 1e-7);
    if (random() % 1000 == 0) {
      text += "\n";
      ++lines;
    }
    if (lines == 300000) {  // a line of 5 MB: the score, then blanks
      line("x9", "z1", 0.75);
      text.insert(text.size() - 1, std::string((size_t)5 << 20, ' '));
    }
  }
  line("z1", "x1", 0.5);
  text.pop_back();  // the last line without a newline
  EXPECT_EQ(records, read(file(text)));
  EXPECT_TRUE(expected == scores_);

  // A bad line and an unknown identifier deep in the file.
  for (const char* bad : {"x1 y1\n", "x1 q7 1\n", "x1 y1 1e999\n"}) {
    const std::string f = file(text + "\n" + bad + "x1 y1 1\n");
    const auto s = stop(f);
    EXPECT_EQ(0u, s.second.find("Error: " + f + " line " + std::to_string(lines + 1) + ": "))
        << s.second.substr(0, 200);
  }
}

}  // namespace
