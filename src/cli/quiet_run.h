// A quiet run (--quiet). On a whole proteome the trace runs to megabytes on
// standard error and the cluster echo to as many lines as there are clusters
// on standard output; a quiet run keeps only what asks for the user's
// attention. The files a run writes do not depend on it.
#pragma once

#include <iosfwd>
#include <memory>
#include <streambuf>
#include <string>
#include <vector>

// While it lives (and `on` is true): of what is written to std::cerr only
// the lines that begin with "Warning" or "Error" get through, and std::cout
// takes everything and shows nothing. Its end gives both streams back, so a
// stop's message, printed after the run has unwound, is shown in full.
class QuietRun {
 public:
  explicit QuietRun(bool on);
  ~QuietRun();
  QuietRun(const QuietRun&) = delete;
  QuietRun& operator=(const QuietRun&) = delete;

 private:
  class LineFilter;
  class Discard;
  std::unique_ptr<LineFilter> filter_;
  std::unique_ptr<Discard> discard_;
  std::streambuf* savedErr_ = nullptr;
  std::streambuf* savedOut_ = nullptr;
};

// The closing line of a quiet run: "Wrote " and the files, the first with
// " (N clusters)" when `clusters` is not negative, separated by ", "; names
// are shown as printable() shows them ("Wrote no file" when there are none).
// Ends with a newline.
std::string closingLine(const std::vector<std::string>& files, long clusters = -1);
