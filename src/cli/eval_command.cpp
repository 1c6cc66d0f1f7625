#include "cli/eval_command.h"

#include <iostream>
#include <vector>

#include <algorithm>

#include "base/error.h"
#include "base/text.h"
#include "base/types.h"
#include "base/version.h"
#include "cli/arguments.h"
#include "cli/quiet_stderr.h"
#include "baseline/baseline_text.h"
#include "baseline/reciprocal_hits.h"
#include "eval/evaluation.h"
#include "io/gaf_reader.h"
#include "io/loaders.h"

namespace {

const char* const kEvalUsage =
    "Usage: trivanex-eval [--json] [--no-baseline] [--gaf FILE [--gaf-column 2|3] [--no-iea]]\n"
    "                     <data-description file> <cluster file> [<group file>...]\n"
    "\n"
    "Scores a cluster file written by trivanex (one cluster per line, the members'\n"
    "identifiers separated by blanks) against ortholog-group annotations, GO\n"
    "annotations, or both; at least one group file or --gaf is needed.\n"
    "\n"
    "  <data-description file>  the file the run was given; it names every protein\n"
    "                           and its species. Its data directory is taken from\n"
    "                           the working directory, as in the run.\n"
    "  <cluster file>           the run's cluster file (tmp_output_cluster.txt).\n"
    "  <group file>...          files of 'protein group' lines (blank- or\n"
    "                           tab-separated), read together; a protein may have\n"
    "                           several groups.\n"
    "\n"
    "  --gaf FILE        GO annotations in GAF 2.x form (plain or gzipped); an\n"
    "                    annotation whose qualifier holds NOT is left out\n"
    "  --gaf-column 2|3  match proteins to the GAF's column 2 (DB object ID, the\n"
    "                    default) or column 3 (DB object symbol)\n"
    "  --no-iea          leave out electronic annotations (evidence code IEA)\n"
    "  --json            write the figures as one JSON object instead of text\n"
    "  --no-baseline     leave out the sequence-only baseline (below)\n"
    "  --help            print this text and exit\n"
    "  --version         print the program's name and version and exit\n"
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
    "  clusters spanning k+ species  clusters whose members belong to at least k\n"
    "                                species, and (in brackets) their members,\n"
    "                                k = 2 to the number of species\n"
    "  all-species clusters          clusters spanning every species of the data\n"
    "  all-species annotated         annotated clusters among them\n"
    "  all-species correct           correct clusters among them\n"
    "  all-species specificity       all-species correct / all-species annotated\n"
    "  all-species correct nodes     annotated members of the all-species correct\n"
    "                                clusters\n"
    "  all-species mean entropy      mean normalised entropy over the all-species\n"
    "                                annotated clusters\n"
    "The group measures are shown when a group file is given. With --gaf, a\n"
    "protein is GO-annotated when it is a protein of the data with a GO term:\n"
    "  GO-annotated proteins         GO-annotated proteins of the data\n"
    "  GO-annotated clusters         clusters with at least two GO-annotated members\n"
    "  GO-consistent clusters        GO-annotated clusters whose GO-annotated\n"
    "                                members all share at least one term\n"
    "  GO consistency                GO-consistent / GO-annotated clusters\n"
    "  GO top-term share             mean over the GO-annotated clusters of the\n"
    "                                share of GO-annotated members that carry the\n"
    "                                cluster's most common term\n"
    "  GO-annotated outside data     GAF identifiers that are no protein of the\n"
    "                                data (a wrong --gaf-column shows here)\n"
    "\n"
    "The sequence-only baseline follows: reciprocal best hits of the data's\n"
    "sequence scores (.evals files; a pair of two species is kept when each\n"
    "scores the other at least as high as any protein of the other's species,\n"
    "ties all kept, scores of 0 or less are no hit), merged across species pairs\n"
    "into clusters by shared members, strongest pair first, a pair joining two\n"
    "clusters only when no species would be in the joined one twice (so a\n"
    "cluster holds at most one protein per species). The same measures\n"
    "follow for it, each label led by 'baseline ' (JSON: the object \"baseline\"),\n"
    "then the cross-species pairs within clusters of the run ('aligned pairs')\n"
    "and of the baseline, those in both, and those the network added (the run's,\n"
    "not the baseline's) and removed (the baseline's, not the run's).\n"
    "\n"
    "A bad input (a missing file, a group line without exactly two fields, a GAF\n"
    "line of fewer than 7 columns, a truncated gzip file, an identifier twice in\n"
    "the cluster file or unknown to the data, an unknown option) stops with one\n"
    "line 'Error: ...' on standard error naming the file and line, and exit\n"
    "status 1.\n";

const char* const kSeeHelp = " (trivanex-eval --help shows the usage)";

}  // namespace

const std::string& evalUsageText() {
  static const std::string text = kEvalUsage;
  return text;
}

int runTrivanexEval(int argc, char** argv, std::ostream& out) {
  bool json = false, baseline = true;
  std::string gafFile;
  GafOptions gaf;
  ArgumentWalk args(argc, argv, kSeeHelp);
  while (args.nextOption()) {
    const std::string& arg = args.option();
    if (arg == "--json") {
      json = true;
    } else if (arg == "--no-baseline") {
      baseline = false;
    } else if (arg == "--version") {
      out << "trivanex-eval " << trivanexVersion() << std::endl;
      return 0;
    } else if (arg == "--gaf") {
      gafFile = args.value();
    } else if (arg == "--gaf-column") {
      gaf.idColumn = args.gafColumn();
    } else if (arg == "--no-iea") {
      gaf.noElectronic = true;
    } else if (arg == "--help" || arg == "-h") {
      out << evalUsageText();
      out.flush();
      return 0;
    } else {
      args.unknown();
    }
  }
  const VecStr& positional = args.positional();
  if (positional.size() < 2 || (positional.size() < 3 && gafFile.empty()))
    throw RunError("expected a data-description file, a cluster file and at least one group file or --gaf" +
                   std::string(kSeeHelp));

  VecStr spList, idList;
  Str2Str id2sp;
  PairCollector sequenceScores;
  {
    QuietStderr quiet;
    if (baseline)
      grabIdentifiersAndScores(positional[0], spList, idList, id2sp, sequenceScores);
    else
      grabSequenceData(positional[0], spList, idList, id2sp);
  }
  ClusterList clusters;
  readClusterFile(positional[1], &id2sp, clusters);
  Str2VecStr groups, goTerms;
  for (size_t i = 2; i < positional.size(); ++i) readGroupFile(positional[i], groups);
  if (!gafFile.empty()) readGafFile(gafFile, gaf, goTerms);

  const EvalReport report = evaluateClusters(clusters, spList, id2sp, positional.size() > 2 ? &groups : nullptr,
                                             gafFile.empty() ? nullptr : &goTerms);
  std::string text = json ? formatReportJson(report) : formatReportText(report);
  if (baseline) {
    std::sort(idList.begin(), idList.end());
    Str2Int id2idx;
    for (size_t i = 0; i < idList.size(); ++i) id2idx.emplace(idList[i], (int)i);
    const ProteinIndex index = makeProteinIndex((int)idList.size(), id2idx, id2sp);
    const SequenceHits hits = buildSequenceHits((int)idList.size(), index.speciesOf, sequenceScores.records(id2idx));
    const Baseline base = reciprocalBestHits(hits, index.speciesOf, index.speciesCount());
    ClusterList baseClusters;
    baselineClusterList(base, idList, baseClusters);
    const EvalReport baseReport = evaluateClusters(baseClusters, spList, id2sp,
                                                   positional.size() > 2 ? &groups : nullptr,
                                                   gafFile.empty() ? nullptr : &goTerms);
    std::vector<VecInt> run;
    for (const VecStr& members : clusters.clusters) {
      run.emplace_back();
      for (const std::string& id : members) run.back().push_back(id2idx.at(id));
    }
    const PairCounts pairs = compareClusterings(run, base.clusters, base.clusterOf, index.speciesOf);
    text = json ? appendBaselineJson(text, baseReport, pairs) : text + formatBaselineText(baseReport, pairs);
  }
  out << text;
  out.flush();
  if (!out) throw RunError("cannot write the report to standard output");
  return 0;
}
