// The stream behind the match-score file's writer and reader: results must
// be taken in stream order whatever order the workers finish in, a slot must
// not be reused while its item is still pending, and a failure must stop the
// stream and reach the caller.
#include "base/ordered_pipeline.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

// Item c's slot holds c squared once worked; items vary in cost, so workers
// finish out of order.
struct Stream {
  long items;
  long ring;
  std::vector<long> slot;
  std::vector<long> finished;
  std::atomic<int> overlap{0};  // items in a slot at once, beyond one
  std::vector<std::atomic<int>> inUse;
  Stream(long n, long r) : items(n), ring(r), slot(r, -1), inUse(r) {}

  void run(int workers) {
    runOrderedPipeline(
        workers, ring,
        [&](long c) {
          if (c >= items) return false;
          if (inUse[c % ring].fetch_add(1) != 0) ++overlap;
          slot[c % ring] = c;
          return true;
        },
        [&](long c) {
          if (c % 7 == 0) std::this_thread::sleep_for(std::chrono::microseconds(200));
          slot[c % ring] = slot[c % ring] * slot[c % ring];
        },
        [&](long c) {
          finished.push_back(slot[c % ring] == c * c ? c : -1);
          inUse[c % ring].fetch_sub(1);
        });
  }
};

}  // namespace

TEST(OrderedPipeline, ItemsAreFinishedInOrderWithTheirOwnSlotWhateverTheWorkers) {
  for (int workers : {0, 1, 2, 4}) {
    for (long ring : {1L, 2L, 5L}) {
      SCOPED_TRACE(testing::Message() << workers << " workers, ring " << ring);
      Stream s(300, ring);
      s.run(workers);
      std::vector<long> expected(300);
      for (long c = 0; c < 300; ++c) expected[c] = c;
      EXPECT_EQ(expected, s.finished);
      EXPECT_EQ(0, s.overlap.load());
    }
  }
  Stream empty(0, 3);
  empty.run(2);
  EXPECT_TRUE(empty.finished.empty());
}

TEST(OrderedPipeline, AFailureStopsTheStreamAndReachesTheCaller) {
  for (int workers : {0, 2}) {
    SCOPED_TRACE(workers);
    // In a worker: nothing at or after the failing item is finished.
    std::vector<long> finished;
    EXPECT_THROW(runOrderedPipeline(
                     workers, 4, [](long c) { return c < 1000; },
                     [](long c) {
                       if (c == 50) throw std::runtime_error("work");
                     },
                     [&](long c) { finished.push_back(c); }),
                 std::runtime_error);
    ASSERT_FALSE(finished.empty());
    EXPECT_LT(finished.back(), 50);
    for (size_t k = 0; k < finished.size(); ++k) EXPECT_EQ((long)k, finished[k]);

    // In finish or in prepare, on the calling thread.
    long prepared = 0;
    EXPECT_THROW(runOrderedPipeline(
                     workers, 4, [&](long c) { return ++prepared, c < 1000; }, [](long) {},
                     [](long c) {
                       if (c == 10) throw std::logic_error("finish");
                     }),
                 std::logic_error);
    EXPECT_LT(prepared, 20);
    EXPECT_THROW(runOrderedPipeline(
                     workers, 4,
                     [](long c) {
                       if (c == 10) throw std::length_error("prepare");
                       return true;
                     },
                     [](long) {}, [](long) {}),
                 std::length_error);
  }
}
