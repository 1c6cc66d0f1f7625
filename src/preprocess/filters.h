// In-place filters of a sequence-score map keyed (smaller, larger), with
// within-species and between-species entries together. They only erase
// entries. Every identifier of the scores must have a species in id2sp; one
// without stops with a RunError.
#pragma once

#include "base/types.h"

// Erases each within-species entry (a, b), a != b, whose score is strictly
// below the best between-species score of a or of b; every within-species entry
// kept (self-pairs included) goes into paralogPairs (replaced) with value 1.
// Prints "Removed N within-species entries". spList is not used.
void removeNonParalogWithinSpeciesScores(StrPair2Dbl& scores, StrPair2Int& paralogPairs,
                                         const VecStr& idList, const VecStr& spList,
                                         const Str2Str& id2sp);

// For every species pair A, B of spList (positions i < j), erases each A-B entry
// whose score is below threshold times the best A-B score of either of its
// proteins. Within-species entries are never erased.
void removeLowEntries(StrPair2Dbl& scores, const VecStr& idList, const VecStr& spList,
                      const Str2Str& id2sp, double threshold);

// Keeps only the entries whose two identifiers are both keys of idSet.
void subsetDataBySetOfIds(StrPair2Dbl& scores, Str2Int idSet);
