#pragma once
// One time step of the vortex simulation: separation lookup, the move of the
// free vortices, shedding, and the re-solve of the bound circulations.

#include "model/model_state.h"

namespace ltr {

void TimeStep(TModelState& s);
void MoveFreeVortices(TModelState& s);

}  // namespace ltr
