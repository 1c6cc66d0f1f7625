#include "forecast/forecast.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <unordered_map>

#include "base/error.h"
#include "base/text.h"
#include "io/loaders.h"
#include "io/text_input.h"

namespace forecast {

namespace {

// Calibration, measured by bench/forecast.py on two CPUs (README, "Run-cost
// forecast"). Seconds of one CPU per term of a sweep:
const double kNeighbourPairCost = 0.24e-9;  // default sweep, per 2E_a x 2E_b
const double kWeighingCost = 1.37e-9;       // default sweep, per 2E_a x n_b
const double kProteinPairCost = 4.8e-9;     // either sweep, per n_a x n_b
const double kFactoredTermCost = 0.6e-9;    // factored sweep, per n_b x 2E_a + n_a x 2E_b
const double kPruneCost = 20e-9;            // pruned run, ranking a score after a sweep
// With the default threshold a pair stops after four sweeps on every family
// measured (the change is first measured at the fourth).
const double kSweeps = 4;
// Two CPUs share the sweeps of a pair, or run two pairs side by side; a
// pruned run sorts its vector on one CPU after every sweep.
const int kCpus = 2;
const double kParallel[kModes] = {1.8, 1.8, 1.5};
// Wall seconds per input record (loading) and per match-score line
// (formatting the file, then the clustering that reads the table).
const double kLoadCost = 1.5e-6;
const double kLineCost = 63e-9;
const double kStartSeconds = 0.05;
// Memory: a fixed base, per input record, and per protein pair of a pair
// being iterated (the iterate and its previous copy, 8 bytes each; a
// factored run keeps a copy above 256 MiB in a scratch file instead).
const double kBaseBytes = 5e6;
const double kRecordBytes = 150;
const double kScratchCopyAbove = 256.0 * 1024 * 1024;
// A score written is about 1e-9 or more after normalisation; a pair of
// connected proteins holds about this share of the mass spread in proportion
// to the degree product (the network term's fixed point).
const double kSpreadShare = 0.5;
const double kSmallestScore = 1e-9;
const double kScoreChars = 11;  // "%.6g" of a score below 1e-4: 1.23457e-07

// The table keeps a finished pair dense, packed (a bit a pair) or as rows,
// whichever the scores' count makes smallest.
double tableBytes(double scores, double cells) {
  if (scores * 8 < cells) return scores * 12;
  if (scores * 8 + cells * 1.5 / 8 < cells * 8) return scores * 8 + cells * 1.5 / 8;
  return cells * 8;
}

// Pairs (i, j) of connected proteins whose share of the spread mass is at
// least the smallest score kept.
double spreadPairs(const std::vector<int>& da, const std::vector<int>& db, double sumA, double sumB) {
  if (sumA <= 0 || sumB <= 0) return 0;
  std::vector<int> b;
  for (int d : db)
    if (d > 0) b.push_back(d);
  std::sort(b.begin(), b.end());
  const double need = kSmallestScore * sumA * sumB / kSpreadShare;
  double count = 0;
  for (int d : da) {
    if (d <= 0) continue;
    const double minB = need / d;
    const auto it = std::lower_bound(b.begin(), b.end(), minB, [](int x, double v) { return x < v; });
    count += (double)(b.end() - it);
  }
  return count;
}

std::string seconds(double s) {
  char buf[64];
  if (s < 10)
    std::snprintf(buf, sizeof buf, "%.1f s", s);
  else if (s < 600)
    std::snprintf(buf, sizeof buf, "%.0f s", s);
  else if (s < 36000)
    std::snprintf(buf, sizeof buf, "%.0f min", s / 60);
  else
    std::snprintf(buf, sizeof buf, "%.1f h", s / 3600);
  return buf;
}

std::string bytes(double b) {
  char buf[64];
  if (b < 1e6)
    std::snprintf(buf, sizeof buf, "%.0f kB", std::max(1.0, b / 1e3));
  else if (b < 1e9)
    std::snprintf(buf, sizeof buf, "%.0f MB", b / 1e6);
  else
    std::snprintf(buf, sizeof buf, "%.1f GB", b / 1e9);
  return buf;
}

std::string count(double x) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.3g", x);
  return buf;
}

const char* modeName(int m) {
  return m == kDefault ? "default" : m == kFactored ? "--factored" : "--maxveclen 1000000";
}

}  // namespace

FolderSize measureFolder(const std::string& dataIn) {
  const DataDescription d = readDataDescription(dataIn);
  FolderSize f;
  const size_t n = d.species.size();
  std::vector<std::unordered_map<std::string, int>> index(n);
  std::vector<double> idChars(n, 0);
  f.species.resize(n);
  auto protein = [&](size_t s, const std::string& id) -> int& {
    auto found = index[s].emplace(id, (int)f.species[s].degrees.size());
    if (found.second) {
      f.species[s].degrees.push_back(0);
      idChars[s] += (double)id.size();
    }
    return f.species[s].degrees[found.first->second];
  };
  std::string line;
  VecStr fields;
  for (size_t s = 0; s < n; ++s) {
    f.species[s].code = d.species[s];
    TextInput in(d.networkFile(d.species[s]));
    bool header = true;
    while (in.getLine(line)) {
      splitFields(line, fields);
      if (header) {
        header = false;
        continue;
      }
      if (fields.size() < 2) continue;
      ++protein(s, fields[0]);
      ++protein(s, fields[1]);
      ++f.species[s].interactions;
      ++f.interactionLines;
    }
  }
  f.hits.assign(n * n, 0);
  for (size_t a = 0; a < n; ++a)
    for (size_t b = a; b < n; ++b) {
      const std::string path = d.pairFile(d.species[a], d.species[b]);
      if (!std::ifstream(path)) continue;  // a missing pair file reads as empty
      TextInput in(path);
      while (in.getLine(line)) {
        splitFields(line, fields);
        if (fields.size() < 3) continue;
        protein(a, fields[0]);
        protein(b, fields[1]);
        ++f.hits[a * n + b];
      }
    }
  for (size_t s = 0; s < n; ++s)
    if (!f.species[s].degrees.empty()) f.species[s].meanIdLength = idChars[s] / f.species[s].degrees.size();
  return f;
}

Forecast forecastRun(const FolderSize& folder, double memoryBytes) {
  Forecast fc;
  const size_t n = folder.species.size();
  double records = (double)folder.interactionLines;
  for (long h : folder.hits) records += (double)h;
  double biggest[kModes][2] = {};  // iterate bytes of the two largest pairs
  double tables[kModes] = {}, lastExtra[kModes] = {}, smallest = -1;
  for (size_t a = 0; a < n; ++a)
    for (size_t b = a + 1; b < n; ++b) {
      const SpeciesSize& A = folder.species[a];
      const SpeciesSize& B = folder.species[b];
      PairForecast p;
      p.name = A.code + "-" + B.code;
      const double na = (double)A.degrees.size(), nb = (double)B.degrees.size();
      double da = 0, db = 0, ca = 0, cb = 0;
      for (int d : A.degrees) da += d, ca += d > 0;
      for (int d : B.degrees) db += d, cb += d > 0;
      p.proteinPairs = na * nb;
      p.neighbourTerms = da * db;
      p.factoredTerms = nb * da + na * db;
      // Scores: pairs the network term spreads to, and pairs of an
      // unconnected protein kept by their sequence score.
      const double isolatedShare = p.proteinPairs > 0 ? 1 - ca * cb / p.proteinPairs : 0;
      const double spread = spreadPairs(A.degrees, B.degrees, da, db);
      const double scores =
          std::min(p.proteinPairs, spread + isolatedShare * (double)folder.hits[a * n + b]);
      const double lineBytes = A.meanIdLength + B.meanIdLength + 3 + kScoreChars;
      const double defaultSweep =
          kNeighbourPairCost * p.neighbourTerms + kWeighingCost * da * nb + kProteinPairCost * p.proteinPairs;
      const double factoredSweep = kFactoredTermCost * p.factoredTerms + kProteinPairCost * p.proteinPairs;
      for (int m = 0; m < kModes; ++m) {
        Cost& c = p.mode[m];
        c.cpuSeconds = kSweeps * (m == kFactored ? factoredSweep : defaultSweep);
        if (m == kPruned) c.cpuSeconds += kSweeps * kPruneCost * scores;
        c.wallSeconds = c.cpuSeconds / kParallel[m];
        c.scores = m == kPruned ? std::min(scores, (double)kForecastMaxveclen + 1) : scores;
        c.fileBytes = c.scores * lineBytes;
        const double iterate =
            p.proteinPairs * (m == kFactored && 8 * p.proteinPairs > kScratchCopyAbove ? 8 : 16);
        c.peakBytes = iterate;
        const double table = tableBytes(c.scores, p.proteinPairs);
        tables[m] += table;
        if (iterate > biggest[m][0]) {
          biggest[m][1] = biggest[m][0];
          biggest[m][0] = iterate;
        } else if (iterate > biggest[m][1]) {
          biggest[m][1] = iterate;
        }
        // The smallest pair runs last, beside the table of all the others.
        if (smallest < 0 || p.proteinPairs < smallest) lastExtra[m] = std::max(0.0, iterate - table);
        Cost& t = fc.total[m];
        t.cpuSeconds += c.cpuSeconds;
        t.scores += c.scores;
        t.fileBytes += c.fileBytes;
      }
      if (smallest < 0 || p.proteinPairs < smallest) smallest = p.proteinPairs;
      fc.proteinPairs += p.proteinPairs;
      fc.neighbourTerms += p.neighbourTerms;
      fc.factoredTerms += p.factoredTerms;
      fc.pairs.push_back(p);
    }
  for (int m = 0; m < kModes; ++m) {
    Cost& t = fc.total[m];
    const double serial = kStartSeconds + kLoadCost * records + kLineCost * t.scores;
    t.wallSeconds = serial + t.cpuSeconds / kParallel[m];
    t.cpuSeconds += serial;
    const double running = fc.pairs.size() > 1 ? biggest[m][0] + biggest[m][1] : biggest[m][0];
    t.peakBytes = kBaseBytes + kRecordBytes * records + std::max(running, tables[m] + lastExtra[m]);
  }

  // The default run where it is quick or hardly slower and fits; else the
  // factored sweep (scores equal up to rounding); else a pruned run.
  const double room = 0.8 * memoryBytes;
  const Cost& d = fc.total[kDefault];
  const Cost& f = fc.total[kFactored];
  if (d.peakBytes <= room && (d.wallSeconds <= 120 || d.wallSeconds <= 1.5 * f.wallSeconds)) {
    fc.recommended = kDefault;
    fc.reason = "the default run: quick enough, and it fits in memory";
  } else if (f.peakBytes <= room) {
    fc.recommended = kFactored;
    char times[32];
    std::snprintf(times, sizeof times, "%.1f", d.wallSeconds / std::max(f.wallSeconds, 1e-9));
    fc.reason = std::string("--factored: about ") + times +
                " times faster, scores equal to the default run's up to rounding";
  } else {
    fc.recommended = kPruned;
    fc.reason = "--maxveclen 1000000: the other runs need more than 80% of this machine's " +
                bytes(memoryBytes) + " of memory";
  }
  if (fc.recommended != kPruned && fc.total[fc.recommended].fileBytes > 10e9)
    fc.reason += "; its match-score file is large, --maxveclen 1000000 writes " +
                 bytes(fc.total[kPruned].fileBytes);
  return fc;
}

void printForecast(const Forecast& f, std::ostream& out) {
  char buf[256];
  out << "run-cost forecast (trivanex on 2 CPUs, " << (int)kSweeps
      << " sweeps a pair; README \"Run-cost forecast\"):\n";
  std::snprintf(buf, sizeof buf, "  %-12s %13s %13s  %-20s %8s %8s %12s %12s\n", "pair", "protein pairs",
                "terms/sweep", "mode", "wall", "CPU", "peak memory", "file");
  out << buf;
  auto row = [&](const std::string& name, double pairs, double terms, int m, const Cost& c) {
    std::snprintf(buf, sizeof buf, "  %-12s %13s %13s  %-20s %8s %8s %12s %12s\n", name.c_str(),
                  count(pairs).c_str(), count(terms).c_str(), modeName(m), seconds(c.wallSeconds).c_str(),
                  seconds(c.cpuSeconds).c_str(), bytes(c.peakBytes).c_str(), bytes(c.fileBytes).c_str());
    out << buf;
  };
  for (const PairForecast& p : f.pairs)
    for (int m = 0; m < kModes; ++m)
      row(p.name, p.proteinPairs, m == kFactored ? p.factoredTerms : p.neighbourTerms, m, p.mode[m]);
  for (int m = 0; m < kModes; ++m)
    row("total", f.proteinPairs, m == kFactored ? f.factoredTerms : f.neighbourTerms, m, f.total[m]);
  out << "  recommended: " << f.reason << "\n";
}

void printRunForecast(const std::string& dataIn, std::ostream& out) {
  try {
    const double memory = (double)sysconf(_SC_PHYS_PAGES) * (double)sysconf(_SC_PAGE_SIZE);
    printForecast(forecastRun(measureFolder(dataIn), memory), out);
  } catch (const RunError& e) {
    out << "Note: no run-cost forecast: " << e.what() << "\n";
  }
}

}  // namespace forecast
