// Small text helpers shared by the line-oriented readers.
#pragma once

#include <istream>
#include <string>
#include <string_view>
#include <vector>

#include "base/error.h"

// "<file> line <n>: holds a NUL byte, which no text file has" (the stop of
// every reader that meets one).
std::string nulByteMessage(const std::string& fileName, long lineNo);

// Stops the run with "<file>: is a directory, not a file" when it is one: a
// folder opens as a stream that reads as empty, which would pass for an empty file.
void rejectDirectory(const std::string& fileName);

// Splits a line at C-locale whitespace (blank, tab, CR, LF, VT, FF).
void splitFields(const std::string& line, std::vector<std::string>& fields);

// True when every character of the token is whitespace (or there is none).
bool isBlankLine(const std::string& line);

// Parses a token that must be entirely a finite number, as strtod reads it.
bool parseFiniteDouble(std::string_view token, double& value);

// Parses a token that must be entirely an int (optional sign, digits only).
bool parseInt(const std::string& token, int& value);

// Input text as a message shows it: bytes outside printable ASCII written as
// \xHH, so a binary file cannot break the message's line or the terminal.
std::string printable(std::string_view text);

// A token of the input for a message: in single quotes, escaped as by
// printable(), cut after 40 characters with "..." so a binary line or a
// megabyte-long token stays one readable line.
std::string quoteToken(std::string_view token);

// Reads whitespace-separated tokens from a stream and remembers the line on
// which the last token started, so that messages can name it. A NUL byte
// stops the run with an error naming the file and line: it is not text.
class TokenReader {
 public:
  TokenReader(std::istream& in, const std::string& fileName) : in_(in), fileName_(fileName) {}
  bool next(std::string& token);
  long line() const { return tokenLine_; }

 private:
  [[noreturn]] void nulByte() const;
  std::istream& in_;
  std::string fileName_;
  long currentLine_ = 1;
  long tokenLine_ = 0;
};

// What one line of a score file (without its newline) holds: nothing but
// whitespace, a record, or the reason it is neither.
enum class ScoreLineStatus { Blank, Record, HasNul, FewFields, BadScore };

// Splits a score line into its first three fields (later ones are ignored)
// and parses the third into `score` as parseFiniteDouble does.
ScoreLineStatus parseScoreLine(std::string_view line, std::string_view field[3], double& score);

// The stop for a line whose status is neither Blank nor Record, naming the
// file and line; scoreField is the third field, for BadScore.
RunError scoreLineError(ScoreLineStatus status, const std::string& fileName, long lineNo,
                        std::string_view scoreField);

// Reads "id1 id2 score" records line by line, lines of any length. Lines of
// whitespace only are skipped and fields after the score ignored; a line with
// fewer than three fields, whose score is not entirely a finite number, or
// that holds a NUL byte stops the run with an error naming the file and line.
class ScoreLineReader {
 public:
  ScoreLineReader(std::istream& in, const std::string& fileName) : in_(in), fileName_(fileName) {}
  // Moves to the next record; false at the end of the file.
  bool next();
  // Views into the current line, valid until the next call.
  std::string_view id1() const { return field_[0]; }
  std::string_view id2() const { return field_[1]; }
  double score() const { return score_; }
  // "<file> line <n>" of the current record, for messages.
  std::string where() const;

 private:
  std::istream& in_;
  const std::string& fileName_;
  std::string line_;
  std::string_view field_[3];
  double score_ = 0;
  long lineNo_ = 0;
};
