// report.html: one page with no outside resources. The charts are drawn here
// as inline SVG, so the page is the same bytes for the same inputs and needs
// no script to show.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numeric>

#include "report/explore_page.h"
#include "report/report_files.h"

namespace {

std::string num(double v, const char* fmt = "%.4g") {
  char buf[64];
  std::snprintf(buf, sizeof buf, fmt, v);
  return buf;
}

const char* const kPalette[] = {"#4e79a7", "#f28e2b", "#e15759", "#76b7b2", "#59a14f",
                                "#edc948", "#b07aa1", "#ff9da7", "#9c755f", "#bab0ac"};

// A vertical bar chart of counts over labelled categories, with the largest
// count on the axis and each count above its bar when there is room.
std::string barChart(const VecStr& labels, const std::vector<long>& values, const std::string& xTitle,
                     const std::string& color) {
  const int W = 560, H = 240, left = 48, right = 12, top = 16, bottom = 44;
  const long maxV = std::max(1L, values.empty() ? 1L : *std::max_element(values.begin(), values.end()));
  const double plotW = W - left - right, plotH = H - top - bottom;
  const size_t n = std::max<size_t>(1, labels.size());
  const double slot = plotW / (double)n, bar = std::max(1.0, slot * 0.8);
  const size_t labelEvery = std::max<size_t>(1, (size_t)std::ceil(22.0 * (double)n / plotW));
  std::string s = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + std::to_string(W) + "\" height=\"" +
                  std::to_string(H) + "\" viewBox=\"0 0 " + std::to_string(W) + " " + std::to_string(H) +
                  "\" role=\"img\">\n";
  s += "<line x1=\"" + std::to_string(left) + "\" y1=\"" + std::to_string(top + (int)plotH) + "\" x2=\"" +
       std::to_string(W - right) + "\" y2=\"" + std::to_string(top + (int)plotH) + "\" stroke=\"#333\"/>\n";
  s += "<line x1=\"" + std::to_string(left) + "\" y1=\"" + std::to_string(top) + "\" x2=\"" + std::to_string(left) +
       "\" y2=\"" + std::to_string(top + (int)plotH) + "\" stroke=\"#333\"/>\n";
  s += "<text x=\"" + std::to_string(left - 4) + "\" y=\"" + std::to_string(top + 4) +
       "\" text-anchor=\"end\" class=\"ax\">" + std::to_string(maxV) + "</text>\n";
  s += "<text x=\"" + std::to_string(left - 4) + "\" y=\"" + std::to_string(top + (int)plotH) +
       "\" text-anchor=\"end\" class=\"ax\">0</text>\n";
  for (size_t i = 0; i < labels.size(); ++i) {
    const double h = plotH * (double)values[i] / (double)maxV;
    const double x = left + slot * (double)i + (slot - bar) / 2;
    s += "<rect x=\"" + num(x, "%.1f") + "\" y=\"" + num(top + plotH - h, "%.1f") + "\" width=\"" +
         num(bar, "%.1f") + "\" height=\"" + num(h, "%.1f") + "\" fill=\"" + color + "\"><title>" +
         xmlEscape(labels[i]) + ": " + std::to_string(values[i]) + "</title></rect>\n";
    if (slot >= 26 && values[i] > 0)
      s += "<text x=\"" + num(x + bar / 2, "%.1f") + "\" y=\"" + num(top + plotH - h - 3, "%.1f") +
           "\" text-anchor=\"middle\" class=\"ax\">" + std::to_string(values[i]) + "</text>\n";
    if (i % labelEvery == 0)
      s += "<text x=\"" + num(x + bar / 2, "%.1f") + "\" y=\"" + std::to_string(top + (int)plotH + 14) +
           "\" text-anchor=\"middle\" class=\"ax\">" + xmlEscape(labels[i]) + "</text>\n";
  }
  s += "<text x=\"" + std::to_string(left + (int)plotW / 2) + "\" y=\"" + std::to_string(H - 6) +
       "\" text-anchor=\"middle\" class=\"ax\">" + xmlEscape(xTitle) + "</text>\n</svg>\n";
  return s;
}

// One line per species pair over the sweeps: y(step) for every step that has
// a value, on a linear axis from 0 to the largest value.
template <class Y>
std::string sweepChart(const std::vector<PairSweeps>& pairs, Y y, const std::string& yTitle) {
  const int W = 560, H = 240, left = 64, right = 16, top = 16, bottom = 40;
  const double plotW = W - left - right, plotH = H - top - bottom;
  int maxIter = 1;
  double maxY = 0;
  for (const PairSweeps& p : pairs)
    for (const SweepStep& st : p.steps) {
      maxIter = std::max(maxIter, st.iteration);
      double v;
      if (y(st, v)) maxY = std::max(maxY, v);
    }
  if (maxY <= 0) maxY = 1;
  auto X = [&](int it) { return left + plotW * (double)it / (double)maxIter; };
  auto Yp = [&](double v) { return top + plotH - plotH * v / maxY; };
  std::string s = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + std::to_string(W) + "\" height=\"" +
                  std::to_string(H) + "\" viewBox=\"0 0 " + std::to_string(W) + " " + std::to_string(H) +
                  "\" role=\"img\">\n";
  s += "<line x1=\"" + std::to_string(left) + "\" y1=\"" + std::to_string(top + (int)plotH) + "\" x2=\"" +
       std::to_string(left + (int)plotW) + "\" y2=\"" + std::to_string(top + (int)plotH) + "\" stroke=\"#333\"/>\n";
  s += "<line x1=\"" + std::to_string(left) + "\" y1=\"" + std::to_string(top) + "\" x2=\"" + std::to_string(left) +
       "\" y2=\"" + std::to_string(top + (int)plotH) + "\" stroke=\"#333\"/>\n";
  s += "<text x=\"" + std::to_string(left - 4) + "\" y=\"" + std::to_string(top + 4) +
       "\" text-anchor=\"end\" class=\"ax\">" + num(maxY) + "</text>\n";
  s += "<text x=\"" + std::to_string(left - 4) + "\" y=\"" + std::to_string(top + (int)plotH) +
       "\" text-anchor=\"end\" class=\"ax\">0</text>\n";
  for (int it = 0; it <= maxIter; ++it)
    s += "<text x=\"" + num(X(it), "%.1f") + "\" y=\"" + std::to_string(top + (int)plotH + 14) +
         "\" text-anchor=\"middle\" class=\"ax\">" + std::to_string(it) + "</text>\n";
  s += "<text x=\"" + std::to_string(left + (int)plotW / 2) + "\" y=\"" + std::to_string(H - 6) +
       "\" text-anchor=\"middle\" class=\"ax\">sweep (K)</text>\n";
  s += "<text x=\"12\" y=\"" + std::to_string(top + (int)plotH / 2) +
       "\" text-anchor=\"middle\" class=\"ax\" transform=\"rotate(-90 12 " + std::to_string(top + (int)plotH / 2) +
       ")\">" + xmlEscape(yTitle) + "</text>\n";
  for (size_t k = 0; k < pairs.size(); ++k) {
    const std::string color = kPalette[k % 10];
    std::string points;
    for (const SweepStep& st : pairs[k].steps) {
      double v;
      if (!y(st, v)) continue;
      points += (points.empty() ? "" : " ") + num(X(st.iteration), "%.1f") + "," + num(Yp(v), "%.1f");
      s += "<circle cx=\"" + num(X(st.iteration), "%.1f") + "\" cy=\"" + num(Yp(v), "%.1f") + "\" r=\"3\" fill=\"" +
           color + "\"><title>" + xmlEscape(pairs[k].species1 + "-" + pairs[k].species2) + " K " +
           std::to_string(st.iteration) + ": " + num(v) + "</title></circle>\n";
    }
    if (!points.empty())
      s += "<polyline points=\"" + points + "\" fill=\"none\" stroke=\"" + color + "\" stroke-width=\"2\"/>\n";
  }
  return s + "</svg>\n";
}

// The species pairs' colours, beside the charts rather than on them, so any
// number of pairs fits and none hides a line.
std::string sweepLegend(const std::vector<PairSweeps>& pairs) {
  std::string s = "<div class=\"legend\">";
  for (size_t k = 0; k < pairs.size(); ++k)
    s += std::string("<span><span class=\"swatch\" style=\"background:") + kPalette[k % 10] + "\"></span>" +
         xmlEscape(pairs[k].species1 + "-" + pairs[k].species2) + "</span>";
  return s + "</div>\n";
}

std::string cell(const std::string& text, bool number = false) {
  return std::string(number ? "<td class=\"n\">" : "<td>") + xmlEscape(text) + "</td>";
}

std::string percent(long part, long whole) {
  return whole ? num(100.0 * (double)part / (double)whole, "%.1f") + "%" : std::string("n/a");
}

// The evaluator's text as (label, value) lines: the label ends at the first
// double blank, or after `labelWidth` characters in a line without one.
std::vector<std::pair<std::string, std::string>> evaluatorLines(const std::string& text,
                                                                size_t labelWidth) {
  std::vector<std::pair<std::string, std::string>> out;
  size_t at = 0;
  while (at < text.size()) {
    const size_t nl = text.find('\n', at);
    const std::string line = text.substr(at, nl - at);
    at = nl + 1;
    size_t gap = line.find("  ");
    if (gap == std::string::npos) gap = std::min(labelWidth, line.size());
    const size_t value = line.find_first_not_of(' ', gap);
    out.emplace_back(line.substr(0, gap), value == std::string::npos ? std::string() : line.substr(value));
  }
  return out;
}

// The evaluator's lines of the run and of the baseline side by side: both
// come from the same inputs, so their labels are the same, in one order.
std::string baselineSection(const AlignmentReport& r) {
  const auto run = evaluatorLines(formatReportText(r.eval), 29);
  const auto base = evaluatorLines(formatReportText(r.baselineEval), 29);
  std::string h =
      "<h2>Beside the sequence-only baseline</h2>\n<p class=\"note\">The baseline: reciprocal best hits of the "
      "same sequence scores (a pair of two species whose proteins each score the other at least as high as any "
      "protein of the other's species), merged across species pairs by shared members, strongest pair first and at most one protein per species "
      "in a cluster. Aligned pairs are the "
      "cross-species pairs within one cluster.</p>\n<table id=\"baseline\">\n<tr><th>measure</th><th>run</th>"
      "<th>baseline</th></tr>\n";
  for (size_t i = 0; i < run.size() && i < base.size(); ++i)
    h += "<tr><th>" + xmlEscape(run[i].first) + "</th>" + cell(run[i].second, true) + cell(base[i].second, true) +
         "</tr>\n";
  const PairCounts& p = r.baselinePairs;
  h += "<tr><th>aligned pairs</th>" + cell(std::to_string(p.run), true) + cell(std::to_string(p.baseline), true) +
       "</tr>\n<tr><th>aligned pairs in both</th>" + cell(std::to_string(p.shared), true) +
       cell(std::to_string(p.shared), true) + "</tr>\n<tr><th>pairs the network added</th>" +
       cell(std::to_string(p.added()), true) + cell("", true) + "</tr>\n<tr><th>pairs the network removed</th>" +
       cell("", true) + cell(std::to_string(p.removed()), true) + "</tr>\n</table>\n";
  return h;
}

}  // namespace

std::string reportHtml(const AlignmentReport& r) {
  long clustered = 0;
  for (const VecInt& c : r.clusters) clustered += (long)c.size();
  std::string h =
      "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
      "<title>trivanex report</title>\n<style>\n"
      "body{font-family:sans-serif;margin:24px auto;padding:0 16px;max-width:1180px;color:#222;background:#fff}\n"
      "h1{font-size:1.6em;border-bottom:2px solid #4e79a7;padding-bottom:4px}\n"
      "h2{font-size:1.2em;margin-top:28px;color:#2b4f7a}\n"
      "table{border-collapse:collapse;margin:8px 0}\n"
      "td,th{border:1px solid #ccc;padding:3px 8px;text-align:left;vertical-align:top}\n"
      "th{background:#e8eef6}\ntd.n{text-align:right;font-variant-numeric:tabular-nums;white-space:nowrap}\n"
      ".ax{font-size:11px;fill:#333}\n.charts{display:flex;flex-wrap:wrap;gap:16px}\nfigure{margin:0}\nfigcaption{font-weight:bold;margin:4px 0}\n"
      ".note{color:#555;font-size:.9em}\n.members{font-family:monospace;font-size:.85em}\n"
      ".legend{display:flex;flex-wrap:wrap;gap:4px 14px;font-size:12px;max-width:560px}\n"
      ".swatch{display:inline-block;width:10px;height:10px;margin-right:4px}\n"
      "th.sortable{cursor:pointer;white-space:nowrap}\n#clusters tbody tr{cursor:pointer}\n"
      "#clusters tbody tr:hover{background:#f3f6fa}\ntr.chosen{background:#fff3c4}\n"
      "#search-hits{padding-left:18px}\n#search-hits button{font-family:monospace}\n"
      "#cluster-detail{border-left:4px solid #4e79a7;padding-left:12px;margin:8px 0}\n"
      "#cluster-detail:empty{display:none}\n"
      "</style>\n<link rel=\"icon\" href=\"data:,\">\n</head>\n<body>\n<h1>trivanex report</h1>\n";

  h += "<p class=\"note\">Data: " + xmlEscape(r.inputs.dataDescFile) + " &middot; clusters: " +
       xmlEscape(r.inputs.clusterFile);
  if (!r.inputs.scoreFile.empty()) h += " &middot; match scores: " + xmlEscape(r.inputs.scoreFile);
  if (!r.inputs.logFile.empty()) h += " &middot; log: " + xmlEscape(r.inputs.logFile);
  h += "</p>\n";

  h += "<h2>Summary</h2>\n<table>\n";
  auto row = [&](const std::string& k, const std::string& v) {
    h += "<tr><th>" + xmlEscape(k) + "</th>" + cell(v, true) + "</tr>\n";
  };
  row("species", std::to_string(r.species.size()));
  row("proteins", std::to_string(r.idList.size()));
  row("interactions", std::to_string(r.interactionsTotal));
  row("clusters", std::to_string(r.clusters.size()));
  row("proteins clustered", std::to_string(clustered) + " (" + percent(clustered, (long)r.idList.size()) + ")");
  row("interactions among clustered proteins", std::to_string(r.interactionEdges));
  row("aligned pairs (cross-species pairs within clusters)", std::to_string(r.alignedEdges));
  if (r.haveScores) row("aligned pairs with a match score", std::to_string(r.alignedWithScore));
  h += "</table>\n";

  h += "<table>\n<tr><th>species</th><th>proteins</th><th>interactions</th><th>clustered</th><th>coverage</th></tr>\n";
  for (const SpeciesSummary& s : r.species)
    h += "<tr>" + cell(s.name) + cell(std::to_string(s.proteins), true) + cell(std::to_string(s.interactions), true) +
         cell(std::to_string(s.clustered), true) + cell(percent(s.clustered, s.proteins), true) + "</tr>\n";
  h += "</table>\n";

  // Distributions.
  size_t maxSize = 0;
  for (const VecInt& c : r.clusters) maxSize = std::max(maxSize, c.size());
  std::vector<long> bySize(maxSize, 0), bySpecies(r.species.size(), 0);
  for (size_t c = 0; c < r.clusters.size(); ++c) {
    ++bySize[r.clusters[c].size() - 1];
    if (r.clusterSpecies[c] > 0 && r.clusterSpecies[c] <= (int)bySpecies.size()) ++bySpecies[r.clusterSpecies[c] - 1];
  }
  VecStr sizeLabels, speciesLabels;
  for (size_t i = 1; i <= maxSize; ++i) sizeLabels.push_back(std::to_string(i));
  for (size_t i = 1; i <= bySpecies.size(); ++i) speciesLabels.push_back(std::to_string(i));
  h += "<h2>Clusters</h2>\n<div class=\"charts\">\n<figure><figcaption>Clusters by size (members)</figcaption>\n" +
       barChart(sizeLabels, bySize, "members", "#4e79a7") +
       "</figure>\n<figure><figcaption>Clusters by number of species</figcaption>\n" +
       barChart(speciesLabels, bySpecies, "species", "#59a14f") + "</figure>\n</div>\n";

  // Measures, as the evaluator words them.
  if (r.haveGroups || r.haveGo) {
    h += "<h2>Evaluation</h2>\n<table>\n";
    for (const auto& line : evaluatorLines(formatReportText(r.eval), 30))
      h += "<tr><th>" + xmlEscape(line.first) + "</th>" + cell(line.second, true) + "</tr>\n";
    h += "</table>\n<p class=\"note\">trivanex-eval --help defines every measure.";
    if (r.haveGo)
      h += " GAF annotations kept: " + std::to_string(r.gafCounts.kept) + " of " + std::to_string(r.gafCounts.lines) +
           " (NOT: " + std::to_string(r.gafCounts.negated) + ", IEA left out: " +
           std::to_string(r.gafCounts.electronic) + ").";
    h += "</p>\n";
  }

  h += baselineSection(r) + exploreSection(r);

  // The largest clusters, ties in file order.
  VecInt order(r.clusters.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(),
                   [&](int a, int b) { return r.clusters[a].size() > r.clusters[b].size(); });
  const size_t shown = std::min<size_t>(20, order.size());
  h += "<h2>Largest clusters</h2>\n<table>\n<tr><th>cluster_id</th><th>size</th><th>species</th><th>members "
       "(species)</th></tr>\n";
  for (size_t k = 0; k < shown; ++k) {
    const int c = order[k];
    std::string members;
    for (size_t i = 0; i < r.clusters[c].size(); ++i) {
      const int p = r.clusters[c][i];
      members += (i ? " " : "") + r.idList[p] + (r.haveNames && !r.names[p].empty() ? " " + r.names[p] : "") + " (" +
                 r.index.speciesNames[r.index.speciesOf[p]] + ")";
    }
    h += "<tr>" + cell(std::to_string(c + 1), true) + cell(std::to_string(r.clusters[c].size()), true) +
         cell(std::to_string(r.clusterSpecies[c]), true) + "<td class=\"members\">" + xmlEscape(members) +
         "</td></tr>\n";
  }
  h += "</table>\n";

  if (r.haveLog) {
    h += "<h2>Power iteration</h2>\n";
    if (r.sweeps.empty()) {
      h += "<p class=\"note\">The log holds no sweeps (a run that read its match scores from a file computes "
           "none).</p>\n";
    } else {
      h += "<div class=\"charts\">\n<figure><figcaption>Score-vector entries after each sweep</figcaption>\n" +
           sweepChart(r.sweeps,
                      [](const SweepStep& s, double& v) {
                        v = (double)s.entries;
                        return s.entries >= 0;
                      },
                      "entries") +
           sweepLegend(r.sweeps) + "</figure>\n<figure><figcaption>Change between sweeps (L1)</figcaption>\n" +
           sweepChart(r.sweeps,
                      [](const SweepStep& s, double& v) {
                        v = s.change;
                        return s.change >= 0;
                      },
                      "change") +
           sweepLegend(r.sweeps) + "</figure>\n</div>\n";
      h += "<table>\n<tr><th>species pair</th><th>sequence entries</th><th>sweeps</th><th>final entries</th>"
           "<th>entries per sweep</th><th>change per sweep</th></tr>\n";
      for (const PairSweeps& p : r.sweeps) {
        std::string entries, changes;
        for (const SweepStep& s : p.steps) {
          entries += (entries.empty() ? "" : ", ") + (s.entries >= 0 ? std::to_string(s.entries) : std::string("?"));
          if (s.change >= 0) changes += (changes.empty() ? "" : ", ") + ("K" + std::to_string(s.iteration) + " " + num(s.change));
        }
        h += "<tr>" + cell(p.species1 + "-" + p.species2) +
             cell(p.initialEntries >= 0 ? std::to_string(p.initialEntries) : "?", true) +
             cell(std::to_string(p.steps.size()), true) +
             cell(p.finalEntries >= 0 ? std::to_string(p.finalEntries) : "?", true) + cell(entries) +
             cell(changes.empty() ? "-" : changes) + "</tr>\n";
      }
      h += "</table>\n<p class=\"note\">The change is measured from the fourth sweep on (K 3), between the two "
           "sweeps before it; the iteration stops once it is at or below the threshold or after K sweeps.</p>\n";
    }
  }

  h += "<h2>Files</h2>\n<p class=\"note\">clusters.tsv: one row per clustered protein; nodes.tsv and edges.tsv: "
       "Cytoscape node and edge tables (File &rarr; Import &rarr; Network from File with edges.tsv, then the "
       "node table with nodes.tsv); alignment.graphml: the same network with its attributes in one file; "
       "alignment.sif: the edges alone.</p>\n</body>\n</html>\n";
  return h;
}
