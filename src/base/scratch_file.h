// Scratch storage on disk for large arrays that are written once and read
// back in order (the previous iterate of the power iteration).
#pragma once

#include <cstddef>
#include <vector>

// A copy of a score vector, kept in memory when small and otherwise in an
// unnamed file in the working directory (created and unlinked at once, so
// nothing is left behind however the run ends). When no such file can be
// made the copy stays in memory.
class ScratchCopy {
 public:
  explicit ScratchCopy(size_t inMemoryBytes) : limit_(inMemoryBytes) {}
  ~ScratchCopy();
  ScratchCopy(const ScratchCopy&) = delete;
  ScratchCopy& operator=(const ScratchCopy&) = delete;

  // Replaces the copy by v.
  void save(const std::vector<double>& v);
  void clear();
  bool onDisk() const { return fd_ >= 0; }

  // The sum of |now[q] - copy[q]| over the q where both are non-zero, in
  // ascending q: the change measure of the iteration, bit for bit.
  double changeFrom(const std::vector<double>& now) const;

 private:
  size_t limit_;
  size_t size_ = 0;
  int fd_ = -1;
  std::vector<double> mem_;
};
