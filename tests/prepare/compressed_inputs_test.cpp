// trivanex-prepare on xz, bzip2 and byte-order-marked inputs, and --check on
// a folder holding such files, which trivanex itself reads as plain text.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "test_util.h"

namespace {

using testutil::readFile;
using testutil::writeFile;

testutil::RunResult prepare(const std::vector<std::string>& args, const std::string& dir) {
  return testutil::runProgram(TRIVANEX_PREPARE_EXE, args, dir);
}

TEST(PrepareCompressedInputs, XzBzip2AndAByteOrderMarkGiveThePlainFolder) {
  const std::string dir = testutil::makeTempDir();
  const std::string a = "A1 A2\nA2 A3\n", b = "B1 B2\n", hits = "A1 B1 90\nA2 B2 50\n";
  writeFile(dir + "/a.txt", a);
  writeFile(dir + "/b.txt", b);
  writeFile(dir + "/hits", hits);
  writeFile(dir + "/a.xz", testutil::xzBytes(a));
  writeFile(dir + "/b.bz2", testutil::bzip2Bytes(b));
  writeFile(dir + "/hits.bom", "\xef\xbb\xbf" + hits);  // as a spreadsheet saves it
  auto run = [&](const std::string& out, const std::string& fa, const std::string& fb, const std::string& fh) {
    const testutil::RunResult r = prepare({"--out", out, "--species", "a=" + fa, "--species", "b=" + fb,
                                           "--hits", fh, "--score-column", "3"}, dir);
    EXPECT_EQ(r.exitCode, 0) << r.err;
  };
  run("plain", "a.txt", "b.txt", "hits");
  run("packed", "a.xz", "b.bz2", "hits.bom");
  for (const char* f : {"a.tab", "b.tab", "a-a.evals", "a-b.evals", "b-b.evals", "prepare.tsv"})
    EXPECT_EQ(readFile(dir + "/packed/" + f), readFile(dir + "/plain/" + f)) << f;
  EXPECT_EQ(readFile(dir + "/plain/a-b.evals"), "A1 B1 90\nA2 B2 50\n");

  // A cut xz network stops prepare with one line naming it.
  const std::string xz = testutil::xzBytes(a);
  writeFile(dir + "/cut.xz", xz.substr(0, xz.size() - 4));
  const testutil::RunResult cut =
      prepare({"--out", "cut", "--species", "a=cut.xz", "--species", "b=b.txt", "--hits", "hits"}, dir);
  EXPECT_EQ(cut.exitCode, 1);
  EXPECT_EQ(cut.err, "Error: cut.xz line 3: the xz data ends early (truncated file?); decompress it to see what "
                     "is missing\n");

  // --check: trivanex would read these as text.
  std::filesystem::rename(dir + "/plain/a.tab", dir + "/plain/a.tab.orig");
  writeFile(dir + "/plain/a.tab", testutil::xzBytes(readFile(dir + "/plain/a.tab.orig")));
  writeFile(dir + "/plain/a-b.evals", "\xef\xbb\xbf" "A1 B1 90\n");
  const testutil::RunResult check = prepare({"--check", dir + "/plain/data.in"}, dir);
  const std::string p = dir + "/plain/";
  EXPECT_EQ(check.err.substr(0, check.err.find("checked ")),
            "Warning: " + p + "a.tab: is xz-compressed; trivanex reads plain text only: decompress it (unxz), or "
            "let trivanex-prepare build the folder, which reads xz\n"
            "Warning: " + p + "a-b.evals: starts with a UTF-8 byte-order mark, which trivanex takes as part of "
            "the first identifier: save it without one, or let trivanex-prepare build the folder\n"
            "Note: " + p + "a-b.evals: 1 identifiers that no network names (proteins without "
            "interactions, which trivanex accepts)\n");
  std::filesystem::remove_all(dir);
}

}  // namespace
