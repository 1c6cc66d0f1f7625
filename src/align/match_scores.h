// Turning a pair's final score vector back into identifier pairs, writing the
// match-score file, and comparing two score maps.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "base/match_table.h"
#include "base/number_format.h"
#include "base/output_file.h"
#include "base/types.h"

// Adds the entries of finalVec to matchScores under (sp1 protein, sp2 protein).
// Returns 1.
int readMatchScores(const VecStr& idList, const VecBool& finalVecMembership,
                    const Hash_Int2Dbl& finalVec, const VecInt& sp1_idxList,
                    const VecInt& sp2_idxList, StrPair2Dbl& matchScores);

// The match-score file: "id1 id2 score" lines, scores as printf "%g". A file
// that cannot be created gets a warning on standard error and the run goes
// on; so does a file that could not be written in full. A writer destroyed
// before close() (a run stopping with an error) leaves no file behind.
class MatchScoreFileWriter {
 public:
  explicit MatchScoreFileWriter(const std::string& fileName);
  bool isOpen() const { return out_ != nullptr; }
  void add(std::string_view id1, std::string_view id2, double score) {
    appendLine(buffer_, id1, id2, score);
    if (buffer_.size() >= kFlushAt) flush();
  }
  // Lines already formatted with appendLine or putLine.
  void addLines(std::string_view lines);
  // True when the complete file is in place under its name.
  bool close();

  // Appends one line "id1 id2 score\n" to `to`.
  static void appendLine(std::string& to, std::string_view id1, std::string_view id2, double score);
  // The same line written at p, which has room for lineRoom(id1, id2) bytes;
  // returns the end of the line.
  static size_t lineRoom(std::string_view id1, std::string_view id2) {
    return id1.size() + id2.size() + 3 + kG6Chars;
  }
  static char* putLine(char* p, std::string_view id1, std::string_view id2, double score);

 private:
  static const size_t kFlushAt = (1 << 20) - 512;
  void flush();
  std::string fileName_;
  OutputFile file_;
  FILE* out_ = nullptr;
  std::string buffer_;
  bool ok_ = true;
};

// Writes the map's entries in key order. False when the file could not be
// written (the warning is on standard error).
bool writeOutScores(const StrPair2Dbl& matchScores, const std::string& fileName);

// Writes the table's scores in the order of their keys, (first, second)
// identifier as a map of them would hold it; idList is the sorted roster.
// False when the file could not be written.
bool writeOutScores(const MatchScoreTable& matchScores, const VecStr& idList,
                    const std::string& fileName);

// Sums both maps' values over the keys they share (same key order) and prints
// "total of common scores: blast: <first> match: <second>".
void computeSumOfCommonScores(const StrPair2Dbl& first, const StrPair2Dbl& second,
                              double& sumSecond, double& sumFirst);
