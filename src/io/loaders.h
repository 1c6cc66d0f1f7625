// Loaders driven by the data-description file: "<dir> <suffix> <N> <sp1> ... <spN> [wbm]".
// Each clears the containers it fills, then reads, in this order, the pair files
// dir/A-B<suffix>.evals for A <= B over the sorted species, then dir/A<suffix>.tab.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "base/run_data.h"
#include "base/types.h"
#include "io/readers.h"

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

// The records of pair-keyed files as a run keeps them: one value per
// unordered pair of identifiers, a later record replacing an earlier one, as
// the maps of the loaders above hold them, without a map of string pairs.
class PairCollector {
 public:
  // A sink adding records to this collector; valid while it lives.
  RecordSink sink();
  // Distinct pairs so far.
  long size() const { return (long)values_.size(); }
  // Pairs whose identifiers belong to different species.
  long pairsBetweenSpecies(const Str2Str& id2sp) const;
  // The pairs by protein number, key (smaller, larger), in key order: the
  // order of the maps' keys once the numbers follow the sorted identifiers.
  std::vector<PairRecord> records(const Str2Int& id2idx) const;

 private:
  int intern(const std::string& id);
  std::unordered_map<std::string, int> number_;
  VecStr names_;
  std::unordered_map<uint64_t, double> values_;  // (smaller << 32 | larger) by intern number
};

// Identifiers from every file the full loader reads, and the networks'
// records; the sequence scores are read for their identifiers only.
void grabIdentifiersAndInteractions(const std::string& dataDescFile, VecStr& spList, VecStr& idList,
                                    Str2Str& id2sp, PairCollector& intxns);

// Identifiers from every file the full loader reads, and the sequence
// scores' records; the networks are read for their identifiers only.
void grabIdentifiersAndScores(const std::string& dataDescFile, VecStr& spList, VecStr& idList,
                              Str2Str& id2sp, PairCollector& blastScores);

// The full loader of a compute run, collecting the records instead of mapping them.
void grabSequenceAndInteractionData(const std::string& dataDescFile, VecStr& spList,
                                    VecStr& idList, Str2Str& id2sp, PairCollector& blastScores,
                                    PairCollector& intxns);
