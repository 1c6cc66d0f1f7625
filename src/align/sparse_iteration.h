// The power iteration of one species pair with R held sparse: rows of
// (column, value) entries instead of m*n doubles. Memory and sweep time follow
// the entries present, which pays off when pruning keeps R small, and gives the
// same bits as the dense iteration (see sparse_iteration.cpp for why).
#pragma once

#include <iostream>
#include <memory>
#include <vector>

namespace detail {

struct PairProblem;

// R over the m*n pair indices as compressed rows: the entries of row i are
// col/val[rowStart[i] .. rowStart[i+1]-1], columns strictly ascending, values
// non-zero. Walking the rows in order walks the entries in pair-index order.
struct SparseRows {
  int m = 0, n = 0;
  std::vector<long> rowStart;  // m + 1 offsets (empty when m == 0)
  std::vector<int> col;
  std::vector<double> val;

  long count() const { return (long)col.size(); }
  void clear(int rows, int cols);
};

// Whether the sparse sweep can reproduce the dense one on this problem: every
// neighbour list of the second species must be in ascending order, and a
// protein of the first species that lists itself must do so in one run of
// adjacent places (both hold for lists built from interaction records in key
// order).
bool sparseSweepApplies(const PairProblem& p);

// Sweeps of one problem over sparse R (requires sparseSweepApplies).
class SparseSweeper {
 public:
  explicit SparseSweeper(const PairProblem& p);
  ~SparseSweeper();
  // One in-place sweep: next receives R after the sweep from prev, R before it.
  void sweep(const SparseRows& prev, SparseRows& next, double alpha, bool doPruning, double admit);
  // The neighbour-pair terms a sweep spends on the entries of R: the sum of
  // deg(u) * deg(v) over them (entries a sweep adds cost more on top).
  double terms(const SparseRows& R) const;

 private:
  struct Impl;
  const PairProblem& p_;
  std::unique_ptr<Impl> impl_;
};

// Conversions between the dense form (m*n doubles, 0.0 = absent) and rows.
SparseRows rowsOfE(const PairProblem& p);
void denseToRows(const std::vector<double>& v, int m, int n, SparseRows& R);
void rowsToDense(const SparseRows& R, std::vector<double>& v);

// normalizeDense, pruneDense and changeDense on rows, with the same results.
double normalizeRows(SparseRows& R, std::ostream& log);
double pruneRows(SparseRows& R, int limit, std::ostream& log);
double changeRows(const SparseRows& now, const SparseRows& old);
// The change between R as rows and the previous iterate held dense.
double changeRowsDense(const SparseRows& rows, const std::vector<double>& dense);

// The whole iteration with R sparse, from E to the final normalised R, with
// the same diagnostics on `log` as the dense one. Requires sparseSweepApplies.
SparseRows iterateSparse(const PairProblem& p, int K, double thresh, double alpha, bool doPruning,
                         int maxveclen, std::ostream& log);

}  // namespace detail
