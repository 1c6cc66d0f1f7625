// Lines of a text file that may be gzip-, bzip2- or xz-compressed, for the
// readers of files users bring from databases and search tools (often
// downloaded as .gz, .bz2 or .xz).
#pragma once

#include <condition_variable>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// Lines of a plain, gzip-, bzip2- or xz-compressed text file (concatenated
// members or streams included). A UTF-8 byte-order mark at the start of the
// text is skipped: spreadsheet exports write one, and it would otherwise
// become part of the first identifier.
//
// Compression is recognised by the first bytes (gzip 1f 8b, bzip2 "BZh",
// xz fd "7zXZ"), never by the name. Plain files are read in blocks of 256 KB. Compressed files are
// inflated by a thread of their own, one block ahead of the reader, into a
// ring of three decoded blocks (full blocks pass to the reader in order,
// read ones return to the inflater), so decompression and parsing overlap.
// Lines are cut out of the current block with memchr, one copy each into the
// caller's string. Compressed data that ends before its last member or
// stream is complete, or that fails its checks, is an error when the reader
// reaches that point: a short read must never pass for the whole file.
class TextInput {
 public:
  explicit TextInput(const std::string& path);  // RunError naming the file if it cannot be opened
  ~TextInput();
  TextInput(const TextInput&) = delete;
  TextInput& operator=(const TextInput&) = delete;

  // The next line without its "\n" or "\r\n"; false at the end of the file.
  // A last line without a line break is returned like any other. RunError
  // naming file and line on truncated or corrupt compressed data or a read error.
  bool getLine(std::string& line);
  long lineNumber() const { return lineNo_; }  // 1-based number of the last line returned
  const std::string& path() const { return path_; }
  enum class Compression { None, Gzip, Bzip2, Xz };
  bool compressed() const { return compression_ != Compression::None; }
  Compression compression() const { return compression_; }

 private:
  struct Inflater;
  struct Block {
    std::vector<char> data;
    size_t size = 0;
  };
  bool refill();  // the next block into out_; false at the end of the data
  bool readRaw(std::string& error);  // the next file bytes into in_; false at the end or on error
  // The inflating thread: fills free blocks until the data ends or fails.
  void inflateLoop();
  // Decodes into `block`; false with `error` set on damaged data.
  bool inflateBlock(Block& block, std::string& error);
  enum class Step { More, End, Error };
  // One call of the decoder on in_[inPos_, inEnd_) (none left when `finish`):
  // advances inPos_, adds to `made` the bytes written to `out`.
  Step decodeStep(bool finish, char* out, size_t room, size_t& made, std::string& error);
  void rejectOtherCompression();
  [[noreturn]] void fail(const std::string& what) const;

  std::string path_;
  FILE* file_ = nullptr;
  Compression compression_ = Compression::None;
  long lineNo_ = 0;
  bool atStart_ = true;  // no byte of the text handed out yet (the mark test)

  // Reader side: the block being cut into lines.
  Block* out_ = nullptr;
  size_t outPos_ = 0;
  Block plain_;

  // Inflater side: raw bytes [inPos_, inEnd_) of in_ not yet inflated.
  std::unique_ptr<Inflater> inflater_;
  std::vector<char> in_;
  size_t inPos_ = 0, inEnd_ = 0;
  bool rawEof_ = false;

  // Handed between the two under mutex_: blocks full_ (in order) and free_;
  // done_ once the inflater has stopped, with error_ set when it failed.
  Block blocks_[3];
  std::vector<Block*> full_, free_;
  size_t fullHead_ = 0;
  bool done_ = false, stop_ = false;
  std::string error_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::thread thread_;
};
