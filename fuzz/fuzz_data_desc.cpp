// Data-description file and the loaders behind it. The input is the
// description, optionally followed by sections, each introduced by a line
// "%%": the contents of the pair files and then of the network files, in the
// order the loader reads them. The loaders read a copy of the description
// whose directory is the scratch folder, and only when the species names are
// plain (no path characters), so no file outside the scratch folder is read
// or written.
#include <algorithm>

#include "base/error.h"
#include "fuzz_common.h"
#include "io/loaders.h"

namespace {

bool plainName(const std::string& s) {
  if (s.empty() || s.size() > 16) return false;
  return std::all_of(s.begin(), s.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
  });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzutil::silenceCerr();
  const std::string all(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> sections;
  size_t start = 0;
  while (true) {
    size_t mark = all.find("%%\n", start);
    while (mark != std::string::npos && mark > 0 && all[mark - 1] != '\n') mark = all.find("%%\n", mark + 1);
    if (mark == std::string::npos) {
      sections.push_back(all.substr(start));
      break;
    }
    sections.push_back(all.substr(start, mark - start));
    start = mark + 3;
  }
  const std::string desc = fuzzutil::writeScratch("data.in", sections[0]);
  DataDescription d;
  try {
    d = readDataDescription(desc);
  } catch (const RunError&) {
    return 0;
  }
  if (!std::is_sorted(d.species.begin(), d.species.end())) std::abort();
  if (d.species.size() > 4 || !std::all_of(d.species.begin(), d.species.end(), plainName)) return 0;
  if (!d.suffix.empty() && !plainName(d.suffix)) return 0;

  const std::string dir = fuzzutil::scratchDir() + "/data";
  static bool made = system(("mkdir -p " + dir).c_str()) == 0;
  (void)made;
  std::string copy = dir + " " + (d.suffix.empty() ? std::string("-") : d.suffix) + " " +
                     std::to_string(d.species.size());
  for (const auto& sp : d.species) copy += " " + sp;
  copy += "\n";
  const std::string copyFile = fuzzutil::writeScratch("data2.in", copy);
  DataDescription d2 = readDataDescription(copyFile);

  std::vector<std::string> files;
  for (size_t i = 0; i < d2.species.size(); ++i)
    for (size_t j = i; j < d2.species.size(); ++j) files.push_back(d2.pairFile(d2.species[i], d2.species[j]));
  for (const auto& sp : d2.species) files.push_back(d2.networkFile(sp));
  for (size_t f = 0; f < files.size(); ++f) {
    if (f + 1 < sections.size()) {
      std::ofstream out(files[f], std::ios::binary | std::ios::trunc);
      out << sections[f + 1];
    } else {
      std::remove(files[f].c_str());
    }
  }

  VecStr spList, idList, spList2, idList2;
  Str2Str id2sp, id2sp2;
  StrPair2Dbl blastScores, intxns;
  bool fullFailed = false, idsFailed = false;
  try {
    grabSequenceAndInteractionData(copyFile, spList, idList, id2sp, blastScores, intxns);
  } catch (const RunError&) {
    fullFailed = true;
  }
  try {
    grabSequenceData(copyFile, spList2, idList2, id2sp2);
  } catch (const RunError&) {
    idsFailed = true;
  }
  // The identifier-only loader reads exactly the files the full loader reads.
  if (fullFailed != idsFailed) std::abort();
  if (!fullFailed && (idList != idList2 || id2sp != id2sp2 || spList != spList2)) std::abort();
  if (!fullFailed && idList.size() != id2sp.size()) std::abort();
  return 0;
}
