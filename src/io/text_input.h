// Lines of a text file that may be gzip-compressed, for the readers of files
// users bring from databases and search tools (often downloaded as .gz).
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

// Lines of a plain or gzip-compressed text file (concatenated gzip members included).
//
// Compression is recognised by the first two bytes (1f 8b), never by the
// name. The file is read in blocks of 256 KB and, when compressed, inflated
// block by block; lines are cut out of the decoded block with memchr, so a
// line costs one copy into the caller's string. A gzip stream that ends
// before its last member is complete, or that fails its checks, is an error:
// a short read must never pass for the whole file.
class TextInput {
 public:
  explicit TextInput(const std::string& path);  // RunError naming the file if it cannot be opened
  ~TextInput();
  TextInput(const TextInput&) = delete;
  TextInput& operator=(const TextInput&) = delete;

  // The next line without its "\n" or "\r\n"; false at the end of the file.
  // A last line without a line break is returned like any other. RunError
  // naming file and line on a truncated or corrupt gzip stream or a read error.
  bool getLine(std::string& line);
  long lineNumber() const { return lineNo_; }  // 1-based number of the last line returned
  const std::string& path() const { return path_; }
  bool compressed() const { return gzip_; }

 private:
  struct Inflater;
  // Fills out_ with the next decoded bytes; false at the end of the data.
  bool refill();
  bool readRaw();  // appends file bytes to in_; false at the end of the file
  [[noreturn]] void fail(const std::string& what) const;

  std::string path_;
  FILE* file_ = nullptr;
  bool gzip_ = false;
  std::unique_ptr<Inflater> inflater_;
  std::vector<char> in_;            // raw bytes [inPos_, inEnd_) not yet inflated
  size_t inPos_ = 0, inEnd_ = 0;
  bool rawEof_ = false;
  std::vector<char> out_;           // decoded bytes [outPos_, outEnd_) not yet returned
  size_t outPos_ = 0, outEnd_ = 0;
  long lineNo_ = 0;
};
