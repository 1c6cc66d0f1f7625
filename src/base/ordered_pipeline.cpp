#include "base/ordered_pipeline.h"

#include <condition_variable>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

void runOrderedPipeline(int workers, long ring, const std::function<bool(long)>& prepare,
                        const std::function<void(long)>& work,
                        const std::function<void(long)>& finish) {
  if (ring < 1) ring = 1;
  std::mutex mutex;
  std::condition_variable changed;
  long prepared = 0, claimed = 0;  // items prepared, items taken by a worker
  bool ended = false, stop = false;
  std::vector<char> worked(ring, 0);  // by slot: work of its item is done
  std::exception_ptr failure;         // an exception may not leave a thread
  auto worker = [&] {
    for (;;) {
      long c;
      {
        std::unique_lock<std::mutex> lock(mutex);
        changed.wait(lock, [&] { return stop || claimed < prepared || ended; });
        if (stop || claimed >= prepared) return;
        c = claimed++;
      }
      try {
        work(c);
      } catch (...) {
        std::lock_guard<std::mutex> lock(mutex);
        if (!failure) failure = std::current_exception();
        stop = true;
        changed.notify_all();
        return;
      }
      {
        std::lock_guard<std::mutex> lock(mutex);
        worked[c % ring] = 1;
      }
      changed.notify_all();
    }
  };
  std::vector<std::thread> pool;
  try {
    for (int t = 0; t < workers; ++t) pool.emplace_back(worker);
  } catch (const std::system_error&) {
    // Fewer workers than asked for; with none, this thread does it all.
  }
  if (pool.empty()) {
    for (long c = 0; prepare(c); ++c) {
      work(c);
      finish(c);
    }
    return;
  }
  auto stopAndJoin = [&] {
    {
      std::lock_guard<std::mutex> lock(mutex);
      stop = true;
    }
    changed.notify_all();
    for (auto& th : pool) th.join();
  };
  try {
    for (long c = 0;; ++c) {
      // Items before c are finished, so slots are free up to item c + ring - 1.
      while (!ended && prepared < c + ring) {
        const bool more = prepare(prepared);
        {
          std::lock_guard<std::mutex> lock(mutex);
          if (more) {
            worked[prepared % ring] = 0;
            ++prepared;
          } else {
            ended = true;
          }
        }
        changed.notify_all();
      }
      if (c >= prepared) break;
      {
        std::unique_lock<std::mutex> lock(mutex);
        changed.wait(lock, [&] { return stop || worked[c % ring]; });
        if (stop) break;
      }
      finish(c);
    }
  } catch (...) {
    stopAndJoin();
    throw;
  }
  stopAndJoin();
  if (failure) std::rethrow_exception(failure);
}
