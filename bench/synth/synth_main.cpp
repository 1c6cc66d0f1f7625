// trivanex_synth: writes a synthetic network family (data.in, networks,
// sequence scores, ortholog groups) into a folder.
#include <sys/stat.h>

#include <cstdlib>
#include <iostream>
#include <string>

#include "base/error.h"
#include "cli/stops.h"
#include "synth/family.h"

namespace {

const char* kUsage =
    "usage: trivanex_synth [options] OUTDIR\n"
    "  --shape biogrid|string   built-in species counts (default biogrid)\n"
    "  --scale F                both counts times F, as 1/8 or 0.125 (default 1)\n"
    "  --species LIST           CODE:PREFIX:PROTEINS:INTERACTIONS,... instead of a shape\n"
    "  --seed N                 the family drawn (default 1)\n"
    "  --hits H                 weak random sequence hits per protein and species pair (default 8)\n"
    "Writes OUTDIR/data.in, CODE.tab, A-B.evals and CODE.fo (ortholog groups), and prints\n"
    "one line per species and species pair.\n";

int run(int argc, char** argv) {
  std::string shape = "biogrid", scale = "1", list, dir;
  synth::FamilyOptions options;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= argc) throw RunError(a + " needs a value");
      return argv[++i];
    };
    if (a == "--shape") shape = value();
    else if (a == "--scale") scale = value();
    else if (a == "--species") list = value();
    else if (a == "--seed") options.seed = std::strtoull(value().c_str(), nullptr, 10);
    else if (a == "--hits") options.hitsPerProtein = std::atof(value().c_str());
    else if (a == "--help" || a == "-h") {
      std::cout << kUsage;
      return 0;
    } else if (!a.empty() && a[0] == '-') throw RunError("unknown option " + a + "\n" + kUsage);
    else if (dir.empty()) dir = a;
    else throw RunError("one output folder only\n" + std::string(kUsage));
  }
  if (dir.empty()) throw RunError(std::string("no output folder\n") + kUsage);
  if (!(options.hitsPerProtein >= 0)) throw RunError("--hits must be 0 or more");
  options.species = list.empty() ? synth::familyShape(shape, synth::parseScale(scale))
                                 : synth::parseSpeciesList(list);
  mkdir(dir.c_str(), 0777);  // an existing folder is fine; a failed write says so
  synth::writeFamily(options, dir, std::cout);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  return runReportingStops([&] { return run(argc, argv); });
}
