// Helpers shared by the tests: scratch folders, whole-file I/O, and running
// the real trivanex executable in a working directory.
#pragma once

#include <string>
#include <vector>

namespace testutil {

struct RunResult {
  int exitCode = -1;
  std::string out;  // standard output
  std::string err;  // standard error
};

// A fresh empty folder under the system's temporary folder.
std::string makeTempDir();
void writeFile(const std::string& path, const std::string& content);
std::string readFile(const std::string& path);
bool fileExists(const std::string& path);
// `text` as one xz stream, or as one bzip2 stream (for compressed inputs).
std::string xzBytes(const std::string& text);
std::string bzip2Bytes(const std::string& text);
// Copies the files of `from` (recursively) into `to`.
void copyTree(const std::string& from, const std::string& to);
// The folder tests/data of the source tree.
std::string dataDir();
// Runs the built trivanex with `args` in `workDir`, standard input empty.
RunResult runTrivanex(const std::vector<std::string>& args, const std::string& workDir);
// The same for another executable.
RunResult runProgram(const std::string& exe, const std::vector<std::string>& args,
                     const std::string& workDir);
// runProgram with the process's CPU set cut to its first `cpus` CPUs (the
// child inherits the mask, and the programs size their threads by it).
RunResult runOnCpus(int cpus, const std::string& exe, const std::vector<std::string>& args,
                    const std::string& workDir);

}  // namespace testutil
