// Container types shared by every subsystem. The ordered maps keyed by strings
// belong at the input and output boundaries; hot loops work on integer indices.
#pragma once

#include <map>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

typedef std::pair<std::string, std::string> StrPair;
// Pair of protein identifiers (or species names) to a value. Maps filled by an
// input reader hold each unordered pair once, under (smaller, larger).
typedef std::map<StrPair, double> StrPair2Dbl;
typedef std::map<StrPair, int> StrPair2Int;
typedef std::map<std::string, std::string> Str2Str;
typedef std::map<std::string, int> Str2Int;
typedef std::vector<std::string> VecStr;
typedef std::vector<int> VecInt;
typedef std::vector<bool> VecBool;
typedef std::vector<VecInt> VecVecInt;
typedef std::vector<std::pair<int, double>> VecIntDblPair;
typedef std::vector<VecIntDblPair> VecVecIntDblPair;
// Sparse score vector over pair indices; paired with a VecBool of membership bits.
typedef std::unordered_map<int, double> Hash_Int2Dbl;

// Key of an unordered pair: the two identifiers in byte-wise order, smaller first.
inline StrPair orderedPair(const std::string& a, const std::string& b) {
  return a < b ? StrPair(a, b) : StrPair(b, a);
}
