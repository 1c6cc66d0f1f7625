// GAF reader, plain or gzipped (the input's first bytes decide, as for a file).
#include "base/error.h"
#include "fuzz_common.h"
#include "io/gaf_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzutil::silenceCerr();
  const std::string file = fuzzutil::writeScratch("annotations.gaf", (const char*)data, size);
  for (int column : {2, 3}) {
    std::map<std::string, VecStr> terms;
    GafOptions options;
    options.idColumn = column;
    options.noElectronic = column == 3;
    try {
      const GafCounts c = readGafFile(file, options, terms);
      if (c.kept + c.negated + c.electronic != c.lines) std::abort();
      for (const auto& e : terms)
        if (e.first.empty() || e.second.empty()) std::abort();
    } catch (const RunError&) {
    }
  }
  return 0;
}
