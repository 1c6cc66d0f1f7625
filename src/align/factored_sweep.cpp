#include "align/factored_sweep.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <memory>
#include <system_error>
#include <thread>

#include "base/large_array.h"
#include "base/spin_barrier.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define TRIVANEX_X86 1
#endif

namespace detail {

namespace {

const double kMinValue = 1e-9;
const long kProgressStep = 1000000;

// R of the factored iteration, row by row.
//
// Row i owns words [i*words, (i+1)*words) of `bits`, a bit per column (bit
// v % 64 of word v / 64; the bits past column n-1 are 0) saying whether the
// cell holds a value, and its values from vals[rowStart[i]] on. A packed row
// holds one value per set bit, in column order; before[w] counts the set
// bits of w's row ahead of word w, so any run of whole words is found without
// a scan. A row filled more than half is kept dense instead, all n cells
// with 0.0 where absent: read whole, it costs no more than its packed form
// and is summed by the plain kernel. A set bit may hold 0.0 (an entry that
// normalisation or pruning took away); like every absent cell it adds +0.0
// to a sum, which leaves the sum as it was, so sums over the rows are those
// over dense R, whichever form each row has.
//
// A sweep reads the rows of one store (the previous iterate) and writes the
// next store front to back; the two swap after it, so the previous iterate
// the change measure needs is there without a copy. Values are room for m*n
// doubles that cost only the pages written.
struct PackedRows {
  int m = 0, n = 0, words = 0;
  std::vector<uint64_t> bits;
  std::vector<uint32_t> before;
  std::vector<long> rowStart;
  // Whether each row is dense. With several threads every one of them
  // decides a row's form from the same counts and records it, each reading
  // back its own record before the others may have written theirs.
  std::unique_ptr<std::atomic<char>[]> denseRow;
  MappedArray<double> vals;

  PackedRows(int rows, int cols)
      : m(rows),
        n(cols),
        words((cols + 63) / 64),
        bits((size_t)rows * words, 0),
        before((size_t)rows * words, 0),
        rowStart(rows + 1, 0),
        denseRow(new std::atomic<char>[rows]),
        vals((size_t)rows * cols) {
    for (int i = 0; i < rows; ++i) denseRow[i].store(0, std::memory_order_relaxed);
  }

  bool dense(int u) const { return denseRow[u].load(std::memory_order_relaxed) != 0; }
  void setDense(int u, bool d) { denseRow[u].store(d, std::memory_order_relaxed); }

  long size() const { return rowStart[m]; }
  // Whether a row of `present` cells is kept dense.
  bool denseFor(long present) const { return 2 * present > n; }
  // The value of row u's first cell at or after column 64 * w (dense rows),
  // or of its first present one (packed rows).
  const double* at(int u, int w) const {
    return vals.data() + rowStart[u] + (dense(u) ? (size_t)w * 64 : before[(size_t)u * words + w]);
  }
  // The value of the cell at bit b of word w, whose row bits are `word`.
  const double* cell(int u, int w, uint64_t word, int b) const {
    return at(u, w) + (dense(u) ? b : __builtin_popcountll(word & ((uint64_t(1) << b) - 1)));
  }

  // Writes row i's columns [c0, c1) (c0 a multiple of 64; c1 = n or a
  // multiple of 64) from row[c0, c1): dense from vals[rowFirst + c0] on, or
  // packed from vals[first] on.
  void putRange(int i, int c0, int c1, const double* row, bool asDense, long first, long rowFirst) {
    const size_t base = (size_t)i * words;
    if (asDense) std::copy(row + c0, row + c1, vals.data() + rowFirst + c0);
    double* out = vals.data() + first;
    double kept[65];
    for (int w = c0 / 64; w * 64 < c1; ++w) {
      before[base + w] = (uint32_t)(out - vals.data() - rowFirst);
      const int v0 = w * 64, v1 = std::min(c1, v0 + 64);
      uint64_t word = 0;
      int k = 0;
      // No branch on the values: each is written, the step taken only for
      // a present one.
      for (int v = v0; v < v1; ++v) {
        const uint64_t present = row[v] != 0.0;
        word |= present << (v - v0);
        kept[k] = row[v];
        k += (int)present;
      }
      bits[base + w] = word;
      if (!asDense) out = std::copy(kept, kept + k, out);
    }
  }

  // row[c0, c1) = row u's cells, 0.0 where absent.
  void getRange(int u, int c0, int c1, double* row) const {
    if (dense(u)) {
      const double* x = vals.data() + rowStart[u];
      std::copy(x + c0, x + c1, row + c0);
      return;
    }
    const uint64_t* b = bits.data() + (size_t)u * words;
    const double* x = at(u, c0 / 64);
    std::fill(row + c0, row + c1, 0.0);
    for (int w = c0 / 64; w * 64 < c1; ++w)
      for (uint64_t word = b[w]; word; word &= word - 1) row[w * 64 + __builtin_ctzll(word)] = *x++;
  }
};

// y[v] += x(v) * c over the present cells of row u in whole words [w0, w1).
// Every variant does one IEEE multiply and one add per present cell and
// skips the absent ones, each of which would add +0.0: all give the bits of
// the dense y[v] += R(u, v) * c.
void addRowScalar(const PackedRows& S, int u, int w0, int w1, double c, double* y) {
  const double* x = S.at(u, w0);
  if (S.dense(u)) {
    const int v1 = std::min(S.n, w1 * 64);
    for (int v = w0 * 64; v < v1; ++v) y[v] += x[v - w0 * 64] * c;
    return;
  }
  const uint64_t* b = S.bits.data() + (size_t)u * S.words;
  for (int w = w0; w < w1; ++w)
    for (uint64_t word = b[w]; word; word &= word - 1) {
      double& t = y[w * 64 + __builtin_ctzll(word)];
      t += *x++ * c;
    }
}

#ifdef TRIVANEX_X86
// Eight cells at a time: the present values of a byte of bits are expanded
// into their lanes and added under the byte as mask, so absent lanes (and
// any past column n-1) are neither read nor written.
__attribute__((target("avx512f"))) void addRowAvx512(const PackedRows& S, int u, int w0, int w1,
                                                      double c, double* y) {
  const double* x = S.at(u, w0);
  const __m512d cc = _mm512_set1_pd(c);
  if (S.dense(u)) {
    const int v0 = w0 * 64, len = std::min(S.n, w1 * 64) - v0;
    double* yv = y + v0;
    int k = 0;
    for (; k + 16 <= len; k += 16) {
      __m512d a = _mm512_add_pd(_mm512_loadu_pd(yv + k), _mm512_mul_pd(_mm512_loadu_pd(x + k), cc));
      __m512d b = _mm512_add_pd(_mm512_loadu_pd(yv + k + 8),
                                _mm512_mul_pd(_mm512_loadu_pd(x + k + 8), cc));
      _mm512_storeu_pd(yv + k, a);
      _mm512_storeu_pd(yv + k + 8, b);
    }
    for (; k < len; ++k) yv[k] += x[k] * c;
    return;
  }
  const uint64_t* b = S.bits.data() + (size_t)u * S.words;
  for (int w = w0; w < w1; ++w) {
    uint64_t word = b[w];
    double* yw = y + (size_t)w * 64;
    for (int k = 0; word; ++k, word >>= 8) {
      const __mmask8 mask = (__mmask8)(word & 0xff);
      if (!mask) continue;
      if (mask == 0xff) {
        _mm512_storeu_pd(yw + 8 * k, _mm512_add_pd(_mm512_loadu_pd(yw + 8 * k),
                                                   _mm512_mul_pd(_mm512_loadu_pd(x), cc)));
        x += 8;
        continue;
      }
      const __m512d t = _mm512_mul_pd(_mm512_maskz_expandloadu_pd(mask, x), cc);
      _mm512_mask_storeu_pd(yw + 8 * k, mask, _mm512_add_pd(_mm512_maskz_loadu_pd(mask, yw + 8 * k), t));
      x += __builtin_popcount(mask);
    }
  }
}
#endif

typedef void (*AddRowFn)(const PackedRows&, int, int, int, double, double*);

AddRowFn addRowFor(SweepKernel k) {
#ifdef TRIVANEX_X86
  if (k == SweepKernel::Avx512 && sweepKernelRuns(k)) return addRowAvx512;
#endif
  (void)k;
  return addRowScalar;
}

// What the factored sweep reads besides R.
//
// inv1[u] = 1.0 / deg(u), inv2[v] = 1.0 / deg(v) (0.0 for a protein without
// partners, which no list names). selfCount[i] is how often i lists itself (a
// self-interaction puts i twice into its own list); such a row reads its own
// cells and is swept column by column. E is CSR over the rows: entries
// eStart[i] .. eStart[i+1]-1 of p.E belong to row i.
struct Plan {
  const PairProblem& p;
  int m, n;
  std::vector<double> inv1, inv2;
  std::vector<int> selfCount;
  std::vector<long> eStart;

  explicit Plan(const PairProblem& prob) : p(prob), m(prob.m), n(prob.n) {
    auto inverse = [](const VecInt& off, int count, std::vector<double>& inv) {
      inv.assign(count, 0.0);
      for (int x = 0; x < count; ++x)
        if (off[x + 1] > off[x]) inv[x] = 1.0 / (double)(off[x + 1] - off[x]);
    };
    inverse(p.off1, m, inv1);
    inverse(p.off2, n, inv2);
    selfCount.assign(m, 0);
    for (int i = 0; i < m; ++i)
      for (int t = p.off1[i]; t < p.off1[i + 1]; ++t) selfCount[i] += p.nb1[t] == i;
    eStart.assign(m + 1, 0);
    for (const auto& e : p.E) ++eStart[e.first / n + 1];
    for (int i = 0; i < m; ++i) eStart[i + 1] += eStart[i];
  }
};

struct Sweep {
  const Plan& P;
  const PackedRows& prev;  // rows after i: the previous iterate
  PackedRows& next;        // rows before i: this sweep's values
  double alpha;
  bool doPruning;
  double admit;
  SweepKernelFns kernel;
  AddRowFn addRow;
  // W[v] for the row being swept (W[n] is the lane padding's +0.0), and the
  // row itself, dense: its previous values, overwritten as it is swept.
  std::vector<double> W, row;

  // Mixes in the sequence term and admits or removes the pair whose value
  // `slot` holds; returns the change of the entry count. The default
  // sweep's rule, word for word.
  int settle(double& slot, double s, const double* eVal) {
    if (eVal)
      s = alpha * s + (1 - alpha) * *eVal;
    else
      s = alpha * s;
    const bool present = slot != 0.0;
    const bool admitted = s > kMinValue && (!doPruning || present || s > admit);
    if (admitted) {
      slot = s;
      return present ? 0 : 1;
    }
    slot = 0.0;
    return present ? -1 : 0;
  }

  // First pass of row i over the columns [c0, c1): W(v) = sum over the
  // neighbours u of i, in list order, of R(u, v) / deg u, then divided by
  // deg v. Rows u < i hold this sweep's values, rows u > i the previous
  // iterate's. In a row that lists itself the own row is left out here and
  // W is not yet divided (see selfRow).
  void firstPass(int i, int c0, int c1) {
    const PairProblem& p = P.p;
    double* w = W.data();
    std::fill(w + c0, w + c1, 0.0);
    const int w0 = c0 / 64, w1 = (c1 + 63) / 64;
    for (int t = p.off1[i]; t < p.off1[i + 1]; ++t) {
      const int u = p.nb1[t];
      if (u == i) continue;
      addRow(u < i ? next : prev, u, w0, w1, P.inv1[u], w);
    }
    if (P.selfCount[i]) return;
    for (int v = c0; v < c1; ++v) w[v] *= P.inv2[v];
  }

  const std::pair<int, double>* eAt(int i, long q) const {
    const auto* b = P.p.E.data() + P.eStart[i];
    const auto* e = P.p.E.data() + P.eStart[i + 1];
    const auto* it =
        std::lower_bound(b, e, q, [](const std::pair<int, double>& x, long k) { return x.first < k; });
    return it;
  }

  // Second pass over the columns of a block: every column's sum of W over
  // its neighbours, in list order (the lane kernels keep that order), into
  // the dense row.
  long secondPass(int i, const LaneGroups& groups, int j0, int j1, std::vector<double>& acc) {
    std::fill(acc.begin(), acc.end(), 0.0);
    kernel.gather(W.data(), groups, acc.data());
    const long rowBase = (long)i * P.n;
    const auto* e = eAt(i, rowBase + j0);
    const auto* eEnd = P.p.E.data() + P.eStart[i + 1];
    long delta = 0;
    for (int j = j0; j < j1; ++j) {
      const double* eVal = nullptr;
      if (e != eEnd && e->first == rowBase + j) eVal = &(e++)->second;
      delta += settle(row[j], acc[groups.slotOf[j - j0]], eVal);
    }
    return delta;
  }

  // A row that lists itself reads its own cells as they are rewritten:
  // columns before j already hold this sweep's values, j and later the
  // previous iterate's, as in the default sweep. W holds the other
  // neighbours' part, undivided; the own part is added per term.
  long selfRow(int i) {
    const PairProblem& p = P.p;
    const long rowBase = (long)i * P.n;
    const double* Ri = row.data();
    const double own = P.inv1[i];
    const int times = P.selfCount[i];
    const auto* e = P.p.E.data() + P.eStart[i];
    const auto* eEnd = P.p.E.data() + P.eStart[i + 1];
    long delta = 0;
    for (int j = 0; j < P.n; ++j) {
      double s = 0;
      for (int k = p.off2[j]; k < p.off2[j + 1]; ++k) {
        const int v = p.nb2[k];
        double t = W[v];
        const double x = Ri[v] * own;
        for (int c = 0; c < times; ++c) t += x;
        s += t * P.inv2[v];
      }
      const double* eVal = nullptr;
      if (e != eEnd && e->first == rowBase + j) eVal = &(e++)->second;
      delta += settle(row[j], s, eVal);
    }
    return delta;
  }
};

// Column ranges of the threads, whole 64-bit words of the rows each, so that
// a thread writes and reads the same words of every row. Balanced by a
// column's share of both passes: the mean degree of the first species for
// the first, its own degree (+1) for the second.
std::vector<int> columnRanges(const PairProblem& p, int threads) {
  const int words = (p.n + 63) / 64;
  threads = std::max(1, std::min(threads, words));
  const long perColumn = (long)p.off1[p.m] / std::max(1, p.m) + 1;
  const long total = (long)p.off2[p.n] + p.n * perColumn;
  std::vector<int> bounds(threads + 1, p.n);
  bounds[0] = 0;
  long acc = 0;
  int b = 1;
  for (int j = 0; j < p.n && b < threads; ++j) {
    acc += p.off2[j + 1] - p.off2[j] + perColumn;
    if ((j + 1) % 64 == 0 && acc * threads >= total * b) bounds[b++] = j + 1;
  }
  // Ranges left empty at the end: fewer threads.
  while (bounds.size() > 2 && bounds[bounds.size() - 2] == p.n) bounds.pop_back();
  return bounds;
}

struct Worker {
  int c0, c1;
  LaneGroups groups;
  std::vector<double> acc;
  long delta = 0;
  long count = 0;  // present cells of the current row in [c0, c1)
};

long presentIn(const std::vector<double>& row, int c0, int c1) {
  long k = 0;
  for (int v = c0; v < c1; ++v) k += row[v] != 0.0;
  return k;
}

// One in-place sweep in index order from sw.prev into sw.next; returns the
// change of the entry count. With several threads each row is cut into
// column ranges of whole words: a thread does both passes and the storing
// of its range, so it reads back only words it wrote itself; barriers after
// the first pass and before the storing keep the in-place order and give
// every thread the counts of the ranges before its own. A row that lists
// itself is swept and stored by the first thread alone.
long sweep(Sweep& sw, int threads) {
  const Plan& P = sw.P;
  PackedRows& next = sw.next;
  const std::vector<int> cols = columnRanges(P.p, threads);
  threads = (int)cols.size() - 1;
  std::vector<Worker> work(threads);
  for (int t = 0; t < threads; ++t) {
    Worker& w = work[t];
    w.c0 = cols[t];
    w.c1 = cols[t + 1];
    w.groups = makeLaneGroups(P.p.off2, P.p.nb2, w.c0, w.c1, sw.kernel.width, P.n);
    w.acc.assign(w.groups.slots(), 0.0);
  }
  next.rowStart[0] = 0;
  // Stores row i whole, from one thread.
  auto putRow = [&](int i) {
    const long present = presentIn(sw.row, 0, P.n);
    const bool asDense = next.denseFor(present);
    next.setDense(i, asDense);
    next.putRange(i, 0, P.n, sw.row.data(), asDense, next.rowStart[i], next.rowStart[i]);
    next.rowStart[i + 1] = next.rowStart[i] + (asDense ? P.n : present);
  };
  auto selfRowWhole = [&](int i, Worker& w) {
    sw.prev.getRange(i, 0, P.n, sw.row.data());
    w.delta += sw.selfRow(i);
    putRow(i);
  };
  if (threads == 1) {
    Worker& w = work[0];
    for (int i = 0; i < P.m; ++i) {
      sw.firstPass(i, 0, P.n);
      if (P.selfCount[i]) {
        selfRowWhole(i, w);
        continue;
      }
      sw.prev.getRange(i, 0, P.n, sw.row.data());
      w.delta += sw.secondPass(i, w.groups, 0, P.n, w.acc);
      putRow(i);
    }
    return w.delta;
  }
  SpinBarrier barrier(threads);
  auto run = [&](int t) {
    Worker& w = work[t];
    for (int i = 0; i < P.m; ++i) {
      sw.firstPass(i, w.c0, w.c1);
      barrier.wait();
      if (P.selfCount[i]) {
        if (t == 0) selfRowWhole(i, w);
        barrier.wait();
        continue;
      }
      sw.prev.getRange(i, w.c0, w.c1, sw.row.data());
      w.delta += sw.secondPass(i, w.groups, w.c0, w.c1, w.acc);
      w.count = presentIn(sw.row, w.c0, w.c1);
      barrier.wait();
      // Every thread reaches the same form from the same counts.
      const long rowFirst = next.rowStart[i];
      long first = rowFirst, present = 0;
      for (int s = 0; s < threads; ++s) {
        if (s < t) first += work[s].count;
        present += work[s].count;
      }
      const bool asDense = next.denseFor(present);
      next.setDense(i, asDense);
      next.putRange(i, w.c0, w.c1, sw.row.data(), asDense, first, rowFirst);
      if (t == threads - 1) next.rowStart[i + 1] = rowFirst + (asDense ? P.n : present);
    }
  };
  // rowStart[i + 1], written by the last thread after the second barrier of
  // row i, is read by the others only after the first barrier of row i + 1.
  // Threads wait at a gate until all exist; when one cannot be started the
  // others go home and this thread sweeps alone, with the same result.
  std::atomic<int> gate{0};
  auto gated = [&](int t) {
    int g;
    while ((g = gate.load(std::memory_order_acquire)) == 0) std::this_thread::yield();
    if (g > 0) run(t);
  };
  std::vector<std::thread> pool;
  pool.reserve(threads - 1);
  try {
    for (int t = 1; t < threads; ++t) pool.emplace_back(gated, t);
  } catch (const std::system_error&) {
    gate.store(-1, std::memory_order_release);
    for (auto& th : pool) th.join();
    return sweep(sw, 1);
  }
  gate.store(1, std::memory_order_release);
  run(0);
  for (auto& th : pool) th.join();
  long delta = 0;
  for (const Worker& w : work) delta += w.delta;
  return delta;
}

// The change measure of the iteration over two stores: the sum of
// |now - old| over the cells present in both, in ascending cell order.
double change(const PackedRows& now, const PackedRows& old) {
  double c = 0;
  for (int i = 0; i < now.m; ++i) {
    const size_t base = (size_t)i * now.words;
    for (int w = 0; w < now.words; ++w) {
      const uint64_t a = now.bits[base + w], b = old.bits[base + w];
      if (!(a & b)) continue;
      for (uint64_t both = a & b; both; both &= both - 1) {
        const int bit = __builtin_ctzll(both);
        const double xv = *now.cell(i, w, a, bit), yv = *old.cell(i, w, b, bit);
        if (xv != 0.0 && yv != 0.0) c += std::fabs(xv - yv);
      }
    }
  }
  return c;
}

// The final R, dense, as the rest of the run takes it. The store's values
// are given back as they are copied, so the two are never both whole.
void toDense(PackedRows& S, std::vector<double>& R) {
  std::vector<double>().swap(R);
  reserveLarge(R, (size_t)S.m * S.n);
  const long chunk = long(1) << 20;
  long released = 0;
  for (int i = 0; i < S.m; ++i) {
    const size_t at = R.size();
    R.resize(at + S.n);
    S.getRange(i, 0, S.n, R.data() + at);
    if (S.rowStart[i + 1] - released >= chunk) {
      S.vals.release(released, S.rowStart[i + 1]);
      released = S.rowStart[i + 1];
    }
  }
}

}  // namespace

IterationResult iterateFactored(const PairProblem& p, int K, double thresh, double alpha,
                                bool doPruning, int maxveclen, int threads, SweepKernel kernel) {
  return iterateFactored(p, K, thresh, alpha, doPruning, maxveclen, [threads] { return threads; },
                         kernel, std::cerr);
}

// The loop of iterate(), line for line; only the sweep and the form of R
// differ. R is the store `now`; `other` holds the previous iterate once a
// sweep has run, and the next sweep overwrites it.
IterationResult iterateFactored(const PairProblem& p, int K, double thresh, double alpha,
                                bool doPruning, int maxveclen, const std::function<int()>& threads,
                                SweepKernel kernel, std::ostream& log) {
  const long pairs = (long)p.m * p.n;
  IterationResult res;
  std::unique_ptr<PackedRows> now(new PackedRows(p.m, p.n)), other(new PackedRows(p.m, p.n));
  {
    std::vector<double> row(p.n, 0.0);
    size_t e = 0;
    for (int i = 0; i < p.m; ++i) {
      const size_t first = e;
      for (; e < p.E.size() && p.E[e].first / p.n == i; ++e) row[p.E[e].first % p.n] = p.E[e].second;
      const long present = presentIn(row, 0, p.n);
      const bool asDense = now->denseFor(present);
      now->setDense(i, asDense);
      now->putRange(i, 0, p.n, row.data(), asDense, now->rowStart[i], now->rowStart[i]);
      now->rowStart[i + 1] = now->rowStart[i] + (asDense ? p.n : present);
      for (size_t k = first; k < e; ++k) row[p.E[k].first % p.n] = 0.0;
    }
  }
  res.count = (long)p.E.size();

  const Plan plan(p);
  double change = 100.0, admit = 0.0;
  int r = 0;
  while (r < K && change > thresh) {
    log << "K: " << r << std::endl;
    if (r >= 3) {
      change = detail::change(*now, *other);
      log << "curr size: " << res.count << " avg change in last iter: " << change << std::endl;
    }
    for (long q = 0; q < pairs; q += kProgressStep) log << q << std::endl;
    Sweep sw{plan, *now, *other, alpha, doPruning, admit, sweepKernelFns(kernel), addRowFor(kernel), {}, {}};
    sw.W.assign((size_t)now->words * 64 + 1, 0.0);
    sw.row.assign((size_t)now->words * 64, 0.0);
    res.count += sweep(sw, std::max(1, threads()));
    std::swap(now, other);
    if (doPruning) {
      const double t = pruneValues(now->vals.data(), now->size(), res.count, maxveclen, log);
      admit = r <= 1 ? t * 0.1 : t;
    }
    normalizeValues(now->vals.data(), now->size(), res.count, log);
    ++r;
  }
  normalizeValues(now->vals.data(), now->size(), res.count, log);
  other.reset();
  toDense(*now, res.R);
  return res;
}

}  // namespace detail
