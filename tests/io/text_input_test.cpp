#include "io/text_input.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <filesystem>
#include <string>
#include <vector>

#include "base/error.h"
#include "test_util.h"

namespace {

using testutil::makeTempDir;
using testutil::readFile;
using testutil::writeFile;

// Writes `parts` as consecutive gzip members of one file.
void writeGzip(const std::string& path, const std::vector<std::string>& parts) {
  std::string all;
  for (const std::string& part : parts) {
    z_stream zs{};
    ASSERT_EQ(deflateInit2(&zs, 6, Z_DEFLATED, 16 + 15, 8, Z_DEFAULT_STRATEGY), Z_OK);
    std::string out(deflateBound(&zs, part.size()) + 64, '\0');
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(part.data()));
    zs.avail_in = part.size();
    zs.next_out = reinterpret_cast<Bytef*>(&out[0]);
    zs.avail_out = out.size();
    ASSERT_EQ(deflate(&zs, Z_FINISH), Z_STREAM_END);
    out.resize(zs.total_out);
    deflateEnd(&zs);
    all += out;
  }
  writeFile(path, all);
}

std::string xz(const std::string& text) { return testutil::xzBytes(text); }
std::string bzip2(const std::string& text) { return testutil::bzip2Bytes(text); }

std::vector<std::string> readAll(const std::string& path) {
  TextInput in(path);
  std::vector<std::string> lines;
  std::string line;
  while (in.getLine(line)) {
    lines.push_back(line);
    EXPECT_EQ(in.lineNumber(), static_cast<long>(lines.size()));
  }
  return lines;
}

std::string errorOf(const std::string& path) {
  try {
    readAll(path);
  } catch (const RunError& e) {
    return e.what();
  }
  return "no error";
}

class TextInputTest : public ::testing::Test {
 protected:
  void SetUp() override { dir_ = makeTempDir(); }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string dir_;
};

TEST_F(TextInputTest, PlainAndGzipGiveTheSameLines) {
  // Line ends of both kinds, an empty line, a line longer than a read block
  // (it crosses block boundaries in both forms), no newline at the end.
  const std::string longLine(600 * 1024, 'x');
  const std::string text = "a b 1\r\n\nc d 2\n" + longLine + "\nlast\tline";
  const std::vector<std::string> want = {"a b 1", "", "c d 2", longLine, "last\tline"};
  writeFile(dir_ + "/plain.txt", text);
  EXPECT_EQ(readAll(dir_ + "/plain.txt"), want);
  // Cut into three members, as files joined with cat are.
  writeGzip(dir_ + "/joined.gz", {text.substr(0, 3), text.substr(3, 300000), text.substr(300003)});
  EXPECT_EQ(readAll(dir_ + "/joined.gz"), want);
  EXPECT_TRUE(TextInput(dir_ + "/joined.gz").compressed());
  EXPECT_FALSE(TextInput(dir_ + "/plain.txt").compressed());

  writeFile(dir_ + "/empty.txt", "");
  EXPECT_TRUE(readAll(dir_ + "/empty.txt").empty());
}

TEST_F(TextInputTest, DamagedGzipIsAnErrorNamingFileAndLine) {
  std::string text;
  for (int i = 0; i < 20000; ++i) text += "protein" + std::to_string(i) + " partner 1\n";
  writeGzip(dir_ + "/whole.gz", {text});
  const std::string gz = readFile(dir_ + "/whole.gz");
  ASSERT_EQ(readAll(dir_ + "/whole.gz").size(), 20000u);

  // Cut anywhere, even inside the 8-byte trailer, the file must not read as complete.
  for (size_t cut : {gz.size() / 2, gz.size() - 9, gz.size() - 1}) {
    writeFile(dir_ + "/cut.gz", gz.substr(0, cut));
    const std::string msg = errorOf(dir_ + "/cut.gz");
    EXPECT_NE(msg.find(dir_ + "/cut.gz line "), std::string::npos) << msg;
    EXPECT_NE(msg.find("ends early"), std::string::npos) << msg;
  }
  std::string bad = gz;
  bad[bad.size() - 6] ^= 0x55;  // the CRC of the data
  writeFile(dir_ + "/bad.gz", bad);
  // The check fails at the end of the data, after the block holding line 11881 was decoded.
  EXPECT_EQ(errorOf(dir_ + "/bad.gz"), dir_ + "/bad.gz line 11881: corrupt gzip data (incorrect data check)");
  writeFile(dir_ + "/trailing.gz", gz + "junk\n");
  EXPECT_NE(errorOf(dir_ + "/trailing.gz").find("corrupt gzip data"), std::string::npos);

  writeFile(dir_ + "/net.zip", std::string("PK\x03\x04\x14\0\0\0", 8));
  EXPECT_EQ(errorOf(dir_ + "/net.zip"),
            dir_ + "/net.zip: is a zip archive: unzip it first (gzip, bzip2 and xz are read as they stand)");
  EXPECT_NE(errorOf(dir_ + "/missing.txt").find("cannot open " + dir_ + "/missing.txt"),
            std::string::npos);
}

TEST_F(TextInputTest, XzAndBzip2ReadLikeGzipAndAByteOrderMarkIsSkipped) {
  const std::string longLine(600 * 1024, 'y');
  const std::string text = "a b 1\r\nc d 2\n" + longLine + "\nlast";
  const std::vector<std::string> want = {"a b 1", "c d 2", longLine, "last"};
  // Two streams each, as files joined with cat (or written by pbzip2) are.
  writeFile(dir_ + "/net.xz", xz(text.substr(0, 9)) + xz(text.substr(9)));
  writeFile(dir_ + "/net.bz2", bzip2(text.substr(0, 9)) + bzip2(text.substr(9)));
  EXPECT_EQ(readAll(dir_ + "/net.xz"), want);
  EXPECT_EQ(readAll(dir_ + "/net.bz2"), want);
  EXPECT_EQ(TextInput(dir_ + "/net.xz").compression(), TextInput::Compression::Xz);
  EXPECT_EQ(TextInput(dir_ + "/net.bz2").compression(), TextInput::Compression::Bzip2);

  // The mark is skipped at the start of the text only, in every form.
  const std::string bom = "\xef\xbb\xbf";
  const std::vector<std::string> marked = {"P1 P2", bom + "P3 P4"};
  writeFile(dir_ + "/bom.txt", bom + "P1 P2\n" + bom + "P3 P4\n");
  writeFile(dir_ + "/bom.xz", xz(bom + "P1 P2\n" + bom + "P3 P4\n"));
  writeGzip(dir_ + "/bom.gz", {bom + "P1 P2\n" + bom + "P3 P4\n"});
  for (const char* f : {"/bom.txt", "/bom.xz", "/bom.gz"}) EXPECT_EQ(readAll(dir_ + f), marked) << f;
  writeFile(dir_ + "/only-bom.txt", bom);
  EXPECT_TRUE(readAll(dir_ + "/only-bom.txt").empty());
}

TEST_F(TextInputTest, DamagedXzAndBzip2AreErrorsNamingFileAndLine) {
  std::string text;
  for (int i = 0; i < 20000; ++i) text += "protein" + std::to_string(i) + " partner 1\n";
  for (const char* kind : {"xz", "bz2"}) {
    const std::string packed = std::string(kind) == "xz" ? xz(text) : bzip2(text);
    const std::string path = dir_ + "/cut." + kind;
    for (size_t cut : {packed.size() / 2, packed.size() - 1}) {
      writeFile(path, packed.substr(0, cut));
      const std::string msg = errorOf(path);
      EXPECT_EQ(msg.find(path + " line "), 0u) << msg;
      EXPECT_NE(msg.find(std::string(kind) == "xz" ? "the xz data ends early" : "the bzip2 data ends early"),
                std::string::npos) << msg;
    }
    std::string bad = packed;
    bad[bad.size() / 2] ^= 0x55;
    writeFile(path, bad);
    EXPECT_NE(errorOf(path).find(std::string(kind) == "xz" ? "corrupt xz data" : "corrupt bzip2 data"),
              std::string::npos) << errorOf(path);
  }
}

}  // namespace
