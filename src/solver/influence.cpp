#include "solver/influence.h"

#include "numerics/fast_velocity.h"
#include "numerics/parallel.h"
#include "solver/velocity.h"

namespace ltr {

void BuildMatrix(const TFlow& f, TRun& run) {
  const int N = f.BoundCount;
  CreateMatr(run.Matr, N + 1, N + 2);
  for (int i = 0; i < N; ++i) {
    const TCalcPoint& c = f.CalcPoints[i];
    TRealArray& row = run.Matr[i];
    for (int j = 0; j < N; ++j) row[j] = InducedVelocity(c.Pos, f.Vortices[j].Pos, c.Normal);
    row[N] = 1.0L;
    row[N + 1] = c.Vn;
  }
  TRealArray& last = run.Matr[N];
  for (int j = 0; j < N; ++j) last[j] = 1.0L;
  last[N] = 0.0L;
  last[N + 1] = 0.0L;
  CreateMatr(run.MatrCopy, N + 1, N + 2);
  CopyMatr(run.Matr, run.MatrCopy, N + 1, N + 2);
  // The coefficients stay for the whole run; only the right-hand side changes.
  FactorGauss(run.Matr, N + 1, run.MatrFactors);
  run.MatrFactored = true;
}

void UpdateRightSide(const TFlow& f, TRun& run) {
  const int N = f.BoundCount;
  const int F = f.FreeCount;
  // Rows are independent; each keeps its own sum in vortex order.
  const int threads = F > 0 ? ResolveThreadCount(run.Compute.Threads) : 1;
  if (run.Compute.Fast && F > 0) {
    // The normal velocity the free vortices induce at each calc point, from
    // the double sums of the fast kernel without a core.
    TFastVortices& field = run.FastFreeVortices;
    field.Resize(static_cast<size_t>(F));
    for (int k = 0; k < F; ++k) {
      field.X[k] = ToDouble(f.Vortices[N + k].Pos.X);
      field.Y[k] = ToDouble(f.Vortices[N + k].Pos.Y);
      field.Gamma[k] = ToDouble(f.Vortices[N + k].Gamma);
    }
    field.CoreRadius = 0.0;
    field.CoreEpsilon = 0.0;
    FastVelocityTarget();  // picks the instruction set before the threads start
    ParallelFor(N, threads, ThreadGrain(run.Compute, F), [&f, &run, &field, N](int i) {
      const TCalcPoint& c = f.CalcPoints[i];
      double u = 0.0;
      double v = 0.0;
      FastVelocityAt(field, ToDouble(c.Pos.X), ToDouble(c.Pos.Y), u, v);
      run.Matr[i][N + 1] = c.Vn - (static_cast<Extended>(u) * c.Normal.X + static_cast<Extended>(v) * c.Normal.Y);
    });
  } else {
    ParallelFor(N, threads, ThreadGrain(run.Compute, F), [&f, &run, N, F](int i) {
      const TCalcPoint& c = f.CalcPoints[i];
      Extended sum = c.Vn;
      for (int k = 0; k < F; ++k) {
        const TVortex& v = f.Vortices[N + k];
        sum = sum - InducedVelocity(c.Pos, v.Pos, c.Normal) * v.Gamma;
      }
      run.Matr[i][N + 1] = sum;
    });
  }
  Extended sum = 0.0L;
  for (int k = 0; k < F; ++k) sum = sum - f.Vortices[N + k].Gamma;
  run.Matr[N][N + 1] = sum;
}

void SolveCirculations(TFlow& f, TRun& run) {
  const int N = f.BoundCount;
  // The run sizes Solution; a caller that did not still gets a sound solve.
  if (static_cast<int>(run.Solution.size()) < N + 1) run.Solution.resize(static_cast<size_t>(N + 1), 0.0L);
  // A singular system leaves Solution as it was; the circulations are then
  // taken from the previous solve.
  // The factored form gives the very values of the full elimination; the full
  // elimination serves a matrix that BuildMatrix did not make.
  if (run.MatrFactored && run.MatrFactors.N == N + 1)
    SolveFactored(run.MatrFactors, run.Matr, run.Solution);
  else
    SolveGauss(run.Matr, N + 1, run.Solution);
  CopyMatr(run.MatrCopy, run.Matr, N + 1, N + 2);
  for (int j = 0; j < N; ++j) f.Vortices[j].Gamma = run.Solution[j];
}

void ReleaseInfluenceSystem(TRun& run) {
  FreeMatr(run.Matr, static_cast<int>(run.Matr.size()));
  FreeMatr(run.MatrCopy, static_cast<int>(run.MatrCopy.size()));
  FreeMatr(run.MatrFactors.LU, run.MatrFactors.N);
  FreeMatr(run.MatrFactors.Multipliers, run.MatrFactors.N);
  run.MatrFactors = TGaussFactors{};
  run.MatrFactored = false;
  run.Solution.clear();
  run.Solution.shrink_to_fit();
}

}  // namespace ltr
