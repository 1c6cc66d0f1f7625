#include "io/wbm_reader.h"

#include <fstream>
#include <iostream>
#include <string_view>
#include <unordered_set>

#include "base/error.h"
#include "io/loaders.h"
#include "base/text.h"

int readWBMscoreFile(const std::string& fileName, const VecStr& idList, StrPair2Dbl& wbmScores) {
  wbmScores.clear();
  const std::unordered_set<std::string_view> idSet(idList.begin(), idList.end());
  std::ifstream in(fileName);
  if (!in) return 0;  // the caller's count line reports the empty result
  ScoreLineReader records(in, fileName);
  int count = 0;
  while (records.next()) {
    for (std::string_view id : {records.id1(), records.id2()})
      if (!idSet.count(id))
        throw RunError(records.where() + ": identifier " + quoteToken(id) +
                       " is not a protein of this run");
    wbmScores[orderedPair(std::string(records.id1()), std::string(records.id2()))] = records.score();
    ++count;
  }
  return count;
}

void grabSequenceAndInteractionData(const std::string& dataDescFile, VecStr& spList,
                                    VecStr& idList, Str2Str& id2sp, StrPair2Dbl& blastScores,
                                    StrPair2Dbl& intxns, StrPair2Dbl& wbmScores) {
  std::ifstream in(dataDescFile);
  if (!in) throw RunError("cannot open data-description file " + printable(dataDescFile));
  TokenReader tokens(in, dataDescFile);
  std::string dir, suffix;
  tokens.next(dir);
  tokens.next(suffix);

  // The full loader reads the description again from its start and rejects a
  // malformed one, so the tokens below are known to be there.
  grabSequenceAndInteractionData(dataDescFile, spList, idList, id2sp, blastScores, intxns);

  std::string token;
  tokens.next(token);  // species count
  for (size_t i = 0; i < spList.size(); ++i) tokens.next(token);
  std::string name;
  if (!tokens.next(name)) name = "wbm_scores_9dec.dat";
  const std::string path = dir + "/" + name;

  std::cerr << "WBM file name: " << path << std::endl;
  const int count = readWBMscoreFile(path, idList, wbmScores);
  std::cerr << "Number of wbm scores read: " << count << std::endl;
}
