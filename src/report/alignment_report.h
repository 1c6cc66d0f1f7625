// What trivanex-report shows of a run: the data's proteins and networks, the
// clusters, optionally the match scores of the aligned pairs, the evaluation
// measures and the sweeps read from the run's standard error.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "base/match_table.h"
#include "base/run_data.h"
#include "base/types.h"
#include "baseline/reciprocal_hits.h"
#include "eval/evaluation.h"
#include "io/gaf_reader.h"
#include "report/progress_log.h"

struct ReportInputs {
  std::string dataDescFile, clusterFile;
  std::string scoreFile;  // optional: the run's match-score file
  std::string logFile;    // optional: the run's standard error
  VecStr groupFiles;      // optional: ortholog groups, "protein group" lines
  std::string gafFile;    // optional: GO annotations
  GafOptions gaf;
  VecStr namesFiles;                                     // optional: "id name [description]" lines
  std::vector<std::pair<std::string, std::string>> fastaFiles;  // optional: (species code, UniProt FASTA)
};

// An edge of the alignment graph between two protein numbers.
//
// Interactions come first, one per unordered pair of clustered proteins in
// ascending (smaller, larger) number, which is identifier order; then the
// aligned pairs, cluster by cluster in file order, each cluster's
// cross-species member pairs (i < j in the line's member order). `score` is
// set for an aligned pair only when the match-score file holds the pair.
struct ReportEdge {
  int a, b;
  bool aligned;
  double weight;  // interaction weight
  bool hasScore;
  double score;   // match score
};

// What a user can rank a cluster by. Aligned pairs are its cross-species
// member pairs; a pair the match-score file lacks counts as score 0.
struct ClusterMeasures {
  long pairs = 0;
  double meanScore = 0, minScore = 0;  // with --scores
  long sequenceHits = 0;               // aligned pairs with a sequence score
  long interactions = 0;               // interactions between two members
  // Interactions of a member, with a clustered partner, whose two clusters
  // are joined by interactions of at least two species.
  long conserved = 0;
  long baselinePairs = 0;              // aligned pairs the baseline also puts in one cluster
  bool baselineSame = false;           // the members are exactly one baseline cluster
};

// An aligned pair with its evidence. rank1 is protein b's rank among a's
// sequence hits in b's species, rank2 the other way (0: no hit).
struct AlignedPair {
  int cluster, a, b;
  bool hasScore;
  double score, sequence;
  int rank1, rank2;
  bool inBaseline;
};

struct SpeciesSummary {
  std::string name;
  long proteins = 0, interactions = 0, clustered = 0;
};

// Invariants: proteins are numbered by their place in the sorted identifier
// list (idList); clusters[c] lists the members' numbers in the cluster file's
// order and clusterOf[p] is that c, or -1 for a protein in no cluster;
// species numbers are those of `index` (sorted names).
struct AlignmentReport {
  ReportInputs inputs;
  VecStr spList, idList;
  Str2Str id2sp;
  ProteinIndex index;
  std::vector<VecInt> clusters;
  VecInt clusterOf;
  VecInt clusterSpecies;  // species spanned, per cluster
  std::vector<SpeciesSummary> species;  // in spList order
  long interactionsTotal = 0;
  std::vector<ReportEdge> edges;
  long interactionEdges = 0, alignedEdges = 0, alignedWithScore = 0;
  bool haveScores = false;
  bool haveGroups = false, haveGo = false;
  Str2VecStr groups, goTerms;
  GafCounts gafCounts;
  EvalReport eval;
  bool haveLog = false;
  std::vector<PairSweeps> sweeps;

  bool haveNames = false;
  VecStr names, descriptions;  // per protein; "" for none
  SequenceHits hits;
  Baseline baseline;
  EvalReport baselineEval;
  PairCounts baselinePairs;
  std::vector<ClusterMeasures> measures;  // per cluster
  std::vector<AlignedPair> pairs;         // by confidence: match score, sequence score, cluster
  std::vector<VecInt> memberInteractions; // per cluster: (i, j) member positions, flat
};

// Reads every input and computes what the outputs show. Throws RunError on
// a bad input, naming the file and line.
std::unique_ptr<AlignmentReport> buildAlignmentReport(const ReportInputs& inputs);
