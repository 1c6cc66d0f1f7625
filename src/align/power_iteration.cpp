#include "align/power_iteration.h"

#include <algorithm>
#include <limits>
#include <atomic>
#include <memory>
#include <climits>
#include <cmath>
#include <functional>
#include <iostream>
#include <system_error>
#include <thread>

#include "base/cores.h"
#include "base/large_array.h"
#include "align/pair_index.h"
#include "align/sweep_kernel.h"
#include "base/error.h"
#include "base/text.h"
#include "base/progress.h"
#include "base/spin_barrier.h"

namespace detail {

namespace {

// The distinct degrees of a CSR adjacency (values, ascending) and each
// node's index among them (cls).
void degreeClasses(const VecInt& off, int count, VecInt& cls, VecInt& values) {
  VecInt deg(count);
  for (int i = 0; i < count; ++i) deg[i] = off[i + 1] - off[i];
  values = deg;
  std::sort(values.begin(), values.end());
  values.erase(std::unique(values.begin(), values.end()), values.end());
  cls.resize(count);
  for (int i = 0; i < count; ++i)
    cls[i] = int(std::lower_bound(values.begin(), values.end(), deg[i]) - values.begin());
}

}  // namespace

std::vector<long> rowStartsOfE(const PairProblem& p) {
  std::vector<long> start(p.m + 1, 0);
  for (const auto& e : p.E) ++start[e.first / p.n + 1];
  for (int i = 0; i < p.m; ++i) start[i + 1] += start[i];
  return start;
}

SweepBasis sweepBasis(const PairProblem& p) {
  SweepBasis d;
  d.m = p.m;
  d.n = p.n;
  d.off1 = &p.off1;
  d.nb1 = &p.nb1;
  d.off2 = &p.off2;
  d.nb2 = &p.nb2;
  d.eStart = rowStartsOfE(p);
  VecInt values1, values2;
  degreeClasses(p.off1, p.m, d.cls1, values1);
  degreeClasses(p.off2, p.n, d.cls2, values2);
  d.D2 = (int)values2.size();
  d.recip.resize(values1.size() * values2.size());
  for (size_t a = 0; a < values1.size(); ++a)
    for (size_t b = 0; b < values2.size(); ++b)
      d.recip[a * values2.size() + b] = 1.0 / (double)((long long)values1[a] * values2[b]);
  return d;
}

const double kMinValue = 1e-9;

namespace {
const long kProgressStep = 1000000;

// The pair-index progress lines of one pass over all m*n pairs. They do not
// depend on any value, so they are written before the pass.
void printProgress(long pairs, std::ostream& log) {
  for (long q = 0; q < pairs; q += kProgressStep) log << q << std::endl;
}

// Everything one sweep needs, laid out for the inner loop.
struct SweepPlan : SweepBasis {
  std::vector<char> selfRow;  // row i lists i among its own neighbours
  bool sortedLists2 = true;  // every neighbour list of the second species ascends
};

SweepPlan makePlan(const PairProblem& p) {
  SweepPlan s;
  static_cast<SweepBasis&>(s) = sweepBasis(p);
  s.selfRow.assign(p.m, 0);
  for (int i = 0; i < p.m; ++i)
    for (int t = p.off1[i]; t < p.off1[i + 1]; ++t)
      if (p.nb1[t] == i) s.selfRow[i] = 1;
  for (int j = 0; j < p.n && s.sortedLists2; ++j)
    for (int k = p.off2[j] + 1; k < p.off2[j + 1]; ++k)
      if (p.nb2[k] < p.nb2[k - 1]) s.sortedLists2 = false;
  return s;
}

// The present columns of the rows of R that hold few entries, taken at the
// start of a sweep: a row the sweep has not reached yet still holds exactly
// these, so its terms can be pushed to the columns that list each entry
// instead of weighing the whole row and gathering over every column.
struct SparseRowLists {
  std::vector<char> listed;  // row u is listed
  std::vector<long> at;      // its columns: cols[at[u] .. at[u+1]-1], ascending
  VecInt cols;
};

// Lists the rows with at most n/8 entries; none when R is well filled (few
// rows would qualify and the scan would be wasted).
bool listSparseRows(const std::vector<double>& R, long count, int m, int n, SparseRowLists& L) {
  if ((double)count * 4 >= (double)m * n || n < 64) return false;
  const int limit = n / 8;
  L.listed.assign(m, 0);
  L.at.assign(m + 1, 0);
  L.cols.clear();
  for (int u = 0; u < m; ++u) {
    const double* row = R.data() + (size_t)u * n;
    const size_t mark = L.cols.size();
    for (int v = 0; v < n && (long)(L.cols.size() - mark) <= limit; ++v)
      if (row[v] != 0.0) L.cols.push_back(v);
    if ((long)(L.cols.size() - mark) <= limit) {
      L.listed[u] = 1;
    } else {
      L.cols.resize(mark);
    }
    L.at[u + 1] = (long)L.cols.size();
  }
  return true;
}

// Shared state of one sweep.
struct SweepState {
  const SweepPlan& plan;
  const std::vector<std::pair<int, double>>& E;
  std::vector<double>& R;
  double alpha;
  bool doPruning;
  double admit;  // admission threshold for absent entries (pruning only)
  SweepKernelFns kernel;
  std::ostream& log;
  const SparseRowLists* lists = nullptr;  // rows with few entries, or none
};

// Final step for pair q = i*n+j: mix in the sequence term and admit or remove.
// Returns the change of the entry count (-1, 0 or +1).
inline int settle(SweepState& st, long q, double s, const double* eVal) {
  if (eVal)
    s = st.alpha * s + (1 - st.alpha) * *eVal;
  else
    s = st.alpha * s;
  double& slot = st.R[q];
  const bool present = slot != 0.0;
  const bool admitted = s > kMinValue && (!st.doPruning || present || s > st.admit);
  if (admitted) {
    slot = s;
    return present ? 0 : 1;
  }
  slot = 0.0;
  return present ? -1 : 0;
}

// Work space of one sweep thread over the columns [j0, j1): the block's
// columns in the kernel's lane layout, their running sums by lane slot, and
// the weights of the current neighbour row (w[n] is the padding's +0.0).
//
// Which column is summed when does not matter, only the order of the terms
// within each column's own sum does, and the kernels keep that (u, v) order.
struct ColumnBlock {
  int j0 = 0, j1 = 0;
  LaneGroups groups;
  std::vector<double> acc;  // network sum per lane slot
  std::vector<double> w;    // w[v] = R(u, v) * recip(u, v) for the current u
  // The lane slots of the block's columns that list v: tSlot[tOff[v] .. tOff[v+1]-1].
  VecInt tOff, tSlot;

  ColumnBlock(const SweepPlan& P, const SweepKernelFns& k, int from, int to)
      : j0(from),
        j1(to),
        groups(makeLaneGroups(*P.off2, *P.nb2, from, to, k.width, P.n)),
        acc(groups.slots()),
        w(P.n + 1, 0.0) {
    const VecInt& off2 = *P.off2;
    const VecInt& nb2 = *P.nb2;
    tOff.assign(P.n + 1, 0);
    for (int j = from; j < to; ++j)
      for (int x = off2[j]; x < off2[j + 1]; ++x) ++tOff[nb2[x] + 1];
    for (int v = 0; v < P.n; ++v) tOff[v + 1] += tOff[v];
    tSlot.resize(tOff[P.n]);
    VecInt fill(tOff.begin(), tOff.end() - 1);
    for (int j = from; j < to; ++j)
      for (int x = off2[j]; x < off2[j + 1]; ++x) tSlot[fill[nb2[x]]++] = groups.slotOf[j - from];
  }
};

// Columns [j0, j1) of row i, for a row that is not its own neighbour: every
// value read lies in another row, so the columns are independent and the
// network sums can be gathered neighbour row by neighbour row (u outside, j
// inside). Each sum still receives its terms in (u, v) list order, and each
// term is the same product R(u, v) * recip as in a plain double loop.
long sweepRowBlock(SweepState& st, int i, ColumnBlock& B) {
  const SweepPlan& P = st.plan;
  const int n = P.n;
  const int j0 = B.j0, j1 = B.j1;
  std::fill(B.acc.begin(), B.acc.end(), 0.0);
  const VecInt& off1 = *P.off1;
  const VecInt& nb1 = *P.nb1;
  const double* R = st.R.data();
  const SparseRowLists* L = st.lists;
  for (int t = off1[i]; t < off1[i + 1]; ++t) {
    const int u = nb1[t];
    const double* rec = P.recip.data() + (long)P.cls1[u] * P.D2;
    if (L && u > i && L->listed[u]) {
      // A row not yet swept with few entries: each present (u, v) goes to the
      // block's columns listing v. With sorted lists a column still receives
      // u's terms in its list order, and the absent ones it skips add +0.0.
      const double* Ru = R + (long)u * n;
      double* acc = B.acc.data();
      for (long x = L->at[u]; x < L->at[u + 1]; ++x) {
        const int v = L->cols[x];
        const double w = Ru[v] * rec[P.cls2[v]];
        for (int y = B.tOff[v]; y < B.tOff[v + 1]; ++y) acc[B.tSlot[y]] += w;
      }
      continue;
    }
    st.kernel.weigh(R + (long)u * n, rec, P.cls2.data(), n, B.w.data());
    st.kernel.gather(B.w.data(), B.groups, B.acc.data());
  }
  // Sequence entries of this row inside the block.
  const auto* eBegin = st.E.data() + P.eStart[i];
  const auto* eEnd = st.E.data() + P.eStart[i + 1];
  const long rowBase = (long)i * n;
  const auto* e = std::lower_bound(eBegin, eEnd, rowBase + j0,
                                   [](const std::pair<int, double>& x, long q) { return x.first < q; });
  const int* slotOf = B.groups.slotOf.data();
  long delta = 0;
  for (int j = j0; j < j1; ++j) {
    const long q = rowBase + j;
    const double* eVal = nullptr;
    if (e != eEnd && e->first == q) {
      eVal = &e->second;
      ++e;
    }
    delta += settle(st, q, B.acc[slotOf[j - j0]], eVal);
  }
  return delta;
}

// A row that is its own neighbour reads its own earlier columns (new values)
// and later ones (old values), so it is swept strictly column by column.
long sweepSelfRow(SweepState& st, int i) {
  const SweepPlan& P = st.plan;
  const int n = P.n;
  const VecInt& off1 = *P.off1;
  const VecInt& nb1 = *P.nb1;
  const VecInt& off2 = *P.off2;
  const long rowBase = (long)i * n;
  const auto* e = st.E.data() + P.eStart[i];
  const auto* eEnd = st.E.data() + P.eStart[i + 1];
  long delta = 0;
  for (int j = 0; j < n; ++j) {
    double s = 0;
    for (int t = off1[i]; t < off1[i + 1]; ++t) {
      const int u = nb1[t];
      const double* Ru = st.R.data() + (long)u * n;
      const double* rec = P.recip.data() + (long)P.cls1[u] * P.D2;
      for (int k = off2[j]; k < off2[j + 1]; ++k) {
        const int v = (*P.nb2)[k];
        s += Ru[v] * rec[P.cls2[v]];
      }
    }
    const long q = rowBase + j;
    const double* eVal = nullptr;
    if (e != eEnd && e->first == q) {
      eVal = &e->second;
      ++e;
    }
    delta += settle(st, q, s, eVal);
  }
  return delta;
}

// Column ranges of the sweep threads, balanced by the work of a column (its degree + 1).
std::vector<int> columnBlocks(const SweepPlan& P, int threads) {
  const VecInt& off2 = *P.off2;
  long total = (long)off2[P.n] + P.n;
  std::vector<int> bounds(threads + 1, P.n);
  bounds[0] = 0;
  long acc = 0;
  int b = 1;
  for (int j = 0; j < P.n && b < threads; ++j) {
    acc += off2[j + 1] - off2[j] + 1;
    if (acc * threads >= total * b) bounds[b++] = j + 1;
  }
  return bounds;
}

// One in-place sweep over all pairs in index order. Returns the change of the entry count.
long sweep(SweepState& st, int threads) {
  const SweepPlan& P = st.plan;
  if (threads <= 1 || P.n < 2 * threads) {
    ColumnBlock block(P, st.kernel, 0, P.n);
    long delta = 0;
    for (int i = 0; i < P.m; ++i)
      delta += P.selfRow[i] ? sweepSelfRow(st, i) : sweepRowBlock(st, i, block);
    return delta;
  }
  // Row by row, the columns of a row split over the threads; a barrier after
  // each row makes its new values visible before any later row reads them.
  const std::vector<int> bounds = columnBlocks(P, threads);
  SpinBarrier barrier(threads);
  std::vector<long> deltas(threads, 0);
  // Every allocation happens here, before any thread starts: an exception in
  // a thread would end the process without a word.
  std::vector<ColumnBlock> blocks;
  blocks.reserve(threads);
  for (int t = 0; t < threads; ++t) blocks.emplace_back(P, st.kernel, bounds[t], bounds[t + 1]);
  auto worker = [&](int t) {
    ColumnBlock& block = blocks[t];
    long delta = 0;
    for (int i = 0; i < P.m; ++i) {
      if (P.selfRow[i]) {
        if (t == 0) delta += sweepSelfRow(st, i);
      } else if (bounds[t] < bounds[t + 1]) {
        delta += sweepRowBlock(st, i, block);
      }
      barrier.wait();
    }
    deltas[t] = delta;
  };
  // The threads wait at a gate until all of them exist. When one cannot be
  // started (no memory for its stack, a process limit), those already started
  // are sent home and the sweep runs in this thread, with the same result.
  std::atomic<int> gate{0};  // 0 wait, 1 sweep, -1 give up
  auto gated = [&](int t) {
    int g;
    while ((g = gate.load(std::memory_order_acquire)) == 0) std::this_thread::yield();
    if (g > 0) worker(t);
  };
  std::vector<std::thread> pool;
  pool.reserve(threads - 1);
  try {
    for (int t = 1; t < threads; ++t) pool.emplace_back(gated, t);
  } catch (const std::system_error& e) {
    gate.store(-1, std::memory_order_release);
    for (auto& th : pool) th.join();
    st.log << "Warning: cannot start sweep threads (" << e.what() << "); sweeping in one thread"
           << std::endl;
    return sweep(st, 1);
  }
  gate.store(1, std::memory_order_release);
  worker(0);
  for (auto& th : pool) th.join();
  long delta = 0;
  for (long d : deltas) delta += d;
  return delta;
}

// sparseSweeper.terms() of R held dense.
double denseTerms(const PairProblem& p, const std::vector<double>& R) {
  double t = 0;
  for (int u = 0; u < p.m; ++u) {
    const double* row = R.data() + (size_t)u * p.n;
    long sum = 0;
    for (int v = 0; v < p.n; ++v)
      if (row[v] != 0.0) sum += p.off2[v + 1] - p.off2[v];
    t += (double)(p.off1[u + 1] - p.off1[u]) * (double)sum;
  }
  return t;
}

// The iteration of a pruned run, each sweep over dense or sparse R,
// whichever costs less; both give the same bits, and so do the conversions.
//
// A sweep adds entries until the admission threshold has reached the full
// pruning threshold (from the fourth sweep on), so the earlier sweeps are
// dense. Later ones go sparse when the neighbour-pair terms of the present
// entries, at the slower cost of a scattered term, come below the dense
// sweep's cost (its terms, the weighing of the first species' neighbour rows
// and one step a pair). The copy for the change measure is held as rows when
// R is small, so a pruned run never holds two dense vectors.
IterationResult iterateMixed(const PairProblem& p, int K, double thresh, double alpha,
                             int maxveclen, const std::function<int()>& threads,
                             SweepKernel kernel, std::ostream& log) {
  const long pairs = (long)p.m * p.n;
  const double denseCost = 0.24 * (double)p.nb1.size() * (double)p.nb2.size() +
                           1.37 * (double)p.nb1.size() * p.n + 4.8 * (double)pairs;
  const double scatterCostPerTerm = 0.55;
  IterationResult res;
  SparseSweeper sweeper(p);
  SparseRows rows, rowsNext, oldRows;
  std::vector<double> old;
  bool inRows = false, oldInRows = false;
  assignLarge(res.R, pairs, 0.0);
  for (const auto& e : p.E) res.R[e.first] = e.second;
  res.count = (long)p.E.size();

  const SweepPlan plan = makePlan(p);
  const SweepKernelFns fns = sweepKernelFns(kernel);
  double change = 100.0, admit = 0.0;
  int r = 0;
  while (r < K && change > thresh) {
    log << "K: " << r << std::endl;
    const long count = inRows ? rows.count() : res.count;
    if (r >= 3) {
      if (inRows)
        change = oldInRows ? changeRows(rows, oldRows) : changeRowsDense(rows, old);
      else
        change = oldInRows ? changeRowsDense(oldRows, res.R) : changeDense(res.R, old);
      log << "curr size: " << count << " avg change in last iter: " << change << std::endl;
    }
    const bool comparedLater = r + 1 < K && change > thresh;
    const bool keepCopy = r >= 2 && comparedLater;
    std::vector<double>().swap(old);
    oldRows.clear(0, 0);
    const bool sweepRows =
        r >= 3 && scatterCostPerTerm * (inRows ? sweeper.terms(rows) : denseTerms(p, res.R)) < denseCost;
    if (sweepRows && !inRows) {
      denseToRows(res.R, p.m, p.n, rows);
      std::vector<double>().swap(res.R);
      inRows = true;
    } else if (!sweepRows && inRows) {
      rowsToDense(rows, res.R);
      res.count = rows.count();
      rows.clear(0, 0);
      inRows = false;
    }
    if (keepCopy) {
      oldInRows = inRows || (double)res.count * 12 < (double)pairs * 8;
      if (inRows)
        oldRows = rows;
      else if (oldInRows)
        denseToRows(res.R, p.m, p.n, oldRows);
      else
        old = res.R;
    }
    printProgress(pairs, log);
    if (inRows) {
      sweeper.sweep(rows, rowsNext, alpha, true, admit);
      std::swap(rows, rowsNext);
      const double t = pruneRows(rows, maxveclen, log);
      admit = r <= 1 ? t * 0.1 : t;
      normalizeRows(rows, log);
    } else {
      SweepState st{plan, p.E, res.R, alpha, true, admit, fns, log};
      SparseRowLists lists;
      if (plan.sortedLists2 && listSparseRows(res.R, res.count, p.m, p.n, lists)) st.lists = &lists;
      res.count += sweep(st, std::max(1, threads()));
      const double t = pruneDense(res.R, res.count, maxveclen, log);
      admit = r <= 1 ? t * 0.1 : t;
      normalizeDense(res.R, res.count, log);
    }
    ++r;
  }
  if (inRows) {
    normalizeRows(rows, log);
  } else {
    normalizeDense(res.R, res.count, log);
    denseToRows(res.R, p.m, p.n, rows);
    std::vector<double>().swap(res.R);
  }
  res.count = rows.count();
  res.isSparse = true;
  res.sparse = std::move(rows);
  return res;
}

}  // namespace

namespace {

// x[q] /= S for every q, entries that fall below 1e-9 made 0.0; returns how
// many present entries fell. S must be positive and finite: then a zero
// divided by it is the same zero, so the absent entries can be divided too
// and the loop needs no branch, which lets it run in vector lanes. Each
// element gets the one IEEE division either way: the same bits as dividing
// the present entries one by one.
inline long divideByNormBody(double* x, size_t size, double S) {
  long dropped = 0;
  for (size_t q = 0; q < size; ++q) {
    const double v = x[q];
    const double y = v / S;
    const long tiny = (v != 0.0) & (std::fabs(y) < kMinValue);
    x[q] = tiny ? 0.0 : y;
    dropped += tiny;
  }
  return dropped;
}

long divideByNorm(double* x, size_t size, double S) { return divideByNormBody(x, size, S); }

#if defined(__x86_64__) || defined(__i386__)
__attribute__((target("avx2"))) long divideByNormAvx2(double* x, size_t size, double S) {
  return divideByNormBody(x, size, S);
}
#endif

}  // namespace

double normalizeDense(std::vector<double>& v, long& count, std::ostream& log) {
  double S = 0;
  for (double x : v) S += std::fabs(x);  // absent entries are 0.0 and add nothing
  log << "size before: " << count << " ";
  if (count > 0 && S > 0 && S <= std::numeric_limits<double>::max()) {
#if defined(__x86_64__) || defined(__i386__)
    if (__builtin_cpu_supports("avx2"))
      count -= divideByNormAvx2(v.data(), v.size(), S);
    else
#endif
      count -= divideByNorm(v.data(), v.size(), S);
  } else if (count > 0) {
    for (double& x : v) {
      if (x == 0.0) continue;
      x /= S;
      if (std::fabs(x) < kMinValue) {
        x = 0.0;
        --count;
      }
    }
  }
  log << "size after: " << count << std::endl;
  return S;
}

double pruneDense(std::vector<double>& v, long& count, int limit, std::ostream& log) {
  // The ranking is done on single-precision values.
  std::vector<float> list;
  list.reserve(count);
  for (double x : v)
    if (x != 0.0) list.push_back((float)x);
  const long c = (long)list.size();
  if (c <= limit) return c == 0 ? 0.0 : (double)*std::min_element(list.begin(), list.end());
  // The (limit+1)-th largest value; entries tied with it all stay.
  std::nth_element(list.begin(), list.begin() + (c - limit - 1), list.end());
  const double t = (double)list[c - limit - 1];
  for (double& x : v)
    if (x != 0.0 && x < t) {
      x = 0.0;
      --count;
    }
  log << "After pruning in style=" << "top_K" << " pruned " << c << " entries to " << count
      << std::endl;
  return t;
}

double changeDense(const std::vector<double>& now, const std::vector<double>& old) {
  if (now.size() != old.size()) throw RunError("score vectors of different lengths compared");
  double c = 0;
  for (size_t q = 0; q < now.size(); ++q)
    if (now[q] != 0.0 && old[q] != 0.0) c += std::fabs(now[q] - old[q]);
  return c;
}

int sweepThreads(const PairProblem& p) {
  // Threads pay off only when a row holds enough work to hide a barrier.
  const long termsPerRowEstimate =
      p.m == 0 ? 0 : (long)(p.nb1.size() / std::max(1, p.m) + 1) * ((long)p.nb2.size() + p.n);
  if (termsPerRowEstimate < 50000) return 1;
  return std::max(1, std::min(availableCpus(), 8));
}

IterationResult iterate(const PairProblem& p, int K, double thresh, double alpha, bool doPruning,
                        int maxveclen, int threads, SweepKernel kernel, RLayout layout) {
  return iterate(p, K, thresh, alpha, doPruning, maxveclen, [threads] { return threads; }, kernel,
                 std::cerr, layout);
}

IterationResult iterate(const PairProblem& p, int K, double thresh, double alpha, bool doPruning,
                        int maxveclen, const std::function<int()>& threads, SweepKernel kernel,
                        std::ostream& log, RLayout layout) {
  const long pairs = (long)p.m * p.n;
  IterationResult res;
  if (layout == RLayout::Sparse) {
    res.sparse = iterateSparse(p, K, thresh, alpha, doPruning, maxveclen, log);
    res.isSparse = true;
    res.count = res.sparse.count();
    return res;
  }
  if (layout == RLayout::Auto && doPruning && sparseSweepApplies(p))
    return iterateMixed(p, K, thresh, alpha, maxveclen, threads, kernel, log);
  assignLarge(res.R, pairs, 0.0);
  for (const auto& e : p.E) res.R[e.first] = e.second;
  res.count = (long)p.E.size();

  const SweepPlan plan = makePlan(p);
  const SweepKernelFns fns = sweepKernelFns(kernel);
  std::vector<double> old;
  double change = 100.0, admit = 0.0;
  int r = 0;
  while (r < K && change > thresh) {
    log << "K: " << r << std::endl;
    if (r >= 3) {
      change = changeDense(res.R, old);
      log << "curr size: " << res.count << " avg change in last iter: " << change << std::endl;
    }
    // The copy is compared from the fourth iteration on, and only when
    // another iteration follows this one; whether one does is known here,
    // since `change` stays as it is until then.
    const bool comparedLater = r + 1 < K && change > thresh;
    if (r >= 2 && comparedLater) {
      if (old.empty()) reserveLarge(old, pairs);
      old = res.R;
    } else if (!comparedLater) {
      std::vector<double>().swap(old);
    }
    printProgress(pairs, log);
    SweepState st{plan, p.E, res.R, alpha, doPruning, admit, fns, log};
    SparseRowLists lists;
    if (plan.sortedLists2 && listSparseRows(res.R, res.count, p.m, p.n, lists)) st.lists = &lists;
    res.count += sweep(st, std::max(1, threads()));
    if (doPruning) {
      double t = pruneDense(res.R, res.count, maxveclen, log);
      admit = r <= 1 ? t * 0.1 : t;
    }
    normalizeDense(res.R, res.count, log);
    ++r;
  }
  normalizeDense(res.R, res.count, log);
  return res;
}

}  // namespace detail

namespace {

void fromSparse(const detail::SparseRows& R, Hash_Int2Dbl& values, VecBool& membership) {
  values.clear();
  values.reserve(R.count());
  membership.assign((size_t)R.m * R.n, false);
  for (int i = 0; i < R.m; ++i)
    for (long x = R.rowStart[i]; x < R.rowStart[i + 1]; ++x) {
      const long q = (long)i * R.n + R.col[x];
      membership[q] = true;
      values.emplace((int)q, R.val[x]);
    }
}

void fromDense(const std::vector<double>& v, long count, Hash_Int2Dbl& values, VecBool& membership) {
  values.clear();
  values.reserve(count);
  membership.assign(v.size(), false);
  for (size_t q = 0; q < v.size(); ++q)
    if (v[q] != 0.0) {
      membership[q] = true;
      values.emplace((int)q, v[q]);
    }
}

}  // namespace

// The public forms work on the present entries themselves, so a present entry
// may hold any value, 0.0 included; the iteration uses the dense forms above.

double normalizeR_byL1norm(Hash_Int2Dbl& values, VecBool& membership) {
  std::vector<int> present;
  for (size_t q = 0; q < membership.size(); ++q)
    if (membership[q]) present.push_back((int)q);
  double S = 0;
  for (int q : present) S += std::fabs(values.at(q));
  std::cerr << "size before: " << values.size() << " ";
  if (!values.empty()) {
    for (int q : present) {
      double& x = values.at(q);
      x /= S;
      if (std::fabs(x) < detail::kMinValue) {
        values.erase(q);
        membership[q] = false;
      }
    }
  }
  std::cerr << "size after: " << values.size() << std::endl;
  return S;
}

double pruneVecTopK(Hash_Int2Dbl& values, VecBool& membership, int limit) {
  std::vector<float> list;
  list.reserve(values.size());
  for (const auto& e : values) list.push_back((float)e.second);
  const long c = (long)list.size();
  if (c <= limit) return c == 0 ? 0.0 : (double)*std::min_element(list.begin(), list.end());
  std::nth_element(list.begin(), list.begin() + (c - limit - 1), list.end());
  const double t = (double)list[c - limit - 1];
  for (auto it = values.begin(); it != values.end();) {
    if (it->second < t) {
      membership[it->first] = false;
      it = values.erase(it);
    } else {
      ++it;
    }
  }
  std::cerr << "After pruning in style=" << "top_K" << " pruned " << c << " entries to "
            << values.size() << std::endl;
  return t;
}

double change_L1norm(const VecBool& finalVecMembership, const Hash_Int2Dbl& finalVec,
                     const VecBool& oldFinalVecMembership, const Hash_Int2Dbl& oldFinalVec) {
  if (finalVecMembership.size() != oldFinalVecMembership.size())
    throw RunError("score vectors of different lengths compared");
  double c = 0;
  for (size_t q = 0; q < finalVecMembership.size(); ++q)
    if (finalVecMembership[q] && oldFinalVecMembership[q])
      c += std::fabs(finalVec.at((int)q) - oldFinalVec.at((int)q));
  return c;
}

namespace detail {

std::vector<double> largestScores(const std::vector<PairRecord>& blastScores, int proteins) {
  std::vector<double> largest(proteins, 1.0);
  raiseToLargestScores(blastScores, largest);
  return largest;
}

long scoresBeyondSequenceTerm(const PairProblem& p, const IterationResult& res) {
  long inE = 0;
  if (res.isSparse) {
    // Both lists ascend by pair index.
    const SparseRows& R = res.sparse;
    size_t e = 0;
    for (int i = 0; i < R.m; ++i)
      for (long x = R.rowStart[i]; x < R.rowStart[i + 1]; ++x) {
        const long q = (long)i * R.n + R.col[x];
        while (e < p.E.size() && p.E[e].first < q) ++e;
        if (e < p.E.size() && p.E[e].first == q) ++inE;
      }
    return res.count - inE;
  }
  for (const auto& e : p.E)
    if (res.R[e.first] != 0.0) ++inE;
  return res.count - inE;
}

PairProblem preparePairProblem(const VecStr& idList, const ProteinIndex& proteins,
                               const std::vector<PairRecord>& intxns,
                               const std::vector<PairRecord>& blastScores,
                               const std::vector<double>& largest, const std::string& sp1,
                               const std::string& sp2, VecInt& sp1_idxList, VecInt& sp2_idxList,
                               std::ostream& log) {
  const int s1 = proteins.speciesNumber(sp1), s2 = proteins.speciesNumber(sp2);
  DEBUGP(log, 201);
  int nodes1, edges1, nodes2, edges2;
  countEdgesNodesBySp(intxns, proteins, s1, nodes1, edges1);
  countEdgesNodesBySp(intxns, proteins, s2, nodes2, edges2);
  log << edges1 << " " << nodes1 << " " << edges2 << " " << nodes2 << std::endl;

  DEBUGP(log, 202);
  VecVecInt adj1, adj2;
  getAdjListBySp_withAllGenes(intxns, proteins, idList, s1, adj1);
  getAdjListBySp_withAllGenes(intxns, proteins, idList, s2, adj2);
  sp1_idxList = s1 < 0 ? VecInt() : proteins.proteinsOf[s1];
  sp2_idxList = s2 < 0 ? VecInt() : proteins.proteinsOf[s2];
  const int m = (int)adj1.size(), n = (int)adj2.size();
  log << "nodes vs graph_nodes: " << m << " " << nodes1 << " " << n << " " << nodes2 << std::endl;
  if ((long long)m * n > INT_MAX)
    throw RunError("species " + quoteToken(sp1) + " and " + quoteToken(sp2) + " give " + std::to_string((long long)m * n) +
                   " protein pairs, more than 2147483647");
  for (int x : sp1_idxList)
    if (x < 0 || x >= (int)idList.size()) throw RunError("protein number out of range");
  for (int x : sp2_idxList)
    if (x < 0 || x >= (int)idList.size()) throw RunError("protein number out of range");

  // The largest score of every protein is the same for all pairs and comes in
  // ready-made; the two flags stay where that step was.
  DEBUGP(log, 202.5);
  DEBUGP(log, 203);

  PairProblem p;
  p.m = m;
  p.n = n;
  auto toCsr = [](const VecVecInt& adj, VecInt& off, VecInt& nb) {
    off.assign(adj.size() + 1, 0);
    for (size_t i = 0; i < adj.size(); ++i) off[i + 1] = off[i] + (int)adj[i].size();
    nb.clear();
    nb.reserve(off.back());
    for (const auto& list : adj) nb.insert(nb.end(), list.begin(), list.end());
  };
  toCsr(adj1, p.off1, p.nb1);
  toCsr(adj2, p.off2, p.nb2);
  VecVecInt().swap(adj1);
  VecVecInt().swap(adj2);

  // Sequence term. Every unordered pair is stored once, so walking the scores
  // finds each (sp1 protein, sp2 protein) pair exactly once.
  printProgress((long)m * n, log);
  for (const PairRecord& e : blastScores) {
    const double s = e.value;
    if (!(std::fabs(s) > 1e-9)) continue;
    const int sa = proteins.speciesOf[e.a], sb = proteins.speciesOf[e.b];
    int a, b;
    if (sa == s1 && sb == s2) {
      a = e.a;
      b = e.b;
    } else if (sa == s2 && sb == s1) {
      a = e.b;
      b = e.a;
    } else {
      continue;
    }
    if (sa < 0 || sb < 0) continue;
    const int i = proteins.localOf[a], j = proteins.localOf[b];
    p.E.emplace_back(i * n + j, s / std::sqrt(largest[a] * largest[b]));
  }
  std::sort(p.E.begin(), p.E.end());

  // Normalise E on its own (sparse) entries, in index order.
  {
    double S = 0;
    for (const auto& e : p.E) S += std::fabs(e.second);
    log << "size before: " << p.E.size() << " ";
    if (!p.E.empty()) {
      size_t kept = 0;
      for (const auto& e : p.E) {
        double v = e.second / S;
        if (std::fabs(v) >= 1e-9) p.E[kept++] = {e.first, v};
      }
      p.E.resize(kept);
    }
    log << "size after: " << p.E.size() << std::endl;
  }

  return p;
}

PairProblem preparePairProblem(const VecStr& idList, const Str2Int& id2idx, const Str2Str& id2sp,
                               const std::string& sp1, const std::string& sp2,
                               const StrPair2Dbl& intxns, const StrPair2Dbl& blastScores,
                               VecInt& sp1_idxList, VecInt& sp2_idxList) {
  const ProteinIndex proteins = makeProteinIndex((int)idList.size(), id2idx, id2sp);
  const std::vector<PairRecord> scores = numberRecords(blastScores, id2idx);
  return preparePairProblem(idList, proteins, numberRecords(intxns, id2idx), scores,
                            largestScores(scores, (int)idList.size()), sp1, sp2, sp1_idxList,
                            sp2_idxList);
}

}  // namespace detail

void iterateRecursion(int K, const VecStr& idList, const Str2Int& id2idx, const Str2Str& id2sp,
                      const std::string& sp1, const std::string& sp2, const StrPair2Dbl& intxns,
                      const StrPair2Dbl& blastScores, VecBool& finalVecMembership,
                      Hash_Int2Dbl& finalVec, VecBool& initVecMembership, Hash_Int2Dbl& initVec,
                      VecInt& sp1_idxList, VecInt& sp2_idxList, double thresh, double alpha,
                      bool doPruning, int maxveclen) {
  const detail::PairProblem p = detail::preparePairProblem(idList, id2idx, id2sp, sp1, sp2, intxns,
                                                           blastScores, sp1_idxList, sp2_idxList);
  const int m = p.m, n = p.n;
  const int threads = detail::sweepThreads(p);
  detail::IterationResult res =
      detail::iterate(p, K, thresh, alpha, doPruning, maxveclen, [threads] { return threads; },
                      detail::bestSweepKernel(), std::cerr, detail::RLayout::Auto);
  DEBUGP(210);

  initVec.clear();
  initVec.reserve(p.E.size());
  initVecMembership.assign((size_t)m * n, false);
  for (const auto& e : p.E) {
    initVecMembership[e.first] = true;
    initVec.emplace(e.first, e.second);
  }
  if (res.isSparse)
    fromSparse(res.sparse, finalVec, finalVecMembership);
  else
    fromDense(res.R, res.count, finalVec, finalVecMembership);
}
