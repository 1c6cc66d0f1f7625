#include "io/match_score_reader.h"

#include <sys/stat.h>

#include <fstream>
#include <string_view>
#include <unordered_set>

#include "base/error.h"
#include "base/text.h"

int readMatchScoreFile(const std::string& fileName, const VecStr& idList, StrPair2Dbl& matchScores) {
  // The fixed texts do not say which file; the "Error:" line after them does.
  const std::string name = printable(fileName);
  std::ifstream in(fileName);
  if (!in)
    throw RunError::bare("The match score file is not exist~!!!\nError: cannot open match-score file " + name);
  struct stat info;
  if (stat(fileName.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
    throw RunError::bare("The match score file is not exist~!!!\nError: " + name + ": is a directory, not a file");
  int first = in.peek();
  if (first == std::char_traits<char>::eof())
    throw RunError::bare("The match score file is empty~!!!\nError: " + name + ": is empty");
  if (first == ' ' || first == '\t')
    throw RunError::bare("The match score file is empty~!!!\nError: " + name + " line 1: starts with a blank");

  // Views into idList, which outlives this call.
  std::unordered_set<std::string_view> idSet(idList.begin(), idList.end());
  ScoreLineReader records(in, fileName);
  int count = 0;
  // Files written by a compute run are sorted, so the previous position is a good hint.
  auto hint = matchScores.end();
  while (records.next()) {
    const std::string_view a = records.id1(), b = records.id2();
    for (std::string_view id : {a, b})
      if (!idSet.count(id))
        throw RunError(records.where() + ": identifier " + quoteToken(id) +
                       " is not a protein of this run");
    StrPair key = a < b ? StrPair(a, b) : StrPair(b, a);
    hint = matchScores.insert_or_assign(hint, std::move(key), records.score());
    ++hint;
    ++count;
  }
  return count;
}
