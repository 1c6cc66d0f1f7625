// The hit tables of trivanex-prepare: BLAST, DIAMOND or MMseqs2 tables read
// line by line into the protein pairs of each species pair, every line
// counted by what became of it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "prepare/id_map.h"
#include "prepare/identifiers.h"
#include "prepare/prepare.h"

// A species pair's hit, or an interaction, before repeats are collapsed: the
// two proteins as ranks in the name-sorted protein list (first species' protein
// high, second's low; within one species the smaller rank high), so sorting
// the keys sorts the output lines by name.
struct Scored {
  uint64_t key;
  double score;
};

inline uint64_t pairKey(uint32_t hi, uint32_t lo) { return (static_cast<uint64_t>(hi) << 32) | lo; }

// Hit lines by what became of them: kept (at least one protein pair of two
// proteins), or dropped for naming a protein of no species (unknown), an
// identifier of several species (ambiguous), or a protein with itself.
struct LineCounts {
  long read = 0, kept = 0, unknown = 0, ambiguous = 0, self = 0;
  void add(const LineCounts& o) {
    read += o.read;
    kept += o.kept;
    unknown += o.unknown;
    ambiguous += o.ambiguous;
    self += o.self;
  }
};

// One hit table after reading: its counts, a few of the identifiers of each
// column that met no protein, and how its identifiers fared in the id map.
struct TableResult {
  LineCounts lines;
  std::vector<std::string> misses[2];
  IdMapCounts mapped;
  long rewritten = 0;
};

// Reads one hit table: every kept line's protein pairs and its score go to the
// list of their species pair (index i * n + j for species i <= j), and every
// line is counted in the row of its pair (rows[n * n]: lines that reach no pair).
TableResult readHits(const HitTableInput& table, int speciesA, int speciesB, int scoreColumn, bool normalise,
                     const ProteinRegistry& reg, const IdMap& map, const std::vector<uint32_t>& rank,
                     size_t nSpecies, std::vector<std::vector<Scored>>& pairs, std::vector<LineCounts>& rows);
