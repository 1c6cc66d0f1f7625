// A barrier for sweep threads that meet once per row: waits are short, so it
// spins briefly before yielding instead of sleeping on a condition variable.
#pragma once

#include <atomic>
#include <thread>

class SpinBarrier {
 public:
  explicit SpinBarrier(int parties) : parties_(parties) {}
  void wait() {
    const int gen = generation_.load(std::memory_order_acquire);
    if (arrived_.fetch_add(1, std::memory_order_acq_rel) == parties_ - 1) {
      arrived_.store(0, std::memory_order_relaxed);
      generation_.fetch_add(1, std::memory_order_release);
      return;
    }
    int spins = 0;
    while (generation_.load(std::memory_order_acquire) == gen)
      if (++spins > 256) std::this_thread::yield();
  }

 private:
  const int parties_;
  std::atomic<int> arrived_{0};
  std::atomic<int> generation_{0};
};
