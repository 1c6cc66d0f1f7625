// Identifier maps for trivanex-prepare --id-map: the files that translate one
// kind of identifier into another (UniProt idmapping, HGNC, HomoloGene and
// BioMart exports), so a hit table keyed by gene symbol meets networks keyed
// by Entrez gene id.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

// How the identifiers of one input fared in the map: distinct identifiers
// found in it (several: of those, the ones with more than one target) and not.
struct IdMapCounts {
  long mapped = 0, unmapped = 0, several = 0;
};

class IdMap {
 public:
  // Adds one file: 'from to' lines (blank- or tab-separated; a first line
  // whose fields hold blanks, as BioMart and HGNC headers do, is a header;
  // lines with an empty field are skipped), or UniProt idmapping's
  // 'ACC<TAB>TYPE<TAB>ID' lines, of which those whose TYPE is one of `types`
  // map ID to ACC. RunError naming file and line on a malformed line, on an
  // idmapping file without `types`, and when no line has one of them.
  void read(const std::string& path, const std::vector<std::string>& types);

  bool empty() const { return targets_.empty(); }
  // What `id` maps to (distinct, in file order), or nullptr when it is not in the map.
  const std::vector<std::string>* find(const std::string& id) const {
    auto it = targets_.find(id);
    return it == targets_.end() ? nullptr : &it->second;
  }
  // find(), counted in `counts`: call it once per distinct identifier of an input.
  const std::vector<std::string>* findCounted(const std::string& id, IdMapCounts& counts) const;

 private:
  std::unordered_map<std::string, std::vector<std::string>> targets_;
};
