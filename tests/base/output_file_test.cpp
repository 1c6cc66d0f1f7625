#include "base/output_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <string>

#include "test_util.h"

namespace {

namespace fs = std::filesystem;
using testutil::fileExists;
using testutil::readFile;
using testutil::writeFile;

// The names in a folder, sorted.
std::vector<std::string> namesIn(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(OutputFile, TheTemporaryNamesTheFilePartialAndThePid) {
  OutputFile out("/some/folder/tmp_match-score.txt");
  EXPECT_EQ("/some/folder/tmp_match-score.txt.partial-" + std::to_string(getpid()), out.tempPath());
  // A name near the 255-byte limit is cut, the folder and the marker kept.
  OutputFile longName("d/" + std::string(250, 'n'));
  const std::string name = fs::path(longName.tempPath()).filename().string();
  EXPECT_EQ(255u, name.size());
  EXPECT_EQ(0u, longName.tempPath().find("d/nnnn"));
  EXPECT_NE(std::string::npos, name.find(".partial-"));
}

TEST(OutputFile, WritesUnderTheTemporaryAndRenamesOnCommit) {
  const std::string dir = testutil::makeTempDir(), path = dir + "/out.txt";
  writeFile(path, "earlier\n");
  OutputFile out(path);
  ASSERT_TRUE(out.open());
  out.stream() << "star " << 0.5 << std::endl;
  std::fputs("raw\n", out.file());
  out.stream() << "end\n";
  EXPECT_EQ("earlier\n", readFile(path));  // not yet in place
  EXPECT_TRUE(fileExists(out.tempPath()));
  ASSERT_TRUE(out.commit());
  EXPECT_EQ("star 0.5\nraw\nend\n", readFile(path));
  EXPECT_EQ(std::vector<std::string>({"out.txt"}), namesIn(dir));
}

TEST(OutputFile, AnUncommittedFileLeavesTheEarlierOneAndNoTemporary) {
  const std::string dir = testutil::makeTempDir(), path = dir + "/stars_A.txt";
  writeFile(path, "earlier\n");
  {
    OutputFile out(path);
    ASSERT_TRUE(out.open());
    out.stream() << "half a star";
  }  // a stop in the middle of writing
  EXPECT_EQ("earlier\n", readFile(path));
  EXPECT_EQ(std::vector<std::string>({"stars_A.txt"}), namesIn(dir));
  {
    OutputFile out(dir + "/new.txt");
    ASSERT_TRUE(out.open());
  }
  EXPECT_EQ(std::vector<std::string>({"stars_A.txt"}), namesIn(dir));
}

TEST(OutputFile, AWriteFailureKeepsTheEarlierFile) {
  const std::string dir = testutil::makeTempDir(), path = dir + "/big.txt";
  writeFile(path, "earlier\n");
  // The file-size limit makes the writes fail as a full disk would.
  struct rlimit saved;
  getrlimit(RLIMIT_FSIZE, &saved);
  auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = saved;
  small.rlim_cur = 4096;
  ASSERT_EQ(0, setrlimit(RLIMIT_FSIZE, &small));
  OutputFile out(path);
  bool opened = out.open();
  if (opened) {
    const std::string line(100, 'x');
    for (int i = 0; i < 100; ++i) out.stream() << line << "\n";
  }
  const bool committed = opened && out.commit();
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, oldHandler);
  ASSERT_TRUE(opened);
  EXPECT_FALSE(committed);
  EXPECT_EQ("earlier\n", readFile(path));
  EXPECT_EQ(std::vector<std::string>({"big.txt"}), namesIn(dir));
}

TEST(OutputFile, OpenFailsWhereTheRealNameCannotBeWritten) {
  const std::string dir = testutil::makeTempDir();
  fs::create_directory(dir + "/folder");
  OutputFile intoFolder(dir + "/folder");
  EXPECT_FALSE(intoFolder.open());
  OutputFile noFolder(dir + "/missing/x.txt");
  EXPECT_FALSE(noFolder.open());
  EXPECT_FALSE(noFolder.commit());
  if (geteuid() != 0) {  // root writes read-only files anyway
    writeFile(dir + "/ro.txt", "keep\n");
    fs::permissions(dir + "/ro.txt", fs::perms::owner_read);
    OutputFile readOnly(dir + "/ro.txt");
    EXPECT_FALSE(readOnly.open());
    EXPECT_EQ("keep\n", readFile(dir + "/ro.txt"));
  }
  for (const auto& name : namesIn(dir)) EXPECT_EQ(std::string::npos, name.find(".partial-")) << name;
}

}  // namespace
