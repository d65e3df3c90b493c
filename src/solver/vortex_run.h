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
// The most work a run may ask for, in velocity terms and elimination
// operations (some 10^8 a second on one core): about a day. A run beyond it
// is refused before it starts, with the estimate and the way out.
inline constexpr double MaxRunWork = 2e13;

// The work of a vortex run of `steps` steps with N bound vortices and up to
// `maxFree` free ones: each step sums the velocity of every vortex at every
// free vortex and eliminates the influence system anew; and the first solve.
Extended VortexRunWork(Extended steps, int N, int maxFree);

// How a work estimate is written in a message: "2,4e+15".
std::string WorkText(Extended work);

// The message of a run stopped because its state stopped being finite
// numbers: `what` says which run stopped ("Расчет поля скоростей
// остановлен"), `step` the step (from 1) whose results were not finite, or 0
// for the state the first step would start from.
std::string NonFiniteRunText(const std::string& what, long long step);

// The message of a result that is not written or shown because some of its
// values are not finite numbers: `what` says which ("Поле скоростей не
// записано").
std::string NonFiniteResultText(const std::string& what);

// Whether the bound and free vortices of f (positions and circulations) and
// their total circulation are all finite numbers within the range of doubles,
// as they are stored and written.
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
// changes (Refused, with CheckVortexRunArgs' message). A first solve or a step
// that leaves a vortex not finite (VorticesFinite) ends the run at once
// (Failed, with NonFiniteRunText); the vortices are then left as it made them.
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
// nothing changed, when the system would be too large; Failed (with
// NonFiniteRunText) when the solved circulations are not finite.
TOutcome SolveCurrentFlow(const TCase& c, TFlow& f, const TComputeSettings& compute);

}  // namespace ltr
