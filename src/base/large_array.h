// Large flat arrays (the score vectors of the power iteration, the clustering
// index) are touched for the first time right after they are allocated. On
// Linux a first touch costs a page fault per 4 KiB page, which for arrays of
// hundreds of MiB costs more than the work done on them; asking for
// transparent huge pages turns 512 such faults into one. The contents and
// the results do not depend on it.
#pragma once

#include <sys/mman.h>

#include <cstdint>
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
