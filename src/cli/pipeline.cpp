#include "cli/pipeline.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <sstream>
#include <system_error>
#include <thread>
#include <iostream>
#include <string>

#include "align/factored_sweep.h"
#include "align/match_scores.h"
#include "align/power_iteration.h"
#include "base/cores.h"
#include "base/error.h"
#include "base/progress.h"
#include "cli/options.h"
#include "cli/quiet_run.h"
#include "cluster/kpartite.h"
#include "exact/exact_scores.h"
#include "io/loaders.h"
#include "joint/joint_assembly.h"
#include "io/match_score_reader.h"
#include "base/match_table.h"
#include "base/run_data.h"
#include "base/types.h"

namespace {

// Sorts the roster and numbers the proteins by their place in it.
void numberProteins(ComputeInputs& in) {
  std::sort(in.idList.begin(), in.idList.end());
  in.id2idx.clear();
  for (size_t i = 0; i < in.idList.size(); ++i)
    in.id2idx.emplace_hint(in.id2idx.end(), in.idList[i], (int)i);
  in.proteins = makeProteinIndex((int)in.idList.size(), in.id2idx, in.id2sp);
}

}  // namespace

void loadComputeInputs(const std::string& dataDescFile, ComputeInputs& in) {
  PairCollector blastScores, intxns;
  grabSequenceAndInteractionData(dataDescFile, in.spList, in.idList, in.id2sp, blastScores, intxns);
  std::cerr << "size of sp-list: " << in.spList.size() << std::endl;
  std::cerr << "number of blast scores: " << blastScores.size()
            << " # scores between species: " << blastScores.pairsBetweenSpecies(in.id2sp)
            << std::endl;
  numberProteins(in);
  in.blastScores = blastScores.records(in.id2idx);
  in.intxns = intxns.records(in.id2idx);
}

namespace {

// One species pair of a compute run: everything it prints goes to `log`, so
// pairs can be computed side by side and their text still written in pair
// order, byte for byte as one pair after the other would write it.
struct PairJob {
  size_t i = 0, j = 0;     // positions in spList
  double work = 0;         // estimated cost, for the order of starting
  std::ostringstream log;
  detail::IterationResult res;
  MatchScoreTable::Block block;  // res.R made compact, once the pair is done
  bool hasBlock = false;
  long newScores = 0;
  size_t initCount = 0;
  std::exception_ptr error;
  bool done = false;
};

void runPairJob(PairJob& job, const VecStr& spList, const VecStr& idList,
                const ProteinIndex& proteins, const std::vector<PairRecord>& intxns,
                const std::vector<PairRecord>& blastScores, const std::vector<double>& largest,
                int K, double thresh, double alpha, int maxveclen, bool factored,
                const std::function<int(const detail::PairProblem&)>& threads, std::ostream& log) {
  VecInt sp1_idxList, sp2_idxList;
  DEBUGP(log, 2);
  const detail::PairProblem p =
      detail::preparePairProblem(idList, proteins, intxns, blastScores, largest, spList[job.i],
                                 spList[job.j], sp1_idxList, sp2_idxList, log);
  job.res = factored ? detail::iterateFactored(p, K, thresh, alpha, maxveclen > 0, maxveclen,
                                               [&] { return threads(p); },
                                               detail::bestSweepKernel(), log)
                     : detail::iterate(p, K, thresh, alpha, maxveclen > 0, maxveclen,
                                       [&] { return threads(p); }, detail::bestSweepKernel(), log,
                                       detail::RLayout::Auto);
  DEBUGP(log, 210);
  DEBUGP(log, 4);
  job.newScores = detail::scoresBeyondSequenceTerm(p, job.res);
  job.initCount = p.E.size();
}

// A pair that finishes before the pairs ahead of it waits for its turn to be
// stored; made compact at once, it waits in the table's form instead of as a
// dense m*n array (at whole-proteome size several such arrays would wait).
void compactPairJob(PairJob& job, const VecStr& spList, const ProteinIndex& proteins) {
  const int r = proteins.speciesNumber(spList[job.i]), c = proteins.speciesNumber(spList[job.j]);
  // Rows of a pruned run are compact already; the table takes them as they are.
  if (r < 0 || c < 0 || job.res.isSparse) return;
  job.block = MatchScoreTable::compactBlock((int)proteins.proteinsOf[r].size(),
                                            (int)proteins.proteinsOf[c].size(),
                                            std::move(job.res.R), job.res.count);
  job.hasBlock = true;
}

// The pair's result goes into the table and its closing lines are printed.
void storePair(PairJob& job, const VecStr& spList, const ProteinIndex& proteins,
               MatchScoreTable& matchScores) {
  const long finalCount = job.res.count;
  const std::string& sp1 = spList[job.i];
  const std::string& sp2 = spList[job.j];
  // A species without proteins has no number and no scores to keep.
  const int r = proteins.speciesNumber(sp1), c = proteins.speciesNumber(sp2);
  if (job.hasBlock) {
    matchScores.putBlock(r, c, std::move(job.block));
  } else if (r >= 0 && c >= 0) {
    if (job.res.isSparse)
      matchScores.putRows(r, c, std::move(job.res.sparse.rowStart), std::move(job.res.sparse.col),
                          std::move(job.res.sparse.val));
    else
      matchScores.putDense(r, c, std::move(job.res.R), job.res.count);
  }
  job.res = detail::IterationResult();
  job.block = MatchScoreTable::Block();
  std::cerr << sp1 << " " << sp2 << " # scores in finalVec but not in initVec: " << job.newScores
            << " init: " << job.initCount << " final: " << finalCount << std::endl;
  std::cerr << sp1 << " " << sp2 << " # cumulative scores matchscores: " << matchScores.size()
            << std::endl;
}

// Sweep work of a pair grows with the product of the two networks' sizes.
std::vector<double> networkSizes(const ProteinIndex& proteins,
                                 const std::vector<PairRecord>& intxns) {
  std::vector<double> size(proteins.speciesCount(), 1.0);
  for (const PairRecord& e : intxns) {
    const int s = proteins.speciesOf[e.a];
    if (s >= 0 && s == proteins.speciesOf[e.b]) size[s] += 2;
  }
  for (int s = 0; s < proteins.speciesCount(); ++s) size[s] += proteins.proteinsOf[s].size();
  return size;
}

}  // namespace

// A species named twice computes its pairs twice; the second result replaces
// the first, as it would in a map of the scores.
//
// With several pairs and CPUs the pairs run side by side, largest first, each
// sweeping with the CPUs no other pair is using; their results and text are
// taken in pair order. A pair that fails stops the run after the text of the
// pairs before it, as if they had run one after the other.
void computeMatchScores(const VecStr& spList, const VecStr& idList, const ProteinIndex& proteins,
                        const std::vector<PairRecord>& intxns,
                        const std::vector<PairRecord>& blastScores, int K, double thresh,
                        double alpha, int maxveclen, MatchScoreTable& matchScores,
                        const PairFilter& wanted, bool factored) {
  const std::vector<double> largest = detail::largestScores(blastScores, (int)idList.size());
  std::vector<std::unique_ptr<PairJob>> jobs;
  for (size_t i = 0; i < spList.size(); ++i)
    for (size_t j = i + 1; j < spList.size(); ++j) {
      if (spList[i] == spList[j]) continue;
      if (wanted && !wanted(spList[i], spList[j])) continue;
      jobs.emplace_back(new PairJob);
      jobs.back()->i = i;
      jobs.back()->j = j;
    }
  const int cpus = availableCpus();
  const int workers = (int)std::min<size_t>(cpus, jobs.size());
  if (workers <= 1) {
    auto ownThreads = [](const detail::PairProblem& p) { return detail::sweepThreads(p); };
    for (auto& job : jobs) {
      runPairJob(*job, spList, idList, proteins, intxns, blastScores, largest, K, thresh, alpha,
                 maxveclen, factored, ownThreads, std::cerr);
      storePair(*job, spList, proteins, matchScores);
    }
    return;
  }

  const std::vector<double> size = networkSizes(proteins, intxns);
  for (auto& job : jobs) {
    const int a = proteins.speciesNumber(spList[job->i]), b = proteins.speciesNumber(spList[job->j]);
    job->work = (a < 0 ? 1.0 : size[a]) * (b < 0 ? 1.0 : size[b]);
  }
  std::vector<size_t> startOrder(jobs.size());
  for (size_t k = 0; k < jobs.size(); ++k) startOrder[k] = k;
  std::stable_sort(startOrder.begin(), startOrder.end(),
                   [&](size_t x, size_t y) { return jobs[x]->work > jobs[y]->work; });

  std::mutex mutex;
  std::condition_variable finished;
  std::atomic<size_t> next{0};
  std::atomic<int> running{0};
  std::atomic<bool> cancel{false};
  // A pair alone (the others done) sweeps with every CPU again.
  auto shareOfCpus = [&](const detail::PairProblem& p) {
    return std::max(1, std::min(detail::sweepThreads(p), cpus / std::max(1, running.load())));
  };
  auto worker = [&] {
    for (;;) {
      const size_t k = next.fetch_add(1);
      if (k >= jobs.size() || cancel.load()) return;
      PairJob& job = *jobs[startOrder[k]];
      running.fetch_add(1);
      job.log.flags(std::cerr.flags());
      job.log.precision(std::cerr.precision());
      try {
        runPairJob(job, spList, idList, proteins, intxns, blastScores, largest, K, thresh,
                   alpha, maxveclen, factored, shareOfCpus, job.log);
        compactPairJob(job, spList, proteins);
      } catch (...) {
        job.error = std::current_exception();
      }
      running.fetch_sub(1);
      {
        std::lock_guard<std::mutex> lock(mutex);
        job.done = true;
      }
      finished.notify_all();
    }
  };
  std::vector<std::thread> pool;
  try {
    for (int t = 0; t < workers; ++t) pool.emplace_back(worker);
  } catch (const std::system_error&) {
    // Fewer workers than CPUs; with none, this thread computes every pair.
  }
  if (pool.empty()) worker();
  auto joinAll = [&] {
    cancel.store(true);
    for (auto& th : pool) th.join();
  };
  for (auto& job : jobs) {
    {
      std::unique_lock<std::mutex> lock(mutex);
      finished.wait(lock, [&] { return job->done; });
    }
    std::cerr << job->log.str();
    std::ostringstream().swap(job->log);
    if (job->error) {
      joinAll();
      std::rethrow_exception(job->error);
    }
    storePair(*job, spList, proteins, matchScores);
  }
  joinAll();
}

int runTrivanex(int argc, char** argv) {
  int K, maxveclen, cl_max_per_sp;
  double thresh, alpha, cl_min_pri_thresh, cl_min_sec_thresh;
  std::string strategy, prefix, dataDescFile, scorefile;
  std::string finalClusterFile = "tmp_output_cluster.txt";
  std::string exactScores;
  bool readstar, reverse, factored, joint, quiet;

  getoptions(argc, argv, K, thresh, alpha, maxveclen, cl_min_pri_thresh, cl_min_sec_thresh,
             cl_max_per_sp, strategy, prefix, dataDescFile, scorefile, readstar, reverse,
             finalClusterFile, factored, joint, quiet, exactScores);
  // Ends before the closing line, and before a stop's message is printed.
  std::unique_ptr<QuietRun> quietRun(new QuietRun(quiet));
  printRunSummary(std::cerr, K, thresh, alpha, maxveclen, cl_min_pri_thresh, cl_min_sec_thresh,
                  cl_max_per_sp, strategy, dataDescFile, scorefile, readstar, reverse,
                  finalClusterFile);
  DEBUGP(1);
  if (finalClusterFile.empty()) throw RunError::bare("Output cluster file name is null");

  const bool exactMode = !exactScores.empty();
  const bool computeMode = scorefile.empty() && !exactMode;
  ComputeInputs in;
  if (!computeMode) {
    // The joint assembly weighs the networks and sequence scores too, so a
    // read-mode run of it loads them as a compute run does.
    PairCollector blastScores, intxns;
    if (joint)
      grabSequenceAndInteractionData(dataDescFile, in.spList, in.idList, in.id2sp, blastScores,
                                     intxns);
    else
      grabSequenceData(dataDescFile, in.spList, in.idList, in.id2sp);
    std::cerr << "size of sp-list: " << in.spList.size() << std::endl;
    std::cerr << "size of id_list: " << in.idList.size() << std::endl;
    numberProteins(in);
    if (joint) {
      in.blastScores = blastScores.records(in.id2idx);
      in.intxns = intxns.records(in.id2idx);
    }
  } else {
    loadComputeInputs(dataDescFile, in);
  }
  const VecStr& spList = in.spList;
  const VecStr& idList = in.idList;
  const Str2Str& id2sp = in.id2sp;
  const Str2Int& id2idx = in.id2idx;
  const ProteinIndex& proteins = in.proteins;
  DEBUGP(101);

  std::vector<std::string> written;
  // Exact scores are the computed table as it was, so they keep its key order.
  MatchScoreTable matchScores(proteins, computeMode || exactMode ? MatchScoreTable::RowSpeciesFirst
                                                                 : MatchScoreTable::SmallerFirst);
  if (exactMode) {
    DEBUGP(102);
    readExactScores(exactScores, exactRoster(idList, proteins), matchScores);
    DEBUGP(103);
  } else if (!computeMode) {
    DEBUGP(102);
    readMatchScoreFile(scorefile, idList, matchScores);
    DEBUGP(103);
  } else {
    computeMatchScores(spList, idList, proteins, in.intxns, in.blastScores, K, thresh, alpha,
                       maxveclen, matchScores, PairFilter(), factored);
    // The sequence scores and networks are not needed any more, unless the
    // joint assembly weighs them.
    if (!joint) {
      std::vector<PairRecord>().swap(in.blastScores);
      std::vector<PairRecord>().swap(in.intxns);
    }
    DEBUGP(5);
    if (writeOutScores(matchScores, idList, prefix + "_match-score.txt"))
      written.push_back(prefix + "_match-score.txt");
  }

  DEBUGP(6);
  if (joint) {
    if (readstar) std::cerr << "Note: --joint builds no stars; --readstar is ignored" << std::endl;
    JointSummary summary;
    const auto clusters =
        assembleJointClusters(matchScores, in.intxns, in.blastScores, JointSettings(), summary);
    writeJointClusters(clusters, idList, summary, proteins.speciesNames, finalClusterFile);
    DEBUGP(7);
    if (quiet) {
      quietRun.reset();
      written.insert(written.begin(), finalClusterFile);
      std::cerr << closingLine(written, (int)summary.clusters) << std::flush;
    }
    return 0;
  }
  std::cerr << "!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!Run Kpartite non-reverse"
               "!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!"
            << std::endl;
  const ClusteringOutcome outcome = doKpartiteMatchingStartWithStar_nore(
      matchScores, idList, id2idx, id2sp, spList, readstar, finalClusterFile);
  DEBUGP(7);
  if (quiet) {
    quietRun.reset();
    written.insert(written.begin(), finalClusterFile);
    written.insert(written.end(), outcome.starFilesWritten.begin(), outcome.starFilesWritten.end());
    std::cerr << closingLine(written, outcome.clusters) << std::flush;
  }
  return 0;
}
