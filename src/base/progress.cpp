#include "base/progress.h"

#include <iostream>

void DEBUGP(double x) {
  std::cerr.precision(4);
  std::cerr << "Flag: " << x << std::endl;
}
