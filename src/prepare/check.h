// trivanex-prepare --check: looks through an existing data folder for the
// mistakes that trivanex itself accepts without a word.
#pragma once

#include <ostream>
#include <string>

// Reads the data-description file and the files it names (its data directory
// taken from the working directory, as trivanex takes it) and writes one line
// "Warning: <file> line <n>: ..." per finding to `log`, then a closing count.
// Changes no file. Returns the number of warnings; RunError only when the
// data-description file itself cannot be read.
long checkDataFolder(const std::string& dataIn, std::ostream& log);
