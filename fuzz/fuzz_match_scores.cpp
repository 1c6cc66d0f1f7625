// Match-score file reader. Line 1 of the input is the run's identifier list,
// the rest the file.
#include <cmath>

#include "base/error.h"
#include "fuzz_common.h"
#include "io/match_score_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzutil::silenceCerr();
  std::string head, body;
  fuzzutil::splitHead(data, size, head, body);
  const std::string file = fuzzutil::writeScratch("tmp_match-score.txt", body);
  const VecStr idList = fuzzutil::tokens(head);
  StrPair2Dbl matchScores;
  try {
    const int count = readMatchScoreFile(file, idList, matchScores);
    if (count < (int)matchScores.size()) std::abort();
    for (const auto& e : matchScores)
      if (!std::isfinite(e.second) || !(e.first.first <= e.first.second)) std::abort();
  } catch (const RunError&) {
  }
  return 0;
}
