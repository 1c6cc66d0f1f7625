#include "align/pair_index.h"

#include <set>

#include "base/error.h"
#include "base/text.h"

int getIdx(int i, int j, int /*m*/, int n) { return i * n + j; }

void getSubscripts(int q, int /*m*/, int n, int& i, int& j) {
  i = q / n;
  j = q % n;
}

void countEdgesNodesBySp(const std::vector<PairRecord>& intxns, const ProteinIndex& proteins,
                         int sp, int& numNodes, int& numEdges) {
  numNodes = 0;
  numEdges = 0;
  std::vector<char> seen(proteins.speciesOf.size(), 0);
  for (const PairRecord& e : intxns) {
    if (proteins.speciesOf[e.a] != sp || sp < 0) continue;
    ++numEdges;
    if (!seen[e.a]) seen[e.a] = 1, ++numNodes;
    if (!seen[e.b]) seen[e.b] = 1, ++numNodes;
  }
}

void getAdjListBySp_withAllGenes(const std::vector<PairRecord>& intxns,
                                 const ProteinIndex& proteins, const VecStr& speciesLabel, int sp,
                                 VecVecInt& adjList) {
  adjList.assign(sp < 0 ? 0 : proteins.proteinsOf[sp].size(), VecInt());
  if (sp < 0) return;
  for (const PairRecord& e : intxns) {
    if (proteins.speciesOf[e.a] != sp) continue;  // first protein of another species
    if (proteins.speciesOf[e.b] != sp)
      throw RunError("interaction " + quoteToken(speciesLabel[e.a]) + " " +
                     quoteToken(speciesLabel[e.b]) + " links species " +
                     quoteToken(proteins.speciesNames[sp]) + " to another species");
    const int u = proteins.localOf[e.a], v = proteins.localOf[e.b];
    adjList[u].push_back(v);
    adjList[v].push_back(u);
  }
}

void raiseToLargestScores(const std::vector<PairRecord>& blastScores, std::vector<double>& largest) {
  for (const PairRecord& e : blastScores) {
    if (e.value > largest[e.a]) largest[e.a] = e.value;
    if (e.value > largest[e.b]) largest[e.b] = e.value;
  }
}

std::vector<PairRecord> numberRecords(const StrPair2Dbl& pairs, const Str2Int& id2idx) {
  std::vector<PairRecord> out;
  out.reserve(pairs.size());
  for (const auto& e : pairs) {
    auto a = id2idx.find(e.first.first), b = id2idx.find(e.first.second);
    if (a == id2idx.end() || b == id2idx.end())
      throw RunError("identifier '" + (a == id2idx.end() ? e.first.first : e.first.second) +
                     "' has no protein number");
    out.push_back({a->second, b->second, e.second});
  }
  return out;
}

namespace {

int indexOf(const Str2Int& id2idx, const std::string& id) {
  auto it = id2idx.find(id);
  if (it == id2idx.end()) throw RunError("identifier " + quoteToken(id) + " has no protein number");
  return it->second;
}

// A numbering of every identifier a map form names (those of id2sp and those
// of the pair map), in identifier order, so that it can run the integer core.
struct MapNumbering {
  Str2Int number;
  VecStr names;
  ProteinIndex proteins;
  MapNumbering(const StrPair2Dbl& pairs, const Str2Str& id2sp) {
    for (const auto& e : id2sp) number.emplace(e.first, 0);
    for (const auto& e : pairs) {
      number.emplace(e.first.first, 0);
      number.emplace(e.first.second, 0);
    }
    for (auto& e : number) {
      e.second = (int)names.size();
      names.push_back(e.first);
    }
    proteins = makeProteinIndex((int)names.size(), number, id2sp);
  }
};

}  // namespace

void countEdgesNodesBySp(const StrPair2Dbl& intxns, const Str2Str& id2sp, const std::string& sp,
                         int& numNodes, int& numEdges) {
  MapNumbering n(intxns, id2sp);
  countEdgesNodesBySp(numberRecords(intxns, n.number), n.proteins, n.proteins.speciesNumber(sp),
                      numNodes, numEdges);
}

void getAdjListBySp_withAllGenes(const StrPair2Dbl& intxns, const Str2Str& id2sp,
                                 const Str2Int& id2idx, const std::string& sp, VecInt& idxList,
                                 VecVecInt& adjList) {
  MapNumbering n(intxns, id2sp);
  const int s = n.proteins.speciesNumber(sp);
  idxList.clear();
  if (s >= 0)
    for (int p : n.proteins.proteinsOf[s]) idxList.push_back(indexOf(id2idx, n.names[p]));
  getAdjListBySp_withAllGenes(numberRecords(intxns, n.number), n.proteins, n.names, s, adjList);
}

void getAdjListBySp(const StrPair2Dbl& intxns, const Str2Str& id2sp, const Str2Int& id2idx,
                    const std::string& sp, int numNodes, VecInt& idxList, VecVecInt& adjList) {
  idxList.assign(numNodes, -1);
  adjList.assign(numNodes, VecInt());
  Str2Int haveSeenId;
  int currIdx = 0;
  auto localIndex = [&](const std::string& id) {
    auto it = haveSeenId.find(id);
    if (it != haveSeenId.end()) return it->second;
    if ((int)haveSeenId.size() != currIdx || currIdx >= numNodes)
      throw RunError("interacting proteins of species " + quoteToken(sp) + " exceed the expected " +
                     std::to_string(numNodes));
    haveSeenId.emplace(id, currIdx);
    idxList[currIdx] = indexOf(id2idx, id);
    return currIdx++;
  };
  for (const auto& e : intxns) {
    auto it = id2sp.find(e.first.first);
    if (it == id2sp.end() || it->second != sp) continue;
    int u = localIndex(e.first.first);
    int v = localIndex(e.first.second);
    adjList[u].push_back(v);
    adjList[v].push_back(u);
  }
  if (currIdx != (int)haveSeenId.size() || currIdx != numNodes)
    throw RunError("species " + quoteToken(sp) + " has " + std::to_string(currIdx) +
                   " interacting proteins, expected " + std::to_string(numNodes));
}

void getMaxBlastScoreById(const StrPair2Dbl& blastScores, const VecStr& idList,
                          std::map<std::string, double>& maxScore) {
  // Proteins of idList start at 1.0; an identifier only the scores name starts at 0.0.
  Str2Int number;
  VecStr names;
  for (const auto& id : idList) number.emplace(id, 0);
  for (const auto& e : blastScores) {
    number.emplace(e.first.first, 0);
    number.emplace(e.first.second, 0);
  }
  for (auto& e : number) {
    e.second = (int)names.size();
    names.push_back(e.first);
  }
  std::vector<double> largest(names.size(), 0.0);
  for (const auto& id : idList) largest[number.at(id)] = 1.0;
  raiseToLargestScores(numberRecords(blastScores, number), largest);
  maxScore.clear();
  for (size_t p = 0; p < names.size(); ++p) maxScore.emplace_hint(maxScore.end(), names[p], largest[p]);
}

double getBlastScoreOrZero(const StrPair2Dbl& blastScores, const std::string& a,
                           const std::string& b) {
  auto it = blastScores.find(orderedPair(a, b));
  return it == blastScores.end() ? 0.0 : it->second;
}
