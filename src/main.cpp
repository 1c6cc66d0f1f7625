// trivanex: multiple alignment of protein interaction networks.
#include <iostream>
#include <new>

#include "base/error.h"
#include "cli/pipeline.h"

int main(int argc, char** argv) {
  try {
    return runTrivanex(argc, argv);
  } catch (const RunError& e) {
    std::cerr << e.text();
    std::cerr.flush();
    return 1;
  } catch (const std::bad_alloc&) {
    std::cerr << "Error: out of memory" << std::endl;
    return 1;
  }
}
