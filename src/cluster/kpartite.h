// Star-spread k-partite clustering: stars around every protein of one centre
// species at a time (largest species first), refined into clusters.
#pragma once

#include <string>
#include <vector>

#include "cluster/records.h"
#include "base/match_table.h"
#include "base/types.h"

class ScoreIndex;

// What the clustering step wrote: the number of clusters (lines of the
// cluster file) and the star cache files it built, in the order written.
struct ClusteringOutcome {
  long clusters = 0;
  VecStr starFilesWritten;
};

// The clustering step of a run: writes the cluster file (one line per
// cluster, each identifier followed by a blank), echoes it on standard output,
// and writes or (with readstar) reads the star cache files stars_<species>.txt.
ClusteringOutcome doKpartiteMatchingStartWithStar_nore(const StrPair2Dbl& matchScores,
                                                       const VecStr& idList, const Str2Int& id2idx,
                                                       const Str2Str& id2sp, const VecStr& spList,
                                                       bool readstar, std::string finalClusterFile);

// The same over the table of a run; the cluster file and the star caches come
// out byte for byte as from a map holding the same scores.
ClusteringOutcome doKpartiteMatchingStartWithStar_nore(const MatchScoreTable& matchScores,
                                                       const VecStr& idList, const Str2Int& id2idx,
                                                       const Str2Str& id2sp, const VecStr& spList,
                                                       bool readstar,
                                                       const std::string& finalClusterFile);

// Turns one star into the members of a cluster (empty when it yields none).
VecStr this_star_is_ok(Star& star, const VecBool& isClustered, const VecInt& ranks,
                       const StrPair2Dbl& matchScores, const Str2Int& id2idx, int slotCount);

// The same, scoring edges through a prebuilt index of the same match scores.
VecStr this_star_is_ok(const Star& star, const VecBool& isClustered, const VecInt& ranks,
                       const ScoreIndex& scores, const Str2Int& id2idx, int slotCount);

// Repair step for rows A and B of a star's candidate table (edits it in place).
void try_candidates(Star& star, const StrPair2Dbl& matchScores, const VecBool& isClustered,
                    const VecInt& ranks, const Str2Int& id2idx, int rowA, int rowB);

// Builds the stars around every protein of `centerSpecies` (proteins: the
// idList positions of each species, ascending; speciesOf: a species number per
// protein, numbering the names of spList), lowers ranks, and returns the stars
// sorted heaviest first.
std::vector<Star> buildStars(const std::string& centerSpecies, const VecStr& spList,
                             const std::vector<VecInt>& proteins, const VecInt& speciesOf,
                             const VecStr& speciesNames, const VecStr& idList,
                             const ScoreIndex& scores, VecInt& ranks);
