// Independent blocks of work spread over the processors, with nothing
// allocated per call: a process-wide set of worker threads, started on first
// use, takes blocks together with the calling thread.
//
// The blocks are handed out in no particular order. A caller that wants the
// same bits whatever the number of threads fixes its blocks independently of
// the thread count, keeps one partial result per block and combines them in
// block order afterwards.
#pragma once

#include <cstddef>

namespace quervik {

// Runs work(context, b) for every b in 0 … blocks-1 and returns when all
// have finished. `threads` caps the threads taking part: 0 means every
// processor, 1 the calling thread alone. While the workers serve another
// call (from another thread, or from inside a block of this one) the call
// runs on the calling thread alone, so calls may nest and race freely.
// When a block throws, blocks not yet begun are left out and, once the
// running ones are done, the first exception is thrown again here.
void ParallelBlocks(std::size_t blocks, unsigned threads, void (*work)(void*, std::size_t),
                    void* context);

// The same with any callable f(std::size_t block).
template <class F>
void ParallelBlocks(std::size_t blocks, unsigned threads, F& f) {
  ParallelBlocks(
      blocks, threads, [](void* c, std::size_t b) { (*static_cast<F*>(c))(b); }, &f);
}

}  // namespace quervik
