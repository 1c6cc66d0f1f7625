// Network file (.tab) reader. Line 1 of the input lists identifiers already
// registered for another species (to reach the two-species check); the rest
// is the file.
#include "base/error.h"
#include "fuzz_common.h"
#include "io/readers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzutil::silenceCerr();
  std::string head, body;
  fuzzutil::splitHead(data, size, head, body);
  const std::string file = fuzzutil::writeScratch("net.tab", body);
  VecStr idList;
  Str2Str id2sp;
  for (const auto& id : fuzzutil::tokens(head)) {
    if (!id2sp.count(id)) idList.push_back(id);
    id2sp[id] = "other";
  }
  StrPair2Dbl intxns;
  try {
    const int count = readIntxnFile(file, "sp", idList, id2sp, intxns);
    if (count < (int)intxns.size()) std::abort();  // every stored pair came from a record
    for (const auto& e : intxns)
      if (!(e.second >= 0 && e.second <= 1) || !(e.first.first <= e.first.second)) std::abort();
  } catch (const RunError&) {
  }
  return 0;
}
