// Power iteration: the in-place sweep, normalisation, pruning, the stopping
// rule, and the flat multithreaded implementation against a literal,
// map-and-bit reference of the same iteration.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <random>
#include <sstream>

#include "align/pair_index.h"
#include "align/power_iteration.h"
#include "base/error.h"

namespace {

// ---------------------------------------------------------------------------
// Reference: the iteration written out step by step with an explicit
// membership bit per pair index, walking everything in ascending index order.

struct RefProblem {
  int m = 0, n = 0;
  VecVecInt adj1, adj2;
  std::map<int, double> E;  // already normalised
};

struct RefVec {
  std::vector<double> val;
  VecBool bit;
  long count() const { return (long)std::count(bit.begin(), bit.end(), true); }
};

struct RefStats {
  long refusedByThreshold = 0;  // s > 1e-9 but absent and not above the admission threshold
  long removedInSweep = 0;      // present entries whose new value was 1e-9 or less
  long removedByPruning = 0;
  int sweeps = 0;
};

double refNormalize(RefVec& v, std::ostream& log) {
  double S = 0;
  for (size_t q = 0; q < v.bit.size(); ++q)
    if (v.bit[q]) S += std::fabs(v.val[q]);
  log << "size before: " << v.count() << " ";
  if (v.count() > 0)
    for (size_t q = 0; q < v.bit.size(); ++q) {
      if (!v.bit[q]) continue;
      v.val[q] /= S;
      if (std::fabs(v.val[q]) < 1e-9) {
        v.bit[q] = false;
        v.val[q] = 0;
      }
    }
  log << "size after: " << v.count() << "\n";
  return S;
}

double refPrune(RefVec& v, int L, std::ostream& log, RefStats& st) {
  std::vector<float> list;
  for (size_t q = 0; q < v.bit.size(); ++q)
    if (v.bit[q]) list.push_back((float)v.val[q]);
  std::sort(list.begin(), list.end());
  const long c = (long)list.size();
  if (c <= L) return list.empty() ? 0.0 : (double)list[0];
  const double t = list[c - L - 1];
  for (size_t q = 0; q < v.bit.size(); ++q)
    if (v.bit[q] && v.val[q] < t) {
      v.bit[q] = false;
      v.val[q] = 0;
      ++st.removedByPruning;
    }
  log << "After pruning in style=top_K pruned " << c << " entries to " << v.count() << "\n";
  return t;
}

double refChange(const RefVec& now, const RefVec& old) {
  double c = 0;
  for (size_t q = 0; q < now.bit.size(); ++q)
    if (now.bit[q] && old.bit[q]) c += std::fabs(now.val[q] - old.val[q]);
  return c;
}

RefVec refIterate(const RefProblem& p, int K, double thresh, double alpha, bool doPruning,
                  int maxveclen, std::ostream& log, RefStats& st) {
  const long pairs = (long)p.m * p.n;
  RefVec R{std::vector<double>(pairs, 0.0), VecBool(pairs, false)};
  for (const auto& e : p.E) {
    R.val[e.first] = e.second;
    R.bit[e.first] = true;
  }
  RefVec old;
  double change = 100.0, admit = 0.0;
  int r = 0;
  while (r < K && change > thresh) {
    log << "K: " << r << "\n";
    if (r >= 3) {
      change = refChange(R, old);
      log << "curr size: " << R.count() << " avg change in last iter: " << change << "\n";
    }
    old = R;
    for (int i = 0; i < p.m; ++i)
      for (int j = 0; j < p.n; ++j) {
        const long q = (long)i * p.n + j;
        if (q % 1000000 == 0) log << q << "\n";
        double s = 0;
        for (int u : p.adj1[i])
          for (int v : p.adj2[j]) {
            const long k = (long)u * p.n + v;
            if (R.bit[k]) s += R.val[k] * (1.0 / (int)(p.adj1[u].size() * p.adj2[v].size()));
          }
        auto e = p.E.find((int)q);
        s = e != p.E.end() ? alpha * s + (1 - alpha) * e->second : alpha * s;
        const bool admitted = s > 1e-9 && (!doPruning || R.bit[q] || s > admit);
        if (s > 1e-9 && !admitted) ++st.refusedByThreshold;
        if (!admitted && R.bit[q]) ++st.removedInSweep;
        R.bit[q] = admitted;
        R.val[q] = admitted ? s : 0.0;
      }
    ++st.sweeps;
    if (doPruning) {
      const double t = refPrune(R, maxveclen, log, st);
      admit = r <= 1 ? t * 0.1 : t;
    }
    refNormalize(R, log);
    ++r;
  }
  refNormalize(R, log);
  return R;
}

// The whole call for one species pair, from the maps, as a run makes it.
struct RefOutcome {
  std::string log;
  RefVec E, R;
  VecInt idx1, idx2;
  RefStats stats;
};

RefOutcome refRecursion(int K, const VecStr& idList, const Str2Int& id2idx, const Str2Str& id2sp,
                        const std::string& sp1, const std::string& sp2,
                        const StrPair2Dbl& intxns, const StrPair2Dbl& blast, double thresh,
                        double alpha, bool doPruning, int maxveclen) {
  RefOutcome out;
  std::ostringstream log;
  log.precision(4);
  int n1, e1, n2, e2;
  countEdgesNodesBySp(intxns, id2sp, sp1, n1, e1);
  countEdgesNodesBySp(intxns, id2sp, sp2, n2, e2);
  log << "Flag: 201\n" << e1 << " " << n1 << " " << e2 << " " << n2 << "\n" << "Flag: 202\n";
  RefProblem p;
  getAdjListBySp_withAllGenes(intxns, id2sp, id2idx, sp1, out.idx1, p.adj1);
  getAdjListBySp_withAllGenes(intxns, id2sp, id2idx, sp2, out.idx2, p.adj2);
  p.m = (int)p.adj1.size();
  p.n = (int)p.adj2.size();
  log << "nodes vs graph_nodes: " << p.m << " " << n1 << " " << p.n << " " << n2 << "\n";
  log << "Flag: 202.5\n";
  std::map<std::string, double> largest;
  getMaxBlastScoreById(blast, idList, largest);
  log << "Flag: 203\n";
  const long pairs = (long)p.m * p.n;
  out.E = RefVec{std::vector<double>(pairs, 0.0), VecBool(pairs, false)};
  for (int i = 0; i < p.m; ++i)
    for (int j = 0; j < p.n; ++j) {
      const long q = (long)i * p.n + j;
      if (q % 1000000 == 0) log << q << "\n";
      const std::string& a = idList[out.idx1[i]];
      const std::string& b = idList[out.idx2[j]];
      const double s = getBlastScoreOrZero(blast, a, b);
      if (std::fabs(s) > 1e-9) {
        out.E.bit[q] = true;
        out.E.val[q] = s / std::sqrt(largest[a] * largest[b]);
      }
    }
  refNormalize(out.E, log);
  for (size_t q = 0; q < out.E.bit.size(); ++q)
    if (out.E.bit[q]) p.E[(int)q] = out.E.val[q];
  out.R = refIterate(p, K, thresh, alpha, doPruning, maxveclen, log, out.stats);
  log << "Flag: 210\n";
  out.log = log.str();
  return out;
}

// ---------------------------------------------------------------------------
// Inputs and helpers.

struct PairData {
  Str2Str id2sp;
  VecStr idList;
  Str2Int id2idx;
  StrPair2Dbl intxns, blast;

  void protein(const std::string& id, const std::string& sp) { id2sp[id] = sp; }
  void link(const std::string& a, const std::string& b) { intxns[orderedPair(a, b)] = 1.0; }
  void score(const std::string& a, const std::string& b, double s) { blast[orderedPair(a, b)] = s; }
  void index() {
    idList.clear();
    for (const auto& e : id2sp) idList.push_back(e.first);
    id2idx.clear();
    for (size_t i = 0; i < idList.size(); ++i) id2idx[idList[i]] = (int)i;
  }
};

struct RunOutcome {
  std::string err;
  VecBool finalBits, initBits;
  Hash_Int2Dbl finalVec, initVec;
  VecInt idx1, idx2;
};

RunOutcome runPair(const PairData& d, int K, double thresh, double alpha, int maxveclen = -1,
                   const std::string& sp1 = "A", const std::string& sp2 = "B") {
  RunOutcome o;
  testing::internal::CaptureStderr();
  iterateRecursion(K, d.idList, d.id2idx, d.id2sp, sp1, sp2, d.intxns, d.blast, o.finalBits,
                   o.finalVec, o.initBits, o.initVec, o.idx1, o.idx2, thresh, alpha, maxveclen > 0,
                   maxveclen);
  o.err = testing::internal::GetCapturedStderr();
  return o;
}

int countLines(const std::string& text, const std::string& start) {
  int c = 0;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line))
    if (line.compare(0, start.size(), start) == 0) ++c;
  return c;
}

std::map<int, double> asMap(const Hash_Int2Dbl& h) { return std::map<int, double>(h.begin(), h.end()); }

std::map<int, double> asMap(const RefVec& v) {
  std::map<int, double> out;
  for (size_t q = 0; q < v.bit.size(); ++q)
    if (v.bit[q]) out[(int)q] = v.val[q];
  return out;
}

// Two species with the interactions a1-a2 and b1-b2.
PairData twoEdges() {
  PairData d;
  for (auto id : {"a1", "a2"}) d.protein(id, "A");
  for (auto id : {"b1", "b2"}) d.protein(id, "B");
  d.link("a1", "a2");
  d.link("b1", "b2");
  return d;
}

detail::PairProblem makeProblem(const VecVecInt& adj1, const VecVecInt& adj2,
                                const std::vector<std::pair<int, double>>& E) {
  detail::PairProblem p;
  p.m = (int)adj1.size();
  p.n = (int)adj2.size();
  auto csr = [](const VecVecInt& adj, VecInt& off, VecInt& nb) {
    off.assign(1, 0);
    for (const auto& l : adj) {
      nb.insert(nb.end(), l.begin(), l.end());
      off.push_back((int)nb.size());
    }
  };
  csr(adj1, p.off1, p.nb1);
  csr(adj2, p.off2, p.nb2);
  p.E = E;
  return p;
}

detail::IterationResult iterateQuietly(
    const detail::PairProblem& p, int K, double thresh, double alpha, bool doPruning,
    int maxveclen, int threads, std::string* err = nullptr,
    detail::SweepKernel kernel = detail::bestSweepKernel()) {
  testing::internal::CaptureStderr();
  auto r = detail::iterate(p, K, thresh, alpha, doPruning, maxveclen, threads, kernel);
  std::string e = testing::internal::GetCapturedStderr();
  if (err) *err = e;
  return r;
}

std::vector<detail::SweepKernel> runnableKernels() {
  std::vector<detail::SweepKernel> out;
  for (auto k : {detail::SweepKernel::Scalar, detail::SweepKernel::Avx2, detail::SweepKernel::Avx512})
    if (detail::sweepKernelRuns(k)) out.push_back(k);
  return out;
}

// A random sequence term over m*n pairs from `draws` draws, one value in
// `negative` negative, normalised to L1 norm 1, in pair-index order.
std::vector<std::pair<int, double>> randomE(std::mt19937& rng, int m, int n, int draws, int negative) {
  std::map<int, double> E;
  for (int e = 0; e < draws; ++e)
    E[(int)(rng() % (m * n))] = (rng() % negative == 0 ? -1.0 : 1.0) * (1.0 + rng() % 1000);
  double S = 0;
  for (auto& e : E) S += std::fabs(e.second);
  std::vector<std::pair<int, double>> out;
  for (auto& e : E) out.emplace_back(e.first, e.second / S);
  return out;
}

std::map<int, double> denseToMap(const std::vector<double>& v) {
  std::map<int, double> out;
  for (size_t q = 0; q < v.size(); ++q)
    if (v[q] != 0.0) out[(int)q] = v[q];
  return out;
}

}  // namespace

// ---------------------------------------------------------------------------

TEST(PowerIteration, WorkedSweepUpdatesInPlace) {
  PairData d = twoEdges();
  d.score("a1", "b1", 5.0);
  d.index();
  RunOutcome o = runPair(d, 1, 1.0, 0.5);
  // E = {(a1,b1): 1}. Sweep: (a1,b1) = 0.5; (a2,b2) = 0.5 * the new 0.5 = 0.25
  // (a copy of the previous iterate would give 0.5). Normalised: 2/3 and 1/3.
  EXPECT_EQ((std::map<int, double>{{0, 1.0}}), asMap(o.initVec));
  ASSERT_EQ(2u, o.finalVec.size());
  EXPECT_DOUBLE_EQ(2.0 / 3, o.finalVec.at(0));
  EXPECT_DOUBLE_EQ(1.0 / 3, o.finalVec.at(3));
  EXPECT_EQ((VecBool{true, false, false, true}), o.finalBits);
  EXPECT_EQ((VecBool{true, false, false, false}), o.initBits);
  EXPECT_EQ((VecInt{0, 1}), o.idx1);
  EXPECT_EQ((VecInt{2, 3}), o.idx2);
  EXPECT_EQ(
      "Flag: 201\n"
      "1 2 1 2\n"
      "Flag: 202\n"
      "nodes vs graph_nodes: 2 2 2 2\n"
      "Flag: 202.5\n"
      "Flag: 203\n"
      "0\n"
      "size before: 1 size after: 1\n"
      "K: 0\n"
      "0\n"
      "size before: 2 size after: 2\n"
      "size before: 2 size after: 2\n"
      "Flag: 210\n",
      o.err);
}

TEST(PowerIteration, ThreeIterationsNeverMeasureTheChange) {
  PairData d = twoEdges();
  d.score("a1", "b1", 5.0);
  d.index();
  RunOutcome o = runPair(d, 3, 10.0, 0.5);
  EXPECT_EQ(3, countLines(o.err, "K: "));
  EXPECT_EQ(0, countLines(o.err, "curr size: "));
  EXPECT_NE(std::string::npos, o.err.find("K: 0\n0\nsize before: 2 size after: 2\nK: 1\n"));
}

TEST(PowerIteration, ChangeAtThresholdStopsAfterTheFourthSweep) {
  // With alpha 0 every sweep gives back E, so the change measured at r = 3 is 0.
  PairData d = twoEdges();
  d.score("a1", "b1", 3.0);
  d.score("a2", "b1", 1.0);
  d.index();
  std::cerr.precision(4);
  RunOutcome o = runPair(d, 20, 0.0, 0.0);
  EXPECT_EQ(4, countLines(o.err, "K: "));
  EXPECT_EQ(1, countLines(o.err, "curr size: "));
  EXPECT_NE(std::string::npos,
            o.err.find("K: 3\ncurr size: 2 avg change in last iter: 0\n0\nsize before: 2 size after: 2\n"
                       "size before: 2 size after: 2\nFlag: 210\n"));
  // R equals E: 3 / sqrt(3 * 3) = 1 and 1 / sqrt(1 * 3), normalised.
  ASSERT_EQ(2u, o.finalVec.size());
  const double e0 = 1.0, e2 = 1.0 / std::sqrt(3.0);
  EXPECT_DOUBLE_EQ(e0 / (e0 + e2), o.finalVec.at(0));
  EXPECT_DOUBLE_EQ(e2 / (e0 + e2), o.finalVec.at(2));
}

TEST(PowerIteration, AlphaOneKeepsOnlyPairsWithMatchedNeighbours) {
  PairData d = twoEdges();
  d.protein("a3", "A");  // no interaction partner
  d.score("a1", "b1", 2.0);
  d.score("a2", "b2", 2.0);
  d.score("a3", "b1", 2.0);
  d.index();
  RunOutcome o = runPair(d, 3, 1.0, 1.0);
  EXPECT_EQ(3u, o.initVec.size());
  // (a3, b1) has no network term and drops out in the first sweep.
  EXPECT_EQ((std::map<int, double>{{0, 0.5}, {3, 0.5}}), asMap(o.finalVec));

  // With alpha below 1 it keeps a value through its sequence term.
  RunOutcome half = runPair(d, 3, 1.0, 0.5);
  EXPECT_TRUE(half.finalBits.at(4));
  EXPECT_GT(half.finalVec.at(4), 0.0);
}

TEST(PowerIteration, NoSequenceScoreBetweenTheSpeciesLeavesAnEmptyVector) {
  PairData d = twoEdges();
  d.score("a1", "a2", 4.0);  // within one species only
  d.index();
  RunOutcome o = runPair(d, 5, 1.0, 0.9);
  EXPECT_TRUE(o.initVec.empty());
  EXPECT_TRUE(o.finalVec.empty());
  EXPECT_EQ(VecBool(4, false), o.finalBits);
  EXPECT_EQ(VecBool(4, false), o.initBits);
  // The change of an empty vector is 0: the fourth sweep is the last.
  EXPECT_EQ(4, countLines(o.err, "K: "));
  EXPECT_EQ(1, countLines(o.err, "curr size: 0 avg change in last iter: 0"));
}

TEST(PowerIteration, SmallValuesAreRemovedInTheSweep) {
  // No interactions, alpha 0.5: the sweep halves E. 0.5 * 2e-9 = 1e-9 is not
  // above 1e-9, so that entry goes in the sweep (after normalisation it would
  // have been 2e-9 and survived).
  ASSERT_EQ(1e-9, 0.5 * 2e-9);
  detail::PairProblem p = makeProblem({{}}, {{}, {}}, {{0, 1.0}, {1, 2e-9}});
  std::string err;
  auto r = iterateQuietly(p, 1, 1.0, 0.5, false, 0, 1, &err);
  EXPECT_EQ(1, r.count);
  EXPECT_EQ(0.0, r.R[1]);
  EXPECT_EQ("K: 0\n0\nsize before: 1 size after: 1\nsize before: 1 size after: 1\n", err);

  // Slightly above the limit it stays.
  p = makeProblem({{}}, {{}, {}}, {{0, 1.0}, {1, 2.2e-9}});
  r = iterateQuietly(p, 1, 1.0, 0.5, false, 0, 1, &err);
  EXPECT_EQ(2, r.count);
  EXPECT_GT(r.R[1], 0.0);
}

TEST(PowerIteration, NormalisationDividesByTheL1NormAndDropsTinyEntries) {
  Hash_Int2Dbl v{{0, 3.0}, {5, -1.0}};
  VecBool bits{true, false, false, false, false, true};
  testing::internal::CaptureStderr();
  double S = normalizeR_byL1norm(v, bits);
  EXPECT_EQ("size before: 2 size after: 2\n", testing::internal::GetCapturedStderr());
  EXPECT_EQ(4.0, S);
  EXPECT_EQ((std::map<int, double>{{0, 0.75}, {5, -0.25}}), asMap(v));

  v = {{0, 1.0}, {1, 5e-10}, {2, 2e-9}};
  bits = {true, true, true};
  testing::internal::CaptureStderr();
  normalizeR_byL1norm(v, bits);
  EXPECT_EQ("size before: 3 size after: 2\n", testing::internal::GetCapturedStderr());
  EXPECT_EQ((VecBool{true, false, true}), bits);
  EXPECT_EQ(0u, v.count(1));
  EXPECT_EQ(2u, v.size());

  v.clear();
  bits.assign(3, false);
  testing::internal::CaptureStderr();
  EXPECT_EQ(0.0, normalizeR_byL1norm(v, bits));
  EXPECT_EQ("size before: 0 size after: 0\n", testing::internal::GetCapturedStderr());
}

TEST(PowerIteration, PruningKeepsEverythingNotBelowTheNextLargestValue) {
  auto prune = [](std::map<int, double> in, int L, double& t, std::string& err) {
    Hash_Int2Dbl v(in.begin(), in.end());
    VecBool bits(8, false);
    for (const auto& e : in) bits[e.first] = true;
    testing::internal::CaptureStderr();
    t = pruneVecTopK(v, bits, L);
    err = testing::internal::GetCapturedStderr();
    for (int q = 0; q < 8; ++q) EXPECT_EQ(bits[q], v.count(q) == 1) << "index " << q;
    return asMap(v);
  };
  double t;
  std::string err;
  // Distinct values: L + 1 stay.
  EXPECT_EQ((std::map<int, double>{{1, 0.625}, {3, 0.375}, {4, 0.5}}),
            prune({{0, 0.125}, {1, 0.625}, {2, 0.25}, {3, 0.375}, {4, 0.5}}, 2, t, err));
  EXPECT_EQ(0.375, t);
  EXPECT_EQ("After pruning in style=top_K pruned 5 entries to 3\n", err);

  // Every value tied with the (L+1)-th largest stays.
  EXPECT_EQ((std::map<int, double>{{0, 0.25}, {1, 0.25}, {2, 0.25}, {3, 0.5}}),
            prune({{0, 0.25}, {1, 0.25}, {2, 0.25}, {3, 0.5}, {4, 0.125}}, 1, t, err));
  EXPECT_EQ(0.25, t);
  EXPECT_EQ("After pruning in style=top_K pruned 5 entries to 4\n", err);

  // The ranking is on single-precision values: 0.25 and 0.25 + 1e-12 tie.
  const double nudged = 0.25 + 1e-12;
  EXPECT_EQ((std::map<int, double>{{0, 0.25}, {1, nudged}, {2, 0.75}}),
            prune({{0, 0.25}, {1, nudged}, {2, 0.75}, {3, 0.1}}, 1, t, err));
  EXPECT_EQ(0.25, t);

  // The threshold is the single-precision value widened back: float(0.3) is
  // above the double 0.3, so that entry is below it and goes as well.
  EXPECT_EQ((std::map<int, double>{{2, 0.6}}), prune({{0, 0.1}, {1, 0.3}, {2, 0.6}}, 1, t, err));
  EXPECT_EQ((double)0.3f, t);
  EXPECT_EQ("After pruning in style=top_K pruned 3 entries to 1\n", err);

  // Nothing above the limit: nothing removed, nothing printed, smallest value returned.
  EXPECT_EQ((std::map<int, double>{{0, 0.3}, {1, 0.7}}), prune({{0, 0.3}, {1, 0.7}}, 2, t, err));
  EXPECT_EQ((double)0.3f, t);
  EXPECT_EQ("", err);
  EXPECT_TRUE(prune({}, 2, t, err).empty());
  EXPECT_EQ(0.0, t);
  EXPECT_EQ("", err);
}

// A present entry is an entry whatever its value, 0.0 included: normalising
// divides it (0 / S = 0), finds it below 1e-9 and removes it, so the count after
// normalisation excludes it; pruning ranks it like any other value.
TEST(PowerIteration, PresentZeroEntriesCountLikeAnyOther) {
  Hash_Int2Dbl v{{0, 0.0}, {1, 2.0}};
  VecBool bits{true, true};
  testing::internal::CaptureStderr();
  EXPECT_EQ(2.0, normalizeR_byL1norm(v, bits));
  EXPECT_EQ("size before: 2 size after: 1\n", testing::internal::GetCapturedStderr());
  EXPECT_EQ((VecBool{false, true}), bits);
  EXPECT_EQ((std::map<int, double>{{1, 1.0}}), asMap(v));

  // Three entries, limit 1: the threshold is the second largest, 0.25; the 0.0 goes.
  v = {{0, 0.0}, {1, 0.5}, {2, 0.25}};
  bits = {true, true, true};
  testing::internal::CaptureStderr();
  EXPECT_EQ(0.25, pruneVecTopK(v, bits, 1));
  EXPECT_EQ("After pruning in style=top_K pruned 3 entries to 2\n", testing::internal::GetCapturedStderr());
  EXPECT_EQ((VecBool{false, true, true}), bits);

  // Three entries, limit 2: pruning runs with the threshold 0.0 and keeps all three.
  v = {{0, 0.0}, {1, 0.5}, {2, 0.25}};
  bits = {true, true, true};
  testing::internal::CaptureStderr();
  EXPECT_EQ(0.0, pruneVecTopK(v, bits, 2));
  EXPECT_EQ("After pruning in style=top_K pruned 3 entries to 3\n", testing::internal::GetCapturedStderr());
  EXPECT_EQ((VecBool{true, true, true}), bits);
  EXPECT_EQ(3u, v.size());
}

TEST(PowerIteration, ChangeSumsOverEntriesPresentInBoth) {
  VecBool nowBits{true, true, false, true};
  Hash_Int2Dbl now{{0, 0.5}, {1, 0.25}, {3, 0.25}};
  VecBool oldBits{true, false, true, true};
  Hash_Int2Dbl old{{0, 0.25}, {2, 0.5}, {3, 0.5}};
  EXPECT_EQ(0.5, change_L1norm(nowBits, now, oldBits, old));
  EXPECT_EQ(0.0, change_L1norm(VecBool(2, false), {}, VecBool(2, false), {}));
  EXPECT_THROW(change_L1norm(nowBits, now, VecBool(3, false), {}), RunError);
}

TEST(PowerIteration, RejectsMoreThanTwoToTheThirtyOneProteinPairs) {
  // 65536 x 32768 = 2^31 pairs: one more than a signed 32-bit index can hold.
  PairData d;
  char id[16];
  for (int i = 0; i < 65536; ++i) {
    std::snprintf(id, sizeof id, "a%05d", i);
    d.protein(id, "A");
  }
  for (int i = 0; i < 32768; ++i) {
    std::snprintf(id, sizeof id, "b%05d", i);
    d.protein(id, "B");
  }
  d.index();
  VecBool fb, ib;
  Hash_Int2Dbl fv, iv;
  VecInt i1, i2;
  testing::internal::CaptureStderr();
  try {
    iterateRecursion(20, d.idList, d.id2idx, d.id2sp, "A", "B", d.intxns, d.blast, fb, fv, ib, iv,
                     i1, i2, 1.0, 0.9, false, -1);
    testing::internal::GetCapturedStderr();
    FAIL() << "2^31 protein pairs were accepted";
  } catch (const RunError& e) {
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(std::string::npos, std::string(e.what()).find("2147483647"));
    EXPECT_EQ(0, countLines(err, "Flag: 203"));
  }
  EXPECT_TRUE(fb.empty());
}

// The flat implementation against the literal reference on random species
// pairs with hubs, self-interactions, proteins without partners, scores below
// 1, within-species scores and interleaved identifiers. Results must agree to
// the last bit, and standard error byte for byte.
TEST(PowerIteration, MatchesTheLiteralIterationOnRandomPairs) {
  std::cerr.precision(4);
  std::mt19937 rng(20240607);
  RefStats total;
  int prunedRuns = 0;
  for (int trial = 0; trial < 12; ++trial) {
    const int m = 6 + (int)(rng() % 20), n = 5 + (int)(rng() % 25);
    PairData d;
    std::vector<std::string> a, b;
    // Identifiers drawn from one pool, so that the species interleave in idList.
    std::vector<int> pool(m + n);
    for (int k = 0; k < m + n; ++k) pool[k] = k;
    std::shuffle(pool.begin(), pool.end(), rng);
    for (int k = 0; k < m + n; ++k) {
      std::string id = "p" + std::to_string(pool[k]);
      (k < m ? a : b).push_back(id);
      d.protein(id, k < m ? "A" : "B");
    }
    auto network = [&](const std::vector<std::string>& ids) {
      const int links = (int)ids.size() * 2;
      for (int e = 0; e < links; ++e)
        d.link(ids[rng() % ids.size()], ids[rng() % ids.size()]);  // self-loops included
      for (size_t k = 0; k < ids.size(); k += 2) d.link(ids[0], ids[k]);  // a hub
    };
    network(a);
    network(b);
    for (int e = 0; e < (m * n) / 3 + 1; ++e) {
      const double s = (rng() % 4 == 0) ? (rng() % 100) / 100.0 : 1.0 + rng() % 500;
      d.score(a[rng() % m], b[rng() % n], s);
    }
    d.score(a[0], a[1 % m], 900.0);  // a within-species score raises a largest score
    d.index();

    const double alpha = (trial % 4 == 3) ? 1.0 : 0.3 + 0.1 * (trial % 6);
    const int maxveclen = (trial % 3 == 0) ? -1 : 1 + (m * n) / (2 + trial % 4);
    const double thresh = (trial % 5 == 0) ? 1e-3 : 1e-12;
    const int K = 3 + trial % 7;
    // A and B in either role.
    const std::string sp1 = trial % 2 ? "A" : "B", sp2 = trial % 2 ? "B" : "A";

    RunOutcome got = runPair(d, K, thresh, alpha, maxveclen, sp1, sp2);
    RefOutcome want = refRecursion(K, d.idList, d.id2idx, d.id2sp, sp1, sp2, d.intxns, d.blast,
                                   thresh, alpha, maxveclen > 0, maxveclen);
    SCOPED_TRACE("trial " + std::to_string(trial));
    EXPECT_EQ(want.log, got.err);
    EXPECT_EQ(asMap(want.R), asMap(got.finalVec));
    EXPECT_EQ(want.R.bit, got.finalBits);
    EXPECT_EQ(asMap(want.E), asMap(got.initVec));
    EXPECT_EQ(want.E.bit, got.initBits);
    EXPECT_EQ(want.idx1, got.idx1);
    EXPECT_EQ(want.idx2, got.idx2);
    total.refusedByThreshold += want.stats.refusedByThreshold;
    total.removedInSweep += want.stats.removedInSweep;
    total.removedByPruning += want.stats.removedByPruning;
    if (want.stats.removedByPruning > 0) ++prunedRuns;
  }
  // The trials reach the paths they are meant to check.
  EXPECT_GT(total.refusedByThreshold, 0);
  EXPECT_GT(total.removedInSweep, 0);
  EXPECT_GT(prunedRuns, 3);
}

TEST(PowerIteration, PrintsPairProgressEveryMillionPairs) {
  PairData d;
  char id[16];
  for (int i = 0; i < 1001; ++i) {
    std::snprintf(id, sizeof id, "a%04d", i);
    d.protein(id, "A");
  }
  for (int i = 0; i < 1000; ++i) {
    std::snprintf(id, sizeof id, "b%04d", i);
    d.protein(id, "B");
  }
  d.score("a0000", "b0000", 1.0);
  d.index();
  RunOutcome o = runPair(d, 3, 1.0, 0.5);
  // 1,001,000 pairs: 0 and 1000000 in the set-up and in each of the three sweeps.
  EXPECT_EQ(4, countLines(o.err, "1000000"));
  EXPECT_NE(std::string::npos, o.err.find("Flag: 203\n0\n1000000\nsize before: 1 size after: 1\nK: 0\n0\n1000000\n"));
}

// The multithreaded sweep must give the very same bits as one thread.
TEST(PowerIteration, SweepThreadsDoNotChangeTheResult) {
  std::mt19937 rng(77);
  const int m = 140, n = 170;
  auto randomNetwork = [&](int count, int hubDegree) {
    VecVecInt adj(count);
    auto link = [&](int u, int v) {
      adj[u].push_back(v);
      adj[v].push_back(u);
    };
    for (int e = 0; e < count * 2; ++e) link(rng() % count, rng() % count);
    for (int k = 1; k < hubDegree; ++k) link(3, rng() % count);      // hub
    for (int u = 0; u < count; u += 9) link(u, u);                   // self-interactions
    return adj;
  };
  VecVecInt adj1 = randomNetwork(m, 60), adj2 = randomNetwork(n, 80);
  adj1[m - 1].clear();  // a protein without partners (nobody links to it any more)
  for (auto& l : adj1) l.erase(std::remove(l.begin(), l.end(), m - 1), l.end());
  std::map<int, double> E;
  for (int e = 0; e < m * n / 20; ++e) E[(int)(rng() % (m * n))] = 1.0 + rng() % 1000;
  double S = 0;
  for (auto& e : E) S += e.second;
  std::vector<std::pair<int, double>> Evec;
  for (auto& e : E) Evec.emplace_back(e.first, e.second / S);
  detail::PairProblem p = makeProblem(adj1, adj2, Evec);

  for (int maxveclen : {-1, 3000}) {
    SCOPED_TRACE("maxveclen " + std::to_string(maxveclen));
    std::string err1;
    std::cerr.precision(4);
    auto one = iterateQuietly(p, 6, 1e-12, 0.8, maxveclen > 0, maxveclen, 1, &err1);
    // Against the literal iteration as well.
    RefProblem rp;
    rp.m = m;
    rp.n = n;
    rp.adj1 = adj1;
    rp.adj2 = adj2;
    rp.E = std::map<int, double>(Evec.begin(), Evec.end());
    std::ostringstream log;
    log.precision(4);
    RefStats st;
    RefVec want = refIterate(rp, 6, 1e-12, 0.8, maxveclen > 0, maxveclen, log, st);
    EXPECT_EQ(asMap(want), denseToMap(one.R));
    EXPECT_EQ(want.count(), one.count);
    EXPECT_EQ(log.str(), err1);
    if (maxveclen > 0) {
      EXPECT_GT(st.removedByPruning, 0);
    }
    for (detail::SweepKernel kernel : runnableKernels())
      for (int threads : {1, 2, 3}) {
        SCOPED_TRACE(std::string(detail::sweepKernelName(kernel)) + ", " +
                     std::to_string(threads) + " threads");
        std::string errT;
        auto many =
            iterateQuietly(p, 6, 1e-12, 0.8, maxveclen > 0, maxveclen, threads, &errT, kernel);
        ASSERT_EQ(one.R.size(), many.R.size());
        EXPECT_EQ(0, std::memcmp(one.R.data(), many.R.data(), one.R.size() * sizeof(double)));
        EXPECT_EQ(one.count, many.count);
        EXPECT_EQ(err1, errT);
      }
  }
}

// Every kernel gives the bits of the scalar one, also where lanes are padded:
// fewer columns than lanes, a block of one column, hubs far longer than their
// group's other lists, proteins without partners, and negative sequence terms
// (the first sweep then adds negative weights).
TEST(PowerIteration, SweepKernelsGiveTheBitsOfTheScalarOne) {
  std::mt19937 rng(5);
  for (int trial = 0; trial < 24; ++trial) {
    const int m = 1 + (int)(rng() % 40), n = 1 + (int)(rng() % (trial % 3 == 0 ? 12 : 90));
    auto network = [&](int count) {
      VecVecInt adj(count);
      const int links = (int)(rng() % (3 * count + 1));
      for (int e = 0; e < links; ++e) {
        const int u = (int)(rng() % count), v = (int)(rng() % count);
        if (u == v && rng() % 2) continue;  // self-interactions, but only some
        adj[u].push_back(v);
        if (u != v) adj[v].push_back(u);
      }
      const int hub = (int)(rng() % count);
      for (int k = 0; k < 3 * count; ++k) {
        const int v = (int)(rng() % count);
        if (v == hub) continue;
        adj[hub].push_back(v);
        adj[v].push_back(hub);
      }
      return adj;
    };
    const VecVecInt adj1 = network(m), adj2 = network(n);
    const auto Evec = randomE(rng, m, n, m * n / 4 + 1, 5);
    const detail::PairProblem p = makeProblem(adj1, adj2, Evec);
    const bool prune = trial % 2 == 1;
    const int limit = m * n / 3 + 1;
    std::string want;
    auto scalar =
        iterateQuietly(p, 5, 1e-12, 0.7, prune, limit, 1, &want, detail::SweepKernel::Scalar);
    for (detail::SweepKernel kernel : runnableKernels())
      for (int threads : {1, 2}) {
        SCOPED_TRACE("trial " + std::to_string(trial) + ", " + detail::sweepKernelName(kernel) +
                     ", " + std::to_string(threads) + " threads");
        std::string got;
        auto r = iterateQuietly(p, 5, 1e-12, 0.7, prune, limit, threads, &got, kernel);
        ASSERT_EQ(scalar.R.size(), r.R.size());
        EXPECT_EQ(0, std::memcmp(scalar.R.data(), r.R.data(), r.R.size() * sizeof(double)));
        EXPECT_EQ(scalar.count, r.count);
        EXPECT_EQ(want, got);
      }
  }
}

TEST(PowerIteration, LaneGroupsPadShortListsAndCoverEveryColumnOnce) {
  // Degrees 2, 0, 3, 1, 2 over columns 0..4; the block holds columns 1..4.
  const VecInt off{0, 2, 2, 5, 6, 8};
  const VecInt nb{1, 2, 7, 8, 9, 4, 5, 6};
  const detail::LaneGroups G = detail::makeLaneGroups(off, nb, 1, 5, 2, 99);
  // By degree: column 1 (0), column 3 (1), column 4 (2), column 2 (3).
  EXPECT_EQ((VecInt{0, 3, 1, 2}), G.slotOf);
  EXPECT_EQ((std::vector<int>{0, 1, 4}), G.groupStart);
  EXPECT_EQ((std::vector<int32_t>{99, 4, 5, 7, 6, 8, 99, 9}), G.idx);
  EXPECT_EQ(4, G.slots());
  // An odd count leaves the last group's spare lane fully padded.
  const detail::LaneGroups H = detail::makeLaneGroups(off, nb, 0, 3, 2, 99);
  EXPECT_EQ((VecInt{1, 0, 2}), H.slotOf);
  EXPECT_EQ((std::vector<int>{0, 2, 5}), H.groupStart);
  EXPECT_EQ((std::vector<int32_t>{99, 1, 99, 2, 7, 99, 8, 99, 9, 99}), H.idx);
}

// R held as rows (the whole run, or the pruned run's mix of dense and sparse
// sweeps) and the dense sweep pushing the few entries of rows not yet swept
// give the bits and the text of the literal iteration. Lists are sorted as the
// run builds them from interaction records, a self-interaction listed twice;
// sequence terms are partly negative, so sums meet terms of both signs.
TEST(PowerIteration, SparseRowsGiveTheBitsOfTheLiteralIteration) {
  std::mt19937 rng(18);
  int prunedTrials = 0, selfRowTrials = 0;
  for (int trial = 0; trial < 24; ++trial) {
    const int m = 1 + (int)(rng() % 50), n = 1 + (int)(rng() % (trial % 2 ? 60 : 150));
    auto network = [&](int count) {
      VecVecInt adj(count);
      const int links = (int)(rng() % (3 * count + 1));
      for (int e = 0; e < links; ++e) {
        const int u = (int)(rng() % count), v = (int)(rng() % count);
        adj[u].push_back(v);
        adj[v].push_back(u);
      }
      const int hub = (int)(rng() % count);
      for (int k = 0; k < 2 * count; ++k) {
        const int v = (int)(rng() % count);
        adj[hub].push_back(v);
        adj[v].push_back(hub);
      }
      for (auto& l : adj) std::sort(l.begin(), l.end());
      return adj;
    };
    RefProblem rp;
    rp.m = m;
    rp.n = n;
    rp.adj1 = network(m);
    rp.adj2 = network(n);
    for (int i = 0; i < m; ++i)
      if (std::count(rp.adj1[i].begin(), rp.adj1[i].end(), i)) {
        ++selfRowTrials;
        break;
      }
    const auto Evec = randomE(rng, m, n, m * n / 5 + 1, 6);
    rp.E = std::map<int, double>(Evec.begin(), Evec.end());
    const detail::PairProblem p = makeProblem(rp.adj1, rp.adj2, Evec);
    ASSERT_TRUE(detail::sparseSweepApplies(p));
    const bool prune = trial % 3 != 0;
    const int limit = prune ? 1 + (m * n) / (3 + trial % 5) : -1;
    const int K = 3 + trial % 6;
    const double thresh = trial % 4 == 0 ? 1e-3 : 1e-12;
    std::ostringstream log;
    log.precision(4);
    RefStats st;
    const RefVec want = refIterate(rp, K, thresh, 0.8, prune, limit, log, st);
    prunedTrials += st.removedByPruning > 0;
    std::cerr.precision(4);
    for (detail::RLayout layout :
         {detail::RLayout::Dense, detail::RLayout::Sparse, detail::RLayout::Auto})
      for (int threads = 1; threads <= (trial % 4 == 1 ? 2 : 1); ++threads) {
        SCOPED_TRACE("trial " + std::to_string(trial) + ", layout " +
                     std::to_string((int)layout) + ", threads " + std::to_string(threads));
        testing::internal::CaptureStderr();
        auto got = detail::iterate(p, K, thresh, 0.8, prune, limit, threads,
                                   detail::bestSweepKernel(), layout);
        EXPECT_EQ(log.str(), testing::internal::GetCapturedStderr());
        std::vector<double> R = got.R;
        if (got.isSparse) detail::rowsToDense(got.sparse, R);
        EXPECT_EQ(asMap(want), denseToMap(R));
        EXPECT_EQ(want.count(), got.count);
      }
  }
  EXPECT_GT(prunedTrials, 8);
  EXPECT_GT(selfRowTrials, 8);
}

TEST(PowerIteration, SparseRowsNeedSortedListsAndOneRunOfSelfPlaces) {
  EXPECT_TRUE(detail::sparseSweepApplies(makeProblem({{0, 0, 1}, {0}}, {{1}, {0}}, {})));
  EXPECT_FALSE(detail::sparseSweepApplies(makeProblem({{1}, {0}}, {{1, 0}, {0}}, {})));
  EXPECT_FALSE(detail::sparseSweepApplies(makeProblem({{0, 1, 0}, {0}}, {{1}, {0}}, {})));
}
