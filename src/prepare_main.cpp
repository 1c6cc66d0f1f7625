// trivanex-prepare: turns downloaded networks and search results into a
// trivanex data folder, or checks an existing one.
#include <iostream>

#include "cli/prepare_command.h"
#include "cli/stops.h"

int main(int argc, char** argv) {
  return runReportingStops([&] { return runTrivanexPrepare(argc, argv, std::cout, std::cerr); });
}
