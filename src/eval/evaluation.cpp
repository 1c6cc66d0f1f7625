#include "eval/evaluation.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <utility>

#include "base/error.h"
#include "base/text.h"
#include "eval/cluster_stats.h"
#include "io/text_input.h"

namespace {

std::string at(const std::string& fileName, long line) {
  return printable(fileName) + " line " + std::to_string(line);
}

}  // namespace

void readClusterFile(const std::string& fileName, const Str2Str* id2sp, ClusterList& result) {
  result.clusters.clear();
  result.lines.clear();
  if (!std::ifstream(fileName)) throw RunError("cannot open cluster file " + printable(fileName));
  TextInput in(fileName);  // plain or compressed, like the other files users bring
  Str2Int seenOnLine;  // identifier to the line where it first occurred
  std::string line;
  VecStr fields;
  long lineNo = 0;
  while (in.getLine(line)) {
    lineNo = in.lineNumber();
    splitFields(line, fields);
    if (fields.empty()) continue;
    for (const std::string& id : fields) {
      auto seen = seenOnLine.emplace(id, (int)lineNo);
      if (!seen.second)
        throw RunError(at(fileName, lineNo) + ": identifier " + quoteToken(id) + " already occurs on line " +
                       std::to_string(seen.first->second));
      if (id2sp && !id2sp->count(id))
        throw RunError(at(fileName, lineNo) + ": identifier " + quoteToken(id) +
                       " is not a protein of the data-description file");
    }
    result.clusters.push_back(fields);
    result.lines.push_back(lineNo);
  }
}

void readGroupFile(const std::string& fileName, Str2VecStr& groups) {
  if (!std::ifstream(fileName)) throw RunError("cannot open group file " + printable(fileName));
  TextInput in(fileName);
  std::string line;
  VecStr fields;
  long lineNo = 0;
  while (in.getLine(line)) {
    lineNo = in.lineNumber();
    splitFields(line, fields);
    if (fields.empty()) continue;
    if (fields.size() != 2)
      throw RunError(at(fileName, lineNo) + ": expected 'protein group', found " +
                     std::to_string(fields.size()) + (fields.size() == 1 ? " field" : " fields"));
    VecStr& list = groups[fields[0]];
    auto pos = std::lower_bound(list.begin(), list.end(), fields[1]);
    if (pos == list.end() || *pos != fields[1]) list.insert(pos, fields[1]);
  }
}

double normalisedGroupEntropy(const std::vector<const VecInt*>& memberGroups) {
  // (group, weight) of every member, gathered by group in a fixed order so the
  // sums are formed the same way on every run.
  std::vector<std::pair<int, double>> shares;
  for (const VecInt* g : memberGroups)
    for (int group : *g) shares.emplace_back(group, 1.0 / (double)g->size());
  std::stable_sort(shares.begin(), shares.end(),
                   [](const std::pair<int, double>& a, const std::pair<int, double>& b) {
                     return a.first < b.first;
                   });
  std::vector<double> weights;
  for (size_t i = 0; i < shares.size(); ++i) {
    if (i == 0 || shares[i].first != shares[i - 1].first) weights.push_back(0);
    weights.back() += shares[i].second;
  }
  if (weights.size() < 2) return 0;
  const double total = (double)memberGroups.size();
  double h = 0;
  for (double w : weights) {
    const double p = w / total;
    h -= p * std::log(p);
  }
  return h / std::log((double)weights.size());
}

namespace {

// Labels (groups or GO terms) of the proteins of the data, numbered in sorted
// label order so every list is a sorted vector of ints; the per-cluster loops
// then intersect and count integers, not strings.
struct ProteinLabels {
  Str2Int proteinIdx;         // protein to its row of labels
  std::vector<VecInt> labels; // sorted, without repeats
  long outsideData = 0;       // labelled identifiers that are no protein of the data

  ProteinLabels(const Str2VecStr& byProtein, const Str2Str& id2sp) {
    std::map<std::string, int> labelIdx;
    for (const auto& e : byProtein)
      if (id2sp.count(e.first))
        for (const std::string& g : e.second) labelIdx.emplace(g, 0);
    int next = 0;
    for (auto& e : labelIdx) e.second = next++;
    for (const auto& e : byProtein) {
      if (e.second.empty()) continue;
      if (!id2sp.count(e.first)) {
        ++outsideData;
        continue;
      }
      proteinIdx.emplace(e.first, (int)labels.size());
      VecInt g;
      for (const std::string& name : e.second) g.push_back(labelIdx.at(name));  // already sorted
      labels.push_back(std::move(g));
    }
  }
  const VecInt* find(const std::string& id) const {
    auto p = proteinIdx.find(id);
    return p == proteinIdx.end() ? nullptr : &labels[p->second];
  }
};

// True when every list holds a label in common.
bool shareALabel(const std::vector<const VecInt*>& members, VecInt& common, VecInt& scratch) {
  common = *members[0];
  for (size_t i = 1; i < members.size() && !common.empty(); ++i) {
    scratch.clear();
    std::set_intersection(common.begin(), common.end(), members[i]->begin(), members[i]->end(),
                          std::back_inserter(scratch));
    common.swap(scratch);
  }
  return !common.empty();
}

}  // namespace

double topTermShare(const std::vector<const VecInt*>& memberTerms) {
  if (memberTerms.empty()) return 0;
  VecInt all;
  for (const VecInt* t : memberTerms) all.insert(all.end(), t->begin(), t->end());
  std::sort(all.begin(), all.end());
  size_t best = 0;
  for (size_t i = 0; i < all.size();) {
    size_t j = i;
    while (j < all.size() && all[j] == all[i]) ++j;
    best = std::max(best, j - i);
    i = j;
  }
  return (double)best / (double)memberTerms.size();
}

EvalReport evaluateClusters(const ClusterList& clusters, const VecStr& spList,
                            const Str2Str& id2sp, const Str2VecStr& groups) {
  return evaluateClusters(clusters, spList, id2sp, &groups, nullptr);
}

EvalReport evaluateClusters(const ClusterList& clusters, const VecStr& spList,
                            const Str2Str& id2sp, const Str2VecStr* groups,
                            const Str2VecStr* goTerms) {
  EvalReport r;
  r.hasGroups = groups != nullptr;
  r.hasGo = goTerms != nullptr;

  // Species numbered in sorted order.
  std::map<std::string, int> speciesIdx;
  for (const std::string& sp : spList) speciesIdx.emplace(sp, 0);
  int nextSpecies = 0;
  for (auto& e : speciesIdx) e.second = nextSpecies++;
  const int speciesCount = nextSpecies;

  const Str2VecStr noLabels;
  const ProteinLabels group(groups ? *groups : noLabels, id2sp);
  const ProteinLabels go(goTerms ? *goTerms : noLabels, id2sp);
  r.annotatedProteins = (long)group.labels.size();
  r.annotationsOutsideData = group.outsideData;
  r.goAnnotatedProteins = (long)go.labels.size();
  r.goOutsideData = go.outsideData;
  r.speciesPerCluster.assign(speciesCount, 0);
  r.proteinsPerSpan.assign(speciesCount, 0);

  // The cluster map (identifier to cluster number) of the shared statistics.
  Str2Int clusterMap;
  for (size_t c = 0; c < clusters.clusters.size(); ++c)
    for (const std::string& id : clusters.clusters[c]) clusterMap[id] = (int)c;
  r.clusters = countNumClusters(clusterMap);
  r.proteinsClustered = (long)clusterMap.size();

  std::vector<const VecInt*> annotated, goAnnotated;
  VecBool speciesSeen(speciesCount);
  VecInt common, scratch;
  for (const VecStr& members : clusters.clusters) {
    annotated.clear();
    goAnnotated.clear();
    std::fill(speciesSeen.begin(), speciesSeen.end(), false);
    int spanned = 0;
    for (const std::string& id : members) {
      auto known = id2sp.find(id);
      if (known == id2sp.end())
        throw RunError("identifier " + quoteToken(id) + " of the cluster file is not a protein of the data");
      const int sp = speciesIdx.at(known->second);
      if (!speciesSeen[sp]) {
        speciesSeen[sp] = true;
        ++spanned;
      }
      if (const VecInt* g = group.find(id)) annotated.push_back(g);
      if (const VecInt* t = go.find(id)) goAnnotated.push_back(t);
    }
    if (spanned > 0) {
      ++r.speciesPerCluster[spanned - 1];
      r.proteinsPerSpan[spanned - 1] += (long)members.size();
    }
    const bool allSpecies = spanned == speciesCount;
    if (allSpecies) ++r.allSpeciesClusters;

    if (goAnnotated.size() >= 2) {
      ++r.goAnnotatedClusters;
      if (shareALabel(goAnnotated, common, scratch)) ++r.goConsistentClusters;
      r.goTopTermSum += topTermShare(goAnnotated);
    }

    r.annotatedClustered += (long)annotated.size();
    if (annotated.size() < 2) continue;
    const bool correct = shareALabel(annotated, common, scratch);
    const double entropy = normalisedGroupEntropy(annotated);
    ++r.annotatedClusters;
    if (correct) {
      ++r.correctClusters;
      r.correctNodes += (long)annotated.size();
    }
    r.entropySum += entropy;
    if (allSpecies) {
      ++r.allSpeciesAnnotated;
      if (correct) {
        ++r.allSpeciesCorrect;
        r.allSpeciesCorrectNodes += (long)annotated.size();
      }
      r.allSpeciesEntropySum += entropy;
    }
  }
  return r;
}

long clustersSpanningAtLeast(const EvalReport& r, int k) {
  long n = 0;
  for (size_t s = (size_t)std::max(k, 1); s <= r.speciesPerCluster.size(); ++s) n += r.speciesPerCluster[s - 1];
  return n;
}

long proteinsSpanningAtLeast(const EvalReport& r, int k) {
  long n = 0;
  for (size_t s = (size_t)std::max(k, 1); s <= r.proteinsPerSpan.size(); ++s) n += r.proteinsPerSpan[s - 1];
  return n;
}

namespace {

bool ratio(double num, long den, double& value) {
  if (den == 0) return false;
  value = num / (double)den;
  return true;
}

std::string fixed4(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.4f", v);
  return buf;
}

std::string shortest(double v) {
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, res.ptr);
}

std::string pad(const std::string& label) {
  const size_t width = 30;
  return label + std::string(label.size() < width ? width - label.size() : 1, ' ');
}

}  // namespace

bool coverage(const EvalReport& r, double& v) {
  return ratio((double)r.annotatedClustered, r.annotatedProteins, v);
}
bool specificity(const EvalReport& r, double& v) {
  return ratio((double)r.correctClusters, r.annotatedClusters, v);
}
bool sensitivity(const EvalReport& r, double& v) {
  return ratio((double)r.correctNodes, r.annotatedProteins, v);
}
bool meanEntropy(const EvalReport& r, double& v) { return ratio(r.entropySum, r.annotatedClusters, v); }
bool allSpeciesSpecificity(const EvalReport& r, double& v) {
  return ratio((double)r.allSpeciesCorrect, r.allSpeciesAnnotated, v);
}
bool allSpeciesMeanEntropy(const EvalReport& r, double& v) {
  return ratio(r.allSpeciesEntropySum, r.allSpeciesAnnotated, v);
}
bool goConsistency(const EvalReport& r, double& v) {
  return ratio((double)r.goConsistentClusters, r.goAnnotatedClusters, v);
}
bool goMeanTopTermShare(const EvalReport& r, double& v) {
  return ratio(r.goTopTermSum, r.goAnnotatedClusters, v);
}

std::string formatReportText(const EvalReport& r) {
  std::string t;
  auto count = [&](const std::string& label, long n) { t += pad(label) + std::to_string(n) + "\n"; };
  auto frac = [&](const std::string& label, bool (*f)(const EvalReport&, double&), long num,
                  long den) {
    double v = 0;
    t += pad(label) + (f(r, v) ? fixed4(v) : std::string("n/a"));
    if (num >= 0) t += " (" + std::to_string(num) + " / " + std::to_string(den) + ")";
    t += "\n";
  };
  count("clusters", r.clusters);
  count("proteins clustered", r.proteinsClustered);
  if (r.hasGroups) {
    count("annotated proteins", r.annotatedProteins);
    count("annotated proteins clustered", r.annotatedClustered);
    frac("coverage", coverage, r.annotatedClustered, r.annotatedProteins);
    count("annotated clusters", r.annotatedClusters);
    count("correct clusters", r.correctClusters);
    frac("specificity", specificity, r.correctClusters, r.annotatedClusters);
    count("correct nodes", r.correctNodes);
    frac("sensitivity", sensitivity, r.correctNodes, r.annotatedProteins);
    frac("mean normalised entropy", meanEntropy, -1, 0);
  }
  for (size_t s = 0; s < r.speciesPerCluster.size(); ++s)
    count("clusters spanning " + std::to_string(s + 1) + " species", r.speciesPerCluster[s]);
  if (r.hasGroups) count("annotated outside the data", r.annotationsOutsideData);
  for (int k = 2; k <= (int)r.speciesPerCluster.size(); ++k)
    t += pad("clusters spanning " + std::to_string(k) + "+ species") +
         std::to_string(clustersSpanningAtLeast(r, k)) + " (" +
         std::to_string(proteinsSpanningAtLeast(r, k)) + " proteins)\n";
  if (r.hasGroups) {
    count("all-species clusters", r.allSpeciesClusters);
    count("all-species annotated", r.allSpeciesAnnotated);
    count("all-species correct", r.allSpeciesCorrect);
    frac("all-species specificity", allSpeciesSpecificity, r.allSpeciesCorrect, r.allSpeciesAnnotated);
    count("all-species correct nodes", r.allSpeciesCorrectNodes);
    frac("all-species mean entropy", allSpeciesMeanEntropy, -1, 0);
  }
  if (r.hasGo) {
    count("GO-annotated proteins", r.goAnnotatedProteins);
    count("GO-annotated clusters", r.goAnnotatedClusters);
    count("GO-consistent clusters", r.goConsistentClusters);
    frac("GO consistency", goConsistency, r.goConsistentClusters, r.goAnnotatedClusters);
    frac("GO top-term share", goMeanTopTermShare, -1, 0);
    count("GO-annotated outside data", r.goOutsideData);
  }
  return t;
}

std::string formatReportJson(const EvalReport& r) {
  std::string t = "{\n";
  auto count = [&](const std::string& key, long n) {
    t += "  \"" + key + "\": " + std::to_string(n) + ",\n";
  };
  auto frac = [&](const std::string& key, bool (*f)(const EvalReport&, double&)) {
    double v = 0;
    t += "  \"" + key + "\": " + (f(r, v) ? shortest(v) : std::string("null")) + ",\n";
  };
  count("clusters", r.clusters);
  count("proteins_clustered", r.proteinsClustered);
  if (r.hasGroups) {
    count("annotated_proteins", r.annotatedProteins);
    count("annotated_proteins_clustered", r.annotatedClustered);
    frac("coverage", coverage);
    count("annotated_clusters", r.annotatedClusters);
    count("correct_clusters", r.correctClusters);
    frac("specificity", specificity);
    count("correct_nodes", r.correctNodes);
    frac("sensitivity", sensitivity);
    frac("mean_normalised_entropy", meanEntropy);
  }
  t += "  \"species_per_cluster\": {";
  for (size_t s = 0; s < r.speciesPerCluster.size(); ++s)
    t += (s ? ", \"" : "\"") + std::to_string(s + 1) + "\": " + std::to_string(r.speciesPerCluster[s]);
  t += "},\n";
  // k to [clusters, proteins] spanning at least k species.
  t += "  \"spanning_at_least\": {";
  for (int k = 2; k <= (int)r.speciesPerCluster.size(); ++k)
    t += (k > 2 ? ", \"" : "\"") + std::to_string(k) + "\": [" +
         std::to_string(clustersSpanningAtLeast(r, k)) + ", " +
         std::to_string(proteinsSpanningAtLeast(r, k)) + "]";
  t += "},\n";
  if (r.hasGroups) {
    count("all_species_clusters", r.allSpeciesClusters);
    count("all_species_annotated_clusters", r.allSpeciesAnnotated);
    count("all_species_correct_clusters", r.allSpeciesCorrect);
    frac("all_species_specificity", allSpeciesSpecificity);
    count("all_species_correct_nodes", r.allSpeciesCorrectNodes);
    frac("all_species_mean_normalised_entropy", allSpeciesMeanEntropy);
  }
  if (r.hasGo) {
    count("go_annotated_proteins", r.goAnnotatedProteins);
    count("go_annotated_clusters", r.goAnnotatedClusters);
    count("go_consistent_clusters", r.goConsistentClusters);
    frac("go_consistency", goConsistency);
    frac("go_mean_top_term_share", goMeanTopTermShare);
    count("go_annotated_outside_data", r.goOutsideData);
  }
  if (r.hasGroups) count("annotated_outside_data", r.annotationsOutsideData);
  t.erase(t.size() - 2);  // the last comma
  t += "\n}\n";
  return t;
}
