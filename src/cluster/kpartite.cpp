#include "cluster/kpartite.h"

#include <sys/stat.h>

#include <algorithm>
#include <deque>
#include <fstream>
#include <iostream>

#include "base/error.h"
#include "base/output_file.h"
#include "base/text.h"
#include "cluster/score_index.h"
#include "cluster/star_cache.h"

namespace {

const int kColumns = 10;

int numberOf(const Str2Int& id2idx, const std::string& id) {
  auto it = id2idx.find(id);
  if (it == id2idx.end()) throw RunError("star member " + quoteToken(id) + " is not a protein of this run");
  return it->second;
}

// Refinement of one star; `score(a, ia, b, ib)` gives the match score of two
// members named by identifier and protein number.
//
// Vertices: v = 10*branch + column, branch 0 the centre (vertex 0), branch
// s+1 candidate row s. The edges link every two filled vertices of different
// branches and are sorted by std::sort (score descending, unstable).
template <class Score>
VecStr refineStar(const Star& star, const VecBool& isClustered, const VecInt& ranks,
                  const Str2Int& id2idx, int slotCount, Score score) {
  std::cerr << "Begin this_star_is_ok" << std::endl;
  const CandidateTable& rows = *star.candidates;
  int branches = 0, lastBranch = -1;
  for (int s = 0; s < slotCount; ++s)
    if (!rows[s][0].empty()) {
      ++branches;
      lastBranch = s;
    }
  VecStr members;
  if (branches == 0) {
    std::cerr << "There's no branch at all in this star" << std::endl;
    return members;
  }
  if (branches == 1) {
    std::cerr << "There's only one branch" << std::endl;
    for (int p = 0; p < kColumns; ++p) {
      const std::string& x = rows[lastBranch][p];
      if (!x.empty()) {
        const int ix = numberOf(id2idx, x);
        if (ranks[ix] == p && !isClustered[ix]) members.push_back(x);
      }
      if (members.empty()) {
        std::cerr << "This is an isolated first species(human) protein " << "which should not occur"
                  << std::endl;
        return members;
      }
    }
    members.push_back(star.center);
  } else {
    std::cerr << "Starting Part 1 of many to many" << std::endl;
    const int V = kColumns * (slotCount + 1);
    VecStr vertex(V);
    VecInt number(V, -1);
    vertex[0] = star.center;
    number[0] = numberOf(id2idx, star.center);
    for (int s = 0; s < slotCount; ++s)
      for (int p = 0; p < kColumns; ++p) {
        const std::string& x = rows[s][p];
        if (x.empty()) continue;
        const int ix = numberOf(id2idx, x);
        if (!isClustered[ix] && ranks[ix] >= p) {
          vertex[kColumns * (s + 1) + p] = x;
          number[kColumns * (s + 1) + p] = ix;
        }
      }
    std::vector<Edge> edges;
    for (int u = 0; u < V; ++u) {
      if (vertex[u].empty()) continue;
      for (int v = u; v < V; ++v) {
        if (vertex[v].empty() || u / kColumns == v / kColumns) continue;
        edges.push_back({u / kColumns, u % kColumns, v / kColumns, v % kColumns,
                         score(vertex[u], number[u], vertex[v], number[v])});
      }
    }
    std::cerr << "There are " << edges.size() << " edges" << std::endl;
    std::sort(edges.begin(), edges.end(), sort_edge);
    if (edges.empty() || edges[0].score == 0) {
      std::cerr << "No edge or the score of the first edge is 0" << std::endl;
      return members;
    }
    std::cerr << "There are " << edges.size() << " edges" << " after erasing bad many-to-many"
              << std::endl;

    VecInt degree(V, 0);
    std::vector<double> weight(V, 0.0);
    VecInt end1(edges.size()), end2(edges.size());
    for (size_t e = 0; e < edges.size(); ++e) {
      end1[e] = kColumns * edges[e].branch1 + edges[e].pos1;
      end2[e] = kColumns * edges[e].branch2 + edges[e].pos2;
      ++degree[end1[e]];
      ++degree[end2[e]];
      weight[end1[e]] += edges[e].score;
      weight[end2[e]] += edges[e].score;
    }
    double threshold = 0;
    for (int v = 0; v < V; ++v) {
      double avg = degree[v] > 0 ? weight[v] / degree[v] : 0;
      if (avg > threshold) threshold = avg;
    }
    threshold /= 10;

    // Weight-spreading walk from the centre: the front vertex keeps 0.275 of
    // its weight and passes 0.275*w0/degree to each neighbour; it leaves the
    // queue once its average weight is below the threshold.
    std::deque<int> queue{0};
    VecInt visited;
    std::vector<char> seen(V, 0);
    while (!queue.empty()) {
      const int r = queue.front();
      if (!seen[r]) {
        seen[r] = 1;
        visited.push_back(r);
      }
      const double w0 = weight[r];
      weight[r] = weight[r] * 0.55 / 2;
      for (size_t e = 0; e < edges.size(); ++e) {
        int o;
        if (end1[e] == r)
          o = end2[e];
        else if (end2[e] == r)
          o = end1[e];
        else
          continue;
        weight[o] += w0 / (2 * degree[o]) * 0.55;
        std::cout << "vertex_weight[" << o << "]: " << weight[o] << "\n";
        if (weight[o] / degree[o] >= threshold) queue.push_back(o);
      }
      if (threshold > weight[r] / degree[r]) {
        queue.pop_front();
        std::cout << "pop!!!!\n";
      }
    }
    for (int v : visited)
      if (!vertex[v].empty()) members.push_back(vertex[v]);
  }
  std::cerr << "This many-to-many result star has " << members.size() << " proteins" << std::endl;
  return members;
}

}  // namespace

VecStr this_star_is_ok(Star& star, const VecBool& isClustered, const VecInt& ranks,
                       const StrPair2Dbl& matchScores, const Str2Int& id2idx, int slotCount) {
  return refineStar(star, isClustered, ranks, id2idx, slotCount,
                    [&](const std::string& a, int, const std::string& b, int) {
                      return getScore(a, b, matchScores);
                    });
}

VecStr this_star_is_ok(const Star& star, const VecBool& isClustered, const VecInt& ranks,
                       const ScoreIndex& scores, const Str2Int& id2idx, int slotCount) {
  return refineStar(star, isClustered, ranks, id2idx, slotCount,
                    [&](const std::string&, int a, const std::string&, int b) {
                      return scores.score(a, b);
                    });
}

void try_candidates(Star& star, const StrPair2Dbl& matchScores, const VecBool& isClustered,
                    const VecInt& ranks, const Str2Int& id2idx, int rowA, int rowB) {
  std::cerr << "Trying candidates..." << std::endl;
  CandidateTable& rows = *star.candidates;
  VecStr& A = rows.at(rowA);
  VecStr& B = rows.at(rowB);
  const std::string& c = star.center;
  auto score = [&](const std::string& x, const std::string& y) { return getScore(x, y, matchScores); };
  auto shiftLeft = [](VecStr& row, int by) {
    for (int n = by; n < kColumns; ++n) row[n - by] = row[n];
    for (int n = kColumns - by; n < kColumns; ++n) row[n].clear();
  };
  for (int p = 1; p < kColumns; ++p) {
    double s1 = score(c, A[p]), s2 = score(c, B[0]), s3 = score(A[p], B[0]);
    if (A[p].empty()) continue;
    const int ia = numberOf(id2idx, A[p]);
    if (!isClustered[ia] && ranks[ia] >= p && s3 > (s1 + s2) * 0.1 / 2) {
      shiftLeft(A, p);
      return;
    }
  }
  for (int q = 1; q < kColumns; ++q) {
    double s4 = score(c, A[0]), s5 = score(c, B[q]), s6 = score(A[0], B[q]);
    if (B[q].empty()) continue;
    const int ib = numberOf(id2idx, B[q]);
    if (!isClustered[ib] && s6 > (s4 + s5) * 0.1 / 2) {
      shiftLeft(B, q);
      return;
    }
  }
  for (auto& x : A) x.clear();
}

namespace {

struct Place {
  double score;
  int protein;
};

// Calls f(x, partner, score) for the partners of every centre x of `centers`
// (one species' protein list) as forEachPartner lists them.
template <class Scores, class F>
void forEachCenterPartner(const Scores& scores, const VecInt& centers, F f) {
  for (size_t x = 0; x < centers.size(); ++x)
    scores.forEachPartner(centers[x], [&](int o, double v) { f(x, o, v); });
}

// The table reads the blocks of the centre species whole, row by row.
template <class F>
void forEachCenterPartner(const MatchScoreTable& scores, const VecInt& centers, F f) {
  const ProteinIndex& P = scores.proteins();
  const int s = centers.empty() ? -1 : P.speciesOf[centers[0]];
  if (s >= 0 && P.proteinsOf[s] == centers)
    scores.forEachPartnerOfSpecies(s, [&](int p, int q, double v) { f((size_t)P.localOf[p], q, v); });
  else
    forEachCenterPartner<MatchScoreTable, F>(scores, centers, f);
}

template <class Scores>
std::vector<Star> buildStarsWith(const std::string& centerSpecies, const VecStr& spList,
                                 const std::vector<VecInt>& proteins, const VecInt& speciesOf,
                                 const VecStr& speciesNames, const VecStr& idList,
                                 const Scores& scores, VecInt& ranks) {
  const int slotCount = (int)spList.size() - 1;
  // Rows of the species other than the centre's, in species-list order; a name
  // listed twice gets two rows with the same partners.
  std::vector<VecInt> rowsOf(speciesNames.size());
  {
    int row = 0;
    for (const auto& sp : spList) {
      if (sp == centerSpecies) continue;
      int id = int(std::lower_bound(speciesNames.begin(), speciesNames.end(), sp) - speciesNames.begin());
      rowsOf[id].push_back(row++);
    }
  }
  const int centerId = int(std::lower_bound(speciesNames.begin(), speciesNames.end(), centerSpecies) -
                           speciesNames.begin());
  const VecInt& centers = proteins[centerId];

  // Every centre's best ten partners per row, found in one pass over the
  // scores before the stars are made one by one (what is printed follows the
  // stars' order all the same). Each species' partners come in ascending
  // protein number, the order of its protein list; rows fill independently,
  // so how the species and the centres interleave does not matter. Only
  // positive scores are listed: a score of 0 or less could never take a place.
  const size_t rowCount = std::max(slotCount, 0), perCenter = rowCount * kColumns;
  std::vector<Place> places(centers.size() * perCenter, Place{0.0, -1});
  forEachCenterPartner(scores, centers, [&](size_t x, int o, double v) {
    Place* center = places.data() + x * perCenter;
    for (int s : rowsOf[speciesOf[o]]) {
      Place* row = center + (size_t)s * kColumns;
      // A row is kept in descending order: most scores beat not even its last.
      if (!(row[kColumns - 1].score < v)) continue;
      for (int p = 0; p < kColumns; ++p) {
        if (row[p].score < v) {
          for (int t = kColumns - 1; t > p; --t) row[t] = row[t - 1];
          row[p] = {v, o};
          break;
        }
      }
    }
  });
  std::vector<Star> stars;
  stars.reserve(centers.size());
  int number = 0;
  for (size_t x = 0; x < centers.size(); ++x) {
    const int c = centers[x];
    std::cerr << "Prepare to load the " << ++number << " star." << std::endl;
    auto table = std::make_shared<CandidateTable>(std::max(slotCount, 0), VecStr(kColumns));
    double sum = 0;
    for (int s = 0; s < slotCount; ++s) {
      const Place* row = places.data() + x * perCenter + (size_t)s * kColumns;
      sum += row[0].score;
      for (int p = 0; p < kColumns; ++p) {
        if (row[p].protein < 0) break;
        if (p >= 1 && row[p - 1].score * 0.1 > row[p].score) {
          std::cerr << "Candidate gap threshold met at candidate " << p << " sp:" << s << std::endl;
          break;
        }
        (*table)[s][p] = idList[row[p].protein];
        if (p < ranks[row[p].protein]) ranks[row[p].protein] = p;
      }
    }
    Star star;
    star.weight = slotCount > 0 ? sum / slotCount : 0.0;
    star.center = idList[c];
    star.candidates = table;
    stars.push_back(std::move(star));
  }
  std::cerr << "Sorting stars..." << std::endl;
  std::sort(stars.begin(), stars.end(), sort_star);
  std::cerr << "Stars sorted. There are " << stars.size() << " stars." << std::endl;
  if (!stars.empty()) {
    std::cerr << "The biggest weight is " << stars[0].weight << ". The middle weight is "
              << stars[stars.size() / 2].weight << std::endl;
  }
  return stars;
}

// The clustering step over any source of match scores with score(a, b) and
// forEachPartner(p, f) on protein numbers.
template <class Scores>
ClusteringOutcome clusterStars(const Scores& scores, const VecStr& idList, const Str2Int& id2idx,
                  const Str2Str& id2sp, const VecStr& spList, bool readstar,
                  const std::string& finalClusterFile) {
  const int slotCount = (int)spList.size() - 1;
  const int N = (int)idList.size();

  // Protein lists per species, by species number over the distinct names.
  VecStr speciesNames(spList);
  std::sort(speciesNames.begin(), speciesNames.end());
  speciesNames.erase(std::unique(speciesNames.begin(), speciesNames.end()), speciesNames.end());
  auto speciesNumber = [&](const std::string& sp) {
    auto it = std::lower_bound(speciesNames.begin(), speciesNames.end(), sp);
    if (it == speciesNames.end() || *it != sp) throw RunError("species " + quoteToken(sp) + " is not in the species list");
    return int(it - speciesNames.begin());
  };
  std::vector<VecInt> proteins(speciesNames.size());
  VecInt speciesOf(N);
  for (int i = 0; i < N; ++i) {
    auto it = id2sp.find(idList[i]);
    if (it == id2sp.end()) throw RunError("protein " + quoteToken(idList[i]) + " has no species");
    speciesOf[i] = speciesNumber(it->second);
    proteins[speciesOf[i]].push_back(i);
  }
  std::cerr << "Protein list for species generated" << std::endl;

  std::vector<spNet> nets;
  for (const auto& sp : spList) nets.push_back({(int)proteins[speciesNumber(sp)].size(), sp});
  std::sort(nets.begin(), nets.end(), UDgreater);
  VecStr spList2;
  for (size_t i = 0; i < nets.size(); ++i) {
    spList2.push_back(nets[i].spName);
    std::cerr << "spList_order=>>spName: " << spList[i] << "\n";
    std::cerr << "spList2_order=>>spName: " << spList2[i] << "\tNode number: " << nets[i].nodeNum
              << "\n";
  }
  std::cerr.flush();

  VecBool isClustered(N, false);
  VecInt ranks(N, 10);
  // The cluster file takes its real name only once complete: a run that stops
  // during clustering leaves an earlier cluster file as it was.
  OutputFile clusterFile(finalClusterFile);
  if (!clusterFile.open()) throw RunError::bare("Error opening file: " + finalClusterFile);
  std::ostream& out = clusterFile.stream();
  ClusteringOutcome outcome;

  for (const auto& G : spList2) {
    std::cerr << G << " as center..." << std::endl;
    const std::string starFile = "stars_" + G + ".txt";
    struct stat info;
    std::vector<Star> stars;
    if (readstar && stat(starFile.c_str(), &info) == 0) {
      std::cerr << "Loading cached stars (sorted) from " << starFile << std::endl;
      import_stars_and_ranks(stars, slotCount, ranks, starFile, id2idx);
    } else {
      std::cerr << "The star file," << starFile << " is not exist!!\nExport new star file: "
                << starFile << "\n";
      stars = buildStarsWith(G, spList, proteins, speciesOf, speciesNames, idList, scores, ranks);
      export_stars_and_ranks(stars, slotCount, ranks, starFile);
      outcome.starFilesWritten.push_back(starFile);
    }
    std::cerr << "Transfering reverse_candidates to reverse_candidates2" << std::endl;

    int k = 0;
    for (size_t i = 0; i < stars.size(); ++i) {
      const Star& star = stars[i];
      if (isClustered[numberOf(id2idx, star.center)]) continue;
      const Star& preceding = stars[i == 0 ? 0 : i - 1];
      if (preceding.weight * 0.1 > star.weight) break;
      VecStr members = refineStar(star, isClustered, ranks, id2idx, slotCount,
                                  [&](const std::string&, int a, const std::string&, int b) {
                                    return scores.score(a, b);
                                  });
      for (const auto& id : members) {
        std::cout << id << " ";
        out << id << " ";
        isClustered[numberOf(id2idx, id)] = true;
      }
      if (!members.empty()) {
        std::cout << std::endl;
        out << std::endl;
        std::cerr << "The " << ++k << "th star exported" << std::endl;
        ++outcome.clusters;
      }
    }
  }
  if (!clusterFile.commit()) throw RunError("could not write cluster file " + printable(finalClusterFile));
  return outcome;
}

}  // namespace

std::vector<Star> buildStars(const std::string& centerSpecies, const VecStr& spList,
                             const std::vector<VecInt>& proteins, const VecInt& speciesOf,
                             const VecStr& speciesNames, const VecStr& idList,
                             const ScoreIndex& scores, VecInt& ranks) {
  return buildStarsWith(centerSpecies, spList, proteins, speciesOf, speciesNames, idList, scores,
                        ranks);
}

ClusteringOutcome doKpartiteMatchingStartWithStar_nore(const StrPair2Dbl& matchScores,
                                                       const VecStr& idList, const Str2Int& id2idx,
                                                       const Str2Str& id2sp, const VecStr& spList,
                                                       bool readstar, std::string finalClusterFile) {
  const ScoreIndex scores(matchScores, idList);
  return clusterStars(scores, idList, id2idx, id2sp, spList, readstar, finalClusterFile);
}

ClusteringOutcome doKpartiteMatchingStartWithStar_nore(const MatchScoreTable& matchScores,
                                                       const VecStr& idList, const Str2Int& id2idx,
                                                       const Str2Str& id2sp, const VecStr& spList,
                                                       bool readstar,
                                                       const std::string& finalClusterFile) {
  return clusterStars(matchScores, idList, id2idx, id2sp, spList, readstar, finalClusterFile);
}
