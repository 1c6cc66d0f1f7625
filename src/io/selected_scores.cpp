#include "io/selected_scores.h"

#include <cstdio>
#include <cstring>
#include <string_view>
#include <unordered_map>

#include "base/error.h"
#include "base/text.h"

namespace {

inline bool isWs(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

// The next token of [p, end) after blanks; empty at the end of the line.
inline std::string_view token(const char*& p, const char* end) {
  while (p < end && isWs(*p)) ++p;
  const char* start = p;
  while (p < end && !isWs(*p)) ++p;
  return std::string_view(start, (size_t)(p - start));
}

struct FileCloser {
  FILE* f;
  ~FileCloser() {
    if (f) std::fclose(f);
  }
};

}  // namespace

void readScoresWithinGroups(const std::string& fileName, const VecStr& idList, const VecInt& groupOf,
                            const std::vector<VecInt>& members,
                            const std::function<void(int a, int b, double score)>& found) {
  rejectDirectory(fileName);
  FileCloser file{std::fopen(fileName.c_str(), "rb")};
  if (!file.f) throw RunError("cannot open match-score file " + printable(fileName));
  std::unordered_map<std::string_view, int> number;
  number.reserve(idList.size() * 2 + 1);
  for (size_t i = 0; i < idList.size(); ++i) number.emplace(idList[i], (int)i);

  const size_t kBlock = 4 << 20;
  std::string buf;
  size_t carry = 0;  // bytes of an unfinished line at the start of buf
  long lineNo = 0;
  std::string lastId;  // the previous line's first identifier and its protein
  int lastP = -1;
  bool any = false, eof = false;
  auto where = [&] { return printable(fileName) + " line " + std::to_string(lineNo); };
  while (!eof) {
    buf.resize(carry + kBlock);
    const size_t got = std::fread(&buf[carry], 1, kBlock, file.f);
    if (got < kBlock) {
      if (std::ferror(file.f)) throw RunError("cannot read match-score file " + printable(fileName));
      eof = true;
    }
    buf.resize(carry + got);
    if (!buf.empty()) any = true;
    const char* p = buf.data();
    const char* const end = p + buf.size();
    for (;;) {
      const char* nl = static_cast<const char*>(std::memchr(p, '\n', (size_t)(end - p)));
      if (!nl) {
        if (!eof || p == end) break;
        nl = end;  // the last line has no line break
      }
      ++lineNo;
      const char* q = p;
      p = nl < end ? nl + 1 : end;
      const std::string_view id1 = token(q, nl);
      if (id1.empty()) continue;  // blank line
      if (id1 != lastId) {
        auto it = number.find(id1);
        if (it == number.end())
          throw RunError(where() + ": identifier " + quoteToken(id1) + " is not a protein of the data");
        lastId.assign(id1.data(), id1.size());
        lastP = it->second;
      }
      const int g = groupOf[lastP];
      if (g < 0) continue;
      const std::string_view id2 = token(q, nl);
      if (id2.empty()) throw RunError(where() + ": fewer than three fields");
      for (int b : members[g]) {
        if (b == lastP || idList[b] != id2) continue;
        const std::string_view s = token(q, nl);
        double score;
        if (s.empty()) throw RunError(where() + ": fewer than three fields");
        if (!parseFiniteDouble(s, score))
          throw RunError(where() + ": score " + quoteToken(s) + " is not a number");
        found(lastP, b, score);
        break;
      }
    }
    carry = (size_t)(end - p);
    std::memmove(&buf[0], p, carry);
  }
  if (!any) throw RunError("match-score file " + printable(fileName) + " is empty");
}
