// One complete run: options, loading, match scores (computed or read), clustering.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "base/match_table.h"
#include "base/run_data.h"
#include "base/types.h"

// Runs the program on its command line. Returns 0 after a completed run;
// every early stop throws RunError (see base/error.h).
int runTrivanex(int argc, char** argv);

// The inputs of a compute run, proteins numbered by the sorted identifiers.
struct ComputeInputs {
  VecStr spList, idList;
  Str2Str id2sp;
  Str2Int id2idx;
  ProteinIndex proteins;
  std::vector<PairRecord> blastScores, intxns;
};

// Loads them as a compute run does, printing the run's loading lines.
void loadComputeInputs(const std::string& dataDescFile, ComputeInputs& in);

// Chooses the species pairs (by name, first before second in the sorted
// species list) whose match scores are computed.
typedef std::function<bool(const std::string& sp1, const std::string& sp2)> PairFilter;

// Compute mode: the power method for every pair of distinct species of
// spList that `wanted` accepts (all when it is empty), in the order of the
// sorted species list; each pair's scores become one block of the table.
// `factored` chooses the factored sweep (align/factored_sweep.h).
void computeMatchScores(const VecStr& spList, const VecStr& idList, const ProteinIndex& proteins,
                        const std::vector<PairRecord>& intxns,
                        const std::vector<PairRecord>& blastScores, int K, double thresh,
                        double alpha, int maxveclen, MatchScoreTable& matchScores,
                        const PairFilter& wanted = PairFilter(), bool factored = false);
