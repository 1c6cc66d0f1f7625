#include "cli/eval_command.h"

#include <iostream>
#include <sstream>
#include <vector>

#include "base/error.h"
#include "base/text.h"
#include "base/types.h"
#include "base/version.h"
#include "eval/evaluation.h"
#include "io/loaders.h"

namespace {

const char* const kEvalUsage =
    "Usage: trivanex-eval [--json] <data-description file> <cluster file> <group file>...\n"
    "\n"
    "Scores a cluster file written by trivanex (one cluster per line, the members'\n"
    "identifiers separated by blanks) against ortholog-group annotations.\n"
    "\n"
    "  <data-description file>  the file the run was given; it names every protein\n"
    "                           and its species. Its data directory is taken from\n"
    "                           the working directory, as in the run.\n"
    "  <cluster file>           the run's cluster file (tmp_output_cluster.txt).\n"
    "  <group file>...          files of 'protein group' lines (blank- or\n"
    "                           tab-separated), read together; a protein may have\n"
    "                           several groups.\n"
    "\n"
    "  --json     write the figures as one JSON object instead of text\n"
    "  --help     print this text and exit\n"
    "  --version  print the program's name and version and exit\n"
    "\n"
    "Measures. A protein is annotated when it is a protein of the data with at\n"
    "least one group. A ratio whose denominator is 0 is shown as n/a (null in JSON).\n"
    "  clusters                      lines of the cluster file that hold a cluster\n"
    "  proteins clustered            identifiers in the cluster file\n"
    "  annotated proteins            annotated proteins of the data\n"
    "  annotated proteins clustered  annotated proteins in the cluster file\n"
    "  coverage                      annotated proteins clustered / annotated proteins\n"
    "  annotated clusters            clusters with at least two annotated members\n"
    "  correct clusters              annotated clusters in which some group is\n"
    "                                common to all annotated members\n"
    "  specificity                   correct clusters / annotated clusters\n"
    "  correct nodes                 annotated members of the correct clusters\n"
    "  sensitivity                   correct nodes / annotated proteins\n"
    "  mean normalised entropy       mean over the annotated clusters of H / log d,\n"
    "                                H = -sum of p log p over the d distinct groups\n"
    "                                of the annotated members; a member with k\n"
    "                                groups adds 1/k to each, p is a group's sum\n"
    "                                over the number of annotated members; 0 when\n"
    "                                d = 1\n"
    "  clusters spanning s species   clusters whose members belong to s species,\n"
    "                                s = 1 to the number of species of the data\n"
    "  annotated outside the data    proteins with a group that are no protein of\n"
    "                                the data; they are otherwise ignored\n"
    "\n"
    "A bad input (a missing file, a group line without exactly two fields, an\n"
    "identifier twice in the cluster file or unknown to the data, an unknown\n"
    "option) stops with one line 'Error: ...' on standard error naming the file and\n"
    "line, and exit status 1.\n";

// The loaders report each file they open on standard error; the evaluator's
// own output is its report, so that chatter is held back while it loads.
class QuietStderr {
 public:
  QuietStderr() : saved_(std::cerr.rdbuf(sink_.rdbuf())) {}
  ~QuietStderr() { std::cerr.rdbuf(saved_); }
  QuietStderr(const QuietStderr&) = delete;
  QuietStderr& operator=(const QuietStderr&) = delete;

 private:
  std::ostringstream sink_;
  std::streambuf* saved_;
};

const char* const kSeeHelp = " (trivanex-eval --help shows the usage)";

}  // namespace

const std::string& evalUsageText() {
  static const std::string text = kEvalUsage;
  return text;
}

int runTrivanexEval(int argc, char** argv, std::ostream& out) {
  bool json = false, optionsEnded = false;
  VecStr positional;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
      positional.push_back(arg);
    } else if (arg == "--") {
      optionsEnded = true;
    } else if (arg == "--json") {
      json = true;
    } else if (arg == "--version") {
      out << "trivanex-eval " << trivanexVersion() << std::endl;
      return 0;
    } else if (arg == "--help" || arg == "-h") {
      out << evalUsageText();
      out.flush();
      return 0;
    } else {
      throw RunError("unknown option " + quoteToken(arg) + kSeeHelp);
    }
  }
  if (positional.size() < 3)
    throw RunError("expected a data-description file, a cluster file and at least one group file" +
                   std::string(kSeeHelp));

  VecStr spList, idList;
  Str2Str id2sp;
  {
    QuietStderr quiet;
    grabSequenceData(positional[0], spList, idList, id2sp);
  }
  ClusterList clusters;
  readClusterFile(positional[1], &id2sp, clusters);
  Str2VecStr groups;
  for (size_t i = 2; i < positional.size(); ++i) readGroupFile(positional[i], groups);

  const EvalReport report = evaluateClusters(clusters, spList, id2sp, groups);
  out << (json ? formatReportJson(report) : formatReportText(report));
  out.flush();
  if (!out) throw RunError("cannot write the report to standard output");
  return 0;
}
