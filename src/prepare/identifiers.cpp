#include "prepare/identifiers.h"

#include <algorithm>
#include <cctype>

#include "base/text.h"

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

namespace {

bool isUpperOrDigit(char c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isUpper(char c) { return c >= 'A' && c <= 'Z'; }

// UniProt's accession pattern, with an optional isoform suffix "-2".
bool isUniprotAccession(std::string_view s) {
  const size_t dash = s.find('-');
  if (dash != std::string_view::npos) {
    for (size_t i = dash + 1; i < s.size(); ++i)
      if (!isDigit(s[i])) return false;
    if (dash + 1 == s.size()) return false;
    s = s.substr(0, dash);
  }
  if (s.size() == 6 && (s[0] == 'O' || s[0] == 'P' || s[0] == 'Q'))
    return isDigit(s[1]) && isUpperOrDigit(s[2]) && isUpperOrDigit(s[3]) && isUpperOrDigit(s[4]) && isDigit(s[5]);
  if ((s.size() != 6 && s.size() != 10) || !isUpper(s[0]) || !isDigit(s[1])) return false;
  for (size_t i = 2; i < s.size(); i += 4)
    if (!isUpper(s[i]) || !isUpperOrDigit(s[i + 1]) || !isUpperOrDigit(s[i + 2]) || !isDigit(s[i + 3]))
      return false;
  return true;
}

const char* kindOf(const std::string& id) {
  if (id.empty()) return "empty";
  if (id.find('|') != std::string::npos) return "CODE|id prefixed";
  if (std::all_of(id.begin(), id.end(), isDigit)) return "numbers: Entrez gene or BioGRID ids?";
  if (isUniprotAccession(id)) return "UniProt accessions";
  const size_t dot = id.find('.');
  if (dot != std::string::npos && dot > 0 && std::all_of(id.begin(), id.begin() + dot, isDigit))
    return "STRING ids, taxon.protein";
  if (id.rfind("ENS", 0) == 0 && id.size() > 11 && isDigit(id.back())) return "Ensembl ids";
  if (id.size() > 3 && isUpper(id[0]) && id[1] == 'P' && id[2] == '_') return "RefSeq proteins";
  const size_t underscore = id.find('_');
  if (underscore != std::string::npos && underscore > 0 && underscore + 1 < id.size() &&
      std::all_of(id.begin() + underscore + 1, id.end(), isUpperOrDigit))
    return "UniProt entry names";
  if (id.size() >= 7 && id[0] == 'Y' && isUpper(id[1]) && (id[2] == 'L' || id[2] == 'R') && isDigit(id[3]) &&
      isDigit(id[4]) && isDigit(id[5]) && (id[6] == 'W' || id[6] == 'C'))
    return "yeast systematic names";
  if (id.size() <= 16 && std::isalpha(static_cast<unsigned char>(id[0])) &&
      std::all_of(id.begin(), id.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '.' || c == '@';
      }))
    return "gene symbols?";
  return "other names";
}

}  // namespace

std::string describeIdentifiers(const std::vector<std::string>& ids) {
  if (ids.empty()) return "no identifier";
  std::string out, kinds;
  for (const std::string& id : ids) {
    out += (out.empty() ? "" : ", ") + quoteToken(id);
    const std::string kind = kindOf(id);
    if (kinds.find(kind) == std::string::npos) kinds += (kinds.empty() ? "" : " / ") + kind;
  }
  return out + " (" + kinds + ")";
}

int32_t ProteinRegistry::add(const std::string& id, int species,
                             const std::vector<std::string>& codes) {
  auto found = byName_.find(id);
  if (found != byName_.end()) {
    const int32_t p = found->second;
    if (p >= 0 && species_[p] == species) return p;
    auto same = perSpecies_.find(key(species, id));
    if (same != perSpecies_.end()) return same->second;
    if (p >= 0) {
      perSpecies_.emplace(key(species_[p], id), p);
      found->second = kAmbiguous;
    }
  }
  const int32_t p = static_cast<int32_t>(name_.size());
  name_.push_back(prefixIds_ ? codes[species] + '|' + id : id);
  species_.push_back(species);
  if (found == byName_.end())
    byName_.emplace(id, p);
  else
    perSpecies_.emplace(key(species, id), p);
  if (prefixIds_) prefixed_.emplace(name_.back(), p);
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

int32_t ProteinRegistry::findIn(const std::string& id, int species) const {
  const int32_t p = find(id);
  if (p >= 0) return species_[p] == species ? p : kUnknown;
  if (p == kUnknown) return kUnknown;
  auto same = perSpecies_.find(key(species, id));
  return same != perSpecies_.end() ? same->second : kUnknown;
}
