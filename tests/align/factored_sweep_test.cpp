// The factored sweep against the default one: the same iteration summed in
// another order, so equal to a relative 1e-10 (not to the bit), with the same
// entries, counts and log; and its own bits independent of threads and kernel.
#include "align/factored_sweep.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

#include "base/error.h"
#include "base/scratch_file.h"

namespace {

struct Random {
  detail::PairProblem p;
  bool selfRows = false;
};

// Networks with hubs, self-interactions (a protein listed twice in its own
// list) and proteins without partners; a sparse, normalised sequence term.
Random randomProblem(std::mt19937& rng, int m, int n) {
  auto network = [&](int count, VecInt& off, VecInt& nb, bool& self) {
    VecVecInt adj(count);
    auto link = [&](int u, int v) {
      adj[u].push_back(v);
      adj[v].push_back(u);
      if (u == v) self = true;
    };
    for (int e = 0; e < count * 2; ++e) link(rng() % count, rng() % count);
    for (int k = 0; k < count / 2; ++k) link(1, rng() % count);  // a hub
    for (int u = 2; u < count; u += 7) link(u, u);
    adj[count - 1].clear();  // and one protein nobody links to
    for (auto& l : adj) l.erase(std::remove(l.begin(), l.end(), count - 1), l.end());
    off.assign(1, 0);
    nb.clear();
    for (const auto& l : adj) {
      nb.insert(nb.end(), l.begin(), l.end());
      off.push_back((int)nb.size());
    }
  };
  Random r;
  r.p.m = m;
  r.p.n = n;
  bool self1 = false, self2 = false;
  network(m, r.p.off1, r.p.nb1, self1);
  network(n, r.p.off2, r.p.nb2, self2);
  r.selfRows = self1 && self2;
  std::map<int, double> E;
  for (int e = 0; e < m * n / 15 + 1; ++e) E[(int)(rng() % (m * n))] = 1.0 + rng() % 1000;
  double S = 0;
  for (auto& e : E) S += e.second;
  for (auto& e : E) r.p.E.emplace_back(e.first, e.second / S);
  return r;
}

struct Outcome {
  detail::IterationResult res;
  std::string log;
};

Outcome run(bool factored, const detail::PairProblem& p, int K, double thresh, double alpha,
            int maxveclen, int threads, detail::SweepKernel k = detail::bestSweepKernel()) {
  testing::internal::CaptureStderr();
  Outcome o;
  o.res = factored ? detail::iterateFactored(p, K, thresh, alpha, maxveclen > 0, maxveclen, threads, k)
                   : detail::iterate(p, K, thresh, alpha, maxveclen > 0, maxveclen, threads, k);
  o.log = testing::internal::GetCapturedStderr();
  return o;
}

TEST(FactoredSweep, AgreesWithTheDefaultSweepToARelativeTenToTheMinusTen) {
  std::cerr.precision(4);
  std::mt19937 rng(1811);
  double worst = 0;
  for (int trial = 0; trial < 10; ++trial) {
    SCOPED_TRACE("trial " + std::to_string(trial));
    const Random r = randomProblem(rng, 20 + (int)(rng() % 60), 15 + (int)(rng() % 70));
    ASSERT_TRUE(r.selfRows);
    const double alpha = trial % 5 == 4 ? 1.0 : 0.5 + 0.1 * (trial % 5);
    const int maxveclen = trial % 3 == 2 ? r.p.m * r.p.n / 4 : -1;
    const int K = 4 + trial % 5;
    const Outcome want = run(false, r.p, K, 1e-12, alpha, maxveclen, 1);
    const Outcome got = run(true, r.p, K, 1e-12, alpha, maxveclen, 1 + trial % 2);
    // Counts, sizes, the change measure to four digits: the same text.
    EXPECT_EQ(want.log, got.log);
    ASSERT_EQ(want.res.count, got.res.count);
    for (size_t q = 0; q < want.res.R.size(); ++q) {
      const double a = want.res.R[q], b = got.res.R[q];
      ASSERT_EQ(a != 0.0, b != 0.0) << "entry " << q;
      if (a != 0.0) worst = std::max(worst, std::fabs(a - b) / std::max(std::fabs(a), std::fabs(b)));
    }
  }
  EXPECT_LE(worst, 1e-10);
}

TEST(FactoredSweep, ThreadsAndKernelsDoNotChangeItsBits) {
  std::mt19937 rng(99);
  const Random r = randomProblem(rng, 90, 130);
  for (int maxveclen : {-1, 2000}) {
    const Outcome one = run(true, r.p, 6, 1e-12, 0.8, maxveclen, 1, detail::SweepKernel::Scalar);
    for (auto kernel : {detail::SweepKernel::Scalar, detail::SweepKernel::Avx2, detail::SweepKernel::Avx512}) {
      if (!detail::sweepKernelRuns(kernel)) continue;
      for (int threads : {1, 2, 3}) {
        SCOPED_TRACE(std::string(detail::sweepKernelName(kernel)) + " " + std::to_string(threads));
        const Outcome many = run(true, r.p, 6, 1e-12, 0.8, maxveclen, threads, kernel);
        ASSERT_EQ(one.res.R.size(), many.res.R.size());
        EXPECT_EQ(0, std::memcmp(one.res.R.data(), many.res.R.data(), one.res.R.size() * 8));
        EXPECT_EQ(one.log, many.log);
      }
    }
  }
}

// The previous iterate read back from disk gives the change measure of a
// copy in memory, bit for bit, also across a read boundary.
TEST(ScratchCopy, ChangeFromADiskCopyIsTheInMemoryOne) {
  std::mt19937 rng(3);
  std::vector<double> old((1 << 17) + 5), now(old.size());
  for (size_t q = 0; q < old.size(); ++q) {
    old[q] = rng() % 3 ? (rng() % 1000) * 1e-6 : 0.0;
    now[q] = rng() % 3 ? (rng() % 1000) * 1e-6 : 0.0;
  }
  ScratchCopy disk(0), mem(size_t(1) << 30);
  disk.save(old);
  mem.save(old);
  EXPECT_TRUE(disk.onDisk());
  EXPECT_FALSE(mem.onDisk());
  const double a = disk.changeFrom(now), b = mem.changeFrom(now);
  EXPECT_EQ(0, std::memcmp(&a, &b, sizeof a));
  EXPECT_GT(a, 0.0);
  EXPECT_THROW(disk.changeFrom(std::vector<double>(3)), RunError);
}

}  // namespace
