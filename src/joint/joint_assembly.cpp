#include "joint/joint_assembly.h"

#include <algorithm>
#include <cmath>
#include <iostream>
#include <string_view>
#include <utility>

#include "base/error.h"
#include "base/number_format.h"
#include "base/output_file.h"
#include "base/text.h"

namespace {

// A score as the match-score file shows it: a run that reads the file back
// then ranks and weighs exactly the same numbers as the run that wrote it.
double asPrinted(double v) {
  char buf[kG6Chars];
  char* end = formatG6(buf, v);
  double r;
  return parseFiniteDouble(std::string_view(buf, (size_t)(end - buf)), r) ? r : v;
}

// Each protein's best partners in every other species.
//
// Layout: slot p * S + t holds protein p's partners of species t, entries
// [start[slot], start[slot + 1]) of `partner` and `value`, value descending
// and partner ascending among equal values; `sum` is the slot's total.
// Slots of p's own species stay empty.
struct TopLists {
  int S = 0;
  std::vector<long> start;
  std::vector<int> partner;
  std::vector<double> value;
  std::vector<double> sum;

  size_t slot(int p, int t) const { return (size_t)p * S + t; }
  long begin(int p, int t) const { return start[slot(p, t)]; }
  long end(int p, int t) const { return start[slot(p, t) + 1]; }
  // The value of q in p's list of q's species, or 0 when q is not there.
  double find(int p, int t, int q) const {
    for (long x = begin(p, t); x < end(p, t); ++x)
      if (partner[x] == q) return value[x];
    return 0;
  }
};

struct Entry {
  double v;
  int q;
};
// The better of two partners: the larger value, then the smaller number.
inline bool better(const Entry& x, const Entry& y) { return x.v > y.v || (x.v == y.v && x.q < y.q); }

// Top lists of every protein, species by species. enumerate(s, f) calls
// f(p, q, v) for every protein p of s and partner q of another species with
// score v > 0. With `printed`, values are ranked as the match-score file
// prints them: every value that could print at or above the k-th largest
// exact value is kept (printing moves a value by less than 1e-5 of itself),
// and those are ranked by their printed form. The heaps hold a few more than
// k for that, so the scores are read a second time only for the rare protein
// whose extra places fill up with such near-ties. Memory: the heaps of the
// species at hand.
template <class Enumerate>
TopLists buildTopLists(const ProteinIndex& proteins, int k, bool printed, Enumerate enumerate) {
  const int S = proteins.speciesCount();
  const int N = (int)proteins.speciesOf.size();
  const int room = printed ? k + 8 : k;
  std::vector<std::vector<Entry>> kept((size_t)N * S);
  std::vector<Entry> heap;
  std::vector<int> heapSize;
  std::vector<double> floor;
  std::vector<char> reread;
  std::vector<Entry> order;
  for (int s = 0; s < S; ++s) {
    const VecInt& own = proteins.proteinsOf[s];
    const size_t slots = own.size() * (size_t)S;
    heap.assign(slots * room, Entry{0, 0});
    heapSize.assign(slots, 0);
    // Min-heap of the `room` best per slot, worst on top.
    auto worse = [](const Entry& x, const Entry& y) { return better(x, y); };
    enumerate(s, [&](int p, int q, double v) {
      const size_t sl = (size_t)proteins.localOf[p] * S + proteins.speciesOf[q];
      Entry* h = heap.data() + sl * room;
      int& n = heapSize[sl];
      const Entry e{v, q};
      if (n < room) {
        h[n++] = e;
        std::push_heap(h, h + n, worse);
      } else if (better(e, h[0])) {
        std::pop_heap(h, h + n, worse);
        h[n - 1] = e;
        std::push_heap(h, h + n, worse);
      }
    });
    if (!printed) {
      for (size_t sl = 0; sl < slots; ++sl) {
        std::vector<Entry>& out = kept[(size_t)own[sl / S] * S + sl % S];
        out.assign(heap.data() + sl * room, heap.data() + sl * room + heapSize[sl]);
        std::sort(out.begin(), out.end(), better);
      }
      continue;
    }
    floor.assign(slots, 0.0);
    reread.assign(slots, 0);
    bool anyReread = false;
    for (size_t sl = 0; sl < slots; ++sl) {
      Entry* h = heap.data() + sl * room;
      const int n = heapSize[sl];
      std::vector<Entry>& out = kept[(size_t)own[sl / S] * S + sl % S];
      if (n >= k) {
        order.assign(h, h + n);
        std::nth_element(order.begin(), order.begin() + (k - 1), order.end(), better);
        if (order[k - 1].v > 1e-290) floor[sl] = order[k - 1].v * (1 - 3e-5);
      }
      // Every score left out of a full heap is at most its worst one.
      if (n == room && h[0].v >= floor[sl]) {
        reread[sl] = 1;
        anyReread = true;
        continue;
      }
      for (int x = 0; x < n; ++x)
        if (h[x].v >= floor[sl]) out.push_back(h[x]);
    }
    if (anyReread)
      enumerate(s, [&](int p, int q, double v) {
        const size_t sl = (size_t)proteins.localOf[p] * S + proteins.speciesOf[q];
        if (reread[sl] && v >= floor[sl]) kept[(size_t)p * S + proteins.speciesOf[q]].push_back(Entry{v, q});
      });
    for (int p : own)
      for (int t = 0; t < S; ++t) {
        std::vector<Entry>& out = kept[(size_t)p * S + t];
        for (Entry& e : out) e.v = asPrinted(e.v);
        std::sort(out.begin(), out.end(), better);
        if ((int)out.size() > k) out.resize(k);
        out.shrink_to_fit();
      }
  }
  TopLists lists;
  lists.S = S;
  lists.start.assign((size_t)N * S + 1, 0);
  lists.sum.assign((size_t)N * S, 0.0);
  for (size_t sl = 0; sl < kept.size(); ++sl) lists.start[sl + 1] = lists.start[sl] + kept[sl].size();
  lists.partner.resize(lists.start.back());
  lists.value.resize(lists.start.back());
  for (size_t sl = 0; sl < kept.size(); ++sl) {
    long x = lists.start[sl];
    for (const Entry& e : kept[sl]) {
      lists.partner[x] = e.q;
      lists.value[x++] = e.v;
      lists.sum[sl] += e.v;
    }
    std::vector<Entry>().swap(kept[sl]);
  }
  return lists;
}

// A candidate protein pair, a < b, of two species.
struct Candidate {
  int a, b;
  double match = 0, sequence = 0;  // pair probabilities from either kind of score
  double prob = 0;                 // the blend, then with the neighbours' support
  bool similar = false;            // the two proteins have a sequence score at all
};

// Pair probabilities of one kind of score: where each protein is among the
// other's top partners, the geometric mean of the score's share in the row
// and in the column.
template <class Put>
void mutualProbabilities(const TopLists& top, const ProteinIndex& proteins, Put put) {
  const int N = (int)proteins.speciesOf.size();
  for (int p = 0; p < N; ++p) {
    const int s = proteins.speciesOf[p];
    if (s < 0) continue;
    for (int t = 0; t < top.S; ++t) {
      if (t == s) continue;
      for (long x = top.begin(p, t); x < top.end(p, t); ++x) {
        const int q = top.partner[x];
        if (q < p) continue;
        const double v = top.value[x];
        if (top.find(q, s, p) == 0) continue;
        put(p, q, std::sqrt((v / top.sum[top.slot(p, t)]) * (v / top.sum[top.slot(q, s)])));
      }
    }
  }
}

// Each protein's candidate pairs, by partner species then partner number:
// protein p's pairs with species t are pairs[seg[p*S+t] .. seg[p*S+t+1]).
struct CandidateIndex {
  int S = 0;
  std::vector<long> seg;
  std::vector<int> pair;     // candidate number
  std::vector<int> partner;  // the other protein of that candidate
};

CandidateIndex indexCandidates(const std::vector<Candidate>& cands, const ProteinIndex& proteins) {
  const int S = proteins.speciesCount();
  const int N = (int)proteins.speciesOf.size();
  CandidateIndex ix;
  ix.S = S;
  ix.seg.assign((size_t)N * S + 1, 0);
  for (const Candidate& c : cands) {
    ++ix.seg[(size_t)c.a * S + proteins.speciesOf[c.b] + 1];
    ++ix.seg[(size_t)c.b * S + proteins.speciesOf[c.a] + 1];
  }
  for (size_t x = 1; x < ix.seg.size(); ++x) ix.seg[x] += ix.seg[x - 1];
  ix.pair.resize(ix.seg.back());
  ix.partner.resize(ix.seg.back());
  std::vector<long> at(ix.seg.begin(), ix.seg.end() - 1);
  // Candidates come sorted by (a, b), so every segment fills in partner order.
  for (int dir = 0; dir < 2; ++dir)
    for (size_t e = 0; e < cands.size(); ++e) {
      const int p = dir == 0 ? cands[e].a : cands[e].b, q = dir == 0 ? cands[e].b : cands[e].a;
      const long x = at[(size_t)p * S + proteins.speciesOf[q]]++;
      ix.pair[x] = (int)e;
      ix.partner[x] = q;
    }
  return ix;
}

// Undirected network adjacency over protein numbers, self-interactions left
// out: a protein is not its own neighbour's evidence.
struct Adjacency {
  std::vector<long> start;
  std::vector<int> next;
};

Adjacency networkAdjacency(const std::vector<PairRecord>& intxns, int N) {
  Adjacency g;
  g.start.assign((size_t)N + 1, 0);
  for (const PairRecord& e : intxns)
    if (e.a != e.b) {
      ++g.start[e.a + 1];
      ++g.start[e.b + 1];
    }
  for (int p = 0; p < N; ++p) g.start[p + 1] += g.start[p];
  g.next.resize(g.start.back());
  std::vector<long> at(g.start.begin(), g.start.end() - 1);
  for (const PairRecord& e : intxns)
    if (e.a != e.b) {
      g.next[at[e.a]++] = e.b;
      g.next[at[e.b]++] = e.a;
    }
  return g;
}

// Normalises per-candidate values the way pair probabilities are made: the
// geometric mean of the value's share among a's candidates of b's species
// and among b's candidates of a's species.
std::vector<double> shareOfRows(const std::vector<double>& raw, const std::vector<Candidate>& cands,
                                const CandidateIndex& ix, const ProteinIndex& proteins) {
  const int S = ix.S;
  std::vector<double> rowSum(ix.seg.size() - 1, 0.0);
  for (size_t e = 0; e < cands.size(); ++e) {
    rowSum[(size_t)cands[e].a * S + proteins.speciesOf[cands[e].b]] += raw[e];
    rowSum[(size_t)cands[e].b * S + proteins.speciesOf[cands[e].a]] += raw[e];
  }
  std::vector<double> out(cands.size(), 0.0);
  for (size_t e = 0; e < cands.size(); ++e) {
    if (raw[e] <= 0) continue;
    const double ra = rowSum[(size_t)cands[e].a * S + proteins.speciesOf[cands[e].b]];
    const double rb = rowSum[(size_t)cands[e].b * S + proteins.speciesOf[cands[e].a]];
    out[e] = std::sqrt((raw[e] / ra) * (raw[e] / rb));
  }
  return out;
}

// Support of each candidate (i, j) by the networks: the blended probability
// summed over the candidates (i', j') with i' a neighbour of i and j' one of
// j. Only candidate pairs get support, so the cost follows the candidates and
// the degrees, not the product of the networks.
std::vector<double> neighbourSupport(const std::vector<Candidate>& cands, const CandidateIndex& ix,
                                     const Adjacency& g, const ProteinIndex& proteins) {
  const int S = ix.S;
  std::vector<double> support(cands.size(), 0.0);
  std::vector<int> stamp(proteins.speciesOf.size(), -1);
  for (size_t e = 0; e < cands.size(); ++e) {
    int i = cands[e].a, j = cands[e].b;
    // Walk the pairs of the side whose neighbours have fewer candidates.
    auto cost = [&](int x, int y) {
      long c = 0;
      const int t = proteins.speciesOf[y];
      for (long n = g.start[x]; n < g.start[x + 1]; ++n) {
        const size_t sl = (size_t)g.next[n] * S + t;
        c += ix.seg[sl + 1] - ix.seg[sl];
      }
      return c + (g.start[y + 1] - g.start[y]);
    };
    if (g.start[i + 1] - g.start[i] > 64 && cost(j, i) < cost(i, j)) std::swap(i, j);
    for (long n = g.start[j]; n < g.start[j + 1]; ++n) stamp[g.next[n]] = (int)e;
    const int t = proteins.speciesOf[j];
    double sum = 0;
    for (long n = g.start[i]; n < g.start[i + 1]; ++n) {
      const size_t sl = (size_t)g.next[n] * S + t;
      for (long x = ix.seg[sl]; x < ix.seg[sl + 1]; ++x)
        if (stamp[ix.partner[x]] == (int)e) sum += cands[ix.pair[x]].prob;
    }
    support[e] = sum;
  }
  return support;
}

// Marks the candidates that are the best of both their proteins by `value`
// (among each protein's candidates of the other's species; the first, that
// is the smaller partner, among equals).
std::vector<char> mutualBest(const std::vector<double>& value, const CandidateIndex& ix) {
  std::vector<char> mark(value.size(), 0);
  for (size_t sl = 0; sl + 1 < ix.seg.size(); ++sl) {
    long best = -1;
    for (long x = ix.seg[sl]; x < ix.seg[sl + 1]; ++x)
      if (value[ix.pair[x]] > 0 && (best < 0 || value[ix.pair[x]] > value[ix.pair[best]])) best = x;
    if (best >= 0) ++mark[ix.pair[best]];
  }
  for (char& m : mark) m = m == 2;
  return mark;
}

// Clusters joined by average linkage: the mean probability over every
// cross-species pair of the two clusters, a pair without a probability
// counting 0. Every cluster keeps its members and the rank of the strongest
// pair that joined it.
class Assembly {
 public:
  Assembly(int N, int S, const std::vector<int>& speciesOf)
      : S_(S), speciesOf_(speciesOf), parent_(N), members_(N), rank_(N, -1), count_(S) {
    for (int p = 0; p < N; ++p) {
      parent_[p] = p;
      members_[p].push_back(p);
    }
  }

  int find(int p) {
    while (parent_[p] != p) {
      parent_[p] = parent_[parent_[p]];
      p = parent_[p];
    }
    return p;
  }
  size_t size(int root) const { return members_[root].size(); }
  const std::vector<int>& members(int root) const { return members_[root]; }
  long joinedAt(int root) const { return rank_[root]; }

  // Mean probability between the clusters of roots x and y, x != y.
  double linkage(int x, int y, const std::vector<Candidate>& cands, const CandidateIndex& ix) {
    if (members_[x].size() > members_[y].size()) std::swap(x, y);
    double sum = 0;
    for (int u : members_[x])
      for (long k = ix.seg[(size_t)u * S_]; k < ix.seg[(size_t)(u + 1) * S_]; ++k)
        if (find(ix.partner[k]) == y) sum += cands[ix.pair[k]].prob;
    std::fill(count_.begin(), count_.end(), 0L);
    for (int u : members_[x]) ++count_[speciesOf_[u]];
    long same = 0;
    for (int v : members_[y]) same += count_[speciesOf_[v]];
    const long cross = (long)members_[x].size() * (long)members_[y].size() - same;
    return cross > 0 ? sum / (double)cross : 0.0;
  }

  // Whether the clusters of roots x and y hold no species in common.
  bool disjointSpecies(int x, int y) {
    std::fill(count_.begin(), count_.end(), 0L);
    for (int u : members_[x]) ++count_[speciesOf_[u]];
    for (int v : members_[y])
      if (count_[speciesOf_[v]]) return false;
    return true;
  }

  void join(int x, int y, long rank) {
    if (members_[x].size() < members_[y].size()) std::swap(x, y);
    parent_[y] = x;
    members_[x].insert(members_[x].end(), members_[y].begin(), members_[y].end());
    std::vector<int>().swap(members_[y]);
    long r = rank_[x];
    if (r < 0 || (rank_[y] >= 0 && rank_[y] < r)) r = rank_[y];
    if (r < 0 || rank < r) r = rank;
    rank_[x] = r;
  }

 private:
  int S_;
  const std::vector<int>& speciesOf_;
  std::vector<int> parent_;
  std::vector<std::vector<int>> members_;
  std::vector<long> rank_;
  std::vector<long> count_;
};

}  // namespace

// Stages, each over flat arrays by protein number:
//  1. top lists: each protein's k best partners per other species, by match
//     score and by sequence score;
//  2. candidates: pairs where each protein is in the other's top list, with a
//     probability from each kind of score, blended;
//  3. neighbour support over the candidates, shared out the same way and
//     mixed in, as far as the networks agree with the scores;
//  4. assembly: candidates strongest first, clusters joined while their
//     average linkage clears the threshold; a second pass at a lower one.
//     Only a pair with some sequence score starts a join: topology alone
//     spreads match scores to every pair, and a cluster whose members share
//     no sequence at all is the least likely to be orthologs;
//  5. reciprocal best sequence hits left apart are joined where one of the
//     two is still alone; where the assembly placed both in other clusters,
//     the networks overrule them (both counted in the summary).
std::vector<std::vector<int>> assembleJointClusters(const MatchScoreTable& matchScores,
                                                    const std::vector<PairRecord>& intxns,
                                                    const std::vector<PairRecord>& blastScores,
                                                    const JointSettings& settings,
                                                    JointSummary& summary) {
  summary = JointSummary();
  const ProteinIndex& proteins = matchScores.proteins();
  const int S = proteins.speciesCount();
  const int N = (int)proteins.speciesOf.size();
  const VecInt& speciesOf = proteins.speciesOf;

  const TopLists byMatch =
      buildTopLists(proteins, settings.topK, true, [&](int s, auto f) {
        matchScores.forEachPartnerOfSpecies(s, [&](int p, int q, double v) {
          if (speciesOf[q] != s && speciesOf[q] >= 0) f(p, q, v);
        });
      });
  const TopLists bySequence =
      buildTopLists(proteins, settings.topK, false, [&](int s, auto f) {
        for (const PairRecord& r : blastScores) {
          if (r.a == r.b || !(r.value > 0)) continue;
          const int sa = speciesOf[r.a], sb = speciesOf[r.b];
          if (sa < 0 || sb < 0 || sa == sb) continue;
          if (sa == s) f(r.a, r.b, r.value);
          if (sb == s) f(r.b, r.a, r.value);
        }
      });

  std::vector<Candidate> cands;
  mutualProbabilities(byMatch, proteins, [&](int a, int b, double pr) {
    Candidate c{a, b};
    c.match = pr;
    cands.push_back(c);
  });
  mutualProbabilities(bySequence, proteins, [&](int a, int b, double pr) {
    Candidate c{a, b};
    c.sequence = pr;
    cands.push_back(c);
  });
  std::sort(cands.begin(), cands.end(), [](const Candidate& x, const Candidate& y) {
    return x.a < y.a || (x.a == y.a && x.b < y.b);
  });
  size_t w = 0;
  for (size_t r = 0; r < cands.size(); ++r) {
    if (w > 0 && cands[w - 1].a == cands[r].a && cands[w - 1].b == cands[r].b) {
      cands[w - 1].match += cands[r].match;
      cands[w - 1].sequence += cands[r].sequence;
    } else {
      cands[w++] = cands[r];
    }
  }
  cands.resize(w);
  for (Candidate& c : cands)
    c.prob = (1 - settings.sequenceWeight) * c.match + settings.sequenceWeight * c.sequence;
  {
    // Both lists ascend by (a, b): one merge marks the pairs with a score.
    size_t k = 0;
    for (Candidate& c : cands) {
      while (k < blastScores.size() &&
             (blastScores[k].a < c.a || (blastScores[k].a == c.a && blastScores[k].b < c.b)))
        ++k;
      c.similar = k < blastScores.size() && blastScores[k].a == c.a && blastScores[k].b == c.b &&
                  blastScores[k].value > 0;
    }
  }
  summary.candidatePairs = (long)cands.size();

  const CandidateIndex ix = indexCandidates(cands, proteins);
  {
    const Adjacency g = networkAdjacency(intxns, N);
    const std::vector<double> support =
        shareOfRows(neighbourSupport(cands, ix, g, proteins), cands, ix, proteins);
    // The networks earn their weight per species pair: the share of the
    // pairs best by the scores that are also best by the neighbours' support.
    // Networks that agree with the scores carry their full weight; noisy or
    // partial ones (as real interactomes are) count as much as they agree.
    std::vector<double> blended(cands.size());
    for (size_t e = 0; e < cands.size(); ++e) blended[e] = cands[e].prob;
    const std::vector<char> byScores = mutualBest(blended, ix);
    const std::vector<char> byNeighbours = mutualBest(support, ix);
    std::vector<long> best((size_t)S * S, 0), both((size_t)S * S, 0);
    for (size_t e = 0; e < cands.size(); ++e) {
      if (!byScores[e]) continue;
      int x = speciesOf[cands[e].a], y = speciesOf[cands[e].b];
      if (x > y) std::swap(x, y);
      ++best[(size_t)x * S + y];
      both[(size_t)x * S + y] += byNeighbours[e];
    }
    std::vector<double> weight((size_t)S * S, 0.0);
    for (int x = 0; x < S; ++x)
      for (int y = x + 1; y < S; ++y) {
        const size_t k = (size_t)x * S + y;
        if (best[k] == 0) continue;
        weight[k] = weight[(size_t)y * S + x] =
            settings.neighbourWeight * (double)both[k] / (double)best[k];
        summary.agreement.push_back({x, y, best[k], both[k]});
      }
    for (size_t e = 0; e < cands.size(); ++e) {
      const double b = weight[(size_t)speciesOf[cands[e].a] * S + speciesOf[cands[e].b]];
      cands[e].prob = (1 - b) * cands[e].prob + b * support[e];
    }
  }

  std::vector<int> order(cands.size());
  for (size_t e = 0; e < cands.size(); ++e) order[e] = (int)e;
  std::sort(order.begin(), order.end(), [&](int x, int y) {
    return cands[x].prob > cands[y].prob || (cands[x].prob == cands[y].prob && x < y);
  });
  std::vector<long> rankOf(cands.size());
  for (size_t r = 0; r < order.size(); ++r) rankOf[order[r]] = (long)r;

  Assembly as(N, S, speciesOf);
  for (size_t r = 0; r < order.size(); ++r) {
    const Candidate& c = cands[order[r]];
    if (!(c.prob > 0)) break;
    if (!c.similar) continue;
    const int x = as.find(c.a), y = as.find(c.b);
    if (x != y && as.linkage(x, y, cands, ix) >= settings.joinThreshold) as.join(x, y, (long)r);
  }
  // The second pass lowers the bar only where a join completes rather than
  // mixes: a protein left alone, or two clusters of different species (one
  // group split in two). Two clusters that share a species stay apart, since
  // at a lower bar they are as likely two groups of paralogs.
  for (size_t r = 0; r < order.size(); ++r) {
    const Candidate& c = cands[order[r]];
    if (!(c.prob > 0)) break;
    if (!c.similar) continue;
    const int x = as.find(c.a), y = as.find(c.b);
    if (x == y || as.linkage(x, y, cands, ix) < settings.secondThreshold) continue;
    if (as.size(x) == 1 || as.size(y) == 1 || as.disjointSpecies(x, y)) as.join(x, y, (long)r);
  }

  // Reciprocal best hits: unique best by sequence score in both directions.
  auto bestOf = [&](int p, int t) {
    const long b = bySequence.begin(p, t), e = bySequence.end(p, t);
    if (b == e || (e - b > 1 && bySequence.value[b + 1] == bySequence.value[b])) return -1;
    return bySequence.partner[b];
  };
  std::vector<int> reciprocal;
  for (int p = 0; p < N; ++p) {
    const int s = speciesOf[p];
    if (s < 0) continue;
    for (int t = 0; t < S; ++t) {
      if (t == s) continue;
      const int q = bestOf(p, t);
      if (q <= p || bestOf(q, s) != p) continue;
      for (long k = ix.seg[(size_t)p * S + t]; k < ix.seg[(size_t)p * S + t + 1]; ++k)
        if (ix.partner[k] == q) reciprocal.push_back(ix.pair[k]);
    }
  }
  std::sort(reciprocal.begin(), reciprocal.end(),
            [&](int x, int y) { return rankOf[x] < rankOf[y]; });
  summary.reciprocalBest = (long)reciprocal.size();
  for (int e : reciprocal) {
    const int x = as.find(cands[e].a), y = as.find(cands[e].b);
    if (x == y) {
      ++summary.reciprocalTogether;
    } else if (as.size(x) == 1 || as.size(y) == 1) {
      as.join(x, y, rankOf[e]);
      ++summary.reciprocalKept;
    } else {
      ++summary.reciprocalOverruled;
    }
  }

  std::vector<std::pair<long, int>> roots;
  for (int p = 0; p < N; ++p)
    if (as.find(p) == p && as.size(p) >= 2) roots.emplace_back(as.joinedAt(p), p);
  std::sort(roots.begin(), roots.end());
  std::vector<std::vector<int>> clusters;
  clusters.reserve(roots.size());
  for (const auto& r : roots) {
    clusters.push_back(as.members(r.second));
    std::sort(clusters.back().begin(), clusters.back().end());
    summary.proteins += (long)clusters.back().size();
  }
  summary.clusters = (long)clusters.size();
  return clusters;
}

void writeJointClusters(const std::vector<std::vector<int>>& clusters, const VecStr& idList,
                        const JointSummary& summary, const VecStr& speciesNames,
                        const std::string& path) {
  OutputFile file(path);
  if (!file.open()) throw RunError::bare("Error opening file: " + path);
  std::ostream& out = file.stream();
  std::string line;
  for (const auto& c : clusters) {
    line.clear();
    for (int p : c) {
      line += idList[p];
      line += ' ';
    }
    line += '\n';
    out << line;
    std::cout << line;
  }
  std::cout.flush();
  if (!file.commit()) throw RunError("could not write cluster file " + printable(path));
  std::cerr << "Joint assembly: " << summary.candidatePairs << " candidate pairs, "
            << summary.clusters << " clusters of " << summary.proteins << " proteins written to "
            << path << std::endl;
  for (const JointSummary::Agreement& a : summary.agreement)
    std::cerr << "Networks " << speciesNames[a.s] << " " << speciesNames[a.t] << ": "
              << a.both << " of " << a.best
              << " pairs best by the scores are best by the neighbours too" << std::endl;
  std::cerr << "Reciprocal best sequence hits: " << summary.reciprocalBest
            << ", in one cluster by the assembly: " << summary.reciprocalTogether
            << ", joined since the networks do not object: " << summary.reciprocalKept
            << ", kept apart by the networks: " << summary.reciprocalOverruled << std::endl;
}
