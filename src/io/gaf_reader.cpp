#include "io/gaf_reader.h"

#include <algorithm>
#include <string_view>

#include "base/error.h"
#include "base/text.h"
#include "io/text_input.h"

namespace {

// The columns of a line, split at tabs only: names and synonyms hold blanks.
void splitTabs(std::string_view line, std::vector<std::string_view>& cols) {
  cols.clear();
  size_t start = 0;
  for (;;) {
    const size_t tab = line.find('\t', start);
    cols.push_back(line.substr(start, tab == std::string_view::npos ? std::string_view::npos : tab - start));
    if (tab == std::string_view::npos) return;
    start = tab + 1;
  }
}

// A qualifier such as "NOT|enables" negates the annotation.
bool negated(std::string_view qualifier) {
  size_t start = 0;
  for (;;) {
    const size_t bar = qualifier.find('|', start);
    if (qualifier.substr(start, bar == std::string_view::npos ? std::string_view::npos : bar - start) == "NOT")
      return true;
    if (bar == std::string_view::npos) return false;
    start = bar + 1;
  }
}

}  // namespace

GafCounts readGafFile(const std::string& path, const GafOptions& options,
                      std::map<std::string, VecStr>& terms) {
  TextInput in(path);
  GafCounts counts;
  std::string line;
  std::vector<std::string_view> cols;
  const size_t idCol = options.idColumn == 3 ? 2 : 1;
  auto where = [&] { return printable(path) + " line " + std::to_string(in.lineNumber()); };
  while (in.getLine(line)) {
    if (line.empty() || line[0] == '!' || isBlankLine(line)) continue;
    if (line.find('\0') != std::string::npos) throw RunError(nulByteMessage(path, in.lineNumber()));
    ++counts.lines;
    splitTabs(line, cols);
    if (cols.size() < 7)
      throw RunError(where() + ": expected a GAF annotation (17 tab-separated columns, at least 7), found " +
                     std::to_string(cols.size()));
    const std::string_view id = cols[idCol], term = cols[4];
    if (id.empty())
      throw RunError(where() + ": column " + std::to_string(idCol + 1) + " (the identifier) is empty");
    if (term.empty()) throw RunError(where() + ": column 5 (the GO ID) is empty");
    if (negated(cols[3])) {
      ++counts.negated;
      continue;
    }
    if (options.noElectronic && cols[6] == "IEA") {
      ++counts.electronic;
      continue;
    }
    ++counts.kept;
    VecStr& list = terms[std::string(id)];
    auto pos = std::lower_bound(list.begin(), list.end(), term);
    if (pos == list.end() || *pos != term) list.insert(pos, std::string(term));
  }
  return counts;
}
