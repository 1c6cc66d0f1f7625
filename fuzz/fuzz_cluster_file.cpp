// Cluster assignment file reader, and its round trip through the writer.
// Line 1 of the input lists the identifiers the species map knows.
#include "eval/cluster_stats.h"
#include "fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzutil::silenceCerr();
  std::string head, body;
  fuzzutil::splitHead(data, size, head, body);
  const std::string file = fuzzutil::writeScratch("clusters.txt", body);
  Str2Str id2sp;
  for (const auto& id : fuzzutil::tokens(head)) id2sp[id] = "sp";
  Str2Int clusters;
  grabClusteringData(clusters, file, id2sp);
  for (const auto& e : clusters)
    if (!id2sp.count(e.first)) std::abort();
  countNumClusters(clusters);
  countNumNontrivialClusters(clusters);
  if (!clusters.empty() && clusters.begin()->second != -1) {
    const std::string again = fuzzutil::scratchDir() + "/clusters2.txt";
    writeClusterData(clusters, again);
    Str2Int back;
    grabClusteringData(back, again, id2sp);
    if (back != clusters) std::abort();
  }
  return 0;
}
