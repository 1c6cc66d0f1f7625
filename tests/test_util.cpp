#include "test_util.h"

#include <bzlib.h>
#include <fcntl.h>
#include <sched.h>
#include <lzma.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <stdexcept>
#include <system_error>
#include <vector>

extern char** environ;

namespace testutil {

namespace fs = std::filesystem;

namespace {

// The folders a test process made go when it ends, so that test runs do not
// pile up in /tmp; TRIVANEX_KEEP_TEST_DIRS=1 keeps them to look at.
struct MadeDirs {
  std::mutex mutex;
  std::vector<std::string> dirs;
  ~MadeDirs() {
    if (std::getenv("TRIVANEX_KEEP_TEST_DIRS")) return;
    std::error_code ignored;
    for (const auto& d : dirs) fs::remove_all(d, ignored);
  }
};

MadeDirs& madeDirs() {
  static MadeDirs made;
  return made;
}

}  // namespace

std::string makeTempDir() {
  std::string pattern = (fs::temp_directory_path() / "trivanex-test-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  MadeDirs& made = madeDirs();
  std::lock_guard<std::mutex> lock(made.mutex);
  made.dirs.push_back(pattern);
  return pattern;
}

void writeFile(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
  if (!out) throw std::runtime_error("cannot write " + path);
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

bool fileExists(const std::string& path) { return fs::exists(path); }

std::string xzBytes(const std::string& text) {
  std::string out(lzma_stream_buffer_bound(text.size()), '\0');
  size_t pos = 0;
  if (lzma_easy_buffer_encode(6, LZMA_CHECK_CRC64, nullptr, reinterpret_cast<const uint8_t*>(text.data()),
                              text.size(), reinterpret_cast<uint8_t*>(&out[0]), &pos, out.size()) != LZMA_OK)
    throw std::runtime_error("xz encoding failed");
  out.resize(pos);
  return out;
}

std::string bzip2Bytes(const std::string& text) {
  std::string out(text.size() + text.size() / 100 + 700, '\0');
  unsigned size = static_cast<unsigned>(out.size());
  if (BZ2_bzBuffToBuffCompress(&out[0], &size, const_cast<char*>(text.data()),
                               static_cast<unsigned>(text.size()), 9, 0, 0) != BZ_OK)
    throw std::runtime_error("bzip2 encoding failed");
  out.resize(size);
  return out;
}

void copyTree(const std::string& from, const std::string& to) {
  fs::copy(from, to, fs::copy_options::recursive | fs::copy_options::overwrite_existing);
}

std::string dataDir() { return TRIVANEX_TEST_DATA; }

RunResult runTrivanex(const std::vector<std::string>& args, const std::string& workDir) {
  return runProgram(TRIVANEX_EXE, args, workDir);
}

RunResult runOnCpus(int cpus, const std::string& exe, const std::vector<std::string>& args,
                    const std::string& workDir) {
  cpu_set_t all, some;
  sched_getaffinity(0, sizeof all, &all);
  CPU_ZERO(&some);
  for (int c = 0, taken = 0; c < CPU_SETSIZE && taken < cpus; ++c)
    if (CPU_ISSET(c, &all)) CPU_SET(c, &some), ++taken;
  sched_setaffinity(0, sizeof some, &some);
  RunResult r = runProgram(exe, args, workDir);
  sched_setaffinity(0, sizeof all, &all);
  return r;
}

RunResult runProgram(const std::string& exe, const std::vector<std::string>& args,
                     const std::string& workDir) {
  // The captures go to a scratch folder, so the working folder holds only what the program wrote.
  const std::string scratch = makeTempDir();
  const std::string outPath = scratch + "/stdout", errPath = scratch + "/stderr";
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addchdir_np(&actions, workDir.c_str());
  std::vector<std::string> argvStore{exe.substr(exe.rfind('/') + 1)};
  argvStore.insert(argvStore.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& a : argvStore) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid;
  int rc = posix_spawn(&pid, exe.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) throw std::runtime_error("cannot start " + exe);
  int status = 0;
  waitpid(pid, &status, 0);
  RunResult r;
  r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  r.out = readFile(outPath);
  r.err = readFile(errPath);
  fs::remove_all(scratch);
  return r;
}

}  // namespace testutil
