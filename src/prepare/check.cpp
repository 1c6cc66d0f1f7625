#include "prepare/check.h"

#include <algorithm>
#include <cstdio>
#include <cstdint>
#include <fstream>
#include <unordered_map>
#include <vector>

#include "base/error.h"
#include "base/text.h"

namespace {

bool fileExists(const std::string& path) {
  std::ifstream in(path);
  return static_cast<bool>(in);
}

bool isGzip(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  char magic[2] = {0, 0};
  in.read(magic, 2);
  return in.gcount() == 2 && static_cast<unsigned char>(magic[0]) == 0x1f &&
         static_cast<unsigned char>(magic[1]) == 0x8b;
}

class Checker {
 public:
  explicit Checker(std::ostream& log) : log_(log) {}

  void warn(const std::string& file, long line, const std::string& what) {
    log_ << "Warning: " << printable(file);
    if (line > 0) log_ << " line " << line;
    log_ << ": " << what << "\n";
    ++warnings_;
  }
  long warnings() const { return warnings_; }
  // What is worth knowing but not a mistake: --strict does not count it.
  void note(const std::string& file, const std::string& what) {
    log_ << "Note: " << printable(file) << ": " << what << "\n";
  }

  // Identifier -> number; species[number] is the species whose network
  // names it (-1 for identifiers met only in pair files).
  int32_t intern(const std::string& id) {
    auto found = ids_.emplace(id, static_cast<int32_t>(species_.size()));
    if (found.second) species_.push_back(-1);
    return found.first->second;
  }
  int& speciesOf(int32_t id) { return species_[id]; }

  bool readable(const std::string& path) {
    if (isGzip(path)) {
      warn(path, 0, "is gzip-compressed; trivanex reads plain text only: decompress it (gunzip), or "
                    "let trivanex-prepare build the folder, which reads gzip");
      return false;
    }
    return true;
  }

 private:
  std::ostream& log_;
  long warnings_ = 0;
  std::unordered_map<std::string, int32_t> ids_;
  std::vector<int> species_;
};

void checkNetwork(Checker& c, const std::string& path, int sp, const std::vector<std::string>& codes) {
  std::ifstream in(path);
  if (!in) {
    c.warn(path, 0, "missing: trivanex stops without the network of " + codes[sp]);
    return;
  }
  if (!c.readable(path)) return;
  std::string line;
  std::vector<std::string> f;
  long lineNo = 0, clashes = 0, badWeights = 0;
  bool header = true, weighted = false;
  while (std::getline(in, line)) {
    ++lineNo;
    splitFields(line, f);
    if (f.empty()) continue;
    size_t start = 0;
    if (header) {
      header = false;
      if (f.size() < 2 || f[0] != "INTERACTOR_A" || f[1] != "INTERACTOR_B") {
        c.warn(path, lineNo, "the header is not 'INTERACTOR_A INTERACTOR_B [CONF_VAL]': trivanex stops");
        return;
      }
      weighted = f.size() > 2 && f[2] == "CONF_VAL";
      if (weighted || f.size() == 2) continue;
      start = 2;
    }
    const size_t width = weighted ? 3 : 2;
    for (size_t k = start; k < f.size(); k += width) {
      for (size_t m = k; m < k + 2 && m < f.size(); ++m) {
        int& s = c.speciesOf(c.intern(f[m]));
        if (s == -1) {
          s = sp;
        } else if (s != sp && clashes++ == 0) {
          c.warn(path, lineNo, quoteToken(f[m]) + " is also a protein of " + codes[s] +
                                   ": identifiers must be unique across species, or trivanex stops");
        }
      }
      double w;
      if (weighted && k + 2 < f.size() && (!parseFiniteDouble(f[k + 2], w) || w < 0 || w > 1) &&
          badWeights++ == 0)
        c.warn(path, lineNo, "the weight " + quoteToken(f[k + 2]) + " is not a number from 0 to 1: trivanex stops");
    }
  }
}

struct PairStats {
  long records = 0;
};

PairStats checkPairFile(Checker& c, const std::string& path, int spA, int spB,
                        const std::vector<std::string>& codes) {
  PairStats stats;
  std::ifstream in(path);
  if (!c.readable(path)) return stats;
  std::string line;
  std::vector<std::string> f;
  long lineNo = 0, wide = 0, unknown = 0, wrongSide = 0, conflicts = 0, badScores = 0;
  long firstWide = 0, firstUnknown = 0, firstConflict = 0;
  double lo = 0, hi = 0;
  // What tells e-values from similarities: exact zeros (searches write 0 for
  // the best e-values), values below 0.001 and the smallest positive value.
  long zeros = 0, tiny = 0;
  double minPositive = 0, maxBelowOne = 0;
  std::unordered_map<uint64_t, double> seen;
  while (std::getline(in, line)) {
    ++lineNo;
    splitFields(line, f);
    if (f.empty()) continue;
    if (f.size() < 3) {
      c.warn(path, lineNo, std::to_string(f.size()) + " fields; a line is 'id_A id_B score': trivanex stops");
      continue;
    }
    if (f.size() > 3 && wide++ == 0) firstWide = lineNo;
    double score;
    if (!parseFiniteDouble(f[2], score)) {
      if (badScores++ == 0)
        c.warn(path, lineNo, "the score " + quoteToken(f[2]) + " is not a number: trivanex stops");
      continue;
    }
    lo = stats.records == 0 ? score : std::min(lo, score);
    hi = stats.records == 0 ? score : std::max(hi, score);
    if (score == 0) ++zeros;
    if (score < 0.001) ++tiny;
    if (score > 0) minPositive = minPositive == 0 ? score : std::min(minPositive, score);
    if (score < 1) maxBelowOne = std::max(maxBelowOne, score);
    ++stats.records;
    int32_t id[2];
    const int want[2] = {spA, spB};
    for (int k = 0; k < 2; ++k) {
      id[k] = c.intern(f[k]);
      const int s = c.speciesOf(id[k]);
      if (s == -1) {
        if (unknown++ == 0) firstUnknown = lineNo;
      } else if (s != want[k] && wrongSide++ == 0) {
        c.warn(path, lineNo, "column " + std::to_string(k + 1) + " names " + quoteToken(f[k]) +
                                 ", a protein of " + codes[s] + ", where the file name says " +
                                 codes[want[k]] + ": columns swapped? trivanex stops");
      }
    }
    const uint64_t key = id[0] < id[1] ? (uint64_t(uint32_t(id[0])) << 32) | uint32_t(id[1])
                                       : (uint64_t(uint32_t(id[1])) << 32) | uint32_t(id[0]);
    auto ins = seen.emplace(key, score);
    if (!ins.second) {
      if (ins.first->second != score && conflicts++ == 0) firstConflict = lineNo;
      ins.first->second = score;
    }
  }
  if (wide)
    c.warn(path, firstWide,
           std::to_string(wide) + " lines with more than 3 fields: trivanex reads 'id_A id_B score' and "
           "ignores the rest, so a raw BLAST or DIAMOND table (-outfmt 6) is read with its percent "
           "identity as the score; build the file with trivanex-prepare --hits, which takes the bit score");
  // E-values: at most about 10 (a search's cut-off), and either many exact
  // zeros or most values below 0.001, spread over several orders of
  // magnitude. Similarities in [0, 1] (larger = better) have neither.
  const bool manyZeros = zeros > 0 && 10 * zeros >= stats.records;
  const bool spread = 2 * tiny > stats.records && minPositive > 0 && maxBelowOne >= 1e4 * minPositive;
  if (stats.records > 0 && lo >= 0 && hi <= 10 && (manyZeros || spread)) {
    char range[64];
    std::snprintf(range, sizeof range, "%g to %g", lo, hi);
    c.warn(path, 0, "the scores look like e-values (" + std::to_string(zeros) + " of " +
                        std::to_string(stats.records) + " exactly 0, " + std::to_string(tiny) +
                        " below 0.001, from " + range + "): trivanex takes a larger score as more similar, "
                        "so the best pairs would count least; use bit scores");
  } else if (stats.records > 0 && lo >= 0 && hi == 100) {
    c.warn(path, 0, "every score lies in [0, 100] and the largest is 100: percent identities? use bit scores");
  }
  // Proteins without interactions are allowed; most of a file's identifiers
  // unknown means the file and the networks name proteins differently.
  if (unknown && unknown > stats.records)
    c.warn(path, firstUnknown,
           std::to_string(unknown) + " of its " + std::to_string(2 * stats.records) +
               " identifiers are named by no network: the pair file and the networks name proteins "
               "differently? (trivanex-prepare --id-map maps one kind of identifier to another)");
  else if (unknown)
    c.note(path, std::to_string(unknown) + " identifiers that no network names (proteins without interactions, "
                 "which trivanex accepts)");
  if (conflicts)
    c.warn(path, firstConflict,
           std::to_string(conflicts) + " pairs given again with a different score: trivanex keeps the "
           "last line's, whatever its size; trivanex-prepare keeps the largest");
  return stats;
}

}  // namespace

long checkDataFolder(const std::string& dataIn, std::ostream& log) {
  rejectDirectory(dataIn);
  std::ifstream desc(dataIn);
  if (!desc) throw RunError("cannot open data-description file " + printable(dataIn));
  std::string dir, suffix;
  int count = 0;
  if (!(desc >> dir >> suffix >> count) || count < 0)
    throw RunError(printable(dataIn) + ": expected the data directory, the suffix and the species count");
  if (suffix == "-") suffix.clear();
  std::vector<std::string> codes(count);
  for (std::string& code : codes)
    if (!(desc >> code)) throw RunError(printable(dataIn) + ": fewer species names than the count says");
  std::sort(codes.begin(), codes.end());

  Checker c(log);
  for (int s = 0; s < count; ++s) checkNetwork(c, dir + "/" + codes[s] + suffix + ".tab", s, codes);
  long pairFiles = 0;
  for (int a = 0; a < count; ++a)
    for (int b = a; b < count; ++b) {
      const std::string path = dir + "/" + codes[a] + "-" + codes[b] + suffix + ".evals";
      const std::string swapped = dir + "/" + codes[b] + "-" + codes[a] + suffix + ".evals";
      PairStats stats;
      if (!fileExists(path)) {
        if (a != b && fileExists(swapped))
          c.warn(path, 0, "missing, but " + printable(swapped) + " exists: trivanex reads only " +
                              codes[a] + "-" + codes[b] + ", the codes in sorted order, and takes the "
                              "missing file as empty; rename it");
        else if (a == b)
          // Within-species scores are optional and many published families
          // have none; in a run they can only raise a protein's largest
          // score, by which its sequence scores are scaled.
          c.note(path, "missing: no within-species scores for " + codes[a] + ", which is allowed");
        else
          c.warn(path, 0, "missing: trivanex reads it as empty");
      } else {
        ++pairFiles;
        if (a != b && fileExists(swapped))
          c.warn(swapped, 0, "is never read: trivanex reads " + printable(path) + ", the codes in sorted order");
        stats = checkPairFile(c, path, a, b, codes);
      }
      if (a != b && stats.records == 0)
        c.warn(path, 0, "no score between " + codes[a] + " and " + codes[b] +
                            ": no protein of one can be matched to the other by sequence");
    }
  log << "checked " << printable(dataIn) << ": " << count << " species, " << pairFiles
      << " pair files, " << c.warnings() << " warnings\n";
  log.flush();
  return c.warnings();
}
