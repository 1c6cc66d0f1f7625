#include "prepare/prepare.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <unordered_map>

#include "base/error.h"
#include "base/output_file.h"
#include "base/text.h"
#include "forecast/forecast.h"
#include "io/text_input.h"
#include "prepare/identifiers.h"

namespace {

// A species pair's hit, or an interaction, before repeats are collapsed: the
// two proteins as ranks in the name-sorted protein list (first species' protein
// high, second's low; within one species the smaller rank high), so sorting
// the keys sorts the output lines by name.
struct Scored {
  uint64_t key;
  double score;
};

struct ProteinEdge {
  int32_t a, b;  // protein numbers of the registry
  double weight;
};

uint64_t pairKey(uint32_t hi, uint32_t lo) { return (static_cast<uint64_t>(hi) << 32) | lo; }

// Sorts by key and keeps the largest score of every key; returns the repeats removed.
long collapseMax(std::vector<Scored>& v) {
  std::sort(v.begin(), v.end(), [](const Scored& x, const Scored& y) {
    return x.key < y.key || (x.key == y.key && x.score > y.score);
  });
  size_t kept = 0;
  for (size_t i = 0; i < v.size(); ++i)
    if (kept == 0 || v[kept - 1].key != v[i].key) v[kept++] = v[i];
  const long removed = static_cast<long>(v.size() - kept);
  v.resize(kept);
  return removed;
}

void checkCode(const std::string& code) {
  if (code.empty() || code.find_first_of("-/=| \t\r\n") != std::string::npos)
    throw RunError("species code " + quoteToken(code) +
                   " must be non-empty, without '-', '/', '=', '|' or blanks (it names files A-B.evals)");
}

// Every output goes through one of these: a big buffer, flushed to the
// temporary file as it fills, renamed into place by commit().
class Writer {
 public:
  explicit Writer(const std::string& path) : file_(path) {
    if (!file_.open()) throw RunError("cannot write " + printable(path));
    buf_.reserve(kChunk + 4096);
  }
  std::string& buf() { return buf_; }
  void maybeFlush() {
    if (buf_.size() >= kChunk) flush();
  }
  void commit() {
    flush();
    if (!file_.commit()) throw RunError("cannot write " + printable(file_.path()));
  }

 private:
  static constexpr size_t kChunk = 1 << 20;
  void flush() {
    if (!buf_.empty()) std::fwrite(buf_.data(), 1, buf_.size(), file_.file());
    buf_.clear();
  }
  OutputFile file_;
  std::string buf_;
};

struct SpeciesInput {
  std::string code, path;
  RawNetwork net;
  std::vector<Scored> edges;
  long selfLoops = 0, repeats = 0, proteins = 0, noCrossHit = 0;
};

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

struct HitCounts {
  long lines = 0, kept = 0, unknown = 0, ambiguous = 0, self = 0, repeats = 0, rewritten = 0;
};

// Reads the hit tables: every line's two proteins and its score go to the
// list of their species pair (index i * n + j for species i <= j).
void readHits(const std::string& path, int scoreColumn, bool normalise, const ProteinRegistry& reg,
              const std::vector<uint32_t>& rank, size_t nSpecies,
              IdCache& cache, std::vector<std::vector<Scored>>& pairs,
              HitCounts& counts) {
  TextInput in(path);
  std::string line, id;
  const size_t need = std::max<size_t>(2, static_cast<size_t>(scoreColumn));
  const char* field[2];
  size_t fieldLen[2];
  const std::hash<std::string_view> hasher;
  auto resolve = [&](const char* s, size_t n) {
    const std::string_view text(s, n);
    const uint64_t hash = hasher(text);
    int32_t p;
    if (cache.find(text, hash, p)) return p;
    id.assign(s, n);
    const bool rewritten = normalise && normaliseUniprot(id);
    p = reg.find(id);
    if (rewritten) ++counts.rewritten;
    cache.insert(text, hash, p);
    return p;
  };
  // A search writes a query's hits together, so the last query is looked up once.
  std::string lastQuery;
  int32_t lastQueryProtein = ProteinRegistry::kUnknown;
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
      throw RunError(printable(path) + " line " + std::to_string(in.lineNumber()) + ": " +
                     std::to_string(k) + " fields; the score is column " + std::to_string(scoreColumn) +
                     " (a BLAST or DIAMOND table in -outfmt 6 has 12; --score-column names another)");
    ++counts.lines;
    double value;
    if (!parseFiniteDouble(std::string_view(score, scoreLen), value))
      throw RunError(printable(path) + " line " + std::to_string(in.lineNumber()) + ": column " +
                     std::to_string(scoreColumn) + " holds " + quoteToken(std::string_view(score, scoreLen)) +
                     ", not a number (--score-column names the score column)");
    int32_t a;
    if (fieldLen[0] == lastQuery.size() && std::memcmp(field[0], lastQuery.data(), fieldLen[0]) == 0) {
      a = lastQueryProtein;
    } else {
      a = lastQueryProtein = resolve(field[0], fieldLen[0]);
      lastQuery.assign(field[0], fieldLen[0]);
    }
    int32_t b = resolve(field[1], fieldLen[1]);
    if (a == ProteinRegistry::kUnknown || b == ProteinRegistry::kUnknown) {
      ++counts.unknown;
      continue;
    }
    if (a < 0 || b < 0) {
      ++counts.ambiguous;
      continue;
    }
    if (a == b) {
      ++counts.self;
      continue;
    }
    size_t sa = reg.species(a), sb = reg.species(b);
    if (sa > sb || (sa == sb && rank[a] > rank[b])) {
      std::swap(a, b);
      std::swap(sa, sb);
    }
    pairs[sa * nSpecies + sb].push_back({pairKey(rank[a], rank[b]), value});
  }
}

void readFasta(const std::string& path, int species, bool normalise, const std::vector<std::string>& codes,
               const std::vector<std::string>& paths, ProteinRegistry& reg, long& rewritten) {
  TextInput in(path);
  std::string line;
  while (in.getLine(line)) {
    if (line.empty() || line[0] != '>') continue;
    const size_t end = line.find_first_of(" \t", 1);
    std::string id = line.substr(1, end == std::string::npos ? std::string::npos : end - 1);
    if (id.empty())
      throw RunError(printable(path) + " line " + std::to_string(in.lineNumber()) +
                     ": a FASTA header without an identifier");
    const bool changed = normalise && normaliseUniprot(id);
    const size_t before = reg.size();
    if (reg.add(id, species, codes) == ProteinRegistry::kAmbiguous) {
      const int other = reg.speciesOf(id);
      throw RunError(printable(path) + " line " + std::to_string(in.lineNumber()) + ": " +
                     quoteToken(id) + " is also a protein of " + codes[other] + " (" +
                     printable(paths[other]) +
                     "); identifiers must be unique across species: --prefix-ids prefixes every "
                     "identifier with 'CODE|'");
    }
    if (changed && reg.size() > before) ++rewritten;
  }
}

// The summary: for people on `log`, for programs in DIR/prepare.tsv as
// "section name measure value" rows (species by code, pairs as A-B in the
// order of the pair files, then the hit and identifier counts).
void writeSummary(const std::vector<SpeciesInput>& sp, const std::vector<std::string>& codes,
                  const std::vector<long>& keptPerPair, const HitCounts& hits, long rewritten,
                  const std::string& outDir, std::ostream& log) {
  const size_t n = codes.size();
  std::string tsv = "section\tname\tmeasure\tvalue\n";
  auto row = [&](const std::string& section, const std::string& name, const char* measure, long long value) {
    tsv += section + '\t' + name + '\t' + measure + '\t' + std::to_string(value) + '\n';
  };
  for (const SpeciesInput& s : sp) {
    const RawNetwork& net = s.net;
    log << "species " << s.code << ": " << networkFormatName(net.format) << " " << s.path << "\n"
        << "  " << s.proteins << " proteins, " << s.edges.size() << " interactions"
        << (net.weighted ? " (weighted)" : "") << "; removed " << s.selfLoops << " self-interactions, "
        << s.repeats << " repeats\n";
    std::string left;
    auto leftOut = [&](long count, const std::string& why) {
      if (count) left += (left.empty() ? "" : ", ") + std::to_string(count) + " " + why;
    };
    leftOut(net.otherTaxon, "with a partner outside taxon " + std::to_string(net.taxon));
    leftOut(net.notPhysical, "not physical");
    leftOut(net.noIdentifier, "without an identifier");
    leftOut(net.belowMinScore, "below --min-score");
    if (!left.empty()) log << "  records left out: " << left << "\n";
    log << "  " << s.noCrossHit << " proteins without any cross-species hit\n";
    row("species", s.code, "proteins", s.proteins);
    row("species", s.code, "interactions", static_cast<long long>(s.edges.size()));
    row("species", s.code, "self_interactions_removed", s.selfLoops);
    row("species", s.code, "repeats_removed", s.repeats);
    row("species", s.code, "other_taxon_dropped", net.otherTaxon);
    row("species", s.code, "not_physical_dropped", net.notPhysical);
    row("species", s.code, "no_identifier_dropped", net.noIdentifier);
    row("species", s.code, "below_min_score_dropped", net.belowMinScore);
    row("species", s.code, "without_cross_species_hit", s.noCrossHit);
  }
  for (size_t a = 0; a < n; ++a)
    for (size_t b = a; b < n; ++b) {
      const std::string name = codes[a] + "-" + codes[b];
      log << "pair " << name << ": " << keptPerPair[a * n + b] << " hits kept\n";
      row("pair", name, "hits_kept", keptPerPair[a * n + b]);
    }
  log << "hits: " << hits.lines << " lines read, " << hits.kept << " pairs kept; " << hits.repeats
      << " repeats (HSPs, both directions) collapsed to the largest score; dropped " << hits.unknown
      << " naming a protein of no species, " << hits.ambiguous << " naming an identifier of several species, "
      << hits.self << " of a protein with itself\n";
  log << "identifiers rewritten by normalisation: " << rewritten << "\n";
  row("hits", "all", "lines", hits.lines);
  row("hits", "all", "pairs_kept", hits.kept);
  row("hits", "all", "repeats_collapsed", hits.repeats);
  row("hits", "all", "unknown_protein_dropped", hits.unknown);
  row("hits", "all", "ambiguous_identifier_dropped", hits.ambiguous);
  row("hits", "all", "self_hit_dropped", hits.self);
  row("identifiers", "all", "rewritten", rewritten);
  {
    Writer w(outDir + "/prepare.tsv");
    w.buf() = tsv;
    w.commit();
  }
}

}  // namespace

void appendNumber(std::string& out, double value) {
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, value);
  out.append(buf, r.ptr);
}

void runPrepare(const PrepareOptions& options, std::ostream& log) {
  if (options.outDir.empty()) throw RunError("--out DIR is required");
  if (options.species.empty()) throw RunError("at least one --species CODE=NETWORK_FILE is required");
  if (options.scoreColumn < 1) throw RunError("--score-column must be 1 or more");

  // Species in sorted code order: the order trivanex gives them.
  std::vector<SpeciesInput> sp;
  for (const auto& s : options.species) {
    checkCode(s.first);
    sp.push_back({s.first, s.second, {}, {}});
  }
  std::sort(sp.begin(), sp.end(), [](const SpeciesInput& a, const SpeciesInput& b) { return a.code < b.code; });
  std::vector<std::string> codes, paths;
  for (size_t i = 0; i < sp.size(); ++i) {
    if (i > 0 && sp[i].code == sp[i - 1].code) throw RunError("species " + sp[i].code + " is given twice");
    codes.push_back(sp[i].code);
    paths.push_back(sp[i].path);
  }
  auto codeIndex = [&](const std::string& code, const char* option) {
    auto it = std::lower_bound(codes.begin(), codes.end(), code);
    if (it == codes.end() || *it != code)
      throw RunError(std::string(option) + " names " + quoteToken(code) + ", which no --species gives");
    return static_cast<int>(it - codes.begin());
  };
  for (const auto& f : options.formats)
    if (!f.first.empty()) codeIndex(f.first, "--network-format");
  for (const auto& t : options.taxa) codeIndex(t.first, "--taxon");

  namespace fs = std::filesystem;
  std::error_code ec;
  fs::create_directories(options.outDir, ec);
  if (ec) throw RunError("cannot create the folder " + printable(options.outDir) + " (" + ec.message() + ")");
  const std::string dir = fs::absolute(options.outDir).lexically_normal().string();
  const std::string outDir = dir.size() > 1 && dir.back() == '/' ? dir.substr(0, dir.size() - 1) : dir;
  if (outDir.find_first_of(" \t\r\n\v\f") != std::string::npos)
    throw RunError("the folder " + printable(outDir) +
                   " has a blank in its path, which a data-description file cannot hold");

  const bool normalise = options.network.normalise;
  ProteinRegistry reg(options.prefixIds);
  long rewritten = 0;

  // Networks: each file read and filtered on its own, then its proteins numbered.
  std::vector<std::vector<ProteinEdge>> edgeProteins(sp.size());
  for (size_t s = 0; s < sp.size(); ++s) {
    NetworkOptions no = options.network;
    auto f = options.formats.find(sp[s].code);
    if (f == options.formats.end()) f = options.formats.find("");
    if (f != options.formats.end()) no.format = f->second;
    auto t = options.taxa.find(sp[s].code);
    if (t != options.taxa.end()) no.taxon = t->second;
    sp[s].net = readNetwork(sp[s].path, no);
    RawNetwork& net = sp[s].net;
    rewritten += net.rewritten;
    std::vector<int32_t> global(net.names.size(), -1);
    auto reach = [&](uint32_t k) {
      if (global[k] < 0) {
        global[k] = reg.add(net.names[k], static_cast<int>(s), codes);
        if (global[k] == ProteinRegistry::kAmbiguous) {
          const int other = reg.speciesOf(net.names[k]);
          throw RunError(printable(sp[s].path) + " line " + std::to_string(net.firstLine[k]) + ": " +
                         quoteToken(net.names[k]) + " is also a protein of " + codes[other] + " (" +
                         printable(paths[other]) +
                         "); identifiers must be unique across species: --prefix-ids prefixes every "
                         "identifier with 'CODE|'");
        }
      }
      return global[k];
    };
    for (const RawEdge& e : net.edges) {
      if (e.a == e.b) {
        ++sp[s].selfLoops;
        continue;
      }
      const int32_t a = reach(e.a);
      edgeProteins[s].push_back({a, reach(e.b), e.weight});
    }
    if (edgeProteins[s].empty())
      throw RunError(printable(sp[s].path) + " line " + std::to_string(net.lines) +
                     ": no interaction left after filtering (" + std::to_string(net.records) +
                     " records; " + std::to_string(net.otherTaxon) + " with a partner of another taxon, " +
                     std::to_string(net.notPhysical) + " not physical, " + std::to_string(net.noIdentifier) +
                     " without an identifier, " + std::to_string(net.belowMinScore) + " below --min-score, " +
                     std::to_string(sp[s].selfLoops) + " self-interactions)");
  }

  for (const auto& f : options.fasta)
    readFasta(f.second, codeIndex(f.first, "--fasta"), normalise, codes, paths, reg, rewritten);

  // Ranks in the name-sorted protein list: the order of every output.
  std::vector<uint32_t> rank(reg.size());
  {
    std::vector<uint32_t> order(reg.size());
    for (uint32_t p = 0; p < order.size(); ++p) order[p] = p;
    std::sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) { return reg.name(a) < reg.name(b); });
    for (uint32_t r = 0; r < order.size(); ++r) rank[order[r]] = r;
  }
  std::vector<uint32_t> byRank(reg.size());
  for (uint32_t p = 0; p < rank.size(); ++p) byRank[rank[p]] = p;

  for (size_t s = 0; s < sp.size(); ++s) {
    for (const ProteinEdge& e : edgeProteins[s]) {
      uint32_t a = rank[e.a], b = rank[e.b];
      if (a > b) std::swap(a, b);
      sp[s].edges.push_back({pairKey(a, b), e.weight});
    }
    sp[s].repeats = collapseMax(sp[s].edges);
    std::vector<ProteinEdge>().swap(edgeProteins[s]);
    std::vector<RawEdge>().swap(sp[s].net.edges);
  }

  // Hits, collected per species pair.
  const size_t n = sp.size();
  std::vector<std::vector<Scored>> pairs(n * n);
  HitCounts hits;
  {
    IdCache cache;
    for (const std::string& path : options.hits)
      readHits(path, options.scoreColumn, normalise, reg, rank, n, cache, pairs, hits);
  }
  rewritten += hits.rewritten;

  std::vector<char> crossHit(reg.size(), 0);
  std::vector<long> keptPerPair(n * n, 0);
  for (size_t a = 0; a < n; ++a)
    for (size_t b = a; b < n; ++b) {
      std::vector<Scored>& v = pairs[a * n + b];
      hits.repeats += collapseMax(v);
      keptPerPair[a * n + b] = static_cast<long>(v.size());
      hits.kept += static_cast<long>(v.size());
      Writer w(outDir + "/" + codes[a] + "-" + codes[b] + ".evals");
      std::string& buf = w.buf();
      for (const Scored& h : v) {
        const uint32_t pa = byRank[h.key >> 32], pb = byRank[h.key & 0xffffffffu];
        if (a != b) crossHit[pa] = crossHit[pb] = 1;
        buf += reg.name(pa);
        buf += ' ';
        buf += reg.name(pb);
        buf += ' ';
        appendNumber(buf, h.score);
        buf += '\n';
        w.maybeFlush();
      }
      w.commit();
      std::vector<Scored>().swap(v);
    }

  for (size_t s = 0; s < n; ++s) {
    Writer w(outDir + "/" + codes[s] + ".tab");
    std::string& buf = w.buf();
    const bool weighted = sp[s].net.weighted;
    buf += weighted ? "INTERACTOR_A INTERACTOR_B CONF_VAL\n" : "INTERACTOR_A INTERACTOR_B\n";
    std::vector<uint32_t> members;
    for (const Scored& e : sp[s].edges) {
      const uint32_t pa = byRank[e.key >> 32], pb = byRank[e.key & 0xffffffffu];
      members.push_back(pa);
      members.push_back(pb);
      buf += reg.name(pa);
      buf += ' ';
      buf += reg.name(pb);
      if (weighted) {
        buf += ' ';
        appendNumber(buf, e.score);
      }
      buf += '\n';
      w.maybeFlush();
    }
    w.commit();
    std::sort(members.begin(), members.end());
    members.erase(std::unique(members.begin(), members.end()), members.end());
    sp[s].proteins = static_cast<long>(members.size());
    for (uint32_t p : members)
      if (!crossHit[p]) ++sp[s].noCrossHit;
  }

  writeSummary(sp, codes, keptPerPair, hits, rewritten, outDir, log);
  // data.in last: it names a folder whose files are all in place.
  {
    Writer w(outDir + "/data.in");
    std::string& buf = w.buf();
    buf = outDir + " -\n" + std::to_string(n);
    for (const std::string& c : codes) buf += ' ' + c;
    buf += '\n';
    w.commit();
  }
  forecast::printRunForecast(outDir + "/data.in", log);
  log << "wrote " << outDir << "/data.in: run trivanex " << outDir << "/data.in\n";
  log.flush();
}
