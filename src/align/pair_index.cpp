#include "align/pair_index.h"

#include <set>

#include "base/error.h"
#include "base/text.h"

int getIdx(int i, int j, int /*m*/, int n) { return i * n + j; }

void getSubscripts(int q, int /*m*/, int n, int& i, int& j) {
  i = q / n;
  j = q % n;
}

void countEdgesNodesBySp(const StrPair2Dbl& intxns, const Str2Str& id2sp, const std::string& sp,
                         int& numNodes, int& numEdges) {
  numNodes = 0;
  numEdges = 0;
  std::set<std::string> seen;
  for (const auto& e : intxns) {
    auto it = id2sp.find(e.first.first);
    if (it == id2sp.end() || it->second != sp) continue;
    ++numEdges;
    if (seen.insert(e.first.first).second) ++numNodes;
    if (seen.insert(e.first.second).second) ++numNodes;
  }
}

namespace {
int indexOf(const Str2Int& id2idx, const std::string& id) {
  auto it = id2idx.find(id);
  if (it == id2idx.end()) throw RunError("identifier " + quoteToken(id) + " has no protein number");
  return it->second;
}
}  // namespace

void getAdjListBySp_withAllGenes(const StrPair2Dbl& intxns, const Str2Str& id2sp,
                                 const Str2Int& id2idx, const std::string& sp, VecInt& idxList,
                                 VecVecInt& adjList) {
  idxList.clear();
  adjList.clear();
  Str2Int sp1_id2idx;
  for (const auto& e : id2sp) {
    if (e.second != sp) continue;
    idxList.push_back(indexOf(id2idx, e.first));
    adjList.emplace_back();
    sp1_id2idx.emplace_hint(sp1_id2idx.end(), e.first, (int)idxList.size() - 1);
  }
  for (const auto& e : intxns) {
    auto a = sp1_id2idx.find(e.first.first);
    if (a == sp1_id2idx.end()) continue;  // first protein of another species
    auto b = sp1_id2idx.find(e.first.second);
    if (b == sp1_id2idx.end())
      throw RunError("interaction " + quoteToken(e.first.first) + " " + quoteToken(e.first.second) +
                     " links species " + quoteToken(sp) + " to another species");
    adjList[a->second].push_back(b->second);
    adjList[b->second].push_back(a->second);
  }
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
  maxScore.clear();
  for (const auto& id : idList) maxScore[id] = 1.0;
  for (const auto& e : blastScores) {
    double s = e.second;
    double& a = maxScore[e.first.first];  // an identifier outside idList starts at 0.0
    if (s > a) a = s;
    double& b = maxScore[e.first.second];
    if (s > b) b = s;
  }
}

double getBlastScoreOrZero(const StrPair2Dbl& blastScores, const std::string& a,
                           const std::string& b) {
  auto it = blastScores.find(orderedPair(a, b));
  return it == blastScores.end() ? 0.0 : it->second;
}
