// trivanex-eval: scores a trivanex cluster file against ortholog groups.
#include <iostream>
#include <new>

#include "base/error.h"
#include "cli/eval_command.h"

int main(int argc, char** argv) {
  try {
    return runTrivanexEval(argc, argv, std::cout);
  } catch (const RunError& e) {
    std::cerr << e.text();
    std::cerr.flush();
    return 1;
  } catch (const std::bad_alloc&) {
    std::cerr << "Error: out of memory" << std::endl;
    return 1;
  }
}
