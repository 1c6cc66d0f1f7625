// Benchmark driver: times the power-iteration sweep and the clustering step on
// a data set, printing figures (never asserting anything).
//
//   trivanex_bench sweep DATA.in [SWEEPS]    sweep throughput, 1 thread and all threads
//   trivanex_bench cluster DATA.in SCORES    clustering step on a match-score file
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>
#include <thread>

#include "align/power_iteration.h"
#include "base/cores.h"
#include "base/error.h"
#include "cluster/kpartite.h"
#include "cluster/score_index.h"
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

void index(const std::string& dataDesc, VecStr& spList, VecStr& idList, Str2Str& id2sp,
           StrPair2Dbl& blast, StrPair2Dbl& intxns, Str2Int& id2idx) {
  grabSequenceAndInteractionData(dataDesc, spList, idList, id2sp, blast, intxns);
  std::sort(idList.begin(), idList.end());
  for (size_t i = 0; i < idList.size(); ++i) id2idx[idList[i]] = (int)i;
}

int sweepBench(const std::string& dataDesc, int sweeps) {
  VecStr spList, idList;
  Str2Str id2sp;
  StrPair2Dbl blast, intxns;
  Str2Int id2idx;
  {
    Mute mute;
    index(dataDesc, spList, idList, id2sp, blast, intxns, id2idx);
  }
  const int hw = availableCpus();
  for (size_t i = 0; i < spList.size(); ++i)
    for (size_t j = i + 1; j < spList.size(); ++j) {
      VecInt l1, l2;
      detail::PairProblem p;
      {
        Mute mute;
        p = detail::preparePairProblem(idList, id2idx, id2sp, spList[i], spList[j], intxns, blast, l1, l2);
      }
      const double terms = (double)p.nb1.size() * (double)p.nb2.size();  // per sweep
      std::printf("%s-%s: %d x %d = %ld pairs, %.3g neighbour-pair terms per sweep\n",
                  spList[i].c_str(), spList[j].c_str(), p.m, p.n, (long)p.m * p.n, terms);
      for (int threads : {1, hw}) {
        double t0 = now();
        {
          Mute mute;
          detail::iterate(p, sweeps, 1e-300, 0.9, false, -1, threads);
        }
        double dt = now() - t0;
        std::printf("  threads %d: %d sweeps in %.3f s, %.3f G terms/s\n", threads, sweeps, dt,
                    terms * sweeps / dt / 1e9);
        if (hw == 1) break;
      }
    }
  return 0;
}

int clusterBench(const std::string& dataDesc, const std::string& scoreFile) {
  VecStr spList, idList;
  Str2Str id2sp;
  Str2Int id2idx;
  StrPair2Dbl matchScores;
  char dir[] = "/tmp/trivanex-bench-XXXXXX";
  if (!mkdtemp(dir)) return 1;
  double t0, t1, t2, tIndex;
  {
    Mute mute;
    grabSequenceData(dataDesc, spList, idList, id2sp);
    std::sort(idList.begin(), idList.end());
    for (size_t i = 0; i < idList.size(); ++i) id2idx[idList[i]] = (int)i;
    t0 = now();
    readMatchScoreFile(scoreFile, idList, matchScores);
    t1 = now();
    { ScoreIndex index(matchScores, idList); }  // timed on its own; the step builds its own
    tIndex = now() - t1;
    t1 = now();
    // Star caches and the cluster file go to a scratch folder.
    if (chdir(dir) != 0) return 1;
    doKpartiteMatchingStartWithStar_nore(matchScores, idList, id2idx, id2sp, spList, false,
                                         "clusters.txt");
    t2 = now();
  }
  std::printf("%zu match scores read in %.3f s; clustering step (index, stars, refinement, files) %.3f s"
              " (the index alone: %.3f s)\n",
              matchScores.size(), t1 - t0 - tIndex, t2 - t1, tIndex);
  std::printf("scratch folder with the cluster file: %s\n", dir);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "sweep" && argc >= 3) return sweepBench(argv[2], argc > 3 ? std::atoi(argv[3]) : 4);
    if (mode == "cluster" && argc >= 4) return clusterBench(argv[2], argv[3]);
    std::fprintf(stderr, "usage: trivanex_bench sweep DATA.in [SWEEPS] | cluster DATA.in SCORES\n");
    return 2;
  } catch (const RunError& e) {
    std::cerr << e.text();
    return 1;
  }
}
