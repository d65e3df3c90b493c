#include "io/flow_source.h"

#include "io/vortex_commands.h"

namespace ltr {

TOutcome MakeFlow(const TFlowSource& source, TCase& c, TFlow& f, TDustRun& d, TRunControl& control, TObserver& ui,
                  TFlowMade& made, const TVortexRunStartHook& beforeRun) {
  made = {};
  if (!source.File.empty()) {
    TLoadResult loaded;
    if (TOutcome outcome = LoadVortexStructure(c, f, d, ui, source.File, loaded); !outcome) return outcome;
    made.Loaded = true;
    if (!source.Run) return {};  // the stored flow as it is
  } else if (!source.Run) {
    // The flow of the vortices as they are: after a fresh discretization,
    // the bound vortices alone.
    return SolveCurrentFlow(c, f, control.Compute);
  }
  // A fresh run from time 0 with no free vortices, or the loaded state with
  // at most MaxFree free vortices. The run refuses arguments that make no
  // sense before it changes anything or reports any progress.
  TRunStart start;
  if (made.Loaded) {
    if (TOutcome outcome = BeginContinuedRun(c, f, source.MaxFree, source.MaxTime, source.Dt, start); !outcome)
      return outcome;
  }
  if (beforeRun) beforeRun(start);
  TOutcome outcome =
      RunVortices(c, f, control, ui, source.MaxFree, start.FreeCount, start.Time, source.MaxTime, source.Dt);
  made.Ran = outcome.Ok();
  return outcome;
}

}  // namespace ltr
