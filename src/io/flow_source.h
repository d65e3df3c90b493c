#pragma once
// Where the flow of a case comes from, as every face makes it: the steady
// flow of the bound vortices solved once, a vortex run from time 0 (as the
// Start button makes it), a vortex structure file as it is, or such a file
// continued by a vortex run (as Continue after a load).

#include <functional>
#include <string>

#include "model/model_state.h"
#include "model/observer.h"
#include "model/outcome.h"
#include "solver/vortex_run.h"

namespace ltr {

struct TFlowSource {
  // A vortex structure file to start from; empty: the case's own enclosure.
  std::string File;
  // A vortex run: from time 0 with no free vortices, or, after a file, on
  // from its time and vortices (cut to MaxFree first). Without it the flow of
  // a file is taken as it is, and that of the case's enclosure is the steady
  // flow of its bound vortices.
  bool Run = false;
  int MaxFree = 400;
  double MaxTime = 1.0;
  double Dt = 0.005;
};

// What MakeFlow did.
struct TFlowMade {
  bool Loaded = false;  // the flow came from the file
  bool Ran = false;     // a vortex run was made
};

// Called once a vortex run has passed its checks, before its first step,
// with where it starts.
using TVortexRunStartHook = std::function<void(const TRunStart&)>;

// Makes the flow f of case c, whose enclosure is discretized in f, from the
// source: a file replaces the case's enclosure and switches and the flow (the
// particles of d are emptied); the runs compute as control.Compute says and
// report to ui. Refused (nothing of the file applied) when the file cannot
// be loaded or the run's arguments make no sense; Failed when the run stops
// being finite.
TOutcome MakeFlow(const TFlowSource& source, TCase& c, TFlow& f, TDustRun& d, TRunControl& control, TObserver& ui,
                  TFlowMade& made, const TVortexRunStartHook& beforeRun = {});

}  // namespace ltr
