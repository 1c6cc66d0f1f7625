// Star cache files: line 1 the rank of every protein ("r " each), then per
// star a header "center weight" and slot-count row lines of 10 "id " columns.
#pragma once

#include <string>
#include <vector>

#include "cluster/records.h"
#include "base/types.h"

void export_stars_and_ranks(const std::vector<Star>& stars, int slotCount, const VecInt& ranks,
                            std::string fileName);

// Appends the file's stars and replaces every rank. ranks.size() fixes how
// many rank numbers line 1 must hold. With `proteins`, every centre and
// partner must be one of them.
void import_stars_and_ranks(std::vector<Star>& stars, int slotCount, VecInt& ranks,
                            std::string fileName);
void import_stars_and_ranks(std::vector<Star>& stars, int slotCount, VecInt& ranks,
                            std::string fileName, const Str2Int& proteins);
