#include "align/match_scores.h"

#include <charconv>
#include <cstdio>
#include <iostream>
#include <memory>
#include <exception>
#include <system_error>
#include <thread>

#include "align/pair_index.h"
#include "base/cores.h"
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

// std::to_chars with a precision formats exactly as printf("%.6g") does,
// several times faster.
void MatchScoreFileWriter::appendLine(std::string& to, std::string_view id1, std::string_view id2,
                                      double score) {
  char number[64];
  auto res = std::to_chars(number, number + sizeof number, score, std::chars_format::general, 6);
  to.append(id1);
  to += ' ';
  to.append(id2);
  to += ' ';
  to.append(number, res.ptr);
  to += '\n';
}

void MatchScoreFileWriter::addLines(const std::string& lines) {
  flush();
  if (out_) ok_ = ok_ && std::fwrite(lines.data(), 1, lines.size(), out_) == lines.size();
}

void MatchScoreFileWriter::flush() {
  if (out_) ok_ = ok_ && std::fwrite(buffer_.data(), 1, buffer_.size(), out_) == buffer_.size();
  buffer_.clear();
}

void MatchScoreFileWriter::close() {
  if (!out_) return;
  flush();
  out_ = nullptr;
  // Commit only a complete file; otherwise the temporary goes and an earlier
  // file of the name stays as it was.
  if (!ok_ || !file_.commit())
    std::cerr << "Warning: could not write all of match-score file " << fileName_ << std::endl;
}

void writeOutScores(const StrPair2Dbl& matchScores, const std::string& fileName) {
  MatchScoreFileWriter out(fileName);
  if (!out.isOpen()) return;
  for (const auto& e : matchScores) out.add(e.first.first, e.first.second, e.second);
  out.close();
}

void writeOutScores(const MatchScoreTable& matchScores, const VecStr& idList,
                    const std::string& fileName) {
  MatchScoreFileWriter out(fileName);
  if (!out.isOpen()) return;
  // Keys ascend by first protein, then by second; every protein of a species
  // linked to the first one's is a candidate second, in ascending number.
  const ProteinIndex& P = matchScores.proteins();
  const int S = P.speciesCount(), N = (int)P.speciesOf.size();
  std::vector<VecInt> candidates(S);
  for (int s = 0; s < S; ++s)
    for (int q = 0; q < N; ++q) {
      const int t = P.speciesOf[q];
      if (t >= 0 && matchScores.block(std::min(s, t), std::max(s, t))) candidates[s].push_back(q);
    }
  auto formatRows = [&](int from, int to, std::string& lines) {
    lines.clear();
    double v;
    for (int p = from; p < to; ++p) {
      if (P.speciesOf[p] < 0) continue;
      for (int q : candidates[P.speciesOf[p]])
        if (matchScores.stored(p, q, v)) MatchScoreFileWriter::appendLine(lines, idList[p], idList[q], v);
    }
  };
  // Formatting costs more than writing: the threads format consecutive runs
  // of rows into buffers of their own, which are written in row order.
  const int threads = std::max(1, std::min(availableCpus(), 4));
  const int rowsPerChunk = 32;
  std::vector<std::string> chunks(threads);
  // An exception may not leave a thread (it would end the process without a
  // word): a thread keeps what it met and this thread throws it after the join.
  // A thread that cannot be started leaves its rows to this thread.
  std::vector<std::exception_ptr> failure(threads);
  auto guarded = [&](int t, int from, int to) {
    try {
      formatRows(from, to, chunks[t]);
    } catch (...) {
      failure[t] = std::current_exception();
    }
  };
  for (int first = 0; first < N; first += threads * rowsPerChunk) {
    std::vector<std::thread> pool;
    int started = 1;
    try {
      for (; started < threads; ++started) {
        const int from = std::min(N, first + started * rowsPerChunk);
        pool.emplace_back(guarded, started, from, std::min(N, from + rowsPerChunk));
      }
    } catch (const std::system_error&) {
    }
    formatRows(first, std::min(N, first + rowsPerChunk), chunks[0]);
    for (int t = started; t < threads; ++t) {
      const int from = std::min(N, first + t * rowsPerChunk);
      formatRows(from, std::min(N, from + rowsPerChunk), chunks[t]);
    }
    for (auto& th : pool) th.join();
    for (const auto& f : failure)
      if (f) std::rethrow_exception(f);
    for (const std::string& lines : chunks) out.addLines(lines);
  }
  out.close();
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
