#include "base/output_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace {

// "<path>.partial-<pid>", the file name part cut so that it stays within the
// usual 255-byte limit of a name when the real one is near it.
std::string temporaryName(const std::string& path) {
  const std::string suffix = ".partial-" + std::to_string((long)getpid());
  const size_t slash = path.rfind('/');
  const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  std::string head = path;
  const size_t limit = 255 - suffix.size();
  if (head.size() - nameStart > limit) head.resize(nameStart + limit);
  return head + suffix;
}

}  // namespace

OutputFile::OutputFile(std::string path)
    : path_(std::move(path)), tempPath_(temporaryName(path_)), stream_(&buffer_) {}

OutputFile::~OutputFile() { discard(); }

bool OutputFile::open() {
  discard();
  // The real name must be writable where it exists: opening it without
  // truncation changes nothing and fails for a folder or a read-only file.
  int probe = ::open(path_.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
  if (probe >= 0) {
    ::close(probe);
  } else if (errno != ENOENT) {
    return false;
  }
  // A temporary of this name is a leftover of an earlier process with the
  // same pid, killed while writing; it is replaced.
  ::unlink(tempPath_.c_str());
  int fd = ::open(tempPath_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  file_ = ::fdopen(fd, "w");
  if (!file_) {
    ::close(fd);
    ::unlink(tempPath_.c_str());
    return false;
  }
  buffer_.file = file_;
  buffer_.failed = false;
  stream_.clear();
  return true;
}

bool OutputFile::commit() {
  if (!file_) return false;
  bool ok = !buffer_.failed && !stream_.bad() && std::ferror(file_) == 0;
  ok = std::fclose(file_) == 0 && ok;
  file_ = nullptr;
  buffer_.file = nullptr;
  if (ok && std::rename(tempPath_.c_str(), path_.c_str()) == 0) return true;
  ::unlink(tempPath_.c_str());
  return false;
}

void OutputFile::discard() {
  if (!file_) return;
  std::fclose(file_);
  file_ = nullptr;
  buffer_.file = nullptr;
  ::unlink(tempPath_.c_str());
}

OutputFile::Buffer::int_type OutputFile::Buffer::overflow(int_type c) {
  if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
  if (!file || std::fputc(c, file) == EOF) {
    failed = true;
    return traits_type::eof();
  }
  return c;
}

std::streamsize OutputFile::Buffer::xsputn(const char* s, std::streamsize n) {
  if (!file) {
    failed = true;
    return 0;
  }
  const size_t written = std::fwrite(s, 1, (size_t)n, file);
  if (written != (size_t)n) failed = true;
  return (std::streamsize)written;
}
