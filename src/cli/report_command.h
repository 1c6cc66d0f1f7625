// The command line of trivanex-report: reads a run's inputs and outputs and
// writes the report folder (tables, Cytoscape files, report.html).
#pragma once

#include <ostream>
#include <string>

// The usage text of --help.
const std::string& reportUsageText();

// Runs the report; the summary goes to `out`. Returns 0; every bad input
// throws RunError.
int runTrivanexReport(int argc, char** argv, std::ostream& out);
