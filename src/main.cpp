// trivanex: multiple alignment of protein interaction networks.
#include "cli/pipeline.h"
#include "cli/stops.h"

int main(int argc, char** argv) {
  return runReportingStops([&] { return runTrivanex(argc, argv); });
}
