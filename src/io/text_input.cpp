#include "io/text_input.h"

#include <bzlib.h>
#include <lzma.h>
#include <zlib.h>

#include <cerrno>
#include <cstring>
#include <new>

#include "base/error.h"
#include "base/text.h"

namespace {
const size_t kBlock = 256 * 1024;
}

// The decoder of the file's compression. gzip members and bzip2 streams are
// restarted by hand (files joined with cat are one valid stream); liblzma
// walks concatenated xz streams itself.
struct TextInput::Inflater {
  z_stream zs;
  bz_stream bz;
  lzma_stream xz = LZMA_STREAM_INIT;
  bool memberOpen = false;  // inside a member or stream whose end has not been seen
  bool zsInit = false, bzInit = false, xzInit = false;
  bool xzEnded = false;  // liblzma has reported the end of the last stream
  ~Inflater() {
    if (zsInit) inflateEnd(&zs);
    if (bzInit) BZ2_bzDecompressEnd(&bz);
    if (xzInit) lzma_end(&xz);
  }
};

namespace {
bool startsWith(const std::vector<char>& data, size_t size, const char* magic, size_t n) {
  return size >= n && std::memcmp(data.data(), magic, n) == 0;
}
const char* name(TextInput::Compression c) {
  switch (c) {
    case TextInput::Compression::Gzip: return "gzip";
    case TextInput::Compression::Bzip2: return "bzip2";
    case TextInput::Compression::Xz: return "xz";
    default: return "plain";
  }
}
}  // namespace

TextInput::TextInput(const std::string& path) : path_(path), in_(kBlock) {
  rejectDirectory(path_);
  file_ = std::fopen(path_.c_str(), "rb");
  if (!file_)
    throw RunError("cannot open " + printable(path_) + " (" + std::strerror(errno) + ")");
  // The first block decides, by the formats' magic bytes.
  std::string error;
  if (!readRaw(error) && !error.empty()) {
    std::fclose(file_);
    file_ = nullptr;
    fail(error);
  }
  rejectOtherCompression();
  if (startsWith(in_, inEnd_, "\x1f\x8b", 2))
    compression_ = Compression::Gzip;
  else if (startsWith(in_, inEnd_, "BZh", 3))
    compression_ = Compression::Bzip2;
  else if (startsWith(in_, inEnd_, "\xfd" "7zXZ\0", 6))
    compression_ = Compression::Xz;
  if (compression_ == Compression::None) {
    plain_.data.swap(in_);
    plain_.size = inEnd_;
    out_ = &plain_;
    inPos_ = inEnd_ = 0;
    return;
  }
  inflater_.reset(new Inflater());
  std::memset(&inflater_->zs, 0, sizeof(inflater_->zs));
  std::memset(&inflater_->bz, 0, sizeof(inflater_->bz));
  bool ok = true;
  if (compression_ == Compression::Gzip) {
    // 16 + 15: gzip wrapper only, the largest window.
    ok = inflater_->zsInit = inflateInit2(&inflater_->zs, 16 + 15) == Z_OK;
  } else if (compression_ == Compression::Xz) {
    ok = inflater_->xzInit =
        lzma_stream_decoder(&inflater_->xz, UINT64_MAX, LZMA_CONCATENATED) == LZMA_OK;
  }
  if (!ok) {
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
  inflater_.reset();
  if (file_) std::fclose(file_);
}

// Downloads also come zipped (BioGRID) or as .zst; read as text they would
// give lines of binary noise, so they are named for what they are.
void TextInput::rejectOtherCompression() {
  static const struct {
    const char* magic;
    size_t size;
    const char* what;
  } kKinds[] = {{"PK\x03\x04", 4, "a zip archive: unzip it"},
                {"\x28\xb5\x2f\xfd", 4, "zstd-compressed: decompress it (unzstd)"}};
  for (const auto& k : kKinds)
    if (inEnd_ >= k.size && std::memcmp(in_.data(), k.magic, k.size) == 0) {
      std::fclose(file_);
      file_ = nullptr;
      throw RunError(printable(path_) + ": is " + k.what + " first (gzip, bzip2 and xz are read as they stand)");
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

// Decodes until some output is made or the data ends. At the end of the
// file the decoder is called once more with no input: only a decoder that
// then makes no progress inside an open member or stream means a cut file.
bool TextInput::inflateBlock(Block& block, std::string& error) {
  size_t made = 0;
  while (made == 0) {
    bool finish = false;
    if (inPos_ == inEnd_ && !readRaw(error)) {
      if (!error.empty()) return false;
      finish = true;
    }
    const size_t before = inPos_;
    const Step step = decodeStep(finish, block.data.data(), block.data.size(), made, error);
    if (step == Step::Error) return false;
    if (step == Step::End) break;
    if (finish && made == 0 && inPos_ == before) {
      error = std::string("the ") + name(compression_) +
              " data ends early (truncated file?); decompress it to see what is missing";
      return false;
    }
  }
  block.size = made;
  return true;
}

TextInput::Step TextInput::decodeStep(bool finish, char* out, size_t room, size_t& made,
                                      std::string& error) {
  Inflater& d = *inflater_;
  const size_t avail = inEnd_ - inPos_;
  char* in = in_.data() + inPos_;
  if (compression_ == Compression::Xz) {
    if (d.xzEnded) return Step::End;
    d.xz.next_in = reinterpret_cast<const uint8_t*>(in);
    d.xz.avail_in = avail;
    d.xz.next_out = reinterpret_cast<uint8_t*>(out);
    d.xz.avail_out = room;
    const lzma_ret ret = lzma_code(&d.xz, finish ? LZMA_FINISH : LZMA_RUN);
    inPos_ = inEnd_ - d.xz.avail_in;
    made = room - d.xz.avail_out;
    switch (ret) {
      case LZMA_OK:
      case LZMA_BUF_ERROR:  // no progress: at the end of the file, a cut stream
        return Step::More;
      case LZMA_STREAM_END:
        d.xzEnded = true;
        return made ? Step::More : Step::End;
      case LZMA_MEM_ERROR:
      case LZMA_MEMLIMIT_ERROR:
        error = "out of memory while decompressing";
        return Step::Error;
      case LZMA_OPTIONS_ERROR:
        error = "xz data with options this reader does not support; decompress it (unxz)";
        return Step::Error;
      default:
        error = "corrupt xz data (decompress it with unxz to see where)";
        return Step::Error;
    }
  }
  // gzip and bzip2: a member or stream starts wherever data follows the last.
  if (!d.memberOpen) {
    if (avail == 0) return finish ? Step::End : Step::More;
    if (compression_ == Compression::Gzip) {
      if (inflateReset(&d.zs) != Z_OK) {
        error = "cannot restart the gzip decoder";
        return Step::Error;
      }
    } else {
      if (d.bzInit) BZ2_bzDecompressEnd(&d.bz);
      std::memset(&d.bz, 0, sizeof(d.bz));
      d.bzInit = BZ2_bzDecompressInit(&d.bz, 0, 0) == BZ_OK;
      if (!d.bzInit) {
        error = "out of memory while decompressing";
        return Step::Error;
      }
    }
    d.memberOpen = true;
  }
  if (compression_ == Compression::Gzip) {
    z_stream& zs = d.zs;
    zs.next_in = reinterpret_cast<Bytef*>(in);
    zs.avail_in = static_cast<uInt>(avail);
    zs.next_out = reinterpret_cast<Bytef*>(out);
    zs.avail_out = static_cast<uInt>(room);
    const int ret = inflate(&zs, Z_NO_FLUSH);
    inPos_ = inEnd_ - zs.avail_in;
    made = room - zs.avail_out;
    if (ret == Z_STREAM_END) {
      d.memberOpen = false;
    } else if (ret == Z_MEM_ERROR) {
      error = "out of memory while decompressing";
      return Step::Error;
    } else if (ret != Z_OK && ret != Z_BUF_ERROR) {
      error = std::string("corrupt gzip data (") + (zs.msg ? zs.msg : "inflate failed") + ")";
      return Step::Error;
    }
    return Step::More;
  }
  bz_stream& bz = d.bz;
  bz.next_in = in;
  bz.avail_in = static_cast<unsigned>(avail);
  bz.next_out = out;
  bz.avail_out = static_cast<unsigned>(room);
  const int ret = BZ2_bzDecompress(&bz);
  inPos_ = inEnd_ - bz.avail_in;
  made = room - bz.avail_out;
  if (ret == BZ_STREAM_END) {
    d.memberOpen = false;
  } else if (ret == BZ_MEM_ERROR) {
    error = "out of memory while decompressing";
    return Step::Error;
  } else if (ret != BZ_OK) {
    error = "corrupt bzip2 data (decompress it with bunzip2 to see where)";
    return Step::Error;
  }
  return Step::More;
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
  if (compression_ == Compression::None) {
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
    if (atStart_) {
      atStart_ = false;
      if (out_->size - outPos_ >= 3 && std::memcmp(out_->data.data() + outPos_, "\xef\xbb\xbf", 3) == 0) {
        outPos_ += 3;
        if (outPos_ == out_->size) continue;
      }
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
