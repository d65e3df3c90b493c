#pragma once
// The run loop of the vortex simulation.

#include <string>

#include "model/model_state.h"
#include "model/observer.h"
#include "model/outcome.h"

namespace ltr {

// The largest influence system a run builds: (N + 1) x (N + 2) extended values
// twice over (about 0.5 GB at this N), eliminated in full at every step.
inline constexpr int MaxRunBoundCount = 4000;
// The largest maximum of free vortices a run accepts.
inline constexpr int MaxRunFreeVortex = 1000000;
// The most time steps a run may need to reach its end; a run asking for more
// could not be computed in any reasonable time and is refused before it starts.
inline constexpr double MaxRunSteps = 1e9;

// The message of a run stopped because its state stopped being finite
// numbers: `what` says which run stopped ("Расчет поля скоростей
// остановлен"), `step` the step
// (from 1) whose results were not finite.
std::string NonFiniteRunText(const std::string& what, long long step);

// Whether the bound and free vortices of f (positions and circulations) are
// all finite numbers.
bool VorticesFinite(const TFlow& f);

// Why a vortex run with these arguments cannot start; empty when it can. The
// defaults of the last two arguments are those of a fresh run (Start).
std::string CheckVortexRunArgs(const TCase& c, const TFlow& f, int MaxFree, double MaxTime, double Dt,
                               int StartFreeCount = 0, double StartTime = 0.0);

// Runs the vortex simulation of the flow f of case c from StartTime with
// StartFreeCount free vortices (from a fresh discretization, reported as the
// status text, when there are none) until Time passes MaxTime or
// control.StopVortexRun is set, computing as control.Compute says. After
// every step it asks ui to redraw, writes the progress labels and lets it
// process messages. Arguments that make no sense are refused before anything
// changes (Refused, with CheckVortexRunArgs' message). A step that leaves a
// vortex not finite ends the run at once (Failed, with NonFiniteRunText); the
// vortices are then left as that step made them.
TOutcome RunVortices(const TCase& c, TFlow& f, TRunControl& control, TObserver& ui, int MaxFree,
                     int StartFreeCount, double StartTime, double MaxTime, double Dt);

// Gives the flow's and the run's arrays room for the bound vortices and
// MaxFreeVortex free ones (Vortices only grows), builds the influence system
// and solves the bound circulations for the free vortices as they are. The
// discretization is left as it is.
void PrepareInfluenceSystem(TFlow& f, TRun& run);

// Where a vortex run starts: the number of free vortices kept and the time.
struct TRunStart {
  int FreeCount = 0;
  double Time = 0.0;
};

// The start of a run that goes on from the flow as it is (Continue): the free
// vortices as they are, cut to the first MaxFree of them. The run is checked
// with that start before anything changes; a refusal leaves every vortex in
// place. Otherwise FreeCount is cut and start holds the arguments for
// RunVortices.
TOutcome BeginContinuedRun(const TCase& c, TFlow& f, int MaxFree, double MaxTime, double Dt, TRunStart& start);

// The time label of the vortex run (lbTime): "Прошло времени: 1,000 сек.".
std::string ElapsedTimeLabel(double time);

// What the progress of a run reports: the model time reached and the maximum.
std::string VortexRunProgressText(double time, double maxTime);

// Solves the bound circulations once for the vortices as they are, as a run
// that makes no step does: with no free vortices, the steady flow of a fresh
// discretization. Time and the run parameters are left alone. Refused, with
// nothing changed, when the system would be too large.
TOutcome SolveCurrentFlow(const TCase& c, TFlow& f, const TComputeSettings& compute);

}  // namespace ltr
