#include "prepare/id_map.h"

#include <algorithm>
#include <map>
#include <string_view>

#include "base/error.h"
#include "base/text.h"
#include "io/text_input.h"

namespace {

// Fields of a map line: tab-separated where there is a tab (BioMart and HGNC
// headers hold blanks), blank-separated otherwise; surrounding blanks trimmed.
void splitMapLine(std::string_view line, std::vector<std::string_view>& out) {
  out.clear();
  const bool tabs = line.find('\t') != std::string_view::npos;
  size_t i = 0;
  while (i <= line.size()) {
    size_t end = tabs ? line.find('\t', i) : line.find_first_of(" \v\f", i);
    if (end == std::string_view::npos) end = line.size();
    std::string_view f = line.substr(i, end - i);
    while (!f.empty() && (f.front() == ' ' || f.front() == '\r')) f.remove_prefix(1);
    while (!f.empty() && (f.back() == ' ' || f.back() == '\r')) f.remove_suffix(1);
    if (tabs || !f.empty()) out.push_back(f);
    i = end + 1;
  }
}

bool holdsBlank(std::string_view s) { return s.find_first_of(" \t\v\f") != std::string_view::npos; }

}  // namespace

void IdMap::read(const std::string& path, const std::vector<std::string>& types) {
  TextInput in(path);
  std::string line;
  std::vector<std::string_view> f;
  size_t width = 0;
  long matched = 0;
  std::map<std::string, long> typesSeen;  // idmapping only, for the message when no type matches
  std::string lastType;
  bool lastTypeWanted = false;
  long* lastTypeLines = nullptr;
  auto fail = [&](const std::string& what) {
    throw RunError(printable(path) + " line " + std::to_string(in.lineNumber()) + ": " + what);
  };
  auto add = [&](std::string_view from, std::string_view to) {
    std::vector<std::string>& t = targets_[std::string(from)];
    if (std::find(t.begin(), t.end(), to) == t.end()) t.emplace_back(to);
    ++matched;
  };
  while (in.getLine(line)) {
    if (isBlankLine(line) || line[0] == '#') continue;
    splitMapLine(line, f);
    if (width == 0) {
      if (f.size() != 2 && f.size() != 3)
        fail(std::to_string(f.size()) + " fields; an identifier map has 'from to' lines, or UniProt "
             "idmapping's 'ACC<TAB>TYPE<TAB>ID' lines");
      if (f.size() == 3 && std::any_of(f.begin(), f.end(), holdsBlank))
        fail("a header of 3 columns; an identifier map has two, 'from to' (cut the two you need, e.g. "
             "cut -f2,3), unless it is a UniProt idmapping file (ACC, TYPE, ID; no header)");
      if (f.size() == 3 && types.empty())
        fail("a UniProt idmapping line (ACC, TYPE, ID); name the TYPE of the identifiers to map to "
             "accessions with --id-type (this line's is " + quoteToken(f[1]) +
             "; common ones: Gene_Name, GeneID, Ensembl_PRO, RefSeq, STRING)");
      width = f.size();
      if (std::any_of(f.begin(), f.end(), holdsBlank)) continue;  // a header: "Gene stable ID ..."
    } else if (f.size() != width) {
      fail(std::to_string(f.size()) + " fields where the first line had " + std::to_string(width));
    }
    for (std::string_view field : f)
      if (holdsBlank(field)) fail("the identifier " + quoteToken(field) + " holds a blank");
    if (width == 2) {
      if (!f[0].empty() && !f[1].empty()) add(f[0], f[1]);
      continue;
    }
    if (!lastTypeLines || f[1] != lastType) {
      lastType.assign(f[1]);
      lastTypeWanted = std::find(types.begin(), types.end(), lastType) != types.end();
      lastTypeLines = &typesSeen[lastType];
    }
    ++*lastTypeLines;
    if (lastTypeWanted && !f[0].empty() && !f[2].empty()) add(f[2], f[0]);
  }
  if (width == 3 && matched == 0) {
    std::string seen;
    for (const auto& t : typesSeen) seen += (seen.empty() ? "" : ", ") + t.first + " " + std::to_string(t.second);
    throw RunError(printable(path) + " line " + std::to_string(in.lineNumber()) +
                   ": no line of the --id-type asked for (types and lines: " + seen + ")");
  }
}

const std::vector<std::string>* IdMap::findCounted(const std::string& id, IdMapCounts& counts) const {
  const std::vector<std::string>* t = find(id);
  if (!t) {
    ++counts.unmapped;
  } else {
    ++counts.mapped;
    if (t->size() > 1) ++counts.several;
  }
  return t;
}
