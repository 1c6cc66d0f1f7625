// WBM score file reader. Line 1 of the input is the identifier list, the rest
// the file.
#include "base/error.h"
#include "fuzz_common.h"
#include "io/wbm_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzutil::silenceCerr();
  std::string head, body;
  fuzzutil::splitHead(data, size, head, body);
  const std::string file = fuzzutil::writeScratch("wbm.dat", body);
  const VecStr idList = fuzzutil::tokens(head);
  StrPair2Dbl wbm;
  wbm[StrPair("stale", "entry")] = 1;
  try {
    const int count = readWBMscoreFile(file, idList, wbm);
    if (count < (int)wbm.size() || wbm.count(StrPair("stale", "entry"))) std::abort();
  } catch (const RunError&) {
  }
  return 0;
}
