// Numbered progress flags on standard error, written by every stage of a run.
#pragma once

#include <iosfwd>

// Writes "Flag: <x>" on standard error. Leaves standard error at 4
// significant digits, which every later real number on it relies on.
void DEBUGP(double x);

// The same on another stream (a species pair's buffered diagnostics).
void DEBUGP(std::ostream& out, double x);
