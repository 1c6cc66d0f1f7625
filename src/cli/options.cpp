#include "cli/options.h"

#include <getopt.h>

#include <cctype>
#include <cstdlib>
#include <iostream>
#include <ostream>

#include "base/error.h"
#include "base/version.h"

namespace {

const char* const kUsageLines[] = {
    "Usage: trivanex [--prefix <file-prefix>] [--scorefile <match-score-file>] [--K <max_iter>] "
    "[--thresh <in_percent>] [--alpha <weight_of_ntwk_term>] [--maxveclen <max_len_of_eigenvector>] "
    "[--cl_min_pri_thresh <thresh1>] [--cl_min_sec_thresh <thresh2>] [--cl_max_per_sp <max1>] "
    "[--readstar] [--reverse] [--o <final-cluster-file>] <data-description.txt> ",
    "",
    "--prefix : prefix of the output .txt and .dat files (Default = '').",
    "",
    "--scorefile <match-score-file> : the file containing pairwise scores",
    " after doing network alignment. Forms input to k-partite clustering.",
    "",
    "--K <maxiter>: max number of iterations of the power method (>3, <100).",
    "--thresh <pct-thresh>: the algorithm stops when the average percentage ",
    "\tchange in value of Rij is less than <pct-thresh>",
    "--cl_min_pri_thresh <thresh1> : in the k_partite step, the fractional ",
    "\tthreshold to use during constructing the primary cluster.",
    "--cl_min_sec_thresh <thresh2> : in the k_partite step, the fractional ",
    "\tthreshold to use when adding the secondary nodes.",
    "--cl_max_per_sp <max1> : in the k_partite step, the max number ",
    "\t of species per cluster.",
    "The program stops when either of the above limits are violated.",
    "",
    "--alpha: weight of network data (in [0,1])",
    "--maxveclen: for really large graphs, limits the number of non-zero ",
    "\tentries in R.",
    "--readstar: loading exist star files.",
    "--reverse: use reverse mode.",
    "--o <final-cluster-file>: the final output cluster file, the default file name is",
    "\t\"tmp_output_cluster.txt\".",
    "",
    "The argument (data-description.txt) should specify the list of species",
    "\tto be used as well as the path to the various files. Look at src/data.in",
    "X.tab should have a first line as 'INTERACTOR_A INTERACTOR_B'",
    "\tEach following line should be of type 'id1 id2 wt', where 3rd column",
    "\tis optional.",
    "",
    "X-Y.evals should contain the non-network information. Each line is of ",
    "\tthe form 'id_X id_Y score'. The scores can be BLAST Bit-scores or ",
    "\tsomething else (even binary values!). This is also used to initialize",
    "\tthe power method. You can set alpha=1 and specify random values ",
    "\there-- the file will then only be used to set the initial value ",
    "\tof R in the power method.",
    "",
    "X1, X2, X3... MUST NOT SHARE ANY NODE LABELS! Thus, if you are ",
    "\tcomparing two (or more) conformations of a single protein, rename all nodes ",
    "\tin one of the conformations (e.g., by prefixing/suffixing with ",
    "\tsomething).",
};

// Options added after the fixed usage text above, one line each, in a closing
// block of their own: the text above stays as it always was.
const char* const kFurtherOptionLines[] = {
    "--factored: sums the network term row by row in two passes, for large networks (scores agree with the default to about 1e-13).",
    "--joint: clusters all species jointly from pair probabilities, neighbour support and sequence hits (other clusters; no star files).",
    "--exact-scores <exact-score-file>: read the match scores from an exact score file (as trivanex-pairs merge writes it) instead of computing them; clusters and star files are those of the run that computed them.",
    "--quiet: write only warnings, errors and one closing line (the files written, the number of clusters) to standard error, nothing to standard output; the files are the same.",
    "--version: print the program's name and version on standard output and exit.",
};

// A real-valued option's value: the number strtod (and so atof) reads from
// the text, stored whatever the text holds; false when the text is not wholly
// that number, blanks around it aside. Without this check "0,9" or "foo" would
// pass as 0, a value the range test cannot tell from a real 0.
bool readReal(const char* text, double& value) {
  char* end = nullptr;
  value = std::strtod(text, &end);
  if (end == text) return false;
  while (*end != '\0' && std::isspace(static_cast<unsigned char>(*end))) ++end;
  return *end == '\0';
}

// Prints the usage block with its error line and stops the run.
[[noreturn]] void reject(const std::string& message) {
  usage(message);
  throw RunError::reported();
}

}  // namespace

const std::string& furtherOptionsText() {
  static const std::string text = [] {
    std::string t = "\nFurther options:\n";
    for (const char* line : kFurtherOptionLines) {
      t += line;
      t += '\n';
    }
    return t;
  }();
  return text;
}

const std::string& usageText() {
  static const std::string text = [] {
    std::string t;
    for (const char* line : kUsageLines) {
      t += line;
      t += '\n';
    }
    return t;
  }();
  return text;
}

void usage(const std::string& message) {
  if (!message.empty()) std::cerr << "Error: " << message << "\n\n";
  std::cerr << usageText() << furtherOptionsText();
  std::cerr.flush();
}

void getoptions(int argc, char** argv, int& K, double& thresh, double& alpha, int& maxveclen,
                double& cl_min_pri_thresh, double& cl_min_sec_thresh, int& cl_max_per_sp,
                std::string& strategy, std::string& prefix, std::string& dataDescFile,
                std::string& scorefile, bool& readstar, bool& reverse,
                std::string& finalClusterFile) {
  bool factored;
  getoptions(argc, argv, K, thresh, alpha, maxveclen, cl_min_pri_thresh, cl_min_sec_thresh,
             cl_max_per_sp, strategy, prefix, dataDescFile, scorefile, readstar, reverse,
             finalClusterFile, factored);
}

void getoptions(int argc, char** argv, int& K, double& thresh, double& alpha, int& maxveclen,
                double& cl_min_pri_thresh, double& cl_min_sec_thresh, int& cl_max_per_sp,
                std::string& strategy, std::string& prefix, std::string& dataDescFile,
                std::string& scorefile, bool& readstar, bool& reverse,
                std::string& finalClusterFile, bool& factored) {
  bool joint, quiet;
  std::string exactScores;
  getoptions(argc, argv, K, thresh, alpha, maxveclen, cl_min_pri_thresh, cl_min_sec_thresh,
             cl_max_per_sp, strategy, prefix, dataDescFile, scorefile, readstar, reverse,
             finalClusterFile, factored, joint, quiet, exactScores);
  if (!exactScores.empty()) reject("--exact-scores has no place here");
}

void getoptions(int argc, char** argv, int& K, double& thresh, double& alpha, int& maxveclen,
                double& cl_min_pri_thresh, double& cl_min_sec_thresh, int& cl_max_per_sp,
                std::string& strategy, std::string& prefix, std::string& dataDescFile,
                std::string& scorefile, bool& readstar, bool& reverse,
                std::string& finalClusterFile, bool& factored, bool& joint, bool& quiet,
                std::string& exactScores) {
  factored = false;
  joint = false;
  quiet = false;
  exactScores.clear();
  K = 20;
  thresh = 1;
  alpha = 0.9;
  maxveclen = -1;
  cl_min_pri_thresh = 0.1;
  cl_min_sec_thresh = 0.8;
  cl_max_per_sp = 5;
  strategy = "hsp";
  prefix = "tmp";
  scorefile = "";
  readstar = false;
  reverse = false;

  // The option is identified by its index in this table, so its order matters.
  static const struct option longOptions[] = {
      {"prefix", required_argument, nullptr, 0},
      {"K", required_argument, nullptr, 0},
      {"thresh", required_argument, nullptr, 0},
      {"alpha", required_argument, nullptr, 0},
      {"maxveclen", required_argument, nullptr, 0},
      {"scorefile", required_argument, nullptr, 0},
      {"cl_min_pri_thresh", required_argument, nullptr, 0},
      {"cl_min_sec_thresh", required_argument, nullptr, 0},
      {"cl_max_per_sp", required_argument, nullptr, 0},
      {"help", no_argument, nullptr, 0},
      {"readstar", no_argument, nullptr, 0},
      {"reverse", no_argument, nullptr, 0},
      {"o", required_argument, nullptr, 0},
      {"version", no_argument, nullptr, 0},
      {"factored", no_argument, nullptr, 0},
      {"joint", no_argument, nullptr, 0},
      {"quiet", no_argument, nullptr, 0},
      {"exact-scores", required_argument, nullptr, 0},
      {nullptr, 0, nullptr, 0},
  };

  optind = 0;  // full re-initialisation of the GNU parser, so getoptions can run more than once
  opterr = 1;
  while (true) {
    int index = -1;
    int c = getopt_long_only(argc, argv, "", longOptions, &index);
    if (c == -1) break;
    // Unknown, ambiguous or malformed option: the parser has said why.
    if (c != 0 || index < 0) reject("");
    const char* arg = optarg;
    switch (index) {
      case 0: prefix = arg; break;
      case 1:
        K = std::atoi(arg);
        if (K < 3 || K >= 100) reject("K should be between 3 and 100B");
        break;
      case 2:
        if (!readReal(arg, thresh) || !(thresh > 0 && thresh <= 10))
          reject("Need convg_thresh in (0,10)");
        break;
      case 3:
        if (!readReal(arg, alpha) || !(alpha >= 0 && alpha <= 1)) reject("Bad 'alpha'");
        break;
      case 4:
        maxveclen = std::atoi(arg);
        if (maxveclen <= 0) reject("Bad 'prunedvecsize' option");
        break;
      case 5: scorefile = arg; break;
      case 6:
        if (!readReal(arg, cl_min_pri_thresh) || !(cl_min_pri_thresh > 0 && cl_min_pri_thresh <= 1))
          reject("Bad 'cl_min_pri_thresh' option");
        break;
      case 7:
        if (!readReal(arg, cl_min_sec_thresh) || !(cl_min_sec_thresh > 0 && cl_min_sec_thresh <= 1))
          reject("Bad 'cl_min_sec_thresh' option");
        break;
      case 8:
        cl_max_per_sp = std::atoi(arg);
        if (cl_max_per_sp < 1) {
          std::cerr << "blah: '" << arg << "' " << cl_max_per_sp << "\n";
          reject("Bad 'cl_max_per_sp' option");
        }
        break;
      case 9: reject("");
      case 10: readstar = true; break;
      case 11: reverse = true; break;
      case 12: finalClusterFile = arg; break;
      case 13:
        std::cout << "trivanex " << trivanexVersion() << std::endl;
        throw RunError::finished();
      case 14: factored = true; break;
      case 15: joint = true; break;
      case 16: quiet = true; break;
      case 17: exactScores = arg; break;
      default: reject("");
    }
  }
  if (optind >= argc) reject("Need a data-description file");
  if (!exactScores.empty() && !scorefile.empty()) reject("give --scorefile or --exact-scores, not both");
  dataDescFile = argv[optind];
}

void printRunSummary(std::ostream& os, int K, double thresh, double alpha, int maxveclen,
                     double cl_min_pri_thresh, double cl_min_sec_thresh, int cl_max_per_sp,
                     const std::string& strategy, const std::string& dataDescFile,
                     const std::string& scorefile, bool readstar, bool reverse,
                     const std::string& finalClusterFile) {
  // Written before the first progress flag, so with the stream's default 6 digits.
  std::streamsize old = os.precision(6);
  os << "Command line summary: "
     << " K: " << K << " convergence_thresh: " << thresh << "% "
     << " alpha: " << alpha << " doPruning: " << (maxveclen > 0 ? "true" : "false")
     << " prune_vec_size: " << maxveclen << " min_secondary_fraction: " << cl_min_sec_thresh
     << " min_primary_fraction: " << cl_min_pri_thresh << " max_per_species: " << cl_max_per_sp
     << " strategy: " << strategy << " dataDescFile: " << dataDescFile
     << " match-score-file: " << scorefile << " read_star_files: " << (readstar ? "Yes" : "No")
     << " reverse_mode: " << (reverse ? "Yes" : "No")
     << " final-cluster-file: " << finalClusterFile << std::endl;
  os.precision(old);
}

