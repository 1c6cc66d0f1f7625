// The WBM score file: a further file of pairwise protein scores, named by the
// optional last field of the data-description file and kept in a map of its own.
#pragma once

#include <string>

#include "base/types.h"

// Replaces wbmScores by the records "id1 id2 score" of the file, keyed
// (smaller, larger); a later record for the same pair wins. Both identifiers
// must be in idList. A file that cannot be opened reads as empty. Returns the
// number of records read, repeated pairs included.
int readWBMscoreFile(const std::string& fileName, const VecStr& idList, StrPair2Dbl& wbmScores);

// The full loader, then the WBM file dir/<name> (name from the description
// file, "wbm_scores_9dec.dat" when it has none).
void grabSequenceAndInteractionData(const std::string& dataDescFile, VecStr& spList,
                                    VecStr& idList, Str2Str& id2sp, StrPair2Dbl& blastScores,
                                    StrPair2Dbl& intxns, StrPair2Dbl& wbmScores);
