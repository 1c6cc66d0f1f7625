// The match scores of a run, kept per pair of species over protein numbers.
//
// Block (r, c), species numbers r <= c, holds the scores of the proteins of r
// (rows, by local position) against those of c (columns). A block is dense,
// m*n doubles row-major in which the bit pattern of +0.0 means "no score", or
// sparse, CSR over the rows with ascending columns, or packed: a bit per cell
// (row-major) saying whether it holds a score, the number of scores before
// every 64-bit word of bits, and the scores themselves in cell order. Dense is
// chosen once at least one cell in eight holds a score: 8 bytes a cell
// against 12 an entry. A computed block goes packed instead of dense when
// that is smaller (8 bytes a score and 1.5 bits a cell: below about 97% of
// the cells filled), which at whole-proteome size halves the memory of the
// finished species pairs; the values are the same doubles either way.
// A same-species block (only a match-score file can name such pairs) holds
// each unordered pair once, with the smaller protein number as the row.
//
// Every pair is stored once, under one key order that score() needs to apply
// the symmetric lookup rule exactly:
//  - RowSpeciesFirst, computed scores: key (protein of r, protein of c);
//  - SmallerFirst, scores read from a file: key (smaller number, larger).
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "base/run_data.h"

class MatchScoreTable {
 public:
  enum KeyOrder { RowSpeciesFirst, SmallerFirst };

  struct Block {
    int r = -1, c = -1;  // species numbers
    int m = 0, n = 0;    // proteins of r and of c
    bool dense = false;
    bool packed = false;  // then also !dense; vals holds the scores in cell order
    long count = 0;       // stored scores
    std::vector<double> values;                    // dense
    std::vector<long> rowStart;                    // sparse: m+1 offsets
    std::vector<int> cols;                         // sparse: ascending within a row
    std::vector<double> vals;                      // sparse and packed
    std::vector<uint64_t> bits;                    // packed: cell q is bit q % 64 of word q / 64
    std::vector<uint32_t> before;                  // packed: scores before each word
    std::vector<std::pair<long, double>> pending;  // set() before finish(): (cell, value)

    // The stored score of cell (row, col); false when there is none.
    bool at(int row, int col, double& v) const;

    // Packed: calls f(col, score) for the scores of one row, ascending.
    template <class F>
    void forEachInPackedRow(int row, F f) const {
      const size_t first = (size_t)row * n, last = first + n;
      for (size_t w = first >> 6; (w << 6) < last; ++w) {
        const size_t base = w << 6;
        uint64_t word = bits[w];
        uint32_t k = before[w];
        if (base < first) {  // the row starts inside this word
          const uint64_t earlier = word & ((uint64_t(1) << (first - base)) - 1);
          k += (uint32_t)__builtin_popcountll(earlier);
          word &= ~earlier;
        }
        if (last - base < 64) word &= (uint64_t(1) << (last - base)) - 1;
        while (word) {
          const int b = __builtin_ctzll(word);
          word &= word - 1;
          f((int)(base + b - first), vals[k++]);
        }
      }
    }
  };

  MatchScoreTable(const ProteinIndex& proteins, KeyOrder order);

  const ProteinIndex& proteins() const { return proteins_; }
  KeyOrder keyOrder() const { return order_; }

  // The scores of species pair (r, c), r < c, as the iteration's dense
  // row-major vector (+0.0 = no score) holding `count` scores. Replaces an
  // earlier block of the same pair; a sparse result is turned into CSR.
  void putDense(int r, int c, std::vector<double>&& values, long count);

  // The block putDense would make of an m x n vector, made apart from any
  // table (a finished pair can be made compact at once, while the pairs
  // before it are still running), and its placing as the block of (r, c).
  static Block compactBlock(int m, int n, std::vector<double>&& values, long count);
  void putBlock(int r, int c, Block&& block);
  // The same from compressed rows (m+1 offsets, ascending columns, non-zero
  // values); the block takes the form putDense would give it.
  void putRows(int r, int c, std::vector<long>&& rowStart, std::vector<int>&& cols,
               std::vector<double>&& vals);

  // The score of the unordered pair {a, b}; a later call for the same pair
  // replaces the earlier value. finish() must follow the last call.
  void set(int a, int b, double v);
  void finish();

  // Stored scores over all blocks.
  long size() const;

  // The block of species pair (r, c), r <= c, or null.
  const Block* block(int r, int c) const {
    const int id = blockOf_[(size_t)r * S_ + c];
    return id < 0 ? nullptr : &blocks_[id];
  }

  // The value stored under exactly the key (a, b); false when there is none.
  bool stored(int a, int b, double& v) const;

  // Match score of two proteins: the larger of the values under the keys
  // (a, b) and (b, a), a missing key counting 0.
  double score(int a, int b) const;

  // Calls f(q, score(p, q)) for every protein q with score(p, q) > 0: species
  // by species in ascending species number, each species' proteins in
  // ascending number. (A positive score is the stored value whichever key
  // order holds it, so only the stored values need to be looked at.)
  template <class F>
  void forEachPartner(int p, F f) const {
    const int s = proteins_.speciesOf[p];
    if (s < 0) return;
    for (int t = 0; t < S_; ++t) {
      const Block* k = block(std::min(s, t), std::max(s, t));
      if (k) forEachPartnerIn(*k, s, t, p, f);
    }
  }

  static bool isScore(double v) { return v != 0.0 || std::signbit(v); }

  // forEachPartner for every protein of species s at once: calls f(p, q, v)
  // for every protein p of s and q with score(p, q) = v > 0. For one p and
  // one species of q, the q ascend; the species and the p interleave. A
  // block holding s as its column species is read row by row, where
  // forEachPartner would read one column per p (a cache miss per cell).
  template <class F>
  void forEachPartnerOfSpecies(int s, F f) const {
    const VecInt& own = proteins_.proteinsOf[s];
    for (int t = 0; t < S_; ++t) {
      const Block* k = block(std::min(s, t), std::max(s, t));
      if (!k) continue;
      const VecInt& partners = proteins_.proteinsOf[t];
      if (s == t) {
        for (int p : own)
          forEachPartnerIn(*k, s, t, p, [&](int q, double v) { f(p, q, v); });
        continue;
      }
      if (s < t) {
        for (int lp = 0; lp < k->m; ++lp)
          forEachPartnerIn(*k, s, t, own[lp], [&](int q, double v) { f(own[lp], q, v); });
        continue;
      }
      // s is the column species: row lq is partner partners[lq] of every p.
      for (int lq = 0; lq < k->m; ++lq) {
        const int q = partners[lq];
        if (k->dense) {
          const double* row = k->values.data() + (size_t)lq * k->n;
          for (int lp = 0; lp < k->n; ++lp)
            if (row[lp] > 0) f(own[lp], q, row[lp]);
        } else if (k->packed) {
          k->forEachInPackedRow(lq, [&](int lp, double v) {
            if (v > 0) f(own[lp], q, v);
          });
        } else {
          for (long x = k->rowStart[lq]; x < k->rowStart[lq + 1]; ++x)
            if (k->vals[x] > 0) f(own[k->cols[x]], q, k->vals[x]);
        }
      }
    }
  }

  // Calls f(q, v) for every q with stored(p, q, v), q ascending: the lines of
  // p in the match-score file. Only for RowSpeciesFirst tables, where p keys
  // exactly the cells of its own row in the blocks (s, t), t >= s: one
  // sequential read per block row, where probing every protein q costs a
  // lookup each. `scratch` is the caller's, kept between calls.
  struct KeyedRowScratch {
    std::vector<std::pair<int, double>> runs;
    std::vector<size_t> at, ends;  // each species' run in `runs`
  };
  template <class F>
  void forEachKeyedInRow(int p, KeyedRowScratch& scratch, F f) const {
    const int s = proteins_.speciesOf[p];
    if (s < 0) return;
    const int lp = proteins_.localOf[p];
    auto& runs = scratch.runs;
    auto& at = scratch.at;
    auto& ends = scratch.ends;
    runs.clear();
    at.clear();
    ends.clear();
    for (int t = s; t < S_; ++t) {
      const Block* k = block(s, t);
      if (!k) continue;
      at.push_back(runs.size());
      const VecInt& partners = proteins_.proteinsOf[t];
      if (k->dense) {
        const double* row = k->values.data() + (size_t)lp * k->n;
        for (int lq = 0; lq < k->n; ++lq)
          if (isScore(row[lq])) runs.emplace_back(partners[lq], row[lq]);
      } else if (k->packed) {
        k->forEachInPackedRow(lp, [&](int lq, double v) { runs.emplace_back(partners[lq], v); });
      } else {
        for (long x = k->rowStart[lp]; x < k->rowStart[lp + 1]; ++x)
          runs.emplace_back(partners[k->cols[x]], k->vals[x]);
      }
      ends.push_back(runs.size());
    }
    // Each species' proteins ascend within its run; the runs interleave.
    if (at.size() <= 1) {
      for (const auto& e : runs) f(e.first, e.second);
      return;
    }
    for (;;) {
      size_t best = at.size();
      for (size_t r = 0; r < at.size(); ++r)
        if (at[r] < ends[r] && (best == at.size() || runs[at[r]].first < runs[at[best]].first))
          best = r;
      if (best == at.size()) return;
      f(runs[at[best]].first, runs[at[best]].second);
      ++at[best];
    }
  }

 private:
  // forEachPartner's part in block k, of species s (p's) and t.
  template <class F>
  void forEachPartnerIn(const Block& blk, int s, int t, int p, F f) const {
    const Block* k = &blk;
    const int lp = proteins_.localOf[p];
    const VecInt& partners = proteins_.proteinsOf[t];
    if (s == t) {
      // Same species: each unordered pair once, the smaller number as row.
      double v;
      for (int lq = 0; lq < k->n; ++lq) {
        const bool pRow = lp <= lq;
        if (k->at(pRow ? lp : lq, pRow ? lq : lp, v) && v > 0) f(partners[lq], v);
      }
    } else if (s < t && k->dense) {
      const double* row = k->values.data() + (size_t)lp * k->n;
      for (int lq = 0; lq < k->n; ++lq)
        if (row[lq] > 0) f(partners[lq], row[lq]);
    } else if (s < t && k->packed) {
      k->forEachInPackedRow(lp, [&](int lq, double v) {
        if (v > 0) f(partners[lq], v);
      });
    } else if (s < t) {
      for (long x = k->rowStart[lp]; x < k->rowStart[lp + 1]; ++x)
        if (k->vals[x] > 0) f(partners[k->cols[x]], k->vals[x]);
    } else if (k->dense) {
      const double* col = k->values.data() + lp;
      for (int lq = 0; lq < k->m; ++lq)
        if (col[(size_t)lq * k->n] > 0) f(partners[lq], col[(size_t)lq * k->n]);
    } else {
      double v;
      for (int lq = 0; lq < k->m; ++lq)
        if (k->at(lq, lp, v) && v > 0) f(partners[lq], v);
    }
  }

  Block& blockFor(int r, int c);
  void makeDense(Block& b);
  static void makeSparse(Block& b);
  static void makePacked(Block& b);

  const ProteinIndex& proteins_;
  KeyOrder order_;
  int S_;
  std::vector<Block> blocks_;
  std::vector<int> blockOf_;  // S*S, -1 when the pair has no block
};
