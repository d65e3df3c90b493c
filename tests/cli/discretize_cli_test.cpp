#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <nlohmann/json.hpp>

#include "cli/run_cli.h"
#include "ltr/version.h"

namespace ltr {
namespace {

using testing::RunCli;

nlohmann::json Json(const testing::CliResult& r) { return nlohmann::json::parse(r.out); }

std::string WriteCase(const std::string& name, const std::string& text) {
  const std::string path = "/tmp/ltr-case-" + std::to_string(::getpid()) + "-" + name + ".json";
  std::ofstream(path) << text;
  return path;
}

TEST(DiscretizeCliTest, PrintsTheCountsOfTheKnownCases) {
  auto r = RunCli({"discretize", "--set", "H=0.05"});
  ASSERT_EQ(r.status, 0) << r.err;
  auto j = Json(r);
  EXPECT_EQ(j["bound_count"], 68);
  EXPECT_EQ(j["rib_counts"], nlohmann::json({1, 6, 13, 1, 4, 9, 20, 14}));

  const std::string square = WriteCase("square",
      R"({"area": {"RoomHeight": 1.0, "RoomWidth": 1.0, "InflowDistance": 0.4, "InflowWidth": 0.2,
                   "ExhaustHeight": 0.4, "ExhaustWidth": 0.2, "H": 0.1}})");
  r = RunCli({"discretize", "--case", square});
  std::remove(square.c_str());
  ASSERT_EQ(r.status, 0) << r.err;
  j = Json(r);
  EXPECT_EQ(j["bound_count"], 40);
  EXPECT_EQ(j["rib_counts"], nlohmann::json({4, 2, 4, 4, 2, 4, 10, 10}));
  EXPECT_EQ(j["status"], "Количество присоединенных вихрей: 40");
}

TEST(DiscretizeCliTest, SetOverridesTheCaseFileAndAcceptsADecimalComma) {
  const std::string path = WriteCase("override", R"({"area": {"H": 0.1}, "separation": [true, true, false, false]})");
  auto r = RunCli({"discretize", "--case", path, "--set", "H=0,05", "--separation", "0111"});
  std::remove(path.c_str());
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Json(r)["bound_count"], 68);
}

TEST(DiscretizeCliTest, BadInputIsRefusedWithOneLineAndStatusTwo) {
  const std::string badJson = WriteCase("bad", "{not json");
  const std::string unknownKey = WriteCase("unknown", R"({"area": {"Height": 1}})");
  const std::string notNumber = WriteCase("nan", R"({"area": {"H": "x"}})");
  const std::string badFractions = WriteCase("fractions",
      R"({"dust": {"Fractions": [{"Lower": 1e-5, "Upper": 2e-5, "Share": 0.5}, {"Lower": 2e-5, "Upper": 3e-5, "Share": 0.4}]}})");
  const std::vector<std::vector<std::string>> cases = {
      {"discretize", "--set", "Nope=1"},
      {"discretize", "--set", "H=abc"},
      {"discretize", "--set", "H"},
      {"discretize", "--set", "InflowWidth=0.96"},  // inflow reaches the right wall
      {"discretize", "--set", "H=0"},
      {"discretize", "--set", "H=1e-9"},  // beyond the spacing's range
      {"discretize", "--separation", "01"},
      {"discretize", "--separation", "01x1"},
      {"discretize", "--case", "/nonexistent/case.json"},
      {"discretize", "--case", badJson},
      {"discretize", "--case", unknownKey},
      {"discretize", "--case", notNumber},
      {"discretize", "--case", badFractions},
      {"discretize", "--no-such-option"},
  };
  for (const auto& args : cases) {
    const auto r = RunCli(args);
    EXPECT_EQ(r.status, 2) << args.back();
    EXPECT_TRUE(r.out.empty()) << args.back();
    ASSERT_FALSE(r.err.empty()) << args.back();
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
  }
  for (const auto& p : {badJson, unknownKey, notNumber, badFractions}) std::remove(p.c_str());
}

// The case is checked as the dialogs check it, with their words, whatever the
// command: a composition that gives no size distribution (a gap between the
// fractions, or fractions in falling order) is refused before any computation.
TEST(DiscretizeCliTest, ACaseIsRefusedWithTheDialogsMessages) {
  const std::string gap = WriteCase("gap-composition",
      R"({"dust": {"Fractions": [{"Lower": 1e-5, "Upper": 2e-5, "Share": 0.5},
                                {"Lower": 3e-5, "Upper": 4e-5, "Share": 0.5}]}})");
  const std::string unordered = WriteCase("unordered-composition",
      R"({"dust": {"Fractions": [{"Lower": 3e-5, "Upper": 4e-5, "Share": 0.5},
                                {"Lower": 1e-5, "Upper": 3e-5, "Share": 0.5}]}})");
  const std::string one = WriteCase("one-fraction",
      R"({"dust": {"Fractions": [{"Lower": 1e-5, "Upper": 2e-5, "Share": 1}]}})");
  const std::string generator = "Ошибка в параметрах генератора случайных чисел";
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"discretize", "--case", gap}, generator},
      {{"discretize", "--case", unordered}, generator},
      {{"vortex", "--case", gap, "--max-time", "1000"}, generator},
      {{"vortex", "--case", unordered}, generator},
      {{"concentration", "--case", unordered}, generator},
      {{"discretize", "--case", one}, "Значение поля «Количество фракций» должно быть от 2 до 100"},
      {{"discretize", "--set", "H=1e-9"}, "Параметры заданы некорректно"},
      {{"discretize", "--set", "ParticleDensity=0"}, "Плотность пылевых частиц должна быть положительным числом"},
  };
  for (const auto& [args, message] : cases) {
    const auto r = RunCli(args);
    EXPECT_EQ(r.status, 2) << args[0] << " " << args.back();
    EXPECT_TRUE(r.out.empty()) << r.out;
    EXPECT_EQ(r.err, "ltr-cli: " + message + "\n") << args[0] << " " << args.back();
  }
  for (const auto& p : {gap, unordered, one}) std::remove(p.c_str());

  const auto version = RunCli({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, std::string("ltr-cli ") + VersionText + "\n");
}

TEST(DiscretizeCliTest, InflowSpeedIsDerivedUnlessGiven) {
  // A doubled exhaust speed doubles the derived inflow speed; the counts stay.
  auto r = RunCli({"discretize", "--set", "Speed=6"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Json(r)["bound_count"], 170);
  r = RunCli({"discretize", "--set", "InflowSpeed=-1"});
  EXPECT_EQ(r.status, 2);

  // Given in a case file, it is kept (and the file of a run stores it), as
  // are the switches of --separation, each in its own place.
  const std::string path = WriteCase("inflow", R"({"area": {"InflowSpeed": 1.5}})");
  const std::string saved = path + ".evt";
  r = RunCli({"vortex", "--quiet", "--case", path, "--set", "H=0.1", "--separation", "1101", "--max-time", "0.005",
              "--save", saved});
  ASSERT_EQ(r.status, 0) << r.err;
  r = RunCli({"info", saved});
  std::remove(path.c_str());
  std::remove(saved.c_str());
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Json(r)["InflowSpeed"].get<double>(), 1.5);
  EXPECT_EQ(Json(r)["separation"], nlohmann::json({true, true, false, true}));
}

}  // namespace
}  // namespace ltr
