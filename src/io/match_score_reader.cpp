#include "io/match_score_reader.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <string_view>
#include <unordered_map>

#include "base/cores.h"
#include "base/error.h"
#include "base/ordered_pipeline.h"
#include "base/text.h"

namespace {

struct Record {
  int a, b;
  double score;
};

// A run of whole lines of the file, and what parsing them found: the records
// up to the first bad line, if any. Line numbers inside are the block's own;
// the file's line numbers are known only once the blocks before are counted.
struct TextBlock {
  std::string text;
  std::vector<Record> records;
  long lines = 0;
  long badLine = 0;  // 0: none
  ScoreLineStatus status = ScoreLineStatus::Record;
  bool unknownId = false;
  std::string token;  // the score field or identifier a bad line shows
};

// Identifier to position in idList. Files written by a compute run are
// sorted, so the first identifier usually repeats and the second is usually
// the protein after the previous one: both are tried before the hash.
class IdNumbers {
 public:
  explicit IdNumbers(const VecStr& idList) : idList_(idList) {
    number_.reserve(idList.size() * 2 + 1);
    for (size_t i = 0; i < idList.size(); ++i) number_.emplace(idList[i], (int)i);
  }
  const VecStr& idList() const { return idList_; }
  // -1 when unknown.
  int find(std::string_view id) const {
    auto it = number_.find(id);
    return it == number_.end() ? -1 : it->second;
  }

 private:
  const VecStr& idList_;
  std::unordered_map<std::string_view, int> number_;  // views into idList
};

void parseBlock(TextBlock& block, const IdNumbers& ids) {
  block.records.clear();
  block.lines = 0;
  block.badLine = 0;
  const VecStr& idList = ids.idList();
  const int N = (int)idList.size();
  std::string_view field[3];
  double score = 0;
  int a = -1, b = -1;
  const char* p = block.text.data();
  const char* const end = p + block.text.size();
  auto fail = [&](ScoreLineStatus status, bool unknownId, std::string_view token) {
    block.badLine = block.lines;
    block.status = status;
    block.unknownId = unknownId;
    block.token.assign(token.data(), token.size());
  };
  while (p < end) {
    const char* nl = static_cast<const char*>(std::memchr(p, '\n', (size_t)(end - p)));
    const char* lineEnd = nl ? nl : end;
    ++block.lines;
    const ScoreLineStatus status =
        parseScoreLine(std::string_view(p, (size_t)(lineEnd - p)), field, score);
    p = nl ? nl + 1 : end;
    if (status == ScoreLineStatus::Blank) continue;
    if (status != ScoreLineStatus::Record) return fail(status, false, field[2]);
    if (a < 0 || idList[a] != field[0]) {
      a = ids.find(field[0]);
      if (a < 0) return fail(status, true, field[0]);
    }
    if (b + 1 < N && idList[b + 1] == field[1]) {
      ++b;
    } else if (b < 0 || idList[b] != field[1]) {
      b = ids.find(field[1]);
      if (b < 0) return fail(status, true, field[1]);
    }
    block.records.push_back(Record{a, b, score});
  }
}

// Reads the records of a match-score file and hands each to add(a, b, score)
// with a and b the identifiers' positions in idList, in file order, on this
// thread; a bad line stops the run after the records before it were added.
//
// The file is read in blocks of whole lines into a ring of slots: this thread
// reads block c into slot c % ring once block c - ring is added, parser
// threads turn the blocks into records in any order, and this thread adds the
// records block by block, counting lines so a message names the file's line.
template <class Add>
int readMatchScoreRecords(const std::string& fileName, const VecStr& idList, Add add) {
  // The fixed texts do not say which file; the "Error:" line after them does.
  const std::string name = printable(fileName);
  std::ifstream in(fileName, std::ios::binary);
  if (!in)
    throw RunError::bare("The match score file is not exist~!!!\nError: cannot open match-score file " + name);
  struct stat info;
  const bool statted = stat(fileName.c_str(), &info) == 0;
  if (statted && S_ISDIR(info.st_mode))
    throw RunError::bare("The match score file is not exist~!!!\nError: " + name + ": is a directory, not a file");
  int first = in.peek();
  if (first == std::char_traits<char>::eof())
    throw RunError::bare("The match score file is empty~!!!\nError: " + name + ": is empty");
  if (first == ' ' || first == '\t')
    throw RunError::bare("The match score file is empty~!!!\nError: " + name + " line 1: starts with a blank");

  const IdNumbers ids(idList);
  // Small files (the size is only a hint: a pipe has none) get small blocks
  // and no threads, which would cost more than they save.
  const bool regular = statted && S_ISREG(info.st_mode);
  const size_t kLargeBlock = 2 << 20;
  const size_t blockBytes =
      regular ? std::min(kLargeBlock, std::max<size_t>(1 << 16, (size_t)info.st_size + 1))
              : kLargeBlock;
  const bool small = regular && (size_t)info.st_size < 2 * kLargeBlock;
  std::string carry;  // the start of a line the previous block did not finish
  // Fills block.text with whole lines; false at the end of the file.
  auto readBlock = [&](TextBlock& block) {
    block.text.swap(carry);
    carry.clear();
    for (;;) {
      const size_t at = block.text.size();
      block.text.resize(at + blockBytes);
      in.read(&block.text[at], (std::streamsize)blockBytes);
      block.text.resize(at + (size_t)in.gcount());
      if (!in) return !block.text.empty();  // the last line needs no newline
      const size_t nl = block.text.rfind('\n');
      if (nl != std::string::npos && nl >= at) {
        carry.assign(block.text, nl + 1, std::string::npos);
        block.text.resize(nl + 1);
        return true;
      }
      // A line longer than a block: read on until it ends.
    }
  };

  int count = 0;
  long linesBefore = 0;
  auto addBlock = [&](const TextBlock& block) {
    for (const Record& r : block.records) {
      add(r.a, r.b, r.score);
      ++count;
    }
    if (block.badLine > 0) {
      const long lineNo = linesBefore + block.badLine;
      if (block.unknownId)
        throw RunError(name + " line " + std::to_string(lineNo) + ": identifier " +
                       quoteToken(block.token) + " is not a protein of this run");
      throw scoreLineError(block.status, fileName, lineNo, block.token);
    }
    linesBefore += block.lines;
  };

  const int parsers = std::max(1, std::min(availableCpus(), 4));
  const long ring = 2 * parsers + 1;
  std::vector<TextBlock> slots(ring);
  runOrderedPipeline(
      parsers > 1 && !small ? parsers : 0, ring, [&](long c) { return readBlock(slots[c % ring]); },
      [&](long c) { parseBlock(slots[c % ring], ids); },
      [&](long c) { addBlock(slots[c % ring]); });
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
