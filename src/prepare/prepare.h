// trivanex-prepare's main job: from network files, hit tables and FASTA
// files to a data folder that trivanex reads as it stands.
#pragma once

#include <map>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "prepare/networks.h"

// A hit table: codeA and codeB name the species of its columns 1 and 2
// (--hits A,B=FILE), both empty when a protein's species comes from its name.
struct HitTableInput {
  std::string path, codeA, codeB;
};

// What to do with an identifier in the networks of several species (proteins
// of another species in organism-wide exports): stop and explain, drop the
// interactions naming it, or leave it to the network where it has most.
enum class ForeignProteins { Stop, Drop, Majority };

struct PrepareOptions {
  std::string outDir;
  std::vector<std::pair<std::string, std::string>> species;  // code, network file
  std::vector<HitTableInput> hits;
  std::vector<std::pair<std::string, std::string>> fasta;    // code, FASTA file
  NetworkOptions network;                                    // shared by every network file
  std::map<std::string, NetworkFormat> formats;              // per code; "" for every code
  std::map<std::string, long long> taxa;                     // per code
  int scoreColumn = 12;                                      // 1-based
  bool prefixIds = false;
  std::vector<std::string> idMaps;   // --id-map files
  std::vector<std::string> idTypes;  // --id-type: the UniProt idmapping types mapped to accessions
  ForeignProteins foreign = ForeignProteins::Stop;
};

// Reads everything, writes DIR/CODE.tab, DIR/A-B.evals for every A <= B,
// DIR/prepare.tsv and DIR/data.in (each under a temporary name, renamed into
// place), and the summary to `log`. RunError on any refused input.
void runPrepare(const PrepareOptions& options, std::ostream& log);

// Writes `value` in the shortest form that reads back as the same double.
void appendNumber(std::string& out, double value);
