#include "exact/exact_scores.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>

#include "base/error.h"
#include "base/large_array.h"
#include "base/output_file.h"
#include "base/text.h"

namespace {

const char kMagic[8] = {'T', 'V', 'X', 'E', 'X', 'A', 'C', 'T'};
const char kEndMagic[8] = {'T', 'V', 'X', '-', 'E', 'N', 'D', '\n'};
const uint32_t kVersion = 1;
const uint32_t kByteOrder = 0x01020304;
enum Encoding : uint8_t { ByRows = 1, ByBits = 2 };

// A checksum over the byte stream, whatever pieces it comes in: whole 8-byte
// words are mixed as they complete.
class StreamSum {
 public:
  void feed(const void* data, size_t n) {
    const unsigned char* b = static_cast<const unsigned char*>(data);
    while (pending_ && n) {
      word_[pending_++] = *b++;
      --n;
      if (pending_ == 8) {
        mixWord(word_);
        pending_ = 0;
      }
    }
    for (; n >= 8; n -= 8, b += 8) mixWord(b);
    while (n--) word_[pending_++] = *b++;
  }
  uint64_t value() const {
    uint64_t h = h_;
    for (int k = 0; k < pending_; ++k) h = (h ^ word_[k]) * 0x100000001b3ULL;
    return h ^ (h >> 31);
  }

 private:
  void mixWord(const unsigned char* p) {
    uint64_t w;
    std::memcpy(&w, p, 8);
    h_ = (h_ ^ w) * 0x9E3779B97F4A7C15ULL;
    h_ ^= h_ >> 29;
  }
  uint64_t h_ = 0xcbf29ce484222325ULL;
  unsigned char word_[8] = {};
  int pending_ = 0;
};

class Writer {
 public:
  explicit Writer(const std::string& name) : file_(name) {
    if (!file_.open()) throw RunError("cannot write " + printable(name));
  }
  void put(const void* data, size_t n) {
    sum_.feed(data, n);
    if (n && std::fwrite(data, 1, n, file_.file()) != n) failed_ = true;
  }
  template <class T>
  void value(T v) { put(&v, sizeof v); }
  void text(const std::string& s) {
    value<uint32_t>((uint32_t)s.size());
    put(s.data(), s.size());
  }
  void finish() {
    put(kEndMagic, 8);
    const uint64_t total = sum_.value();
    if (std::fwrite(&total, 8, 1, file_.file()) != 1) failed_ = true;
    if (failed_ || !file_.commit()) throw RunError("could not write all of " + printable(file_.path()));
  }

 private:
  OutputFile file_;
  StreamSum sum_;
  bool failed_ = false;
};

class Reader {
 public:
  explicit Reader(const std::string& name) : name_(name), file_(std::fopen(name.c_str(), "rb")) {
    if (!file_) throw RunError("cannot open exact score file " + printable(name));
    rejectDirectory(name);
    std::setvbuf(file_.get(), nullptr, _IOFBF, 1 << 20);
    char magic[8];
    get(magic, 8);
    if (std::memcmp(magic, kMagic, 8) != 0)
      throw RunError(printable(name) + ": not an exact score file (trivanex-pairs align --exact writes them)");
    const uint32_t version = value<uint32_t>(), order = value<uint32_t>();
    if (version != kVersion)
      throw RunError(printable(name) + ": exact score file of version " + std::to_string(version) +
                     "; this build reads version " + std::to_string(kVersion));
    if (order != kByteOrder)
      throw RunError(printable(name) + ": exact score file written on a machine of another byte order");
  }
  void get(void* data, size_t n) {
    if (n && std::fread(data, 1, n, file_.get()) != n) {
      if (std::ferror(file_.get())) throw RunError("cannot read " + printable(name_));
      throw RunError(printable(name_) + ": exact score file ends early (truncated)");
    }
    sum_.feed(data, n);
  }
  template <class T>
  T value() {
    T v;
    get(&v, sizeof v);
    return v;
  }
  std::string text() {
    const uint32_t n = value<uint32_t>();
    if (n > (1u << 20)) damaged();
    std::string s(n, '\0');
    get(&s[0], n);
    return s;
  }
  // After the last block: the end magic and the checksum, then nothing.
  void finish() {
    char magic[8];
    get(magic, 8);
    if (std::memcmp(magic, kEndMagic, 8) != 0) damaged();
    const uint64_t expected = sum_.value();
    uint64_t stored;
    if (std::fread(&stored, 8, 1, file_.get()) != 1)
      throw RunError(printable(name_) + ": exact score file ends early (truncated)");
    if (stored != expected) damaged();
    if (std::fgetc(file_.get()) != EOF)
      throw RunError(printable(name_) + ": exact score file has bytes after its end");
  }
  [[noreturn]] void damaged() {
    throw RunError(printable(name_) + ": exact score file is damaged (checksum or layout)");
  }
  const std::string& name() const { return name_; }

 private:
  struct Closer {
    void operator()(FILE* f) const { std::fclose(f); }
  };
  std::string name_;
  std::unique_ptr<FILE, Closer> file_;
  StreamSum sum_;
};

void writeRoster(Writer& w, const ExactRoster& roster) {
  w.value<uint32_t>((uint32_t)roster.speciesNames.size());
  for (const std::string& s : roster.speciesNames) w.text(s);
  w.value<uint64_t>(roster.idList.size());
  for (size_t p = 0; p < roster.idList.size(); ++p) {
    w.text(roster.idList[p]);
    w.value<int32_t>(roster.speciesOf[p]);
  }
}

ExactRoster readRoster(Reader& r) {
  ExactRoster roster;
  const uint32_t S = r.value<uint32_t>();
  if (S > (1u << 20)) r.damaged();
  for (uint32_t s = 0; s < S; ++s) roster.speciesNames.push_back(r.text());
  const uint64_t N = r.value<uint64_t>();
  if (N > (1ull << 31)) r.damaged();
  // The count is the file's word; only what is read proves it.
  roster.idList.reserve(std::min<uint64_t>(N, 1 << 20));
  roster.speciesOf.reserve(std::min<uint64_t>(N, 1 << 20));
  for (uint64_t p = 0; p < N; ++p) {
    roster.idList.push_back(r.text());
    const int32_t s = r.value<int32_t>();
    if (s < -1 || s >= (int32_t)S) r.damaged();
    roster.speciesOf.push_back(s);
  }
  return roster;
}

// Calls f(col, v) for the stored scores of one row of a block, ascending.
template <class F>
void forEachInRow(const MatchScoreTable::Block& b, int row, F f) {
  if (b.dense) {
    const double* x = b.values.data() + (size_t)row * b.n;
    for (int j = 0; j < b.n; ++j)
      if (MatchScoreTable::isScore(x[j])) f(j, x[j]);
  } else if (b.packed) {
    b.forEachInPackedRow(row, f);
  } else {
    for (long k = b.rowStart[row]; k < b.rowStart[row + 1]; ++k) f(b.cols[k], b.vals[k]);
  }
}

void writeBlock(Writer& w, const MatchScoreTable::Block& b) {
  std::vector<uint32_t> rowCounts(b.m, 0);
  uint64_t count = 0;
  for (int i = 0; i < b.m; ++i) {
    forEachInRow(b, i, [&](int, double) { ++rowCounts[i]; });
    count += rowCounts[i];
  }
  const double cells = (double)b.m * b.n;
  const Encoding enc = cells / 8 + 8.0 * count < 4.0 * b.m + 12.0 * count ? ByBits : ByRows;
  w.value<int32_t>(b.r);
  w.value<int32_t>(b.c);
  w.value<int32_t>(b.m);
  w.value<int32_t>(b.n);
  w.value<uint64_t>(count);
  w.value<uint8_t>(enc);
  std::vector<int> cols;
  std::vector<double> vals;
  auto row = [&](int i) {
    cols.clear();
    vals.clear();
    forEachInRow(b, i, [&](int j, double v) {
      cols.push_back(j);
      vals.push_back(v);
    });
  };
  if (enc == ByRows) {
    w.put(rowCounts.data(), rowCounts.size() * 4);
    for (int i = 0; i < b.m; ++i) {
      row(i);
      w.put(cols.data(), cols.size() * 4);
      w.put(vals.data(), vals.size() * 8);
    }
    return;
  }
  const size_t words = ((size_t)b.m * b.n + 63) / 64;
  if (b.packed) {
    w.put(b.bits.data(), words * 8);
  } else {
    std::vector<uint64_t> bits(words, 0);
    for (int i = 0; i < b.m; ++i)
      forEachInRow(b, i, [&](int j, double) {
        const size_t q = (size_t)i * b.n + j;
        bits[q >> 6] |= uint64_t(1) << (q & 63);
      });
    w.put(bits.data(), words * 8);
  }
  for (int i = 0; i < b.m; ++i) {
    row(i);
    w.put(vals.data(), vals.size() * 8);
  }
}

void readBlock(Reader& r, const ExactRoster& roster, MatchScoreTable& table, bool refuseRepeats) {
  const int32_t rs = r.value<int32_t>(), cs = r.value<int32_t>();
  const int32_t m = r.value<int32_t>(), n = r.value<int32_t>();
  const uint64_t count = r.value<uint64_t>();
  const uint8_t enc = r.value<uint8_t>();
  const ProteinIndex& P = table.proteins();
  const int S = P.speciesCount();
  if (rs < 0 || cs < rs || cs >= S || (enc != ByRows && enc != ByBits)) r.damaged();
  if (m != (int32_t)P.proteinsOf[rs].size() || n != (int32_t)P.proteinsOf[cs].size() ||
      count > (uint64_t)m * n)
    r.damaged();
  if (refuseRepeats && table.block(rs, cs))
    throw RunError(printable(r.name()) + ": the scores of " + roster.speciesNames[rs] + "-" +
                   roster.speciesNames[cs] + " are also in an earlier file");
  if (enc == ByRows) {
    std::vector<uint32_t> rowCounts(m);
    r.get(rowCounts.data(), (size_t)m * 4);
    std::vector<long> rowStart(m + 1, 0);
    for (int i = 0; i < m; ++i) rowStart[i + 1] = rowStart[i] + rowCounts[i];
    if ((uint64_t)rowStart[m] != count) r.damaged();
    std::vector<int> cols(count);
    std::vector<double> vals(count);
    for (int i = 0; i < m; ++i) {
      r.get(cols.data() + rowStart[i], rowCounts[i] * 4);
      r.get(vals.data() + rowStart[i], rowCounts[i] * 8);
      for (long k = rowStart[i]; k < rowStart[i + 1]; ++k)
        if (cols[k] < 0 || cols[k] >= n || (k > rowStart[i] && cols[k] <= cols[k - 1])) r.damaged();
    }
    table.putRows(rs, cs, std::move(rowStart), std::move(cols), std::move(vals));
    return;
  }
  const size_t cells = (size_t)m * n, words = (cells + 63) / 64;
  std::vector<uint64_t> bits(words);
  r.get(bits.data(), words * 8);
  uint64_t set = 0;
  for (uint64_t w : bits) set += (uint64_t)__builtin_popcountll(w);
  if (set != count || (cells % 64 && (bits.back() >> (cells % 64)) != 0)) r.damaged();
  std::vector<double> values;
  assignLarge(values, cells, 0.0);
  std::vector<double> row;
  for (int i = 0; i < m; ++i) {
    row.clear();
    for (int j = 0; j < n; ++j) {
      const size_t q = (size_t)i * n + j;
      if ((bits[q >> 6] >> (q & 63)) & 1) row.push_back(0);
    }
    r.get(row.data(), row.size() * 8);
    size_t k = 0;
    for (int j = 0; j < n; ++j) {
      const size_t q = (size_t)i * n + j;
      if ((bits[q >> 6] >> (q & 63)) & 1) values[q] = row[k++];
    }
  }
  table.putDense(rs, cs, std::move(values), (long)count);
}

}  // namespace

ExactRoster exactRoster(const VecStr& idList, const ProteinIndex& proteins) {
  ExactRoster roster;
  roster.idList = idList;
  roster.speciesNames = proteins.speciesNames;
  roster.speciesOf = proteins.speciesOf;
  return roster;
}

ProteinIndex proteinIndexOf(const ExactRoster& roster) {
  Str2Int id2idx;
  Str2Str id2sp;
  for (size_t p = 0; p < roster.idList.size(); ++p) {
    id2idx.emplace(roster.idList[p], (int)p);
    if (roster.speciesOf[p] >= 0) id2sp.emplace(roster.idList[p], roster.speciesNames[roster.speciesOf[p]]);
  }
  return makeProteinIndex((int)roster.idList.size(), id2idx, id2sp);
}

void writeExactScores(const MatchScoreTable& table, const ExactRoster& roster,
                      const std::string& fileName) {
  if (table.keyOrder() != MatchScoreTable::RowSpeciesFirst)
    throw RunError("exact score files hold computed scores only");
  Writer w(fileName);
  w.put(kMagic, 8);
  w.value<uint32_t>(kVersion);
  w.value<uint32_t>(kByteOrder);
  writeRoster(w, roster);
  const int S = table.proteins().speciesCount();
  std::vector<const MatchScoreTable::Block*> blocks;
  for (int r = 0; r < S; ++r)
    for (int c = r; c < S; ++c)
      if (const MatchScoreTable::Block* b = table.block(r, c)) blocks.push_back(b);
  w.value<uint32_t>((uint32_t)blocks.size());
  for (const MatchScoreTable::Block* b : blocks) writeBlock(w, *b);
  w.finish();
}

bool isExactScoreFile(const std::string& fileName) {
  FILE* f = std::fopen(fileName.c_str(), "rb");
  if (!f) return false;
  char magic[8];
  const bool yes = std::fread(magic, 1, 8, f) == 8 && std::memcmp(magic, kMagic, 8) == 0;
  std::fclose(f);
  return yes;
}

ExactRoster readExactRoster(const std::string& fileName) {
  Reader r(fileName);
  return readRoster(r);
}

int readExactScores(const std::string& fileName, const ExactRoster& roster,
                    MatchScoreTable& table, bool refuseRepeats) {
  if (table.keyOrder() != MatchScoreTable::RowSpeciesFirst)
    throw RunError("exact score files hold computed scores only");
  Reader r(fileName);
  if (!(readRoster(r) == roster))
    throw RunError(printable(fileName) + ": its proteins are not those of this run's data"
                   " (an exact score file of other data)");
  const uint32_t blocks = r.value<uint32_t>();
  if (blocks > (uint32_t)roster.speciesNames.size() * roster.speciesNames.size()) r.damaged();
  for (uint32_t k = 0; k < blocks; ++k) readBlock(r, roster, table, refuseRepeats);
  r.finish();
  return (int)blocks;
}
