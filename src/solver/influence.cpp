#include "solver/influence.h"

#include "numerics/parallel.h"
#include "solver/velocity.h"

namespace ltr {

void BuildMatrix(TModelState& s) {
  const int N = s.BoundCount;
  CreateMatr(s.Matr, N + 1, N + 2);
  for (int i = 0; i < N; ++i) {
    const TCalcPoint& c = s.CalcPoints[i];
    TRealArray& row = s.Matr[i];
    for (int j = 0; j < N; ++j) row[j] = InducedVelocity(c.Pos, s.Vortices[j].Pos, c.Normal);
    row[N] = 1.0L;
    row[N + 1] = c.Vn;
  }
  TRealArray& last = s.Matr[N];
  for (int j = 0; j < N; ++j) last[j] = 1.0L;
  last[N] = 0.0L;
  last[N + 1] = 0.0L;
  CreateMatr(s.MatrCopy, N + 1, N + 2);
  CopyMatr(s.Matr, s.MatrCopy, N + 1, N + 2);
  // The coefficients stay for the whole run; only the right-hand side changes.
  FactorGauss(s.Matr, N + 1, s.MatrFactors);
  s.MatrFactored = true;
}

void UpdateRightSide(TModelState& s) {
  const int N = s.BoundCount;
  const int F = s.FreeCount;
  // Rows are independent; each keeps its own sum in vortex order.
  const int threads = F > 0 ? ResolveThreadCount(s.Compute.Threads) : 1;
  ParallelFor(N, threads, 16, [&s, N, F](int i) {
    const TCalcPoint& c = s.CalcPoints[i];
    Extended sum = c.Vn;
    for (int f = 0; f < F; ++f) {
      const TVortex& v = s.Vortices[N + f];
      sum = sum - InducedVelocity(c.Pos, v.Pos, c.Normal) * v.Gamma;
    }
    s.Matr[i][N + 1] = sum;
  });
  Extended sum = 0.0L;
  for (int f = 0; f < F; ++f) sum = sum - s.Vortices[N + f].Gamma;
  s.Matr[N][N + 1] = sum;
}

void SolveCirculations(TModelState& s) {
  const int N = s.BoundCount;
  // The run sizes Solution; a caller that did not still gets a sound solve.
  if (static_cast<int>(s.Solution.size()) < N + 1) s.Solution.resize(static_cast<size_t>(N + 1), 0.0L);
  // A singular system leaves Solution as it was; the circulations are then
  // taken from the previous solve.
  // The factored form gives the very values of the full elimination; the full
  // elimination serves a matrix that BuildMatrix did not make.
  if (s.MatrFactored && s.MatrFactors.N == N + 1)
    SolveFactored(s.MatrFactors, s.Matr, s.Solution);
  else
    SolveGauss(s.Matr, N + 1, s.Solution);
  CopyMatr(s.MatrCopy, s.Matr, N + 1, N + 2);
  for (int j = 0; j < N; ++j) s.Vortices[j].Gamma = s.Solution[j];
}

void ReleaseInfluenceSystem(TModelState& s) {
  FreeMatr(s.Matr, s.BoundCount + 1);
  FreeMatr(s.MatrCopy, s.BoundCount + 1);
  FreeMatr(s.MatrFactors.LU, s.MatrFactors.N);
  FreeMatr(s.MatrFactors.Multipliers, s.MatrFactors.N);
  s.MatrFactors = TGaussFactors{};
  s.MatrFactored = false;
  s.Solution.clear();
  s.Solution.shrink_to_fit();
}

}  // namespace ltr
