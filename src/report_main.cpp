// trivanex-report: a run's clusters as tables, Cytoscape files and a web page.
#include <iostream>

#include "cli/report_command.h"
#include "cli/stops.h"

int main(int argc, char** argv) {
  return runReportingStops([&] { return runTrivanexReport(argc, argv, std::cout); });
}
