// Command line, usage text and run summary.
#pragma once

#include <iosfwd>
#include <string>

// Parses the command line into the run's settings. Integer values are read as
// atoi reads them; real values must be wholly a number (as strtod reads it,
// blanks around it allowed) and are rejected with their option's message
// otherwise. "version" prints the program's version on standard output and
// throws RunError::finished(). Settings 1-9 and 11-13 get their defaults here;
// dataDescFile and finalClusterFile keep what the caller put there unless the
// command line sets them. A rejected command line (bad
// value, unknown option, "help", no data-description file) has already been
// reported on standard error when this throws RunError::reported().
void getoptions(int argc, char** argv, int& K, double& thresh, double& alpha, int& maxveclen,
                double& cl_min_pri_thresh, double& cl_min_sec_thresh, int& cl_max_per_sp,
                std::string& strategy, std::string& prefix, std::string& dataDescFile,
                std::string& scorefile, bool& readstar, bool& reverse,
                std::string& finalClusterFile);

// The same with the settings that follow the original thirteen: `factored`
// (--factored) chooses the factored sweep of the power iteration.
void getoptions(int argc, char** argv, int& K, double& thresh, double& alpha, int& maxveclen,
                double& cl_min_pri_thresh, double& cl_min_sec_thresh, int& cl_max_per_sp,
                std::string& strategy, std::string& prefix, std::string& dataDescFile,
                std::string& scorefile, bool& readstar, bool& reverse,
                std::string& finalClusterFile, bool& factored);

// The same with `joint` (--joint): the clusters come from the joint assembly
// (joint/joint_assembly.h) instead of the stars; and `quiet` (--quiet): the
// run keeps its trace to itself (see cli/quiet_run.h).
// With `exactScores` (--exact-scores): an exact score file to read the match
// scores from instead of computing them. The overloads above reject it:
// their callers have no use for it.
void getoptions(int argc, char** argv, int& K, double& thresh, double& alpha, int& maxveclen,
                double& cl_min_pri_thresh, double& cl_min_sec_thresh, int& cl_max_per_sp,
                std::string& strategy, std::string& prefix, std::string& dataDescFile,
                std::string& scorefile, bool& readstar, bool& reverse,
                std::string& finalClusterFile, bool& factored, bool& joint, bool& quiet,
                std::string& exactScores);

// Writes "Error: <message>" and a blank line when message is not empty, then
// the usage text and the further options, all on standard error.
void usage(const std::string& message);

// The fixed usage text, exactly as printed.
const std::string& usageText();

// The closing block usage() prints after the fixed text: a blank line,
// "Further options:" and one line per option added since.
const std::string& furtherOptionsText();

// The one-line run summary printed right after the options are parsed.
void printRunSummary(std::ostream& os, int K, double thresh, double alpha, int maxveclen,
                     double cl_min_pri_thresh, double cl_min_sec_thresh, int cl_max_per_sp,
                     const std::string& strategy, const std::string& dataDescFile,
                     const std::string& scorefile, bool readstar, bool reverse,
                     const std::string& finalClusterFile);
