// Gene names and descriptions for the proteins of a report: a plain names
// file ("id name [description]" lines) or the headers of UniProt FASTA files.
// Either may be gzip-compressed. Identifiers stay the keys; a name is only
// shown beside them.
#pragma once

#include <string>
#include <unordered_map>

struct ProteinName {
  std::string name, description;
};
typedef std::unordered_map<std::string, ProteinName> NameTable;

// Adds the lines "id name [description]" (blank- or tab-separated; the
// description is the rest of the line) to names; a later line for an id
// replaces an earlier one. Blank lines and lines starting with '#' are
// skipped; a line with an id but no name stops with RunError naming the file
// and line, as does a file that cannot be read.
void readNamesFile(const std::string& path, NameTable& names);

// One FASTA header line (with its '>'): the identifier is the first word,
// reduced to the accession of a "db|ACC|ENTRY" word; the name is the GN=
// value and the description the text between the first word and the first
// " OS=" (all of it when there is none). False for a line that is no header.
bool parseFastaHeader(const std::string& line, std::string& id, ProteinName& name);

// Adds every header of a FASTA file to names (sequence lines are skipped).
void readFastaNames(const std::string& path, NameTable& names);
