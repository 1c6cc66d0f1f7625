#include "io/selected_scores.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <thread>
#include <limits>
#include <unordered_map>

#include <zlib.h>

#include "base/cores.h"
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

// Equality of short identifiers without a call into memcmp, which costs more
// than the comparison itself at a few bytes, and this runs on every line.
inline bool same(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (a[i] != b[i]) return false;
  return true;
}

// The first eight bytes of an identifier as one word, for a cheap first test.
inline uint64_t head8(std::string_view t) {
  uint64_t k = 0;
  const size_t n = std::min<size_t>(8, t.size());
  for (size_t i = 0; i < n; ++i) k |= (uint64_t)(unsigned char)t[i] << (8 * i);
  return k;
}

// A partner that the current first identifier's lines are searched for.
struct Wanted {
  uint64_t head;
  size_t size;
  int protein;
};

struct Hit {
  int a, b;
  double score;
};

// What one byte range of the file gave: its matching lines in order, its
// line count, and the first bad line (its number within the range) with the
// message that follows "<file> line <n>".
struct Chunk {
  off_t begin = 0, end = 0;
  std::vector<Hit> hits;
  long lines = 0;
  long badLine = 0;
  std::string problem;
};

struct Scanner {
  const VecStr& idList;
  const VecInt& groupOf;
  const std::vector<VecInt>& members;
  std::unordered_map<std::string_view, int> number;  // views into idList

  Scanner(const VecStr& ids, const VecInt& g, const std::vector<VecInt>& m) : idList(ids), groupOf(g), members(m) {
    number.reserve(ids.size() * 2 + 1);
    for (size_t i = 0; i < ids.size(); ++i) number.emplace(ids[i], (int)i);
  }

  // Reads [c.begin, c.end) in blocks of whole lines; read(to, n, at) gives up
  // to n bytes from offset `at`, 0 at the end. A range starts at a line's
  // start and ends after a line break or at the end of the file.
  template <class Read>
  void scan(Read read, Chunk& c) const {
    const size_t kBlock = 4 << 20;
    std::string buf;
    size_t carry = 0;
    off_t at = c.begin;
    std::string lastId;  // the previous line's first identifier and its protein
    int lastP = -1;
    std::vector<Wanted> wanted;  // the other members of lastP's group
    bool done = false;
    while (!done) {
      const size_t want = (size_t)std::min<off_t>((off_t)kBlock, c.end - at);
      buf.resize(carry + want);
      size_t got = 0;
      while (got < want) {
        const size_t n = read(&buf[carry + got], want - got, at + (off_t)got);
        if (n == 0) break;
        got += n;
      }
      at += (off_t)got;
      buf.resize(carry + got);
      done = at >= c.end || got == 0;
      const char* p = buf.data();
      const char* const end = p + buf.size();
      for (;;) {
        const char* nl = static_cast<const char*>(std::memchr(p, '\n', (size_t)(end - p)));
        if (!nl) {
          if (!done || p == end) break;
          nl = end;  // the last line has no line break
        }
        ++c.lines;
        const char* q = p;
        p = nl < end ? nl + 1 : end;
        const std::string_view id1 = token(q, nl);
        if (id1.empty()) continue;  // blank line
        if (!same(id1, lastId)) {
          auto it = number.find(id1);
          if (it == number.end()) {
            c.badLine = c.lines;
            c.problem = ": identifier " + quoteToken(id1) + " is not a protein of the data";
            return;
          }
          lastId.assign(id1.data(), id1.size());
          lastP = it->second;
          wanted.clear();
          if (groupOf[lastP] >= 0)
            for (int b : members[groupOf[lastP]])
              if (b != lastP) wanted.push_back({head8(idList[b]), idList[b].size(), b});
        }
        if (wanted.empty()) continue;
        const std::string_view id2 = token(q, nl);
        const uint64_t head = head8(id2);
        for (const Wanted& w : wanted) {
          if (w.head != head || w.size != id2.size() || !same(idList[w.protein], id2)) continue;
          const std::string_view s = token(q, nl);
          double score;
          if (s.empty() || !parseFiniteDouble(s, score)) {
            c.badLine = c.lines;
            c.problem = s.empty() ? ": fewer than three fields" : ": score " + quoteToken(s) + " is not a number";
            return;
          }
          c.hits.push_back({lastP, w.protein, score});
          break;
        }
        if (id2.empty()) {
          c.badLine = c.lines;
          c.problem = ": fewer than three fields";
          return;
        }
      }
      carry = (size_t)(end - p);
      std::memmove(&buf[0], p, carry);
    }
  }
};

// The offset just after the first line break at or after `from` (or the end).
off_t nextLineStart(int fd, off_t from, off_t size) {
  char buf[4096];
  while (from < size) {
    const ssize_t n = pread(fd, buf, sizeof buf, from);
    if (n <= 0) return size;
    const void* nl = std::memchr(buf, '\n', (size_t)n);
    if (nl) return from + (static_cast<const char*>(nl) - buf) + 1;
    from += n;
  }
  return size;
}

size_t preadSome(int fd, char* to, size_t n, off_t at) {
  for (;;) {
    const ssize_t got = pread(fd, to, n, at);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) throw RunError("cannot read match-score file");
    return (size_t)got;
  }
}

bool isGzipFile(const std::string& fileName) {
  FILE* f = std::fopen(fileName.c_str(), "rb");
  if (!f) return false;
  unsigned char head[2] = {0, 0};
  const bool gz = std::fread(head, 1, 2, f) == 2 && head[0] == 0x1f && head[1] == 0x8b;
  std::fclose(f);
  return gz;
}

// A compressed file is inflated from its start in one pass: no range of it
// can be found without inflating what comes before.
void readCompressedScores(const std::string& fileName, const Scanner& scanner,
                          const std::function<void(int a, int b, double score)>& found) {
  gzFile in = gzopen(fileName.c_str(), "rb");
  if (!in) throw RunError("cannot open match-score file " + printable(fileName));
  gzbuffer(in, 1 << 18);
  Chunk c;
  c.end = std::numeric_limits<off_t>::max();
  bool broken = false;
  try {
    scanner.scan([&](char* to, size_t n, off_t) -> size_t {
      const int got = gzread(in, to, (unsigned)std::min<size_t>(n, 1 << 30));
      int code = Z_OK;
      gzerror(in, &code);
      // A stream cut short or damaged must not pass for the whole file.
      if (got < 0 || (code != Z_OK && code != Z_STREAM_END)) broken = true;
      return broken || got < 0 ? 0 : (size_t)got;
    }, c);
  } catch (...) {
    gzclose(in);
    throw;
  }
  gzclose(in);
  if (c.badLine) throw RunError(printable(fileName) + " line " + std::to_string(c.badLine) + c.problem);
  if (broken)
    throw RunError(printable(fileName) + " line " + std::to_string(c.lines) +
                   ": compressed data ends early or is damaged");
  if (c.lines == 0) throw RunError("match-score file " + printable(fileName) + " is empty");
  for (const Hit& h : c.hits) found(h.a, h.b, h.score);
}

struct Fd {
  int fd;
  ~Fd() {
    if (fd >= 0) close(fd);
  }
};

}  // namespace

void readScoresWithinGroups(const std::string& fileName, const VecStr& idList, const VecInt& groupOf,
                            const std::vector<VecInt>& members,
                            const std::function<void(int a, int b, double score)>& found, int parts) {
  rejectDirectory(fileName);
  if (isGzipFile(fileName)) {
    readCompressedScores(fileName, Scanner(idList, groupOf, members), found);
    return;
  }
  Fd file{open(fileName.c_str(), O_RDONLY)};
  if (file.fd < 0) throw RunError("cannot open match-score file " + printable(fileName));
  struct stat info;
  if (fstat(file.fd, &info) != 0 || !S_ISREG(info.st_mode))
    throw RunError("match-score file " + printable(fileName) + " is not a regular file");
  const off_t size = info.st_size;
  if (size == 0) throw RunError("match-score file " + printable(fileName) + " is empty");

  // Ranges of whole lines, scanned side by side; large files only, since a
  // thread costs more than a small file takes.
  const Scanner scanner(idList, groupOf, members);
  if (parts <= 0) parts = size < (off_t)(16 << 20) ? 1 : std::max(1, std::min(availableCpus(), 4));
  std::vector<Chunk> chunks(parts);
  off_t from = 0;
  for (int k = 0; k < parts; ++k) {
    chunks[k].begin = from;
    chunks[k].end = k + 1 == parts ? size : std::max(from, nextLineStart(file.fd, size / parts * (k + 1), size));
    from = chunks[k].end;
  }
  std::vector<std::string> failures(parts);
  auto run = [&](int k) {
    try {
      scanner.scan([&](char* to, size_t n, off_t at) { return preadSome(file.fd, to, n, at); },
                   chunks[k]);
    } catch (const std::exception& e) {
      failures[k] = e.what();
    }
  };
  std::vector<std::thread> threads;
  for (int k = 1; k < parts; ++k) threads.emplace_back(run, k);
  run(0);
  for (std::thread& t : threads) t.join();

  // Hits in file order; the first bad line in file order stops the read.
  long linesBefore = 0;
  for (int k = 0; k < parts; ++k) {
    if (!failures[k].empty()) throw RunError("cannot read match-score file " + printable(fileName));
    if (chunks[k].badLine)
      throw RunError(printable(fileName) + " line " + std::to_string(linesBefore + chunks[k].badLine) +
                     chunks[k].problem);
    linesBefore += chunks[k].lines;
  }
  for (const Chunk& c : chunks)
    for (const Hit& h : c.hits) found(h.a, h.b, h.score);
}
