#include "align/sweep_kernel.h"

#include <algorithm>
#include <chrono>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define TRIVANEX_X86 1
#endif

namespace detail {

LaneGroups makeLaneGroups(const VecInt& off2, const VecInt& nb2, int j0, int j1, int width,
                          int pad) {
  LaneGroups G;
  G.width = width;
  VecInt order;
  order.reserve(j1 - j0);
  for (int j = j0; j < j1; ++j) order.push_back(j);
  auto degree = [&](int j) { return off2[j + 1] - off2[j]; };
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return degree(a) < degree(b); });
  const int groups = ((int)order.size() + width - 1) / width;
  G.slotOf.assign(j1 - j0, -1);
  G.groupStart.assign(groups + 1, 0);
  for (int g = 0; g < groups; ++g) {
    int longest = 0;
    for (int l = 0; l < width && g * width + l < (int)order.size(); ++l)
      longest = std::max(longest, degree(order[g * width + l]));
    G.groupStart[g + 1] = G.groupStart[g] + longest;
  }
  G.idx.assign((size_t)G.groupStart[groups] * width, pad);
  for (int g = 0; g < groups; ++g)
    for (int l = 0; l < width && g * width + l < (int)order.size(); ++l) {
      const int j = order[g * width + l];
      G.slotOf[j - j0] = g * width + l;
      for (int k = 0; k < degree(j); ++k)
        G.idx[(size_t)(G.groupStart[g] + k) * width + l] = nb2[off2[j] + k];
    }
  return G;
}

namespace {

void weighScalar(const double* Ru, const double* rec, const int* cls2, int n, double* w) {
  for (int v = 0; v < n; ++v) w[v] = Ru[v] * rec[cls2[v]];
}

// Four independent sums in flight hide the latency of the additions.
void gatherScalar(const double* w, const LaneGroups& G, double* acc) {
  const int groups = (int)G.groupStart.size() - 1;
  const int32_t* idx = G.idx.data();
  for (int g = 0; g < groups; ++g) {
    double* a = acc + g * 4;
    double s0 = a[0], s1 = a[1], s2 = a[2], s3 = a[3];
    for (int k = G.groupStart[g]; k < G.groupStart[g + 1]; ++k) {
      const int32_t* ix = idx + (long)k * 4;
      s0 += w[ix[0]];
      s1 += w[ix[1]];
      s2 += w[ix[2]];
      s3 += w[ix[3]];
    }
    a[0] = s0;
    a[1] = s1;
    a[2] = s2;
    a[3] = s3;
  }
}

#ifdef TRIVANEX_X86

// The gathers are written in their masked form with every lane on and a zero
// source: the same instruction, without an undefined source operand.
__attribute__((target("avx2"))) inline __m256d allLanes4() {
  return _mm256_castsi256_pd(_mm256_set1_epi64x(-1));
}

__attribute__((target("avx2"))) inline __m256d gather4(const double* base, const int32_t* ix) {
  return _mm256_mask_i32gather_pd(_mm256_setzero_pd(), base, _mm_loadu_si128((const __m128i*)ix),
                                  allLanes4(), 8);
}

__attribute__((target("avx512f"))) inline __m512d gather8(const double* base, __m256i ix) {
  return _mm512_mask_i32gather_pd(_mm512_setzero_pd(), 0xFF, ix, base, 8);
}

__attribute__((target("avx2"))) void weighAvx2(const double* Ru, const double* rec,
                                               const int* cls2, int n, double* w) {
  int v = 0;
  for (; v + 4 <= n; v += 4) {
    const __m128i c = _mm_loadu_si128((const __m128i*)(cls2 + v));
    const __m256d r = _mm256_mask_i32gather_pd(_mm256_setzero_pd(), rec, c, allLanes4(), 8);
    _mm256_storeu_pd(w + v, _mm256_mul_pd(_mm256_loadu_pd(Ru + v), r));
  }
  for (; v < n; ++v) w[v] = Ru[v] * rec[cls2[v]];
}

// Two vectors of four sums each: the gathers of one step are independent.
__attribute__((target("avx2"))) void gatherAvx2(const double* w, const LaneGroups& G,
                                                double* acc) {
  const int groups = (int)G.groupStart.size() - 1;
  const int32_t* idx = G.idx.data();
  for (int g = 0; g < groups; ++g) {
    double* a = acc + g * 8;
    __m256d s0 = _mm256_loadu_pd(a), s1 = _mm256_loadu_pd(a + 4);
    for (int k = G.groupStart[g]; k < G.groupStart[g + 1]; ++k) {
      const int32_t* ix = idx + (long)k * 8;
      s0 = _mm256_add_pd(s0, gather4(w, ix));
      s1 = _mm256_add_pd(s1, gather4(w, ix + 4));
    }
    _mm256_storeu_pd(a, s0);
    _mm256_storeu_pd(a + 4, s1);
  }
}

__attribute__((target("avx512f"))) void weighAvx512(const double* Ru, const double* rec,
                                                   const int* cls2, int n, double* w) {
  int v = 0;
  for (; v + 8 <= n; v += 8) {
    const __m256i c = _mm256_loadu_si256((const __m256i*)(cls2 + v));
    const __m512d r = gather8(rec, c);
    _mm512_storeu_pd(w + v, _mm512_mul_pd(_mm512_loadu_pd(Ru + v), r));
  }
  for (; v < n; ++v) w[v] = Ru[v] * rec[cls2[v]];
}

// V vectors of eight sums each.
template <int V>
__attribute__((target("avx512f"))) void gatherAvx512(const double* w, const LaneGroups& G,
                                                    double* acc) {
  const int groups = (int)G.groupStart.size() - 1;
  const int32_t* idx = G.idx.data();
  for (int g = 0; g < groups; ++g) {
    double* a = acc + g * 8 * V;
    __m512d s[V];
    for (int x = 0; x < V; ++x) s[x] = _mm512_loadu_pd(a + 8 * x);
    for (int k = G.groupStart[g]; k < G.groupStart[g + 1]; ++k) {
      const int32_t* ix = idx + (long)k * 8 * V;
      for (int x = 0; x < V; ++x)
        s[x] = _mm512_add_pd(s[x], gather8(w, _mm256_loadu_si256((const __m256i*)(ix + 8 * x))));
    }
    for (int x = 0; x < V; ++x) _mm512_storeu_pd(a + 8 * x, s[x]);
  }
}

#endif

}  // namespace

bool sweepKernelRuns(SweepKernel k) {
  switch (k) {
    case SweepKernel::Scalar:
      return true;
#ifdef TRIVANEX_X86
    case SweepKernel::Avx2:
      __builtin_cpu_init();
      return __builtin_cpu_supports("avx2");
    case SweepKernel::Avx512:
      __builtin_cpu_init();
      return __builtin_cpu_supports("avx512f");
#else
    default:
      return false;
#endif
  }
  return false;
}

namespace {

double secondsNow() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Times kernel k summing a synthetic block shaped like a sweep's: a weight
// vector that fits the cache and columns of a few dozen random neighbours.
// The best of a few tries, so a preempted try does not count.
double gatherSeconds(SweepKernel k, const VecInt& off2, const VecInt& nb2, int n,
                     const std::vector<double>& w) {
  const SweepKernelFns fns = sweepKernelFns(k);
  const int columns = (int)off2.size() - 1;
  const LaneGroups G = makeLaneGroups(off2, nb2, 0, columns, fns.width, n);
  std::vector<double> acc(G.slots(), 0.0);
  double best = 1e30;
  for (int attempt = 0; attempt < 3; ++attempt) {
    const double t0 = secondsNow();
    for (int pass = 0; pass < 8; ++pass) fns.gather(w.data(), G, acc.data());
    best = std::min(best, secondsNow() - t0);
  }
  return best;
}

// Gathers are quick on some CPUs and slower than plain loads on others, which
// no CPU flag tells, so the kernels race once per process and the fastest is
// used from then on. All give the same bits: the choice changes only time.
SweepKernel fastestKernel() {
  const int n = 4000, columns = 2048;
  VecInt off2(1, 0), nb2;
  std::uint32_t state = 2463534242u;
  auto next = [&] {  // xorshift: the same lists on every run
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
  };
  for (int j = 0; j < columns; ++j) {
    const int degree = 4 + (int)(next() % 60);
    for (int k = 0; k < degree; ++k) nb2.push_back((int)(next() % n));
    off2.push_back((int)nb2.size());
  }
  std::vector<double> w(n + 1, 0.0);
  for (int v = 0; v < n; ++v) w[v] = 1.0 + (double)(next() % 1000) * 1e-3;
  SweepKernel best = SweepKernel::Scalar;
  double bestSeconds = gatherSeconds(best, off2, nb2, n, w);
  for (SweepKernel k : {SweepKernel::Avx2, SweepKernel::Avx512}) {
    if (!sweepKernelRuns(k)) continue;
    const double t = gatherSeconds(k, off2, nb2, n, w);
    if (t < bestSeconds) {
      best = k;
      bestSeconds = t;
    }
  }
  return best;
}

}  // namespace

SweepKernel bestSweepKernel() {
  static const SweepKernel best = fastestKernel();
  return best;
}

const char* sweepKernelName(SweepKernel k) {
  switch (k) {
    case SweepKernel::Scalar:
      return "scalar";
    case SweepKernel::Avx2:
      return "avx2";
    case SweepKernel::Avx512:
      return "avx512";
  }
  return "?";
}

SweepKernelFns sweepKernelFns(SweepKernel k) {
#ifdef TRIVANEX_X86
  if (k == SweepKernel::Avx512 && sweepKernelRuns(k)) return {16, weighAvx512, gatherAvx512<2>};
  if (k == SweepKernel::Avx2 && sweepKernelRuns(k)) return {8, weighAvx2, gatherAvx2};
#endif
  (void)k;
  return {4, weighScalar, gatherScalar};
}

}  // namespace detail
