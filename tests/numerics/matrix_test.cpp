#include "numerics/matrix.h"

#include <gtest/gtest.h>

namespace ltr {
namespace {

TRealMatr Matrix(std::initializer_list<std::initializer_list<Extended>> rows) {
  TRealMatr m;
  for (const auto& r : rows) m.emplace_back(r);
  return m;
}

TEST(MatrixTest, CreateMatrKeepsValuesInsideTheNewShapeAndZeroesNewOnes) {
  TRealMatr m;
  CreateMatr(m, 2, 2);
  m[0][0] = 1;
  m[1][1] = 2;
  CreateMatr(m, 3, 3);
  ASSERT_EQ(m.size(), 3u);
  EXPECT_EQ(m[0][0], 1.0L);
  EXPECT_EQ(m[1][1], 2.0L);
  EXPECT_EQ(m[0][2], 0.0L);
  EXPECT_EQ(m[2][0], 0.0L);
  FreeMatr(m, 3);
  EXPECT_TRUE(m.empty());
}

TEST(MatrixTest, CopyMatrChecksShapesOnRowZeroAndCopiesNothingOnMismatch) {
  TRealMatr src = Matrix({{1, 2}, {3, 4}, {5, 6}, {7, 8}});
  TRealMatr dst;
  CreateMatr(dst, 3, 2);
  EXPECT_FALSE(CopyMatr(src, dst, 3, 2));  // source has 4 rows
  EXPECT_EQ(dst[0][0], 0.0L);
  src.pop_back();
  EXPECT_FALSE(CopyMatr(src, dst, 3, 3));
  EXPECT_TRUE(CopyMatr(src, dst, 3, 2));
  EXPECT_EQ(dst, src);
  TRealMatr a, b;
  EXPECT_TRUE(CopyMatr(a, b, 0, 5));
}

TEST(MatrixTest, SolvesSmallSystems) {
  TRealArray x(2, 0.0L);
  TRealMatr m = Matrix({{2, 1, 5}, {1, 3, 10}});
  ASSERT_TRUE(SolveGauss(m, 2, x));
  EXPECT_NEAR(static_cast<double>(x[0]), 1.0, 1e-15);
  EXPECT_NEAR(static_cast<double>(x[1]), 3.0, 1e-15);

  TRealArray one(1, 42.0L);
  TRealMatr a = Matrix({{4, 2}});
  ASSERT_TRUE(SolveGauss(a, 1, one));
  EXPECT_EQ(one[0], 0.5L);
}

TEST(MatrixTest, ZeroSizeAndSingularSystems) {
  TRealArray x(1, 42.0L);
  TRealMatr empty;
  EXPECT_TRUE(SolveGauss(empty, 0, x));
  TRealMatr zero = Matrix({{0, 3}});
  EXPECT_FALSE(SolveGauss(zero, 1, x));
  EXPECT_EQ(x[0], 42.0L);
  // An exactly zero column below the diagonal fails; X untouched.
  TRealArray y{7, 8};
  TRealMatr m = Matrix({{1, 2, 3}, {2, 4, 6}});
  EXPECT_FALSE(SolveGauss(m, 2, y));
  EXPECT_EQ(y[0], 7.0L);
  EXPECT_EQ(y[1], 8.0L);
}

TEST(MatrixTest, TinyPivotsAreUsedWithoutTolerance) {
  TRealArray x(1);
  TRealMatr m = Matrix({{1e-300L, 1e-300L}});
  ASSERT_TRUE(SolveGauss(m, 1, x));
  EXPECT_EQ(x[0], 1.0L);
}

TEST(MatrixTest, PivotTiesKeepTheEarlierRowAndRowsMoveByHandle) {
  // Column 0: |1| at the diagonal, then -3 and 3 (a tie below): row 1 is chosen.
  TRealMatr m = Matrix({{1, 1, 1, 6}, {-3, 1, 0, -1}, {3, 0, 1, 6}});
  const Extended* row1 = m[1].data();
  TRealArray x(3);
  ASSERT_TRUE(SolveGauss(m, 3, x));
  EXPECT_EQ(m[0].data(), row1);  // the handle moved, not the elements
  EXPECT_EQ(m[0][0], -3.0L);
  EXPECT_EQ(m[1][0], 0.0L);
  EXPECT_EQ(m[2][0], 0.0L);
  EXPECT_NEAR(static_cast<double>(x[0]), 1.0, 1e-15);
  EXPECT_NEAR(static_cast<double>(x[1]), 2.0, 1e-15);
  EXPECT_NEAR(static_cast<double>(x[2]), 3.0, 1e-15);

  // A diagonal entry tied with a later row stays in place.
  TRealMatr t = Matrix({{2, 1, 3}, {-2, 1, -1}});
  const Extended* row0 = t[0].data();
  TRealArray y(2);
  ASSERT_TRUE(SolveGauss(t, 2, y));
  EXPECT_EQ(t[0].data(), row0);
}

TEST(MatrixTest, SolverTouchesOnlyTheSystemPartOfALargerMatrix) {
  TRealMatr m = Matrix({{2, 4, 99}, {99, 99, 99}});
  TRealArray x(1);
  ASSERT_TRUE(SolveGauss(m, 1, x));
  EXPECT_EQ(x[0], 2.0L);
  EXPECT_EQ(m[1][0], 99.0L);
  EXPECT_EQ(m[0][2], 99.0L);
}

}  // namespace
}  // namespace ltr

namespace ltr {
namespace {

// The factored solve must give the full elimination's values to the bit.
void ExpectFactoredEqualsFull(const TRealMatr& m, int n) {
  TGaussFactors f;
  FactorGauss(m, n, f);
  TRealMatr full = m;
  TRealArray xFull(static_cast<size_t>(n), -7.0L);
  TRealArray xFactored(static_cast<size_t>(n), -7.0L);
  const bool okFull = SolveGauss(full, n, xFull);
  const bool okFactored = SolveFactored(f, m, xFactored);
  ASSERT_EQ(okFull, okFactored);
  for (int i = 0; i < n; ++i) EXPECT_EQ(xFull[i], xFactored[i]) << "row " << i;
}

TEST(FactoredSolveTest, ReplaysTheFullEliminationExactly) {
  // Pivot exchanges at several steps, ties and values that do not divide evenly.
  ExpectFactoredEqualsFull(Matrix({{1, 1, 1, 6}, {-3, 1, 0, -1}, {3, 0, 1, 6}}), 3);
  ExpectFactoredEqualsFull(Matrix({{0.1L, 0.7L, -0.3L, 1.0L / 3},
                                   {0.9L, -0.2L, 0.4L, 0.25L},
                                   {-0.5L, 0.6L, 0.8L, 7.0L}}), 3);
  // A pseudo-random 40 x 40 system, right-hand side changed between solves.
  const int n = 40;
  TRealMatr m;
  CreateMatr(m, n, n + 1);
  unsigned state = 12345;
  auto next = [&state] {
    state = state * 1103515245u + 12345u;
    return static_cast<Extended>(static_cast<int>((state >> 8) % 2001) - 1000) / 997;
  };
  for (auto& row : m)
    for (auto& v : row) v = next();
  TGaussFactors f;
  FactorGauss(m, n, f);
  for (int round = 0; round < 3; ++round) {
    for (int i = 0; i < n; ++i) m[i][n] = next();
    TRealMatr full = m;
    TRealArray a(n), b(n);
    ASSERT_TRUE(SolveGauss(full, n, a));
    ASSERT_TRUE(SolveFactored(f, m, b));
    for (int i = 0; i < n; ++i) ASSERT_EQ(a[i], b[i]);
  }
}

TEST(FactoredSolveTest, SingularSystemsFailAndLeaveTheSolutionAlone) {
  ExpectFactoredEqualsFull(Matrix({{1, 2, 3}, {2, 4, 6}}), 2);
  TGaussFactors f;
  const TRealMatr m = Matrix({{0, 3}});
  FactorGauss(m, 1, f);
  TRealArray x{5};
  EXPECT_FALSE(SolveFactored(f, m, x));
  EXPECT_EQ(x[0], 5.0L);
  TGaussFactors empty;
  TRealMatr none;
  FactorGauss(none, 0, empty);
  EXPECT_TRUE(SolveFactored(empty, none, x));
}

}  // namespace
}  // namespace ltr
