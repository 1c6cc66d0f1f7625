#include "eval/cluster_stats.h"

#include <algorithm>
#include <fstream>
#include <iostream>
#include <limits>
#include <set>
#include <vector>

#include "base/text.h"

void writeClusterData(const Str2Int& clusters, const std::string& fileName) {
  // The file is emptied before the map is looked at, so a stale assignment
  // never survives a run that has no clustering.
  std::ofstream out(fileName, std::ios::trunc);
  if (!out) std::cerr << "Warning: cannot write cluster file " << fileName << std::endl;
  if (clusters.empty() || clusters.begin()->second == -1) {
    std::cerr << "No output cluster" << std::endl;
    return;
  }
  for (const auto& e : clusters) out << e.first << " " << e.second << "\n";
}

void grabClusteringData(Str2Int& clusters, const std::string& fileName, const Str2Str& id2sp) {
  clusters.clear();
  std::ifstream in(fileName);
  if (!in) {
    std::cerr << "Warning: cannot open cluster file " << fileName << std::endl;
    return;
  }
  std::string line;
  std::vector<std::string> fields;
  while (std::getline(in, line)) {
    splitFields(line, fields);
    int cluster;
    if (fields.size() < 2 || !parseInt(fields[1], cluster)) continue;
    if (id2sp.count(fields[0])) clusters[fields[0]] = cluster;
  }
}

int countNumClusters(const Str2Int& clusters) {
  std::set<int> numbers;
  for (const auto& e : clusters) numbers.insert(e.second);
  return (int)numbers.size();
}

int countNumNontrivialClusters(const Str2Int& clusters) {
  std::map<int, int> sizes;
  for (const auto& e : clusters) ++sizes[e.second];
  return (int)std::count_if(sizes.begin(), sizes.end(),
                            [](const std::pair<const int, int>& s) { return s.second > 1; });
}

double countWithinClusterEdges(const Str2Int& clusters, const StrPair2Dbl& edges,
                               std::map<int, int>& perCluster) {
  perCluster.clear();
  long counted = 0, within = 0;
  for (const auto& e : edges) {
    auto a = clusters.find(e.first.first), b = clusters.find(e.first.second);
    if (a == clusters.end() || b == clusters.end()) continue;
    ++counted;
    if (a->second != b->second) continue;
    ++within;
    ++perCluster[a->second];
  }
  if (counted == 0) return std::numeric_limits<double>::quiet_NaN();
  return (double)within / (double)counted;
}

void grabGO_DIPdata(Str2Int& keys, StrPair2Dbl& cooccurrence, const std::string& fileName) {
  keys.clear();
  cooccurrence.clear();
  std::ifstream in(fileName);
  if (!in) {
    std::cerr << "Warning: cannot open GO association table " << fileName << std::endl;
    return;
  }
  std::string line;
  std::vector<std::string> fields;
  while (std::getline(in, line)) {
    std::replace(line.begin(), line.end(), ';', ' ');
    splitFields(line, fields);
    if (fields.empty()) continue;
    keys[fields[0]] = 1;
    for (size_t p = 1; p < fields.size(); ++p)
      for (size_t q = p + 1; q < fields.size(); ++q)
        if (fields[p] != fields[q]) cooccurrence[orderedPair(fields[p], fields[q])] += 1;
  }
}

void grabGO_DIPdata(Str2Int& keys, StrPair2Dbl& cooccurrence) {
  grabGO_DIPdata(keys, cooccurrence, "DIP_GO_assoc.tab");
}

VecStr getIdListFromPairs(const StrPair2Dbl& pairs) {
  std::set<std::string> ids;
  for (const auto& e : pairs) {
    ids.insert(e.first.first);
    ids.insert(e.first.second);
  }
  return VecStr(ids.begin(), ids.end());
}
