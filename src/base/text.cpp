#include "base/text.h"

#include <sys/stat.h>

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>

#include "base/error.h"

namespace {
inline bool isWs(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}
}  // namespace

void splitFields(const std::string& line, std::vector<std::string>& fields) {
  fields.clear();
  size_t i = 0, n = line.size();
  while (i < n) {
    while (i < n && isWs(line[i])) ++i;
    if (i >= n) break;
    size_t start = i;
    while (i < n && !isWs(line[i])) ++i;
    fields.emplace_back(line, start, i - start);
  }
}

bool isBlankLine(const std::string& line) {
  for (char c : line)
    if (!isWs(c)) return false;
  return true;
}

bool parseFiniteDouble(const std::string& token, double& value) {
  if (token.empty() || isWs(token[0])) return false;
  const char* begin = token.c_str();
  char* end = nullptr;
  double v = std::strtod(begin, &end);
  if (end != begin + token.size() || !std::isfinite(v)) return false;
  value = v;
  return true;
}

bool parseInt(const std::string& token, int& value) {
  if (token.empty() || isWs(token[0])) return false;
  const char* begin = token.c_str();
  char* end = nullptr;
  errno = 0;
  long v = std::strtol(begin, &end, 10);
  if (end != begin + token.size() || errno == ERANGE || v < INT_MIN || v > INT_MAX) return false;
  value = static_cast<int>(v);
  return true;
}

std::string printable(std::string_view text) {
  static const char hex[] = "0123456789abcdef";
  std::string out;
  out.reserve(text.size());
  for (char ch : text) {
    const unsigned char c = static_cast<unsigned char>(ch);
    if (c >= 0x20 && c < 0x7f) {
      out.push_back(ch);
    } else {
      out += "\\x";
      out.push_back(hex[c >> 4]);
      out.push_back(hex[c & 15]);
    }
  }
  return out;
}

std::string quoteToken(std::string_view token) {
  const size_t limit = 40;
  std::string out = "'" + printable(token.substr(0, limit));
  if (token.size() > limit) out += "...";
  out += "'";
  return out;
}

std::string nulByteMessage(const std::string& fileName, long lineNo) {
  return printable(fileName) + " line " + std::to_string(lineNo) +
         ": holds a NUL byte, which no text file has";
}

void rejectDirectory(const std::string& fileName) {
  struct stat info;
  if (stat(fileName.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
    throw RunError(printable(fileName) + ": is a directory, not a file");
}

void TokenReader::nulByte() const { throw RunError(nulByteMessage(fileName_, currentLine_)); }

bool TokenReader::next(std::string& token) {
  token.clear();
  int c;
  while ((c = in_.get()) != EOF) {
    if (c == '\n') {
      ++currentLine_;
    } else if (c == 0) {
      nulByte();
    } else if (!isWs(static_cast<char>(c))) {
      break;
    }
  }
  if (c == EOF) return false;
  tokenLine_ = currentLine_;
  token.push_back(static_cast<char>(c));
  while ((c = in_.peek()) != EOF && !isWs(static_cast<char>(c))) {
    if (c == 0) nulByte();
    token.push_back(static_cast<char>(in_.get()));
  }
  return true;
}

std::string ScoreLineReader::where() const {
  return printable(fileName_) + " line " + std::to_string(lineNo_);
}

bool ScoreLineReader::next() {
  while (std::getline(in_, line_)) {
    ++lineNo_;
    if (line_.find('\0') != std::string::npos) throw RunError(nulByteMessage(fileName_, lineNo_));
    int count = 0;
    size_t i = 0, n = line_.size();
    while (i < n && count < 3) {
      while (i < n && isWs(line_[i])) ++i;
      if (i >= n) break;
      size_t start = i;
      while (i < n && !isWs(line_[i])) ++i;
      field_[count++] = std::string_view(line_.data() + start, i - start);
    }
    if (count == 0) continue;
    if (count < 3) throw RunError(where() + ": fewer than three fields");
    const std::string token(field_[2]);
    if (!parseFiniteDouble(token, score_))
      throw RunError(where() + ": score " + quoteToken(token) + " is not a number");
    return true;
  }
  return false;
}
