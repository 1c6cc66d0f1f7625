// The one way a run stops early. Library code throws RunError; main() catches it,
// prints the message on standard error and exits with status 1.
#pragma once

#include <stdexcept>
#include <string>

class RunError : public std::runtime_error {
 public:
  enum Style {
    Prefixed,  // printed as "Error: <message>"
    Bare,      // the program's own fixed text, printed as it stands
    Reported   // everything was already written to standard error
  };

  explicit RunError(const std::string& message, Style style = Prefixed)
      : std::runtime_error(message), style_(style) {}

  static RunError bare(const std::string& message) { return RunError(message, Bare); }
  static RunError reported() { return RunError("", Reported); }

  Style style() const { return style_; }

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
