#include "align/factored_sweep.h"

#include <algorithm>
#include <atomic>
#include <system_error>
#include <thread>

#include "base/large_array.h"
#include "base/scratch_file.h"
#include "base/spin_barrier.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define TRIVANEX_X86 1
#endif

namespace detail {

namespace {

const double kMinValue = 1e-9;
const long kProgressStep = 1000000;
// A previous-iterate copy larger than this goes to a scratch file: it is
// written once and read once, in order, so the page cache serves it as well
// as RAM would, and its pages can be dropped while the next sweep runs.
const size_t kCopyInMemoryBytes = size_t(256) << 20;

// y[k] += x[k] * c. Every variant does one IEEE multiply and one add per
// element, so all give the same bits.
void addScaledScalar(const double* x, double c, double* y, int len) {
  for (int k = 0; k < len; ++k) y[k] += x[k] * c;
}

#ifdef TRIVANEX_X86
__attribute__((target("avx512f"))) void addScaledAvx512(const double* x, double c, double* y,
                                                         int len) {
  const __m512d cc = _mm512_set1_pd(c);
  int k = 0;
  for (; k + 16 <= len; k += 16) {
    __m512d a = _mm512_add_pd(_mm512_loadu_pd(y + k), _mm512_mul_pd(_mm512_loadu_pd(x + k), cc));
    __m512d b =
        _mm512_add_pd(_mm512_loadu_pd(y + k + 8), _mm512_mul_pd(_mm512_loadu_pd(x + k + 8), cc));
    _mm512_storeu_pd(y + k, a);
    _mm512_storeu_pd(y + k + 8, b);
  }
  for (; k < len; ++k) y[k] += x[k] * c;
}

__attribute__((target("avx2"))) void addScaledAvx2(const double* x, double c, double* y, int len) {
  const __m256d cc = _mm256_set1_pd(c);
  int k = 0;
  for (; k + 8 <= len; k += 8) {
    __m256d a = _mm256_add_pd(_mm256_loadu_pd(y + k), _mm256_mul_pd(_mm256_loadu_pd(x + k), cc));
    __m256d b =
        _mm256_add_pd(_mm256_loadu_pd(y + k + 4), _mm256_mul_pd(_mm256_loadu_pd(x + k + 4), cc));
    _mm256_storeu_pd(y + k, a);
    _mm256_storeu_pd(y + k + 4, b);
  }
  for (; k < len; ++k) y[k] += x[k] * c;
}
#endif

typedef void (*AddScaledFn)(const double*, double, double*, int);

AddScaledFn addScaledFor(SweepKernel k) {
#ifdef TRIVANEX_X86
  if (k == SweepKernel::Avx512 && sweepKernelRuns(k)) return addScaledAvx512;
  if (k != SweepKernel::Scalar && sweepKernelRuns(SweepKernel::Avx2)) return addScaledAvx2;
#endif
  (void)k;
  return addScaledScalar;
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
    eStart = rowStartsOfE(p);
  }
};

struct Sweep {
  const Plan& P;
  std::vector<double>& R;
  double alpha;
  bool doPruning;
  double admit;
  SweepKernelFns kernel;
  AddScaledFn addScaled;
  // W[v] for the row being swept; W[n] is the lane padding's +0.0.
  std::vector<double> W;

  // Mixes in the sequence term and admits or removes pair q; returns the
  // change of the entry count. The default sweep's rule, word for word.
  int settle(long q, double s, const double* eVal) {
    if (eVal)
      s = alpha * s + (1 - alpha) * *eVal;
    else
      s = alpha * s;
    double& slot = R[q];
    const bool present = slot != 0.0;
    const bool admitted = s > kMinValue && (!doPruning || present || s > admit);
    if (admitted) {
      slot = s;
      return present ? 0 : 1;
    }
    slot = 0.0;
    return present ? -1 : 0;
  }

  // First pass of row i over the columns [v0, v1): W(v) = sum over the
  // neighbours u of i, in list order, of R(u, v) / deg u, then divided by
  // deg v. Rows u < i hold this sweep's values, rows u > i the previous
  // iterate's. In a row that lists itself the own row is left out here and
  // W is not yet divided (see selfRow).
  void firstPass(int i, int v0, int v1) {
    const PairProblem& p = P.p;
    double* w = W.data();
    std::fill(w + v0, w + v1, 0.0);
    const double* Rd = R.data();
    for (int t = p.off1[i]; t < p.off1[i + 1]; ++t) {
      const int u = p.nb1[t];
      if (u == i) continue;
      addScaled(Rd + (long)u * P.n + v0, P.inv1[u], w + v0, v1 - v0);
    }
    if (P.selfCount[i]) return;
    for (int v = v0; v < v1; ++v) w[v] *= P.inv2[v];
  }

  const std::pair<int, double>* eAt(int i, long q) const {
    const auto* b = P.p.E.data() + P.eStart[i];
    const auto* e = P.p.E.data() + P.eStart[i + 1];
    const auto* it =
        std::lower_bound(b, e, q, [](const std::pair<int, double>& x, long k) { return x.first < k; });
    return it;
  }

  // Second pass over the columns of a block: every column's sum of W over
  // its neighbours, in list order (the lane kernels keep that order).
  long secondPass(int i, const LaneGroups& groups, int j0, int j1, std::vector<double>& acc) {
    std::fill(acc.begin(), acc.end(), 0.0);
    kernel.gather(W.data(), groups, acc.data());
    const long rowBase = (long)i * P.n;
    const auto* e = eAt(i, rowBase + j0);
    const auto* eEnd = P.p.E.data() + P.eStart[i + 1];
    long delta = 0;
    for (int j = j0; j < j1; ++j) {
      const long q = rowBase + j;
      const double* eVal = nullptr;
      if (e != eEnd && e->first == q) eVal = &(e++)->second;
      delta += settle(q, acc[groups.slotOf[j - j0]], eVal);
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
    const double* Ri = R.data() + rowBase;
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
      const long q = rowBase + j;
      const double* eVal = nullptr;
      if (e != eEnd && e->first == q) eVal = &(e++)->second;
      delta += settle(q, s, eVal);
    }
    return delta;
  }
};

// Column ranges of the threads' second passes, balanced by degree + 1.
std::vector<int> columnBlocks(const PairProblem& p, int threads) {
  const long total = (long)p.off2[p.n] + p.n;
  std::vector<int> bounds(threads + 1, p.n);
  bounds[0] = 0;
  long acc = 0;
  int b = 1;
  for (int j = 0; j < p.n && b < threads; ++j) {
    acc += p.off2[j + 1] - p.off2[j] + 1;
    if (acc * threads >= total * b) bounds[b++] = j + 1;
  }
  return bounds;
}

struct Worker {
  int v0, v1, j0, j1;
  LaneGroups groups;
  std::vector<double> acc;
  long delta = 0;
};

// One in-place sweep in index order; returns the change of the entry count.
// With several threads each row is cut twice: the first pass by ranges of
// v, the second by blocks of columns; barriers between the passes and after
// each row keep the in-place order.
long sweep(Sweep& sw, int threads) {
  const Plan& P = sw.P;
  if (P.n < 2 * threads) threads = 1;
  const std::vector<int> cols = columnBlocks(P.p, threads);
  std::vector<Worker> work(threads);
  for (int t = 0; t < threads; ++t) {
    Worker& w = work[t];
    w.v0 = (int)((long)P.n * t / threads);
    w.v1 = (int)((long)P.n * (t + 1) / threads);
    w.j0 = cols[t];
    w.j1 = cols[t + 1];
    w.groups = makeLaneGroups(P.p.off2, P.p.nb2, w.j0, w.j1, sw.kernel.width, P.n);
    w.acc.assign(w.groups.slots(), 0.0);
  }
  if (threads == 1) {
    Worker& w = work[0];
    for (int i = 0; i < P.m; ++i) {
      sw.firstPass(i, 0, P.n);
      w.delta += P.selfCount[i] ? sw.selfRow(i) : sw.secondPass(i, w.groups, 0, P.n, w.acc);
    }
    return w.delta;
  }
  SpinBarrier barrier(threads);
  auto run = [&](int t) {
    Worker& w = work[t];
    for (int i = 0; i < P.m; ++i) {
      sw.firstPass(i, w.v0, w.v1);
      barrier.wait();
      if (P.selfCount[i]) {
        if (t == 0) w.delta += sw.selfRow(i);
      } else if (w.j0 < w.j1) {
        w.delta += sw.secondPass(i, w.groups, w.j0, w.j1, w.acc);
      }
      barrier.wait();
    }
  };
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

}  // namespace

IterationResult iterateFactored(const PairProblem& p, int K, double thresh, double alpha,
                                bool doPruning, int maxveclen, int threads, SweepKernel kernel) {
  return iterateFactored(p, K, thresh, alpha, doPruning, maxveclen, [threads] { return threads; },
                         kernel, std::cerr);
}

// The loop of iterate(), line for line; only the sweep and the keeping of
// the previous iterate differ.
IterationResult iterateFactored(const PairProblem& p, int K, double thresh, double alpha,
                                bool doPruning, int maxveclen, const std::function<int()>& threads,
                                SweepKernel kernel, std::ostream& log) {
  const long pairs = (long)p.m * p.n;
  IterationResult res;
  assignLarge(res.R, pairs, 0.0);
  for (const auto& e : p.E) res.R[e.first] = e.second;
  res.count = (long)p.E.size();

  const Plan plan(p);
  ScratchCopy old(kCopyInMemoryBytes);
  double change = 100.0, admit = 0.0;
  int r = 0;
  while (r < K && change > thresh) {
    log << "K: " << r << std::endl;
    if (r >= 3) {
      change = old.changeFrom(res.R);
      log << "curr size: " << res.count << " avg change in last iter: " << change << std::endl;
    }
    const bool comparedLater = r + 1 < K && change > thresh;
    if (r >= 2 && comparedLater)
      old.save(res.R);
    else if (!comparedLater)
      old.clear();
    for (long q = 0; q < pairs; q += kProgressStep) log << q << std::endl;
    Sweep sw{plan, res.R, alpha, doPruning, admit, sweepKernelFns(kernel), addScaledFor(kernel), {}};
    sw.W.assign(p.n + 1, 0.0);
    res.count += sweep(sw, std::max(1, threads()));
    if (doPruning) {
      const double t = pruneDense(res.R, res.count, maxveclen, log);
      admit = r <= 1 ? t * 0.1 : t;
    }
    normalizeDense(res.R, res.count, log);
    ++r;
  }
  normalizeDense(res.R, res.count, log);
  return res;
}

}  // namespace detail
