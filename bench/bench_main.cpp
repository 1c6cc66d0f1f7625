// Benchmark driver: times the power-iteration sweep and the clustering step on
// a data set, printing figures (never asserting anything).
//
//   trivanex_bench sweep DATA.in [SWEEPS]    sweep throughput, 1 thread and all threads
//   trivanex_bench cluster DATA.in SCORES    clustering step on a match-score file
//   trivanex_bench agree DATA.in A B         how far the match scores of two files differ
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>
#include <thread>

#include "align/power_iteration.h"
#include "base/cores.h"
#include "base/error.h"
#include "base/match_table.h"
#include "base/run_data.h"
#include "cluster/kpartite.h"
#include "io/loaders.h"
#include "io/match_score_reader.h"

namespace {

double now() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

// Sends std::cerr and std::cout to /dev/null while alive: the library's
// progress lines would otherwise dominate the timings.
struct Mute {
  std::ofstream sink{"/dev/null"};
  std::streambuf* err = std::cerr.rdbuf(sink.rdbuf());
  std::streambuf* out = std::cout.rdbuf(sink.rdbuf());
  ~Mute() {
    std::cerr.rdbuf(err);
    std::cout.rdbuf(out);
  }
};

// Loads the inputs as a compute run does and numbers the proteins.
struct Inputs {
  VecStr spList, idList;
  Str2Str id2sp;
  Str2Int id2idx;
  ProteinIndex proteins;
  std::vector<PairRecord> scores, intxns;
};

Inputs load(const std::string& dataDesc, bool withRecords) {
  Inputs in;
  Mute mute;
  PairCollector scores, intxns;
  if (withRecords)
    grabSequenceAndInteractionData(dataDesc, in.spList, in.idList, in.id2sp, scores, intxns);
  else
    grabSequenceData(dataDesc, in.spList, in.idList, in.id2sp);
  std::sort(in.idList.begin(), in.idList.end());
  for (size_t i = 0; i < in.idList.size(); ++i) in.id2idx[in.idList[i]] = (int)i;
  in.proteins = makeProteinIndex((int)in.idList.size(), in.id2idx, in.id2sp);
  in.scores = scores.records(in.id2idx);
  in.intxns = intxns.records(in.id2idx);
  return in;
}

int sweepBench(const std::string& dataDesc, int sweeps) {
  const Inputs in = load(dataDesc, true);
  const std::vector<double> largest = detail::largestScores(in.scores, (int)in.idList.size());
  const int hw = availableCpus();
  for (size_t i = 0; i < in.spList.size(); ++i)
    for (size_t j = i + 1; j < in.spList.size(); ++j) {
      VecInt l1, l2;
      detail::PairProblem p;
      {
        Mute mute;
        p = detail::preparePairProblem(in.idList, in.proteins, in.intxns, in.scores, largest,
                                       in.spList[i], in.spList[j], l1, l2);
      }
      const double terms = (double)p.nb1.size() * (double)p.nb2.size();  // per sweep
      std::printf("%s-%s: %d x %d = %ld pairs, %.3g neighbour-pair terms per sweep\n",
                  in.spList[i].c_str(), in.spList[j].c_str(), p.m, p.n, (long)p.m * p.n, terms);
      auto run = [&](int threads, detail::SweepKernel kernel) {
        double t0 = now();
        {
          Mute mute;
          detail::iterate(p, sweeps, 1e-300, 0.9, false, -1, threads, kernel);
        }
        double dt = now() - t0;
        std::printf("  %-6s threads %d: %d sweeps in %.3f s, %.3f G terms/s\n",
                    detail::sweepKernelName(kernel), threads, sweeps, dt,
                    terms * sweeps / dt / 1e9);
      };
      // Every kernel this CPU runs on one thread, then the run's own kernel on all.
      for (auto kernel : {detail::SweepKernel::Scalar, detail::SweepKernel::Avx2,
                          detail::SweepKernel::Avx512})
        if (detail::sweepKernelRuns(kernel)) run(1, kernel);
      if (hw > 1) run(hw, detail::bestSweepKernel());
    }
  return 0;
}

int clusterBench(const std::string& dataDesc, const std::string& scoreFile) {
  const Inputs in = load(dataDesc, false);
  char dir[] = "/tmp/trivanex-bench-XXXXXX";
  if (!mkdtemp(dir)) return 1;
  double t0, t1, t2;
  long count;
  {
    Mute mute;
    MatchScoreTable table(in.proteins, MatchScoreTable::SmallerFirst);
    t0 = now();
    readMatchScoreFile(scoreFile, in.idList, table);
    count = table.size();
    t1 = now();
    // Star caches and the cluster file go to a scratch folder.
    if (chdir(dir) != 0) return 1;
    doKpartiteMatchingStartWithStar_nore(table, in.idList, in.id2idx, in.id2sp, in.spList, false,
                                         "clusters.txt");
    t2 = now();
  }
  std::printf("%ld match scores read in %.3f s; clustering step (stars, refinement, files) %.3f s\n",
              count, t1 - t0, t2 - t1);
  std::printf("scratch folder with the cluster file: %s\n", dir);
  return 0;
}

// Compares the match scores of two files over one roster: each file fills a
// table of its own (blocks per species pair, cells by local protein numbers,
// key smaller number first), then every cell of every block is looked up in
// both. Relative difference |a - b| / max(|a|, |b|).
int agreeBench(const std::string& dataDesc, const std::string& fileA, const std::string& fileB) {
  const Inputs in = load(dataDesc, false);
  MatchScoreTable a(in.proteins, MatchScoreTable::SmallerFirst);
  MatchScoreTable b(in.proteins, MatchScoreTable::SmallerFirst);
  {
    Mute mute;
    readMatchScoreFile(fileA, in.idList, a);
    readMatchScoreFile(fileB, in.idList, b);
  }
  long both = 0, onlyA = 0, onlyB = 0, differing = 0;
  double maxOnlyA = 0, maxOnlyB = 0, worst = 0, worstA = 0, worstB = 0;
  int worstP = -1, worstQ = -1;
  const int S = in.proteins.speciesCount();
  for (int r = 0; r < S; ++r)
    for (int c = r; c < S; ++c) {
      const MatchScoreTable::Block* ka = a.block(r, c);
      const MatchScoreTable::Block* kb = b.block(r, c);
      if (!ka && !kb) continue;
      const int m = ka ? ka->m : kb->m, n = ka ? ka->n : kb->n;
      for (int i = 0; i < m; ++i)
        for (int j = 0; j < n; ++j) {
          double va = 0, vb = 0;
          const bool ha = ka && ka->at(i, j, va), hb = kb && kb->at(i, j, vb);
          if (ha && hb) {
            ++both;
            if (va != vb) {
              ++differing;
              const double rel = std::fabs(va - vb) / std::max(std::fabs(va), std::fabs(vb));
              if (rel > worst) {
                worst = rel, worstA = va, worstB = vb;
                worstP = in.proteins.proteinsOf[r][i], worstQ = in.proteins.proteinsOf[c][j];
              }
            }
          } else if (ha) {
            ++onlyA, maxOnlyA = std::max(maxOnlyA, std::fabs(va));
          } else if (hb) {
            ++onlyB, maxOnlyB = std::max(maxOnlyB, std::fabs(vb));
          }
        }
    }
  std::printf("match scores in both files      %ld\n", both);
  std::printf("only in the first               %ld (largest %.6g)\n", onlyA, maxOnlyA);
  std::printf("only in the second              %ld (largest %.6g)\n", onlyB, maxOnlyB);
  std::printf("values that differ              %ld\n", differing);
  std::printf("largest relative difference     %.3g", worst);
  if (worstP >= 0)
    std::printf(" (%s %s: %.17g against %.17g)", in.idList[worstP].c_str(),
                in.idList[worstQ].c_str(), worstA, worstB);
  std::printf("\n");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "sweep" && argc >= 3) return sweepBench(argv[2], argc > 3 ? std::atoi(argv[3]) : 4);
    if (mode == "cluster" && argc >= 4) return clusterBench(argv[2], argv[3]);
    if (mode == "agree" && argc >= 5) return agreeBench(argv[2], argv[3], argv[4]);
    std::fprintf(stderr,
                 "usage: trivanex_bench sweep DATA.in [SWEEPS] | cluster DATA.in SCORES | "
                 "agree DATA.in SCORES_A SCORES_B\n");
    return 2;
  } catch (const RunError& e) {
    std::cerr << e.text();
    return 1;
  }
}
