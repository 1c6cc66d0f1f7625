// Numbered progress flags on standard error, written by every stage of a run.
#pragma once

// Writes "Flag: <x>" on standard error. Leaves standard error at 4
// significant digits, which every later real number on it relies on.
void DEBUGP(double x);
