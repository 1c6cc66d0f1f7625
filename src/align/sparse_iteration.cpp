#include "align/sparse_iteration.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "align/power_iteration.h"
#include "base/error.h"
#include "base/large_array.h"

namespace detail {

void SparseRows::clear(int rows, int cols) {
  m = rows;
  n = cols;
  rowStart.assign(rows + 1, 0);
  col.clear();
  val.clear();
}

namespace {

const double kMin = 1e-9;
const long kProgressStep = 1000000;

// Read-only tables of a sparse sweep.
//
// The dense sweep forms the network sum of pair (i, j) by walking u over N(i)
// in list order and, inside, v over N(j) in list order, adding R(u, v) *
// recip(u, v) for every present (u, v). The sparse sweep turns this around:
// for each u of N(i) in list order it walks the present entries (u, v) of row
// u in ascending v, and adds the term to every column j whose list holds v
// (tOff/tNb, the transpose of the second species' lists, one entry per place
// v takes in N(j)). Column j then receives, for one u, its terms in ascending
// v, which is N(j)'s list order as long as N(j) is sorted; and the u come in
// list order. So each sum gets the same terms in the same order, and since an
// absent entry adds +0.0 to a sum that can never be -0.0, skipping it changes
// no bit.
struct Plan : SweepBasis {
  VecInt tOff, tNb;        // columns j listing v: tNb[tOff[v] .. tOff[v+1]-1], ascending
  VecInt selfFrom, selfTo;  // places [selfFrom[i], selfTo[i]) of i in N(i); empty when none
};

Plan makePlan(const PairProblem& p) {
  Plan s;
  static_cast<SweepBasis&>(s) = sweepBasis(p);
  s.tOff.assign(p.n + 1, 0);
  for (int v : p.nb2) ++s.tOff[v + 1];
  for (int v = 0; v < p.n; ++v) s.tOff[v + 1] += s.tOff[v];
  s.tNb.resize(p.nb2.size());
  VecInt fill(s.tOff.begin(), s.tOff.end() - 1);
  for (int j = 0; j < p.n; ++j)
    for (int k = p.off2[j]; k < p.off2[j + 1]; ++k) s.tNb[fill[p.nb2[k]]++] = j;

  s.selfFrom.assign(p.m, 0);
  s.selfTo.assign(p.m, 0);
  for (int i = 0; i < p.m; ++i)
    for (int t = p.off1[i]; t < p.off1[i + 1]; ++t)
      if (p.nb1[t] == i) {
        if (s.selfTo[i] == 0) s.selfFrom[i] = t;
        s.selfTo[i] = t + 1;
      }
  return s;
}

// Work space of the sweep, all of it n long and left clean (zero) after each row.
struct Scratch {
  std::vector<double> acc;    // running network sum per column
  std::vector<uint8_t> was;   // column is present in the row's previous values
  std::vector<double> cur;     // self rows: the row as the dense sweep sees it at column j
  VecInt bStart;               // self rows: per-column start of the later neighbours' terms
  std::vector<double> bucket;  // self rows: those terms, per column in order

  explicit Scratch(int n)
      : acc(n, 0.0), was(n, 0), cur(n, 0.0), bStart(n + 1, 0) {}
};

struct SweepArgs {
  const Plan& P;
  const std::vector<std::pair<int, double>>& E;
  double alpha;
  bool doPruning;
  double admit;
};

// Neighbour row u as this sweep reads it: rows before i hold this sweep's
// values (next), the others the previous ones (prev).
inline void rowOf(int u, int i, const SparseRows& prev, const SparseRows& next, const int*& c,
                  const double*& v, long& len) {
  const SparseRows& src = u < i ? next : prev;
  const long a = src.rowStart[u];
  len = src.rowStart[u + 1] - a;
  c = src.col.data() + a;
  v = src.val.data() + a;
}

// Calls f(j, w) for every term the neighbour rows N(i)[from .. to) give a
// column j, in (u, v) list order.
template <class F>
void forEachTerm(const SweepArgs& A, int i, int from, int to, const SparseRows& prev,
                 const SparseRows& next, F f) {
  const Plan& P = A.P;
  const int* tNb = P.tNb.data();
  for (int t = from; t < to; ++t) {
    const int u = (*P.nb1)[t];
    const int* c;
    const double* x;
    long len;
    rowOf(u, i, prev, next, c, x, len);
    const double* rec = P.recip.data() + (long)P.cls1[u] * P.D2;
    for (long e = 0; e < len; ++e) {
      const int v = c[e];
      const double w = x[e] * rec[P.cls2[v]];
      for (int y = P.tOff[v]; y < P.tOff[v + 1]; ++y) f(tNb[y], w);
    }
  }
}

// Adds the terms of neighbour rows N(i)[from .. to) to the columns' sums.
void scatter(const SweepArgs& A, int i, int from, int to, const SparseRows& prev,
             const SparseRows& next, Scratch& S) {
  double* acc = S.acc.data();
  forEachTerm(A, i, from, to, prev, next, [acc](int j, double w) { acc[j] += w; });
}

// Mixes in the sequence term and decides admission, as the dense sweep does.
inline bool settle(const SweepArgs& A, double s, const double* eVal, bool present, double& out) {
  s = eVal ? A.alpha * s + (1 - A.alpha) * *eVal : A.alpha * s;
  out = s;
  return s > kMin && (!A.doPruning || present || s > A.admit);
}

// Row i when i is not its own neighbour: no value read lies in row i.
//
// A column whose sum is still +0.0 and that has no sequence term would get
// the value 0, which is never admitted, so only the others are settled. (A
// sum of non-zero terms that cancels to +0.0 is treated the same way, as the
// dense sweep would treat it.)
void sweepRow(const SweepArgs& A, int i, const SparseRows& prev, SparseRows& next, Scratch& S) {
  const Plan& P = A.P;
  const int n = P.n;
  scatter(A, i, (*P.off1)[i], (*P.off1)[i + 1], prev, next, S);
  const long rowBase = (long)i * n;
  const auto* e = A.E.data() + P.eStart[i];
  const auto* eEnd = A.E.data() + P.eStart[i + 1];
  for (long x = prev.rowStart[i]; x < prev.rowStart[i + 1]; ++x) S.was[prev.col[x]] = 1;
  double* acc = S.acc.data();
  for (int j = 0; j < n; ++j) {
    const double* eVal = nullptr;
    if (e != eEnd && e->first == rowBase + j) {
      eVal = &e->second;
      ++e;
    } else if (acc[j] == 0.0) {
      continue;
    }
    double s;
    if (settle(A, acc[j], eVal, S.was[j], s)) {
      next.col.push_back(j);
      next.val.push_back(s);
    }
    acc[j] = 0.0;
  }
  for (long x = prev.rowStart[i]; x < prev.rowStart[i + 1]; ++x) S.was[prev.col[x]] = 0;
}

// Row i when i lists itself (at places selfFrom..selfTo of N(i)): the terms
// of row i read its own new values left of column j and old ones from j on,
// so the columns are settled strictly left to right. The terms of the
// neighbours listed before i go into the sums first; those listed after i are
// kept per column and added after i's own terms.
void sweepSelfRow(const SweepArgs& A, int i, const SparseRows& prev, SparseRows& next, Scratch& S) {
  const Plan& P = A.P;
  const int n = P.n;
  const VecInt& off2 = *P.off2;
  const VecInt& nb2 = *P.nb2;
  scatter(A, i, (*P.off1)[i], P.selfFrom[i], prev, next, S);

  // Terms of the later neighbours, bucketed by column in the order they come.
  const int postFrom = P.selfTo[i], postTo = (*P.off1)[i + 1];
  std::fill(S.bStart.begin(), S.bStart.end(), 0);
  for (int pass = 0; pass < 2; ++pass) {
    forEachTerm(A, i, postFrom, postTo, prev, next, [&](int j, double w) {
      if (pass == 0)
        ++S.bStart[j + 1];
      else
        S.bucket[S.bStart[j]++] = w;
    });
    if (pass == 0) {
      for (int j = 0; j < n; ++j) S.bStart[j + 1] += S.bStart[j];
      S.bucket.resize(S.bStart[n]);
    } else {
      // The fill moved each start to the next column's; shift them back.
      for (int j = n; j > 0; --j) S.bStart[j] = S.bStart[j - 1];
      S.bStart[0] = 0;
    }
  }

  for (long x = prev.rowStart[i]; x < prev.rowStart[i + 1]; ++x) S.cur[prev.col[x]] = prev.val[x];
  const double* rec = P.recip.data() + (long)P.cls1[i] * P.D2;
  const int selfCount = P.selfTo[i] - P.selfFrom[i];
  const long rowBase = (long)i * n;
  const auto* e = A.E.data() + P.eStart[i];
  const auto* eEnd = A.E.data() + P.eStart[i + 1];
  for (int j = 0; j < n; ++j) {
    double s = S.acc[j];
    for (int rep = 0; rep < selfCount; ++rep)
      for (int k = off2[j]; k < off2[j + 1]; ++k) {
        const int v = nb2[k];
        const double x = S.cur[v];
        if (x != 0.0) s += x * rec[P.cls2[v]];
      }
    for (int y = S.bStart[j]; y < S.bStart[j + 1]; ++y) s += S.bucket[y];
    const double* eVal = nullptr;
    if (e != eEnd && e->first == rowBase + j) {
      eVal = &e->second;
      ++e;
    }
    double value;
    if (settle(A, s, eVal, S.cur[j] != 0.0, value)) {
      next.col.push_back(j);
      next.val.push_back(value);
      S.cur[j] = value;
    } else {
      S.cur[j] = 0.0;
    }
    S.acc[j] = 0.0;
  }
  std::fill(S.cur.begin(), S.cur.end(), 0.0);
}

// One sweep in pair-index order: reads prev (and the rows of next already
// written), writes every row of next.
void sweepRows(const SweepArgs& A, const SparseRows& prev, SparseRows& next, Scratch& S) {
  const Plan& P = A.P;
  next.clear(P.m, P.n);
  for (int i = 0; i < P.m; ++i) {
    if (P.selfTo[i] > 0)
      sweepSelfRow(A, i, prev, next, S);
    else
      sweepRow(A, i, prev, next, S);
    next.rowStart[i + 1] = next.count();
  }
}

// Keeps the entries for which keep(value) holds, in order.
template <class Keep>
void compact(SparseRows& R, Keep keep) {
  long to = 0, from = 0;
  for (int i = 0; i < R.m; ++i) {
    const long end = R.rowStart[i + 1];
    for (; from < end; ++from)
      if (keep(R.val[from])) {
        R.col[to] = R.col[from];
        R.val[to] = R.val[from];
        ++to;
      }
    R.rowStart[i + 1] = to;
  }
  R.col.resize(to);
  R.val.resize(to);
}

}  // namespace

// The dense forms' normalisation, pruning and change measure over the present
// entries in pair-index order, which is the order the dense forms add in.

double normalizeRows(SparseRows& R, std::ostream& log) {
  double S = 0;
  for (double x : R.val) S += std::fabs(x);
  log << "size before: " << R.count() << " ";
  if (R.count() > 0) {
    for (double& x : R.val) x /= S;
    compact(R, [](double x) { return !(std::fabs(x) < kMin); });
  }
  log << "size after: " << R.count() << std::endl;
  return S;
}

double pruneRows(SparseRows& R, int limit, std::ostream& log) {
  std::vector<float> list(R.val.begin(), R.val.end());
  const long c = (long)list.size();
  if (c <= limit) return c == 0 ? 0.0 : (double)*std::min_element(list.begin(), list.end());
  std::nth_element(list.begin(), list.begin() + (c - limit - 1), list.end());
  const double t = (double)list[c - limit - 1];
  std::vector<float>().swap(list);
  compact(R, [t](double x) { return !(x < t); });
  log << "After pruning in style=" << "top_K" << " pruned " << c << " entries to " << R.count()
      << std::endl;
  return t;
}

double changeRows(const SparseRows& now, const SparseRows& old) {
  if (now.m != old.m || now.n != old.n) throw RunError("score vectors of different lengths compared");
  double c = 0;
  for (int i = 0; i < now.m; ++i) {
    long a = now.rowStart[i], b = old.rowStart[i];
    const long aEnd = now.rowStart[i + 1], bEnd = old.rowStart[i + 1];
    while (a < aEnd && b < bEnd) {
      if (now.col[a] < old.col[b]) {
        ++a;
      } else if (old.col[b] < now.col[a]) {
        ++b;
      } else {
        c += std::fabs(now.val[a++] - old.val[b++]);
      }
    }
  }
  return c;
}

bool sparseSweepApplies(const PairProblem& p) {
  for (int j = 0; j < p.n; ++j)
    for (int k = p.off2[j] + 1; k < p.off2[j + 1]; ++k)
      if (p.nb2[k] < p.nb2[k - 1]) return false;
  for (int i = 0; i < p.m; ++i) {
    int runs = 0;
    for (int t = p.off1[i]; t < p.off1[i + 1]; ++t)
      if (p.nb1[t] == i && (t == p.off1[i] || p.nb1[t - 1] != i)) ++runs;
    if (runs > 1) return false;
  }
  return true;
}

struct SparseSweeper::Impl {
  Plan plan;
  Scratch scratch;
  explicit Impl(const PairProblem& p) : plan(makePlan(p)), scratch(p.n) {}
};

SparseSweeper::SparseSweeper(const PairProblem& p) : p_(p) {
  if (!sparseSweepApplies(p)) throw RunError("sparse sweep on neighbour lists out of order");
  impl_ = std::make_unique<Impl>(p);
}

SparseSweeper::~SparseSweeper() = default;

void SparseSweeper::sweep(const SparseRows& prev, SparseRows& next, double alpha, bool doPruning,
                          double admit) {
  sweepRows({impl_->plan, p_.E, alpha, doPruning, admit}, prev, next, impl_->scratch);
}

double SparseSweeper::terms(const SparseRows& R) const {
  const VecInt& off1 = p_.off1;
  const VecInt& off2 = p_.off2;
  double t = 0;
  for (int u = 0; u < R.m; ++u) {
    long sum = 0;
    for (long x = R.rowStart[u]; x < R.rowStart[u + 1]; ++x) sum += off2[R.col[x] + 1] - off2[R.col[x]];
    t += (double)(off1[u + 1] - off1[u]) * (double)sum;
  }
  return t;
}

SparseRows rowsOfE(const PairProblem& p) {
  SparseRows R;
  R.clear(p.m, p.n);
  R.col.reserve(p.E.size());
  R.val.reserve(p.E.size());
  for (const auto& e : p.E) {
    R.col.push_back((int)(e.first % p.n));
    R.val.push_back(e.second);
    ++R.rowStart[e.first / p.n + 1];
  }
  for (int i = 0; i < p.m; ++i) R.rowStart[i + 1] += R.rowStart[i];
  return R;
}

void denseToRows(const std::vector<double>& v, int m, int n, SparseRows& R) {
  R.clear(m, n);
  for (int i = 0; i < m; ++i) {
    const double* row = v.data() + (size_t)i * n;
    for (int j = 0; j < n; ++j)
      if (row[j] != 0.0) {
        R.col.push_back(j);
        R.val.push_back(row[j]);
      }
    R.rowStart[i + 1] = R.count();
  }
}

void rowsToDense(const SparseRows& R, std::vector<double>& v) {
  assignLarge(v, (size_t)R.m * R.n, 0.0);
  for (int i = 0; i < R.m; ++i)
    for (long x = R.rowStart[i]; x < R.rowStart[i + 1]; ++x) v[(size_t)i * R.n + R.col[x]] = R.val[x];
}

double changeRowsDense(const SparseRows& rows, const std::vector<double>& dense) {
  if ((size_t)rows.m * rows.n != dense.size())
    throw RunError("score vectors of different lengths compared");
  double c = 0;
  for (int i = 0; i < rows.m; ++i)
    for (long x = rows.rowStart[i]; x < rows.rowStart[i + 1]; ++x) {
      const double d = dense[(size_t)i * rows.n + rows.col[x]];
      if (d != 0.0) c += std::fabs(rows.val[x] - d);
    }
  return c;
}

SparseRows iterateSparse(const PairProblem& p, int K, double thresh, double alpha, bool doPruning,
                         int maxveclen, std::ostream& log) {
  SparseSweeper sweeper(p);
  const long pairs = (long)p.m * p.n;
  SparseRows R = rowsOfE(p), next, old;
  double chg = 100.0, admit = 0.0;
  int r = 0;
  while (r < K && chg > thresh) {
    log << "K: " << r << std::endl;
    if (r >= 3) {
      chg = changeRows(R, old);
      log << "curr size: " << R.count() << " avg change in last iter: " << chg << std::endl;
    }
    const bool comparedLater = r + 1 < K && chg > thresh;
    // The previous iterate is kept only when a later iteration compares with
    // it; its buffers are reused for the next sweep otherwise.
    std::swap(next, old);
    for (long q = 0; q < pairs; q += kProgressStep) log << q << std::endl;
    sweeper.sweep(R, next, alpha, doPruning, admit);
    std::swap(R, next);  // next now holds the values before this sweep
    if (r >= 2 && comparedLater) std::swap(next, old);
    if (doPruning) {
      const double t = pruneRows(R, maxveclen, log);
      admit = r <= 1 ? t * 0.1 : t;
    }
    normalizeRows(R, log);
    ++r;
  }
  normalizeRows(R, log);
  return R;
}

}  // namespace detail
