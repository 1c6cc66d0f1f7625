// Small text helpers shared by the line-oriented readers.
#pragma once

#include <istream>
#include <string>
#include <vector>

// Splits a line at C-locale whitespace (blank, tab, CR, LF, VT, FF).
void splitFields(const std::string& line, std::vector<std::string>& fields);

// True when every character of the token is whitespace (or there is none).
bool isBlankLine(const std::string& line);

// Parses a token that must be entirely a finite decimal number.
bool parseFiniteDouble(const std::string& token, double& value);

// Parses a token that must be entirely an int (optional sign, digits only).
bool parseInt(const std::string& token, int& value);

// Reads whitespace-separated tokens from a stream and remembers the line on
// which the last token started, so that messages can name it.
class TokenReader {
 public:
  explicit TokenReader(std::istream& in) : in_(in) {}
  bool next(std::string& token);
  long line() const { return tokenLine_; }

 private:
  std::istream& in_;
  long currentLine_ = 1;
  long tokenLine_ = 0;
};
