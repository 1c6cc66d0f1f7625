// Utilities over a weighted score graph: node i's list in the outer vector
// holds (neighbour, score) pairs; an edge may be stored at one end or both, and
// a pair naming the node itself is its self-score. A neighbour index outside
// 0..n-1 stops every routine here with a RunError before anything is changed.
#pragma once

#include <list>
#include <string>

#include "base/types.h"

// Divides every score by sqrt(scale(i) * scale(j)), a node's scale being the
// largest score on any pair naming it, at least 1.0; self-scores become 1.0,
// and a node without one gets (i, 1.0) appended. A NaN or infinite score
// stops with a RunError and leaves the graph unchanged.
void normalizeToZeroOneScores(VecVecIntDblPair& scoreAdjList);

// Breadth-first components, following edges in their stored direction. They
// come in order of their smallest node; each lists its nodes in discovery
// order. Returns their number.
int getConnectedComponents(const VecVecIntDblPair& scoreAdjList,
                           std::list<std::list<int>>& components);

// First position holding 0, or the size when there is none.
int firstNonVisited(const VecInt& visited);

// Writes "name_i name_j score" for every pair (j, score) of node i with j >= i,
// so an edge stored at both ends appears once. names must cover every node.
void writeAllScoresToFile(const char* fileName, const VecVecIntDblPair& scoreAdjList,
                          const VecStr& names);

// The text without leading and trailing C-locale whitespace.
std::string strstrip(const char* text);
