#pragma once
// One time step of the vortex simulation: separation lookup, the move of the
// free vortices, shedding, and the re-solve of the bound circulations.

#include "model/model_state.h"

namespace ltr {

// One step of the flow f of case c, with the run's influence system and
// scratch: Time is the caller's.
void TimeStep(const TCase& c, TFlow& f, TRun& run);
// The move of the free vortices alone, by one Euler step of f.Dt.
void MoveFreeVortices(const TCase& c, TFlow& f, TRun& run);

}  // namespace ltr
