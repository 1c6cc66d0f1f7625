#include "base/scratch_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/error.h"

namespace {

// An unnamed read-write file in the working directory, or -1.
int unnamedFile() {
#ifdef O_TMPFILE
  int fd = ::open(".", O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  if (fd >= 0) return fd;
#endif
  char name[] = "./.trivanex-scratch-XXXXXX";
  int fd2 = ::mkstemp(name);
  if (fd2 >= 0) ::unlink(name);
  return fd2;
}

const size_t kChunk = size_t(1) << 17;  // doubles per read or write (1 MiB)

}  // namespace

ScratchCopy::~ScratchCopy() { clear(); }

void ScratchCopy::clear() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  size_ = 0;
  std::vector<double>().swap(mem_);
}

void ScratchCopy::save(const std::vector<double>& v) {
  size_ = v.size();
  if (v.size() * sizeof(double) <= limit_) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    mem_ = v;
    return;
  }
  std::vector<double>().swap(mem_);
  if (fd_ < 0) fd_ = unnamedFile();
  if (fd_ >= 0) {
    size_t done = 0;
    const char* data = reinterpret_cast<const char*>(v.data());
    const size_t bytes = v.size() * sizeof(double);
    while (done < bytes) {
      const ssize_t w = ::pwrite(fd_, data + done, std::min(bytes - done, kChunk * 8), (off_t)done);
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0) break;
      done += (size_t)w;
    }
    if (done == bytes) return;
    ::close(fd_);  // disk full or failing: keep the copy in memory instead
    fd_ = -1;
  }
  mem_ = v;
}

double ScratchCopy::changeFrom(const std::vector<double>& now) const {
  if (now.size() != size_) throw RunError("score vectors of different lengths compared");
  double c = 0;
  if (fd_ < 0) {
    for (size_t q = 0; q < now.size(); ++q)
      if (now[q] != 0.0 && mem_[q] != 0.0) c += std::fabs(now[q] - mem_[q]);
    return c;
  }
  std::vector<double> buf(kChunk);
  for (size_t q0 = 0; q0 < size_; q0 += kChunk) {
    const size_t len = std::min(kChunk, size_ - q0);
    size_t got = 0;
    char* dst = reinterpret_cast<char*>(buf.data());
    while (got < len * 8) {
      const ssize_t r = ::pread(fd_, dst + got, len * 8 - got, (off_t)(q0 * 8 + got));
      if (r < 0 && errno == EINTR) continue;
      if (r <= 0) throw RunError(std::string("cannot read back a scratch copy: ") + std::strerror(errno));
      got += (size_t)r;
    }
    for (size_t k = 0; k < len; ++k)
      if (now[q0 + k] != 0.0 && buf[k] != 0.0) c += std::fabs(now[q0 + k] - buf[k]);
  }
  return c;
}
