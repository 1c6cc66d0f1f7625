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

TextInput::TextInput(const std::string& path) : path_(path), in_(kBlock) {
  rejectDirectory(path_);
  file_ = std::fopen(path_.c_str(), "rb");
  if (!file_)
    throw RunError("cannot open " + printable(path_) + " (" + std::strerror(errno) + ")");
  // The first block decides: gzip data starts with the magic bytes 1f 8b.
  std::string error;
  if (!readRaw(error) && !error.empty()) {
    std::fclose(file_);
    file_ = nullptr;
    fail(error);
  }
  rejectOtherCompression();
  gzip_ = inEnd_ >= 2 && static_cast<unsigned char>(in_[0]) == 0x1f &&
          static_cast<unsigned char>(in_[1]) == 0x8b;
  if (!gzip_) {
    plain_.data.swap(in_);
    plain_.size = inEnd_;
    out_ = &plain_;
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
  for (Block& b : blocks_) {
    b.data.resize(kBlock);
    free_.push_back(&b);
  }
  thread_ = std::thread([this] { inflateLoop(); });
}

TextInput::~TextInput() {
  if (thread_.joinable()) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stop_ = true;
    }
    changed_.notify_all();
    thread_.join();
  }
  if (inflater_) inflateEnd(&inflater_->zs);
  if (file_) std::fclose(file_);
}

// Downloads also come zipped (BioGRID) or as .bz2, .xz, .zst; read as text
// they would give lines of binary noise, so they are named for what they are.
void TextInput::rejectOtherCompression() {
  static const struct {
    const char* magic;
    size_t size;
    const char* what;
  } kKinds[] = {{"PK\x03\x04", 4, "a zip archive: unzip it"},
                {"BZh", 3, "bzip2-compressed: decompress it (bunzip2)"},
                {"\xfd" "7zXZ", 5, "xz-compressed: decompress it (unxz)"},
                {"\x28\xb5\x2f\xfd", 4, "zstd-compressed: decompress it (unzstd)"}};
  for (const auto& k : kKinds)
    if (inEnd_ >= k.size && std::memcmp(in_.data(), k.magic, k.size) == 0) {
      std::fclose(file_);
      file_ = nullptr;
      throw RunError(printable(path_) + ": is " + k.what + " first (gzip is read as it stands)");
    }
}

void TextInput::fail(const std::string& what) const {
  throw RunError(printable(path_) + " line " + std::to_string(lineNo_ + 1) + ": " + what);
}

bool TextInput::readRaw(std::string& error) {
  if (rawEof_) return false;
  const size_t n = std::fread(in_.data(), 1, in_.size(), file_);
  if (n == 0) {
    if (std::ferror(file_)) error = std::string("cannot be read (") + std::strerror(errno) + ")";
    rawEof_ = true;
    return false;
  }
  inPos_ = 0;
  inEnd_ = n;
  return true;
}

bool TextInput::inflateBlock(Block& block, std::string& error) {
  z_stream& zs = inflater_->zs;
  zs.next_out = reinterpret_cast<Bytef*>(block.data.data());
  zs.avail_out = static_cast<uInt>(block.data.size());
  while (zs.avail_out == block.data.size()) {
    if (inPos_ == inEnd_ && !readRaw(error)) {
      if (!error.empty()) return false;
      if (inflater_->memberOpen) {
        error = "the gzip data ends early (truncated file?); decompress it to see what is missing";
        return false;
      }
      break;
    }
    if (!inflater_->memberOpen) {
      // Another member follows (files joined with cat are one valid stream).
      if (inflateReset(&zs) != Z_OK) {
        error = "cannot restart the gzip decoder";
        return false;
      }
      inflater_->memberOpen = true;
    }
    zs.next_in = reinterpret_cast<Bytef*>(in_.data() + inPos_);
    zs.avail_in = static_cast<uInt>(inEnd_ - inPos_);
    const int ret = inflate(&zs, Z_NO_FLUSH);
    inPos_ = inEnd_ - zs.avail_in;
    if (ret == Z_STREAM_END) {
      inflater_->memberOpen = false;
    } else if (ret == Z_MEM_ERROR) {
      error = "out of memory while decompressing";
      return false;
    } else if (ret != Z_OK && ret != Z_BUF_ERROR) {
      error = std::string("corrupt gzip data (") + (zs.msg ? zs.msg : "inflate failed") + ")";
      return false;
    }
  }
  block.size = block.data.size() - zs.avail_out;
  return true;
}

void TextInput::inflateLoop() {
  for (;;) {
    Block* block;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      changed_.wait(lock, [this] { return stop_ || !free_.empty(); });
      if (stop_) return;
      block = free_.back();
      free_.pop_back();
    }
    std::string error;
    const bool ok = inflateBlock(*block, error);
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (ok && block->size > 0) full_.push_back(block);
      if (!ok || block->size == 0) {
        error_ = error;
        done_ = true;
      }
    }
    changed_.notify_all();
    if (!ok || block->size == 0) return;
  }
}

bool TextInput::refill() {
  if (!gzip_) {
    if (plain_.data.size() < kBlock) plain_.data.resize(kBlock);
    const size_t n = std::fread(plain_.data.data(), 1, plain_.data.size(), file_);
    if (n == 0 && std::ferror(file_))
      fail(std::string("cannot be read (") + std::strerror(errno) + ")");
    plain_.size = n;
    outPos_ = 0;
    return n > 0;
  }
  std::unique_lock<std::mutex> lock(mutex_);
  if (out_) {
    free_.push_back(out_);
    out_ = nullptr;
    changed_.notify_all();
  }
  changed_.wait(lock, [this] { return fullHead_ < full_.size() || done_; });
  if (fullHead_ < full_.size()) {
    out_ = full_[fullHead_++];
    if (fullHead_ == full_.size()) {
      full_.clear();
      fullHead_ = 0;
    }
    outPos_ = 0;
    return true;
  }
  if (!error_.empty()) {
    const std::string what = error_;
    lock.unlock();
    fail(what);
  }
  return false;
}

bool TextInput::getLine(std::string& line) {
  line.clear();
  bool any = false;
  for (;;) {
    if (!out_ || outPos_ == out_->size) {
      if (!refill()) break;
      if (outPos_ == out_->size) continue;
    }
    const char* begin = out_->data.data() + outPos_;
    const size_t avail = out_->size - outPos_;
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
    outPos_ = out_->size;
    any = true;
  }
  if (!any) return false;
  ++lineNo_;
  return true;
}
