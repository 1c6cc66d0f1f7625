// Sequence score file (.evals) readers, full and identifier-only: both must
// register the same identifiers. Line 1 of the input lists identifiers
// already registered for a third species.
#include "base/error.h"
#include "fuzz_common.h"
#include "io/readers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzutil::silenceCerr();
  std::string head, body;
  fuzzutil::splitHead(data, size, head, body);
  const std::string file = fuzzutil::writeScratch("a-b.evals", body);
  VecStr ids0;
  Str2Str sp0;
  for (const auto& id : fuzzutil::tokens(head)) {
    if (!sp0.count(id)) ids0.push_back(id);
    sp0[id] = "c";
  }
  VecStr ids1 = ids0, ids2 = ids0;
  Str2Str sp1 = sp0, sp2 = sp0;
  StrPair2Dbl scores;
  int full = -1, idsOnly = -1;
  bool fullFailed = false, idsFailed = false;
  try {
    full = readBlastScoresFile(file, "a", "b", ids1, sp1, scores);
  } catch (const RunError&) {
    fullFailed = true;
  }
  try {
    idsOnly = readBlastScoresFile(file, "a", "b", ids2, sp2);
  } catch (const RunError&) {
    idsFailed = true;
  }
  if (fullFailed != idsFailed) std::abort();
  if (!fullFailed && (full != idsOnly || ids1 != ids2 || sp1 != sp2)) std::abort();
  return 0;
}
