#include "io/text_input.h"

#include <zlib.h>

#include <cerrno>
#include <cstring>
#include <new>

#include "base/error.h"
#include "base/text.h"

namespace {
const size_t kBlock = 256 * 1024;
}

struct TextInput::Inflater {
  z_stream zs;
  bool memberOpen = false;  // inside a gzip member whose end has not been seen
};

TextInput::TextInput(const std::string& path) : path_(path), in_(kBlock), out_(kBlock) {
  rejectDirectory(path_);
  file_ = std::fopen(path_.c_str(), "rb");
  if (!file_)
    throw RunError("cannot open " + printable(path_) + " (" + std::strerror(errno) + ")");
  // The first block decides: gzip data starts with the magic bytes 1f 8b.
  readRaw();
  gzip_ = inEnd_ >= 2 && static_cast<unsigned char>(in_[0]) == 0x1f &&
          static_cast<unsigned char>(in_[1]) == 0x8b;
  if (!gzip_) {
    std::swap(in_, out_);
    outPos_ = 0;
    outEnd_ = inEnd_;
    inPos_ = inEnd_ = 0;
    return;
  }
  inflater_.reset(new Inflater());
  std::memset(&inflater_->zs, 0, sizeof(inflater_->zs));
  // 16 + 15: gzip wrapper only, the largest window.
  if (inflateInit2(&inflater_->zs, 16 + 15) != Z_OK) {
    inflater_.reset();
    std::fclose(file_);
    throw std::bad_alloc();
  }
}

TextInput::~TextInput() {
  if (inflater_) inflateEnd(&inflater_->zs);
  if (file_) std::fclose(file_);
}

void TextInput::fail(const std::string& what) const {
  throw RunError(printable(path_) + " line " + std::to_string(lineNo_ + 1) + ": " + what);
}

bool TextInput::readRaw() {
  if (rawEof_) return false;
  const size_t n = std::fread(in_.data(), 1, in_.size(), file_);
  if (n == 0) {
    if (std::ferror(file_)) fail(std::string("cannot be read (") + std::strerror(errno) + ")");
    rawEof_ = true;
    return false;
  }
  inPos_ = 0;
  inEnd_ = n;
  return true;
}

bool TextInput::refill() {
  outPos_ = outEnd_ = 0;
  if (!gzip_) {
    const size_t n = std::fread(out_.data(), 1, out_.size(), file_);
    if (n == 0 && std::ferror(file_))
      fail(std::string("cannot be read (") + std::strerror(errno) + ")");
    outEnd_ = n;
    return n > 0;
  }
  z_stream& zs = inflater_->zs;
  zs.next_out = reinterpret_cast<Bytef*>(out_.data());
  zs.avail_out = static_cast<uInt>(out_.size());
  while (zs.avail_out == out_.size()) {
    if (inPos_ == inEnd_ && !readRaw()) {
      if (inflater_->memberOpen)
        fail("the gzip data ends early (truncated file?); decompress it to see what is missing");
      return false;
    }
    if (!inflater_->memberOpen) {
      // Another member follows (files joined with cat are one valid stream).
      if (inflateReset(&zs) != Z_OK) fail("cannot restart the gzip decoder");
      inflater_->memberOpen = true;
    }
    zs.next_in = reinterpret_cast<Bytef*>(in_.data() + inPos_);
    zs.avail_in = static_cast<uInt>(inEnd_ - inPos_);
    const int ret = inflate(&zs, Z_NO_FLUSH);
    inPos_ = inEnd_ - zs.avail_in;
    if (ret == Z_STREAM_END) {
      inflater_->memberOpen = false;
    } else if (ret == Z_MEM_ERROR) {
      throw std::bad_alloc();
    } else if (ret != Z_OK && ret != Z_BUF_ERROR) {
      fail(std::string("corrupt gzip data (") + (zs.msg ? zs.msg : "inflate failed") + ")");
    }
  }
  outEnd_ = out_.size() - zs.avail_out;
  return true;
}

bool TextInput::getLine(std::string& line) {
  line.clear();
  bool any = false;
  for (;;) {
    if (outPos_ == outEnd_) {
      if (!refill()) break;
    }
    const char* begin = out_.data() + outPos_;
    const size_t avail = outEnd_ - outPos_;
    const void* nl = std::memchr(begin, '\n', avail);
    if (nl) {
      const size_t len = static_cast<const char*>(nl) - begin;
      line.append(begin, len);
      outPos_ += len + 1;
      if (!line.empty() && line.back() == '\r') line.pop_back();
      ++lineNo_;
      return true;
    }
    line.append(begin, avail);
    outPos_ = outEnd_;
    any = true;
  }
  if (!any) return false;
  ++lineNo_;
  return true;
}
