// The command line of trivanex-eval and trivanex-report: options "--name" or
// "--name VALUE", "--" ending the options, and every other word (a lone "-"
// included) a positional argument, kept in order.
#pragma once

#include <string>

#include "base/types.h"

class ArgumentWalk {
 public:
  // seeHelp ends every message, telling where the usage is.
  ArgumentWalk(int argc, char** argv, std::string seeHelp);

  // Moves to the next option, collecting the positional arguments before
  // it; false when the arguments are used up.
  bool nextOption();
  const std::string& option() const { return arg_; }
  // The option's value: the next argument, which must exist.
  std::string value();
  // The value of --gaf-column: the GAF column (2 or 3) proteins are matched to.
  int gafColumn();
  [[noreturn]] void unknown() const;

  const VecStr& positional() const { return positional_; }
  const std::string& seeHelp() const { return seeHelp_; }

 private:
  int argc_, i_ = 0;
  char** argv_;
  std::string seeHelp_, arg_;
  bool optionsEnded_ = false;
  VecStr positional_;
};
