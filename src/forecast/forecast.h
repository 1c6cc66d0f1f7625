// The run-cost forecast: what a trivanex run on a data folder will cost in
// wall time, peak memory and match-score file size, by default, with
// --factored and with --maxveclen, before anyone starts it. trivanex-prepare
// prints it under its summary and under --check.
//
// The model counts what a sweep does (protein pairs, neighbour-pair terms
// 2E_a x 2E_b, factored terms n_b x 2E_a + n_a x 2E_b) and what a run holds
// (the dense iterates of the pairs running side by side, the finished pairs'
// table); its constants were measured by bench/forecast.py on the two-CPU
// machine the README names, and they hold there within a factor of two on the
// NAPAbench families and the BioGRID-shaped synthetic families.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace forecast {

// What the forecast needs of a species: its proteins (every identifier of
// its network and of the pair files that name it), their interaction counts
// and the mean length of their identifiers (for the file size).
struct SpeciesSize {
  std::string code;
  std::vector<int> degrees;  // one per protein; 0 for proteins only in pair files
  double meanIdLength = 0;
  long interactions = 0;
};

struct FolderSize {
  std::vector<SpeciesSize> species;  // in sorted code order
  std::vector<long> hits;            // records of pair file (a, b), a <= b, at a * n + b
  long interactionLines = 0;
};

// Reads the data-description file and the files it names (the data
// directory taken from the working directory, as trivanex takes it); a
// missing pair file is an empty one. RunError on an unreadable
// description or network file.
FolderSize measureFolder(const std::string& dataIn);

enum Mode { kDefault = 0, kFactored = 1, kPruned = 2, kModes = 3 };
// The --maxveclen of the pruned forecast.
constexpr long kForecastMaxveclen = 1000000;

struct Cost {
  double cpuSeconds = 0;
  double wallSeconds = 0;
  double peakBytes = 0;
  double fileBytes = 0;
  double scores = 0;  // lines of the match-score file
};

struct PairForecast {
  std::string name;              // A-B
  double proteinPairs = 0;       // n_a x n_b
  double neighbourTerms = 0;     // 2E_a x 2E_b, a sweep
  double factoredTerms = 0;      // n_b x 2E_a + n_a x 2E_b, a sweep
  Cost mode[kModes];             // the pair alone: its sweeps, its iterate, its lines
};

struct Forecast {
  std::vector<PairForecast> pairs;
  double proteinPairs = 0, neighbourTerms = 0, factoredTerms = 0;
  Cost total[kModes];  // the whole run: loading, every pair, the file, the clustering
  Mode recommended = kDefault;
  std::string reason;
};

// `memoryBytes`: the memory of the machine the run is meant for (a run that
// needs more than 80% of it is not recommended).
Forecast forecastRun(const FolderSize& folder, double memoryBytes);

// The block printed by trivanex-prepare: one row a species pair and mode,
// the totals, and the recommendation.
void printForecast(const Forecast& f, std::ostream& out);

// measureFolder, forecastRun for this machine's memory and printForecast;
// a folder that cannot be measured gives one "Note:" line instead.
void printRunForecast(const std::string& dataIn, std::ostream& out);

}  // namespace forecast
