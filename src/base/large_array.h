// Large flat arrays (the score vectors of the power iteration, the clustering
// index) are touched for the first time right after they are allocated. On
// Linux a first touch costs a page fault per 4 KiB page, which for arrays of
// hundreds of MiB costs more than the work done on them; asking for
// transparent huge pages turns 512 such faults into one. The contents and
// the results do not depend on it.
#pragma once

#include <sys/mman.h>

#include <cstdint>
#include <new>
#include <utility>
#include <vector>

// Reserves room for n elements and, for a large buffer, advises the kernel
// to back it with huge pages. Call before the elements are first written.
template <class T>
void reserveLarge(std::vector<T>& v, size_t n) {
  v.reserve(n);
  const size_t bytes = n * sizeof(T);
  const uintptr_t huge = uintptr_t(2) << 20;
  if (bytes < 4 * huge) return;
  uintptr_t begin = (reinterpret_cast<uintptr_t>(v.data()) + huge - 1) & ~(huge - 1);
  uintptr_t end = (reinterpret_cast<uintptr_t>(v.data()) + bytes) & ~(huge - 1);
  if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
}

// reserveLarge, then n copies of value.
template <class T>
void assignLarge(std::vector<T>& v, size_t n, const T& value) {
  std::vector<T>().swap(v);
  reserveLarge(v, n);
  v.assign(n, value);
}

// Room for n elements of a trivially copyable T, mapped from the system with
// no fill: a page is provided when first written, so an array sized for the
// worst case costs only what is written. For stores written front to back
// (the factored iteration's rows); release() gives back the pages of a part
// that is read for the last time, which then read as zeros.
template <class T>
class MappedArray {
 public:
  MappedArray() = default;
  explicit MappedArray(size_t n) : size_(n) {
    if (n == 0) return;
    void* p = mmap(nullptr, n * sizeof(T), PROT_READ | PROT_WRITE,
                   MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (p == MAP_FAILED) throw std::bad_alloc();
    data_ = static_cast<T*>(p);
    if (n * sizeof(T) >= (size_t(8) << 20)) madvise(p, n * sizeof(T), MADV_HUGEPAGE);
  }
  ~MappedArray() {
    if (data_) munmap(data_, size_ * sizeof(T));
  }
  MappedArray(MappedArray&& o) noexcept : data_(o.data_), size_(o.size_) {
    o.data_ = nullptr;
    o.size_ = 0;
  }
  MappedArray& operator=(MappedArray&& o) noexcept {
    std::swap(data_, o.data_);
    std::swap(size_, o.size_);
    return *this;
  }
  MappedArray(const MappedArray&) = delete;
  MappedArray& operator=(const MappedArray&) = delete;

  T* data() { return data_; }
  const T* data() const { return data_; }
  size_t size() const { return size_; }
  T& operator[](size_t k) { return data_[k]; }
  const T& operator[](size_t k) const { return data_[k]; }

  // Gives back the whole pages inside elements [from, to).
  void release(size_t from, size_t to) {
    const uintptr_t page = 4096;
    uintptr_t begin = (reinterpret_cast<uintptr_t>(data_ + from) + page - 1) & ~(page - 1);
    uintptr_t end = reinterpret_cast<uintptr_t>(data_ + to) & ~(page - 1);
    if (data_ && end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_DONTNEED);
  }

 private:
  T* data_ = nullptr;
  size_t size_ = 0;
};
