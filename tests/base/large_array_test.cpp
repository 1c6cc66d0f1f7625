// The mapped array behind the factored iteration's row stores: it starts
// as zeros, keeps what is written, and gives back only whole pages inside a
// released range, which then read as zeros.
#include "base/large_array.h"

#include <gtest/gtest.h>

TEST(MappedArray, ReleasedPagesReadAsZerosAndTheRestKeepsItsValues) {
  const size_t n = 5 * 512 + 100;  // 4 KiB pages of 512 doubles
  MappedArray<double> a(n);
  for (size_t k = 0; k < n; ++k) EXPECT_EQ(0.0, a[k]) << k;
  for (size_t k = 0; k < n; ++k) a[k] = (double)k + 1;
  const size_t offset = (reinterpret_cast<uintptr_t>(a.data()) % 4096) / sizeof(double);
  ASSERT_EQ(0u, offset);  // mmap hands out whole pages
  a.release(300, 3 * 512 + 10);  // pages 1 and 2 lie wholly inside
  for (size_t k = 0; k < n; ++k) {
    const bool released = k >= 512 && k < 3 * 512;
    EXPECT_EQ(released ? 0.0 : (double)k + 1, a[k]) << k;
  }
  MappedArray<double> b(std::move(a));
  EXPECT_EQ(nullptr, a.data());
  EXPECT_EQ(n, b.size());
  EXPECT_EQ(2.0, b[1]);
}
