// trivanex-eval: scores a trivanex cluster file against ortholog groups.
#include <iostream>

#include "cli/eval_command.h"
#include "cli/stops.h"

int main(int argc, char** argv) {
  return runReportingStops([&] { return runTrivanexEval(argc, argv, std::cout); });
}
