#include "synth/family.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <ostream>
#include <unordered_set>

#include "base/error.h"

namespace synth {
namespace {

// Shape of the family, fixed so that a seed names one family.
constexpr double kDegreeExponent = 0.75;  // weight of rank k ~ (k + 2)^-0.75: degree tail ~ d^-2.3
constexpr double kAncestorShare = 0.7;    // ancestral proteins, share of the largest species
constexpr double kRetained = 0.6;         // share of a species' proteins kept from the ancestor
constexpr double kDuplicated = 0.08;      // share made by duplicating a kept protein
constexpr double kConserved = 0.5;        // share of interactions inherited from the ancestor
constexpr double kDuplicateEdges = 0.1;   // at most this share copied from duplicated parents
constexpr double kHubCap = 0.1;           // expected degree at most this share of the proteins
constexpr double kOrthologFound = 0.9;    // ortholog pairs that get a sequence score

// xoshiro256** seeded through splitmix64: the same stream on every platform,
// unlike the standard library's distributions. Each part of the family draws
// from its own stream, so changing, say, the hit count leaves the networks be.
class Rng {
 public:
  Rng(uint64_t seed, uint64_t stream) {
    uint64_t x = seed ^ (stream * 0x9E3779B97F4A7C15ull);
    for (auto& v : s_) {
      x += 0x9E3779B97F4A7C15ull;
      uint64_t z = x;
      z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
      z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
      v = z ^ (z >> 31);
    }
  }
  uint64_t next() {
    const uint64_t result = rotl(s_[1] * 5, 7) * 9;
    const uint64_t t = s_[1] << 17;
    s_[2] ^= s_[0];
    s_[3] ^= s_[1];
    s_[1] ^= s_[2];
    s_[0] ^= s_[3];
    s_[2] ^= t;
    s_[3] = rotl(s_[3], 45);
    return result;
  }
  double uniform() { return (double)(next() >> 11) * 0x1.0p-53; }  // [0, 1)
  long below(long n) { return (long)(((unsigned __int128)next() * (uint64_t)n) >> 64); }
  double logUniform(double lo, double hi) { return lo * std::exp(uniform() * std::log(hi / lo)); }

 private:
  static uint64_t rotl(uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }
  uint64_t s_[4];
};

double rankWeight(double rank) { return std::pow(rank + 2.0, -kDegreeExponent); }

// Draws node numbers with probability proportional to their weights, the
// weights first clipped so that no node expects more than `cap` of the
// `endpoints` drawn (a hub cannot have more partners than there are nodes).
class WeightedPicker {
 public:
  WeightedPicker(std::vector<double> w, double endpoints, double cap) {
    for (int round = 0; round < 4; ++round) {
      double total = 0;
      for (double x : w) total += x;
      const double limit = total * cap / endpoints;
      bool clipped = false;
      for (double& x : w)
        if (x > limit) x = limit, clipped = true;
      if (!clipped) break;
    }
    cum_.resize(w.size());
    double run = 0;
    for (size_t i = 0; i < w.size(); ++i) cum_[i] = run += w[i];
  }
  int pick(Rng& rng) const {
    const double x = rng.uniform() * cum_.back();
    const size_t i = std::upper_bound(cum_.begin(), cum_.end(), x) - cum_.begin();
    return (int)std::min(i, cum_.size() - 1);
  }

 private:
  std::vector<double> cum_;  // running sums of the clipped weights
};

// Undirected edge set over node numbers below 2^31.
class EdgeSet {
 public:
  explicit EdgeSet(size_t expected) { set_.reserve(expected * 2); }
  bool add(int a, int b) {
    if (a == b) return false;
    if (a > b) std::swap(a, b);
    return set_.insert(((uint64_t)a << 32) | (uint32_t)b).second;
  }

 private:
  std::unordered_set<uint64_t> set_;
};

// One species: proteins by local number 0..n-1, first those kept from the
// ancestor, then the duplicates, then the new ones. anc[p] is the ancestral
// protein (the ortholog group) or -1; edges are pairs of local numbers,
// distinct, no self-interactions; every protein has at least one. label[p] is
// the identifier, its number a random permutation so that nothing about the
// construction shows in the names.
struct Species {
  SpeciesShape shape;
  std::vector<int> anc;
  std::vector<std::pair<int, int>> edges;
  std::vector<std::string> label;
  long conserved = 0;
};

struct Ancestor {
  std::vector<double> weight;  // by ancestral number; the rank's weight
  std::vector<std::pair<int, int>> edges;
};

void fail(const std::string& what) { throw RunError(what); }

Ancestor makeAncestor(int size, long interactions, Rng& rng) {
  Ancestor a;
  a.weight.resize(size);
  for (int k = 0; k < size; ++k) a.weight[k] = rankWeight(k);
  const long possible = (long)size * (size - 1) / 2;
  interactions = std::min(interactions, possible / 2);
  const WeightedPicker picker(a.weight, 2.0 * interactions, kHubCap * size + 1);
  EdgeSet seen(interactions);
  long tries = 0;
  while ((long)a.edges.size() < interactions) {
    if (++tries > 100 * interactions + 1000000) fail("ancestral network too dense to draw");
    const int x = picker.pick(rng), y = picker.pick(rng);
    if (seen.add(x, y)) a.edges.emplace_back(x, y);
  }
  return a;
}

Species makeSpecies(const SpeciesShape& shape, const Ancestor& ancestor, Rng& rng) {
  Species s;
  s.shape = shape;
  const int A = (int)ancestor.weight.size();
  const long n = shape.proteins, E = shape.interactions;
  if (n < 2 || 2 * E < n || E > n * (n - 1) / 4)
    fail("species " + shape.code + ": " + std::to_string(E) + " interactions cannot connect " +
         std::to_string(n) + " proteins");
  const int kept = (int)std::min<long>(std::lround(kRetained * n), A);
  const int dups = (int)std::min<long>(std::lround(kDuplicated * n), n - kept);

  // Kept ancestral proteins: a weighted draw without replacement (largest
  // log(u) / w), so hubs are kept more often, as conserved proteins are.
  std::vector<std::pair<double, int>> keys(A);
  for (int k = 0; k < A; ++k)
    keys[k] = {std::log(rng.uniform() + 1e-300) / ancestor.weight[k], k};
  std::sort(keys.begin(), keys.end(),
            [](const auto& x, const auto& y) { return x.first > y.first || (x.first == y.first && x.second < y.second); });
  std::vector<int> localOf(A, -1);
  std::vector<double> w;
  w.reserve(n);
  for (int i = 0; i < kept; ++i) {
    s.anc.push_back(keys[i].second);
    localOf[keys[i].second] = i;
    w.push_back(ancestor.weight[keys[i].second]);
  }
  std::vector<std::vector<int>> children(kept);
  for (int i = 0; i < dups; ++i) {
    const int parent = (int)rng.below(kept);
    children[parent].push_back((int)s.anc.size());
    s.anc.push_back(s.anc[parent]);
    w.push_back(w[parent]);
  }
  while ((long)s.anc.size() < n) {
    s.anc.push_back(-1);
    w.push_back(rankWeight((double)rng.below(A)));
  }

  // Interactions: inherited ones among kept proteins, copies onto duplicates,
  // one for every protein still alone, then weighted random ones.
  EdgeSet seen(E);
  std::vector<std::pair<int, int>> inherited;
  for (const auto& e : ancestor.edges)
    if (localOf[e.first] >= 0 && localOf[e.second] >= 0)
      inherited.emplace_back(localOf[e.first], localOf[e.second]);
  const long take = std::min<long>(std::lround(kConserved * E), (long)inherited.size());
  for (long i = 0; i < take; ++i) {
    std::swap(inherited[i], inherited[i + rng.below((long)inherited.size() - i)]);
    seen.add(inherited[i].first, inherited[i].second);
    s.edges.push_back(inherited[i]);
  }
  s.conserved = take;
  const long dupBudget = std::lround(kDuplicateEdges * E);
  long copied = 0;
  for (long i = 0; i < take && copied < dupBudget; ++i) {
    const auto e = s.edges[i];
    for (int side = 0; side < 2; ++side) {
      const int parent = side ? e.second : e.first, other = side ? e.first : e.second;
      for (int child : children[parent])
        if (copied < dupBudget && rng.uniform() < 0.3 && seen.add(child, other)) {
          s.edges.emplace_back(child, other);
          ++copied;
        }
    }
  }
  const WeightedPicker picker(w, 2.0 * E, kHubCap * n + 1);
  std::vector<char> touched(n, 0);
  for (const auto& e : s.edges) touched[e.first] = touched[e.second] = 1;
  std::vector<int> alone;
  for (int p = 0; p < n; ++p)
    if (!touched[p]) alone.push_back(p);
  // Pair lone proteins with each other only when the budget would not reach otherwise.
  for (size_t i = 0; i < alone.size(); ++i) {
    const int p = alone[i];
    if (touched[p]) continue;
    const long left = E - (long)s.edges.size();
    long lone = 0;
    for (size_t k = i; k < alone.size() && lone <= left; ++k) lone += !touched[alone[k]];
    if (lone > 2 * left) fail("species " + shape.code + ": too few interactions to connect every protein");
    int q = -1;
    if (lone > left) {
      for (size_t k = i + 1; k < alone.size() && q < 0; ++k)
        if (!touched[alone[k]]) q = alone[k];
    }
    while (q < 0 || q == p) q = picker.pick(rng);
    seen.add(p, q);
    s.edges.emplace_back(p, q);
    touched[p] = touched[q] = 1;
  }
  long tries = 0;
  while ((long)s.edges.size() < E) {
    if (++tries > 100 * E + 1000000) fail("species " + shape.code + ": network too dense to draw");
    const int x = picker.pick(rng), y = picker.pick(rng);
    if (seen.add(x, y)) s.edges.emplace_back(x, y);
  }

  // File order and orientation carry no trace of how an edge came about.
  for (long i = (long)s.edges.size() - 1; i > 0; --i) {
    std::swap(s.edges[i], s.edges[rng.below(i + 1)]);
    if (rng.below(2)) std::swap(s.edges[i].first, s.edges[i].second);
  }
  std::vector<long> number(n);
  for (long p = 0; p < n; ++p) number[p] = p + 1;
  for (long i = n - 1; i > 0; --i) std::swap(number[i], number[rng.below(i + 1)]);
  s.label.resize(n);
  for (long p = 0; p < n; ++p) s.label[p] = shape.prefix + std::to_string(number[p]);
  return s;
}

// Sequence scores of species pair (a, b), a's code sorting first: every
// ortholog pair (same ancestral protein) with probability kOrthologFound and a
// strong score shared loosely within the group, then weak random hits, each
// protein pair once. Lines sorted by a's protein and falling score, as a
// search tool lists its hits per query.
struct Hit {
  int x, y;
  double score;
};

std::vector<Hit> makeHits(const Species& a, const Species& b, int ancestors, double hitsPerProtein,
                          Rng& rng, long& orthologs) {
  auto membersOf = [ancestors](const Species& s) {
    std::vector<std::vector<int>> m(ancestors);
    for (int p = 0; p < (int)s.anc.size(); ++p)
      if (s.anc[p] >= 0) m[s.anc[p]].push_back(p);
    return m;
  };
  const auto ma = membersOf(a), mb = membersOf(b);
  std::vector<Hit> hits;
  const long nb = (long)b.anc.size(), na = (long)a.anc.size();
  std::unordered_set<uint64_t> pairs;  // (x << 32) | y, so each protein pair comes once
  for (int g = 0; g < ancestors; ++g) {
    if (ma[g].empty() || mb[g].empty()) continue;
    const double base = rng.logUniform(60, 1500);
    for (int x : ma[g])
      for (int y : mb[g])
        if (rng.uniform() < kOrthologFound) {
          hits.push_back({x, y, base * (0.7 + 0.3 * rng.uniform())});
          pairs.insert(((uint64_t)x << 32) | (uint32_t)y);
        }
  }
  orthologs = (long)hits.size();
  const long weak = std::lround(hitsPerProtein * (double)(na + nb) / 2);
  for (long i = 0, tries = 0; i < weak && tries < 20 * weak; ++tries) {
    const int x = (int)rng.below(na), y = (int)rng.below(nb);
    if (!pairs.insert(((uint64_t)x << 32) | (uint32_t)y).second) continue;
    hits.push_back({x, y, rng.logUniform(25, 90)});
    ++i;
  }
  std::sort(hits.begin(), hits.end(), [](const Hit& p, const Hit& q) {
    if (p.x != q.x) return p.x < q.x;
    if (p.score != q.score) return p.score > q.score;
    return p.y < q.y;
  });
  return hits;
}

class OutFile {
 public:
  explicit OutFile(const std::string& name) : name_(name), f_(std::fopen(name.c_str(), "wb")) {
    if (!f_) fail("cannot write " + name);
    buf_.reserve(1 << 20);
  }
  ~OutFile() {
    if (f_) std::fclose(f_);
  }
  OutFile& operator<<(const std::string& s) {
    buf_ += s;
    if (buf_.size() >= (1 << 20)) flush();
    return *this;
  }
  OutFile& operator<<(const char* s) { return *this << std::string(s); }
  void close() {
    flush();
    const bool bad = std::ferror(f_) != 0;
    if (std::fclose(f_) != 0 || bad) fail("cannot write " + name_);
    f_ = nullptr;
  }

 private:
  void flush() {
    if (!buf_.empty() && std::fwrite(buf_.data(), 1, buf_.size(), f_) != buf_.size())
      fail("cannot write " + name_);
    buf_.clear();
  }
  std::string name_;
  std::FILE* f_;
  std::string buf_;
};

}  // namespace

std::vector<SpeciesShape> familyShape(const std::string& name, double scale) {
  std::vector<SpeciesShape> v;
  if (name == "biogrid")
    v = {{"hsapi", "hs", 23700, 358000},
         {"scere", "sc", 6900, 113000},
         {"dmela", "dm", 9000, 52000},
         {"mmusc", "mm", 13300, 40000},
         {"celeg", "ce", 3300, 5600}};
  else if (name == "string")
    v = {{"hsapi", "hs", 19400, 1000000},
         {"mmusc", "mm", 21300, 1000000},
         {"celeg", "ce", 18200, 600000},
         {"dmela", "dm", 13000, 400000},
         {"scere", "sc", 6600, 250000}};
  else
    fail("unknown shape '" + name + "' (biogrid or string)");
  for (auto& s : v) {
    s.proteins = std::lround(s.proteins * scale);
    s.interactions = std::lround(s.interactions * scale);
  }
  return v;
}

double parseScale(const std::string& text) {
  char* end = nullptr;
  double value = std::strtod(text.c_str(), &end);
  if (end != text.c_str() && *end == '/') {
    const char* rest = end + 1;
    const double d = std::strtod(rest, &end);
    value = d > 0 ? value / d : -1;
    if (end == rest) value = -1;
  }
  if (end == text.c_str() || *end != '\0' || !(value > 0)) fail("bad scale '" + text + "'");
  return value;
}

std::vector<SpeciesShape> parseSpeciesList(const std::string& text) {
  std::vector<SpeciesShape> v;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find(',', start);
    if (end == std::string::npos) end = text.size();
    const std::string item = text.substr(start, end - start);
    SpeciesShape s;
    char code[64], prefix[64];
    char tail;
    if (std::sscanf(item.c_str(), "%63[^:]:%63[^:]:%ld:%ld%c", code, prefix, &s.proteins,
                    &s.interactions, &tail) != 4)
      fail("bad species '" + item + "' (CODE:PREFIX:PROTEINS:INTERACTIONS)");
    s.code = code;
    s.prefix = prefix;
    v.push_back(s);
    start = end + 1;
  }
  return v;
}

void writeFamily(const FamilyOptions& options, const std::string& dir, std::ostream& report) {
  std::vector<SpeciesShape> shapes = options.species;
  if (shapes.empty()) fail("no species");
  std::sort(shapes.begin(), shapes.end(),
            [](const SpeciesShape& a, const SpeciesShape& b) { return a.code < b.code; });
  for (size_t i = 0; i < shapes.size(); ++i)
    for (size_t j = 0; j < i; ++j)
      if (shapes[i].code == shapes[j].code || shapes[i].prefix == shapes[j].prefix)
        fail("species codes and prefixes must be unique");
  for (const auto& s : shapes)
    if (s.prefix.empty() || (s.prefix.back() >= '0' && s.prefix.back() <= '9'))
      fail("prefix of " + s.code + " must end in a non-digit, so identifiers stay unique");

  long largest = 0;
  for (const auto& s : shapes) largest = std::max(largest, s.proteins);
  long mostEdges = 0;
  for (const auto& s : shapes) mostEdges = std::max(mostEdges, s.interactions);
  const int A = (int)std::max<long>(2, std::lround(kAncestorShare * largest));
  Rng ancestorRng(options.seed, 0);
  const Ancestor ancestor = makeAncestor(A, mostEdges, ancestorRng);

  std::vector<Species> species;
  for (size_t i = 0; i < shapes.size(); ++i) {
    Rng rng(options.seed, 1 + i);
    species.push_back(makeSpecies(shapes[i], ancestor, rng));
  }

  OutFile desc(dir + "/data.in");
  desc << ". - " << std::to_string(species.size());
  for (const auto& s : species) desc << " " << s.shape.code;
  desc << "\n";
  desc.close();

  for (const auto& s : species) {
    OutFile tab(dir + "/" + s.shape.code + ".tab");
    tab << "INTERACTOR_A INTERACTOR_B\n";
    for (const auto& e : s.edges) tab << s.label[e.first] << " " << s.label[e.second] << "\n";
    tab.close();
    // Group file in identifier order.
    std::vector<int> grouped;
    for (int p = 0; p < (int)s.anc.size(); ++p)
      if (s.anc[p] >= 0) grouped.push_back(p);
    std::sort(grouped.begin(), grouped.end(),
              [&](int p, int q) { return s.label[p] < s.label[q]; });
    OutFile fo(dir + "/" + s.shape.code + ".fo");
    for (int p : grouped) fo << s.label[p] << "\tog" << std::to_string(s.anc[p] + 1) << "\n";
    fo.close();
    report << "species " << s.shape.code << " proteins " << s.anc.size() << " interactions "
           << s.edges.size() << " grouped " << grouped.size() << " inherited " << s.conserved
           << "\n";
  }

  uint64_t stream = 1000;
  for (size_t i = 0; i < species.size(); ++i)
    for (size_t j = i + 1; j < species.size(); ++j) {
      Rng rng(options.seed, stream++);
      long orthologs = 0;
      const std::vector<Hit> hits =
          makeHits(species[i], species[j], A, options.hitsPerProtein, rng, orthologs);
      const std::string name = species[i].shape.code + "-" + species[j].shape.code;
      OutFile ev(dir + "/" + name + ".evals");
      char num[32];
      for (const Hit& h : hits) {
        std::snprintf(num, sizeof num, "%.1f", h.score);
        ev << species[i].label[h.x] << " " << species[j].label[h.y] << " " << num << "\n";
      }
      ev.close();
      report << "scores " << name << " lines " << hits.size() << " orthologs " << orthologs << "\n";
    }
}

}  // namespace synth
