#include "io/match_score_reader.h"

#include <fstream>
#include <unordered_set>
#include <vector>

#include "cli/error.h"
#include "io/text.h"

int readMatchScoreFile(const std::string& fileName, const VecStr& idList, StrPair2Dbl& matchScores) {
  std::ifstream in(fileName);
  if (!in) throw RunError::bare("The match score file is not exist~!!!");
  int first = in.peek();
  if (first == std::char_traits<char>::eof() || first == ' ' || first == '\t')
    throw RunError::bare("The match score file is empty~!!!");

  const std::unordered_set<std::string> idSet(idList.begin(), idList.end());
  std::string line;
  std::vector<std::string> fields;
  long lineNo = 0;
  int count = 0;
  // Files written by a compute run are sorted, so the previous position is a good hint.
  auto hint = matchScores.end();
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
    hint = matchScores.insert_or_assign(hint, orderedPair(fields[0], fields[1]), score);
    ++hint;
    ++count;
  }
  return count;
}
