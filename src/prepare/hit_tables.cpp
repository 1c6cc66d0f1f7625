#include "prepare/hit_tables.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <unordered_set>

#include "base/error.h"
#include "base/text.h"
#include "io/text_input.h"

namespace {

// Identifier text -> protein number (or kUnknown / kAmbiguous) for the hit
// tables, which name the same hundred thousand identifiers millions of times.
// Open addressing over a flat array of (hash, offset, length, value) slots,
// the identifiers' bytes kept in one arena: a lookup costs a hash and
// usually one cache line, where a node-based map chases pointers.
class IdCache {
 public:
  IdCache() : slots_(1 << 16) {}
  // The value of `id`, or false when it is not cached yet.
  bool find(std::string_view id, uint64_t hash, int32_t& value) const {
    for (size_t i = hash & (slots_.size() - 1);; i = (i + 1) & (slots_.size() - 1)) {
      const Slot& s = slots_[i];
      if (s.len == kEmpty) return false;
      if (s.hash == hash && s.len == id.size() && std::memcmp(arena_.data() + s.offset, id.data(), id.size()) == 0) {
        value = s.value;
        return true;
      }
    }
  }
  void insert(std::string_view id, uint64_t hash, int32_t value) {
    if (2 * (count_ + 1) > slots_.size()) grow();
    place({hash, static_cast<uint64_t>(arena_.size()), static_cast<uint32_t>(id.size()), value});
    arena_.append(id.data(), id.size());
    ++count_;
  }

 private:
  static constexpr uint32_t kEmpty = 0xffffffffu;
  struct Slot {
    uint64_t hash = 0;
    uint64_t offset = 0;
    uint32_t len = kEmpty;
    int32_t value = 0;
  };
  void place(const Slot& slot) {
    size_t i = slot.hash & (slots_.size() - 1);
    while (slots_[i].len != kEmpty) i = (i + 1) & (slots_.size() - 1);
    slots_[i] = slot;
  }
  void grow() {
    std::vector<Slot> old(slots_.size() * 2);
    old.swap(slots_);
    for (const Slot& s : old)
      if (s.len != kEmpty) place(s);
  }
  std::vector<Slot> slots_;
  std::string arena_;
  size_t count_ = 0;
};

// Identifiers of one hit table to protein numbers: through the id map (an
// identifier may map to several proteins, kept as a list), then the registry,
// either as a protein of one named species or of whichever species has it.
class HitResolver {
 public:
  static constexpr int32_t kFirstList = -3;  // values <= kFirstList index lists_

  HitResolver(const ProteinRegistry& reg, const IdMap& map, bool normalise, TableResult& result)
      : reg_(reg), map_(map), normalise_(normalise), result_(result) {}

  int32_t resolve(std::string_view text, int species, IdCache& cache) {
    const uint64_t hash = hasher_(text);
    int32_t p;
    if (cache.find(text, hash, p)) return p;
    id_.assign(text);
    if (normalise_ && normaliseUniprot(id_)) ++result_.rewritten;
    const std::vector<std::string>* targets = nullptr;
    if (!map_.empty())
      targets = seen_.insert(id_).second ? map_.findCounted(id_, result_.mapped) : map_.find(id_);
    if (!targets) {
      p = lookup(id_, species);
    } else {
      std::vector<int32_t> found;
      bool ambiguous = false;
      for (const std::string& t : *targets) {
        const int32_t q = lookup(t, species);
        if (q >= 0 && std::find(found.begin(), found.end(), q) == found.end()) found.push_back(q);
        ambiguous = ambiguous || q == ProteinRegistry::kAmbiguous;
      }
      if (found.empty()) {
        p = ambiguous ? ProteinRegistry::kAmbiguous : ProteinRegistry::kUnknown;
      } else if (found.size() == 1) {
        p = found[0];
      } else {
        p = kFirstList - static_cast<int32_t>(lists_.size());
        lists_.push_back(std::move(found));
      }
    }
    cache.insert(text, hash, p);
    return p;
  }

  // The proteins of a resolved value (one, or a list).
  std::pair<const int32_t*, size_t> proteins(const int32_t& value) const {
    if (value >= 0) return {&value, 1};
    const std::vector<int32_t>& l = lists_[kFirstList - value];
    return {l.data(), l.size()};
  }

 private:
  int32_t lookup(const std::string& id, int species) const {
    return species < 0 ? reg_.find(id) : reg_.findIn(id, species);
  }
  const ProteinRegistry& reg_;
  const IdMap& map_;
  bool normalise_;
  TableResult& result_;
  std::hash<std::string_view> hasher_;
  std::string id_;
  std::unordered_set<std::string> seen_;  // for the id-map counts: distinct identifiers of the table
  std::vector<std::vector<int32_t>> lists_;
};

}  // namespace

// Reads one hit table: every kept line's protein pairs and its score go to the
// list of their species pair (index i * n + j for species i <= j), and every
// line is counted in the row of its pair (rows[n * n]: lines that reach no pair).
TableResult readHits(const HitTableInput& table, int speciesA, int speciesB, int scoreColumn, bool normalise,
                     const ProteinRegistry& reg, const IdMap& map, const std::vector<uint32_t>& rank,
                     size_t nSpecies, std::vector<std::vector<Scored>>& pairs, std::vector<LineCounts>& rows) {
  TableResult result;
  HitResolver resolver(reg, map, normalise, result);
  // One cache when the identifiers say their species; one per column when the
  // columns do, since the same name may then be a protein of each.
  IdCache cacheA, cacheB;
  IdCache& cache2 = speciesA < 0 ? cacheA : cacheB;
  const bool declared = speciesA >= 0;
  const size_t declaredRow = declared ? std::min(speciesA, speciesB) * nSpecies + std::max(speciesA, speciesB) : 0;
  TextInput in(table.path);
  std::string line;
  const size_t need = std::max<size_t>(2, static_cast<size_t>(scoreColumn));
  const char* field[2];
  size_t fieldLen[2];
  auto miss = [&](int column) {
    std::vector<std::string>& m = result.misses[column];
    const std::string id(field[column], fieldLen[column]);
    if (m.size() < 3 && std::find(m.begin(), m.end(), id) == m.end()) m.push_back(id);
  };
  // A search writes a query's hits together, so the last query is looked up once.
  std::string lastQuery;
  int32_t lastQueryValue = ProteinRegistry::kUnknown;
  while (in.getLine(line)) {
    const char* s = line.data();
    const size_t n = line.size();
    size_t i = 0, k = 0;
    const char* score = nullptr;
    size_t scoreLen = 0;
    while (k < need) {
      while (i < n && (s[i] == '\t' || s[i] == ' ')) ++i;
      if (i == n) break;
      const size_t start = i;
      while (i < n && s[i] != '\t' && s[i] != ' ') ++i;
      if (k < 2) {
        field[k] = s + start;
        fieldLen[k] = i - start;
      }
      if (k + 1 == static_cast<size_t>(scoreColumn)) {
        score = s + start;
        scoreLen = i - start;
      }
      ++k;
    }
    if (k == 0 || s[0] == '#') continue;
    if (k < need)
      throw RunError(printable(table.path) + " line " + std::to_string(in.lineNumber()) + ": " +
                     std::to_string(k) + " fields; the score is column " + std::to_string(scoreColumn) +
                     " (a BLAST or DIAMOND table in -outfmt 6 has 12; --score-column names another)");
    ++result.lines.read;
    double value;
    if (!parseFiniteDouble(std::string_view(score, scoreLen), value))
      throw RunError(printable(table.path) + " line " + std::to_string(in.lineNumber()) + ": column " +
                     std::to_string(scoreColumn) + " holds " + quoteToken(std::string_view(score, scoreLen)) +
                     ", not a number (--score-column names the score column)");
    int32_t a;
    if (fieldLen[0] == lastQuery.size() && std::memcmp(field[0], lastQuery.data(), fieldLen[0]) == 0) {
      a = lastQueryValue;
    } else {
      a = lastQueryValue = resolver.resolve(std::string_view(field[0], fieldLen[0]), speciesA, cacheA);
      lastQuery.assign(field[0], fieldLen[0]);
    }
    const int32_t b = resolver.resolve(std::string_view(field[1], fieldLen[1]), speciesB, cache2);
    // A protein of no species makes the line unknown before one of several makes it ambiguous.
    const bool unknown = a == ProteinRegistry::kUnknown || b == ProteinRegistry::kUnknown;
    if (unknown || a == ProteinRegistry::kAmbiguous || b == ProteinRegistry::kAmbiguous) {
      const int32_t why = unknown ? ProteinRegistry::kUnknown : ProteinRegistry::kAmbiguous;
      LineCounts& dropRow = rows[declared ? declaredRow : nSpecies * nSpecies];
      ++dropRow.read;
      ++(unknown ? dropRow.unknown : dropRow.ambiguous);
      ++(unknown ? result.lines.unknown : result.lines.ambiguous);
      if (a == why) miss(0);
      if (b == why) miss(1);
      continue;
    }
    const auto la = resolver.proteins(a), lb = resolver.proteins(b);
    size_t row = SIZE_MAX;
    for (size_t x = 0; x < la.second; ++x)
      for (size_t y = 0; y < lb.second; ++y) {
        int32_t pa = la.first[x], pb = lb.first[y];
        if (pa == pb) continue;
        size_t sa = reg.species(pa), sb = reg.species(pb);
        if (sa > sb || (sa == sb && rank[pa] > rank[pb])) {
          std::swap(pa, pb);
          std::swap(sa, sb);
        }
        pairs[sa * nSpecies + sb].push_back({pairKey(rank[pa], rank[pb]), value});
        if (row == SIZE_MAX) row = sa * nSpecies + sb;
      }
    if (row == SIZE_MAX) {
      const size_t sa = reg.species(la.first[0]);
      LineCounts& r = rows[declared ? declaredRow : sa * nSpecies + sa];
      ++r.read;
      ++r.self;
      ++result.lines.self;
    } else {
      LineCounts& r = rows[declared ? declaredRow : row];
      ++r.read;
      ++r.kept;
      ++result.lines.kept;
    }
  }
  return result;
}
