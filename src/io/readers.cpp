#include "io/readers.h"

#include <fstream>
#include <iostream>
#include <vector>

#include "base/error.h"
#include "base/text.h"

void registerIdentifier(const std::string& id, const std::string& sp, VecStr& idList,
                        Str2Str& id2sp, const std::string& where) {
  auto it = id2sp.lower_bound(id);
  if (it != id2sp.end() && it->first == id) {
    if (it->second != sp) {
      throw RunError(where + ": identifier " + quoteToken(id) + " of species " + quoteToken(sp) +
                     " is already a protein of species " + quoteToken(it->second));
    }
    return;
  }
  id2sp.emplace_hint(it, id, sp);
  idList.push_back(id);
}

int readIntxnFile(const std::string& fileName, const std::string& sp, VecStr& idList,
                  Str2Str& id2sp, StrPair2Dbl& intxns) {
  const RecordSink sink = [&](const std::string& id1, const std::string& id2, double weight) {
    intxns[orderedPair(id1, id2)] = weight;
  };
  return readIntxnRecords(fileName, sp, idList, id2sp, &sink);
}

int readIntxnRecords(const std::string& fileName, const std::string& sp, VecStr& idList,
                     Str2Str& id2sp, const RecordSink* sink) {
  std::cerr << "intxn file: " << fileName << std::endl;
  std::ifstream in(fileName);
  if (!in) throw RunError("cannot open network file " + printable(fileName));
  rejectDirectory(fileName);

  const std::string name = printable(fileName);
  TokenReader tokens(in, fileName);
  std::string a, b, third;
  if (!tokens.next(a) || !tokens.next(b))
    throw RunError(name + ": incomplete header, expected 'INTERACTOR_A INTERACTOR_B'");
  if (a != "INTERACTOR_A" || b != "INTERACTOR_B")
    throw RunError(name + " line " + std::to_string(tokens.line()) +
                   ": bad header, expected 'INTERACTOR_A INTERACTOR_B'");

  bool haveThird = tokens.next(third);
  const bool weighted = haveThird && third == "CONF_VAL";
  // Without CONF_VAL the third token already is the first identifier of the first record.
  bool pendingFirst = haveThird && !weighted;

  int count = 0;
  std::string id1, id2, weightToken;
  while (true) {
    if (pendingFirst) {
      id1 = third;
      pendingFirst = false;
    } else if (!tokens.next(id1)) {
      break;
    }
    const long recordLine = tokens.line();
    if (!tokens.next(id2))
      throw RunError(name + " line " + std::to_string(recordLine) + ": identifier " + quoteToken(id1) +
                     " has no interaction partner");
    double weight = 1.0;
    if (weighted) {
      if (!tokens.next(weightToken))
        throw RunError(name + " line " + std::to_string(tokens.line()) + ": interaction " +
                       quoteToken(id1) + " " + quoteToken(id2) + " has no weight");
      if (!parseFiniteDouble(weightToken, weight))
        throw RunError(name + " line " + std::to_string(tokens.line()) + ": weight " +
                       quoteToken(weightToken) + " is not a number");
      if (weight < 0 || weight > 1)
        throw RunError(name + " line " + std::to_string(tokens.line()) + ": weight " +
                       quoteToken(weightToken) + " is outside 0 to 1");
    }
    const std::string where = name + " line " + std::to_string(recordLine);
    registerIdentifier(id1, sp, idList, id2sp, where);
    registerIdentifier(id2, sp, idList, id2sp, where);
    if (sink) (*sink)(id1, id2, weight);
    ++count;
  }
  return count;
}

int readBlastScoreRecords(const std::string& fileName, const std::string& sp1,
                          const std::string& sp2, VecStr& idList, Str2Str& id2sp,
                          const RecordSink* sink) {
  if (sink)
    std::cerr << "blast file: " << fileName << std::endl;
  else
    std::cerr << "blast file: (for reading protein names only)" << fileName << std::endl;
  std::ifstream in(fileName);
  if (!in) return 0;  // a missing pair file is an empty one
  rejectDirectory(fileName);
  ScoreLineReader records(in, fileName);
  int count = 0;
  std::string id1, id2;
  while (records.next()) {
    id1.assign(records.id1());
    id2.assign(records.id2());
    const std::string where = records.where();
    registerIdentifier(id1, sp1, idList, id2sp, where);
    registerIdentifier(id2, sp2, idList, id2sp, where);
    if (sink) (*sink)(id1, id2, records.score());
    ++count;
  }
  return count;
}

int readBlastScoresFile(const std::string& fileName, const std::string& sp1,
                        const std::string& sp2, VecStr& idList, Str2Str& id2sp,
                        StrPair2Dbl& blastScores) {
  const RecordSink sink = [&](const std::string& id1, const std::string& id2, double score) {
    blastScores[orderedPair(id1, id2)] = score;
  };
  return readBlastScoreRecords(fileName, sp1, sp2, idList, id2sp, &sink);
}

int readBlastScoresFile(const std::string& fileName, const std::string& sp1,
                        const std::string& sp2, VecStr& idList, Str2Str& id2sp) {
  return readBlastScoreRecords(fileName, sp1, sp2, idList, id2sp, nullptr);
}
