#include "cli/quiet_run.h"

#include <iostream>

#include "base/text.h"

// Passes on the lines that begin with one of the prefixes and drops the rest.
// A line is decided by its first characters, so nothing but those is held.
class QuietRun::LineFilter : public std::streambuf {
 public:
  explicit LineFilter(std::streambuf* to) : to_(to) {}

  // An unfinished line that has been let through is ended, so that what
  // follows it on the stream starts a line of its own.
  void finish() {
    if (state_ == Pass) to_->sputc('\n');
    state_ = Undecided;
    head_.clear();
  }

 protected:
  int_type overflow(int_type c) override {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    put(traits_type::to_char_type(c));
    return c;
  }

  std::streamsize xsputn(const char* s, std::streamsize n) override {
    for (std::streamsize k = 0; k < n; ++k) put(s[k]);
    return n;
  }

  int sync() override { return to_->pubsync(); }

 private:
  enum State { Undecided, Pass, Drop };

  void put(char ch) {
    if (ch == '\n') {
      if (state_ == Pass) to_->sputc('\n');
      state_ = Undecided;
      head_.clear();
      return;
    }
    if (state_ == Pass) {
      to_->sputc(ch);
      return;
    }
    if (state_ == Drop) return;
    head_ += ch;
    bool mayBe = false;
    for (const char* prefix : {"Warning", "Error"}) {
      const std::string p = prefix;
      if (head_ == p) {
        to_->sputn(head_.data(), (std::streamsize)head_.size());
        state_ = Pass;
        return;
      }
      mayBe = mayBe || p.compare(0, head_.size(), head_) == 0;
    }
    if (!mayBe) state_ = Drop;
  }

  std::streambuf* to_;
  State state_ = Undecided;
  std::string head_;
};

class QuietRun::Discard : public std::streambuf {
 protected:
  int_type overflow(int_type c) override { return traits_type::not_eof(c); }
  std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

QuietRun::QuietRun(bool on) {
  if (!on) return;
  std::cerr.flush();
  std::cout.flush();
  filter_.reset(new LineFilter(std::cerr.rdbuf()));
  discard_.reset(new Discard);
  savedErr_ = std::cerr.rdbuf(filter_.get());
  savedOut_ = std::cout.rdbuf(discard_.get());
}

QuietRun::~QuietRun() {
  if (!filter_) return;
  filter_->finish();
  std::cerr.rdbuf(savedErr_);
  std::cout.rdbuf(savedOut_);
  std::cerr.flush();
}

std::string closingLine(const std::vector<std::string>& files, long clusters) {
  if (files.empty()) return "Wrote no file\n";
  std::string line = "Wrote";
  for (size_t k = 0; k < files.size(); ++k) {
    line += (k == 0 ? " " : ", ") + printable(files[k]);
    if (k == 0 && clusters >= 0)
      line += " (" + std::to_string(clusters) + (clusters == 1 ? " cluster)" : " clusters)");
  }
  return line + "\n";
}
