// The thread loop: every index is handled exactly once, however many threads
// are asked for and whoever else calls it at the same time, and a thread that
// waits for work takes no processor time.

#include "numerics/parallel.h"

#include <gtest/gtest.h>

#include <time.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace ltr {
namespace {

TEST(ParallelForTest, EveryIndexOnceForAnyThreadCountAndCaller) {
  for (const int threads : {1, 2, 3, 8}) {
    for (const int count : {0, 1, 7, 64, 1000}) {
      std::vector<std::atomic<int>> seen(static_cast<std::size_t>(count));
      ParallelFor(count, threads, 2, [&seen](int i) { seen[static_cast<std::size_t>(i)].fetch_add(1); });
      for (int i = 0; i < count; ++i) ASSERT_EQ(seen[static_cast<std::size_t>(i)].load(), 1) << threads << " " << i;
    }
  }
  // A loop inside a loop, and two callers at once: each runs its own work.
  std::vector<std::atomic<int>> inner(40 * 40);
  ParallelFor(40, 4, 1, [&inner](int i) {
    ParallelFor(40, 4, 1, [&inner, i](int j) { inner[static_cast<std::size_t>(i * 40 + j)].fetch_add(1); });
  });
  for (const auto& n : inner) ASSERT_EQ(n.load(), 1);
  std::vector<std::atomic<int>> a(5000), b(5000);
  auto run = [](std::vector<std::atomic<int>>& v) {
    for (int round = 0; round < 200; ++round)
      ParallelFor(static_cast<int>(v.size()), 3, 8, [&v](int i) { v[static_cast<std::size_t>(i)].fetch_add(1); });
  };
  std::thread other(run, std::ref(b));
  run(a);
  other.join();
  for (std::size_t i = 0; i < a.size(); ++i) ASSERT_TRUE(a[i].load() == 200 && b[i].load() == 200) << i;
}

double ProcessSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

// Threads that spin while they wait take the cores that other programs (or
// other runs of this one) need; these sleep, whatever the environment asks of
// a threading library. A thousand short loops, each followed by a pause of
// half a millisecond in which no work is given, cost some milliseconds of
// processor time in all (threads that spin through the pauses: over half a
// second, on any machine).
TEST(ParallelForTest, WaitingThreadsTakeNoProcessorTime) {
  std::vector<double> out(64);
  const double before = ProcessSeconds();
  for (int round = 0; round < 1000; ++round) {
    ParallelFor(static_cast<int>(out.size()), 2, 1, [&out, round](int i) { out[static_cast<std::size_t>(i)] = i * round; });
    std::this_thread::sleep_for(std::chrono::microseconds(500));
  }
  EXPECT_LT(ProcessSeconds() - before, 0.25);
  EXPECT_EQ(out[63], 63.0 * 999);
}

}  // namespace
}  // namespace ltr
