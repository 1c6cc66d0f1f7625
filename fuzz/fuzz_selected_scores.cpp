// The within-cluster match-score scan. Line 1 of the input holds the groups,
// ';'-separated lists of identifiers (the protein numbers follow the sorted
// identifiers); the rest is the file, read in one, two and three ranges,
// which must give the same pairs or the same stop.
#include <algorithm>
#include <cmath>
#include <map>

#include "base/error.h"
#include "fuzz_common.h"
#include "io/selected_scores.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzutil::silenceCerr();
  std::string head, body;
  fuzzutil::splitHead(data, size, head, body);
  std::vector<VecStr> groupIds;
  size_t start = 0;
  for (;;) {
    const size_t semi = head.find(';', start);
    groupIds.push_back(fuzzutil::tokens(head.substr(start, semi == std::string::npos ? semi : semi - start)));
    if (semi == std::string::npos) break;
    start = semi + 1;
  }
  std::map<std::string, int> groupOfId;
  for (size_t g = 0; g < groupIds.size(); ++g)
    for (const std::string& id : groupIds[g]) groupOfId.emplace(id, (int)g);
  VecStr idList;
  for (const auto& e : groupOfId) idList.push_back(e.first);
  VecInt groupOf;
  std::vector<VecInt> members(groupIds.size());
  for (size_t p = 0; p < idList.size(); ++p) {
    groupOf.push_back(groupOfId[idList[p]]);
    members[groupOf.back()].push_back((int)p);
  }
  const std::string file = fuzzutil::writeScratch("match-score.txt", body);
  std::string first;
  std::vector<std::tuple<int, int, double>> firstHits;
  for (int parts = 1; parts <= 3; ++parts) {
    std::vector<std::tuple<int, int, double>> hits;
    std::string stop;
    try {
      readScoresWithinGroups(file, idList, groupOf, members, [&](int a, int b, double s) {
        if (a == b || groupOf[a] != groupOf[b] || !std::isfinite(s)) std::abort();
        hits.emplace_back(a, b, s);
      }, parts);
    } catch (const RunError& e) {
      stop = e.text();
    }
    if (parts == 1) {
      first = stop;
      firstHits = hits;
    } else if (stop != first || (stop.empty() && hits != firstHits)) {
      std::abort();
    }
  }
  return 0;
}
