// An output file that never stands half-written under its real name.
//
// open() creates "<name>.partial-<pid>" in the same folder; everything is
// written there, and commit() closes it and renames it over the real name
// only when every write and the close succeeded. A run that stops with an
// error (the object is destroyed uncommitted) removes the temporary and leaves
// any earlier file of the real name untouched; a run that is killed leaves at
// most the temporary, whose name says what it is and which process wrote it.
// So a reader of the real name (a later --readstar run, a --scorefile run)
// sees either the earlier complete file or the new complete one.
#pragma once

#include <cstdio>
#include <ostream>
#include <streambuf>
#include <string>

class OutputFile {
 public:
  explicit OutputFile(std::string path);
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Creates the temporary. False when it cannot be created, or when the real
  // name exists but cannot be written (a folder, a read-only file), so the
  // failure shows at the moment the file would have been opened.
  bool open();

  // Where to write, valid after a successful open() until commit().
  FILE* file() { return file_; }
  std::ostream& stream() { return stream_; }

  // Closes the temporary and renames it to the real name. False (and the
  // temporary removed, the real name untouched) when any write, the close or
  // the rename failed.
  bool commit();

  const std::string& path() const { return path_; }
  const std::string& tempPath() const { return tempPath_; }

 private:
  // Stream output straight into the FILE's own buffer.
  class Buffer : public std::streambuf {
   public:
    FILE* file = nullptr;
    bool failed = false;

   protected:
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char* s, std::streamsize n) override;
  };

  void discard();

  std::string path_, tempPath_;
  FILE* file_ = nullptr;
  Buffer buffer_;
  std::ostream stream_;
};
