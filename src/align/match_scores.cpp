#include "align/match_scores.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iostream>

#include "align/pair_index.h"
#include "base/cores.h"
#include "base/error.h"
#include "base/number_format.h"
#include "base/ordered_pipeline.h"
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

MatchScoreFileWriter::MatchScoreFileWriter(const std::string& fileName)
    : fileName_(fileName), file_(fileName) {
  // Written beside its name and renamed into place only once complete.
  if (file_.open()) out_ = file_.file();
  if (!out_) {
    std::cerr << "Warning: cannot write match-score file " << fileName << std::endl;
    return;
  }
  buffer_.reserve(1 << 20);
}

char* MatchScoreFileWriter::putLine(char* p, std::string_view id1, std::string_view id2,
                                    double score) {
  std::memcpy(p, id1.data(), id1.size());
  p += id1.size();
  *p++ = ' ';
  std::memcpy(p, id2.data(), id2.size());
  p += id2.size();
  *p++ = ' ';
  p = formatG6(p, score);
  *p++ = '\n';
  return p;
}

void MatchScoreFileWriter::appendLine(std::string& to, std::string_view id1, std::string_view id2,
                                      double score) {
  const size_t at = to.size();
  to.resize(at + lineRoom(id1, id2));
  to.resize((size_t)(putLine(&to[at], id1, id2, score) - to.data()));
}

void MatchScoreFileWriter::addLines(std::string_view lines) {
  flush();
  if (out_) ok_ = ok_ && std::fwrite(lines.data(), 1, lines.size(), out_) == lines.size();
}

void MatchScoreFileWriter::flush() {
  if (out_) ok_ = ok_ && std::fwrite(buffer_.data(), 1, buffer_.size(), out_) == buffer_.size();
  buffer_.clear();
}

bool MatchScoreFileWriter::close() {
  if (!out_) return false;
  flush();
  out_ = nullptr;
  // Commit only a complete file; otherwise the temporary goes and an earlier
  // file of the name stays as it was.
  if (ok_ && file_.commit()) return true;
  std::cerr << "Warning: could not write all of match-score file " << fileName_ << std::endl;
  return false;
}

bool writeOutScores(const StrPair2Dbl& matchScores, const std::string& fileName) {
  MatchScoreFileWriter out(fileName);
  if (!out.isOpen()) return false;
  for (const auto& e : matchScores) out.add(e.first.first, e.first.second, e.second);
  return out.close();
}

bool writeOutScores(const MatchScoreTable& matchScores, const VecStr& idList,
                    const std::string& fileName) {
  MatchScoreFileWriter out(fileName);
  if (!out.isOpen()) return false;
  // Keys ascend by first protein, then by second; every protein of a species
  // linked to the first one's is a candidate second, in ascending number.
  const ProteinIndex& P = matchScores.proteins();
  const int S = P.speciesCount(), N = (int)P.speciesOf.size();
  // A table read from a file keys a pair by its smaller number, which can be
  // the column of its block: those rows probe every candidate partner.
  const bool byRows = matchScores.keyOrder() == MatchScoreTable::RowSpeciesFirst;
  std::vector<VecInt> candidates(S);
  for (int s = 0; s < S && !byRows; ++s)
    for (int q = 0; q < N; ++q) {
      const int t = P.speciesOf[q];
      if (t >= 0 && matchScores.block(std::min(s, t), std::max(s, t))) candidates[s].push_back(q);
    }
  // A chunk's text is text[0, used): the string only grows, so no line pays
  // for filling the room it is about to overwrite.
  struct Chunk {
    std::string text;
    size_t used = 0;
  };
  auto formatRows = [&](int from, int to, Chunk& chunk) {
    chunk.used = 0;
    auto put = [&](int p, int q, double v) {
      const size_t room = MatchScoreFileWriter::lineRoom(idList[p], idList[q]);
      if (chunk.used + room > chunk.text.size())
        chunk.text.resize(std::max(2 * chunk.text.size(), chunk.used + room));
      chunk.used = (size_t)(MatchScoreFileWriter::putLine(&chunk.text[chunk.used], idList[p],
                                                          idList[q], v) - chunk.text.data());
    };
    if (byRows) {
      MatchScoreTable::KeyedRowScratch scratch;
      for (int p = from; p < to; ++p)
        matchScores.forEachKeyedInRow(p, scratch, [&](int q, double v) { put(p, q, v); });
      return;
    }
    double v;
    for (int p = from; p < to; ++p) {
      if (P.speciesOf[p] < 0) continue;
      for (int q : candidates[P.speciesOf[p]])
        if (matchScores.stored(p, q, v)) put(p, q, v);
    }
  };
  // Formatting costs about as much as writing, so the two overlap: worker
  // threads format chunks of consecutive rows while this thread writes the
  // finished chunks in row order. Chunks hold about a megabyte.
  const long lines = std::max(1L, matchScores.size());
  const int rowsPerChunk = (int)std::max(1L, std::min(4096L, (long)N * 40000 / lines));
  const long chunks = ((long)N + rowsPerChunk - 1) / rowsPerChunk;
  // A small file is formatted on this thread: a thread would cost more.
  const int formatters =
      lines < 100000 ? 0 : (int)std::max(1L, std::min<long>({availableCpus(), 4, chunks}));
  const long ring = std::max(2, 2 * formatters);
  std::vector<Chunk> slots(ring);
  runOrderedPipeline(
      formatters, ring, [&](long c) { return c < chunks; },
      [&](long c) {
        const int from = (int)(c * rowsPerChunk);
        formatRows(from, (int)std::min<long>(N, from + (long)rowsPerChunk), slots[c % ring]);
      },
      [&](long c) {
        const Chunk& chunk = slots[c % ring];
        out.addLines(std::string_view(chunk.text.data(), chunk.used));
      });
  return out.close();
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
