#include "numerics/parallel.h"

#include <sched.h>

#include <atomic>
#include <charconv>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace ltr {

namespace {

int AvailableProcessors() {
  cpu_set_t set;
  CPU_ZERO(&set);
  if (::sched_getaffinity(0, sizeof set, &set) == 0) {
    const int n = CPU_COUNT(&set);
    if (n > 0) return n;
  }
  const unsigned n = std::thread::hardware_concurrency();
  return n > 0 ? static_cast<int>(n) : 1;
}

// The first number of OMP_NUM_THREADS ("4" or a list such as "4,2"); 0 when
// it is not set or not a positive number.
int EnvironmentThreads() {
  const char* text = std::getenv("OMP_NUM_THREADS");
  if (text == nullptr) return 0;
  while (*text == ' ') ++text;
  int n = 0;
  const char* end = text + std::strlen(text);
  const auto [stop, error] = std::from_chars(text, end, n);
  if (error != std::errc() || stop == text || n < 1) return 0;
  return n;
}

// The threads that help the calling thread. There is one set of them for the
// whole process, as there is one set of processors: it is started on first use,
// grows to the most threads asked for, and keeps nothing of a computation
// from one call to the next. A helper waits on a condition variable, so that
// an idle one takes no processor time at all.
//
// A call is a round: the caller publishes the blocks, wakes the helpers and
// takes blocks itself, one at a time, from a shared counter; so does every
// helper that wakes while blocks are left. Once the caller finds none left it
// closes the round, so a helper that wakes later takes nothing, and it waits
// only for the blocks helpers have begun. Which thread computes which block
// changes nothing in the results: every block writes only its own indices.
class THelpers {
 public:
  THelpers() = default;
  THelpers(const THelpers&) = delete;
  THelpers& operator=(const THelpers&) = delete;

  ~THelpers() {
    {
      std::lock_guard lock(mutex_);
      stop_ = true;
    }
    wake_.notify_all();
    for (std::thread& t : threads_) t.join();
  }

  void Run(int blocks, int threads, void (*block)(const void*, int), const void* context) {
    // One round at a time: a second caller at the same time (or a block that
    // itself runs a loop) computes its blocks alone.
    if (busy_.exchange(true, std::memory_order_acquire)) {
      for (int b = 0; b < blocks; ++b) block(context, b);
      return;
    }
    {
      std::lock_guard lock(mutex_);
      Grow(threads - 1);
      block_ = block;
      context_ = context;
      blocks_ = blocks;
      wanted_ = threads - 1;
      next_.store(0, std::memory_order_relaxed);
      open_ = true;
      ++round_;
    }
    wake_.notify_all();
    try {
      for (int b = next_.fetch_add(1, std::memory_order_relaxed); b < blocks;
           b = next_.fetch_add(1, std::memory_order_relaxed))
        block(context, b);
    } catch (...) {
      // The helpers still work on the caller's data: they finish first.
      next_.store(blocks, std::memory_order_relaxed);
      Close();
      throw;
    }
    Close();
  }

 private:
  // Ends the round: no helper joins it any more, and those in it are done.
  void Close() {
    {
      std::unique_lock lock(mutex_);
      open_ = false;
      finished_.wait(lock, [this] { return inside_ == 0; });
    }
    busy_.store(false, std::memory_order_release);
  }

  // Called with the mutex held.
  void Grow(int helpers) {
    while (static_cast<int>(threads_.size()) < helpers) {
      try {
        threads_.emplace_back([this, index = static_cast<int>(threads_.size())] { Work(index); });
      } catch (const std::system_error&) {
        return;  // no more threads to be had: the caller does the rest
      }
    }
  }

  void Work(int index) {
    std::unique_lock lock(mutex_);
    std::uint64_t seen = round_;
    while (true) {
      wake_.wait(lock, [this, seen] { return stop_ || round_ != seen; });
      if (stop_) return;
      seen = round_;
      if (!open_ || index >= wanted_) continue;
      ++inside_;
      void (*const block)(const void*, int) = block_;
      const void* const context = context_;
      const int blocks = blocks_;
      lock.unlock();
      for (int b = next_.fetch_add(1, std::memory_order_relaxed); b < blocks;
           b = next_.fetch_add(1, std::memory_order_relaxed))
        block(context, b);
      lock.lock();
      if (--inside_ == 0 && !open_) finished_.notify_one();
    }
  }

  std::atomic<bool> busy_{false};
  std::atomic<int> next_{0};  // the next block to take

  // Guarded by mutex_: the round and its description.
  std::mutex mutex_;
  std::condition_variable wake_;      // a new round, or the end
  std::condition_variable finished_;  // the last helper of a closed round is done
  std::vector<std::thread> threads_;
  std::uint64_t round_ = 0;
  bool open_ = false;
  bool stop_ = false;
  int wanted_ = 0;  // helpers 0 .. wanted_ - 1 take part in the round
  int inside_ = 0;  // helpers at work in the round
  void (*block_)(const void*, int) = nullptr;
  const void* context_ = nullptr;
  int blocks_ = 0;
};

THelpers& Helpers() {
  static THelpers helpers;
  return helpers;
}

}  // namespace

int ResolveThreadCount(int setting) {
  if (setting > 0) return setting < MaxThreads ? setting : MaxThreads;
  // Fixed for the life of the process, as the processors are.
  static const int offered = [] {
    const int fromEnvironment = EnvironmentThreads();
    return fromEnvironment > 0 ? fromEnvironment : AvailableProcessors();
  }();
  return offered < MaxThreads ? offered : MaxThreads;
}

namespace detail {

void RunBlocks(int blocks, int threads, void (*block)(const void* context, int b), const void* context) {
  if (threads <= 1 || blocks <= 1) {
    for (int b = 0; b < blocks; ++b) block(context, b);
    return;
  }
  Helpers().Run(blocks, threads, block, context);
}

}  // namespace detail

}  // namespace ltr
