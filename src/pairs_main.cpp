// trivanex-pairs: the species-pair jobs of a scaled-out run.
#include "cli/pairs.h"
#include "cli/stops.h"

int main(int argc, char** argv) {
  return runReportingStops([&] { return runPairsCommand(argc, argv); });
}
