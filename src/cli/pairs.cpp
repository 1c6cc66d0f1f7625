#include "cli/pairs.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <memory>
#include <queue>
#include <set>

#include "align/match_scores.h"
#include "base/error.h"
#include "base/output_file.h"
#include "base/text.h"
#include "base/progress.h"
#include "base/version.h"
#include "cli/options.h"
#include "cli/pipeline.h"
#include "cli/quiet_run.h"
#include "exact/exact_scores.h"
#include "io/loaders.h"

namespace {

const char kUsage[] =
    "Usage: trivanex-pairs list <data-description file>\n"
    "       trivanex-pairs align [--exact] <pairs> <output file> [trivanex options] <data-description file>\n"
    "       trivanex-pairs merge [--exact <exact file>] <output file> <pair file>...\n"
    "       trivanex-pairs --version\n"
    "\n"
    "list   prints the species pairs a run aligns, one \"A-B\" a line, in the run's order.\n"
    "align  computes the match scores of the named pairs (\"A-B\", several separated by\n"
    "       commas) exactly as a whole run computes them, and writes them to the output\n"
    "       file in the match-score file's format and order. The power method's options\n"
    "       (-K, -thresh, -alpha, -maxveclen, --factored) are trivanex's, and so is\n"
    "       --quiet; its other options have no effect here. With --exact the output\n"
    "       is an exact score file instead: the scores as the doubles the run holds,\n"
    "       not rounded to six digits, with the run's protein roster.\n"
    "merge  writes the match-score file of the whole run from the files of its pairs,\n"
    "       byte for byte as the whole run writes it. The pair files are all text or\n"
    "       all exact; from exact ones, --exact also writes the whole run's exact score\n"
    "       file, which trivanex --exact-scores clusters exactly as the whole run does.\n";

// The distinct species pairs of a run, first before second in the sorted list.
std::vector<std::pair<std::string, std::string>> runPairs(const VecStr& spList) {
  std::vector<std::pair<std::string, std::string>> pairs;
  for (size_t i = 0; i < spList.size(); ++i)
    for (size_t j = i + 1; j < spList.size(); ++j) {
      if (spList[i] == spList[j]) continue;
      std::pair<std::string, std::string> p(spList[i], spList[j]);
      if (std::find(pairs.begin(), pairs.end(), p) == pairs.end()) pairs.push_back(p);
    }
  return pairs;
}

// "A-B,C-D" against the run's pairs; a name may itself hold '-', so every
// split is tried.
std::set<std::pair<std::string, std::string>> parsePairs(
    const std::string& text, const std::vector<std::pair<std::string, std::string>>& known,
    const std::string& dataDescFile) {
  std::set<std::pair<std::string, std::string>> chosen;
  size_t start = 0;
  while (start <= text.size()) {
    const size_t end = std::min(text.find(',', start), text.size());
    const std::string item = text.substr(start, end - start);
    bool found = false;
    for (const auto& p : known)
      if (item == p.first + "-" + p.second || item == p.second + "-" + p.first) {
        chosen.insert(p);
        found = true;
      }
    if (!found)
      throw RunError(quoteToken(item) + " is not a pair of species of " + printable(dataDescFile) +
                     " (trivanex-pairs list names them)");
    start = end + 1;
  }
  return chosen;
}

int listCommand(int argc, char** argv) {
  if (argc != 3) throw RunError("list takes one data-description file\n" + pairsUsageText());
  const DataDescription d = readDataDescription(argv[2]);
  for (const auto& p : runPairs(d.species)) std::cout << p.first << "-" << p.second << "\n";
  return 0;
}

int alignCommand(int argc, char** argv) {
  const bool exact = argc > 2 && std::string(argv[2]) == "--exact";
  const int at = exact ? 3 : 2;
  if (argc < at + 3) throw RunError("align takes pairs, an output file and trivanex's arguments\n" + pairsUsageText());
  const std::string pairText = argv[at], outFile = argv[at + 1];
  // The rest are trivanex's own arguments; getoptions sees them after a program name.
  std::vector<char*> args{argv[0]};
  for (int k = at + 2; k < argc; ++k) args.push_back(argv[k]);
  args.push_back(nullptr);
  int K, maxveclen, cl_max_per_sp;
  double thresh, alpha, cl_min_pri_thresh, cl_min_sec_thresh;
  std::string strategy, prefix, dataDescFile, scorefile, finalClusterFile = "unused";
  std::string exactScores;
  bool readstar, reverse, factored, joint, quiet;
  getoptions((int)args.size() - 1, args.data(), K, thresh, alpha, maxveclen, cl_min_pri_thresh,
             cl_min_sec_thresh, cl_max_per_sp, strategy, prefix, dataDescFile, scorefile, readstar,
             reverse, finalClusterFile, factored, joint, quiet, exactScores);
  if (!scorefile.empty() || !exactScores.empty())
    throw RunError("align computes match scores; -scorefile has no place here");
  std::unique_ptr<QuietRun> quietRun(new QuietRun(quiet));
  DEBUGP(1);
  const DataDescription d = readDataDescription(dataDescFile);
  const auto chosen = parsePairs(pairText, runPairs(d.species), dataDescFile);

  ComputeInputs in;
  loadComputeInputs(dataDescFile, in);
  DEBUGP(101);
  MatchScoreTable matchScores(in.proteins, MatchScoreTable::RowSpeciesFirst);
  computeMatchScores(in.spList, in.idList, in.proteins, in.intxns, in.blastScores, K, thresh,
                     alpha, maxveclen, matchScores,
                     [&](const std::string& a, const std::string& b) { return chosen.count({a, b}) > 0; },
                     factored);
  DEBUGP(5);
  bool written = true;
  if (exact)
    writeExactScores(matchScores, exactRoster(in.idList, in.proteins), outFile);
  else
    written = writeOutScores(matchScores, in.idList, outFile);
  DEBUGP(6);
  if (quiet) {
    quietRun.reset();
    std::cerr << closingLine(written ? VecStr{outFile} : VecStr()) << std::flush;
  }
  return 0;
}

// One input of the merge: its current line and that line's key.
struct Part {
  std::string name;
  std::unique_ptr<std::ifstream> in;
  std::string line;
  std::string_view id1, id2;
  long lineNo = 0;

  // Moves to the next line; false at the end. Every line must hold two
  // identifiers and a score, and keys must ascend.
  bool next() {
    std::string previous1(id1), previous2(id2);
    const bool first = lineNo == 0;
    if (!std::getline(*in, line)) {
      if (in->bad()) throw RunError("cannot read " + printable(name));
      return false;
    }
    ++lineNo;
    const std::string where = printable(name) + " line " + std::to_string(lineNo);
    const size_t a = line.find(' ');
    const size_t b = a == std::string::npos ? a : line.find(' ', a + 1);
    if (a == 0 || a == std::string::npos || b == std::string::npos || b == a + 1 || b + 1 >= line.size())
      throw RunError(where + ": not a line of a match-score file");
    id1 = std::string_view(line).substr(0, a);
    id2 = std::string_view(line).substr(a + 1, b - a - 1);
    if (!first && (id1 < previous1 || (id1 == previous1 && id2 <= previous2)))
      throw RunError(where + ": out of order; merge takes the files trivanex-pairs align writes");
    return true;
  }
};

int mergeCommand(int argc, char** argv) {
  std::string exactOut;
  int at = 2;
  if (argc > 3 && std::string(argv[2]) == "--exact") {
    exactOut = argv[3];
    at = 4;
  }
  if (argc < at + 2) throw RunError("merge takes an output file and at least one pair file\n" + pairsUsageText());
  std::vector<std::string> parts(argv + at + 1, argv + argc);
  size_t exactParts = 0;
  for (const std::string& name : parts) exactParts += isExactScoreFile(name);
  if (exactParts == 0 && !exactOut.empty())
    throw RunError("merge --exact takes exact pair files (trivanex-pairs align --exact writes them)");
  if (exactParts == 0) {
    mergeMatchScoreFiles(parts, argv[at]);
    return 0;
  }
  for (const std::string& name : parts)
    if (!isExactScoreFile(name))
      throw RunError(printable(name) + ": not an exact score file; merge takes pair files of one kind");
  mergeExactScoreFiles(parts, argv[at], exactOut);
  return 0;
}

}  // namespace

const std::string& pairsUsageText() {
  static const std::string text = kUsage;
  return text;
}

void mergeMatchScoreFiles(const std::vector<std::string>& names, const std::string& outFile) {
  std::vector<Part> parts(names.size());
  for (size_t k = 0; k < names.size(); ++k) {
    parts[k].name = names[k];
    parts[k].in.reset(new std::ifstream(names[k]));
    if (!*parts[k].in) throw RunError("cannot open pair file " + printable(names[k]));
    rejectDirectory(names[k]);
  }
  // Smallest key on top; the key order is the match-score file's: first
  // identifier, then second, byte by byte.
  auto later = [&](size_t x, size_t y) {
    const Part &a = parts[x], &b = parts[y];
    return a.id1 != b.id1 ? a.id1 > b.id1 : a.id2 > b.id2;
  };
  std::priority_queue<size_t, std::vector<size_t>, decltype(later)> heap(later);
  for (size_t k = 0; k < parts.size(); ++k)
    if (parts[k].next()) heap.push(k);

  // Renamed into place only once complete, as the run's own match-score file.
  OutputFile file(outFile);
  if (!file.open()) throw RunError("cannot write " + printable(outFile));
  std::ostream& out = file.stream();
  std::string lastKey1, lastKey2, lastName;
  bool any = false;
  while (!heap.empty()) {
    const size_t k = heap.top();
    heap.pop();
    Part& p = parts[k];
    if (any && p.id1 == lastKey1 && p.id2 == lastKey2)
      throw RunError(printable(p.name) + " line " + std::to_string(p.lineNo) + ": pair " +
                     quoteToken(lastKey1 + " " + lastKey2) + " is also in " + printable(lastName));
    lastKey1.assign(p.id1);
    lastKey2.assign(p.id2);
    lastName = p.name;
    any = true;
    out << p.line << '\n';
    if (p.next()) heap.push(k);
  }
  if (!file.commit()) throw RunError("could not write all of " + printable(outFile));
}

void mergeExactScoreFiles(const std::vector<std::string>& parts, const std::string& outFile,
                          const std::string& exactOut) {
  const ExactRoster roster = readExactRoster(parts.at(0));
  const ProteinIndex proteins = proteinIndexOf(roster);
  MatchScoreTable table(proteins, MatchScoreTable::RowSpeciesFirst);
  for (const std::string& name : parts) readExactScores(name, roster, table, true);
  // The writer only warns when it cannot write (a run goes on to cluster);
  // here the file is the whole result.
  std::remove(outFile.c_str());
  writeOutScores(table, roster.idList, outFile);
  if (!std::ifstream(outFile)) throw RunError("could not write " + printable(outFile));
  if (!exactOut.empty()) writeExactScores(table, roster, exactOut);
}

int runPairsCommand(int argc, char** argv) {
  const std::string command = argc > 1 ? argv[1] : "";
  if (command == "list") return listCommand(argc, argv);
  if (command == "align") return alignCommand(argc, argv);
  if (command == "merge") return mergeCommand(argc, argv);
  if (command == "--version") {
    std::cout << "trivanex-pairs " << trivanexVersion() << std::endl;
    return 0;
  }
  if (command == "--help" || command == "-h" || command == "help") {
    std::cout << pairsUsageText();
    return 0;
  }
  std::cerr << (command.empty() ? std::string("Error: no command\n\n")
                                : "Error: unknown command '" + command + "'\n\n")
            << pairsUsageText();
  return 1;
}
