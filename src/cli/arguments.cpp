#include "cli/arguments.h"

#include "base/error.h"
#include "base/text.h"

ArgumentWalk::ArgumentWalk(int argc, char** argv, std::string seeHelp)
    : argc_(argc), argv_(argv), seeHelp_(std::move(seeHelp)) {}

bool ArgumentWalk::nextOption() {
  while (++i_ < argc_) {
    arg_ = argv_[i_];
    if (optionsEnded_ || arg_.size() < 2 || arg_[0] != '-')
      positional_.push_back(arg_);
    else if (arg_ == "--")
      optionsEnded_ = true;
    else
      return true;
  }
  return false;
}

std::string ArgumentWalk::value() {
  if (i_ + 1 >= argc_) throw RunError("option " + quoteToken(arg_) + " needs a value" + seeHelp_);
  return argv_[++i_];
}

int ArgumentWalk::gafColumn() {
  const std::string v = value();
  if (v != "2" && v != "3") throw RunError("--gaf-column takes 2 or 3, not " + quoteToken(v) + seeHelp_);
  return v == "3" ? 3 : 2;
}

void ArgumentWalk::unknown() const { throw RunError("unknown option " + quoteToken(arg_) + seeHelp_); }
