#include "report/progress_log.h"

#include <cstdlib>
#include <sstream>

namespace {

// The text after `prefix` when line starts with it.
bool after(const std::string& line, const char* prefix, std::string& rest) {
  const std::string p = prefix;
  if (line.compare(0, p.size(), p) != 0) return false;
  rest = line.substr(p.size());
  return true;
}

bool parseLong(const std::string& text, long& v) {
  char* end = nullptr;
  const char* s = text.c_str();
  v = std::strtol(s, &end, 10);
  return end != s;
}

bool parseDouble(const std::string& text, double& v) {
  char* end = nullptr;
  const char* s = text.c_str();
  v = std::strtod(s, &end);
  return end != s && v >= 0;
}

}  // namespace

std::vector<PairSweeps> parseProgressLog(std::istream& in) {
  std::vector<PairSweeps> pairs;
  PairSweeps current;  // the pair whose lines are being read; named by its closing line
  long lastSize = -1;  // "size after" of the latest normalisation
  std::string line, rest;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (after(line, "K: ", rest)) {
      long r;
      if (!parseLong(rest, r)) continue;
      // The normalisation of the sequence scores precedes the first sweep.
      if (current.steps.empty() && current.initialEntries < 0) current.initialEntries = lastSize;
      SweepStep s;
      s.iteration = (int)r;
      current.steps.push_back(s);
    } else if (after(line, "curr size: ", rest)) {
      const size_t at = rest.find("avg change in last iter: ");
      double c;
      if (at != std::string::npos && !current.steps.empty() &&
          parseDouble(rest.substr(at + 25), c))
        current.steps.back().change = c;
    } else if (after(line, "After pruning in style=", rest)) {
      const size_t at = rest.find(" pruned ");
      long c;
      if (at != std::string::npos && !current.steps.empty() && parseLong(rest.substr(at + 8), c))
        current.steps.back().pruned = c;
    } else if (line.compare(0, 13, "size before: ") == 0) {
      const size_t at = line.find("size after: ");
      long n;
      if (at == std::string::npos || !parseLong(line.substr(at + 12), n)) continue;
      lastSize = n;
      // The first normalisation after "K: r" is that sweep's; a later one
      // (the last, after the loop) leaves the step as it is.
      if (!current.steps.empty() && current.steps.back().entries < 0) current.steps.back().entries = n;
    } else {
      // "<sp1> <sp2> # scores in finalVec but not in initVec: n init: i final: f"
      const size_t hash = line.find(" # scores in finalVec");
      if (hash == std::string::npos) continue;
      std::istringstream names(line.substr(0, hash));
      std::string a, b, extra;
      if (!(names >> a >> b) || (names >> extra)) continue;
      current.species1 = a;
      current.species2 = b;
      const size_t init = line.find(" init: "), fin = line.find(" final: ");
      long v;
      if (init != std::string::npos && parseLong(line.substr(init + 7), v)) current.initialEntries = v;
      if (fin != std::string::npos && parseLong(line.substr(fin + 8), v)) current.finalEntries = v;
      pairs.push_back(std::move(current));
      current = PairSweeps();
      lastSize = -1;
    }
  }
  return pairs;
}
