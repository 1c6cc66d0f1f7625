// The power iteration with its network sums factored (chosen by --factored).
//
// The network term of pair (i, j) is the sum over u in N(i), v in N(j) of
// R(u, v) / (deg u * deg v). Summed as
//     W(v)    = (sum over u in N(i) of R(u, v) / deg u) / deg v   (all v, one row)
//     A(i, j) = sum over v in N(j) of W(v)
// one row costs deg(i) * n + 2E(sp2) instead of deg(i) * 2E(sp2): a sweep
// costs n * 2E(sp1) + m * 2E(sp2) against 2E(sp1) * 2E(sp2). It is the same
// operator with its terms added in another order, so the last bits of the
// scores differ from the default sweep's; everything else (in-place order,
// admission, pruning, normalisation, the stopping rule, every line of the
// log) is the default iteration's.
#pragma once

#include <functional>
#include <iostream>

#include "align/power_iteration.h"
#include "align/sweep_kernel.h"

namespace detail {

// iterate() with the factored sweep. The result does not depend on the number
// of threads or on the kernel.
IterationResult iterateFactored(const PairProblem& p, int K, double thresh, double alpha,
                                bool doPruning, int maxveclen, const std::function<int()>& threads,
                                SweepKernel kernel, std::ostream& log);

IterationResult iterateFactored(const PairProblem& p, int K, double thresh, double alpha,
                                bool doPruning, int maxveclen, int threads,
                                SweepKernel kernel = bestSweepKernel());

}  // namespace detail
