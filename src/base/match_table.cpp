#include "base/match_table.h"

#include <algorithm>

#include "base/error.h"
#include "base/large_array.h"

bool MatchScoreTable::Block::at(int row, int col, double& v) const {
  if (dense) {
    v = values[(size_t)row * n + col];
    return isScore(v);
  }
  if (packed) {
    const size_t cell = (size_t)row * n + col, w = cell >> 6;
    const uint64_t below = bits[w] & ((uint64_t(1) << (cell & 63)) - 1);
    if (!((bits[w] >> (cell & 63)) & 1)) return false;
    v = vals[before[w] + (uint32_t)__builtin_popcountll(below)];
    return true;
  }
  auto first = cols.begin() + rowStart[row], last = cols.begin() + rowStart[row + 1];
  auto it = std::lower_bound(first, last, col);
  if (it == last || *it != col) return false;
  v = vals[it - cols.begin()];
  return true;
}

MatchScoreTable::MatchScoreTable(const ProteinIndex& proteins, KeyOrder order)
    : proteins_(proteins), order_(order), S_(proteins.speciesCount()) {
  blockOf_.assign((size_t)S_ * S_, -1);
}

MatchScoreTable::Block& MatchScoreTable::blockFor(int r, int c) {
  int& id = blockOf_[(size_t)r * S_ + c];
  if (id < 0) {
    id = (int)blocks_.size();
    blocks_.emplace_back();
    Block& b = blocks_.back();
    b.r = r;
    b.c = c;
    b.m = (int)proteins_.proteinsOf[r].size();
    b.n = (int)proteins_.proteinsOf[c].size();
    b.rowStart.assign(b.m + 1, 0);
  }
  return blocks_[id];
}

void MatchScoreTable::makeDense(Block& b) {
  assignLarge(b.values, (size_t)b.m * b.n, 0.0);
  for (const auto& e : b.pending) b.values[e.first] = e.second;
  std::vector<std::pair<long, double>>().swap(b.pending);
  b.dense = true;
}

void MatchScoreTable::makeSparse(Block& b) {
  b.rowStart.assign(b.m + 1, 0);
  b.cols.clear();
  b.vals.clear();
  b.cols.reserve(b.count);
  b.vals.reserve(b.count);
  for (int i = 0; i < b.m; ++i) {
    const double* row = b.values.data() + (size_t)i * b.n;
    for (int j = 0; j < b.n; ++j)
      if (isScore(row[j])) {
        b.cols.push_back(j);
        b.vals.push_back(row[j]);
      }
    b.rowStart[i + 1] = (long)b.cols.size();
  }
  std::vector<double>().swap(b.values);
  b.dense = false;
}

// The present cells in order; the dense array goes as soon as it is read.
void MatchScoreTable::makePacked(Block& b) {
  const size_t cells = (size_t)b.m * b.n, words = (cells + 63) / 64;
  std::vector<uint64_t>(words, 0).swap(b.bits);
  std::vector<uint32_t>(words, 0).swap(b.before);
  b.vals.clear();
  b.vals.reserve(b.count);
  for (size_t w = 0; w < words; ++w) {
    b.before[w] = (uint32_t)b.vals.size();
    const size_t end = std::min(cells, (w + 1) * 64);
    uint64_t word = 0;
    for (size_t q = w * 64; q < end; ++q)
      if (isScore(b.values[q])) {
        word |= uint64_t(1) << (q - w * 64);
        b.vals.push_back(b.values[q]);
      }
    b.bits[w] = word;
  }
  std::vector<double>().swap(b.values);
  b.dense = false;
  b.packed = true;
}

MatchScoreTable::Block MatchScoreTable::compactBlock(int m, int n, std::vector<double>&& values,
                                                     long count) {
  if (values.size() != (size_t)m * n)
    throw RunError("score vector does not match the species' protein counts");
  Block b;
  b.m = m;
  b.n = n;
  b.values = std::move(values);
  b.count = count;
  b.dense = true;
  const double cells = (double)m * n;
  if ((double)count * 8 < cells)
    makeSparse(b);
  else if ((double)count * 8 + cells * 1.5 / 8 < cells * 8)
    makePacked(b);
  return b;
}

void MatchScoreTable::putBlock(int r, int c, Block&& block) {
  Block& b = blockFor(r, c);
  if (block.m != b.m || block.n != b.n)
    throw RunError("score vector does not match the species' protein counts");
  block.r = r;
  block.c = c;
  b = std::move(block);
}

void MatchScoreTable::putDense(int r, int c, std::vector<double>&& values, long count) {
  const Block& b = blockFor(r, c);
  putBlock(r, c, compactBlock(b.m, b.n, std::move(values), count));
}

void MatchScoreTable::putRows(int r, int c, std::vector<long>&& rowStart, std::vector<int>&& cols,
                              std::vector<double>&& vals) {
  Block& b = blockFor(r, c);
  if (rowStart.size() != (size_t)b.m + 1 || cols.size() != vals.size() ||
      rowStart.back() != (long)cols.size())
    throw RunError("score rows do not match the species' protein counts");
  const long count = (long)cols.size();
  if ((double)count * 8 >= (double)b.m * b.n) {
    // Filled enough for the dense form: the same path as a dense result.
    std::vector<double> values;
    assignLarge(values, (size_t)b.m * b.n, 0.0);
    for (int i = 0; i < b.m; ++i)
      for (long x = rowStart[i]; x < rowStart[i + 1]; ++x)
        values[(size_t)i * b.n + cols[x]] = vals[x];
    std::vector<long>().swap(rowStart);
    std::vector<int>().swap(cols);
    std::vector<double>().swap(vals);
    putDense(r, c, std::move(values), count);
    return;
  }
  b.count = count;
  std::vector<std::pair<long, double>>().swap(b.pending);
  b.rowStart = std::move(rowStart);
  b.cols = std::move(cols);
  b.vals = std::move(vals);
  b.cols.shrink_to_fit();
  b.vals.shrink_to_fit();
  std::vector<double>().swap(b.values);
  b.dense = false;
}

void MatchScoreTable::set(int a, int b, double v) {
  const int sa = proteins_.speciesOf[a], sb = proteins_.speciesOf[b];
  if (sa < 0 || sb < 0) throw RunError("match score for a protein without species");
  int row = a, col = b;
  if (sa > sb || (sa == sb && a > b)) std::swap(row, col);
  Block& k = blockFor(std::min(sa, sb), std::max(sa, sb));
  const long cell = (long)proteins_.localOf[row] * k.n + proteins_.localOf[col];
  if (k.dense) {
    k.values[cell] = v;
    return;
  }
  k.pending.emplace_back(cell, v);
  if ((double)k.pending.size() * 8 > (double)k.m * k.n) makeDense(k);
}

void MatchScoreTable::finish() {
  for (Block& b : blocks_) {
    if (b.dense) {
      long count = 0;
      for (double v : b.values) count += isScore(v);
      b.count = count;
      continue;
    }
    if (b.packed) continue;                               // a computed block, final
    if (b.pending.empty() && !b.cols.empty()) continue;  // already final
    // A later record of a cell replaces an earlier one: order by cell, keep
    // the last of each run.
    std::stable_sort(b.pending.begin(), b.pending.end(),
                     [](const std::pair<long, double>& x, const std::pair<long, double>& y) {
                       return x.first < y.first;
                     });
    b.rowStart.assign(b.m + 1, 0);
    b.cols.clear();
    b.vals.clear();
    for (size_t k = 0; k < b.pending.size(); ++k) {
      if (k + 1 < b.pending.size() && b.pending[k + 1].first == b.pending[k].first) continue;
      const long cell = b.pending[k].first;
      ++b.rowStart[cell / b.n + 1];
      b.cols.push_back((int)(cell % b.n));
      b.vals.push_back(b.pending[k].second);
    }
    for (int i = 0; i < b.m; ++i) b.rowStart[i + 1] += b.rowStart[i];
    b.count = (long)b.cols.size();
    std::vector<std::pair<long, double>>().swap(b.pending);
  }
}

long MatchScoreTable::size() const {
  long total = 0;
  for (const Block& b : blocks_) total += b.count;
  return total;
}

bool MatchScoreTable::stored(int a, int b, double& v) const {
  const int sa = proteins_.speciesOf[a], sb = proteins_.speciesOf[b];
  if (sa < 0 || sb < 0) return false;
  int row = a, col = b;
  if (sa > sb || (sa == sb && a > b)) std::swap(row, col);
  const int keyFirst = (order_ == RowSpeciesFirst || sa == sb) ? row : std::min(a, b);
  if (a != keyFirst) return false;
  const Block* k = block(std::min(sa, sb), std::max(sa, sb));
  return k && k->at(proteins_.localOf[row], proteins_.localOf[col], v);
}

double MatchScoreTable::score(int a, int b) const {
  const int sa = proteins_.speciesOf[a], sb = proteins_.speciesOf[b];
  if (sa < 0 || sb < 0) return 0.0;
  int row = a, col = b;
  if (sa > sb || (sa == sb && a > b)) std::swap(row, col);
  const Block* k = block(std::min(sa, sb), std::max(sa, sb));
  double v;
  if (!k || !k->at(proteins_.localOf[row], proteins_.localOf[col], v)) return 0.0;
  const int keyFirst = (order_ == RowSpeciesFirst || sa == sb) ? row : std::min(a, b);
  const double s1 = a == keyFirst ? v : 0.0;
  const double s2 = b == keyFirst ? v : 0.0;
  return s1 > s2 ? s1 : s2;
}
