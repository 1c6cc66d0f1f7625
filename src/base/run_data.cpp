#include "base/run_data.h"

#include <algorithm>

#include "base/error.h"

int ProteinIndex::speciesNumber(const std::string& name) const {
  auto it = std::lower_bound(speciesNames.begin(), speciesNames.end(), name);
  return (it != speciesNames.end() && *it == name) ? int(it - speciesNames.begin()) : -1;
}

ProteinIndex makeProteinIndex(int proteins, const Str2Int& id2idx, const Str2Str& id2sp) {
  ProteinIndex x;
  for (const auto& e : id2sp) x.speciesNames.push_back(e.second);
  std::sort(x.speciesNames.begin(), x.speciesNames.end());
  x.speciesNames.erase(std::unique(x.speciesNames.begin(), x.speciesNames.end()),
                       x.speciesNames.end());
  x.speciesOf.assign(proteins, -1);
  x.localOf.assign(proteins, -1);
  x.proteinsOf.assign(x.speciesNames.size(), VecInt());
  for (const auto& e : id2sp) {
    auto it = id2idx.find(e.first);
    if (it == id2idx.end() || it->second < 0 || it->second >= proteins)
      throw RunError("identifier '" + e.first + "' has no protein number");
    const int p = it->second, s = x.speciesNumber(e.second);
    x.speciesOf[p] = s;
    x.localOf[p] = (int)x.proteinsOf[s].size();
    x.proteinsOf[s].push_back(p);
  }
  return x;
}
