#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <filesystem>
#include <iterator>
#include <sstream>
#include <system_error>
#include <nlohmann/json.hpp>

#include "cli/run_cli.h"
#include "io/io_test_support.h"
#include "io/vortex_file.h"
#include "model/discretization.h"

namespace ltr {
namespace {

using testing::RunCli;

nlohmann::json Json(const testing::CliResult& r) { return nlohmann::json::parse(r.out); }

TEST(VortexCliTest, DefaultRunIsCompleteAndRepeatable) {
  const auto first = RunCli({"vortex", "--max-time", "1"});
  ASSERT_EQ(first.status, 0) << first.err;
  const auto j = Json(first);
  EXPECT_EQ(j["time"].get<double>(), 1.0000000000000007);
  EXPECT_EQ(j["steps"], 200);
  EXPECT_EQ(j["free_count"], 400);
  EXPECT_EQ(j["bound_count"], 170);
  EXPECT_LT(std::fabs(j["total_gamma"].get<double>()), 1e-12);
  // Not a terminal: a line now and then while the run lasts (how many depends
  // on the machine's speed), and one short line at its end.
  const std::string last = "Расчет поля скоростей: 200 шагов, время 1,000 сек., свободных вихрей: 400\n";
  ASSERT_GE(first.err.size(), last.size()) << first.err;
  EXPECT_EQ(first.err.substr(first.err.size() - last.size()), last);
  std::istringstream earlier(first.err.substr(0, first.err.size() - last.size()));
  for (std::string line; std::getline(earlier, line);)
    EXPECT_EQ(line.rfind("Расчет поля скоростей: ", 0), 0u) << line;

  const auto second = RunCli({"vortex", "--max-time", "1", "--quiet"});
  ASSERT_EQ(second.status, 0) << second.err;
  EXPECT_EQ(second.out, first.out);
  EXPECT_EQ(second.err, "");
}

TEST(VortexCliTest, ListsAllVorticesInOrder) {
  const std::vector<std::string> args{"vortex", "--set", "H=0.05", "--max-free", "12", "--max-time",
                                      "0,02", "--dt", "0,005", "--vortices", "--quiet"};
  const auto r = RunCli(args);
  ASSERT_EQ(r.status, 0) << r.err;
  const auto j = Json(r);
  EXPECT_EQ(j["steps"], 5);
  EXPECT_EQ(j["bound_count"], 68);
  EXPECT_GE(j["free_count"], 9);  // three points shed per step, up to 12
  EXPECT_LE(j["free_count"], 12);
  const auto& list = j["vortices"];
  ASSERT_EQ(list.size(), 68u + j["free_count"].get<size_t>());
  // The first bound vortex sits in the top left corner.
  EXPECT_EQ(list[0], nlohmann::json({0.0, 0.7, list[0][2]}));
  double total = 0;
  for (const auto& v : list) {
    ASSERT_EQ(v.size(), 3u);
    total += v[2].get<double>();
  }
  EXPECT_NEAR(total, j["total_gamma"].get<double>(), 1e-12);
  EXPECT_EQ(RunCli(args).out, r.out);
}

TEST(VortexCliTest, WithoutMaxTimeSolvesTheSteadyFlow) {
  const auto r = RunCli({"vortex", "--set", "H=0.05", "--separation", "0000"});
  ASSERT_EQ(r.status, 0) << r.err;
  const auto j = Json(r);
  EXPECT_EQ(j["steps"], 0);
  EXPECT_EQ(j["free_count"], 0);
  EXPECT_EQ(j["time"], 0.0);
  EXPECT_EQ(r.err, "");
  // A run in which no point sheds has the same bound circulations.
  const auto run = RunCli({"vortex", "--set", "H=0.05", "--separation", "0000", "--max-time", "0.01",
                           "--quiet", "--vortices"});
  const auto steady = RunCli({"vortex", "--set", "H=0.05", "--separation", "0000", "--vortices"});
  ASSERT_EQ(run.status, 0);
  EXPECT_EQ(Json(run)["vortices"], Json(steady)["vortices"]);
}

TEST(VortexCliTest, RefusesBadRunValues) {
  const std::string kBadDt = "ltr-cli: Шаг по времени должен быть положительным числом\n";
  struct Case {
    std::vector<std::string> args;
    std::string message;
  };
  const Case cases[] = {
      {{"vortex", "--max-time", "1", "--dt", "0"}, kBadDt},
      {{"vortex", "--max-time", "1", "--dt", "-0,005"}, kBadDt},
      {{"vortex", "--max-time", "1", "--dt", "x"}, "ltr-cli: значение --dt не является числом: x\n"},
      {{"vortex", "--max-time", "1e999"},
       "ltr-cli: значение --max-time не является конечным числом: 1e999\n"},
      {{"vortex", "--max-time", "1", "--max-free", "-3"},
       "ltr-cli: Макс. кол-во свободных вихрей должно быть от 0 до 1000000\n"},
      {{"vortex", "--max-free", "ten"}, "ltr-cli: значение --max-free не является целым числом: ten\n"},
      {{"vortex", "--set", "H=0.0005", "--max-time", "1"},
       "ltr-cli: Слишком много присоединенных вихрей для расчета (допускается не более 4000): "
       "увеличьте шаг расчетных точек\n"},
      {{"vortex", "--set", "H=0.0005"},
       "ltr-cli: Слишком много присоединенных вихрей для расчета (допускается не более 4000): "
       "увеличьте шаг расчетных точек\n"},
      {{"streamline", "--step", "0"},
       "ltr-cli: Шаг построения линии тока должен быть положительным числом\n"},
      {{"streamline", "--x", "a"}, "ltr-cli: значение --x не является числом: a\n"},
      {{"streamline", "--max-time", "1", "--dt", "0"}, kBadDt},
  };
  for (const Case& c : cases) {
    const auto r = RunCli(c.args);
    EXPECT_EQ(r.status, 2) << c.args[1];
    EXPECT_EQ(r.err, c.message);
    EXPECT_EQ(r.out, "");
  }
}

TEST(StreamlineCliTest, TracesInTheSteadyOrTheRunFlow) {
  const auto r = RunCli({"streamline", "--set", "H=0.05", "--x", "0.5", "--y", "0.3", "--step", "0.01",
                         "--max-len", "0.1"});
  ASSERT_EQ(r.status, 0) << r.err;
  const auto points = Json(r)["points"];
  // Ten steps of 0.01 add up to just below 0.1 in double precision, so an
  // eleventh is made: the start and 11 points.
  ASSERT_EQ(points.size(), 12u);
  EXPECT_EQ(points[0], nlohmann::json({0.5, 0.3}));
  for (size_t k = 1; k < points.size(); ++k) {
    const double dx = points[k][0].get<double>() - points[k - 1][0].get<double>();
    const double dy = points[k][1].get<double>() - points[k - 1][1].get<double>();
    EXPECT_NEAR(std::hypot(dx, dy), 0.01, 1e-12);
  }

  const auto afterRun = RunCli({"streamline", "--set", "H=0.05", "--max-time", "0.05", "--quiet", "--x",
                                "0.5", "--y", "0.3", "--step", "0.01", "--max-len", "0.1"});
  ASSERT_EQ(afterRun.status, 0) << afterRun.err;
  EXPECT_EQ(afterRun.err, "");
  EXPECT_NE(Json(afterRun)["points"], points);  // the free vortices change the flow

  // A step that leaves the enclosure at once ends on the wall.
  const auto out = RunCli({"streamline", "--set", "H=0.05", "--x", "0.5", "--y", "0.35", "--step", "1"});
  ASSERT_EQ(out.status, 0) << out.err;
  EXPECT_EQ(Json(out)["points"].size(), 2u);
  EXPECT_FALSE(Json(out).contains("step_limit_reached"));
  EXPECT_FALSE(Json(out).contains("flow_computed"));
}

TEST(StreamlineCliTest, ALineCutAtTheStepLimitSaysSo) {
  // A lone free vortex in a large enclosure: the line circles it, and
  // nothing stops a line of 1500 m in steps of 1 mm but the limit of a
  // million steps.
  TModelState s;
  s.Area.H = 0.5;  // few bound vortices: the million steps stay cheap
  s.Area.RoomWidth = 10;  // room enough for the line to circle the vortex inside
  s.Area.RoomHeight = 10;
  BuildArea(s.Area, s.Flow());
  s.FreeCount = 1;
  s.Vortices[s.BoundCount].Pos = {5.0L, 5.0L};
  s.Vortices[s.BoundCount].Gamma = 1.0L;
  const std::string file = "/tmp/ltr-streamline-" + std::to_string(::getpid()) + ".evt";
  std::string error;
  ASSERT_TRUE(WriteVortexStructure(s.Case(), s.Flow(), file, error)) << error;
  const auto r = RunCli({"streamline", "--quiet", "--load", file, "--x", "5.1", "--y", "5", "--step", "0.001",
                         "--max-len", "1500"});
  std::remove(file.c_str());
  ASSERT_EQ(r.status, 0) << r.err;
  const auto j = Json(r);
  EXPECT_EQ(j["points"].size(), 1000001u);
  EXPECT_EQ(j["step_limit_reached"], true);
  EXPECT_FALSE(j.contains("flow_computed"));
}

// Rows of a --history file, after checking its header.
std::vector<std::vector<double>> HistoryRows(const std::string& path) {
  std::istringstream in(testing::ReadWhole(path));
  std::string line;
  std::getline(in, line);
  EXPECT_EQ(line, "step,time,free_vortices,shed,exhausted,exhausted_total,free_gamma");
  std::vector<std::vector<double>> rows;
  while (std::getline(in, line)) {
    std::vector<double> row;
    std::istringstream fields(line);
    std::string field;
    while (std::getline(fields, field, ',')) {
      double v = 0.0;
      const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), v);
      EXPECT_TRUE(error == std::errc() && end == field.data() + field.size()) << line;
      row.push_back(v);
    }
    EXPECT_EQ(row.size(), 7u) << line;
    rows.push_back(row);
  }
  return rows;
}

// A 3 s run on a coarse spacing with room for 150 free vortices: without the
// exhaust the list fills and shedding stops for good; with it vortices leave
// and the separation points go on shedding into the room they free. The
// history accounts for every vortex born and gone, step by step.
TEST(VortexCliTest, VorticesLeavingThroughTheExhaustKeepTheSheddingGoing) {
  testing::TempDir dir;
  const std::vector<std::string> base{"vortex", "--set", "H=0.05", "--max-free", "150", "--max-time", "3",
                                      "--threads", "1", "--quiet", "--history"};
  auto args = [&base](const std::string& file, bool exhaust) {
    std::vector<std::string> a = base;
    a.push_back(file);
    if (exhaust) a.push_back("--exhaust-removal");
    return a;
  };
  const auto stay = RunCli(args(dir.File("stay.csv"), false));
  const auto leave = RunCli(args(dir.File("leave.csv"), true));
  ASSERT_EQ(stay.status, 0) << stay.err;
  ASSERT_EQ(leave.status, 0) << leave.err;
  const auto js = Json(stay);
  const auto jl = Json(leave);
  EXPECT_FALSE(js.contains("exhausted_vortices"));
  EXPECT_LT(std::fabs(jl["total_gamma"].get<double>()), 1e-12);

  for (const bool exhaust : {false, true}) {
    SCOPED_TRACE(exhaust ? "exhaust" : "no exhaust");
    const auto rows = HistoryRows(dir.File(exhaust ? "leave.csv" : "stay.csv"));
    const auto& j = exhaust ? jl : js;
    ASSERT_EQ(rows.size(), 602u);
    EXPECT_EQ(rows[0], (std::vector<double>{0, 0, 0, 0, 0, 0, 0}));
    int shedLate = 0;
    for (size_t i = 1; i < rows.size(); ++i) {
      EXPECT_EQ(rows[i][0], static_cast<double>(i));
      EXPECT_EQ(rows[i][2], rows[i - 1][2] + rows[i][3] - rows[i][4]) << "step " << i;
      EXPECT_EQ(rows[i][5], rows[i - 1][5] + rows[i][4]) << "step " << i;
      EXPECT_LE(rows[i][2], 150);
      if (i > 500) shedLate += static_cast<int>(rows[i][3]);
    }
    EXPECT_EQ(rows.back()[1], j["time"].get<double>());
    EXPECT_EQ(rows.back()[2], j["free_count"].get<double>());
    if (exhaust) {
      EXPECT_EQ(rows.back()[5], jl["exhausted_vortices"].get<double>());
      EXPECT_GT(rows.back()[5], 100);
      EXPECT_GT(shedLate, 20);
    } else {
      EXPECT_EQ(rows.back()[5], 0);
      EXPECT_EQ(rows.back()[2], 150);
      EXPECT_EQ(shedLate, 0);
    }
  }
}

TEST(VortexCliTest, HistoryIsRefusedWithoutARunOrAPlaceToWrite) {
  namespace fs = std::filesystem;
  testing::TempDir dir;
  const auto noRun = RunCli({"vortex", "--history", dir.File("h.csv")});
  EXPECT_EQ(noRun.status, 2);
  EXPECT_EQ(noRun.out, "");
  EXPECT_NE(noRun.err.find("--history"), std::string::npos) << noRun.err;

  // A folder in the way: the run is made, the file is not, and nothing is
  // left behind in the folder.
  fs::create_directory(dir.Path() / "h.csv");
  const auto blocked = RunCli({"vortex", "--set", "H=0.05", "--max-time", "0,01", "--quiet", "--history",
                               dir.File("h.csv")});
  EXPECT_EQ(blocked.status, 2);
  EXPECT_NE(blocked.err.find("Не удалось записать историю расчета в файл"), std::string::npos) << blocked.err;
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 1);
  EXPECT_TRUE(fs::is_directory(dir.Path() / "h.csv"));
}

}  // namespace
}  // namespace ltr
