// Star cache reader, both variants. Line 1 of the input: the slot count, then
// the run's identifiers (their number fixes the rank count). A file that
// reads back is written again and must read back to the same stars and ranks.
#include <algorithm>

#include "base/error.h"
#include "cluster/star_cache.h"
#include "fuzz_common.h"

namespace {

bool sameStars(const std::vector<Star>& a, const std::vector<Star>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (a[i].center != b[i].center || *a[i].candidates != *b[i].candidates) return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzutil::silenceCerr();
  std::string head, body;
  fuzzutil::splitHead(data, size, head, body);
  VecStr ids = fuzzutil::tokens(head, 40);
  int slotCount = 1;
  if (!ids.empty()) {
    slotCount = std::clamp(std::atoi(ids[0].c_str()), 0, 4);
    ids.erase(ids.begin());
  }
  Str2Int proteins;
  for (const auto& id : ids) proteins.emplace(id, (int)proteins.size());
  const std::string file = fuzzutil::writeScratch("stars_A.txt", body);

  std::vector<Star> stars;
  VecInt ranks(proteins.size(), 10);
  try {
    import_stars_and_ranks(stars, slotCount, ranks, file);
  } catch (const RunError&) {
    stars.clear();
  }
  std::vector<Star> checked;
  VecInt ranks2(proteins.size(), 10);
  try {
    import_stars_and_ranks(checked, slotCount, ranks2, file, proteins);
  } catch (const RunError&) {
    return 0;
  }
  // What the checked reader accepts, the plain one accepts identically.
  if (!sameStars(stars, checked) || ranks != ranks2) std::abort();

  const std::string again = fuzzutil::scratchDir() + "/stars_B.txt";
  try {
    export_stars_and_ranks(checked, slotCount, ranks2, again);
  } catch (const RunError&) {
    std::abort();
  }
  std::vector<Star> back;
  VecInt ranks3(proteins.size(), 0);
  import_stars_and_ranks(back, slotCount, ranks3, again, proteins);
  if (!sameStars(checked, back) || ranks3 != ranks2) std::abort();
  return 0;
}
