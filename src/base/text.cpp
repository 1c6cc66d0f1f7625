#include "base/text.h"

#include <sys/stat.h>

#include <cerrno>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>
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

namespace {
bool parseWithStrtod(const std::string& token, double& value) {
  if (token.empty() || isWs(token[0])) return false;
  const char* begin = token.c_str();
  char* end = nullptr;
  double v = std::strtod(begin, &end);
  if (end != begin + token.size() || !std::isfinite(v)) return false;
  value = v;
  return true;
}
}  // namespace

// Short decimal tokens, [-]digits[.digits][e[-+]digits], whose digits form
// an integer below 2^53 and whose power of ten is at most 22 in magnitude:
// both are exact doubles, so one multiplication or division rounds the value
// exactly as a correctly rounded conversion does.
static bool parseShortDecimal(std::string_view t, double& value) {
  static const double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                  1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                  1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
  size_t i = 0, n = t.size();
  const bool negative = i < n && t[i] == '-';
  if (negative) ++i;
  uint64_t mantissa = 0;
  int digits = 0, fraction = 0;
  for (; i < n && t[i] >= '0' && t[i] <= '9'; ++i, ++digits) mantissa = mantissa * 10 + (t[i] - '0');
  if (i < n && t[i] == '.') {
    for (++i; i < n && t[i] >= '0' && t[i] <= '9'; ++i, ++digits, ++fraction)
      mantissa = mantissa * 10 + (t[i] - '0');
  }
  if (digits == 0 || digits > 15) return false;
  int exponent = 0;
  if (i < n && (t[i] == 'e' || t[i] == 'E')) {
    ++i;
    const bool expNegative = i < n && t[i] == '-';
    if (i < n && (t[i] == '-' || t[i] == '+')) ++i;
    int expDigits = 0;
    for (; i < n && t[i] >= '0' && t[i] <= '9'; ++i, ++expDigits) {
      if (expDigits >= 3) return false;
      exponent = exponent * 10 + (t[i] - '0');
    }
    if (expDigits == 0) return false;
    if (expNegative) exponent = -exponent;
  }
  if (i != n) return false;
  const int power = exponent - fraction;
  if (power < -22 || power > 22) return false;
  double v = (double)mantissa;
  v = power < 0 ? v / kPow10[-power] : v * kPow10[power];
  value = negative ? -v : v;
  return true;
}

bool parseFiniteDouble(std::string_view token, double& value) {
  // Plain decimal tokens take the fast paths; from_chars rounds exactly as
  // strtod does. Anything else (a sign, hexadecimal, out of range) goes to
  // strtod itself, so the accepted set and the values stay strtod's.
  if (parseShortDecimal(token, value)) return true;
  double v;
  auto res = std::from_chars(token.data(), token.data() + token.size(), v);
  if (res.ec == std::errc() && res.ptr == token.data() + token.size() && std::isfinite(v)) {
    value = v;
    return true;
  }
  return parseWithStrtod(std::string(token), value);
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

ScoreLineStatus parseScoreLine(std::string_view line, std::string_view field[3], double& score) {
  if (line.find('\0') != std::string_view::npos) return ScoreLineStatus::HasNul;
  int count = 0;
  size_t i = 0, n = line.size();
  while (i < n && count < 3) {
    while (i < n && isWs(line[i])) ++i;
    if (i >= n) break;
    size_t start = i;
    while (i < n && !isWs(line[i])) ++i;
    field[count++] = line.substr(start, i - start);
  }
  if (count == 0) return ScoreLineStatus::Blank;
  if (count < 3) return ScoreLineStatus::FewFields;
  if (!parseFiniteDouble(field[2], score)) return ScoreLineStatus::BadScore;
  return ScoreLineStatus::Record;
}

RunError scoreLineError(ScoreLineStatus status, const std::string& fileName, long lineNo,
                        std::string_view scoreField) {
  const std::string where = printable(fileName) + " line " + std::to_string(lineNo);
  switch (status) {
    case ScoreLineStatus::HasNul: return RunError(nulByteMessage(fileName, lineNo));
    case ScoreLineStatus::FewFields: return RunError(where + ": fewer than three fields");
    default: return RunError(where + ": score " + quoteToken(scoreField) + " is not a number");
  }
}

bool ScoreLineReader::next() {
  while (std::getline(in_, line_)) {
    ++lineNo_;
    const ScoreLineStatus status = parseScoreLine(line_, field_, score_);
    if (status == ScoreLineStatus::Blank) continue;
    if (status != ScoreLineStatus::Record) throw scoreLineError(status, fileName_, lineNo_, field_[2]);
    return true;
  }
  return false;
}
