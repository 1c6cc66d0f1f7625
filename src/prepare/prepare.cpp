#include "prepare/prepare.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <unordered_map>
#include <unordered_set>

#include "base/error.h"
#include "base/output_file.h"
#include "base/text.h"
#include "io/text_input.h"
#include "prepare/hit_tables.h"
#include "prepare/id_map.h"
#include "prepare/identifiers.h"

namespace {

struct ProteinEdge {
  int32_t a, b;  // protein numbers of the registry
  double weight;
};

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

// A protein read from a FASTA file: the file (index into the --fasta list)
// and line, for messages about a name two species share.
struct FastaEntry {
  int file;
  long line;
};

struct SpeciesInput {
  std::string code, path;
  RawNetwork net;
  std::vector<Scored> edges;
  long selfLoops = 0, repeats = 0, proteins = 0, noCrossHit = 0;
  long outsideFasta = 0;                 // interactions naming a protein outside its FASTA files
  long foreignIds = 0, foreignEdges = 0;  // identifiers of several networks left out, and their interactions
  IdMapCounts mapped;                    // the network's identifiers in the --id-map files
  // With --fasta, the species' proteins: exactly the FASTA files' (in file order).
  bool hasFasta = false;
  std::unordered_map<std::string, FastaEntry> fasta;
  std::vector<std::string> fastaOrder;
  std::vector<std::string> sample;  // a few protein names, for messages about identifiers that meet nothing
};

// The facts behind a hit table whose lines meet few proteins: what its
// columns name, what the species' proteins are named, and the remedies.
std::string hitTableFacts(const TableResult& t, const std::vector<int>& species,
                          const std::vector<SpeciesInput>& sp) {
  std::string out;
  for (int c = 0; c < 2; ++c)
    if (!t.misses[c].empty())
      out += "\n  column " + std::to_string(c + 1) + " names " + describeIdentifiers(t.misses[c]);
  for (int s : species)
    out += "\n  the proteins of " + sp[s].code + " are named like " + describeIdentifiers(sp[s].sample);
  out += "\n  remedies: --id-map FILE maps the table's identifiers to the networks' (UniProt idmapping, HGNC, "
         "HomoloGene or BioMart exports; see the README); --hits A,B=FILE says which species each column "
         "names, so a name that several species share still finds its protein";
  return out;
}

void readFasta(const std::string& path, int file, SpeciesInput& s, bool normalise, const IdMap& map,
               IdMapCounts& mapped, long& rewritten) {
  TextInput in(path);
  std::string line;
  s.hasFasta = true;
  while (in.getLine(line)) {
    if (line.empty() || line[0] != '>') continue;
    const size_t end = line.find_first_of(" \t", 1);
    std::string id = line.substr(1, end == std::string::npos ? std::string::npos : end - 1);
    if (id.empty())
      throw RunError(printable(path) + " line " + std::to_string(in.lineNumber()) +
                     ": a FASTA header without an identifier");
    if (normalise && normaliseUniprot(id)) ++rewritten;
    const std::vector<std::string>* targets = map.empty() ? nullptr : map.findCounted(id, mapped);
    auto keep = [&](const std::string& name) {
      if (s.fasta.emplace(name, FastaEntry{file, in.lineNumber()}).second) s.fastaOrder.push_back(name);
    };
    if (targets)
      for (const std::string& t : *targets) keep(t);
    else
      keep(id);
  }
}

// The network's identifiers through the id map: an interaction of an
// identifier that maps to several becomes one interaction for each.
void mapNetwork(RawNetwork& net, const IdMap& map, IdMapCounts& counts) {
  if (map.empty()) return;
  RawNetwork out;
  std::unordered_map<std::string, uint32_t> index;
  std::vector<uint32_t> start(net.names.size() + 1, 0), flat;
  auto intern = [&](const std::string& name, long line) {
    auto found = index.emplace(name, static_cast<uint32_t>(out.names.size()));
    if (found.second) {
      out.names.push_back(name);
      out.firstLine.push_back(line);
    }
    flat.push_back(found.first->second);
  };
  for (size_t k = 0; k < net.names.size(); ++k) {
    const std::vector<std::string>* targets = map.findCounted(net.names[k], counts);
    if (targets)
      for (const std::string& t : *targets) intern(t, net.firstLine[k]);
    else
      intern(net.names[k], net.firstLine[k]);
    start[k + 1] = static_cast<uint32_t>(flat.size());
  }
  for (const RawEdge& e : net.edges)
    for (uint32_t i = start[e.a]; i < start[e.a + 1]; ++i)
      for (uint32_t j = start[e.b]; j < start[e.b + 1]; ++j) out.edges.push_back({flat[i], flat[j], e.weight});
  net.names = std::move(out.names);
  net.firstLine = std::move(out.firstLine);
  net.edges = std::move(out.edges);
}

// Who holds an identifier: a species whose network names it (byFasta: a
// species whose FASTA files hold it), with its interactions there, and where
// it is first met, for the messages.
struct Holder {
  int species;
  bool byFasta;
  uint32_t name;  // index into the species' network names; UINT32_MAX for a FASTA-only protein
  long interactions;
  int32_t next;  // the identifier's next holder, -1 at the end
};

// Why a network lost every interaction to its FASTA files: what each names.
std::string outsideFastaFacts(const SpeciesInput& s) {
  if (s.outsideFasta == 0) return "";
  std::vector<std::string> network(s.net.names.begin(), s.net.names.begin() + std::min<size_t>(3, s.net.names.size()));
  std::vector<std::string> fasta(s.fastaOrder.begin(), s.fastaOrder.begin() + std::min<size_t>(3, s.fastaOrder.size()));
  return "\n  the network names " + describeIdentifiers(network) + "; the FASTA files name " +
         describeIdentifiers(fasta) + "\n  remedy: --id-map FILE maps one kind of identifier to the other (see the README)";
}

// Decides which species each identifier is a protein of. A species given
// FASTA files has exactly their proteins: its interactions naming others are
// dropped. An identifier still in the networks of several species is, in
// organism-wide exports, a protein of one species listed as the partner of
// another's; --foreign drops it, or leaves it to the network where it has
// most interactions (a species holding it by FASTA always keeps it). A name in
// several species that stays (shared names) needs --prefix-ids. Otherwise
// the run stops with the counts, the likely cause and the remedies.
void settleSpecies(std::vector<SpeciesInput>& sp, const PrepareOptions& options) {
  const size_t n = sp.size();
  std::vector<std::vector<long>> degree(n);
  for (size_t s = 0; s < n; ++s) {
    RawNetwork& net = sp[s].net;
    degree[s].assign(net.names.size(), 0);
    size_t kept = 0;
    for (const RawEdge& e : net.edges) {
      if (e.a == e.b) {
        ++sp[s].selfLoops;
        continue;
      }
      if (sp[s].hasFasta && (!sp[s].fasta.count(net.names[e.a]) || !sp[s].fasta.count(net.names[e.b]))) {
        ++sp[s].outsideFasta;
        continue;
      }
      net.edges[kept++] = e;
      ++degree[s][e.a];
      ++degree[s][e.b];
    }
    net.edges.resize(kept);
  }

  std::vector<Holder> holders;
  std::unordered_map<std::string_view, int32_t> head;
  auto hold = [&](std::string_view id, const Holder& h) {
    auto found = head.emplace(id, static_cast<int32_t>(holders.size()));
    holders.push_back(h);
    if (!found.second) {
      holders.back().next = found.first->second;
      found.first->second = static_cast<int32_t>(holders.size() - 1);
    }
  };
  for (size_t s = 0; s < n; ++s) {
    const RawNetwork& net = sp[s].net;
    std::unordered_set<std::string_view> inNetwork;
    for (uint32_t k = 0; k < net.names.size(); ++k)
      if (degree[s][k] > 0) {
        hold(net.names[k], {static_cast<int>(s), sp[s].hasFasta, k, degree[s][k], -1});
        if (sp[s].hasFasta) inNetwork.insert(net.names[k]);
      }
    for (const std::string& id : sp[s].fastaOrder)
      if (!inNetwork.count(id)) hold(id, {static_cast<int>(s), true, UINT32_MAX, 0, -1});
  }

  // Per species: identifiers left out as foreign; counts for the messages.
  std::vector<std::vector<char>> dropped(n);
  for (size_t s = 0; s < n; ++s) dropped[s].assign(sp[s].net.names.size(), 0);
  long foreign = 0, shared = 0;
  std::vector<long> likelyForeign(n, 0);
  std::string firstForeign, firstShared;  // the smallest such identifier, for the example
  for (const auto& h : head) {
    if (holders[h.second].next < 0) continue;
    int count = 0, networkOnly = 0, byFasta = 0;
    long most = 0;
    for (int32_t i = h.second; i >= 0; i = holders[i].next) {
      ++count;
      (holders[i].byFasta ? byFasta : networkOnly)++;
      most = std::max(most, holders[i].interactions);
    }
    int left = count;
    if (networkOnly > 0 && options.foreign == ForeignProteins::Stop && !options.prefixIds) {
      ++foreign;
      if (firstForeign.empty() || h.first < firstForeign) firstForeign = std::string(h.first);
      for (int32_t i = h.second; i >= 0; i = holders[i].next)
        if (holders[i].interactions < most) ++likelyForeign[holders[i].species];
      continue;
    }
    if (networkOnly > 0 && options.foreign != ForeignProteins::Stop) {
      // The one network-only holder that keeps it under majority: the unique largest.
      int32_t keeper = -1;
      if (options.foreign == ForeignProteins::Majority && byFasta == 0) {
        int atMost = 0;
        for (int32_t i = h.second; i >= 0; i = holders[i].next)
          if (holders[i].interactions == most) {
            ++atMost;
            keeper = i;
          }
        if (atMost > 1) keeper = -1;
      }
      for (int32_t i = h.second; i >= 0; i = holders[i].next)
        if (!holders[i].byFasta && i != keeper) {
          dropped[holders[i].species][holders[i].name] = 1;
          ++sp[holders[i].species].foreignIds;
          --left;
        }
    }
    if (left > 1 && !options.prefixIds) {
      ++shared;
      if (firstShared.empty() || h.first < firstShared) firstShared = std::string(h.first);
    }
  }

  // "'X' is also a protein of b (b.txt line 4)": the example's two last holders.
  auto example = [&](const std::string& id) {
    std::vector<const Holder*> hs;
    for (int32_t i = head.find(id)->second; i >= 0; i = holders[i].next) hs.push_back(&holders[i]);
    std::sort(hs.begin(), hs.end(), [](const Holder* x, const Holder* y) { return x->species < y->species; });
    auto where = [&](const Holder& h) {
      const SpeciesInput& s = sp[h.species];
      if (h.byFasta && h.name == UINT32_MAX) {
        const FastaEntry& f = s.fasta.at(id);
        return printable(options.fasta[f.file].second) + " line " + std::to_string(f.line);
      }
      return printable(s.path) + " line " + std::to_string(s.net.firstLine[h.name]);
    };
    return where(*hs[1]) + ": " + quoteToken(id) + " is also a protein of " + sp[hs[0]->species].code + " (" +
           where(*hs[0]) + ")";
  };
  if (foreign > 0) {
    std::string likely;
    for (size_t s = 0; s < n; ++s)
      if (likelyForeign[s] > 0)
        likely += (likely.empty() ? "" : ", ") + std::to_string(likelyForeign[s]) + " in " + sp[s].code + "'s";
    throw RunError(
        example(firstForeign) + "\n  " + std::to_string(foreign) +
        " identifiers are in the networks of several species" +
        (likely.empty() ? std::string() : " (with fewer interactions there than in another network: " + likely + ")") +
        ". Organism-wide exports (BioGRID, IntAct) also list interactions with proteins of other species, "
        "which then sit in two networks.\n"
        "  remedies: --fasta CODE=FILE for the species (its proteins are then exactly its FASTA's; interactions "
        "naming others are dropped and counted); --foreign majority (each such identifier stays in the network "
        "where it has most interactions) or --foreign drop (interactions naming one are dropped); or the "
        "BioGRID TAB3 or PSI-MI TAB file with --taxon CODE=TAXID\n"
        "  only if the species really share names (gene symbols, say): --prefix-ids, with --hits A,B=FILE so "
        "that the hit tables say which species each column names");
  }
  if (shared > 0)
    throw RunError(example(firstShared) + "\n  " + std::to_string(shared) +
                   " identifiers are proteins of several species, and trivanex needs identifiers unique "
                   "across species.\n  the species share names: --prefix-ids writes every identifier as "
                   "CODE|identifier; give the hit tables as --hits A,B=FILE so that same-name pairs "
                   "(the surest orthologs) are kept");

  for (size_t s = 0; s < n; ++s) {
    if (!sp[s].foreignIds) continue;
    RawNetwork& net = sp[s].net;
    size_t kept = 0;
    for (const RawEdge& e : net.edges) {
      if (dropped[s][e.a] || dropped[s][e.b])
        ++sp[s].foreignEdges;
      else
        net.edges[kept++] = e;
    }
    net.edges.resize(kept);
  }
}

struct HitTotals {
  long repeats = 0, kept = 0, rewritten = 0;
};

// Everything the summary reports, gathered as the run goes.
struct Summary {
  std::vector<long> keptPerPair;  // protein pairs written per species pair
  std::vector<LineCounts> rows;   // hit lines per species pair; the last: lines that reach no pair
  LineCounts lines;               // all hit lines
  HitTotals hits;
  long rewritten = 0;
  bool idMap = false;
  std::vector<std::pair<std::string, IdMapCounts>> mapped;  // per input, when there is an id map
};

// The summary is written in sections, each for people on `log` and for
// programs as "section name measure value" rows of DIR/prepare.tsv (species
// by code, pairs as A-B in the order of the pair files).
class SummaryWriter {
 public:
  SummaryWriter(std::ostream& log) : log_(log) {}

  void species(const SpeciesInput& s) {
    const RawNetwork& net = s.net;
    log_ << "species " << s.code << ": " << networkFormatName(net.format) << " " << s.path << "\n"
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
    leftOut(s.outsideFasta, "naming a protein outside its FASTA files");
    leftOut(s.foreignEdges, "naming one of " + std::to_string(s.foreignIds) + " foreign identifiers (--foreign)");
    if (!left.empty()) log_ << "  records left out: " << left << "\n";
    log_ << "  " << s.noCrossHit << " proteins without any cross-species hit\n";
    row("species", s.code, "proteins", s.proteins);
    row("species", s.code, "interactions", static_cast<long long>(s.edges.size()));
    row("species", s.code, "self_interactions_removed", s.selfLoops);
    row("species", s.code, "repeats_removed", s.repeats);
    row("species", s.code, "other_taxon_dropped", net.otherTaxon);
    row("species", s.code, "not_physical_dropped", net.notPhysical);
    row("species", s.code, "no_identifier_dropped", net.noIdentifier);
    row("species", s.code, "below_min_score_dropped", net.belowMinScore);
    row("species", s.code, "outside_fasta_dropped", s.outsideFasta);
    row("species", s.code, "foreign_dropped", s.foreignEdges);
    row("species", s.code, "foreign_identifiers", s.foreignIds);
    row("species", s.code, "without_cross_species_hit", s.noCrossHit);
  }

  void hitTotals(const Summary& sum) {
    log_ << "hits: " << sum.lines.read << " lines read, " << sum.hits.kept << " pairs kept; " << sum.hits.repeats
         << " repeats (HSPs, both directions) collapsed to the largest score; dropped " << sum.lines.unknown
         << " naming a protein of no species, " << sum.lines.ambiguous
         << " naming an identifier of several species, " << sum.lines.self << " of a protein with itself\n";
    log_ << "identifiers rewritten by normalisation: " << sum.rewritten << "\n";
    row("hits", "all", "lines", sum.lines.read);
    row("hits", "all", "pairs_kept", sum.hits.kept);
    row("hits", "all", "repeats_collapsed", sum.hits.repeats);
    row("hits", "all", "unknown_protein_dropped", sum.lines.unknown);
    row("hits", "all", "ambiguous_identifier_dropped", sum.lines.ambiguous);
    row("hits", "all", "self_hit_dropped", sum.lines.self);
    row("identifiers", "all", "rewritten", sum.rewritten);
  }

  // Per input: its distinct identifiers found in the --id-map files, those
  // mapped to several (each then stands for all of them), and those not found.
  void idMap(const Summary& sum) {
    if (!sum.idMap) return;
    long several = 0;
    for (const auto& m : sum.mapped) {
      log_ << "id map: " << m.first << ": " << m.second.mapped << " identifiers mapped (" << m.second.several
           << " to several), " << m.second.unmapped << " not in the map, kept as they are\n";
      row("id_map", m.first, "mapped", m.second.mapped);
      row("id_map", m.first, "mapped_to_several", m.second.several);
      row("id_map", m.first, "unmapped", m.second.unmapped);
      several += m.second.several;
    }
    if (several)
      log_ << "id map: an identifier mapped to several stands for each of them; a protein pair reached from "
              "several lines keeps the largest score\n";
  }

  // The closing table: per species pair the hit lines read, kept and dropped
  // by cause, and the protein pairs written.
  void pairTable(const Summary& sum, const std::vector<std::string>& codes) {
    const size_t n = codes.size();
    std::vector<std::vector<std::string>> cells = {
        {"pair", "lines", "kept", "no species", "several species", "self", "pairs written"}};
    auto add = [&](const std::string& name, const LineCounts& c, long written) {
      cells.push_back({name, std::to_string(c.read), std::to_string(c.kept), std::to_string(c.unknown),
                       std::to_string(c.ambiguous), std::to_string(c.self),
                       written < 0 ? "-" : std::to_string(written)});
      row("pair", name, "lines_read", c.read);
      row("pair", name, "lines_kept", c.kept);
      row("pair", name, "unknown_protein_dropped", c.unknown);
      row("pair", name, "ambiguous_identifier_dropped", c.ambiguous);
      row("pair", name, "self_hit_dropped", c.self);
      if (written >= 0) row("pair", name, "hits_kept", written);
    };
    for (size_t a = 0; a < n; ++a)
      for (size_t b = a; b < n; ++b) add(codes[a] + "-" + codes[b], sum.rows[a * n + b], sum.keptPerPair[a * n + b]);
    if (sum.rows[n * n].read) add("unplaced", sum.rows[n * n], -1);
    std::vector<size_t> width(cells[0].size(), 0);
    for (const auto& r : cells)
      for (size_t c = 0; c < r.size(); ++c) width[c] = std::max(width[c], r[c].size());
    log_ << "hit lines per species pair (dropped: naming a protein of no species, an identifier of several "
            "species, a protein with itself; unplaced: lines that reach no pair):\n";
    for (const auto& r : cells) {
      std::string text = " ";
      for (size_t c = 0; c < r.size(); ++c) {
        text += ' ';
        if (c == 0) text += r[c] + std::string(width[c] - r[c].size(), ' ');
        else text += std::string(width[c] - r[c].size(), ' ') + r[c];
      }
      log_ << text << "\n";
    }
  }

  void writeTsv(const std::string& outDir) {
    Writer w(outDir + "/prepare.tsv");
    w.buf() = tsv_;
    w.commit();
  }

 private:
  void row(const std::string& section, const std::string& name, const char* measure, long long value) {
    tsv_ += section + '\t' + name + '\t' + measure + '\t' + std::to_string(value) + '\n';
  }
  std::ostream& log_;
  std::string tsv_ = "section\tname\tmeasure\tvalue\n";
};

void writeSummary(const std::vector<SpeciesInput>& sp, const std::vector<std::string>& codes, const Summary& sum,
                  const std::string& outDir, std::ostream& log) {
  SummaryWriter w(log);
  for (const SpeciesInput& s : sp) w.species(s);
  w.hitTotals(sum);
  w.idMap(sum);
  w.pairTable(sum, codes);
  w.writeTsv(outDir);
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
    sp.emplace_back();
    sp.back().code = s.first;
    sp.back().path = s.second;
  }
  std::sort(sp.begin(), sp.end(), [](const SpeciesInput& a, const SpeciesInput& b) { return a.code < b.code; });
  std::vector<std::string> codes;
  for (size_t i = 0; i < sp.size(); ++i) {
    if (i > 0 && sp[i].code == sp[i - 1].code) throw RunError("species " + sp[i].code + " is given twice");
    codes.push_back(sp[i].code);
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
  std::vector<std::pair<int, int>> tableSpecies;
  for (const HitTableInput& h : options.hits)
    tableSpecies.emplace_back(h.codeA.empty() ? -1 : codeIndex(h.codeA, "--hits"),
                              h.codeB.empty() ? -1 : codeIndex(h.codeB, "--hits"));

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
  IdMap idMap;
  for (const std::string& path : options.idMaps) idMap.read(path, options.idTypes);
  Summary sum;
  sum.idMap = !idMap.empty();

  // Networks, each read and filtered on its own, then FASTA files; then who
  // holds which identifier is settled across species.
  for (size_t s = 0; s < sp.size(); ++s) {
    NetworkOptions no = options.network;
    auto f = options.formats.find(sp[s].code);
    if (f == options.formats.end()) f = options.formats.find("");
    if (f != options.formats.end()) no.format = f->second;
    auto t = options.taxa.find(sp[s].code);
    if (t != options.taxa.end()) no.taxon = t->second;
    sp[s].net = readNetwork(sp[s].path, no);
    sum.rewritten += sp[s].net.rewritten;
    mapNetwork(sp[s].net, idMap, sp[s].mapped);
    if (sum.idMap) sum.mapped.emplace_back(sp[s].path, sp[s].mapped);
  }
  for (size_t i = 0; i < options.fasta.size(); ++i) {
    IdMapCounts mapped;
    const auto& f = options.fasta[i];
    readFasta(f.second, static_cast<int>(i), sp[codeIndex(f.first, "--fasta")], normalise, idMap, mapped,
              sum.rewritten);
    if (sum.idMap) sum.mapped.emplace_back(f.second, mapped);
  }
  settleSpecies(sp, options);
  for (const SpeciesInput& s : sp) {
    const long kept = static_cast<long>(s.net.edges.size());
    if (kept > 0 && 2 * s.outsideFasta > kept + s.outsideFasta + s.foreignEdges)
      log << "Warning: " << printable(s.path) << ": " << s.outsideFasta << " of its "
          << kept + s.outsideFasta + s.foreignEdges << " interactions name a protein outside the FASTA files of "
          << s.code << " and are dropped" << outsideFastaFacts(s) << "\n";
  }

  ProteinRegistry reg(options.prefixIds);
  std::vector<std::vector<ProteinEdge>> edgeProteins(sp.size());
  for (size_t s = 0; s < sp.size(); ++s) {
    RawNetwork& net = sp[s].net;
    std::vector<int32_t> global(net.names.size(), -1);
    auto reach = [&](uint32_t k) {
      if (global[k] < 0) {
        global[k] = reg.add(net.names[k], static_cast<int>(s), codes);
        if (sp[s].sample.size() < 3) sp[s].sample.push_back(net.names[k]);
      }
      return global[k];
    };
    for (const RawEdge& e : net.edges) {
      const int32_t a = reach(e.a);
      edgeProteins[s].push_back({a, reach(e.b), e.weight});
    }
    if (edgeProteins[s].empty())
      throw RunError(printable(sp[s].path) + " line " + std::to_string(net.lines) +
                     ": no interaction left after filtering (" + std::to_string(net.records) +
                     " records; " + std::to_string(net.otherTaxon) + " with a partner of another taxon, " +
                     std::to_string(net.notPhysical) + " not physical, " + std::to_string(net.noIdentifier) +
                     " without an identifier, " + std::to_string(net.belowMinScore) + " below --min-score, " +
                     std::to_string(sp[s].selfLoops) + " self-interactions" +
                     (sp[s].hasFasta ? ", " + std::to_string(sp[s].outsideFasta) + " outside its FASTA files" : "") +
                     (sp[s].foreignEdges ? ", " + std::to_string(sp[s].foreignEdges) + " foreign" : "") + ")" +
                     outsideFastaFacts(sp[s]));
  }
  for (size_t s = 0; s < sp.size(); ++s)
    for (const std::string& id : sp[s].fastaOrder) {
      reg.add(id, static_cast<int>(s), codes);
      if (sp[s].sample.size() < 3 && std::find(sp[s].sample.begin(), sp[s].sample.end(), id) == sp[s].sample.end())
        sp[s].sample.push_back(id);
    }

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

  // Hits, collected per species pair. A table none of whose lines meets the
  // proteins stops the run; one that loses more than half its lines so is
  // worth a warning: both mean identifiers of another kind than the networks'.
  const size_t n = sp.size();
  std::vector<std::vector<Scored>> pairs(n * n);
  sum.rows.assign(n * n + 1, LineCounts());
  for (size_t t = 0; t < options.hits.size(); ++t) {
    const HitTableInput& table = options.hits[t];
    const int sa = tableSpecies[t].first, sb = tableSpecies[t].second;
    TableResult r = readHits(table, sa, sb, options.scoreColumn, normalise, reg, idMap, rank, n, pairs, sum.rows);
    sum.lines.add(r.lines);
    sum.rewritten += r.rewritten;
    if (sum.idMap) sum.mapped.emplace_back(table.path, r.mapped);
    std::vector<int> named;
    if (sa >= 0) {
      named.push_back(std::min(sa, sb));
      if (sb != sa) named.push_back(std::max(sa, sb));
    } else {
      for (size_t s = 0; s < n; ++s) named.push_back(static_cast<int>(s));
    }
    const long missed = r.lines.unknown + r.lines.ambiguous;
    const std::string counts = std::to_string(r.lines.unknown) + " naming a protein of no species" +
                               (sa >= 0 ? " (column 1: " + codes[sa] + ", column 2: " + codes[sb] + ")" : "") +
                               ", " + std::to_string(r.lines.ambiguous) + " an identifier of several species";
    if (r.lines.read > 0 && missed == r.lines.read)
      throw RunError(printable(table.path) + ": none of its " + std::to_string(r.lines.read) +
                     " lines names two proteins of the networks (" + counts + ")" + hitTableFacts(r, named, sp));
    if (2 * missed > r.lines.read)
      log << "Warning: " << printable(table.path) << ": " << missed << " of its " << r.lines.read
          << " lines dropped (" << counts << ")" << hitTableFacts(r, named, sp) << "\n";
  }

  std::vector<char> crossHit(reg.size(), 0);
  sum.keptPerPair.assign(n * n, 0);
  for (size_t a = 0; a < n; ++a)
    for (size_t b = a; b < n; ++b) {
      std::vector<Scored>& v = pairs[a * n + b];
      sum.hits.repeats += collapseMax(v);
      sum.keptPerPair[a * n + b] = static_cast<long>(v.size());
      sum.hits.kept += static_cast<long>(v.size());
    }
  // A pair given a table of its own that ends with no hit: an empty or wrong table.
  for (size_t t = 0; t < options.hits.size(); ++t) {
    const int sa = tableSpecies[t].first, sb = tableSpecies[t].second;
    if (sa < 0) continue;
    const size_t a = std::min(sa, sb), b = std::max(sa, sb);
    const LineCounts& r = sum.rows[a * n + b];
    if (sum.keptPerPair[a * n + b] == 0 && !(a == b && r.read > 0 && r.self == r.read))
      throw RunError(printable(options.hits[t].path) + ": the species pair " + codes[a] + "-" + codes[b] +
                     " was given hits (--hits " + options.hits[t].codeA + "," + options.hits[t].codeB +
                     "=...) and ends with none: " + std::to_string(r.read) + " lines read, " +
                     std::to_string(r.unknown) + " naming a protein of no species, " + std::to_string(r.ambiguous) +
                     " an identifier of several species, " + std::to_string(r.self) +
                     " of a protein with itself; an empty search result, or the table of another pair?");
  }
  // Two species without a hit between them cannot be matched by sequence;
  // trivanex runs on such a folder without a word.
  for (size_t a = 0; a < n; ++a)
    for (size_t b = a + 1; b < n; ++b)
      if (sum.keptPerPair[a * n + b] == 0)
        log << "Warning: species pair " << codes[a] << "-" << codes[b] << ": no hit between " << codes[a]
            << " and " << codes[b] << ", so no protein of one can be matched to the other by sequence ("
            << sum.rows[n * n].read << " hit lines reach no pair; the table per pair below)\n";

  for (size_t a = 0; a < n; ++a)
    for (size_t b = a; b < n; ++b) {
      std::vector<Scored>& v = pairs[a * n + b];
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

  writeSummary(sp, codes, sum, outDir, log);
  // data.in last: it names a folder whose files are all in place.
  {
    Writer w(outDir + "/data.in");
    std::string& buf = w.buf();
    buf = outDir + " -\n" + std::to_string(n);
    for (const std::string& c : codes) buf += ' ' + c;
    buf += '\n';
    w.commit();
  }
  log << "wrote " << outDir << "/data.in: run trivanex " << outDir << "/data.in\n";
  log.flush();
}
