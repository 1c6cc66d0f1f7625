// Scoring a cluster file against ortholog-group annotations: the readers of
// the cluster file ("id id ..." per line) and of the group files ("protein
// group" per line), the measures, and their text and JSON forms.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "base/types.h"

// One cluster per line of the cluster file, members in file order. Lines of
// whitespace only hold no cluster and are skipped.
struct ClusterList {
  std::vector<VecStr> clusters;
  std::vector<long> lines;  // the file line of each cluster, for messages
};

// Reads a cluster file as written by trivanex. Throws RunError when the file
// cannot be opened, when an identifier occurs twice (on one line or on two),
// and, when id2sp is given, when an identifier is no protein of the data.
void readClusterFile(const std::string& fileName, const Str2Str* id2sp, ClusterList& result);

// Protein to its groups, each list sorted and without repeats.
typedef std::map<std::string, VecStr> Str2VecStr;

// Adds the "protein group" lines of a group file to groups. Fields are
// separated by blanks or tabs; lines of whitespace only are skipped; a line
// with any other number of fields than two throws RunError naming the file and
// line, as does a file that cannot be opened. A line repeated (in one file or
// across files) adds nothing new.
void readGroupFile(const std::string& fileName, Str2VecStr& groups);

// The measures of one cluster file. A protein is annotated when it is a
// protein of the data and has at least one group; group lines of identifiers
// outside the data are counted in annotationsOutsideData and otherwise ignored.
struct EvalReport {
  long clusters = 0;
  long proteinsClustered = 0;
  long annotatedProteins = 0;
  long annotatedClustered = 0;
  long annotatedClusters = 0;  // clusters with at least two annotated members
  long correctClusters = 0;    // annotated clusters whose annotated members share a group
  long correctNodes = 0;       // annotated members of the correct clusters
  double entropySum = 0;       // sum of the normalised entropies of the annotated clusters
  long annotationsOutsideData = 0;  // proteins with groups that the data does not know
  // speciesPerCluster[s - 1]: clusters whose members span s species, s = 1 .. species count;
  // proteinsPerSpan[s - 1]: the members of those clusters.
  std::vector<long> speciesPerCluster;
  std::vector<long> proteinsPerSpan;

  // False when no group file was given: the group measures are then left out
  // of the report rather than shown as zeros.
  bool hasGroups = true;
  // The group measures restricted to the clusters that span every species of
  // the data (allSpeciesClusters of them).
  long allSpeciesClusters = 0;
  long allSpeciesAnnotated = 0;
  long allSpeciesCorrect = 0;
  long allSpeciesCorrectNodes = 0;
  double allSpeciesEntropySum = 0;

  // GO agreement, when GO annotations were given. A protein is GO-annotated
  // when it is a protein of the data with at least one term.
  bool hasGo = false;
  long goAnnotatedProteins = 0;
  long goAnnotatedClusters = 0;   // clusters with at least two GO-annotated members
  long goConsistentClusters = 0;  // ... whose GO-annotated members share a term
  double goTopTermSum = 0;        // sum over them of the most common term's share
  long goOutsideData = 0;         // annotated identifiers that are no protein of the data
};

// Clusters spanning at least k species and their members, k = 1 .. species count.
long clustersSpanningAtLeast(const EvalReport& r, int k);
long proteinsSpanningAtLeast(const EvalReport& r, int k);

// Normalised entropy of one cluster's group labels. memberGroups holds, per
// annotated member, its sorted group numbers; a member with k groups gives
// weight 1/k to each. 0 when fewer than two distinct groups occur.
double normalisedGroupEntropy(const std::vector<const VecInt*>& memberGroups);

// Computes every measure. Every member of every cluster must be in id2sp.
EvalReport evaluateClusters(const ClusterList& clusters, const VecStr& spList,
                            const Str2Str& id2sp, const Str2VecStr& groups);

// The same with optional inputs: no group measures when groups is null, GO
// measures when goTerms (protein to its sorted GO terms) is given.
EvalReport evaluateClusters(const ClusterList& clusters, const VecStr& spList,
                            const Str2Str& id2sp, const Str2VecStr* groups,
                            const Str2VecStr* goTerms);

// Share of the annotated members that carry the most common term, given each
// member's sorted term numbers; 0 for no member.
double topTermShare(const std::vector<const VecInt*>& memberTerms);

// The ratios; false when the denominator is 0 (the ratio is undefined).
bool coverage(const EvalReport& r, double& value);
bool specificity(const EvalReport& r, double& value);
bool sensitivity(const EvalReport& r, double& value);
bool meanEntropy(const EvalReport& r, double& value);
bool allSpeciesSpecificity(const EvalReport& r, double& value);
bool allSpeciesMeanEntropy(const EvalReport& r, double& value);
bool goConsistency(const EvalReport& r, double& value);
bool goMeanTopTermShare(const EvalReport& r, double& value);

// Human-readable lines, ratios with four decimals and "n/a" when undefined.
std::string formatReportText(const EvalReport& r);
// One JSON object, ratios in shortest round-trip form and null when undefined.
std::string formatReportJson(const EvalReport& r);
