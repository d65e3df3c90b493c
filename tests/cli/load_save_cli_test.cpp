#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <iterator>
#include <nlohmann/json.hpp>
#include <string>

#include "cli/run_cli.h"
#include "io/io_test_support.h"
#include "io/vortex_file.h"
#include "model/discretization.h"

namespace ltr {
namespace {

using testing::RunCli;

std::string TempFile(const std::string& name) {
  return "/tmp/ltr-load-save-" + std::to_string(::getpid()) + "-" + name;
}

TEST(LoadSaveCliTest, SavedRunLoadsBackAndContinues) {
  const std::string file = TempFile("run.evt");
  auto saved = RunCli({"vortex", "--quiet", "--set", "H=0.05", "--max-time", "0.05", "--vortices", "--save", file});
  ASSERT_EQ(saved.status, 0) << saved.err;
  const auto first = nlohmann::json::parse(saved.out);

  // The file holds the state the run left.
  auto info = RunCli({"info", file});
  ASSERT_EQ(info.status, 0) << info.err;
  const auto header = nlohmann::json::parse(info.out);
  EXPECT_EQ(header["free_count"], first["free_count"]);
  EXPECT_EQ(header["time"], first["time"]);
  EXPECT_EQ(header["H"], 0.05);

  // Loaded without a run: the very vortices that were saved. The case's own
  // enclosure is replaced by the file's.
  auto loaded = RunCli({"vortex", "--quiet", "--load", file, "--vortices"});
  ASSERT_EQ(loaded.status, 0) << loaded.err;
  const auto back = nlohmann::json::parse(loaded.out);
  EXPECT_EQ(back["vortices"], first["vortices"]);
  EXPECT_EQ(back["time"], first["time"]);
  EXPECT_EQ(back["steps"], 0);

  // Continued, as the Continue button does: from the stored time on.
  auto continued = RunCli({"vortex", "--quiet", "--load", file, "--max-time", "0.1"});
  ASSERT_EQ(continued.status, 0) << continued.err;
  const auto more = nlohmann::json::parse(continued.out);
  EXPECT_GT(more["time"].get<double>(), 0.1);
  // The stored time goes on by the same additions as an uninterrupted run.
  auto whole = RunCli({"vortex", "--quiet", "--set", "H=0.05", "--max-time", "0.1"});
  ASSERT_EQ(whole.status, 0) << whole.err;
  const auto uninterrupted = nlohmann::json::parse(whole.out);
  EXPECT_EQ(more["time"], uninterrupted["time"]);
  EXPECT_EQ(more["steps"].get<int>(), uninterrupted["steps"].get<int>() - first["steps"].get<int>());
  EXPECT_GT(more["free_count"].get<int>(), first["free_count"].get<int>());

  // A lower maximum cuts the free vortices before the run goes on.
  auto cut = RunCli({"vortex", "--quiet", "--load", file, "--max-free", "3", "--max-time", "0.06"});
  ASSERT_EQ(cut.status, 0) << cut.err;
  EXPECT_EQ(nlohmann::json::parse(cut.out)["free_count"], 3);

  // The other subcommands start from the file as well.
  auto line = RunCli({"streamline", "--quiet", "--load", file, "--x", "0.5", "--y", "0.3", "--step", "0.01",
                      "--max-len", "0.05"});
  ASSERT_EQ(line.status, 0) << line.err;
  EXPECT_GE(nlohmann::json::parse(line.out)["points"].size(), 2u);
  auto dust = RunCli({"concentration", "--quiet", "--load", file, "--particles", "2", "--moments", "2",
                      "--seed", "1"});
  ASSERT_EQ(dust.status, 0) << dust.err;
  EXPECT_EQ(nlohmann::json::parse(dust.out)["free_count"], first["free_count"]);
  std::remove(file.c_str());
}

TEST(LoadSaveCliTest, AFileWithoutFlowIsComputedInAndSaidSo) {
  // The state of a fresh discretization: every circulation zero.
  TModelState fresh;
  fresh.Area.H = 0.05;
  BuildArea(fresh.Area, fresh.Flow());
  const std::string file = TempFile("still.evt");
  std::string error;
  ASSERT_TRUE(WriteVortexStructure(fresh.Case(), fresh.Flow(), file, error)) << error;

  auto dust = RunCli({"concentration", "--quiet", "--load", file, "--particles", "2", "--moments", "2",
                      "--seed", "1", "--max-residence", "0.05"});
  ASSERT_EQ(dust.status, 0) << dust.err;
  const auto j = nlohmann::json::parse(dust.out);
  EXPECT_EQ(j["flow_computed"], false);
  EXPECT_EQ(j["stopped"], false);
  EXPECT_EQ(j["output_concentration"], 0.0);  // in still air nothing reaches the exhaust

  auto line = RunCli({"streamline", "--quiet", "--load", file, "--x", "0.5", "--y", "0.3"});
  ASSERT_EQ(line.status, 0) << line.err;
  const auto l = nlohmann::json::parse(line.out);
  EXPECT_EQ(l["flow_computed"], false);
  EXPECT_EQ(l["points"].size(), 1u);
  EXPECT_FALSE(l.contains("step_limit_reached"));

  // Run on from the file, the flow is there.
  auto run = RunCli({"streamline", "--quiet", "--load", file, "--max-time", "0.01", "--x", "0.5", "--y", "0.3"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_FALSE(nlohmann::json::parse(run.out).contains("flow_computed"));
  std::remove(file.c_str());
}

TEST(LoadSaveCliTest, FilesThatCannotBeReadOrWrittenAreReported) {
  auto missing = RunCli({"vortex", "--quiet", "--load", TempFile("missing.evt")});
  EXPECT_EQ(missing.status, 2);
  EXPECT_NE(missing.err.find("missing.evt"), std::string::npos);

  const std::string junk = TempFile("junk.evt");
  std::FILE* f = std::fopen(junk.c_str(), "wb");
  std::fputs("not a vortex structure", f);
  std::fclose(f);
  auto bad = RunCli({"streamline", "--quiet", "--load", junk, "--x", "0.5", "--y", "0.3", "--step", "0.01",
                     "--max-len", "0.05"});
  EXPECT_EQ(bad.status, 2);
  EXPECT_TRUE(bad.out.empty());
  std::remove(junk.c_str());

  auto unwritable = RunCli({"vortex", "--quiet", "--set", "H=0.05", "--max-time", "0.01", "--save",
                            "/nonexistent-folder/run.evt"});
  EXPECT_EQ(unwritable.status, 2);
  EXPECT_TRUE(unwritable.out.empty());
  EXPECT_NE(unwritable.err.find("run.evt"), std::string::npos);

  // A write that fails after the run (here a file size limit, which would
  // otherwise end the program without a word) is a failure, status 1, with
  // the reason; the old file stays and nothing else is left.
  testing::TempDir dir;
  const std::string saved = dir.File("run.evt");
  const std::string history = dir.File("run.csv");
  std::FILE* old = std::fopen(saved.c_str(), "wb");
  std::fputs("old", old);
  std::fclose(old);
  for (const auto& args : {std::vector<std::string>{"vortex", "--quiet", "--save", saved},
                           {"vortex", "--quiet", "--max-time", "0.05", "--history", history, "--save", saved}}) {
    const auto limited = RunCli(args, 4096);
    EXPECT_EQ(limited.status, 1) << limited.err;
    EXPECT_TRUE(limited.out.empty());
    EXPECT_EQ(limited.err, "ltr-cli: Не удалось сохранить вихревую структуру в файл \"" + saved +
                               "\": файл слишком велик\n");
    EXPECT_EQ(testing::ReadWhole(saved), "old");
    // The history, small enough, is not written without the structure it
    // belongs to.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), std::filesystem::directory_iterator()),
              1);
  }
}

}  // namespace
}  // namespace ltr
