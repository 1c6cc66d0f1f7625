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

// Sorts the roster and numbers the proteins by their place in it.
void numberProteins(ComputeInputs& in) {
  std::sort(in.idList.begin(), in.idList.end());
  in.id2idx.clear();
  for (size_t i = 0; i < in.idList.size(); ++i)
    in.id2idx.emplace_hint(in.id2idx.end(), in.idList[i], (int)i);
  in.proteins = makeProteinIndex((int)in.idList.size(), in.id2idx, in.id2sp);
}

}  // namespace

void loadComputeInputs(const std::string& dataDescFile, ComputeInputs& in) {
  PairCollector blastScores, intxns;
  grabSequenceAndInteractionData(dataDescFile, in.spList, in.idList, in.id2sp, blastScores, intxns);
  std::cerr << "size of sp-list: " << in.spList.size() << std::endl;
  std::cerr << "number of blast scores: " << blastScores.size()
            << " # scores between species: " << blastScores.pairsBetweenSpecies(in.id2sp)
            << std::endl;
  numberProteins(in);
  in.blastScores = blastScores.records(in.id2idx);
  in.intxns = intxns.records(in.id2idx);
}

// A species named twice computes its pairs twice; the second result replaces
// the first, as it would in a map of the scores.
void computeMatchScores(const VecStr& spList, const VecStr& idList, const ProteinIndex& proteins,
                        const std::vector<PairRecord>& intxns,
                        const std::vector<PairRecord>& blastScores, int K, double thresh,
                        double alpha, int maxveclen, MatchScoreTable& matchScores,
                        const PairFilter& wanted) {
  const bool doPruning = maxveclen > 0;
  const std::vector<double> largest = detail::largestScores(blastScores, (int)idList.size());
  for (size_t i = 0; i < spList.size(); ++i) {
    for (size_t j = i + 1; j < spList.size(); ++j) {
      if (spList[i] == spList[j]) continue;
      if (wanted && !wanted(spList[i], spList[j])) continue;
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

  const bool computeMode = scorefile.empty();
  ComputeInputs in;
  if (!computeMode) {
    grabSequenceData(dataDescFile, in.spList, in.idList, in.id2sp);
    std::cerr << "size of sp-list: " << in.spList.size() << std::endl;
    std::cerr << "size of id_list: " << in.idList.size() << std::endl;
    numberProteins(in);
  } else {
    loadComputeInputs(dataDescFile, in);
  }
  const VecStr& spList = in.spList;
  const VecStr& idList = in.idList;
  const Str2Str& id2sp = in.id2sp;
  const Str2Int& id2idx = in.id2idx;
  const ProteinIndex& proteins = in.proteins;
  DEBUGP(101);

  MatchScoreTable matchScores(proteins, computeMode ? MatchScoreTable::RowSpeciesFirst
                                                    : MatchScoreTable::SmallerFirst);
  if (!computeMode) {
    DEBUGP(102);
    readMatchScoreFile(scorefile, idList, matchScores);
    DEBUGP(103);
  } else {
    computeMatchScores(spList, idList, proteins, in.intxns, in.blastScores, K, thresh, alpha,
                       maxveclen, matchScores);
    // The sequence scores and networks are not needed any more.
    std::vector<PairRecord>().swap(in.blastScores);
    std::vector<PairRecord>().swap(in.intxns);
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
