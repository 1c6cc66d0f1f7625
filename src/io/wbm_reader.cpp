#include "io/wbm_reader.h"

#include <fstream>
#include <iostream>
#include <unordered_set>
#include <vector>

#include "cli/error.h"
#include "io/loaders.h"
#include "io/text.h"

int readWBMscoreFile(const std::string& fileName, const VecStr& idList, StrPair2Dbl& wbmScores) {
  wbmScores.clear();
  const std::unordered_set<std::string> idSet(idList.begin(), idList.end());
  std::ifstream in(fileName);
  if (!in) return 0;  // the caller's count line reports the empty result
  std::string line;
  std::vector<std::string> fields;
  long lineNo = 0;
  int count = 0;
  while (std::getline(in, line)) {
    ++lineNo;
    splitFields(line, fields);
    if (fields.empty()) continue;
    const std::string where = fileName + " line " + std::to_string(lineNo);
    if (fields.size() < 3) throw RunError(where + ": fewer than three fields");
    double score;
    if (!parseFiniteDouble(fields[2], score))
      throw RunError(where + ": score '" + fields[2] + "' is not a number");
    for (int f = 0; f < 2; ++f)
      if (!idSet.count(fields[f]))
        throw RunError(where + ": identifier '" + fields[f] + "' is not a protein of this run");
    wbmScores[orderedPair(fields[0], fields[1])] = score;
    ++count;
  }
  return count;
}

void grabSequenceAndInteractionData(const std::string& dataDescFile, VecStr& spList,
                                    VecStr& idList, Str2Str& id2sp, StrPair2Dbl& blastScores,
                                    StrPair2Dbl& intxns, StrPair2Dbl& wbmScores) {
  std::ifstream in(dataDescFile);
  if (!in) throw RunError("cannot open data-description file " + dataDescFile);
  TokenReader tokens(in);
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
