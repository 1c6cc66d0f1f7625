#include "eval/score_graph.h"

#include <cmath>
#include <cstring>
#include <fstream>
#include <iostream>
#include <queue>
#include <vector>

#include "base/error.h"

namespace {

void checkNeighbours(const VecVecIntDblPair& g) {
  const int n = (int)g.size();
  for (int i = 0; i < n; ++i)
    for (const auto& p : g[i])
      if (p.first < 0 || p.first >= n)
        throw RunError("score graph: node " + std::to_string(i) + " names neighbour " +
                       std::to_string(p.first) + ", outside 0.." + std::to_string(n - 1));
}

int firstNonVisitedFrom(const VecInt& visited, int from) {
  int i = from;
  while (i < (int)visited.size() && visited[i] != 0) ++i;
  return i;
}

}  // namespace

void normalizeToZeroOneScores(VecVecIntDblPair& scoreAdjList) {
  checkNeighbours(scoreAdjList);
  const int n = (int)scoreAdjList.size();
  for (int i = 0; i < n; ++i)
    for (const auto& p : scoreAdjList[i])
      if (!std::isfinite(p.second))
        throw RunError("score graph: node " + std::to_string(i) + " has a score that is not a finite number");

  std::vector<double> scale(n, 1.0);
  for (int i = 0; i < n; ++i)
    for (const auto& p : scoreAdjList[i]) {
      if (p.second > scale[i]) scale[i] = p.second;
      if (p.second > scale[p.first]) scale[p.first] = p.second;
    }

  for (int i = 0; i < n; ++i) {
    bool hasSelf = false;
    for (auto& p : scoreAdjList[i]) {
      if (p.first == i) {
        p.second = 1.0;
        hasSelf = true;
      } else {
        p.second /= std::sqrt(scale[p.first] * scale[i]);
      }
    }
    if (!hasSelf) scoreAdjList[i].emplace_back(i, 1.0);
  }
}

int getConnectedComponents(const VecVecIntDblPair& scoreAdjList,
                           std::list<std::list<int>>& components) {
  checkNeighbours(scoreAdjList);
  const int n = (int)scoreAdjList.size();
  VecInt visited(n, 0);
  components.clear();
  // Every position before the last start is visited, so the search for the
  // next start resumes there instead of rescanning from 0.
  for (int start = firstNonVisitedFrom(visited, 0); start < n;
       start = firstNonVisitedFrom(visited, start)) {
    std::queue<int> queue;
    std::list<int> component;
    queue.push(start);
    component.push_back(start);
    visited[start] = 1;
    while (!queue.empty()) {
      const int u = queue.front();
      queue.pop();
      for (const auto& p : scoreAdjList[u]) {
        if (visited[p.first]) continue;
        visited[p.first] = 1;
        queue.push(p.first);
        component.push_back(p.first);
      }
    }
    components.push_back(std::move(component));
  }
  return (int)components.size();
}

int firstNonVisited(const VecInt& visited) { return firstNonVisitedFrom(visited, 0); }

void writeAllScoresToFile(const char* fileName, const VecVecIntDblPair& scoreAdjList,
                          const VecStr& names) {
  checkNeighbours(scoreAdjList);
  if (names.size() < scoreAdjList.size())
    throw RunError("score graph: " + std::to_string(scoreAdjList.size()) + " nodes but only " +
                   std::to_string(names.size()) + " names");
  std::ofstream out(fileName, std::ios::trunc);
  if (!out) {
    std::cerr << "Warning: cannot write score file " << fileName << std::endl;
    return;
  }
  for (size_t i = 0; i < scoreAdjList.size(); ++i)
    for (const auto& p : scoreAdjList[i])
      if (p.first >= (int)i)
        out << names[i] << " " << names[p.first] << " " << p.second << std::endl;
}

std::string strstrip(const char* text) {
  if (!text) return "";
  auto isSpace = [](char c) { return c != '\0' && std::strchr(" \t\n\v\f\r", c) != nullptr; };
  const char* begin = text;
  while (isSpace(*begin)) ++begin;
  const char* end = begin + std::strlen(begin);
  while (end > begin && isSpace(end[-1])) --end;
  return std::string(begin, end);
}
