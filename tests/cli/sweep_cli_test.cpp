#include <gtest/gtest.h>

#include <cstdio>
#include <nlohmann/json.hpp>
#include <sstream>

#include "cli/run_cli.h"

namespace ltr {
namespace {

using testing::RunCli;

std::vector<std::string> Coarse(std::vector<std::string> args) {
  for (const char* a : {"--set", "H=0.05", "--set", "InputConcentration=3e-6", "--particles", "3", "--moments", "3",
                        "--seed", "11", "--quiet"})
    args.push_back(a);
  return args;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::vector<std::string> Cells(const std::string& line) {
  std::vector<std::string> cells;
  std::istringstream in(line);
  for (std::string cell; std::getline(in, cell, ',');) cells.push_back(cell);
  return cells;
}

// A row is the concentration run of its value and the seed; parts of a sweep
// concatenate to the whole. A strong exhaust, so that the intervals of the
// concentration and of the penetration stay clear of 0 and each column shows.
TEST(SweepCliTest, RowsAreTheRunsOfTheirValuesAndPartsMakeTheWhole) {
  const auto whole =
      RunCli(Coarse({"sweep", "--set", "Speed=9", "--param", "ExhaustWidth", "--values", "0.1;0,15;0.2"}));
  ASSERT_EQ(whole.status, 0) << whole.err;
  const auto lines = Lines(whole.out);
  ASSERT_EQ(lines.size(), 4u);
  const auto header = Cells(lines[0]);
  EXPECT_EQ(header[1], "value");
  EXPECT_EQ(header[4], "output_concentration");

  const char* values[] = {"0.1", "0.15", "0.2"};
  for (int k = 0; k < 3; ++k) {
    const auto single =
        RunCli(Coarse({"concentration", "--set", "Speed=9", "--set", std::string("ExhaustWidth=") + values[k]}));
    ASSERT_EQ(single.status, 0) << single.err;
    const auto j = nlohmann::json::parse(single.out);
    ASSERT_GT(j["output_concentration_ci95"][0].get<double>(), 0.0);
    const auto row = Cells(lines[k + 1]);
    EXPECT_EQ(row[0], "ExhaustWidth");
    EXPECT_EQ(row[1], values[k]);
    EXPECT_EQ(row[2], "11");
    ASSERT_EQ(row.size(), 12u);
    EXPECT_EQ(std::stod(row[3]), j["real_input_concentration"].get<double>());
    EXPECT_EQ(std::stod(row[4]), j["output_concentration"].get<double>());
    EXPECT_EQ(std::stod(row[5]), j["output_concentration_se"].get<double>());
    EXPECT_EQ(std::stod(row[6]), j["output_concentration_ci95"][0].get<double>());
    EXPECT_EQ(std::stod(row[7]), j["output_concentration_ci95"][1].get<double>());
    EXPECT_EQ(std::stod(row[8]), j["penetration"].get<double>());
    EXPECT_EQ(std::stod(row[9]), j["held_mass_share"].get<double>());
    EXPECT_EQ(std::stod(row[10]), j["output_fractions"][0]["share"].get<double>());
    EXPECT_EQ(std::stod(row[11]), j["output_fractions"][1]["share"].get<double>());
  }

  const auto first = RunCli(
      Coarse({"sweep", "--set", "Speed=9", "--param", "ExhaustWidth", "--values", "0.1;0,15;0.2", "--part", "0/2"}));
  const auto second = RunCli(
      Coarse({"sweep", "--set", "Speed=9", "--param", "ExhaustWidth", "--values", "0.1;0,15;0.2", "--part", "1/2"}));
  ASSERT_EQ(first.status, 0) << first.err;
  ASSERT_EQ(second.status, 0) << second.err;
  const auto a = Lines(first.out), b = Lines(second.out);
  ASSERT_EQ(a.size(), 3u);  // the header and values 0 and 2
  ASSERT_EQ(b.size(), 1u);  // value 1
  EXPECT_EQ(a[0], lines[0]);
  EXPECT_EQ(a[1], lines[1]);
  EXPECT_EQ(b[0], lines[2]);
  EXPECT_EQ(a[2], lines[3]);
}

// An even range runs from --from to --to inclusive: the rows of 1, 1.5 and 2
// exactly.
TEST(SweepCliTest, ARangeEndsOnItsLastValue) {
  const auto range = RunCli(Coarse({"sweep", "--param", "Speed", "--from", "1", "--to", "2", "--steps", "3"}));
  const auto list = RunCli(Coarse({"sweep", "--param", "Speed", "--values", "1,1.5,2"}));
  ASSERT_EQ(range.status, 0) << range.err;
  ASSERT_EQ(list.status, 0) << list.err;
  const auto lines = Lines(range.out);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(Cells(lines[1])[1], "1");
  EXPECT_EQ(Cells(lines[2])[1], "1.5");
  EXPECT_EQ(Cells(lines[3])[1], "2");
  EXPECT_EQ(range.out, list.out);
}

TEST(SweepCliTest, BadSweepsAreRefusedBeforeAnyRun) {
  const std::string flow = "/tmp/ltr-sweep-" + std::to_string(::getpid()) + ".evt";
  ASSERT_EQ(RunCli({"vortex", "--set", "H=0.05", "--save", flow, "--quiet"}).status, 0);
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"sweep", "--param", "Nothing", "--values", "1"},
        {"sweep", "--param", "Speed", "--values", "2,x"},
        {"sweep", "--param", "Speed", "--values", "2", "--from", "1"},
        {"sweep", "--param", "Speed", "--from", "1", "--to", "2"},
        {"sweep", "--param", "Speed", "--from", "1", "--to", "2", "--steps", "1"},
        {"sweep", "--param", "Speed", "--values", "2,1e9"},
        {"sweep", "--param", "Speed", "--values", "2", "--part", "2/2"},
        // A file's flow brings its own enclosure: every row would be the same run.
        {"sweep", "--param", "Speed", "--values", "2,3", "--load", flow}}) {
    const auto r = RunCli(Coarse(args));
    EXPECT_EQ(r.status, 2) << args[3] << " " << args[4];
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
  }
  std::remove(flow.c_str());
}

}  // namespace
}  // namespace ltr
