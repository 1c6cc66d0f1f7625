// Reader of a match-score file ("id id score" per line), the hand-over point
// between a compute run and a later run given --scorefile.
#pragma once

#include <string>

#include "base/match_table.h"
#include "base/types.h"

// Adds every line's score to matchScores under (smaller id, larger id).
// Returns the number of lines stored. Throws RunError on a missing or empty
// file (the program's own fixed messages), a malformed line, or an identifier
// that is not a protein of idList.
int readMatchScoreFile(const std::string& fileName, const VecStr& idList, StrPair2Dbl& matchScores);

// The same records into the table of a run (whose key order must be
// SmallerFirst); idList must be sorted, so that the smaller identifier is the
// smaller protein number.
int readMatchScoreFile(const std::string& fileName, const VecStr& idList, MatchScoreTable& table);
