#include "cluster/star_cache.h"

#include <fstream>
#include <iostream>

#include "base/error.h"
#include "base/output_file.h"
#include "base/text.h"

void export_stars_and_ranks(const std::vector<Star>& stars, int slotCount, const VecInt& ranks,
                            std::string fileName) {
  // Written beside the real name and renamed into place when complete, so a
  // --readstar run never finds a half-written cache.
  OutputFile file(fileName);
  if (!file.open()) throw RunError::bare("Error opening file: " + fileName);
  std::ostream& out = file.stream();
  for (int r : ranks) out << r << " ";
  out << std::endl;
  for (const Star& star : stars) {
    out << star.center << " " << star.weight << std::endl;
    for (int s = 0; s < slotCount; ++s) {
      for (const auto& id : (*star.candidates)[s]) out << id << " ";
      out << std::endl;
    }
  }
  if (!file.commit()) throw RunError("could not write star file " + printable(fileName));
}

namespace {

void importStars(std::vector<Star>& stars, int slotCount, VecInt& ranks,
                 const std::string& fileName, const Str2Int* proteins) {
  std::ifstream in(fileName);
  std::cerr << "Loading ranks" << std::endl;
  if (!in) throw RunError::bare("The star file," + fileName + " is not exist~!!!");
  int first = in.peek();
  if (first == std::char_traits<char>::eof() || first == ' ' || first == '\t')
    throw RunError::bare("The star file," + fileName + " is empty~!!!");

  const int columns = 10;
  const std::string name = printable(fileName);
  auto checkProtein = [&](const std::string& id, long lineNo) {
    if (proteins && !proteins->count(id))
      throw RunError(name + " line " + std::to_string(lineNo) + ": " + quoteToken(id) +
                     " is not a protein of this run");
  };
  // Every line read goes through here: a NUL byte means the file is not text.
  std::string line;
  long lineNo = 0;
  auto nextLine = [&]() {
    if (!std::getline(in, line)) return false;
    ++lineNo;
    if (line.find('\0') != std::string::npos) throw RunError(nulByteMessage(fileName, lineNo));
    return true;
  };

  // Rank numbers: one per protein, from the first non-empty line on; nothing
  // may follow the last of them on its line.
  std::vector<std::string> fields;
  size_t filled = 0;
  while (filled < ranks.size()) {
    if (!nextLine())
      throw RunError(name + ": holds " + std::to_string(filled) + " rank numbers, this run has " +
                     std::to_string(ranks.size()) + " proteins");
    splitFields(line, fields);
    if (filled + fields.size() > ranks.size())
      throw RunError(name + " line " + std::to_string(lineNo) + ": more rank numbers than the " +
                     std::to_string(ranks.size()) + " proteins of this run");
    for (const auto& f : fields) {
      int r;
      if (!parseInt(f, r) || r < 0 || r > 10)
        throw RunError(name + " line " + std::to_string(lineNo) + ": rank " + quoteToken(f) +
                       " is not an integer from 0 to 10");
      ranks[filled++] = r;
    }
  }
  if (ranks.empty()) {
    // No protein, no rank: the first line must still hold no number.
    if (nextLine()) {
      if (!isBlankLine(line))
        throw RunError(name + " line 1: more rank numbers than the 0 proteins of this run");
    }
  }

  int n = 0;
  while (nextLine()) {
    splitFields(line, fields);
    if (fields.empty()) continue;
    std::cerr << "Loading the " << ++n << "th star." << std::endl;
    const std::string where = name + " line " + std::to_string(lineNo);
    double weight;
    if (fields.size() < 2 || !parseFiniteDouble(fields[1], weight))
      throw RunError(where + ": expected a star's centre and weight");
    checkProtein(fields[0], lineNo);
    Star star;
    star.center = fields[0];
    star.weight = weight;
    star.candidates = std::make_shared<CandidateTable>(slotCount, VecStr(columns));
    for (int s = 0; s < slotCount; ++s) {
      if (!nextLine())
        throw RunError(name + ": the star of " + quoteToken(star.center) + " lacks row lines");
      splitFields(line, fields);
      if ((int)fields.size() > columns)
        throw RunError(name + " line " + std::to_string(lineNo) + ": more than 10 partners");
      for (size_t p = 0; p < fields.size(); ++p) {
        checkProtein(fields[p], lineNo);
        (*star.candidates)[s][p] = fields[p];
      }
    }
    stars.push_back(std::move(star));
  }
}

}  // namespace

void import_stars_and_ranks(std::vector<Star>& stars, int slotCount, VecInt& ranks,
                            std::string fileName) {
  importStars(stars, slotCount, ranks, fileName, nullptr);
}

void import_stars_and_ranks(std::vector<Star>& stars, int slotCount, VecInt& ranks,
                            std::string fileName, const Str2Int& proteins) {
  importStars(stars, slotCount, ranks, fileName, &proteins);
}
