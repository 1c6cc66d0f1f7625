#include "base/progress.h"

#include <iostream>

void DEBUGP(double x) { DEBUGP(std::cerr, x); }

void DEBUGP(std::ostream& out, double x) {
  out.precision(4);
  out << "Flag: " << x << std::endl;
}
