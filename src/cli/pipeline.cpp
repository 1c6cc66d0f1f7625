#include "cli/pipeline.h"

#include <algorithm>
#include <iostream>
#include <string>

#include "align/match_scores.h"
#include "align/power_iteration.h"
#include "base/error.h"
#include "base/progress.h"
#include "cli/options.h"
#include "cluster/kpartite.h"
#include "io/loaders.h"
#include "io/match_score_reader.h"
#include "base/types.h"

namespace {

// Compute mode: the power method for every pair of distinct species, in the
// order of the sorted species list; the scores of all pairs go into matchScores.
void computeMatchScores(const VecStr& spList, const VecStr& idList, const Str2Int& id2idx,
                        const Str2Str& id2sp, const StrPair2Dbl& intxns,
                        const StrPair2Dbl& blastScores, int K, double thresh, double alpha,
                        int maxveclen, StrPair2Dbl& matchScores) {
  const bool doPruning = maxveclen > 0;
  for (size_t i = 0; i < spList.size(); ++i) {
    for (size_t j = i + 1; j < spList.size(); ++j) {
      if (spList[i] == spList[j]) continue;
      VecBool finalVecMembership, initVecMembership;
      Hash_Int2Dbl finalVec, initVec;
      VecInt sp1_idxList, sp2_idxList;
      DEBUGP(2);
      iterateRecursion(K, idList, id2idx, id2sp, spList[i], spList[j], intxns, blastScores,
                       finalVecMembership, finalVec, initVecMembership, initVec, sp1_idxList,
                       sp2_idxList, thresh, alpha, doPruning, maxveclen);
      DEBUGP(4);
      long newScores = 0;
      for (size_t p = 0; p < initVecMembership.size(); ++p)
        if (finalVecMembership[p] && !initVecMembership[p]) ++newScores;
      readMatchScores(idList, finalVecMembership, finalVec, sp1_idxList, sp2_idxList, matchScores);
      std::cerr << spList[i] << " " << spList[j] << " # scores in finalVec but not in initVec: "
                << newScores << " init: " << initVec.size() << " final: " << finalVec.size()
                << std::endl;
      std::cerr << spList[i] << " " << spList[j]
                << " # cumulative scores matchscores: " << matchScores.size() << std::endl;
    }
  }
}

}  // namespace

int runTrivanex(int argc, char** argv) {
  int K, maxveclen, cl_max_per_sp;
  double thresh, alpha, cl_min_pri_thresh, cl_min_sec_thresh;
  std::string strategy, prefix, dataDescFile, scorefile;
  std::string finalClusterFile = "tmp_output_cluster.txt";
  bool readstar, reverse;

  getoptions(argc, argv, K, thresh, alpha, maxveclen, cl_min_pri_thresh, cl_min_sec_thresh,
             cl_max_per_sp, strategy, prefix, dataDescFile, scorefile, readstar, reverse,
             finalClusterFile);
  printRunSummary(std::cerr, K, thresh, alpha, maxveclen, cl_min_pri_thresh, cl_min_sec_thresh,
                  cl_max_per_sp, strategy, dataDescFile, scorefile, readstar, reverse,
                  finalClusterFile);
  DEBUGP(1);
  if (finalClusterFile.empty()) throw RunError::bare("Output cluster file name is null");

  VecStr spList, idList;
  Str2Str id2sp;
  StrPair2Dbl blastScores, intxns, matchScores;
  Str2Int id2idx;
  const bool computeMode = scorefile.empty();

  if (!computeMode) {
    grabSequenceData(dataDescFile, spList, idList, id2sp);
    std::cerr << "size of sp-list: " << spList.size() << std::endl;
    std::cerr << "size of id_list: " << idList.size() << std::endl;
  } else {
    grabSequenceAndInteractionData(dataDescFile, spList, idList, id2sp, blastScores, intxns);
    std::cerr << "size of sp-list: " << spList.size() << std::endl;
    long between = 0;
    for (const auto& e : blastScores)
      if (id2sp.at(e.first.first) != id2sp.at(e.first.second)) ++between;
    std::cerr << "number of blast scores: " << blastScores.size()
              << " # scores between species: " << between << std::endl;
  }

  std::sort(idList.begin(), idList.end());
  for (size_t i = 0; i < idList.size(); ++i) id2idx.emplace_hint(id2idx.end(), idList[i], (int)i);
  DEBUGP(101);
  matchScores.clear();

  if (!computeMode) {
    DEBUGP(102);
    readMatchScoreFile(scorefile, idList, matchScores);
    DEBUGP(103);
  } else {
    computeMatchScores(spList, idList, id2idx, id2sp, intxns, blastScores, K, thresh, alpha,
                       maxveclen, matchScores);
    DEBUGP(5);
    // The sequence scores and networks are not needed any more; free them before clustering.
    StrPair2Dbl().swap(blastScores);
    StrPair2Dbl().swap(intxns);
    writeOutScores(matchScores, prefix + "_match-score.txt");
  }

  DEBUGP(6);
  std::cerr << "!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!Run Kpartite non-reverse"
               "!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!"
            << std::endl;
  doKpartiteMatchingStartWithStar_nore(matchScores, idList, id2idx, id2sp, spList, readstar,
                                       finalClusterFile);
  DEBUGP(7);
  return 0;
}
