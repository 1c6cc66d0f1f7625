// GO association table reader.
#include "eval/cluster_stats.h"
#include "fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzutil::silenceCerr();
  // Keep the pair count bounded: a line of n members gives n^2/2 pairs.
  if (size > 4096) return 0;
  const std::string file = fuzzutil::writeScratch("DIP_GO_assoc.tab", (const char*)data, size);
  Str2Int keys;
  StrPair2Dbl cooccurrence;
  grabGO_DIPdata(keys, cooccurrence, file);
  for (const auto& e : cooccurrence)
    if (!(e.first.first < e.first.second) || !(e.second >= 1)) std::abort();
  return 0;
}
