#include "prepare/identifiers.h"

bool normaliseUniprot(std::string& id) {
  if (id.size() < 4 || id[2] != '|' || !((id[0] == 's' && id[1] == 'p') || (id[0] == 't' && id[1] == 'r')))
    return false;
  const size_t end = id.find('|', 3);
  if (end == std::string::npos || end == 3) return false;
  id = id.substr(3, end - 3);
  return true;
}

std::string psiMiIdentifier(std::string_view field, bool normalise, bool& rewritten) {
  rewritten = false;
  const size_t bar = field.find('|');
  std::string_view first = field.substr(0, bar);
  if (first.empty() || first == "-") return "";
  if (normalise) {
    const size_t colon = first.find(':');
    if (colon != std::string_view::npos && colon + 1 < first.size()) {
      first.remove_prefix(colon + 1);
      rewritten = true;
    }
  }
  return std::string(first);
}

int32_t ProteinRegistry::add(const std::string& id, int species,
                             const std::vector<std::string>& codes) {
  auto found = byName_.find(id);
  if (found != byName_.end()) {
    const int32_t p = found->second;
    if (p >= 0 && species_[p] == species) return p;
    if (!prefixIds_) return kAmbiguous;
    const std::string key = std::to_string(species) + '\t' + id;
    auto same = perSpecies_.find(key);
    if (same != perSpecies_.end()) return same->second;
    found->second = kAmbiguous;
  }
  const int32_t p = static_cast<int32_t>(name_.size());
  name_.push_back(prefixIds_ ? codes[species] + '|' + id : id);
  species_.push_back(species);
  if (found == byName_.end()) byName_.emplace(id, p);
  if (prefixIds_) {
    perSpecies_.emplace(std::to_string(species) + '\t' + id, p);
    prefixed_.emplace(name_.back(), p);
  }
  return p;
}

int32_t ProteinRegistry::find(const std::string& id) const {
  auto found = byName_.find(id);
  if (found != byName_.end()) return found->second;
  if (prefixIds_) {
    auto pre = prefixed_.find(id);
    if (pre != prefixed_.end()) return pre->second;
  }
  return kUnknown;
}

int ProteinRegistry::speciesOf(const std::string& id) const {
  auto found = byName_.find(id);
  return found != byName_.end() && found->second >= 0 ? species_[found->second] : -1;
}
