// The loaders report each file they open on standard error. The evaluator and
// the report have outputs of their own, so that chatter is held back while
// they load.
#pragma once

#include <iostream>
#include <sstream>

class QuietStderr {
 public:
  QuietStderr() : saved_(std::cerr.rdbuf(sink_.rdbuf())) {}
  ~QuietStderr() { std::cerr.rdbuf(saved_); }
  QuietStderr(const QuietStderr&) = delete;
  QuietStderr& operator=(const QuietStderr&) = delete;

 private:
  std::ostringstream sink_;
  std::streambuf* saved_;
};
