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
  // speciesPerCluster[s - 1]: clusters whose members span s species, s = 1 .. species count.
  std::vector<long> speciesPerCluster;
};

// Normalised entropy of one cluster's group labels. memberGroups holds, per
// annotated member, its sorted group numbers; a member with k groups gives
// weight 1/k to each. 0 when fewer than two distinct groups occur.
double normalisedGroupEntropy(const std::vector<const VecInt*>& memberGroups);

// Computes every measure. Every member of every cluster must be in id2sp.
EvalReport evaluateClusters(const ClusterList& clusters, const VecStr& spList,
                            const Str2Str& id2sp, const Str2VecStr& groups);

// The ratios; false when the denominator is 0 (the ratio is undefined).
bool coverage(const EvalReport& r, double& value);
bool specificity(const EvalReport& r, double& value);
bool sensitivity(const EvalReport& r, double& value);
bool meanEntropy(const EvalReport& r, double& value);

// Human-readable lines, ratios with four decimals and "n/a" when undefined.
std::string formatReportText(const EvalReport& r);
// One JSON object, ratios in shortest round-trip form and null when undefined.
std::string formatReportJson(const EvalReport& r);
