// trivanex-pairs: the species-pair jobs of a scaled-out run.
#include <iostream>
#include <new>

#include "base/error.h"
#include "cli/pairs.h"

int main(int argc, char** argv) {
  try {
    return runPairsCommand(argc, argv);
  } catch (const RunError& e) {
    std::cerr << e.text();
    std::cerr.flush();
    return 1;
  } catch (const std::bad_alloc&) {
    std::cerr << "Error: out of memory" << std::endl;
    return 1;
  }
}
