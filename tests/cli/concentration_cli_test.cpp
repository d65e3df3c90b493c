#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <nlohmann/json.hpp>

#include "cli/run_cli.h"
#include "numerics/number_text.h"

namespace ltr {
namespace {

using testing::RunCli;

nlohmann::json Json(const testing::CliResult& r) { return nlohmann::json::parse(r.out); }

// A coarse enclosure and a thin dust: few steps per run.
std::vector<std::string> Coarse(std::vector<std::string> more) {
  std::vector<std::string> args{"concentration", "--set", "H=0.05", "--set", "InputConcentration=3e-6",
                                "--particles", "3", "--moments", "3"};
  args.insert(args.end(), more.begin(), more.end());
  return args;
}

TEST(ConcentrationCliTest, DefaultsCompleteAndASeedRepeatsTheRun) {
  const auto first = RunCli({"concentration", "--seed", "1", "--quiet"});
  ASSERT_EQ(first.status, 0) << first.err;
  EXPECT_EQ(first.err, "");
  const auto j = Json(first);
  EXPECT_EQ(j["stopped"], false);
  EXPECT_NEAR(j["particle_dt"].get<double>(), 0.00016330464, 5e-13);
  EXPECT_EQ(j["free_count"], 0);
  EXPECT_GT(j["steps"].get<long long>(), 10);
  ASSERT_EQ(j["output_fractions"].size(), 2u);
  EXPECT_EQ(j["output_fractions"][0]["lower"], 3e-05);
  EXPECT_EQ(j["output_fractions"][1]["upper"], 7e-05);
  const double shares = j["output_fractions"][0]["share"].get<double>() + j["output_fractions"][1]["share"].get<double>();
  EXPECT_TRUE(shares == 0.0 || std::fabs(shares - 1) < 1e-15);
  EXPECT_GT(j["real_input_concentration"].get<double>(), 0.0);
  EXPECT_LE(j["output_concentration"].get<double>(), j["real_input_concentration"].get<double>());
  EXPECT_TRUE(j["held"].is_number_integer());
  EXPECT_TRUE(j["held_mass_share"].is_number());
  // The steady flow of the bound vortices was solved for the run.
  EXPECT_FALSE(j.contains("flow_computed"));

  const auto second = RunCli({"concentration", "--seed", "1", "--quiet"});
  ASSERT_EQ(second.status, 0) << second.err;
  EXPECT_EQ(second.out, first.out);
}

TEST(ConcentrationCliTest, UnseededRunsDrawTheFixedSequence) {
  const auto a = RunCli(Coarse({"--seed", "none", "--quiet"}));
  const auto b = RunCli(Coarse({"--seed", "none", "--quiet"}));
  const auto c = RunCli(Coarse({"--seed", "7", "--quiet"}));
  ASSERT_EQ(a.status, 0) << a.err;
  ASSERT_EQ(c.status, 0) << c.err;
  EXPECT_EQ(a.out, b.out);
  EXPECT_NE(Json(a)["real_input_concentration"], Json(c)["real_input_concentration"]);
}

TEST(ConcentrationCliTest, StepBoundStopsTheRunWithoutResults) {
  const auto r = RunCli(Coarse({"--seed", "none", "--max-steps", "50"}));
  ASSERT_EQ(r.status, 0) << r.err;
  const auto j = Json(r);
  EXPECT_EQ(j["stopped"], true);
  EXPECT_EQ(j["steps"], 50);
  EXPECT_TRUE(j["output_concentration"].is_null());
  EXPECT_TRUE(j["real_input_concentration"].is_null());
  EXPECT_TRUE(j["output_fractions"].is_null());
  EXPECT_TRUE(j["held"].is_null());
  EXPECT_GT(j["particle_dt"].get<double>(), 0.0);
  // Progress goes to stderr, the JSON alone to stdout.
  EXPECT_NE(r.err.find("Расчет концентрации"), std::string::npos);
}

TEST(ConcentrationCliTest, ResidenceLimitCountsHeldParticles) {
  const auto r = RunCli(Coarse({"--seed", "none", "--max-residence", "0,05", "--quiet"}));
  ASSERT_EQ(r.status, 0) << r.err;
  const auto j = Json(r);
  EXPECT_EQ(j["stopped"], false);
  // 0.05 s is too short for any particle to reach the floor or the exhaust.
  EXPECT_EQ(j["held"], 9);
  EXPECT_NEAR(j["held_mass_share"].get<double>(), 1.0, 1e-15);
  EXPECT_EQ(j["output_concentration"], 0.0);
  EXPECT_EQ(j["output_fractions"][0]["share"], 0.0);

  const auto unlimited = RunCli(Coarse({"--seed", "none", "--max-residence", "0", "--quiet"}));
  const auto generous = RunCli(Coarse({"--seed", "none", "--max-residence", "1000", "--quiet"}));
  ASSERT_EQ(unlimited.status, 0) << unlimited.err;
  EXPECT_EQ(unlimited.out, generous.out);
  EXPECT_EQ(Json(unlimited)["held"], 0);
}

TEST(ConcentrationCliTest, MovingVorticesAfterAVortexRun) {
  const auto r = RunCli(Coarse({"--seed", "3", "--max-time", "0.02", "--max-free", "20", "--move-vortices",
                                "--max-residence", "0.2", "--quiet"}));
  ASSERT_EQ(r.status, 0) << r.err;
  const auto j = Json(r);
  EXPECT_EQ(j["stopped"], false);
  EXPECT_GT(j["free_count"].get<int>(), 0);
  EXPECT_LE(j["free_count"].get<int>(), 20 + 4 * 3);
  EXPECT_FALSE(j.contains("vortices"));

  // --vortices adds the vortex structure the run leaves, and nothing else changes.
  auto args = Coarse({"--seed", "3", "--max-time", "0.02", "--max-free", "20", "--move-vortices",
                      "--max-residence", "0.2", "--quiet", "--vortices"});
  const auto listed = RunCli(args);
  ASSERT_EQ(listed.status, 0) << listed.err;
  auto k = Json(listed);
  const int bound = k["bound_count"].get<int>();
  EXPECT_GT(bound, 0);
  EXPECT_EQ(k["vortices"].size(), static_cast<size_t>(bound + k["free_count"].get<int>()));
  EXPECT_EQ(k["vortices"][0].size(), 3u);
  k.erase("vortices");
  k.erase("bound_count");
  EXPECT_EQ(k, j);
}

// A case file gives the run what the window's pages hold (the counts, the
// moving vortices, the residence limit, the particle step, the time step,
// the vortices through the exhaust) and the vortex structure file beside it:
// the run is that of the same options on the command line.
TEST(ConcentrationCliTest, ACaseFileGivesTheRunItsPageFieldsAndItsFlow) {
  char folder[] = "/tmp/ltr-case-XXXXXX";
  ASSERT_NE(::mkdtemp(folder), nullptr);
  const std::string dir = folder;
  const auto saved = RunCli({"vortex", "--set", "H=0.05", "--max-time", "0.02", "--max-free", "20", "--save",
                             dir + "/run.evt", "--quiet"});
  ASSERT_EQ(saved.status, 0) << saved.err;
  std::ofstream(dir + "/case.json") << R"({"area": {"H": 0.05}, "dust": {"InputConcentration": 3e-6},
      "concentration": {"particles": 3, "moments": 4, "move_vortices": true, "max_residence": 0.2,
                        "particle_step": "auto"},
      "vortex_run": {"dt": 0.004, "exhaust_removal": true}, "vortex_file": "run.evt"})";
  const auto fromCase = RunCli({"concentration", "--case", dir + "/case.json", "--seed", "3", "--quiet"});
  const auto fromOptions =
      RunCli({"concentration", "--set", "H=0.05", "--set", "InputConcentration=3e-6", "--particles", "3", "--moments",
              "4", "--move-vortices", "--max-residence", "0.2", "--particle-step", "auto", "--dt", "0.004",
              "--exhaust-removal", "--load", dir + "/run.evt", "--seed", "3", "--quiet"});
  std::remove((dir + "/case.json").c_str());
  std::remove((dir + "/run.evt").c_str());
  ::rmdir(folder);
  ASSERT_EQ(fromCase.status, 0) << fromCase.err;
  ASSERT_EQ(fromOptions.status, 0) << fromOptions.err;
  EXPECT_EQ(fromCase.out, fromOptions.out);
  EXPECT_TRUE(Json(fromCase).contains("exhausted_vortices"));
}

// --report writes the run's PDF report, which holds its numbers as the
// results window writes them; sweep --report that of the study; a run
// stopped before its results writes none.
TEST(ConcentrationCliTest, ReportsHoldTheNumbersOfTheRunAndOfTheStudy) {
  const std::string pdf = "/tmp/ltr-report-" + std::to_string(::getpid()) + ".pdf";
  const auto run = RunCli(Coarse({"--seed", "4", "--quiet", "--report", pdf}));
  ASSERT_EQ(run.status, 0) << run.err;
  const auto j = Json(run);
  EXPECT_EQ(j["report"], pdf);
  std::string text = testing::PdfText(pdf);
  for (const char* key : {"output_concentration", "real_input_concentration"})
    EXPECT_NE(text.find(FormatFixed(j[key].get<double>(), 8, 7) + " кг/м3"), std::string::npos) << key << "\n" << text;
  EXPECT_NE(text.find("Зерно генератора размеров частиц"), std::string::npos);

  const auto study = RunCli({"sweep", "--set", "H=0.05", "--set", "InputConcentration=3e-6", "--param", "Speed",
                             "--values", "2;3,5", "--particles", "3", "--moments", "3", "--seed", "4", "--quiet",
                             "--report", pdf});
  ASSERT_EQ(study.status, 0) << study.err;
  text = testing::PdfText(pdf);
  for (const char* words : {"Отчет об исследовании", "Скорость в отсосе, м/с (Speed)", "2; 3,5"})
    EXPECT_NE(text.find(words), std::string::npos) << words << "\n" << text;

  std::remove(pdf.c_str());
  const auto stopped = RunCli(Coarse({"--seed", "4", "--quiet", "--max-steps", "5", "--report", pdf}));
  EXPECT_EQ(stopped.status, 1);
  EXPECT_EQ(stopped.out, "");
  EXPECT_FALSE(std::ifstream(pdf).good());
}

// Own particle steps: the run says its model time, which the described run
// leaves out; moving vortices keep --dt.
TEST(ConcentrationCliTest, OwnParticleStepsReportTheirModelTime) {
  const auto described = RunCli(Coarse({"--seed", "2", "--quiet"}));
  ASSERT_EQ(described.status, 0) << described.err;
  EXPECT_FALSE(Json(described).contains("model_time"));
  for (const char* step : {"auto", "0,002"}) {
    const auto own = RunCli(Coarse({"--seed", "2", "--particle-step", step, "--quiet"}));
    ASSERT_EQ(own.status, 0) << own.err;
    const auto j = Json(own);
    EXPECT_FALSE(j["stopped"].get<bool>()) << step;
    EXPECT_GT(j["model_time"].get<double>(), 0.0) << step;
    EXPECT_EQ(j["particle_dt"], Json(described)["particle_dt"]) << step;
  }
  const auto moving = RunCli(Coarse({"--move-vortices", "--dt", "0.01", "--max-residence", "0.1",
                                     "--particle-step", "auto", "--quiet"}));
  ASSERT_EQ(moving.status, 0) << moving.err;
  const double time = Json(moving)["model_time"].get<double>();
  EXPECT_NEAR(time / 0.01, std::nearbyint(time / 0.01), 1e-9);
}

TEST(ConcentrationCliTest, BadInputIsRefusedWithOneLineAndStatusTwo) {
  const std::string gap = "/tmp/ltr-case-" + std::to_string(::getpid()) + "-gap.json";
  std::ofstream(gap) << R"({"dust": {"Fractions": [{"Lower": 1e-5, "Upper": 2e-5, "Share": 0.5},
                                                  {"Lower": 3e-5, "Upper": 4e-5, "Share": 0.5}]}})";
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"concentration", "--particles", "0"}, "должны быть положительными"},
      {{"concentration", "--moments", "x"}, "--moments"},
      {Coarse({"--seed", "-1"}), "--seed"},
      {Coarse({"--max-steps", "0"}), "--max-steps"},
      {Coarse({"--max-residence", "-1"}), "--max-residence"},
      {Coarse({"--set", "KoefK=-0.5"}), "Коэффициент восстановления при ударе"},
      {Coarse({"--case", gap}), "Ошибка в параметрах генератора случайных чисел"},
      {Coarse({"--particle-step", "fast"}), "--particle-step"},
      {Coarse({"--particle-step", "0"}), "--particle-step"},
      {Coarse({"--particle-step", "-0.001"}), "--particle-step"},
      {Coarse({"--particle-step", "nan"}), "--particle-step"},
      {Coarse({"--particle-step", ""}), "--particle-step"},
  };
  for (const auto& [args, text] : cases) {
    const auto r = RunCli(args);
    EXPECT_EQ(r.status, 2) << text;
    EXPECT_EQ(r.out, "") << text;
    EXPECT_NE(r.err.find(text), std::string::npos) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
  }
  std::remove(gap.c_str());
}

}  // namespace
}  // namespace ltr

namespace ltr {
namespace {

// Replicas are the runs of their seeds: the summary holds exactly the results
// of separate runs with --seed S and S + 1, and the first replica's results
// are the output's own.
TEST(ConcentrationCliTest, ReplicasRepeatTheRunWithTheFollowingSeeds) {
  const auto both = RunCli(Coarse({"--seed", "7", "--replicas", "2", "--quiet"}));
  ASSERT_EQ(both.status, 0) << both.err;
  const auto j = Json(both);
  const auto seven = Json(RunCli(Coarse({"--seed", "7", "--quiet"})));
  const auto eight = Json(RunCli(Coarse({"--seed", "8", "--quiet"})));
  const auto& r = j["replicas"];
  EXPECT_EQ(r["count"], 2);
  EXPECT_EQ(r["seeds"], nlohmann::json({7, 8}));
  EXPECT_EQ(r["output_concentration"]["values"],
            nlohmann::json({seven["output_concentration"], eight["output_concentration"]}));
  EXPECT_EQ(r["penetration"]["values"], nlohmann::json({seven["penetration"], eight["penetration"]}));
  EXPECT_EQ(j["output_concentration"], seven["output_concentration"]);
  EXPECT_EQ(j["fates"], seven["fates"]);
  const auto& ci = r["output_concentration"]["ci95"];
  const double mean = r["output_concentration"]["mean"].get<double>();
  EXPECT_LE(ci[0].get<double>(), mean);
  EXPECT_GE(ci[1].get<double>(), mean);

  // The fates of every fraction add up to its injected particles.
  long long injected = 0;
  for (const auto& f : seven["fates"]) {
    EXPECT_EQ(f["injected"].get<long long>(), f["exhausted"].get<long long>() + f["settled"].get<long long>() +
                                                  f["at_rest"].get<long long>() + f["held"].get<long long>());
    injected += f["injected"].get<long long>();
  }
  EXPECT_EQ(injected, 9);

  const auto refused = RunCli(Coarse({"--seed", "none", "--replicas", "2", "--quiet"}));
  EXPECT_EQ(refused.status, 2);
  EXPECT_EQ(std::count(refused.err.begin(), refused.err.end(), '\n'), 1) << refused.err;
  EXPECT_EQ(RunCli(Coarse({"--replicas", "0", "--quiet"})).status, 2);
}

}  // namespace
}  // namespace ltr

namespace ltr {
namespace {

// Averaging over the moments of the flow: the first moment's run is the plain
// run in the flow as it is, the summary is that of the moments, the output
// does not depend on the thread count, and options that make no sense are
// refused with one line and status 2.
TEST(ConcentrationCliTest, SnapshotsAverageTheRunsOfTheFlowsMoments) {
  const std::vector<std::string> flow = {"--max-time", "0.03", "--seed", "7", "--quiet", "--max-residence", "1"};
  auto averaged = [&flow](const std::string& threads) {
    std::vector<std::string> more = flow;
    more.insert(more.end(), {"--snapshots", "2", "--every", "0.01", "--threads", threads});
    const auto r = RunCli(Coarse(more));
    EXPECT_EQ(r.status, 0) << r.err;
    return Json(r);
  };
  const auto one = averaged("1");
  const auto two = averaged("2");
  EXPECT_EQ(one, two);
  const auto plain = Json(RunCli(Coarse(flow)));
  const auto& runs = one["snapshots"]["runs"];
  ASSERT_EQ(runs.size(), 2u);
  EXPECT_EQ(runs[0]["output_concentration"], plain["output_concentration"]);
  EXPECT_EQ(runs[0]["output_concentration_ci95"], plain["output_concentration_ci95"]);
  EXPECT_NEAR(runs[1]["time"].get<double>() - runs[0]["time"].get<double>(), 0.01, 0.0025 + 1e-12);
  EXPECT_EQ(runs[1]["seed"], 8);
  const double mean = (runs[0]["output_concentration"].get<double>() + runs[1]["output_concentration"].get<double>()) / 2;
  EXPECT_DOUBLE_EQ(one["snapshots"]["output_concentration"]["mean"].get<double>(), mean);
  EXPECT_EQ(one["snapshots"]["output_concentration"]["run_ci95_mean"].size(), 2u);
  // The output's own results are those of the last moment.
  EXPECT_EQ(one["output_concentration"], runs[1]["output_concentration"]);

  const std::vector<std::vector<std::string>> refused = {
      {"--snapshots", "2", "--every", "0.01", "--seed", "7"},                    // no flow to go on from
      {"--max-time", "0.01", "--every", "0.01"},                                 // --every alone
      {"--max-time", "0.01", "--snapshots", "2"},                                // no --every
      {"--max-time", "0.01", "--snapshots", "0", "--every", "0.01"},
      {"--max-time", "0.01", "--snapshots", "2", "--every", "0"},
      {"--max-time", "0.01", "--snapshots", "2", "--every", "0.01", "--replicas", "2"},
      {"--max-time", "0.01", "--snapshots", "2", "--every", "0.01", "--seed", "none"},
      {"--max-time", "0.01", "--snapshots", "2", "--every", "0.001"},            // below the vortex step
  };
  for (const auto& args : refused) {
    std::vector<std::string> more = args;
    more.push_back("--quiet");
    const auto r = RunCli(Coarse(more));
    EXPECT_EQ(r.status, 2) << args[1] << args[3];
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
  }
}

}  // namespace
}  // namespace ltr
