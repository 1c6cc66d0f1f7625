#include "io/protein_names.h"

#include <vector>

#include "base/error.h"
#include "base/text.h"
#include "io/text_input.h"

namespace {

const char* const kBlanks = " \t\r\v\f";

std::string trimmed(const std::string& text, size_t from, size_t to) {
  const size_t a = text.find_first_not_of(kBlanks, from);
  if (a == std::string::npos || a >= to) return "";
  const size_t b = text.find_last_not_of(kBlanks, to - 1);
  return text.substr(a, b + 1 - a);
}

}  // namespace

void readNamesFile(const std::string& path, NameTable& names) {
  rejectDirectory(path);
  TextInput in(path);
  std::string line;
  while (in.getLine(line)) {
    const size_t a = line.find_first_not_of(kBlanks);
    if (a == std::string::npos || line[a] == '#') continue;
    const size_t aEnd = std::min(line.find_first_of(kBlanks, a), line.size());
    const size_t b = line.find_first_not_of(kBlanks, aEnd);
    if (b == std::string::npos)
      throw RunError(printable(path) + " line " + std::to_string(in.lineNumber()) +
                     ": expected 'id name [description]', found only " + quoteToken(line.substr(a, aEnd - a)));
    const size_t bEnd = std::min(line.find_first_of(kBlanks, b), line.size());
    ProteinName& n = names[line.substr(a, aEnd - a)];
    n.name = line.substr(b, bEnd - b);
    n.description = trimmed(line, bEnd, line.size());
  }
}

bool parseFastaHeader(const std::string& line, std::string& id, ProteinName& name) {
  if (line.empty() || line[0] != '>') return false;
  const size_t wordEnd = std::min(line.find_first_of(kBlanks, 1), line.size());
  id = line.substr(1, wordEnd - 1);
  // "sp|P12345|NAME_HUMAN": the accession between the bars.
  const size_t bar1 = id.find('|');
  if (bar1 != std::string::npos) {
    const size_t bar2 = id.find('|', bar1 + 1);
    if (bar2 != std::string::npos && bar2 > bar1 + 1) id = id.substr(bar1 + 1, bar2 - bar1 - 1);
  }
  const size_t os = line.find(" OS=", wordEnd);
  name.description = trimmed(line, wordEnd, os == std::string::npos ? line.size() : os);
  name.name.clear();
  const size_t gn = line.find(" GN=", wordEnd);
  if (gn != std::string::npos) {
    const size_t from = gn + 4;
    name.name = line.substr(from, std::min(line.find_first_of(kBlanks, from), line.size()) - from);
  }
  return !id.empty();
}

void readFastaNames(const std::string& path, NameTable& names) {
  rejectDirectory(path);
  TextInput in(path);
  std::string line, id;
  ProteinName n;
  while (in.getLine(line))
    if (parseFastaHeader(line, id, n)) names[id] = n;
}
