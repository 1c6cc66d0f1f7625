// The sequence-only answer a network alignment has to beat: reciprocal best
// hits of the sequence scores, merged across species pairs into clusters.
// Everything here works on protein numbers and flat arrays.
#pragma once

#include <utility>
#include <vector>

#include "base/run_data.h"
#include "base/types.h"

// Every protein's cross-species sequence hits, grouped by protein (CSR):
// the hits of p are positions start[p] .. start[p+1]-1, by ascending partner.
// A hit is a pair of proteins of different species with a score above 0.
struct SequenceHits {
  std::vector<long> start;
  VecInt partner;
  std::vector<double> score;
};

// records: one (smaller, larger, score) per pair, as PairCollector gives them;
// same-species pairs and scores of 0 or less are left out.
SequenceHits buildSequenceHits(int proteins, const VecInt& speciesOf, const std::vector<PairRecord>& records);

// The sequence score of a and b; 0 when they have no hit.
double hitScore(const SequenceHits& hits, int a, int b);

// Where b stands among a's hits in b's species: 1 + the number of them that
// score higher than b (ties share a rank); 0 when a and b have no hit.
int hitRank(const SequenceHits& hits, const VecInt& speciesOf, int a, int b);

// The baseline: a pair (a, b) of two species is a reciprocal best hit when
// each scores the other at least as high as any other protein of the
// other's species (so tied best hits all count). The pairs of all species
// pairs are then merged by shared members, strongest pair first (ties by
// protein numbers): a pair joins the clusters of its two proteins unless the
// joined cluster would hold two proteins of one species. Merging every pair
// that shares a member would chain paralogs and spurious weak hits into one
// component of thousands of proteins on a large family; this way a cluster
// holds at most one protein per species. Clusters come in the order of their
// smallest protein number, members ascending.
struct Baseline {
  std::vector<std::pair<int, int>> pairs;  // every reciprocal best hit (smaller, larger), ascending
  std::vector<VecInt> clusters;
  VecInt clusterOf;  // per protein, or -1
};
Baseline reciprocalBestHits(const SequenceHits& hits, const VecInt& speciesOf, int speciesCount);

// The cross-species pairs that two clusterings put in one cluster, counted
// without listing them: those of `run`, those of `baseline`, and those both
// hold.
struct PairCounts {
  long run = 0, baseline = 0, shared = 0;
  long added() const { return run - shared; }        // the run pairs, the baseline does not
  long removed() const { return baseline - shared; }  // the baseline pairs, the run does not
};
PairCounts compareClusterings(const std::vector<VecInt>& run, const std::vector<VecInt>& baseline,
                              const VecInt& baselineClusterOf, const VecInt& speciesOf);

// Cross-species pairs among `members`.
long crossSpeciesPairs(const VecInt& members, const VecInt& speciesOf);
