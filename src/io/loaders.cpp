#include "io/loaders.h"

#include <algorithm>
#include <functional>
#include <fstream>
#include <iostream>

#include <sys/stat.h>
#include <unistd.h>

#include "base/error.h"
#include "io/readers.h"
#include "base/text.h"

DataDescription readDataDescription(const std::string& dataDescFile) {
  std::ifstream in(dataDescFile);
  if (!in) throw RunError("cannot open data-description file " + printable(dataDescFile));
  rejectDirectory(dataDescFile);
  const std::string label = printable(dataDescFile);
  TokenReader tokens(in, dataDescFile);
  DataDescription d;
  std::string countToken;
  if (!tokens.next(d.dir) || !tokens.next(d.suffix) || !tokens.next(countToken))
    throw RunError(label + ": expected a data directory, a file-name suffix and a species count");
  int count = 0;
  bool digitsOnly = std::all_of(countToken.begin(), countToken.end(),
                                [](char c) { return c >= '0' && c <= '9'; });
  if (!digitsOnly || !parseInt(countToken, count))
    throw RunError(label + " line " + std::to_string(tokens.line()) + ": species count " +
                   quoteToken(countToken) + " is not a non-negative integer");
  if (d.suffix == "-") d.suffix = "";
  std::string name;
  for (int i = 0; i < count; ++i) {
    if (!tokens.next(name))
      throw RunError(label + ": names " + std::to_string(i) + " species, the count says " +
                     std::to_string(count));
    d.species.push_back(name);
  }
  std::sort(d.species.begin(), d.species.end());
  return d;
}

namespace {

// The stop for a network file that cannot be opened, when the reason is that
// the data directory itself is not there: the usual cause is a relative data
// directory and a run started from another folder, so the message says where
// a relative one is looked for. Any other stop is passed on as it is.
RunError explainMissingDataDirectory(const RunError& stop, const DataDescription& d,
                                     const std::string& dataDescFile) {
  if (d.dir.empty()) return stop;
  struct stat info;
  const bool exists = stat(d.dir.c_str(), &info) == 0;
  if (exists && S_ISDIR(info.st_mode)) return stop;
  std::string message = std::string(stop.what()) + ": the data directory '" + printable(d.dir) +
                        "' named in " + printable(dataDescFile) +
                        (exists ? " is not a directory" : " does not exist");
  if (d.dir[0] != '/') {
    std::string cwd(4096, '\0');
    message += "; a relative data directory is taken from the working directory";
    if (getcwd(&cwd[0], cwd.size()) != nullptr) message += ", " + printable(cwd.c_str());
  }
  return RunError(message);
}

// The one loading sequence behind every loader: the pair files (all of them
// for the identifiers, when `scores` is set), then the network files when
// `networks` is set. Each record goes to its sink, when there is one.
void load(const std::string& dataDescFile, bool scores, bool networks, VecStr& spList,
          VecStr& idList, Str2Str& id2sp, const RecordSink* scoreSink,
          const std::function<size_t()>& scoreCount, const RecordSink* networkSink) {
  DataDescription d = readDataDescription(dataDescFile);
  spList = d.species;
  idList.clear();
  id2sp.clear();

  const size_t n = spList.size();
  if (scores) {
    for (size_t i = 0; i < n; ++i)
      for (size_t j = i; j < n; ++j)
        readBlastScoreRecords(d.pairFile(spList[i], spList[j]), spList[i], spList[j], idList, id2sp,
                              scoreSink);
    if (scoreSink) std::cerr << "Number of blast scores read: " << scoreCount() << std::endl;
  }
  if (networks)
    for (size_t i = 0; i < n; ++i) {
      try {
        readIntxnRecords(d.networkFile(spList[i]), spList[i], idList, id2sp, networkSink);
      } catch (const RunError& stop) {
        throw explainMissingDataDirectory(stop, d, dataDescFile);
      }
    }
}

RecordSink mapSink(StrPair2Dbl& pairs) {
  return [&pairs](const std::string& id1, const std::string& id2, double value) {
    pairs[orderedPair(id1, id2)] = value;
  };
}

}  // namespace

void grabSequenceAndInteractionData(const std::string& dataDescFile, VecStr& spList,
                                    VecStr& idList, Str2Str& id2sp, StrPair2Dbl& blastScores,
                                    StrPair2Dbl& intxns) {
  blastScores.clear();
  intxns.clear();
  const RecordSink scores = mapSink(blastScores), networks = mapSink(intxns);
  load(dataDescFile, true, true, spList, idList, id2sp, &scores,
       [&] { return blastScores.size(); }, &networks);
}

void grabSequenceAndInteractionData(const std::string& dataDescFile, VecStr& spList,
                                    VecStr& idList, Str2Str& id2sp, PairCollector& blastScores,
                                    PairCollector& intxns) {
  blastScores = PairCollector();
  intxns = PairCollector();
  const RecordSink scores = blastScores.sink(), networks = intxns.sink();
  load(dataDescFile, true, true, spList, idList, id2sp, &scores,
       [&] { return (size_t)blastScores.size(); }, &networks);
}

void grabIdentifiersAndInteractions(const std::string& dataDescFile, VecStr& spList, VecStr& idList,
                                    Str2Str& id2sp, PairCollector& intxns) {
  intxns = PairCollector();
  const RecordSink networks = intxns.sink();
  load(dataDescFile, true, true, spList, idList, id2sp, nullptr, nullptr, &networks);
}

void grabIdentifiersAndScores(const std::string& dataDescFile, VecStr& spList, VecStr& idList,
                              Str2Str& id2sp, PairCollector& blastScores) {
  blastScores = PairCollector();
  const RecordSink scores = blastScores.sink();
  load(dataDescFile, true, true, spList, idList, id2sp, &scores, [&] { return (size_t)blastScores.size(); },
       nullptr);
}

void grabSequenceData(const std::string& dataDescFile, VecStr& spList, VecStr& idList,
                      Str2Str& id2sp) {
  // The networks are read for their identifiers; no record is kept.
  load(dataDescFile, true, true, spList, idList, id2sp, nullptr, nullptr, nullptr);
}

void grabSequenceData(const std::string& dataDescFile, VecStr& spList, VecStr& idList,
                      Str2Str& id2sp, StrPair2Dbl& blastScores) {
  blastScores.clear();
  const RecordSink scores = mapSink(blastScores);
  load(dataDescFile, true, false, spList, idList, id2sp, &scores,
       [&] { return blastScores.size(); }, nullptr);
}

void grabInteractionData(const std::string& dataDescFile, VecStr& spList, VecStr& idList,
                         Str2Str& id2sp, StrPair2Dbl& intxns) {
  intxns.clear();
  const RecordSink networks = mapSink(intxns);
  load(dataDescFile, false, true, spList, idList, id2sp, nullptr, nullptr, &networks);
}

int PairCollector::intern(const std::string& id) {
  auto it = number_.find(id);
  if (it != number_.end()) return it->second;
  const int k = (int)names_.size();
  number_.emplace(id, k);
  names_.push_back(id);
  return k;
}

RecordSink PairCollector::sink() {
  return [this](const std::string& id1, const std::string& id2, double value) {
    const uint64_t a = (uint64_t)intern(id1), b = (uint64_t)intern(id2);
    values_[a < b ? (a << 32 | b) : (b << 32 | a)] = value;
  };
}

long PairCollector::pairsBetweenSpecies(const Str2Str& id2sp) const {
  VecStr speciesOf(names_.size());
  for (size_t k = 0; k < names_.size(); ++k) speciesOf[k] = id2sp.at(names_[k]);
  long between = 0;
  for (const auto& e : values_)
    if (speciesOf[e.first >> 32] != speciesOf[e.first & 0xffffffffu]) ++between;
  return between;
}

std::vector<PairRecord> PairCollector::records(const Str2Int& id2idx) const {
  VecInt number(names_.size());
  for (size_t k = 0; k < names_.size(); ++k) number[k] = id2idx.at(names_[k]);
  std::vector<PairRecord> out;
  out.reserve(values_.size());
  for (const auto& e : values_) {
    const int a = number[e.first >> 32], b = number[e.first & 0xffffffffu];
    out.push_back({std::min(a, b), std::max(a, b), e.second});
  }
  std::sort(out.begin(), out.end(), [](const PairRecord& x, const PairRecord& y) {
    return x.a != y.a ? x.a < y.a : x.b < y.b;
  });
  return out;
}
