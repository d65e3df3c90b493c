#pragma once
// Work spread over threads with a fixed partition. Each index is handled by
// exactly one thread and the body must write only what belongs to its index,
// so a result never depends on the number of threads; whatever depends on the
// order stays with the caller, after the loop.

#include <omp.h>

namespace ltr {

// The most threads a computation may be given.
inline constexpr int MaxThreads = 256;

// The threads a computation uses for a setting of n > 0, or of 0: as many as
// OpenMP offers, which is all cores unless OMP_NUM_THREADS says otherwise.
inline int ResolveThreadCount(int setting) {
  if (setting > 0) return setting < MaxThreads ? setting : MaxThreads;
  const int offered = omp_get_max_threads();
  return offered > 0 ? (offered < MaxThreads ? offered : MaxThreads) : 1;
}

// body(i) for i = 0 .. count - 1 on up to `threads` threads, each taking one
// contiguous block of indices. Below `minPerThread` indices per thread the
// loop stays on the calling thread: starting threads would cost more.
template <typename Body>
void ParallelFor(int count, int threads, int minPerThread, const Body& body) {
  if (threads > 1 && count >= 2 * minPerThread) {
    const int used = count / minPerThread < threads ? count / minPerThread : threads;
#pragma omp parallel for schedule(static) num_threads(used)
    for (int i = 0; i < count; ++i) body(i);
  } else {
    for (int i = 0; i < count; ++i) body(i);
  }
}

}  // namespace ltr
