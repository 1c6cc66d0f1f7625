// A match-score file read for a few pairs only: the pairs of proteins that
// share a group (the members of one cluster). Reading the whole table of a
// large run costs a hash lookup and a number conversion per line; here a line
// costs a comparison of its first identifier with the previous line's, and
// only lines of grouped proteins are looked at further.
#pragma once

#include <functional>
#include <string>

#include "base/types.h"

// Calls found(a, b, score) for every line "id1 id2 score" whose proteins a
// (id1) and b (id2) are different members of one group, in file order (so a
// later line for a pair comes later). groupOf[p] is p's group or -1;
// members[g] lists group g's proteins; idList names the protein numbers.
// Throws RunError naming the file and line on a missing, empty or unreadable
// file, a first identifier that is no protein of idList, and, on a line of
// two members of one group, a missing field or a score that is not a number.
//
// The file is split into `parts` ranges of whole lines scanned side by side
// (0: one per CPU, up to 4, for files of 16 MB or more; else one).
void readScoresWithinGroups(const std::string& fileName, const VecStr& idList, const VecInt& groupOf,
                            const std::vector<VecInt>& members,
                            const std::function<void(int a, int b, double score)>& found, int parts = 0);
