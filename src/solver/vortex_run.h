#pragma once
// The run loop of the vortex simulation.

#include <string>

#include "model/model_state.h"

namespace ltr {

// Why a vortex run with these arguments cannot start; empty when it can.
std::string CheckVortexRunArgs(const TModelState& s, int MaxFree, double MaxTime, double Dt);

// Runs the vortex simulation from StartTime with StartFreeCount free vortices
// until Time passes MaxTime or StopVortexRun is set. After every step it asks
// the observer to redraw, writes the progress labels and lets it process
// messages. Arguments that make no sense are refused before anything changes:
// the message goes to the observer and the result is false.
bool RunVortices(TModelState& s, int MaxFree, int StartFreeCount, double StartTime, double MaxTime,
                 double Dt);

}  // namespace ltr
