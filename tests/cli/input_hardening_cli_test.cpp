// Inputs a hostile or careless user gives: folders, FIFOs and huge files as
// case files, long unknown names, empty option values, unknown commands.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "cli/run_cli.h"

namespace ltr {
namespace {

using testing::CliResult;
using testing::RunCli;

// One line on stderr, status 2, nothing on stdout.
void ExpectRefusal(const CliResult& r, const std::string& part) {
  EXPECT_EQ(r.status, 2) << r.err;
  EXPECT_TRUE(r.out.empty()) << r.out;
  ASSERT_FALSE(r.err.empty());
  EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
  EXPECT_NE(r.err.find(part), std::string::npos) << r.err;
}

struct Folder {
  Folder() : path("/tmp/ltr-input-" + std::to_string(::getpid())) { std::filesystem::create_directories(path); }
  ~Folder() { std::filesystem::remove_all(path); }
  std::string path;
};

TEST(InputHardeningCliTest, CaseFilesThatAreNoRegularFilesOrTooLargeAreRefusedAtOnce) {
  Folder dir;
  ExpectRefusal(RunCli({"discretize", "--case", dir.path}), "папка");

  // A FIFO nobody writes to would block a plain open forever.
  const std::string fifo = dir.path + "/case.fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const auto start = std::chrono::steady_clock::now();
  ExpectRefusal(RunCli({"discretize", "--case", fifo}), "не обычный файл");
  ExpectRefusal(RunCli({"discretize", "--case", "/dev/zero"}), "не обычный файл");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));

  // Over the size limit: refused before parsing, naming the limit.
  const std::string big = dir.path + "/big.json";
  {
    std::ofstream out(big);
    out << "{\"area\": {\"H\": 0.01}, \"x\": \"" << std::string(1024 * 1024, 'x') << "\"}";
  }
  ExpectRefusal(RunCli({"discretize", "--case", big}), "1 МБ");
  ExpectRefusal(RunCli({"discretize", "--case", dir.path + "/none.json"}), "не существует");
}

TEST(InputHardeningCliTest, LongUnknownNamesAreEchoedCut) {
  Folder dir;
  const std::string longName(5000, 'k');
  const std::string file = dir.path + "/case.json";
  {
    std::ofstream out(file);
    out << "{\"area\": {\"" << longName << "\": 1}}";
  }
  const CliResult r = RunCli({"discretize", "--case", file});
  ExpectRefusal(r, "неизвестное поле area." + std::string(60, 'k') + "…");
  EXPECT_LT(r.err.size(), 300u);

  const CliResult set = RunCli({"discretize", "--set", longName + "=1"});
  ExpectRefusal(set, "неизвестное поле " + std::string(60, 'k') + "…");
  EXPECT_LT(set.err.size(), 300u);
  // Characters, not bytes, are counted, and a control character is not echoed.
  const CliResult cyr = RunCli({"discretize", "--set", std::string("\x1b[2J") + std::string(100, 'x') + "=1"});
  ExpectRefusal(cyr, "неизвестное поле ?[2J" + std::string(56, 'x') + "…");
}

TEST(InputHardeningCliTest, EmptyValuesAndUnknownCommandsAreRefused) {
  ExpectRefusal(RunCli({"vortex", "--save", ""}), "--save");
  ExpectRefusal(RunCli({"vortex", "--max-time", "0.01", "--history", ""}), "--history");
  ExpectRefusal(RunCli({"vortex", "--separation", ""}), "--separation");
  ExpectRefusal(RunCli({"vortex", "--max-time", ""}), "--max-time");
  ExpectRefusal(RunCli({"vortex", "--load", ""}), "--load");
  ExpectRefusal(RunCli({"discretize", "--case", ""}), "--case");
  ExpectRefusal(RunCli({"vortx", "--max-time", "1"}), "неизвестная команда vortx");
  // A known command still runs.
  EXPECT_EQ(RunCli({"discretize"}).status, 0);
}

}  // namespace
}  // namespace ltr

namespace ltr {
namespace {

// A composition that gives no size distribution is refused before the vortex
// run that would come first, not after it.
TEST(InputHardeningCliTest, ABadCompositionIsRefusedBeforeTheVortexRun) {
  const std::string gap = "/tmp/ltr-case-" + std::to_string(::getpid()) + "-gap-run.json";
  std::ofstream(gap) << R"({"dust": {"Fractions": [{"Lower": 1e-5, "Upper": 2e-5, "Share": 0.5},
                                                  {"Lower": 3e-5, "Upper": 4e-5, "Share": 0.5}]}})";
  const auto start = std::chrono::steady_clock::now();
  ExpectRefusal(RunCli({"concentration", "--case", gap, "--max-time", "1000"}),
                "Ошибка в параметрах генератора случайных чисел");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  std::remove(gap.c_str());
}

}  // namespace
}  // namespace ltr
