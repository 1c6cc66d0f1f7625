// The page's part for finding one's way: every cluster in a sortable table, a
// search box for a protein by identifier or name, and per cluster its members,
// their aligned partners with scores and a drawing of the interactions among
// them. The data travels in the page as one JSON object, read by a script
// written here by hand, so the page needs nothing from outside.
#pragma once

#include <string>

#include "report/alignment_report.h"

// The HTML of the section, the data and the script.
std::string exploreSection(const AlignmentReport& r);

// Text as a JSON string literal (quotes included); '<', '>' and '&' are
// escaped too, so the text cannot close the script element that holds it.
std::string jsonString(const std::string& text);
