#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <string>

#include "base/error.h"
#include "eval/evaluation.h"
#include "test_util.h"

namespace {

using testutil::writeFile;

// Binary entropy in bits: the normalised entropy of two groups with shares p, 1 - p.
double bits(double p) { return -(p * std::log2(p) + (1 - p) * std::log2(1 - p)); }

std::string errorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const RunError& e) {
    return e.text();
  }
  return "no error";
}

// Species A (a1..a5), B (b1..b4), C (c1, c2). b1 is in two groups, a4, b3 and
// c2 in none, x9 is annotated but no protein of the data.
struct Fixture {
  VecStr spList{"A", "B", "C"};
  Str2Str id2sp{{"a1", "A"}, {"a2", "A"}, {"a3", "A"}, {"a4", "A"}, {"a5", "A"},
                {"b1", "B"}, {"b2", "B"}, {"b3", "B"}, {"b4", "B"}, {"c1", "C"}, {"c2", "C"}};
  Str2VecStr groups{{"a1", {"G1"}}, {"a2", {"G1"}}, {"a3", {"G2"}}, {"a5", {"G2"}},
                    {"b1", {"G1", "G2"}}, {"b2", {"G2"}}, {"b4", {"G1"}}, {"c1", {"G3"}},
                    {"x9", {"G1"}}};
  ClusterList clusters;
  EvalReport run(const std::vector<VecStr>& lines) {
    clusters.clusters = lines;
    clusters.lines.assign(lines.size(), 0);
    return evaluateClusters(clusters, spList, id2sp, groups);
  }
};

TEST(NormalisedGroupEntropy, PureMixedAndMultiGroupMembers) {
  const VecInt g0{0}, g1{1}, g2{2}, g01{0, 1};
  EXPECT_EQ(0.0, normalisedGroupEntropy({&g0, &g0, &g0}));
  EXPECT_DOUBLE_EQ(1.0, normalisedGroupEntropy({&g0, &g1}));
  EXPECT_DOUBLE_EQ(1.0, normalisedGroupEntropy({&g0, &g1, &g2}));  // log 3 / log 3
  // A two-group member gives half to each: shares 1.5 and 0.5 of 2.
  EXPECT_DOUBLE_EQ(bits(0.25), normalisedGroupEntropy({&g01, &g0}));
  // Two members both in groups 0 and 1 share both groups, and yet spread evenly.
  EXPECT_DOUBLE_EQ(1.0, normalisedGroupEntropy({&g01, &g01}));
  EXPECT_EQ(0.0, normalisedGroupEntropy({&g0}));
}

TEST(EvaluateClusters, EveryMeasureOnAHandComputedCase) {
  Fixture f;
  // a1 b4 c1: G1, G1, G3, nothing common: annotated, not correct, 3 species.
  // a3 b1 b2: G2, {G1 G2}, G2, G2 common: correct, 3 correct nodes.
  // a2 b3: one annotated member only. a4: no annotated member. a5 stays out.
  const EvalReport r = f.run({{"a1", "b4", "c1"}, {"a3", "b1", "b2"}, {"a2", "b3"}, {"a4"}});
  EXPECT_EQ(4, r.clusters);
  EXPECT_EQ(9, r.proteinsClustered);
  EXPECT_EQ(8, r.annotatedProteins);
  EXPECT_EQ(7, r.annotatedClustered);
  EXPECT_EQ(2, r.annotatedClusters);
  EXPECT_EQ(1, r.correctClusters);
  EXPECT_EQ(3, r.correctNodes);
  EXPECT_EQ(1, r.annotationsOutsideData);
  EXPECT_EQ((std::vector<long>{1, 2, 1}), r.speciesPerCluster);
  double v = 0;
  ASSERT_TRUE(coverage(r, v));
  EXPECT_EQ(0.875, v);
  ASSERT_TRUE(specificity(r, v));
  EXPECT_EQ(0.5, v);
  ASSERT_TRUE(sensitivity(r, v));
  EXPECT_EQ(0.375, v);
  // Shares 2/3, 1/3 in the first cluster; 1/6 (G1 from b1), 5/6 in the second.
  ASSERT_TRUE(meanEntropy(r, v));
  EXPECT_NEAR((bits(1.0 / 3) + bits(1.0 / 6)) / 2, v, 1e-15);
}

TEST(EvaluateClusters, SpeciesCoverageAllSpeciesMeasuresAndGo) {
  Fixture f;
  const Str2VecStr go{{"a1", {"T1", "T2"}}, {"b4", {"T1"}}, {"c1", {"T3"}},
                      {"a3", {"T2"}},       {"b1", {"T2"}}, {"zz", {"T1"}}};
  f.clusters.clusters = {{"a1", "b4", "c1"}, {"a3", "b1", "b2", "c2"}, {"a2", "b3"}, {"a4"}};
  const EvalReport r = evaluateClusters(f.clusters, f.spList, f.id2sp, &f.groups, &go);
  EXPECT_EQ((std::vector<long>{1, 2, 7}), r.proteinsPerSpan);
  EXPECT_EQ(3, clustersSpanningAtLeast(r, 2));
  EXPECT_EQ(9, proteinsSpanningAtLeast(r, 2));
  EXPECT_EQ(2, clustersSpanningAtLeast(r, 3));
  EXPECT_EQ(7, proteinsSpanningAtLeast(r, 3));
  // Both 3-species clusters are annotated; only the second is correct (G2 of
  // a3, b1, b2; c2 has no group).
  EXPECT_EQ(2, r.allSpeciesClusters);
  EXPECT_EQ(2, r.allSpeciesAnnotated);
  EXPECT_EQ(1, r.allSpeciesCorrect);
  EXPECT_EQ(3, r.allSpeciesCorrectNodes);
  double v = 0;
  ASSERT_TRUE(allSpeciesSpecificity(r, v));
  EXPECT_EQ(0.5, v);
  ASSERT_TRUE(allSpeciesMeanEntropy(r, v));
  EXPECT_NEAR((bits(1.0 / 3) + bits(1.0 / 6)) / 2, v, 1e-15);
  // GO: a1 b4 c1 share nothing, T1 on 2 of 3; a3 b1 share T2 (b2, c2 have no
  // term); a2 b3 have none; zz is no protein of the data.
  EXPECT_TRUE(r.hasGo);
  EXPECT_EQ(5, r.goAnnotatedProteins);
  EXPECT_EQ(1, r.goOutsideData);
  EXPECT_EQ(2, r.goAnnotatedClusters);
  EXPECT_EQ(1, r.goConsistentClusters);
  ASSERT_TRUE(goConsistency(r, v));
  EXPECT_EQ(0.5, v);
  ASSERT_TRUE(goMeanTopTermShare(r, v));
  EXPECT_DOUBLE_EQ((2.0 / 3 + 1.0) / 2, v);

  // Without group files the group measures stay out of the text.
  const EvalReport goOnly = evaluateClusters(f.clusters, f.spList, f.id2sp, nullptr, &go);
  const std::string text = formatReportText(goOnly);
  EXPECT_EQ(std::string::npos, text.find("\nannotated proteins "));
  EXPECT_NE(std::string::npos, text.find("clusters spanning 3+ species  2 (7 proteins)\n"));
  EXPECT_NE(std::string::npos, text.find("GO consistency                0.5000 (1 / 2)\n"));
}

TEST(TopTermShare, MostCommonTermOverMembers) {
  const VecInt t01{0, 1}, t1{1}, t2{2};
  EXPECT_DOUBLE_EQ(2.0 / 3, topTermShare({&t01, &t1, &t2}));
  EXPECT_EQ(1.0, topTermShare({&t01, &t01}));
  EXPECT_EQ(0.5, topTermShare({&t1, &t2}));
  EXPECT_EQ(0.0, topTermShare({}));
}

TEST(EvaluateClusters, SharedGroupOfMultiGroupMembersAndUnannotatedMembers) {
  Fixture f;
  f.groups["a2"] = {"G1", "G3"};
  // b1 {G1 G2} and a2 {G1 G3} share G1; the unannotated a4 and b3 change nothing.
  const EvalReport r = f.run({{"b1", "a4", "a2", "b3"}});
  EXPECT_EQ(1, r.annotatedClusters);
  EXPECT_EQ(1, r.correctClusters);
  EXPECT_EQ(2, r.correctNodes);
  EXPECT_EQ(2, r.annotatedClustered);
  EXPECT_EQ(4, r.proteinsClustered);
  // Shares G1 1, G2 0.5, G3 0.5 of 2.
  double v = 0;
  ASSERT_TRUE(meanEntropy(r, v));
  EXPECT_DOUBLE_EQ(-(0.5 * std::log(0.5) + 2 * 0.25 * std::log(0.25)) / std::log(3.0), v);
  // Pairwise overlaps are not enough: b1 {G1 G2}, a3 {G2}, a1 {G1} have none in common.
  const EvalReport three = f.run({{"b1", "a3", "a1"}});
  EXPECT_EQ(1, three.annotatedClusters);
  EXPECT_EQ(0, three.correctClusters);
  EXPECT_EQ(0, three.correctNodes);
}

TEST(EvaluateClusters, EmptyClusteringAndEmptyTruthLeaveRatiosUndefined) {
  Fixture f;
  const EvalReport r = f.run({});
  EXPECT_EQ(0, r.clusters);
  EXPECT_EQ(0, r.proteinsClustered);
  EXPECT_EQ((std::vector<long>{0, 0, 0}), r.speciesPerCluster);
  double v = -1;
  ASSERT_TRUE(coverage(r, v));
  EXPECT_EQ(0.0, v);
  ASSERT_TRUE(sensitivity(r, v));
  EXPECT_EQ(0.0, v);
  EXPECT_FALSE(specificity(r, v));
  EXPECT_FALSE(meanEntropy(r, v));

  f.groups.clear();
  const EvalReport none = f.run({{"a1", "b1"}});
  EXPECT_EQ(0, none.annotatedProteins);
  EXPECT_FALSE(coverage(none, v));
  EXPECT_FALSE(sensitivity(none, v));
  EXPECT_EQ((std::vector<long>{0, 1, 0}), none.speciesPerCluster);
}

TEST(EvaluateClusters, MemberUnknownToTheDataIsAnError) {
  Fixture f;
  EXPECT_EQ("Error: identifier 'zz' of the cluster file is not a protein of the data\n",
            errorOf([&] { f.run({{"a1", "zz"}}); }));
}

TEST(ReadClusterFile, ClustersLinesAndBadInput) {
  const std::string dir = testutil::makeTempDir(), file = dir + "/c.txt";
  const Str2Str id2sp{{"a1", "A"}, {"a2", "A"}, {"b1", "B"}};
  writeFile(file, "a1 b1 \n \t\n\na2\r\n");
  ClusterList c;
  readClusterFile(file, &id2sp, c);
  EXPECT_EQ((std::vector<VecStr>{{"a1", "b1"}, {"a2"}}), c.clusters);
  EXPECT_EQ((std::vector<long>{1, 4}), c.lines);

  writeFile(file, "a1 b1\n\na2 b1\n");
  EXPECT_EQ("Error: " + file + " line 3: identifier 'b1' already occurs on line 1\n",
            errorOf([&] { readClusterFile(file, &id2sp, c); }));
  writeFile(file, "a1 a1\n");
  EXPECT_EQ("Error: " + file + " line 1: identifier 'a1' already occurs on line 1\n",
            errorOf([&] { readClusterFile(file, &id2sp, c); }));
  writeFile(file, "a1\nb1 q7\n");
  EXPECT_EQ("Error: " + file + " line 2: identifier 'q7' is not a protein of the data-description file\n",
            errorOf([&] { readClusterFile(file, &id2sp, c); }));
  readClusterFile(file, nullptr, c);  // without a roster every identifier is taken
  EXPECT_EQ(2u, c.clusters.size());
  EXPECT_EQ("Error: cannot open cluster file " + dir + "/none.txt\n",
            errorOf([&] { readClusterFile(dir + "/none.txt", &id2sp, c); }));
  EXPECT_EQ("Error: " + dir + ": is a directory, not a file\n",
            errorOf([&] { readClusterFile(dir, &id2sp, c); }));
  std::filesystem::remove_all(dir);
}

TEST(ReadGroupFile, SeveralFilesRepeatsAndBadLines) {
  const std::string dir = testutil::makeTempDir();
  writeFile(dir + "/1.fo", "p1\tG2\np1\tG1\n\np2 G1\n");
  writeFile(dir + "/2.fo", "p1\tG2\np3\tG3\n");
  Str2VecStr groups;
  readGroupFile(dir + "/1.fo", groups);
  readGroupFile(dir + "/2.fo", groups);
  EXPECT_EQ((Str2VecStr{{"p1", {"G1", "G2"}}, {"p2", {"G1"}}, {"p3", {"G3"}}}), groups);
  // Compressed group files, and a spreadsheet's byte-order mark, read as the plain file.
  Str2VecStr packed;
  writeFile(dir + "/1.fo.xz", testutil::xzBytes("\xef\xbb\xbfp1\tG2\np1\tG1\n\np2 G1\n"));
  writeFile(dir + "/2.fo.bz2", testutil::bzip2Bytes("p1\tG2\np3\tG3\n"));
  readGroupFile(dir + "/1.fo.xz", packed);
  readGroupFile(dir + "/2.fo.bz2", packed);
  EXPECT_EQ(groups, packed);

  writeFile(dir + "/bad.fo", "p1\tG1\np2\tG1\tG2\n");
  EXPECT_EQ("Error: " + dir + "/bad.fo line 2: expected 'protein group', found 3 fields\n",
            errorOf([&] { readGroupFile(dir + "/bad.fo", groups); }));
  writeFile(dir + "/bad.fo", "\n\np1\n");
  EXPECT_EQ("Error: " + dir + "/bad.fo line 3: expected 'protein group', found 1 field\n",
            errorOf([&] { readGroupFile(dir + "/bad.fo", groups); }));
  EXPECT_EQ("Error: cannot open group file " + dir + "/none.fo\n",
            errorOf([&] { readGroupFile(dir + "/none.fo", groups); }));
  std::filesystem::remove_all(dir);
}

TEST(FormatReport, UndefinedRatiosAndSpeciesCounts) {
  EvalReport r;
  r.annotatedProteins = 3;
  r.annotatedClustered = 2;
  r.speciesPerCluster = {0, 2};
  r.clusters = 2;
  const std::string text = formatReportText(r);
  EXPECT_NE(std::string::npos, text.find("coverage                      0.6667 (2 / 3)\n"));
  EXPECT_NE(std::string::npos, text.find("specificity                   n/a (0 / 0)\n"));
  EXPECT_NE(std::string::npos, text.find("mean normalised entropy       n/a\n"));
  EXPECT_NE(std::string::npos, text.find("clusters spanning 2 species   2\n"));
  const std::string json = formatReportJson(r);
  EXPECT_NE(std::string::npos, json.find("  \"coverage\": 0.6666666666666666,\n"));
  EXPECT_NE(std::string::npos, json.find("  \"specificity\": null,\n"));
  EXPECT_NE(std::string::npos, json.find("  \"species_per_cluster\": {\"1\": 0, \"2\": 2},\n"));
}

}  // namespace
