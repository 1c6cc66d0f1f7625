// The power iteration's sweeps as a run's standard error tells them: for each
// species pair, the entries of the score vector after every sweep and the
// change the run measured between sweeps.
#pragma once

#include <istream>
#include <string>
#include <vector>

struct SweepStep {
  int iteration = 0;     // the run's "K: r"
  long entries = -1;     // vector entries after this sweep's normalisation; -1 unknown
  double change = -1;    // "avg change in last iter" printed at this iteration; -1 none
  long pruned = -1;      // entries before pruning, when the sweep pruned; -1 none
};

struct PairSweeps {
  std::string species1, species2;
  long initialEntries = -1;  // sequence-score entries the iteration started from
  long finalEntries = -1;
  std::vector<SweepStep> steps;
};

// Reads the pairs in log order. Lines that do not parse as one of the
// iteration's progress lines are skipped, so a log with other chatter, or
// from a version that words a line differently, still gives what it can;
// sweeps not closed by their pair's summary line are dropped.
std::vector<PairSweeps> parseProgressLog(std::istream& in);
