// trivanex-prepare's network readers and the text reader under them. The
// first byte picks the format (recognised from the first lines, or one of the
// five forced) and the taxon option; the rest is the file, plain, gzip, bzip2 or xz.
#include "base/error.h"
#include "fuzz_common.h"
#include "prepare/networks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  static const NetworkFormat kFormats[] = {NetworkFormat::Auto, NetworkFormat::Edges, NetworkFormat::Sif,
                                           NetworkFormat::Biogrid, NetworkFormat::String, NetworkFormat::Mitab};
  NetworkOptions options;
  options.format = kFormats[data[0] % 6];
  options.taxon = (data[0] / 6) % 2 ? 9606 : 0;
  options.allInteractions = (data[0] / 12) % 2;
  options.normalise = (data[0] / 24) % 2 == 0;
  const std::string file = fuzzutil::writeScratch("net.txt", reinterpret_cast<const char*>(data) + 1, size - 1);
  try {
    const RawNetwork net = readNetwork(file, options);
    if (net.names.size() != net.firstLine.size()) std::abort();
    for (const RawEdge& e : net.edges)
      if (e.a >= net.names.size() || e.b >= net.names.size() || !(e.weight >= 0 && e.weight <= 1)) std::abort();
    for (const std::string& name : net.names)
      if (name.empty() || name.find_first_of(" \t\r\n\v\f") != std::string::npos) std::abort();
  } catch (const RunError&) {
  }
  return 0;
}
