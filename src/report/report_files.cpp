#include "report/report_files.h"

#include <cstdio>

#include "base/number_format.h"
#include "baseline/baseline_text.h"

namespace {

std::string g6(double v) {
  char buf[kG6Chars];
  return std::string(buf, formatG6(buf, v));
}

std::string fixed4(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.4f", v);
  return buf;
}

std::string joined(const VecStr& items, const char* sep) {
  std::string t;
  for (size_t i = 0; i < items.size(); ++i) t += (i ? sep : "") + items[i];
  return t;
}

// The optional annotation cells of a protein, each after a tab.
std::string annotationCells(const AlignmentReport& r, const std::string& id) {
  std::string t;
  if (r.haveGroups) {
    auto g = r.groups.find(id);
    t += "\t" + (g == r.groups.end() ? std::string() : joined(g->second, ","));
  }
  if (r.haveGo) {
    auto g = r.goTerms.find(id);
    t += "\t" + std::to_string(g == r.goTerms.end() ? 0 : g->second.size());
  }
  return t;
}

std::string annotationHeader(const AlignmentReport& r) {
  return std::string(r.haveGroups ? "\tgroups" : "") + (r.haveGo ? "\tgo_terms" : "");
}

const std::string& speciesName(const AlignmentReport& r, int p) {
  return r.index.speciesNames[r.index.speciesOf[p]];
}

// A free text as one cell: tabs and line breaks become blanks.
std::string tsvText(std::string text) {
  for (char& c : text)
    if (c == '\t' || c == '\n' || c == '\r') c = ' ';
  return text;
}

// The name cells of a protein, each after a tab, when names were given.
std::string nameCells(const AlignmentReport& r, int p) {
  return r.haveNames ? "\t" + tsvText(r.names[p]) + "\t" + tsvText(r.descriptions[p]) : std::string();
}

std::string share(long part, long whole) { return whole ? fixed4((double)part / (double)whole) : std::string(); }

// The cells of a cluster's measures, each after a tab.
std::string measureCells(const AlignmentReport& r, size_t c) {
  const ClusterMeasures& m = r.measures[c];
  std::string t = "\t" + std::to_string(m.pairs) + "\t";
  if (r.haveScores && m.pairs) t += g6(m.meanScore) + "\t" + g6(m.minScore);
  else t += "\t";
  t += "\t" + share(m.sequenceHits, m.pairs) + "\t" + std::to_string(m.interactions) + "\t" +
       std::to_string(m.conserved) + "\t" + share(m.baselinePairs, m.pairs) + "\t" + baselineAgreement(m);
  return t;
}

const char* const kMeasureHeader =
    "\taligned_pairs\tmean_match_score\tmin_match_score\tsequence_hit_share\tinteractions\t"
    "conserved_interactions\tbaseline_share\tbaseline";

}  // namespace

const char* baselineAgreement(const ClusterMeasures& m) {
  if (m.baselineSame) return "same";
  if (m.pairs && m.baselinePairs == m.pairs) return "within";
  return m.baselinePairs ? "partly" : "none";
}

std::string xmlEscape(const std::string& text) {
  std::string t;
  t.reserve(text.size());
  for (char ch : text) {
    const unsigned char c = (unsigned char)ch;
    if (c == '&') t += "&amp;";
    else if (c == '<') t += "&lt;";
    else if (c == '>') t += "&gt;";
    else if (c == '"') t += "&quot;";
    else if (c == '\'') t += "&#39;";
    else if ((c < 0x20 && c != '\t' && c != '\n' && c != '\r') || c == 0x7f) t += "\xEF\xBF\xBD";
    else t += ch;
  }
  return t;
}

std::string clustersTsv(const AlignmentReport& r) {
  std::string t = "cluster_id\tsize\tspecies_count\tprotein\tspecies" + annotationHeader(r) +
                  (r.haveNames ? "\tname\tdescription" : "") + kMeasureHeader + "\n";
  for (size_t c = 0; c < r.clusters.size(); ++c) {
    const std::string head = std::to_string(c + 1) + "\t" + std::to_string(r.clusters[c].size()) + "\t" +
                             std::to_string(r.clusterSpecies[c]) + "\t";
    const std::string measures = measureCells(r, c);
    for (int p : r.clusters[c])
      t += head + r.idList[p] + "\t" + speciesName(r, p) + annotationCells(r, r.idList[p]) + nameCells(r, p) +
           measures + "\n";
  }
  return t;
}

std::string nodesTsv(const AlignmentReport& r) {
  std::string t = "protein\tspecies\tcluster_id\tcluster_size" + annotationHeader(r) +
                  (r.haveNames ? "\tname\tdescription" : "") + "\n";
  for (size_t c = 0; c < r.clusters.size(); ++c)
    for (int p : r.clusters[c])
      t += r.idList[p] + "\t" + speciesName(r, p) + "\t" + std::to_string(c + 1) + "\t" +
           std::to_string(r.clusters[c].size()) + annotationCells(r, r.idList[p]) + nameCells(r, p) + "\n";
  return t;
}

std::string edgesTsv(const AlignmentReport& r) {
  std::string t = std::string("source\ttarget\ttype\tweight\tmatch_score") +
                  (r.haveNames ? "\tsource_name\ttarget_name" : "") + "\n";
  for (const ReportEdge& e : r.edges) {
    t += r.idList[e.a] + "\t" + r.idList[e.b] + (e.aligned ? "\taligned\t\t" : "\tinteraction\t");
    if (!e.aligned) t += g6(e.weight) + "\t";
    if (e.hasScore) t += g6(e.score);
    if (r.haveNames) t += "\t" + tsvText(r.names[e.a]) + "\t" + tsvText(r.names[e.b]);
    t += "\n";
  }
  return t;
}

std::string alignmentSif(const AlignmentReport& r) {
  std::string t;
  VecBool hasEdge(r.idList.size(), false);
  for (const ReportEdge& e : r.edges) {
    t += r.idList[e.a] + (e.aligned ? "\taligned\t" : "\tinteraction\t") + r.idList[e.b] + "\n";
    hasEdge[e.a] = hasEdge[e.b] = true;
  }
  for (const VecInt& c : r.clusters)
    for (int p : c)
      if (!hasEdge[p]) t += r.idList[p] + "\n";
  return t;
}

std::string alignmentGraphml(const AlignmentReport& r) {
  std::string t =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<graphml xmlns=\"http://graphml.graphdrawing.org/xmlns\">\n"
      "  <key id=\"species\" for=\"node\" attr.name=\"species\" attr.type=\"string\"/>\n"
      "  <key id=\"cluster_id\" for=\"node\" attr.name=\"cluster_id\" attr.type=\"int\"/>\n"
      "  <key id=\"cluster_size\" for=\"node\" attr.name=\"cluster_size\" attr.type=\"int\"/>\n";
  if (r.haveGroups)
    t += "  <key id=\"groups\" for=\"node\" attr.name=\"groups\" attr.type=\"string\"/>\n";
  if (r.haveGo) t += "  <key id=\"go_terms\" for=\"node\" attr.name=\"go_terms\" attr.type=\"int\"/>\n";
  if (r.haveNames)
    t += "  <key id=\"name\" for=\"node\" attr.name=\"name\" attr.type=\"string\"/>\n"
         "  <key id=\"description\" for=\"node\" attr.name=\"description\" attr.type=\"string\"/>\n";
  t += "  <key id=\"type\" for=\"edge\" attr.name=\"type\" attr.type=\"string\"/>\n"
       "  <key id=\"weight\" for=\"edge\" attr.name=\"weight\" attr.type=\"double\"/>\n"
       "  <key id=\"match_score\" for=\"edge\" attr.name=\"match_score\" attr.type=\"double\"/>\n"
       "  <graph id=\"alignment\" edgedefault=\"undirected\">\n";
  for (size_t c = 0; c < r.clusters.size(); ++c)
    for (int p : r.clusters[c]) {
      const std::string& id = r.idList[p];
      t += "    <node id=\"" + xmlEscape(id) + "\"><data key=\"species\">" + xmlEscape(speciesName(r, p)) +
           "</data><data key=\"cluster_id\">" + std::to_string(c + 1) + "</data><data key=\"cluster_size\">" +
           std::to_string(r.clusters[c].size()) + "</data>";
      if (r.haveGroups) {
        auto g = r.groups.find(id);
        t += "<data key=\"groups\">" + (g == r.groups.end() ? std::string() : xmlEscape(joined(g->second, ","))) +
             "</data>";
      }
      if (r.haveGo) {
        auto g = r.goTerms.find(id);
        t += "<data key=\"go_terms\">" + std::to_string(g == r.goTerms.end() ? 0 : g->second.size()) + "</data>";
      }
      // A protein without a name has no name attribute, rather than an empty one.
      if (r.haveNames && !r.names[p].empty()) t += "<data key=\"name\">" + xmlEscape(r.names[p]) + "</data>";
      if (r.haveNames && !r.descriptions[p].empty())
        t += "<data key=\"description\">" + xmlEscape(r.descriptions[p]) + "</data>";
      t += "</node>\n";
    }
  for (const ReportEdge& e : r.edges) {
    t += "    <edge source=\"" + xmlEscape(r.idList[e.a]) + "\" target=\"" + xmlEscape(r.idList[e.b]) +
         "\"><data key=\"type\">" + (e.aligned ? "aligned" : "interaction") + "</data>";
    if (!e.aligned) t += "<data key=\"weight\">" + g6(e.weight) + "</data>";
    if (e.hasScore) t += "<data key=\"match_score\">" + g6(e.score) + "</data>";
    t += "</edge>\n";
  }
  t += "  </graph>\n</graphml>\n";
  return t;
}

std::string reportSummary(const AlignmentReport& r) {
  // The evaluator's lines, with the coverage of each species after the first two.
  const std::string eval = formatReportText(r.eval);
  size_t cut = eval.find('\n');
  cut = eval.find('\n', cut + 1) + 1;
  std::string t = eval.substr(0, cut);
  for (const SpeciesSummary& s : r.species) {
    std::string label = "coverage of " + s.name;
    label += std::string(label.size() < 30 ? 30 - label.size() : 1, ' ');
    t += label + (s.proteins ? fixed4((double)s.clustered / (double)s.proteins) : std::string("n/a")) + " (" +
         std::to_string(s.clustered) + " / " + std::to_string(s.proteins) + ")\n";
  }
  return t + eval.substr(cut) + formatBaselineText(r.baselineEval, r.baselinePairs);
}

std::string pairsTsv(const AlignmentReport& r) {
  std::string t = std::string("cluster_id\tprotein1\tspecies1\tprotein2\tspecies2\tmatch_score\tsequence_score\t"
                              "rank1\trank2\treciprocal_best\tbaseline") +
                  (r.haveNames ? "\tname1\tname2" : "") + "\n";
  auto rank = [](int k) { return k ? std::to_string(k) : std::string(); };
  for (const AlignedPair& p : r.pairs) {
    t += std::to_string(p.cluster + 1) + "\t" + r.idList[p.a] + "\t" + speciesName(r, p.a) + "\t" + r.idList[p.b] +
         "\t" + speciesName(r, p.b) + "\t" + (r.haveScores ? g6(p.score) : std::string()) + "\t" +
         (p.sequence > 0 ? g6(p.sequence) : std::string()) + "\t" + rank(p.rank1) + "\t" + rank(p.rank2) + "\t" +
         (p.rank1 == 1 && p.rank2 == 1 ? "yes" : "no") + "\t" + (p.inBaseline ? "yes" : "no");
    if (r.haveNames) t += "\t" + tsvText(r.names[p.a]) + "\t" + tsvText(r.names[p.b]);
    t += "\n";
  }
  return t;
}
