// Turning a pair's final score vector back into identifier pairs, writing the
// match-score file, and comparing two score maps.
#pragma once

#include <string>

#include "base/types.h"

// Adds the entries of finalVec to matchScores under (sp1 protein, sp2 protein).
// Returns 1.
int readMatchScores(const VecStr& idList, const VecBool& finalVecMembership,
                    const Hash_Int2Dbl& finalVec, const VecInt& sp1_idxList,
                    const VecInt& sp2_idxList, StrPair2Dbl& matchScores);

// Writes "id1 id2 score" lines in key order, scores as printf "%g". A file that
// cannot be created gets a warning on standard error; the run goes on.
void writeOutScores(const StrPair2Dbl& matchScores, const std::string& fileName);

// Sums both maps' values over the keys they share (same key order) and prints
// "total of common scores: blast: <first> match: <second>".
void computeSumOfCommonScores(const StrPair2Dbl& first, const StrPair2Dbl& second,
                              double& sumSecond, double& sumFirst);
