// The reader of a run's progress lines in its standard error: any text gives
// pairs whose steps are in the order read, without a stop.
#include <sstream>

#include "fuzz_common.h"
#include "report/progress_log.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
  for (const PairSweeps& p : parseProgressLog(in)) {
    if (p.species1.empty() || p.species2.empty()) std::abort();
    for (const SweepStep& s : p.steps)
      if (!(s.change == -1 || s.change >= 0)) std::abort();
  }
  return 0;
}
