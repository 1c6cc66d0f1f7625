// Putting the sequence scores of different species pairs on one scale.
#pragma once

#include <string>

#include "base/types.h"

// In this order, each step under its switch: removeNonParalogWithinSpeciesScores,
// rescaleScoresBySpDistance (using the paralog pairs only when the first step
// ran), removeLowEntries with the threshold.
void normalizeBlastLikeScores(StrPair2Dbl& scores, const VecStr& idList, const VecStr& spList,
                              const Str2Str& id2sp, bool removeNonParalogs, bool rescale,
                              bool removeLow, double threshold);

// Divides every score by m(A,B) / mu, A and B the species of its proteins:
// m(A,B) is the mean of the A-B best-hit scores (entries within 1e-9 of the best
// A-B score of one of their proteins), mu the mean over all best hits (and the
// paralog pairs, when used). Within-species scores are scaled by their species'
// mean paralog score when useParalogs is on, else left as they are. A species
// pair whose factor is 0 or not finite keeps its scores, with a warning.
void rescaleScoresBySpDistance(StrPair2Dbl& scores, const StrPair2Int& paralogPairs,
                               const VecStr& idList, const VecStr& spList, const Str2Str& id2sp,
                               bool useParalogs);

// Sets every entry of a map keyed by species pairs to value, except the ten
// ordered pairs hsapi/dmela, mmusc/dmela, hsapi/scere, mmusc/scere, celeg/scere.
void keepOnlySomeSpeciesPairScalingFactors(StrPair2Dbl& spPairValues, double value);

// Evolutionary distance of two species; every pair is at distance 1.0.
double getSpeciesDistance(const std::string& sp1, const std::string& sp2);
