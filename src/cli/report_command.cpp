#include "cli/report_command.h"

#include <filesystem>
#include <memory>
#include <system_error>
#include <vector>

#include "base/error.h"
#include "base/output_file.h"
#include "base/text.h"
#include "base/version.h"
#include "cli/arguments.h"
#include "cli/quiet_stderr.h"
#include "report/alignment_report.h"
#include "report/report_files.h"

namespace {

const char* const kReportUsage =
    "Usage: trivanex-report [options] <data-description file> <cluster file> --out DIR\n"
    "\n"
    "Turns a trivanex run into files to read and to load elsewhere. Run it where\n"
    "the run ran: the data-description file's data directory is taken from the\n"
    "working directory, as in the run. Writes into DIR (created if needed; each\n"
    "file is written under a temporary name and renamed into place at the end):\n"
    "  clusters.tsv       one row per clustered protein: cluster_id size\n"
    "                     species_count protein species [groups] [go_terms]\n"
    "  nodes.tsv          Cytoscape node table: protein species cluster_id\n"
    "                     cluster_size [groups] [go_terms]\n"
    "  edges.tsv          Cytoscape edge table: source target type weight\n"
    "                     match_score; type 'interaction' (an interaction of the\n"
    "                     input networks between clustered proteins, with its\n"
    "                     weight) or 'aligned' (two members of one cluster from\n"
    "                     different species, with their match score when\n"
    "                     --scores is given and the file holds the pair)\n"
    "  alignment.graphml  the same nodes and edges with typed attributes\n"
    "  alignment.sif      the same edges as 'source type target' lines\n"
    "  report.html        one self-contained page: summary, coverage per species,\n"
    "                     cluster sizes, species per cluster, measures, the\n"
    "                     largest clusters and, with --log, the sweeps\n"
    "and prints a summary (clusters, coverage per species, measures) on standard\n"
    "output.\n"
    "\n"
    "  --out DIR          the report folder (required)\n"
    "  --scores FILE      the run's match-score file (tmp_match-score.txt)\n"
    "  --log FILE         the run's standard error, for the sweeps of each\n"
    "                     species pair; lines that are not progress lines are\n"
    "                     skipped\n"
    "  --groups FILE      ortholog groups, 'protein group' lines; may be repeated\n"
    "  --gaf FILE         GO annotations in GAF 2.x form (plain or compressed)\n"
    "  --gaf-column 2|3   match proteins to the GAF's column 2 (the default) or 3\n"
    "  --no-iea           leave out electronic GO annotations (evidence IEA)\n"
    "  --help             print this text and exit\n"
    "  --version          print the version and exit\n"
    "\n"
    "The measures are those of trivanex-eval (trivanex-eval --help defines them).\n"
    "A bad input stops with one line 'Error: ...' on standard error naming the\n"
    "file and line, and exit status 1; DIR then keeps its earlier files.\n";

const char* const kSeeHelp = " (trivanex-report --help shows the usage)";

}  // namespace

const std::string& reportUsageText() {
  static const std::string text = kReportUsage;
  return text;
}

int runTrivanexReport(int argc, char** argv, std::ostream& out) {
  ReportInputs in;
  std::string outDir;
  ArgumentWalk args(argc, argv, kSeeHelp);
  while (args.nextOption()) {
    const std::string& arg = args.option();
    if (arg == "--out") {
      outDir = args.value();
    } else if (arg == "--scores") {
      in.scoreFile = args.value();
    } else if (arg == "--log") {
      in.logFile = args.value();
    } else if (arg == "--groups") {
      in.groupFiles.push_back(args.value());
    } else if (arg == "--gaf") {
      in.gafFile = args.value();
    } else if (arg == "--gaf-column") {
      in.gaf.idColumn = args.gafColumn();
    } else if (arg == "--no-iea") {
      in.gaf.noElectronic = true;
    } else if (arg == "--help" || arg == "-h") {
      out << reportUsageText();
      out.flush();
      return 0;
    } else if (arg == "--version") {
      out << "trivanex-report " << trivanexVersion() << "\n";
      out.flush();
      return 0;
    } else {
      args.unknown();
    }
  }
  const VecStr& positional = args.positional();
  if (positional.size() != 2)
    throw RunError("expected a data-description file and a cluster file" + std::string(kSeeHelp));
  if (outDir.empty()) throw RunError("--out DIR names the report folder; it is required" + std::string(kSeeHelp));
  in.dataDescFile = positional[0];
  in.clusterFile = positional[1];

  std::unique_ptr<AlignmentReport> report;
  {
    QuietStderr quiet;
    report = buildAlignmentReport(in);
  }

  std::error_code ec;
  std::filesystem::create_directories(outDir, ec);
  if (ec || !std::filesystem::is_directory(outDir))
    throw RunError("cannot create the report folder " + printable(outDir));
  // Every file is complete under its temporary name before any is renamed.
  const std::pair<const char*, std::string (*)(const AlignmentReport&)> files[] = {
      {"clusters.tsv", clustersTsv},          {"nodes.tsv", nodesTsv},       {"edges.tsv", edgesTsv},
      {"alignment.graphml", alignmentGraphml}, {"alignment.sif", alignmentSif}, {"report.html", reportHtml}};
  std::vector<std::unique_ptr<OutputFile>> written;
  for (const auto& f : files) {
    auto file = std::make_unique<OutputFile>(outDir + "/" + f.first);
    if (!file->open()) throw RunError("cannot write " + printable(file->path()));
    const std::string text = f.second(*report);
    file->stream().write(text.data(), (std::streamsize)text.size());
    written.push_back(std::move(file));
  }
  for (auto& file : written)
    if (!file->commit()) throw RunError("cannot write " + printable(file->path()));

  out << reportSummary(*report) << "report written to " << outDir << "/report.html\n";
  out.flush();
  if (!out) throw RunError("cannot write the summary to standard output");
  return 0;
}
