// Loaders driven by the data-description file: "<dir> <suffix> <N> <sp1> ... <spN> [wbm]".
// Each clears the containers it fills, then reads, in this order, the pair files
// dir/A-B<suffix>.evals for A <= B over the sorted species, then dir/A<suffix>.tab.
#pragma once

#include <string>

#include "base/types.h"

// The full loader of a compute run: sequence scores and networks.
void grabSequenceAndInteractionData(const std::string& dataDescFile, VecStr& spList,
                                    VecStr& idList, Str2Str& id2sp, StrPair2Dbl& blastScores,
                                    StrPair2Dbl& intxns);

// Identifiers only, reading exactly the files the full loader reads.
void grabSequenceData(const std::string& dataDescFile, VecStr& spList, VecStr& idList,
                      Str2Str& id2sp);

// Sequence scores only; no network file.
void grabSequenceData(const std::string& dataDescFile, VecStr& spList, VecStr& idList,
                      Str2Str& id2sp, StrPair2Dbl& blastScores);

// Networks only; no pair file.
void grabInteractionData(const std::string& dataDescFile, VecStr& spList, VecStr& idList,
                         Str2Str& id2sp, StrPair2Dbl& intxns);

// The file-name pieces of a data-description file.
struct DataDescription {
  std::string dir;
  std::string suffix;  // "-" already turned into ""
  VecStr species;      // sorted
  std::string pairFile(const std::string& a, const std::string& b) const {
    return dir + "/" + a + "-" + b + suffix + ".evals";
  }
  std::string networkFile(const std::string& sp) const { return dir + "/" + sp + suffix + ".tab"; }
};

// Reads the directory, suffix, count and species names; throws RunError on a
// file that cannot be opened, a bad count, or fewer names than the count.
DataDescription readDataDescription(const std::string& dataDescFile);
