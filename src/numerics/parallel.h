#pragma once
// Work spread over threads. Each index is handled by exactly one thread and
// the body must write only what belongs to its index, so a result never
// depends on the number of threads or on which thread took which index;
// whatever depends on the order stays with the caller, after the loop.
//
// The threads are the program's own (see parallel.cpp): an idle one sleeps,
// whatever the environment says, so that several programs sharing the cores
// (or more threads than cores) do not slow each other down by spinning; and
// the calling thread takes every part of the work no other thread has begun,
// so a thread that gets no core in time delays nothing.

namespace ltr {

// The most threads a computation may be given.
inline constexpr int MaxThreads = 256;

// The threads a computation uses for a setting of n > 0, or of 0: the
// processors this program may run on, or the first number of OMP_NUM_THREADS
// when that is set.
int ResolveThreadCount(int setting);

namespace detail {

// Runs block(context, b) for b = 0 .. blocks - 1 on the calling thread and up
// to threads - 1 helpers; returns when every block is done.
void RunBlocks(int blocks, int threads, void (*block)(const void* context, int b), const void* context);

}  // namespace detail

// body(i) for i = 0 .. count - 1 on up to `threads` threads, in contiguous
// blocks of indices. Below `minPerThread` indices per thread the loop stays on
// the calling thread: waking threads would cost more.
template <typename Body>
void ParallelFor(int count, int threads, int minPerThread, const Body& body) {
  if (threads > 1 && count >= 2 * minPerThread) {
    const int used = count / minPerThread < threads ? count / minPerThread : threads;
    // A few blocks per thread, each of at least minPerThread indices, so that
    // the threads that start first take over the work of one that starts late.
    const int perThread = 4;
    const int blocks = count / minPerThread < used * perThread ? count / minPerThread : used * perThread;
    struct TJob {
      int count;
      int blocks;
      const Body* body;
    } job{count, blocks, &body};
    detail::RunBlocks(blocks, used, [](const void* context, int b) {
      const TJob& j = *static_cast<const TJob*>(context);
      const long long begin = static_cast<long long>(j.count) * b / j.blocks;
      const long long end = static_cast<long long>(j.count) * (b + 1) / j.blocks;
      for (int i = static_cast<int>(begin); i < static_cast<int>(end); ++i) (*j.body)(i);
    }, &job);
  } else {
    for (int i = 0; i < count; ++i) body(i);
  }
}

}  // namespace ltr
