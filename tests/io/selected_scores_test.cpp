#include "io/selected_scores.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <tuple>

#include "base/error.h"
#include "test_util.h"

namespace {

typedef std::vector<std::tuple<int, int, double>> Hits;

// Proteins a1 a2 b1 b2 c1 (numbers 0..4); groups {a1 b1 c1} and {a2 b2}.
struct Fixture {
  VecStr ids{"a1", "a2", "b1", "b2", "c1"};
  VecInt groupOf{0, 1, 0, 1, 0};
  std::vector<VecInt> members{{0, 2, 4}, {1, 3}};
  Hits read(const std::string& file, int parts) {
    Hits hits;
    readScoresWithinGroups(file, ids, groupOf, members,
                           [&](int a, int b, double s) { hits.emplace_back(a, b, s); }, parts);
    return hits;
  }
};

TEST(ReadScoresWithinGroups, PairsOfOneGroupInFileOrderWhateverTheSplit) {
  Fixture f;
  const std::string dir = testutil::makeTempDir(), file = dir + "/m.txt";
  // A pair across groups (a1 b2) and a blank line are passed over;
  // b1 a1 is the pair in the other column order; the last line has no break.
  testutil::writeFile(file, "a1 b1 0.5\na1 b2 0.25\n\na1  c1\t1e-05\na2 b2 0.125\nb1 a1 0.75\nb1 c1 2");
  const Hits want{{0, 2, 0.5}, {0, 4, 1e-05}, {1, 3, 0.125}, {2, 0, 0.75}, {2, 4, 2.0}};
  for (int parts = 1; parts <= 5; ++parts) {
    SCOPED_TRACE(parts);
    EXPECT_EQ(want, f.read(file, parts));
  }
  // The bad line is named by its line in the file, whichever range holds it.
  testutil::writeFile(file, "a1 b1 0.5\na1 b2 0.25\na2 b2 x\nb1 c1 2\nzz b1 1\n");
  for (int parts = 1; parts <= 3; ++parts) {
    try {
      f.read(file, parts);
      ADD_FAILURE() << "a bad score was taken";
    } catch (const RunError& e) {
      EXPECT_EQ("Error: " + file + " line 3: score 'x' is not a number\n", e.text());
    }
  }
  testutil::writeFile(file, "a1 b1 0.5\na1 b2 0.25\nb1 c1 2\nzz b1 1\n");
  try {
    f.read(file, 2);
    ADD_FAILURE() << "an unknown identifier was taken";
  } catch (const RunError& e) {
    EXPECT_EQ("Error: " + file + " line 4: identifier 'zz' is not a protein of the data\n", e.text());
  }
  std::filesystem::remove_all(dir);
}

// Plain text and gzip (recognised by its first bytes, whatever the name)
// give the same hits; a stream cut short is an error, never a shorter file.
TEST(ReadScoresWithinGroups, GzipFileGivesTheSameHitsAndACutOneFails) {
  Fixture f;
  const std::string dir = testutil::makeTempDir(), file = dir + "/m.txt";
  std::string text = "a1 b1 0.5\na1 b2 0.25\na2 b2 0.125\nb1 c1 2\n";
  for (int k = 0; k < 2000; ++k) text += "a1 b2 0." + std::to_string(k) + "\n";
  testutil::writeFile(file, text);
  const Hits plain = f.read(file, 1);
  ASSERT_EQ(0, std::system(("gzip -n " + file + " && mv " + file + ".gz " + file).c_str()));
  EXPECT_EQ(plain, f.read(file, 0));
  const std::string gz = testutil::readFile(file);
  testutil::writeFile(file, gz.substr(0, gz.size() / 2));
  try {
    f.read(file, 0);
    ADD_FAILURE() << "a cut gzip stream was read as a whole file";
  } catch (const RunError& e) {
    EXPECT_NE(std::string::npos, std::string(e.what()).find("compressed data ends early or is damaged"))
        << e.what();
  }
  std::filesystem::remove_all(dir);
}

}  // namespace
