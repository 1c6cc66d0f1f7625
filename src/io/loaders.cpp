#include "io/loaders.h"

#include <algorithm>
#include <fstream>
#include <iostream>

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

enum class Scores { None, Full, IdsOnly };

void load(const std::string& dataDescFile, Scores scores, bool networks, VecStr& spList,
          VecStr& idList, Str2Str& id2sp, StrPair2Dbl* blastScores, StrPair2Dbl* intxns) {
  DataDescription d = readDataDescription(dataDescFile);
  spList = d.species;
  idList.clear();
  id2sp.clear();
  if (blastScores) blastScores->clear();
  if (intxns) intxns->clear();

  const size_t n = spList.size();
  if (scores != Scores::None) {
    for (size_t i = 0; i < n; ++i)
      for (size_t j = i; j < n; ++j) {
        const std::string file = d.pairFile(spList[i], spList[j]);
        if (scores == Scores::Full)
          readBlastScoresFile(file, spList[i], spList[j], idList, id2sp, *blastScores);
        else
          readBlastScoresFile(file, spList[i], spList[j], idList, id2sp);
      }
    if (scores == Scores::Full)
      std::cerr << "Number of blast scores read: " << blastScores->size() << std::endl;
  }
  if (networks) {
    StrPair2Dbl scratch;  // the identifier-only loader reads the networks but keeps no weight
    StrPair2Dbl& target = intxns ? *intxns : scratch;
    for (size_t i = 0; i < n; ++i)
      readIntxnFile(d.networkFile(spList[i]), spList[i], idList, id2sp, target);
  }
}

}  // namespace

void grabSequenceAndInteractionData(const std::string& dataDescFile, VecStr& spList,
                                    VecStr& idList, Str2Str& id2sp, StrPair2Dbl& blastScores,
                                    StrPair2Dbl& intxns) {
  load(dataDescFile, Scores::Full, true, spList, idList, id2sp, &blastScores, &intxns);
}

void grabSequenceData(const std::string& dataDescFile, VecStr& spList, VecStr& idList,
                      Str2Str& id2sp) {
  load(dataDescFile, Scores::IdsOnly, true, spList, idList, id2sp, nullptr, nullptr);
}

void grabSequenceData(const std::string& dataDescFile, VecStr& spList, VecStr& idList,
                      Str2Str& id2sp, StrPair2Dbl& blastScores) {
  load(dataDescFile, Scores::Full, false, spList, idList, id2sp, &blastScores, nullptr);
}

void grabInteractionData(const std::string& dataDescFile, VecStr& spList, VecStr& idList,
                         Str2Str& id2sp, StrPair2Dbl& intxns) {
  load(dataDescFile, Scores::None, true, spList, idList, id2sp, nullptr, &intxns);
}
