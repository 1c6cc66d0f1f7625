// The command line of trivanex-eval: reads the data description, the cluster
// file and the group files, and writes the measures as text or JSON.
#pragma once

#include <ostream>
#include <string>

// The usage text of --help, with the definition of every measure.
const std::string& evalUsageText();

// Runs the evaluator; the report goes to `out`. Returns 0; every bad input
// throws RunError.
int runTrivanexEval(int argc, char** argv, std::ostream& out);
