// Synthetic network families for benchmarks and test data: several species
// whose interaction networks descend from one ancestral network, with
// ortholog groups and sequence scores, the same files for the same seed.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

namespace synth {

struct SpeciesShape {
  std::string code;    // species code, used in file names ("hsapi")
  std::string prefix;  // identifier prefix, unique per species ("hs")
  long proteins = 0;
  long interactions = 0;
};

struct FamilyOptions {
  std::vector<SpeciesShape> species;
  uint64_t seed = 1;
  // Weak random sequence hits per protein and species pair, on top of the
  // ortholog hits.
  double hitsPerProtein = 8;
};

// A built-in shape ("biogrid" or "string") with both counts of every species
// multiplied by `scale` (rounded). Throws RunError for an unknown name.
std::vector<SpeciesShape> familyShape(const std::string& name, double scale);

// Parses "CODE:PREFIX:PROTEINS:INTERACTIONS,..." (throws RunError).
std::vector<SpeciesShape> parseSpeciesList(const std::string& text);

// Parses a scale written as a fraction ("1/8") or a decimal ("0.125").
double parseScale(const std::string& text);

// Writes DIR/data.in, DIR/CODE.tab, DIR/A-B.evals (A < B) and DIR/CODE.fo
// into an existing folder and one summary line per species and species pair
// to `report`. Throws RunError on impossible counts or a failed write.
void writeFamily(const FamilyOptions& options, const std::string& dir, std::ostream& report);

}  // namespace synth
