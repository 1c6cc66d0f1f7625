#include "baseline/baseline_text.h"

namespace {

std::string padded(const std::string& label, size_t width) {
  return label + std::string(label.size() + 1 < width ? width - label.size() : 1, ' ');
}

}  // namespace

std::string formatBaselineText(const EvalReport& baseline, const PairCounts& pairs) {
  const size_t kWidth = 40;
  std::string t = padded("baseline", kWidth) + "reciprocal best hits of the sequence scores\n";
  const std::string text = formatReportText(baseline);
  size_t at = 0;
  while (at < text.size()) {
    size_t nl = text.find('\n', at);
    if (nl == std::string::npos) nl = text.size();
    const std::string line = text.substr(at, nl - at);
    at = nl + 1;
    // A label ends at the first run of two blanks; a label padded to its
    // column by one blank only ends there too.
    size_t gap = line.find("  ");
    if (gap == std::string::npos) gap = std::min<size_t>(line.size(), 29);
    const size_t value = line.find_first_not_of(' ', gap);
    t += padded("baseline " + line.substr(0, gap), kWidth) + (value == std::string::npos ? "" : line.substr(value)) +
         "\n";
  }
  t += padded("aligned pairs", kWidth) + std::to_string(pairs.run) + "\n";
  t += padded("baseline aligned pairs", kWidth) + std::to_string(pairs.baseline) + "\n";
  t += padded("aligned pairs in both", kWidth) + std::to_string(pairs.shared) + "\n";
  t += padded("pairs the network added", kWidth) + std::to_string(pairs.added()) + "\n";
  t += padded("pairs the network removed", kWidth) + std::to_string(pairs.removed()) + "\n";
  return t;
}

std::string appendBaselineJson(const std::string& report, const EvalReport& baseline, const PairCounts& pairs) {
  // Both objects end "\n}\n"; the baseline's keys are indented one level more.
  const size_t close = report.rfind("\n}");
  std::string inner = formatReportJson(baseline);
  inner = inner.substr(0, inner.rfind("\n}"));
  std::string nested;
  for (char c : inner) {
    nested += c;
    if (c == '\n') nested += "  ";
  }
  return report.substr(0, close) + ",\n  \"baseline\": " + nested + "\n  },\n  \"aligned_pairs\": " +
         std::to_string(pairs.run) + ",\n  \"baseline_aligned_pairs\": " + std::to_string(pairs.baseline) +
         ",\n  \"aligned_pairs_in_both\": " + std::to_string(pairs.shared) + ",\n  \"pairs_added\": " +
         std::to_string(pairs.added()) + ",\n  \"pairs_removed\": " + std::to_string(pairs.removed()) + "\n}\n";
}

void baselineClusterList(const Baseline& b, const VecStr& idList, ClusterList& out) {
  out.clusters.clear();
  out.lines.clear();
  for (size_t c = 0; c < b.clusters.size(); ++c) {
    VecStr members;
    for (int p : b.clusters[c]) members.push_back(idList[p]);
    out.clusters.push_back(std::move(members));
    out.lines.push_back((long)c + 1);
  }
}
