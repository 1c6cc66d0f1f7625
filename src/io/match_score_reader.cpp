#include "io/match_score_reader.h"

#include <sys/stat.h>

#include <fstream>
#include <string_view>
#include <unordered_map>

#include "base/error.h"
#include "base/text.h"

namespace {

// Reads the records of a match-score file and hands each to add(a, b, score)
// with a and b the identifiers' positions in idList. Files written by a
// compute run are sorted, so the first identifier usually repeats and the
// second is usually the protein after the previous one: both are tried
// before the hash.
template <class Add>
int readMatchScoreRecords(const std::string& fileName, const VecStr& idList, Add add) {
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
  std::unordered_map<std::string_view, int> number;
  number.reserve(idList.size() * 2 + 1);
  for (size_t i = 0; i < idList.size(); ++i) number.emplace(idList[i], (int)i);
  ScoreLineReader records(in, fileName);
  auto lookup = [&](std::string_view id) {
    auto it = number.find(id);
    if (it == number.end())
      throw RunError(records.where() + ": identifier " + quoteToken(id) +
                     " is not a protein of this run");
    return it->second;
  };
  const int N = (int)idList.size();
  int count = 0, a = -1, b = -1;
  while (records.next()) {
    const std::string_view x = records.id1(), y = records.id2();
    if (a < 0 || idList[a] != x) a = lookup(x);
    if (b + 1 < N && idList[b + 1] == y)
      ++b;
    else if (b < 0 || idList[b] != y)
      b = lookup(y);
    add(a, b, records.score());
    ++count;
  }
  return count;
}

}  // namespace

int readMatchScoreFile(const std::string& fileName, const VecStr& idList, StrPair2Dbl& matchScores) {
  auto hint = matchScores.end();
  return readMatchScoreRecords(fileName, idList, [&](int a, int b, double score) {
    const std::string& x = idList[a];
    const std::string& y = idList[b];
    hint = matchScores.insert_or_assign(hint, x < y ? StrPair(x, y) : StrPair(y, x), score);
    ++hint;
  });
}

int readMatchScoreFile(const std::string& fileName, const VecStr& idList, MatchScoreTable& table) {
  const int count = readMatchScoreRecords(fileName, idList,
                                          [&](int a, int b, double score) { table.set(a, b, score); });
  table.finish();
  return count;
}
