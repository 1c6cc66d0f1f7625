// Power iteration for one species pair: R = alpha*A(R) + (1-alpha)*E, swept in
// place in pair-index order, normalised to L1 norm 1 after every sweep.
#pragma once

#include <functional>
#include <iostream>
#include <string>

#include "align/sparse_iteration.h"
#include "align/sweep_kernel.h"
#include "base/run_data.h"
#include "base/types.h"

// Computes the pair's normalised sequence term (initVec) and final match-score
// vector (finalVec) over the pair index of sp1 x sp2; sp1_idxList/sp2_idxList
// receive the idList positions of both species' proteins.
void iterateRecursion(int K, const VecStr& idList, const Str2Int& id2idx, const Str2Str& id2sp,
                      const std::string& sp1, const std::string& sp2, const StrPair2Dbl& intxns,
                      const StrPair2Dbl& blastScores, VecBool& finalVecMembership,
                      Hash_Int2Dbl& finalVec, VecBool& initVecMembership, Hash_Int2Dbl& initVec,
                      VecInt& sp1_idxList, VecInt& sp2_idxList, double thresh, double alpha,
                      bool doPruning, int maxveclen);

// Divides by the L1 norm (summed in ascending index order), drops entries below
// 1e-9, prints "size before: ... size after: ...". Returns the norm.
double normalizeR_byL1norm(Hash_Int2Dbl& values, VecBool& membership);

// Keeps the entries not below the (limit+1)-th largest single-precision value.
// Returns that threshold (or the smallest value when nothing is pruned).
double pruneVecTopK(Hash_Int2Dbl& values, VecBool& membership, int limit);

// Sum of |R(q) - old(q)| over indices present in both vectors.
double change_L1norm(const VecBool& finalVecMembership, const Hash_Int2Dbl& finalVec,
                     const VecBool& oldFinalVecMembership, const Hash_Int2Dbl& oldFinalVec);

namespace detail {

// Flat form of the iteration's data. R is dense over the m*n pair indices, and
// an entry is present exactly when its value is non-zero: admitted values are
// above 1e-9 and normalised ones at least 1e-9 in magnitude, so a stored 0.0
// always means "absent" and adds nothing to a network sum.
struct PairProblem {
  int m = 0, n = 0;
  // Adjacency of both species in CSR form, neighbours in list order.
  VecInt off1, nb1, off2, nb2;
  // Sequence term: (q, E(q)) sorted by q.
  std::vector<std::pair<int, double>> E;
};

// The final R in one of two forms: dense (R, 0.0 = absent) or, when the
// iteration ran sparse, as compressed rows (`sparse`, R left empty).
struct IterationResult {
  std::vector<double> R;  // dense, 0.0 = absent
  long count = 0;         // number of present entries of R
  bool isSparse = false;
  SparseRows sparse;
};

// How the iteration holds R. Both give the same bits; Auto takes the sparse
// form when R is bound to stay small (pruning) and the problem allows it.
enum class RLayout { Dense, Sparse, Auto };

// The set-up of iterateRecursion for one species pair: prints its statistics
// and progress lines, fills the protein lists, and returns the adjacency and
// the normalised sequence term E. `intxns` and `blastScores` are one record
// per unordered pair in key order; largest[p] is the largest sequence score of
// protein p, never below 1.0.
PairProblem preparePairProblem(const VecStr& idList, const ProteinIndex& proteins,
                               const std::vector<PairRecord>& intxns,
                               const std::vector<PairRecord>& blastScores,
                               const std::vector<double>& largest, const std::string& sp1,
                               const std::string& sp2, VecInt& sp1_idxList, VecInt& sp2_idxList,
                               std::ostream& log = std::cerr);

// The same from the map forms of the inputs.
PairProblem preparePairProblem(const VecStr& idList, const Str2Int& id2idx, const Str2Str& id2sp,
                               const std::string& sp1, const std::string& sp2,
                               const StrPair2Dbl& intxns, const StrPair2Dbl& blastScores,
                               VecInt& sp1_idxList, VecInt& sp2_idxList);

// largest[p] of preparePairProblem for every protein of the run.
std::vector<double> largestScores(const std::vector<PairRecord>& blastScores, int proteins);

// Number of present entries of R whose pair has no sequence term.
long scoresBeyondSequenceTerm(const PairProblem& p, const IterationResult& res);

// Runs the whole iteration on a prepared problem (E already normalised), with
// the given number of sweep threads and sweep kernel (results depend on
// neither).
IterationResult iterate(const PairProblem& p, int K, double thresh, double alpha, bool doPruning,
                        int maxveclen, int threads, SweepKernel kernel = bestSweepKernel(),
                        RLayout layout = RLayout::Dense);

// The same with its diagnostics on `log`, asking `threads` before every sweep
// how many threads it may use.
IterationResult iterate(const PairProblem& p, int K, double thresh, double alpha, bool doPruning,
                        int maxveclen, const std::function<int()>& threads, SweepKernel kernel,
                        std::ostream& log, RLayout layout = RLayout::Dense);

double normalizeDense(std::vector<double>& v, long& count, std::ostream& log = std::cerr);
double pruneDense(std::vector<double>& v, long& count, int limit, std::ostream& log = std::cerr);
double changeDense(const std::vector<double>& now, const std::vector<double>& old);

// What the dense and the sparse sweep both read, besides R and E: the sizes,
// the adjacency (pointing into the problem, which must outlive it), where
// each row's sequence entries lie in p.E (eStart[i] .. eStart[i+1]-1), and
// the factor 1.0 / (deg u * deg v), the product taken in integers, from a
// small table instead of a division per term: degrees are grouped into
// classes (the distinct degree values), cls1[u] and cls2[v] are the
// classes, and recip[cls1[u] * D2 + cls2[v]] is the factor.
struct SweepBasis {
  int m = 0, n = 0;
  const VecInt* off1 = nullptr;
  const VecInt* nb1 = nullptr;
  const VecInt* off2 = nullptr;
  const VecInt* nb2 = nullptr;
  std::vector<long> eStart;
  VecInt cls1, cls2;
  int D2 = 0;
  std::vector<double> recip;
};
SweepBasis sweepBasis(const PairProblem& p);

// Where each row's sequence entries lie in p.E: entries start[i] .. start[i+1]-1.
std::vector<long> rowStartsOfE(const PairProblem& p);

// Sweep threads used for a problem of this size.
int sweepThreads(const PairProblem& p);

}  // namespace detail
