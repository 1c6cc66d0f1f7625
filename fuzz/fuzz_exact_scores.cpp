// Exact score file reader: the input is the file; it is read against its own
// roster, so damage anywhere past the roster reaches the blocks' checks.
#include "base/error.h"
#include "exact/exact_scores.h"
#include "fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzutil::silenceCerr();
  const std::string file =
      fuzzutil::writeScratch("scores.exact", std::string(reinterpret_cast<const char*>(data), size));
  try {
    const ExactRoster roster = readExactRoster(file);
    const ProteinIndex proteins = proteinIndexOf(roster);
    MatchScoreTable table(proteins, MatchScoreTable::RowSpeciesFirst);
    readExactScores(file, roster, table, true);
    long total = 0;
    for (int r = 0; r < proteins.speciesCount(); ++r)
      for (int c = r; c < proteins.speciesCount(); ++c)
        if (const MatchScoreTable::Block* b = table.block(r, c)) total += b->count;
    if (total != table.size()) std::abort();
  } catch (const RunError&) {
  }
  return 0;
}
