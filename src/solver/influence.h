#pragma once
// The influence system of the bound circulations: one no-penetration equation
// per calc point plus the zero-total-circulation row.

#include "model/model_state.h"

namespace ltr {

// Allocates and fills Matr ((N+1) x (N+2)) and its pristine copy MatrCopy.
void BuildMatrix(TModelState& s);
// Rewrites the right-hand column of Matr for the current free vortices.
void UpdateRightSide(TModelState& s);
// Solves Matr into Solution, restores Matr from MatrCopy, and stores the bound
// circulations.
void SolveCirculations(TModelState& s);

// Releases Matr, MatrCopy, their factors and Solution at the end of a run.
void ReleaseInfluenceSystem(TModelState& s);

}  // namespace ltr
