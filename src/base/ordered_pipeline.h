// Work on a stream of items by several threads, with the results taken in
// stream order on the calling thread.
#pragma once

#include <functional>

// Items 0, 1, 2, ... pass three steps: prepare(c) on the calling thread in
// order (false: there is no item c and the stream ends there), work(c) on one
// of `workers` threads in any order, and finish(c) on the calling thread in
// order. At most `ring` items are between prepare and the end of finish, so
// item c may keep its data in slot c % ring of the caller's.
//
// An exception from any step stops the stream; it reaches the caller once
// every thread is joined, and no finish runs after it. When no thread can
// be started, every item passes all three steps on the calling thread.
void runOrderedPipeline(int workers, long ring, const std::function<bool(long)>& prepare,
                        const std::function<void(long)>& work,
                        const std::function<void(long)>& finish);
