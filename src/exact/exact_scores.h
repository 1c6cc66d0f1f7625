// The exact match-score file: a run's match scores as the doubles the power
// iteration left, for handing them from one job of a scaled-out run to the
// next without the six digits of the text file.
//
// The text file rounds every score to six significant digits, so two scores
// that differ only further down read back equal, and the clustering's ties
// then break the other way. This file keeps every bit, and with it the
// protein roster it was computed on, so a reader can tell a file of other
// data from its own and a merge can write the text file without the data.
//
// Layout (host byte order, checked by a marker): magic, version, marker; the
// roster (species names, then each identifier in sorted order with its
// species number, -1 for none); the species-pair blocks, each as its rows'
// column lists or as a bit per cell, whichever is smaller, then the scores in
// cell order; an end magic and a checksum of everything before it. A file
// that stops early, has another magic or version, or fails the checksum is
// rejected with a message naming it.
#pragma once

#include <string>
#include <vector>

#include "base/match_table.h"
#include "base/run_data.h"
#include "base/types.h"

// The proteins a set of scores belongs to, as a run numbers them.
struct ExactRoster {
  VecStr idList;       // sorted
  VecStr speciesNames;  // sorted, distinct
  VecInt speciesOf;    // per protein, index into speciesNames or -1
  bool operator==(const ExactRoster& o) const {
    return idList == o.idList && speciesNames == o.speciesNames && speciesOf == o.speciesOf;
  }
};

// The roster of a run's proteins (idList sorted, numbered as `proteins`).
ExactRoster exactRoster(const VecStr& idList, const ProteinIndex& proteins);

// The index a table over the roster needs, as a run would build it.
ProteinIndex proteinIndexOf(const ExactRoster& roster);

// Writes every block of the table (key order RowSpeciesFirst) under `roster`.
// The file appears under its name only once complete. Throws RunError when it
// cannot be written.
void writeExactScores(const MatchScoreTable& table, const ExactRoster& roster,
                      const std::string& fileName);

// True when the file starts with the exact file's magic (it may still be
// damaged further on).
bool isExactScoreFile(const std::string& fileName);

// Reads the roster at the head of the file.
ExactRoster readExactRoster(const std::string& fileName);

// Reads a file's blocks into `table` (key order RowSpeciesFirst, built over
// `roster`), checking that the file's roster is `roster`. A block of a
// species pair already in the table is an error when `refuseRepeats` (a
// merge of files that should hold distinct pairs); otherwise it replaces it.
// Returns the number of blocks read.
int readExactScores(const std::string& fileName, const ExactRoster& roster,
                    MatchScoreTable& table, bool refuseRepeats = false);
