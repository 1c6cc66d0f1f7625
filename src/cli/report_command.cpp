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
    "                     [name description], then the cluster's measures:\n"
    "                     aligned_pairs mean_match_score min_match_score\n"
    "                     sequence_hit_share interactions conserved_interactions\n"
    "                     baseline_share baseline (same, within, partly, none)\n"
    "  pairs.tsv          every aligned pair, most confident first: cluster_id\n"
    "                     protein1 species1 protein2 species2 match_score\n"
    "                     sequence_score rank1 rank2 reciprocal_best baseline\n"
    "                     [name1 name2]\n"
    "  nodes.tsv          Cytoscape node table: protein species cluster_id\n"
    "                     cluster_size [groups] [go_terms] [name description]\n"
    "  edges.tsv          Cytoscape edge table: source target type weight\n"
    "                     match_score; type 'interaction' (an interaction of the\n"
    "                     input networks between clustered proteins, with its\n"
    "                     weight) or 'aligned' (two members of one cluster from\n"
    "                     different species, with their match score when\n"
    "                     --scores is given and the file holds the pair)\n"
    "  alignment.graphml  the same nodes and edges with typed attributes\n"
    "  alignment.sif      the same edges as 'source type target' lines\n"
    "  report.html        one self-contained page: summary, coverage per species,\n"
    "                     cluster sizes, species per cluster, measures beside\n"
    "                     the baseline's, every cluster in a sortable table, a\n"
    "                     protein search, each cluster's drawing, the largest\n"
    "                     clusters and, with --log, the sweeps\n"
    "and prints a summary (clusters, coverage per species, measures, then the\n"
    "baseline's as trivanex-eval prints them) on standard output. The baseline:\n"
    "reciprocal best hits of the data's .evals scores (ties all kept), merged\n"
    "across species pairs into clusters by shared members, strongest first, at\n"
    "most one protein per species in a cluster.\n"
    "\n"
    "  --out DIR          the report folder (required)\n"
    "  --scores FILE      the run's match-score file (tmp_match-score.txt)\n"
    "  --log FILE         the run's standard error, for the sweeps of each\n"
    "                     species pair; lines that are not progress lines are\n"
    "                     skipped\n"
    "  --groups FILE      ortholog groups, 'protein group' lines; may be repeated\n"
    "  --names FILE       'id name [description]' lines (plain or gzipped); may\n"
    "                     be repeated\n"
    "  --fasta CODE=FILE  names from a UniProt FASTA file of species CODE: GN=\n"
    "                     and the description; may be repeated\n"
    "  --gaf FILE         GO annotations in GAF 2.x form (plain or gzipped)\n"
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
    } else if (arg == "--names") {
      in.namesFiles.push_back(args.value());
    } else if (arg == "--fasta") {
      const std::string v = args.value();
      const size_t eq = v.find('=');
      if (eq == std::string::npos || eq == 0 || eq + 1 == v.size())
        throw RunError("--fasta takes CODE=FILE, not '" + printable(v) + "'" + std::string(kSeeHelp));
      in.fastaFiles.emplace_back(v.substr(0, eq), v.substr(eq + 1));
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
      {"alignment.graphml", alignmentGraphml}, {"alignment.sif", alignmentSif}, {"report.html", reportHtml},
      {"pairs.tsv", pairsTsv}};
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
