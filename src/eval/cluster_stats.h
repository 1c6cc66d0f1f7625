// Looking at a protein-to-cluster map after the fact: the cluster assignment
// file ("identifier cluster" per line), counts, the share of edges inside
// clusters, and the GO association table.
#pragma once

#include <map>
#include <string>

#include "base/types.h"

// Writes "identifier cluster" lines in identifier order. A map that is empty or
// whose first entry has cluster -1 holds no clustering: the file is left empty
// and "No output cluster" goes to standard error.
void writeClusterData(const Str2Int& clusters, const std::string& fileName);

// Replaces clusters by the file's assignments of identifiers that id2sp knows;
// a later line for an identifier wins. Lines without an identifier and an
// integer cluster number are skipped.
void grabClusteringData(Str2Int& clusters, const std::string& fileName, const Str2Str& id2sp);

// Number of distinct cluster numbers.
int countNumClusters(const Str2Int& clusters);

// Number of cluster numbers carried by at least two identifiers.
int countNumNontrivialClusters(const Str2Int& clusters);

// Among the edges whose two proteins are both clustered, the fraction inside
// one cluster (NaN when there is none); perCluster (replaced) counts the
// inside edges by cluster number.
double countWithinClusterEdges(const Str2Int& clusters, const StrPair2Dbl& edges,
                               std::map<int, int>& perCluster);

// Reads the GO association table, lines "key;member;member..." (";" and
// whitespace both separate): keys (replaced) gets every key with value 1;
// cooccurrence (replaced) counts, per pair of different members (smaller
// first), the position pairs on one line where they occur together.
void grabGO_DIPdata(Str2Int& keys, StrPair2Dbl& cooccurrence, const std::string& fileName);

// The same, reading DIP_GO_assoc.tab in the working directory.
void grabGO_DIPdata(Str2Int& keys, StrPair2Dbl& cooccurrence);

// Every identifier that occurs in a key, once each, ascending.
VecStr getIdListFromPairs(const StrPair2Dbl& pairs);
