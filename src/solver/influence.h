#pragma once
// The influence system of the bound circulations: one no-penetration equation
// per calc point plus the zero-total-circulation row, built and factored once
// per run into the run's storage and solved again for each right-hand side.

#include "model/model_state.h"

namespace ltr {

// Allocates and fills run.Matr ((N+1) x (N+2)) for the flow f, its pristine
// copy MatrCopy, and factors it.
void BuildMatrix(const TFlow& f, TRun& run);
// Rewrites the right-hand column of run.Matr for the current free vortices.
void UpdateRightSide(const TFlow& f, TRun& run);
// Solves run.Matr into run.Solution, restores Matr from MatrCopy, and stores
// the bound circulations in f.
void SolveCirculations(TFlow& f, TRun& run);

// Releases Matr, MatrCopy, their factors and Solution.
void ReleaseInfluenceSystem(TRun& run);

}  // namespace ltr
