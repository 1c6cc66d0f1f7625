// Completing a match-score map with sequence evidence for the between-species
// protein pairs it lacks. Sequence scores are first normalised to
// s / sqrt(largest(a) * largest(b)), largest as in getMaxBlastScoreById.
#pragma once

#include "base/types.h"

// Species pair by species pair: each missing pair gets its normalised sequence
// score times (1 - alpha) / T, T the total normalised score between the
// interacting proteins of the two species. A pair with T = 0 adds nothing.
void fillInMissingBlastScores_L1norm(StrPair2Dbl& matchScores, double alpha,
                                     const StrPair2Dbl& intxns, const StrPair2Dbl& blastScores,
                                     const VecStr& idList, const Str2Str& id2sp,
                                     const Str2Int& id2idx, const VecStr& spList);

// All pairs at once: match scores are rescaled so that, over the keys both maps
// share, they sum to the normalised sequence scores' total (left as they are
// when no key is shared); then each missing between-species pair gets its
// normalised sequence score. Uses only matchScores, blastScores, idList, id2sp.
void fillInMissingBlastScores_L1norm_A(StrPair2Dbl& matchScores, double alpha,
                                       const StrPair2Dbl& intxns, const StrPair2Dbl& blastScores,
                                       const VecStr& idList, const Str2Str& id2sp,
                                       const Str2Int& id2idx, const VecStr& spList);
