#include <gtest/gtest.h>

#include <charconv>
#include <nlohmann/json.hpp>
#include <sstream>

#include "cli/run_cli.h"
#include "io/io_test_support.h"
#include "io/vortex_commands.h"
#include "io/vortex_file.h"
#include "solver/velocity_field.h"

namespace ltr {
namespace {

using testing::ReadWhole;
using testing::RunCli;

// The field of a stored flow, written by ltr-cli, holds the numbers computed
// here for the same vortices; the VTK form comes with its vortex file; bad
// options are refused with one line and status 2, writing nothing.
TEST(FieldCliTest, WritesTheFieldOfAStoredFlowAndRefusesBadOptions) {
  testing::TempDir dir;
  const TModelState stored = testing::StateWithFreeVortices();
  const std::string run = dir.File("run.evt");
  std::string error;
  ASSERT_TRUE(WriteVortexStructure(stored.Case(), stored.Flow(), run, error)) << error;
  TVortexFileContent content;
  ASSERT_TRUE(ReadVortexStructure(run, content, error)) << error;
  TModelState s;
  ApplyVortexStructure(s.Case(), s.Flow(), s.DustRun(), std::move(content));
  const TVelocityField f = ComputeVelocityField(s.Case(), s.Flow(), s.Compute, 6, 4);

  const std::string csv = dir.File("field.csv");
  auto r = RunCli({"field", "--load", run, "--grid", "6", "4", "--threads", "2", "--out", csv});
  ASSERT_EQ(r.status, 0) << r.err;
  const auto j = nlohmann::json::parse(r.out);
  EXPECT_EQ(j["nx"], 6);
  EXPECT_EQ(j["ny"], 4);
  EXPECT_EQ(j["max_speed"].get<double>(), f.MaxSpeed);
  std::istringstream in(ReadWhole(csv));
  std::string line;
  std::getline(in, line);
  EXPECT_EQ(line, "x,y,vx,vy,speed");
  size_t k = 0;
  for (; std::getline(in, line); ++k) {
    std::vector<double> v;
    std::istringstream cells(line);
    for (std::string cell; std::getline(cells, cell, ',');) {
      double x = 0.0;
      std::from_chars(cell.data(), cell.data() + cell.size(), x);
      v.push_back(x);
    }
    ASSERT_EQ(v.size(), 5u);
    ASSERT_LT(k, f.U.size());
    EXPECT_EQ(v[2], f.U[k]) << k;
    EXPECT_EQ(v[3], f.V[k]) << k;
    EXPECT_EQ(v[4], f.Speed[k]) << k;
  }
  EXPECT_EQ(k, 24u);

  const std::string vtk = dir.File("field.vtk");
  r = RunCli({"field", "--load", run, "--grid", "6", "4", "--out", vtk});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(nlohmann::json::parse(r.out)["vortices_out"], dir.File("field_vortices.vtk"));
  EXPECT_EQ(ReadWhole(dir.File("field_vortices.vtk")).rfind("# vtk DataFile Version 3.0\n", 0), 0u);

  for (const std::vector<std::string>& bad :
       {std::vector<std::string>{"field", "--out", dir.File("f.txt")},
        {"field", "--grid", "0", "4", "--out", dir.File("f.csv")},
        {"field", "--grid", "6", "x", "--out", dir.File("f.csv")},
        {"field", "--out", dir.File("no/f.csv")}}) {
    r = RunCli(bad);
    EXPECT_EQ(r.status, 2) << bad[1];
    EXPECT_TRUE(r.out.empty());
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
  }
  EXPECT_TRUE(ReadWhole(dir.File("f.csv")).empty());
}

}  // namespace
}  // namespace ltr
