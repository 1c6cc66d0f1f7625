// Command line parser. The input is split at NUL bytes into the arguments
// after the program name.
#include <cstdio>

#include "base/error.h"
#include "cli/options.h"
#include "fuzz_common.h"

// The option parser writes its complaints through the C stream; libFuzzer and
// the sanitizers keep the real standard error.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  if (FILE* sink = std::fopen("/dev/null", "w")) stderr = sink;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzutil::silenceCerr();
  if (size > 2048) return 0;
  std::vector<std::string> words{"trivanex"};
  std::string current;
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == 0) {
      words.push_back(current);
      current.clear();
    } else {
      current.push_back((char)data[i]);
    }
  }
  words.push_back(current);
  std::vector<char*> argv;
  for (auto& w : words) argv.push_back(&w[0]);
  argv.push_back(nullptr);

  int K, maxveclen, cl_max_per_sp;
  double thresh, alpha, pri, sec;
  std::string strategy, prefix, dataDescFile, scorefile, clusterFile = "tmp_output_cluster.txt";
  bool readstar, reverse;
  try {
    getoptions((int)words.size(), argv.data(), K, thresh, alpha, maxveclen, pri, sec,
               cl_max_per_sp, strategy, prefix, dataDescFile, scorefile, readstar, reverse,
               clusterFile);
  } catch (const RunError&) {
    return 0;
  }
  // An accepted command line holds values in range.
  if (K < 3 || K > 99 || !(thresh > 0 && thresh <= 10) || !(alpha >= 0 && alpha <= 1) ||
      maxveclen == 0 || maxveclen < -1 || !(pri > 0 && pri <= 1) || !(sec > 0 && sec <= 1) ||
      cl_max_per_sp < 1)
    std::abort();
  return 0;
}
