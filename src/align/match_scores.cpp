#include "align/match_scores.h"

#include <charconv>
#include <cstdio>
#include <iostream>
#include <memory>

#include "align/pair_index.h"
#include "base/error.h"
#include "base/output_file.h"

int readMatchScores(const VecStr& idList, const VecBool& finalVecMembership,
                    const Hash_Int2Dbl& finalVec, const VecInt& sp1_idxList,
                    const VecInt& sp2_idxList, StrPair2Dbl& matchScores) {
  const int m = (int)sp1_idxList.size(), n = (int)sp2_idxList.size();
  if (!finalVec.empty() && n == 0) throw RunError("score vector without proteins");
  auto identifier = [&](int pos) -> const std::string& {
    if (pos < 0 || pos >= (int)idList.size()) throw RunError("protein number out of range");
    return idList[pos];
  };
  // Walking the indices in ascending order yields ascending keys when the
  // protein lists are increasing (as the power iteration makes them), so each
  // insertion lands right after the previous one.
  auto hint = matchScores.end();
  for (size_t q = 0; q < finalVecMembership.size(); ++q) {
    if (!finalVecMembership[q]) continue;
    auto it = finalVec.find((int)q);
    if (it == finalVec.end()) continue;
    int i, j;
    getSubscripts((int)q, m, n, i, j);
    if (i >= m) throw RunError("pair index out of range");
    hint = matchScores.insert_or_assign(
        hint, StrPair(identifier(sp1_idxList[i]), identifier(sp2_idxList[j])), it->second);
    ++hint;
  }
  return 1;
}

void writeOutScores(const StrPair2Dbl& matchScores, const std::string& fileName) {
  OutputFile out(fileName);  // renamed into place only once complete
  if (!out.open()) {
    std::cerr << "Warning: cannot write match-score file " << fileName << std::endl;
    return;
  }
  // Lines are assembled in a buffer; std::to_chars with a precision formats
  // exactly as printf("%.6g") does, several times faster.
  std::string buffer;
  buffer.reserve(1 << 20);
  char number[64];
  bool ok = true;
  for (const auto& e : matchScores) {
    buffer += e.first.first;
    buffer += ' ';
    buffer += e.first.second;
    buffer += ' ';
    auto res = std::to_chars(number, number + sizeof number, e.second, std::chars_format::general, 6);
    buffer.append(number, res.ptr);
    buffer += '\n';
    if (buffer.size() >= (1 << 20) - 512) {
      ok = ok && std::fwrite(buffer.data(), 1, buffer.size(), out.file()) == buffer.size();
      buffer.clear();
    }
  }
  ok = ok && std::fwrite(buffer.data(), 1, buffer.size(), out.file()) == buffer.size();
  if (!ok || !out.commit())
    std::cerr << "Warning: could not write all of match-score file " << fileName << std::endl;
}

void computeSumOfCommonScores(const StrPair2Dbl& first, const StrPair2Dbl& second,
                              double& sumSecond, double& sumFirst) {
  sumSecond = 0;
  sumFirst = 0;
  for (const auto& e : first) {
    auto it = second.find(e.first);
    if (it == second.end()) continue;
    sumFirst += e.second;
    sumSecond += it->second;
  }
  std::cerr << "total of common scores: blast: " << sumFirst << " match: " << sumSecond << std::endl;
}
