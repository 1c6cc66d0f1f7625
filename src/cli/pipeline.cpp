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
#include "base/match_table.h"
#include "base/run_data.h"
#include "base/types.h"

namespace {

// Compute mode: the power method for every pair of distinct species, in the
// order of the sorted species list; each pair's scores become one block of
// the table. A species named twice computes its pairs twice; the second
// result replaces the first, as it would in a map of the scores.
void computeMatchScores(const VecStr& spList, const VecStr& idList, const ProteinIndex& proteins,
                        const std::vector<PairRecord>& intxns,
                        const std::vector<PairRecord>& blastScores, int K, double thresh,
                        double alpha, int maxveclen, MatchScoreTable& matchScores) {
  const bool doPruning = maxveclen > 0;
  const std::vector<double> largest = detail::largestScores(blastScores, (int)idList.size());
  for (size_t i = 0; i < spList.size(); ++i) {
    for (size_t j = i + 1; j < spList.size(); ++j) {
      if (spList[i] == spList[j]) continue;
      VecInt sp1_idxList, sp2_idxList;
      DEBUGP(2);
      const detail::PairProblem p =
          detail::preparePairProblem(idList, proteins, intxns, blastScores, largest, spList[i],
                                     spList[j], sp1_idxList, sp2_idxList);
      detail::IterationResult res =
          detail::iterate(p, K, thresh, alpha, doPruning, maxveclen, detail::sweepThreads(p));
      DEBUGP(210);
      DEBUGP(4);
      const long newScores = detail::scoresBeyondSequenceTerm(p, res);
      const long finalCount = res.count;
      // A species without proteins has no number and no scores to keep.
      const int r = proteins.speciesNumber(spList[i]), c = proteins.speciesNumber(spList[j]);
      if (r >= 0 && c >= 0) matchScores.putDense(r, c, std::move(res.R), res.count);
      std::cerr << spList[i] << " " << spList[j] << " # scores in finalVec but not in initVec: "
                << newScores << " init: " << p.E.size() << " final: " << finalCount << std::endl;
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
  Str2Int id2idx;
  PairCollector blastScores, intxns;
  const bool computeMode = scorefile.empty();

  if (!computeMode) {
    grabSequenceData(dataDescFile, spList, idList, id2sp);
    std::cerr << "size of sp-list: " << spList.size() << std::endl;
    std::cerr << "size of id_list: " << idList.size() << std::endl;
  } else {
    grabSequenceAndInteractionData(dataDescFile, spList, idList, id2sp, blastScores, intxns);
    std::cerr << "size of sp-list: " << spList.size() << std::endl;
    std::cerr << "number of blast scores: " << blastScores.size()
              << " # scores between species: " << blastScores.pairsBetweenSpecies(id2sp)
              << std::endl;
  }

  std::sort(idList.begin(), idList.end());
  for (size_t i = 0; i < idList.size(); ++i) id2idx.emplace_hint(id2idx.end(), idList[i], (int)i);
  const ProteinIndex proteins = makeProteinIndex((int)idList.size(), id2idx, id2sp);
  DEBUGP(101);

  MatchScoreTable matchScores(proteins, computeMode ? MatchScoreTable::RowSpeciesFirst
                                                    : MatchScoreTable::SmallerFirst);
  if (!computeMode) {
    DEBUGP(102);
    readMatchScoreFile(scorefile, idList, matchScores);
    DEBUGP(103);
  } else {
    {
      const std::vector<PairRecord> scoreRecords = blastScores.records(id2idx);
      const std::vector<PairRecord> intxnRecords = intxns.records(id2idx);
      blastScores = PairCollector();
      intxns = PairCollector();
      computeMatchScores(spList, idList, proteins, intxnRecords, scoreRecords, K, thresh, alpha,
                         maxveclen, matchScores);
    }
    DEBUGP(5);
    writeOutScores(matchScores, idList, prefix + "_match-score.txt");
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
