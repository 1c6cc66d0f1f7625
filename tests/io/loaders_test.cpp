#include "io/loaders.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

#include "base/error.h"
#include "test_util.h"

namespace {

using testutil::writeFile;

class LoaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = testutil::makeTempDir();
    std::filesystem::create_directory(dir_ + "/d");
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  void data(const std::string& name, const std::string& content) {
    writeFile(dir_ + "/d/" + name, content);
  }
  std::string desc(const std::string& content) {
    const std::string path = dir_ + "/data.in";
    writeFile(path, content);
    return path;
  }

  // Two species given in reverse order; every pair file but scere-scere exists.
  std::string twoSpecies(const std::string& suffix = "-", const std::string& fileSuffix = "") {
    data("celeg-celeg" + fileSuffix + ".evals", "c1 c2 5\n");
    data("celeg-scere" + fileSuffix + ".evals", "c2 s1 52.4\nc3 s2 1\nc1 s1 2\n");
    data("celeg" + fileSuffix + ".tab", "INTERACTOR_A INTERACTOR_B CONF_VAL\nc4 c1 0.5\n");
    data("scere" + fileSuffix + ".tab", "INTERACTOR_A INTERACTOR_B\ns1 s3\n");
    return desc(dir_ + "/d " + suffix + " 2\nscere celeg\n");
  }

  // Runs a loader with standard error captured into err_.
  void run(const std::function<void()>& loader) {
    testing::internal::CaptureStderr();
    try {
      loader();
    } catch (...) {
      err_ = testing::internal::GetCapturedStderr();
      throw;
    }
    err_ = testing::internal::GetCapturedStderr();
  }

  void full(const std::string& descFile) {
    run([&] { grabSequenceAndInteractionData(descFile, spList_, idList_, id2sp_, blast_, intxns_); });
  }

  // `call` runs one of the loaders through run() or full().
  std::string stopText(const std::function<void()>& call) {
    try {
      call();
    } catch (const RunError& e) {
      return e.text();
    }
    ADD_FAILURE() << "the loader did not stop the run";
    return "";
  }

  std::string dir_, err_;
  VecStr spList_, idList_;
  Str2Str id2sp_;
  StrPair2Dbl blast_, intxns_;
};

TEST_F(LoaderTest, FullLoaderReadsPairFilesOfTheUpperTriangleThenNetworksInSortedOrder) {
  const std::string d = dir_ + "/d/";
  full(twoSpecies());
  EXPECT_EQ("blast file: " + d + "celeg-celeg.evals\n"
            "blast file: " + d + "celeg-scere.evals\n"
            "blast file: " + d + "scere-scere.evals\n"
            "Number of blast scores read: 4\n"
            "intxn file: " + d + "celeg.tab\n"
            "intxn file: " + d + "scere.tab\n",
            err_);
  EXPECT_EQ((VecStr{"celeg", "scere"}), spList_);
  EXPECT_EQ((VecStr{"c1", "c2", "s1", "c3", "s2", "c4", "s3"}), idList_);
  EXPECT_EQ((Str2Str{{"c1", "celeg"}, {"c2", "celeg"}, {"c3", "celeg"}, {"c4", "celeg"},
                     {"s1", "scere"}, {"s2", "scere"}, {"s3", "scere"}}),
            id2sp_);
  EXPECT_EQ((StrPair2Dbl{{{"c1", "c2"}, 5}, {{"c1", "s1"}, 2}, {{"c2", "s1"}, 52.4}, {{"c3", "s2"}, 1}}),
            blast_);
  EXPECT_EQ((StrPair2Dbl{{{"c1", "c4"}, 0.5}, {{"s1", "s3"}, 1}}), intxns_);
}

TEST_F(LoaderTest, SuffixGoesBeforeTheExtension) {
  const std::string d = dir_ + "/d/";
  full(twoSpecies("_x", "_x"));
  EXPECT_EQ("blast file: " + d + "celeg-celeg_x.evals\n"
            "blast file: " + d + "celeg-scere_x.evals\n"
            "blast file: " + d + "scere-scere_x.evals\n"
            "Number of blast scores read: 4\n"
            "intxn file: " + d + "celeg_x.tab\n"
            "intxn file: " + d + "scere_x.tab\n",
            err_);
  EXPECT_EQ(4u, blast_.size());
}

TEST_F(LoaderTest, DirectoryEndingInSlashGivesADoubledSlash) {
  data("a-a.evals", "a1 a2 1\n");
  data("a.tab", "INTERACTOR_A INTERACTOR_B\n");
  full(desc(dir_ + "/d/ - 1 a"));
  EXPECT_EQ("blast file: " + dir_ + "/d//a-a.evals\n"
            "Number of blast scores read: 1\n"
            "intxn file: " + dir_ + "/d//a.tab\n",
            err_);
  EXPECT_EQ((VecStr{"a1", "a2"}), idList_);
}

TEST_F(LoaderTest, DescriptionTokensMayBeSplitAnyWayAndTrailingTokensAreIgnored) {
  data("a-a.evals", "a1 a2 1\n");
  data("a.tab", "INTERACTOR_A INTERACTOR_B\n");
  full(desc("\n" + dir_ + "/d\t\n-\n\n1\r\n  a wbm_scores_9dec.dat and more"));
  EXPECT_EQ((VecStr{"a"}), spList_);
  EXPECT_EQ(1u, blast_.size());
}

TEST_F(LoaderTest, SpeciesCountZeroOpensNoDataFile) {
  blast_[{"old", "pair"}] = 1;
  full(desc("/nonexistent - 0 ignored"));
  EXPECT_EQ("Number of blast scores read: 0\n", err_);
  EXPECT_TRUE(spList_.empty());
  EXPECT_TRUE(idList_.empty());
  EXPECT_TRUE(blast_.empty());
  EXPECT_TRUE(intxns_.empty());
}

TEST_F(LoaderTest, SpeciesNamedTwiceIsKeptTwiceAndItsFilesAreReadAgain) {
  data("a-a.evals", "a1 a2 1\n");
  data("a.tab", "INTERACTOR_A INTERACTOR_B\na2 a3\n");
  full(desc(dir_ + "/d - 2 a a"));
  const std::string d = dir_ + "/d/";
  EXPECT_EQ("blast file: " + d + "a-a.evals\n"
            "blast file: " + d + "a-a.evals\n"
            "blast file: " + d + "a-a.evals\n"
            "Number of blast scores read: 1\n"
            "intxn file: " + d + "a.tab\n"
            "intxn file: " + d + "a.tab\n",
            err_);
  EXPECT_EQ((VecStr{"a", "a"}), spList_);
  EXPECT_EQ((VecStr{"a1", "a2", "a3"}), idList_);
  EXPECT_EQ(1u, intxns_.size());
}

TEST_F(LoaderTest, LoadersClearWhatTheyFill) {
  twoSpecies();
  spList_ = {"zz"};
  idList_ = {"z1"};
  id2sp_ = {{"z1", "zz"}};
  blast_ = {{{"z1", "z2"}, 1}};
  intxns_ = {{{"z1", "z3"}, 1}};
  full(dir_ + "/data.in");
  EXPECT_EQ((VecStr{"celeg", "scere"}), spList_);
  EXPECT_EQ(0u, id2sp_.count("z1"));
  EXPECT_EQ(7u, idList_.size());
  EXPECT_EQ(4u, blast_.size());
  EXPECT_EQ(2u, intxns_.size());
}

TEST_F(LoaderTest, IdentifierOnlyLoaderOpensTheSameFilesAndFillsTheSameRoster) {
  const std::string descFile = twoSpecies();
  full(descFile);
  VecStr spList, idList{"junk"};
  Str2Str id2sp{{"junk", "x"}};
  run([&] { grabSequenceData(descFile, spList, idList, id2sp); });
  const std::string d = dir_ + "/d/";
  EXPECT_EQ("blast file: (for reading protein names only)" + d + "celeg-celeg.evals\n"
            "blast file: (for reading protein names only)" + d + "celeg-scere.evals\n"
            "blast file: (for reading protein names only)" + d + "scere-scere.evals\n"
            "intxn file: " + d + "celeg.tab\n"
            "intxn file: " + d + "scere.tab\n",
            err_);
  EXPECT_EQ(spList_, spList);
  EXPECT_EQ(idList_, idList);
  EXPECT_EQ(id2sp_, id2sp);
}

TEST_F(LoaderTest, SequenceOnlyLoaderReadsNoNetwork) {
  // No .tab file exists, so any attempt to read one would stop the loader.
  data("a-a.evals", "a1 a2 1\n");
  data("a-b.evals", "a1 b1 2\na1 b1 3\n");
  const std::string descFile = desc(dir_ + "/d - 2 b a");
  blast_ = {{{"z1", "z2"}, 1}};
  run([&] { grabSequenceData(descFile, spList_, idList_, id2sp_, blast_); });
  const std::string d = dir_ + "/d/";
  EXPECT_EQ("blast file: " + d + "a-a.evals\n"
            "blast file: " + d + "a-b.evals\n"
            "blast file: " + d + "b-b.evals\n"
            "Number of blast scores read: 2\n",
            err_);
  EXPECT_EQ((StrPair2Dbl{{{"a1", "a2"}, 1}, {{"a1", "b1"}, 3}}), blast_);
  EXPECT_EQ((VecStr{"a1", "a2", "b1"}), idList_);
}

TEST_F(LoaderTest, InteractionOnlyLoaderReadsNoPairFile) {
  data("a-b.evals", "b1 a1 2\n");  // columns swapped: reading it would stop the loader
  data("a.tab", "INTERACTOR_A INTERACTOR_B\na1 a2\n");
  data("b.tab", "INTERACTOR_A INTERACTOR_B CONF_VAL\nb2 b1 0.25\n");
  const std::string descFile = desc(dir_ + "/d - 2 b a");
  intxns_ = {{{"z1", "z2"}, 1}};
  run([&] { grabInteractionData(descFile, spList_, idList_, id2sp_, intxns_); });
  const std::string d = dir_ + "/d/";
  EXPECT_EQ("intxn file: " + d + "a.tab\nintxn file: " + d + "b.tab\n", err_);
  EXPECT_EQ((StrPair2Dbl{{{"a1", "a2"}, 1}, {{"b1", "b2"}, 0.25}}), intxns_);
  EXPECT_EQ((VecStr{"a1", "a2", "b2", "b1"}), idList_);
  EXPECT_EQ((VecStr{"a", "b"}), spList_);
}

TEST_F(LoaderTest, MissingNetworkFileStopsTheRun) {
  data("a-a.evals", "a1 a2 1\n");
  const std::string text = stopText([&] { full(desc(dir_ + "/d - 1 a")); });
  EXPECT_EQ(0u, text.find("Error: ")) << text;
  EXPECT_NE(std::string::npos, text.find(dir_ + "/d/a.tab")) << text;
}

TEST_F(LoaderTest, IdentifierUnderTwoSpeciesStopsTheRun) {
  twoSpecies();
  data("scere.tab", "INTERACTOR_A INTERACTOR_B\ns1 c4\n");  // c4 is a celeg protein
  const std::string text = stopText([&] { full(dir_ + "/data.in"); });
  EXPECT_EQ(0u, text.find("Error: " + dir_ + "/d/scere.tab line 2: ")) << text;
  EXPECT_NE(std::string::npos, text.find("'c4'")) << text;
}

TEST_F(LoaderTest, BadDescriptionFilesStopTheRun) {
  const std::string path = dir_ + "/data.in";
  // Missing file, too few tokens, a count that is not a non-negative integer, fewer names.
  const char* contents[] = {nullptr,      "",         "d",       "d -",      "d - x a",
                            "d - -1 a",   "d - 2x a b", "d - +1 a", "d - 1.0 a", "d - 3 a b",
                            "d - 1",      "d - 99999999999 a"};
  for (const char* content : contents) {
    std::filesystem::remove(path);
    if (content) writeFile(path, content);
    const std::string text = stopText([&] { full(path); });
    EXPECT_EQ(0u, text.find("Error: ")) << (content ? content : "(no file)") << ": " << text;
    EXPECT_NE(std::string::npos, text.find(path)) << (content ? content : "(no file)") << ": " << text;
    EXPECT_EQ("", err_) << "no data file may be tried for: " << (content ? content : "(no file)");
  }
}

TEST_F(LoaderTest, DescriptionPiecesAreReadAsTokens) {
  writeFile(dir_ + "/data.in", "some/dir - 003 scere celeg hsapi wbm.dat");
  DataDescription d = readDataDescription(dir_ + "/data.in");
  EXPECT_EQ("some/dir", d.dir);
  EXPECT_EQ("", d.suffix);
  EXPECT_EQ((VecStr{"celeg", "hsapi", "scere"}), d.species);
  EXPECT_EQ("some/dir/celeg-scere.evals", d.pairFile("celeg", "scere"));
  EXPECT_EQ("some/dir/hsapi.tab", d.networkFile("hsapi"));
}

}  // namespace
