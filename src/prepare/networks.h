// Readers of the interaction network files users download: plain edge lists
// (and SIF), BioGRID TAB3, STRING links and PSI-MI TAB, plain or gzipped.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum class NetworkFormat { Auto, Edges, Sif, Biogrid, String, Mitab };

// "edges", "sif", "biogrid", "string", "mitab" (false for anything else).
bool parseNetworkFormat(const std::string& name, NetworkFormat& format);
const char* networkFormatName(NetworkFormat format);

struct NetworkOptions {
  NetworkFormat format = NetworkFormat::Auto;
  long long taxon = 0;             // BioGRID, PSI-MI: both partners' taxon; 0 = the file's only one
  std::string biogridId = "swissprot";  // entrez, biogrid, systematic, symbol, swissprot
  bool allInteractions = false;    // BioGRID, PSI-MI: keep genetic interactions too
  int minScore = 0;                // STRING: combined_score below it is dropped
  bool normalise = true;
};

// One interaction of a file: the partners as numbers into RawNetwork::names.
struct RawEdge {
  uint32_t a, b;
  double weight;
};

// What one network file holds after its own filters, before the proteins are
// numbered across species. names[i] is a normalised identifier; firstLine[i]
// the line where it first occurs (for messages about a clash between species).
struct RawNetwork {
  NetworkFormat format = NetworkFormat::Auto;
  bool weighted = false;
  long lines = 0;              // lines of the file
  long records = 0;            // interaction records read (before the filters)
  long otherTaxon = 0;         // records with a partner of another taxon
  long notPhysical = 0;        // genetic interactions left out
  long noIdentifier = 0;       // records with "-" in the chosen identifier column
  long belowMinScore = 0;      // STRING links under --min-score
  long long taxon = 0;         // the taxon kept (BioGRID, PSI-MI)
  long rewritten = 0;          // distinct identifiers changed by normalisation
  std::vector<std::string> names;
  std::vector<long> firstLine;
  std::vector<RawEdge> edges;
};

// Reads one network file; RunError naming file and line on a malformed line,
// a weight outside 0 to 1, or a file whose format is not recognised.
RawNetwork readNetwork(const std::string& path, const NetworkOptions& options);
