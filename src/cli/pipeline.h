// One complete run: options, loading, match scores (computed or read), clustering.
#pragma once

// Runs the program on its command line. Returns 0 after a completed run;
// every early stop throws RunError (see cli/error.h).
int runTrivanex(int argc, char** argv);
