// Protein numbering per species, the flat pair index of a species pair, the
// per-species adjacency lists, and lookups on the sequence scores.
//
// For a species pair with m proteins in the first species and n in the second,
// the pair (i, j) of local positions has index q = i*n + j (second position
// fastest), so q runs over 0 .. m*n-1 and must fit a signed 32-bit int.
#pragma once

#include <string>

#include "base/run_data.h"
#include "base/types.h"

int getIdx(int i, int j, int m, int n);
void getSubscripts(int q, int m, int n, int& i, int& j);

// Interactions of one species (self-interactions count once) and the number
// of distinct proteins that take part in them.
void countEdgesNodesBySp(const StrPair2Dbl& intxns, const Str2Str& id2sp, const std::string& sp,
                         int& numNodes, int& numEdges);

// Every protein of the species in identifier order (idxList: positions in the
// sorted idList); adjList[k] lists local positions of k's partners in the order
// the interactions are met (ascending key). A self-interaction appears twice.
void getAdjListBySp_withAllGenes(const StrPair2Dbl& intxns, const Str2Str& id2sp,
                                 const Str2Int& id2idx, const std::string& sp, VecInt& idxList,
                                 VecVecInt& adjList);

// The same over interacting proteins only, numbered by first appearance in key
// order; numNodes must be the count from countEdgesNodesBySp.
void getAdjListBySp(const StrPair2Dbl& intxns, const Str2Str& id2sp, const Str2Int& id2idx,
                    const std::string& sp, int numNodes, VecInt& idxList, VecVecInt& adjList);

// Largest sequence score of every protein, never below 1.0 for proteins of idList.
void getMaxBlastScoreById(const StrPair2Dbl& blastScores, const VecStr& idList,
                          std::map<std::string, double>& maxScore);

// Sequence score of the unordered pair, or 0.0.
double getBlastScoreOrZero(const StrPair2Dbl& blastScores, const std::string& a,
                           const std::string& b);

// Integer forms used by a run. `intxns` and `blastScores` are one record per
// unordered pair in key order, over protein numbers; the map forms above number
// their identifiers and call these.

// Interactions whose first protein belongs to species sp, and the distinct
// proteins taking part in them.
void countEdgesNodesBySp(const std::vector<PairRecord>& intxns, const ProteinIndex& proteins,
                         int sp, int& numNodes, int& numEdges);

// Adjacency of species sp over local positions (the order of proteinsOf[sp]),
// partners in the order the interactions are met; a self-interaction twice.
void getAdjListBySp_withAllGenes(const std::vector<PairRecord>& intxns,
                                 const ProteinIndex& proteins, const VecStr& speciesLabel, int sp,
                                 VecVecInt& adjList);

// largest[p] rises to the largest score of every record naming protein p.
void raiseToLargestScores(const std::vector<PairRecord>& blastScores, std::vector<double>& largest);

// The records of a pair-keyed map in key order, identifiers numbered by id2idx.
std::vector<PairRecord> numberRecords(const StrPair2Dbl& pairs, const Str2Int& id2idx);
