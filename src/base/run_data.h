// The compact form of a run's inputs: proteins numbered by their position in
// the sorted identifier list, and pair-keyed records (sequence scores,
// interactions) over those numbers instead of maps of identifier pairs.
#pragma once

#include <string>
#include <vector>

#include "base/types.h"

// One record of a pair-keyed input, key (a, b) by protein number. Lists of
// these hold one record per unordered pair, in the order of their keys.
struct PairRecord {
  int a;
  int b;
  double value;
};

// Proteins grouped by species.
//
// Species are numbered over the distinct names in ascending order. Each
// species' list holds its proteins in identifier order; with a sorted idList
// that is ascending protein number, and localOf[p] is p's place in that list.
struct ProteinIndex {
  VecStr speciesNames;
  VecInt speciesOf;                // per protein number; -1 for a protein without species
  std::vector<VecInt> proteinsOf;  // per species number
  VecInt localOf;                  // per protein number; -1 for a protein without species

  int speciesCount() const { return (int)speciesNames.size(); }
  // Number of a species name, or -1.
  int speciesNumber(const std::string& name) const;
};

// Builds the index from the identifier roster: every identifier of id2sp must
// have a number in id2idx (RunError otherwise); `proteins` counts the numbers.
ProteinIndex makeProteinIndex(int proteins, const Str2Int& id2idx, const Str2Str& id2sp);
