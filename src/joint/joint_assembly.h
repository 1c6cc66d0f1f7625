// Joint assembly of clusters across all species at once (trivanex --joint).
//
// The default clustering grows stars around one centre species at a time and
// reads each protein pair's match score alone. The joint assembly instead
// turns every species pair's scores into pair probabilities, lets the two
// networks support them once more, and joins clusters by average linkage over
// all their cross-species pairs, so one cluster may hold several proteins of
// a species and every species pair's evidence counts at once.
#pragma once

#include <string>
#include <vector>

#include "base/match_table.h"
#include "base/run_data.h"

// One setting for every data set: chosen on principle and checked on
// benchmark families of four network models, not fitted to one of them.
struct JointSettings {
  int topK = 20;                  // partners kept per protein and species
  double sequenceWeight = 0.15;   // share of the sequence probabilities in the blend
  double neighbourWeight = 0.6;   // share of the neighbours' support where the networks
                                  // agree fully with the scores
  double joinThreshold = 0.2;     // average linkage that joins two clusters
  double secondThreshold = 0.15;  // the second pass: leftovers and clusters split in two
};

struct JointSummary {
  long candidatePairs = 0;       // protein pairs with a probability
  long reciprocalBest = 0;       // pairs that are each other's best sequence hit
  long reciprocalTogether = 0;   // ... that the assembly put in one cluster
  long reciprocalKept = 0;       // ... joined afterwards, one of the two being alone
  long reciprocalOverruled = 0;  // ... left apart: the networks placed both elsewhere
  long clusters = 0, proteins = 0;
  // Per species pair (s < t): pairs best by the scores, and of those the
  // ones best by the neighbours' support too; their ratio scales the weight.
  struct Agreement {
    int s, t;
    long best, both;
  };
  std::vector<Agreement> agreement;
};

// The clusters of the joint assembly, each a list of protein numbers in
// ascending order, clusters strongest first (by the most probable pair that
// joined them).
//
// Inputs: the run's match scores, its networks and sequence scores as
// protein-numbered records (key a <= b, one per unordered pair). Match scores
// are taken as the match-score file prints them (6 significant digits), so a
// run that reads the file back with --scorefile assembles the same clusters.
// Deterministic: no threads, ties broken by protein number.
std::vector<std::vector<int>> assembleJointClusters(const MatchScoreTable& matchScores,
                                                    const std::vector<PairRecord>& intxns,
                                                    const std::vector<PairRecord>& blastScores,
                                                    const JointSettings& settings,
                                                    JointSummary& summary);

// Writes the clusters as the cluster file holds them (each identifier and a
// blank, one cluster a line) to `path`, under a temporary name until complete,
// echoes the lines to standard output, and prints the summary to standard
// error. RunError when the file cannot be written.
void writeJointClusters(const std::vector<std::vector<int>>& clusters, const VecStr& idList,
                        const JointSummary& summary, const VecStr& speciesNames,
                        const std::string& path);
