#include "prepare/networks.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <string_view>
#include <unordered_map>

#include "base/error.h"
#include "base/text.h"
#include "io/text_input.h"
#include "prepare/identifiers.h"

namespace {

void splitOn(std::string_view line, char sep, std::vector<std::string_view>& out) {
  out.clear();
  size_t start = 0;
  for (;;) {
    const size_t end = line.find(sep, start);
    if (end == std::string_view::npos) {
      out.push_back(line.substr(start));
      return;
    }
    out.push_back(line.substr(start, end - start));
    start = end + 1;
  }
}

void splitBlanks(std::string_view line, std::vector<std::string_view>& out) {
  out.clear();
  size_t i = 0;
  const size_t n = line.size();
  while (i < n) {
    while (i < n && std::isspace(static_cast<unsigned char>(line[i]))) ++i;
    if (i == n) break;
    const size_t start = i;
    while (i < n && !std::isspace(static_cast<unsigned char>(line[i]))) ++i;
    out.push_back(line.substr(start, i - start));
  }
}

bool isNumber(std::string_view token) {
  double v;
  return parseFiniteDouble(token, v);
}

std::string lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

// Column names that mark the first line of a plain edge list as a header.
bool looksLikeEdgeHeader(const std::vector<std::string_view>& f) {
  if (f.size() < 2) return false;
  static const char* const kFirst[] = {"interactor_a", "source", "node1", "nodea", "from",
                                       "protein1", "proteina", "protein_a", "gene1", "genea",
                                       "id1", "ida"};
  const std::string first = lower(f[0]);
  for (const char* name : kFirst)
    if (first == name) return true;
  return false;
}

// Builds a RawNetwork line by line: interns identifiers, counts the
// normalised ones, and keeps the taxa of each record for the filter at the end.
class Builder {
 public:
  Builder(RawNetwork& net, const NetworkOptions& options, const TextInput& in)
      : net_(net), options_(options), in_(in) {}

  uint32_t intern(std::string id) {
    const bool rewritten = options_.normalise && normaliseUniprot(id);
    return internAs(std::move(id), rewritten);
  }
  uint32_t internAs(std::string id, bool rewritten) {
    if (id.find_first_of(" \t\r\n\v\f") != std::string::npos)
      fail("the identifier " + quoteToken(id) + " holds a blank, which trivanex cannot read");
    auto found = index_.find(id);
    if (found != index_.end()) return found->second;
    const uint32_t k = static_cast<uint32_t>(net_.names.size());
    index_.emplace(id, k);
    net_.names.push_back(std::move(id));
    net_.firstLine.push_back(in_.lineNumber());
    if (rewritten) ++net_.rewritten;
    return k;
  }
  void edge(uint32_t a, uint32_t b, double w, long long taxA = 0, long long taxB = 0) {
    net_.edges.push_back({a, b, w});
    taxa_.push_back({taxA, taxB});
  }
  [[noreturn]] void fail(const std::string& what) const {
    throw RunError(printable(in_.path()) + " line " + std::to_string(in_.lineNumber()) + ": " + what);
  }

  // Keeps the records whose partners both belong to the chosen taxon (the
  // option's, or the only one the file holds).
  void filterTaxon() {
    long long taxon = options_.taxon;
    if (taxon == 0) {
      std::map<long long, long> seen;
      for (const auto& t : taxa_) {
        ++seen[t.first];
        ++seen[t.second];
      }
      if (seen.size() > 1) {
        std::string list;
        for (const auto& s : seen)
          list += (list.empty() ? "" : ", ") + std::to_string(s.first) + ": " + std::to_string(s.second);
        throw RunError(printable(in_.path()) + " line " + std::to_string(in_.lineNumber()) +
                       ": partners of several taxa (taxon: partners) " + list +
                       "; name the species' taxon with --taxon CODE=TAXID");
      }
      if (!seen.empty()) taxon = seen.begin()->first;
    }
    net_.taxon = taxon;
    size_t kept = 0;
    for (size_t i = 0; i < net_.edges.size(); ++i) {
      if (taxa_[i].first == taxon && taxa_[i].second == taxon)
        net_.edges[kept++] = net_.edges[i];
      else
        ++net_.otherTaxon;
    }
    net_.edges.resize(kept);
  }

 private:
  RawNetwork& net_;
  const NetworkOptions& options_;
  const TextInput& in_;
  std::unordered_map<std::string, uint32_t> index_;
  std::vector<std::pair<long long, long long>> taxa_;
};

double weightOf(std::string_view token, const Builder& b) {
  double w;
  if (!parseFiniteDouble(token, w))
    b.fail("the weight " + quoteToken(token) + " is not a number");
  if (w < 0 || w > 1) b.fail("the weight " + quoteToken(token) + " is outside 0 to 1");
  return w;
}

// "taxid:9606(human)" (PSI-MI), "9606" (BioGRID); the first of several.
long long taxonOf(std::string_view field, const Builder& b) {
  field = field.substr(0, field.find('|'));
  if (field.substr(0, 6) == "taxid:") field.remove_prefix(6);
  field = field.substr(0, field.find('('));
  if (field == "-" || field.empty()) return -1;
  int v;
  if (!parseInt(std::string(field), v)) b.fail("the taxon " + quoteToken(field) + " is not a number");
  return v;
}

NetworkFormat detect(const std::string& first, const std::string& second) {
  if (first.rfind("#BioGRID Interaction ID", 0) == 0) return NetworkFormat::Biogrid;
  std::vector<std::string_view> tabs, blanks;
  splitOn(first, '\t', tabs);
  if (tabs.size() >= 15) {
    if (first[0] == '#' || tabs[9].substr(0, 6) == "taxid:" || tabs[0].find(':') != std::string::npos)
      return NetworkFormat::Mitab;
  }
  splitBlanks(first, blanks);
  if (blanks.size() >= 3 && blanks[0] == "protein1" && blanks[1] == "protein2") return NetworkFormat::String;
  if (blanks.size() >= 3 && !isNumber(blanks[2]) && blanks[0] != "INTERACTOR_A" &&
      !looksLikeEdgeHeader(blanks)) {
    // A third field of text: SIF's "a relation b", unless the next line shows
    // this was a header above weighted edges.
    std::vector<std::string_view> next;
    splitBlanks(second, next);
    if (next.size() == 3 && isNumber(next[2]) && first[0] != '#') return NetworkFormat::Edges;
    if (first[0] != '#') return NetworkFormat::Sif;
  }
  return NetworkFormat::Edges;
}

void readEdges(TextInput& in, Builder& b, RawNetwork& net, bool sif) {
  std::string line;
  std::vector<std::string_view> f;
  size_t width = 0;
  bool first = true;
  while (in.getLine(line)) {
    splitBlanks(line, f);
    if (f.empty() || line[0] == '#') {
      first = false;
      continue;
    }
    if (first) {
      first = false;
      if (f[0] == "INTERACTOR_A" || looksLikeEdgeHeader(f) ||
          (!sif && f.size() == 3 && !isNumber(f[2])))
        continue;  // a header line
    }
    if (sif) {
      if (f.size() == 1) continue;  // a lone node
      if (f.size() == 2) b.fail("2 fields; a SIF line is 'node relation node...'");
      ++net.records;
      const uint32_t a = b.intern(std::string(f[0]));
      for (size_t i = 2; i < f.size(); ++i) b.edge(a, b.intern(std::string(f[i])), 1.0);
      continue;
    }
    if (width == 0) {
      if (f.size() != 2 && f.size() != 3)
        b.fail(std::to_string(f.size()) + " fields; an edge list has 'a b' or 'a b weight' lines");
      width = f.size();
      net.weighted = width == 3;
    } else if (f.size() != width) {
      b.fail(std::to_string(f.size()) + " fields where the first edge had " + std::to_string(width));
    }
    ++net.records;
    const double w = width == 3 ? weightOf(f[2], b) : 1.0;
    const uint32_t a = b.intern(std::string(f[0]));
    b.edge(a, b.intern(std::string(f[1])), w);
  }
}

void readString(TextInput& in, Builder& b, RawNetwork& net, const NetworkOptions& options) {
  std::string line;
  std::vector<std::string_view> f;
  size_t width = 0;
  net.weighted = true;
  while (in.getLine(line)) {
    splitBlanks(line, f);
    if (f.empty()) continue;
    if (in.lineNumber() == 1 && f[0] == "protein1") {
      if (f.back() != "combined_score") b.fail("the last column is not combined_score");
      width = f.size();
      continue;
    }
    if (width == 0) width = f.size();
    if (f.size() != width || width < 3)
      b.fail(std::to_string(f.size()) + " fields where the header has " + std::to_string(width));
    ++net.records;
    int score;
    if (!parseInt(std::string(f.back()), score) || score < 0 || score > 1000)
      b.fail("the combined score " + quoteToken(f.back()) + " is not a whole number from 0 to 1000");
    if (score < options.minScore) {
      ++net.belowMinScore;
      continue;
    }
    const uint32_t a = b.intern(std::string(f[0]));
    b.edge(a, b.intern(std::string(f[1])), score / 1000.0);
  }
}

int columnOf(const std::vector<std::string_view>& header, const std::string& name, const Builder& b) {
  for (size_t i = 0; i < header.size(); ++i)
    if (header[i] == name) return static_cast<int>(i);
  b.fail("no column named '" + name + "' in the header");
}

void readBiogrid(TextInput& in, Builder& b, RawNetwork& net, const NetworkOptions& options) {
  static const std::map<std::string, std::string> kIdColumns = {
      {"entrez", "Entrez Gene Interactor "},
      {"biogrid", "BioGRID ID Interactor "},
      {"systematic", "Systematic Name Interactor "},
      {"symbol", "Official Symbol Interactor "},
      {"swissprot", "SWISS-PROT Accessions Interactor "}};
  auto idColumn = kIdColumns.find(options.biogridId);
  if (idColumn == kIdColumns.end())
    throw RunError("unknown BioGRID identifier column " + quoteToken(options.biogridId) +
                   " (entrez, biogrid, systematic, symbol or swissprot)");
  std::string line;
  std::vector<std::string_view> f;
  if (!in.getLine(line) || line.rfind("#BioGRID Interaction ID", 0) != 0)
    b.fail("a BioGRID TAB3 file starts with a header line '#BioGRID Interaction ID ...'");
  const std::string header = line;
  std::vector<std::string_view> h;
  splitOn(header, '\t', h);
  const int idA = columnOf(h, idColumn->second + "A", b), idB = columnOf(h, idColumn->second + "B", b);
  const int type = columnOf(h, "Experimental System Type", b);
  const int taxA = columnOf(h, "Organism ID Interactor A", b);
  const int taxB = columnOf(h, "Organism ID Interactor B", b);
  const size_t need = static_cast<size_t>(std::max({idA, idB, type, taxA, taxB})) + 1;
  while (in.getLine(line)) {
    if (isBlankLine(line)) continue;
    splitOn(line, '\t', f);
    if (f.size() < need)
      b.fail(std::to_string(f.size()) + " tab-separated fields where the header has " +
             std::to_string(h.size()));
    ++net.records;
    if (!options.allInteractions && f[type] != "physical") {
      ++net.notPhysical;
      continue;
    }
    const std::string_view a = f[idA].substr(0, f[idA].find('|'));
    const std::string_view c = f[idB].substr(0, f[idB].find('|'));
    if (a.empty() || a == "-" || c.empty() || c == "-") {
      ++net.noIdentifier;
      continue;
    }
    const long long ta = taxonOf(f[taxA], b), tb = taxonOf(f[taxB], b);
    const uint32_t ka = b.intern(std::string(a));
    b.edge(ka, b.intern(std::string(c)), 1.0, ta, tb);
  }
  b.filterTaxon();
}

void readMitab(TextInput& in, Builder& b, RawNetwork& net, const NetworkOptions& options) {
  std::string line;
  std::vector<std::string_view> f;
  while (in.getLine(line)) {
    if (isBlankLine(line) || line[0] == '#') continue;
    splitOn(line, '\t', f);
    if (f.size() < 15)
      b.fail(std::to_string(f.size()) + " tab-separated fields; PSI-MI TAB has at least 15");
    ++net.records;
    if (!options.allInteractions && f[11].find("genetic") != std::string_view::npos) {
      ++net.notPhysical;
      continue;
    }
    bool rewA, rewB;
    std::string a = psiMiIdentifier(f[0], options.normalise, rewA);
    std::string c = psiMiIdentifier(f[1], options.normalise, rewB);
    if (a.empty() || c.empty()) {
      ++net.noIdentifier;
      continue;
    }
    const long long ta = taxonOf(f[9], b), tb = taxonOf(f[10], b);
    if (options.normalise) {
      rewA = normaliseUniprot(a) || rewA;
      rewB = normaliseUniprot(c) || rewB;
    }
    const uint32_t ka = b.internAs(std::move(a), rewA);
    b.edge(ka, b.internAs(std::move(c), rewB), 1.0, ta, tb);
  }
  b.filterTaxon();
}

}  // namespace

bool parseNetworkFormat(const std::string& name, NetworkFormat& format) {
  static const std::pair<const char*, NetworkFormat> kNames[] = {
      {"edges", NetworkFormat::Edges}, {"sif", NetworkFormat::Sif}, {"biogrid", NetworkFormat::Biogrid},
      {"string", NetworkFormat::String}, {"mitab", NetworkFormat::Mitab}};
  for (const auto& n : kNames)
    if (name == n.first) {
      format = n.second;
      return true;
    }
  return false;
}

const char* networkFormatName(NetworkFormat format) {
  switch (format) {
    case NetworkFormat::Edges: return "edge list";
    case NetworkFormat::Sif: return "SIF";
    case NetworkFormat::Biogrid: return "BioGRID TAB3";
    case NetworkFormat::String: return "STRING links";
    case NetworkFormat::Mitab: return "PSI-MI TAB";
    default: return "unknown";
  }
}

RawNetwork readNetwork(const std::string& path, const NetworkOptions& options) {
  RawNetwork net;
  net.format = options.format;
  if (net.format == NetworkFormat::Auto) {
    TextInput peek(path);
    std::string first, second;
    while (peek.getLine(first) && isBlankLine(first)) {
    }
    peek.getLine(second);
    net.format = detect(first, second);
  }
  TextInput in(path);
  Builder b(net, options, in);
  switch (net.format) {
    case NetworkFormat::Edges: readEdges(in, b, net, false); break;
    case NetworkFormat::Sif: readEdges(in, b, net, true); break;
    case NetworkFormat::String: readString(in, b, net, options); break;
    case NetworkFormat::Biogrid: readBiogrid(in, b, net, options); break;
    case NetworkFormat::Mitab: readMitab(in, b, net, options); break;
    default: break;
  }
  net.lines = in.lineNumber();
  return net;
}
