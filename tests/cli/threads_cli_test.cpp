#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "cli/run_cli.h"

namespace ltr {
namespace {

using testing::RunCli;

// The printed results do not depend on the thread count, byte for byte: the
// vortices of a run, and a concentration run whose vortices move.
TEST(ThreadsCliTest, OneThreadAndTwoPrintTheSame) {
  const std::vector<std::vector<std::string>> runs = {
      {"vortex", "--max-time", "0.4", "--vortices", "--quiet"},
      {"concentration", "--max-time", "0.1", "--move-vortices", "--particles", "3", "--moments", "4",
       "--seed", "11", "--max-steps", "400", "--vortices", "--quiet"},
  };
  for (const auto& args : runs) {
    auto one = args;
    one.insert(one.end(), {"--threads", "1"});
    auto two = args;
    two.insert(two.end(), {"--threads", "2"});
    const auto a = RunCli(one);
    const auto b = RunCli(two);
    ASSERT_EQ(a.status, 0) << a.err;
    ASSERT_EQ(b.status, 0) << b.err;
    EXPECT_EQ(a.out, b.out) << args[0];
    EXPECT_GT(a.out.size(), 100u);
  }
}

TEST(ThreadsCliTest, FastModeRunsAndBadThreadCountsAreRefused) {
  const auto fast = RunCli({"concentration", "--max-time", "0.1", "--move-vortices", "--particles", "3",
                            "--moments", "4", "--seed", "11", "--max-steps", "400", "--quiet", "--fast"});
  ASSERT_EQ(fast.status, 0) << fast.err;
  const auto j = nlohmann::json::parse(fast.out);
  EXPECT_GT(j["steps"].get<int>(), 0);
  EXPECT_GT(j["free_count"].get<int>(), 0);

  for (const char* bad : {"0", "-1", "x", "1000"}) {
    const auto r = RunCli({"discretize", "--threads", bad});
    EXPECT_EQ(r.status, 2) << bad;
    EXPECT_NE(r.err.find("--threads"), std::string::npos) << r.err;
    EXPECT_TRUE(r.out.empty());
  }
}

}  // namespace
}  // namespace ltr
