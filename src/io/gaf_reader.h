// Reader of GO annotation files in GAF 2.x form (plain or gzip-compressed):
// tab-separated lines of 17 columns, comment lines starting with '!'.
#pragma once

#include <map>
#include <string>

#include "base/types.h"

struct GafOptions {
  int idColumn = 2;       // 2: DB object ID, 3: DB object symbol
  bool noElectronic = false;  // leave out evidence code IEA
};

struct GafCounts {
  long lines = 0;        // annotation lines (not comments or blank)
  long kept = 0;         // annotations added
  long negated = 0;      // left out: the qualifier holds NOT
  long electronic = 0;   // left out: IEA while noElectronic is set
};

// Adds every kept annotation of the file to `terms` (protein identifier, as
// found in the chosen column, to its GO IDs, sorted without repeats).
// Throws RunError naming the file and line on a line of fewer than 7 columns
// or with an empty identifier or GO ID, and on an unreadable or corrupt file.
GafCounts readGafFile(const std::string& path, const GafOptions& options,
                      std::map<std::string, VecStr>& terms);
