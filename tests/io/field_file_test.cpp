#include "io/field_file.h"

#include <gtest/gtest.h>

#include <charconv>
#include <sstream>
#include <string>
#include <vector>

#include "model/discretization.h"
#include "solver/vortex_run.h"

namespace ltr {
namespace {

double Number(const std::string& word) {
  double v = 0.0;
  const auto r = std::from_chars(word.data(), word.data() + word.size(), v);
  EXPECT_TRUE(r.ec == std::errc() && r.ptr == word.data() + word.size()) << word;
  return v;
}

class FieldFileTest : public ::testing::Test {
 protected:
  FieldFileTest() {
    s.Area.H = 0.05;
    BuildArea(s.Area, s.Flow());
    s.Delta = s.Area.H / 2;
    TRun run(s.Compute);
    PrepareInfluenceSystem(s.Flow(), run);
    s.Vortices[s.BoundCount] = {{0.4L, 0.3L}, -0.02L};
    s.FreeCount = 1;
    f = ComputeVelocityField(s.Case(), s.Flow(), s.Compute, 7, 5);
  }
  TModelState s;
  TVelocityField f;
};

TEST_F(FieldFileTest, LegacyVtkReadsBackToTheComputedField) {
  std::istringstream in(VelocityFieldVtk(f));
  std::string line;
  std::getline(in, line);
  EXPECT_EQ(line, "# vtk DataFile Version 3.0");
  std::getline(in, line);  // title
  std::getline(in, line);
  EXPECT_EQ(line, "ASCII");
  std::string word;
  std::string a, b, c;
  in >> word >> a;
  EXPECT_EQ(word + " " + a, "DATASET STRUCTURED_POINTS");
  in >> word >> a >> b >> c;
  EXPECT_EQ(word + " " + a + " " + b + " " + c, "DIMENSIONS 7 5 1");
  in >> word >> a >> b >> c;
  EXPECT_EQ(word, "ORIGIN");
  EXPECT_EQ(Number(a), f.X(0));
  EXPECT_EQ(Number(b), f.Y(0));
  in >> word >> a >> b >> c;
  EXPECT_EQ(word, "SPACING");
  // The grid the file describes lies on the computed points.
  EXPECT_NEAR(Number(a) * 6 + f.X(0), f.X(6), 1e-15);
  EXPECT_NEAR(Number(b) * 4 + f.Y(0), f.Y(4), 1e-15);
  in >> word >> a;
  EXPECT_EQ(word + " " + a, "POINT_DATA 35");
  in >> word >> a >> b;
  EXPECT_EQ(word + " " + a + " " + b, "VECTORS velocity double");
  for (size_t k = 0; k < 35; ++k) {
    in >> a >> b >> c;
    ASSERT_EQ(Number(a), f.U[k]) << k;
    ASSERT_EQ(Number(b), f.V[k]) << k;
    ASSERT_EQ(c, "0");
  }
  in >> word >> a >> b >> c;
  EXPECT_EQ(word + " " + a + " " + b + " " + c, "SCALARS speed double 1");
  in >> word >> a;
  EXPECT_EQ(word + " " + a, "LOOKUP_TABLE default");
  for (size_t k = 0; k < 35; ++k) {
    in >> a;
    ASSERT_EQ(Number(a), f.Speed[k]) << k;
  }
  EXPECT_FALSE(in >> word);
}

TEST_F(FieldFileTest, CsvReadsBackToTheComputedFieldAndTheVorticesFileNamesItsPoints) {
  std::istringstream in(VelocityFieldCsv(f));
  std::string line;
  std::getline(in, line);
  EXPECT_EQ(line, "x,y,vx,vy,speed");
  for (int j = 0; j < f.NY; ++j) {
    for (int i = 0; i < f.NX; ++i) {
      ASSERT_TRUE(std::getline(in, line));
      std::vector<double> v;
      std::istringstream cells(line);
      for (std::string cell; std::getline(cells, cell, ',');) v.push_back(Number(cell));
      ASSERT_EQ(v.size(), 5u);
      const size_t k = f.Index(i, j);
      EXPECT_EQ(v[0], f.X(i));
      EXPECT_EQ(v[1], f.Y(j));
      EXPECT_EQ(v[2], f.U[k]);
      EXPECT_EQ(v[3], f.V[k]);
      EXPECT_EQ(v[4], f.Speed[k]);
    }
  }
  EXPECT_FALSE(std::getline(in, line));

  const std::string vtk = VorticesVtk(s.Flow());
  const int n = s.BoundCount + 1;
  EXPECT_NE(vtk.find("DATASET POLYDATA\nPOINTS " + std::to_string(n) + " double\n"), std::string::npos);
  // The free vortex comes last among the points and among the circulations.
  EXPECT_NE(vtk.find("\n0.4 0.3 0\nVERTICES " + std::to_string(n) + " " + std::to_string(2 * n) + "\n"),
            std::string::npos);
  EXPECT_NE(vtk.find("\n-0.02\nSCALARS bound int 1\n"), std::string::npos);
  // Every bound vortex marked 1, the free one 0, and nothing after it.
  std::string bound = "SCALARS bound int 1\nLOOKUP_TABLE default\n";
  for (int k = 0; k < s.BoundCount; ++k) bound += "1\n";
  bound += "0\n";
  ASSERT_GE(vtk.size(), bound.size());
  EXPECT_EQ(vtk.substr(vtk.size() - bound.size()), bound);
  EXPECT_EQ(VorticesFileName("out/flow.vtk"), "out/flow_vortices.vtk");
  EXPECT_EQ(VorticesFileName("a.b/flow"), "a.b/flow_vortices.vtk");
  EXPECT_EQ(VorticesFileName("out/.vtk"), "out/.vtk_vortices.vtk");  // a name, not an extension
}

}  // namespace
}  // namespace ltr
