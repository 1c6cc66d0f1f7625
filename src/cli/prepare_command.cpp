#include "cli/prepare_command.h"

#include <cstdlib>

#include "base/error.h"
#include "base/text.h"
#include "base/version.h"
#include "prepare/check.h"
#include "prepare/prepare.h"

namespace {

const char* const kPrepareUsage =
    "Usage: trivanex-prepare --out DIR --species CODE=NETWORK_FILE [--species ...]\n"
    "                        --hits [A,B=]FILE [--hits ...] [--fasta CODE=FASTA_FILE ...]\n"
    "                        [--id-map FILE ...] [options]\n"
    "       trivanex-prepare --check DATA.in [--strict]\n"
    "\n"
    "Writes a data folder for trivanex: DIR/CODE.tab for every species, DIR/A-B.evals\n"
    "for every pair of species codes A <= B (empty where there is no hit),\n"
    "DIR/data.in naming DIR by its absolute path (run: trivanex DIR/data.in), and\n"
    "DIR/prepare.tsv, the summary that also goes to standard error. Every input may\n"
    "be gzip-compressed.\n"
    "\n"
    "Inputs:\n"
    "  --out DIR                  the folder to write (created when missing)\n"
    "  --species CODE=FILE        a species' network: an edge list ('a b' or 'a b\n"
    "                             weight', weights 0 to 1, optional header), SIF,\n"
    "                             BioGRID TAB3, STRING links or PSI-MI TAB, recognised\n"
    "                             from the first lines\n"
    "  --hits [A,B=]FILE          a BLAST, DIAMOND or MMseqs2 table (-outfmt 6); a pair\n"
    "                             seen several times keeps its largest score; with A,B=\n"
    "                             column 1 names proteins of species A, column 2 of B\n"
    "                             (a name both species use is then still found)\n"
    "  --fasta CODE=FILE          the species' proteins: exactly the file's (network\n"
    "                             interactions naming another are dropped and counted);\n"
    "                             without it a species' proteins are its network's\n"
    "  --id-map FILE              'from to' lines mapping identifiers of any input to\n"
    "                             others (the networks', say), or UniProt idmapping\n"
    "                             'ACC TYPE ID' lines with --id-type; repeatable\n"
    "\n"
    "Options:\n"
    "  --network-format [CODE=]F  read the networks (of CODE) as F: edges, sif,\n"
    "                             biogrid, string or mitab\n"
    "  --taxon CODE=TAXID         BioGRID, PSI-MI: keep interactions whose partners are\n"
    "                             both of TAXID (default: the one taxon the file holds)\n"
    "  --biogrid-id COLUMN        BioGRID identifier column: swissprot (default),\n"
    "                             entrez, biogrid, systematic or symbol\n"
    "  --all-interactions         BioGRID, PSI-MI: keep genetic interactions too\n"
    "  --min-score N              STRING: drop links whose combined_score is below N\n"
    "                             (weights are combined_score / 1000)\n"
    "  --score-column N           the score column of the hit tables (default 12, the\n"
    "                             bit score)\n"
    "  --id-type TYPE             UniProt idmapping: map identifiers of TYPE (GeneID,\n"
    "                             Gene_Name, ...) to accessions; repeatable\n"
    "  --foreign drop|majority    an identifier in several species' networks (organism-\n"
    "                             wide exports list other species' partners): drop its\n"
    "                             interactions, or keep it in the network where it has\n"
    "                             most (by default the run stops and says so)\n"
    "  --prefix-ids               write every identifier as CODE|identifier, for\n"
    "                             species that really share identifiers\n"
    "  --no-normalise             keep identifiers as written (by default sp|ACC|NAME\n"
    "                             and tr|ACC|NAME become ACC, PSI-MI db:ACC becomes ACC)\n"
    "\n"
    "Check mode:\n"
    "  --check DATA.in            inspect the folder a data-description file names\n"
    "                             (read from the working directory, as trivanex does)\n"
    "                             and warn about pair files that are missing or named\n"
    "                             in the other order, raw search tables, scores that\n"
    "                             look like e-values or percent identities, species\n"
    "                             pairs without scores, pair files most of whose\n"
    "                             identifiers no network names, and pairs given twice\n"
    "                             with different scores; changes nothing\n"
    "  --strict                   exit status 1 when there is any warning\n"
    "\n"
    "  --help                     print this text and exit\n"
    "  --version                  print the version and exit\n"
    "\n"
    "A refused input (an identifier in two species, a malformed line, a truncated\n"
    "gzip file, a score column that is not a number, a network with no interaction\n"
    "left after filtering, a hit table none of whose lines names two proteins, a\n"
    "species pair given a table that ends with no hit) stops with 'Error: ...'\n"
    "naming the file, with the facts and remedies on indented lines, and exit status\n"
    "1. A hit table that loses more than half its lines gets a 'Warning: ...'.\n";

const char* const kSeeHelp = " (trivanex-prepare --help shows the usage)";

std::pair<std::string, std::string> splitAssign(const std::string& option, const std::string& value) {
  const size_t eq = value.find('=');
  if (eq == std::string::npos || eq == 0 || eq + 1 == value.size())
    throw RunError(option + " expects CODE=VALUE, not " + quoteToken(value) + kSeeHelp);
  return {value.substr(0, eq), value.substr(eq + 1)};
}

// "A,B=FILE": a table whose columns name proteins of A and B; anything else
// is a file name (a name holding '=' and ',' before any '/' is taken as the former).
HitTableInput hitTable(const std::string& value) {
  const size_t eq = value.find('=');
  const size_t comma = value.find(',');
  if (eq == std::string::npos || comma == std::string::npos || comma > eq ||
      value.find('/') < eq)
    return {value, "", ""};
  HitTableInput h{value.substr(eq + 1), value.substr(0, comma), value.substr(comma + 1, eq - comma - 1)};
  if (h.codeA.empty() || h.codeB.empty() || h.path.empty() || h.codeB.find(',') != std::string::npos)
    throw RunError("--hits expects FILE or A,B=FILE, not " + quoteToken(value) + kSeeHelp);
  return h;
}

int intValue(const std::string& option, const std::string& value) {
  int v;
  if (!parseInt(value, v)) throw RunError(option + " expects a whole number, not " + quoteToken(value));
  return v;
}

}  // namespace

const std::string& prepareUsageText() {
  static const std::string text = kPrepareUsage;
  return text;
}

int runTrivanexPrepare(int argc, char** argv, std::ostream& out, std::ostream& log) {
  PrepareOptions options;
  std::string check;
  bool strict = false;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i], value;
    const bool hasValue = arg.rfind("--", 0) == 0 && arg.find('=') != std::string::npos;
    if (hasValue) {
      value = arg.substr(arg.find('=') + 1);
      arg = arg.substr(0, arg.find('='));
    }
    auto next = [&]() -> std::string {
      if (hasValue) return value;
      if (i + 1 >= argc) throw RunError(arg + " needs a value" + kSeeHelp);
      return argv[++i];
    };
    if (arg == "--help" || arg == "-h") {
      out << prepareUsageText();
      out.flush();
      return 0;
    } else if (arg == "--version") {
      out << "trivanex-prepare " << trivanexVersion() << "\n";
      out.flush();
      return 0;
    } else if (arg == "--out") {
      options.outDir = next();
    } else if (arg == "--species") {
      options.species.push_back(splitAssign(arg, next()));
    } else if (arg == "--hits") {
      options.hits.push_back(hitTable(next()));
    } else if (arg == "--fasta") {
      options.fasta.push_back(splitAssign(arg, next()));
    } else if (arg == "--network-format") {
      const std::string v = next();
      const size_t eq = v.find('=');
      const std::string code = eq == std::string::npos ? "" : v.substr(0, eq);
      NetworkFormat format;
      if (!parseNetworkFormat(v.substr(eq == std::string::npos ? 0 : eq + 1), format))
        throw RunError("--network-format expects edges, sif, biogrid, string or mitab, not " +
                       quoteToken(v));
      options.formats[code] = format;
    } else if (arg == "--taxon") {
      const auto kv = splitAssign(arg, next());
      const int taxon = intValue(arg, kv.second);
      if (taxon <= 0) throw RunError("--taxon expects a positive NCBI taxon, not " + quoteToken(kv.second));
      options.taxa[kv.first] = taxon;
    } else if (arg == "--biogrid-id") {
      options.network.biogridId = next();
    } else if (arg == "--all-interactions") {
      options.network.allInteractions = true;
    } else if (arg == "--min-score") {
      options.network.minScore = intValue(arg, next());
    } else if (arg == "--score-column") {
      options.scoreColumn = intValue(arg, next());
    } else if (arg == "--id-map") {
      options.idMaps.push_back(next());
    } else if (arg == "--id-type") {
      options.idTypes.push_back(next());
    } else if (arg == "--foreign") {
      const std::string v = next();
      if (v == "drop")
        options.foreign = ForeignProteins::Drop;
      else if (v == "majority")
        options.foreign = ForeignProteins::Majority;
      else
        throw RunError("--foreign expects drop or majority, not " + quoteToken(v) + kSeeHelp);
    } else if (arg == "--prefix-ids") {
      options.prefixIds = true;
    } else if (arg == "--no-normalise") {
      options.network.normalise = false;
    } else if (arg == "--check") {
      check = next();
    } else if (arg == "--strict") {
      strict = true;
    } else {
      throw RunError("unknown argument " + quoteToken(argv[i]) + kSeeHelp);
    }
  }
  if (!check.empty()) {
    const long warnings = checkDataFolder(check, log);
    return strict && warnings > 0 ? 1 : 0;
  }
  if (options.hits.empty()) throw RunError("at least one --hits FILE is required" + std::string(kSeeHelp));
  runPrepare(options, log);
  return 0;
}
