// The command line of trivanex-prepare: builds a data folder from network
// files, hit tables and FASTA files, or (--check) inspects an existing one.
#pragma once

#include <ostream>
#include <string>

const std::string& prepareUsageText();

// Runs trivanex-prepare; --help and --version go to `out`, the summary and
// the check's warnings to `log`. Returns the exit status; bad input throws RunError.
int runTrivanexPrepare(int argc, char** argv, std::ostream& out, std::ostream& log);
