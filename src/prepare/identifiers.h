// Identifiers as trivanex-prepare meets them in networks, FASTA headers and
// hit tables, and the numbering of the proteins of all species.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// A UniProt-style "sp|ACC|NAME" or "tr|ACC|NAME" becomes "ACC"; anything
// else stays as it is. True when the identifier was rewritten.
bool normaliseUniprot(std::string& id);

// A PSI-MI "db:accession" (the first of several separated by '|') becomes
// "accession" when `normalise` is set, the first entry as written otherwise.
// Empty for "-" (no identifier). `rewritten` says whether the text changed
// beyond taking the first entry.
std::string psiMiIdentifier(std::string_view field, bool normalise, bool& rewritten);

// What a few identifiers look like, for messages about tables whose
// identifiers meet nothing: "'7529', '7531', '7532' (numbers: Entrez gene or
// BioGRID ids?)". "no identifier" for an empty list.
std::string describeIdentifiers(const std::vector<std::string>& ids);

// The proteins of all species, numbered 0.. in the order they are added.
//
// A protein is an identifier of one species. Where species really share
// names (--prefix-ids, or the same name in two species' FASTA files) one
// identifier is a protein of each; the caller decides when that is allowed.
// byName maps an identifier (normalised, without a species prefix) to its
// protein number, or to kAmbiguous when several species hold it; perSpecies
// then holds (species, identifier) for each of them. prefixed maps
// "CODE|id" to the number, filled only under --prefix-ids, so hit tables
// written from prefixed FASTA files still find their proteins.
class ProteinRegistry {
 public:
  static constexpr int32_t kAmbiguous = -2;
  static constexpr int32_t kUnknown = -1;

  explicit ProteinRegistry(bool prefixIds) : prefixIds_(prefixIds) {}

  // The number of `id` in `species`, added when new (also when another
  // species holds the same identifier).
  int32_t add(const std::string& id, int species, const std::vector<std::string>& codes);

  // The number of an identifier of a hit table whose columns do not say the
  // species: kUnknown when no species has it, kAmbiguous when several do.
  int32_t find(const std::string& id) const;
  // The number of `id` as a protein of `species` (kUnknown when it is not one).
  int32_t findIn(const std::string& id, int species) const;

  size_t size() const { return name_.size(); }
  const std::string& name(int32_t p) const { return name_[p]; }
  int species(int32_t p) const { return species_[p]; }

 private:
  static std::string key(int species, const std::string& id) { return std::to_string(species) + '\t' + id; }
  bool prefixIds_;
  std::unordered_map<std::string, int32_t> byName_;
  std::unordered_map<std::string, int32_t> prefixed_;
  std::unordered_map<std::string, int32_t> perSpecies_;
  std::vector<std::string> name_;  // the identifier written to the outputs
  std::vector<int> species_;
};
