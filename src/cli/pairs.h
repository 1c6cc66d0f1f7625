// The species-pair jobs of a scaled-out run: list the pairs a run aligns,
// compute the match scores of some of them into a file of their own, and
// merge such files into the match-score file of the whole run.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

// trivanex-pairs on its command line; returns the exit status. Stops throw RunError.
int runPairsCommand(int argc, char** argv);

// The usage text of trivanex-pairs.
const std::string& pairsUsageText();

// Merges match-score files that each hold the scores of other species pairs
// (every file in key order, as trivanex writes them) into one file in key
// order, copying every line as it stands. Throws RunError naming the file and
// line of a line out of order, a malformed line, or a pair found twice.
void mergeMatchScoreFiles(const std::vector<std::string>& parts, const std::string& outFile);

// The same from exact pair files (exact/exact_scores.h), which must hold
// distinct species pairs of one roster: writes the match-score file and, when
// exactOut is not empty, the exact score file of all their pairs.
void mergeExactScoreFiles(const std::vector<std::string>& parts, const std::string& outFile,
                          const std::string& exactOut);
