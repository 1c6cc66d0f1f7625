// The one way a run stops early. Library code throws RunError; main() catches it,
// prints the message on standard error and exits with status 1 (status 0 for
// finished(), a command line that asked for nothing but an answer).
#pragma once

#include <stdexcept>
#include <string>

class RunError : public std::runtime_error {
 public:
  enum Style {
    Prefixed,  // printed as "Error: <message>"
    Bare,      // the program's own fixed text, printed as it stands
    Reported,  // everything was already written to standard error
    Finished   // the command did all it was asked (--version): exit status 0
  };

  explicit RunError(const std::string& message, Style style = Prefixed)
      : std::runtime_error(message), style_(style) {}

  static RunError bare(const std::string& message) { return RunError(message, Bare); }
  static RunError reported() { return RunError("", Reported); }
  static RunError finished() { return RunError("", Finished); }

  Style style() const { return style_; }
  int exitStatus() const { return style_ == Finished ? 0 : 1; }

  // The text main() writes to standard error for this stop ("" when already reported).
  std::string text() const {
    switch (style_) {
      case Prefixed: return std::string("Error: ") + what() + "\n";
      case Bare: return std::string(what()) + "\n";
      default: return "";
    }
  }

 private:
  Style style_;
};
