// The files of a report folder and the summary, each formed as one string
// from an AlignmentReport (they are small next to the inputs: one line per
// clustered protein or edge).
#pragma once

#include <string>

#include "report/alignment_report.h"

// clusters.tsv: cluster_id size species_count protein species [groups]
// [go_terms] [name description], then the cluster's measures (aligned_pairs
// mean_match_score min_match_score sequence_hit_share interactions
// conserved_interactions baseline_share baseline), one row per member in the
// cluster file's order; cluster_id counts from 1.
std::string clustersTsv(const AlignmentReport& r);
// nodes.tsv: protein species cluster_id cluster_size [groups] [go_terms] [name description].
std::string nodesTsv(const AlignmentReport& r);
// edges.tsv: source target type weight match_score; empty cells for values
// an edge does not have.
std::string edgesTsv(const AlignmentReport& r);
// pairs.tsv: every aligned pair, most confident first (match score, then
// sequence score): cluster_id protein1 species1 protein2 species2 match_score
// sequence_score rank1 rank2 reciprocal_best baseline [name1 name2].
std::string pairsTsv(const AlignmentReport& r);
// "same", "within", "partly" or "none": how a cluster's aligned pairs stand
// to the baseline's clusters.
const char* baselineAgreement(const ClusterMeasures& m);
// alignment.sif: "source<TAB>type<TAB>target" per edge, then clustered
// proteins without any edge alone on a line.
std::string alignmentSif(const AlignmentReport& r);
// alignment.graphml: the nodes and edges of the tables, with typed attributes.
std::string alignmentGraphml(const AlignmentReport& r);
// report.html: one self-contained page, charts as inline SVG.
std::string reportHtml(const AlignmentReport& r);
// The summary on standard output: clusters, coverage per species, measures.
std::string reportSummary(const AlignmentReport& r);

// Text escaped for XML and HTML character data and attribute values; control
// characters, which XML 1.0 cannot hold, become U+FFFD.
std::string xmlEscape(const std::string& text);
