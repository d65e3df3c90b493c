#include "solver/vortex_run.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "model/discretization.h"
#include "numerics/number_text.h"
#include "solver/influence.h"
#include "solver/time_step.h"

namespace ltr {

namespace {

// The number of bound vortices the run will work with: the current
// discretization for a run that goes on with free vortices, a fresh one of the
// enclosure for a run from none. Beyond MaxRunBoundCount the count is only
// known to be too large.
int RunBoundCount(const TCase& c, const TFlow& f, int StartFreeCount) {
  if (StartFreeCount != 0) return f.BoundCount;
  return BoundCountWithin(c.Area, MaxRunBoundCount);
}

// Sizes the run's arrays and solves the bound circulations for the vortices as
// they are: after a fresh discretization when there are no free vortices.
// True when the enclosure was discretized anew.
bool PrepareRun(const TCase& c, TFlow& f, TRun& run) {
  const bool fresh = f.FreeCount == 0;
  if (fresh) BuildArea(c.Area, f);
  PrepareInfluenceSystem(f, run);
  return fresh;
}

}  // namespace

void PrepareInfluenceSystem(TFlow& f, TRun& run) {
  const int N = f.BoundCount;
  // A continued run may allow more free vortices than Vortices has room for.
  if (static_cast<int>(f.Vortices.size()) < N + f.MaxFreeVortex)
    f.Vortices.resize(static_cast<size_t>(N + f.MaxFreeVortex));
  run.MovedVortices.resize(static_cast<size_t>(f.MaxFreeVortex));
  run.Solution.resize(static_cast<size_t>(N + 1));
  BuildMatrix(f, run);
  // With no free vortices the right side is the one BuildMatrix wrote.
  if (f.FreeCount != 0) UpdateRightSide(f, run);
  SolveCirculations(f, run);
}

TOutcome BeginContinuedRun(const TCase& c, TFlow& f, int MaxFree, double MaxTime, double Dt, TRunStart& start) {
  const int keep = std::min(f.FreeCount, MaxFree);
  if (std::string refusal = CheckVortexRunArgs(c, f, MaxFree, MaxTime, Dt, keep, f.Time); !refusal.empty())
    return TOutcome::Refusal(std::move(refusal));
  f.FreeCount = keep;
  start = {keep, f.Time};
  return {};
}

std::string CheckVortexRunArgs(const TCase& c, const TFlow& f, int MaxFree, double MaxTime, double Dt,
                               int StartFreeCount, double StartTime) {
  if (!std::isfinite(Dt) || !(Dt > 0.0)) return "Шаг по времени должен быть положительным числом";
  if (!std::isfinite(MaxTime)) return "Макс. время моделирования должно быть конечным числом";
  if (!std::isfinite(StartTime)) return "Время начала расчета должно быть конечным числом";
  if (MaxFree < 0 || MaxFree > MaxRunFreeVortex)
    return "Макс. кол-во свободных вихрей должно быть от 0 до " + std::to_string(MaxRunFreeVortex);
  if (StartFreeCount < 0 || StartFreeCount > MaxFree ||
      (StartFreeCount > 0 &&
       static_cast<long long>(f.BoundCount) + StartFreeCount > static_cast<long long>(f.Vortices.size())))
    return "Число свободных вихрей не может превышать макс. кол-во свободных вихрей";
  // Every step must move the time on, or the run would never reach its end:
  // the step must not be smaller than the spacing of doubles near the largest
  // time the run passes through.
  const double largest = std::max(std::fabs(StartTime), std::fabs(MaxTime));
  if (StartTime <= MaxTime && std::nextafter(largest, std::numeric_limits<double>::infinity()) - largest > Dt)
    return "Шаг по времени слишком мал для заданного времени моделирования";
  // The count of steps, (MaxTime - StartTime) / Dt, must stay computable.
  if (StartTime <= MaxTime &&
      (static_cast<Extended>(MaxTime) - StartTime) / static_cast<Extended>(Dt) > static_cast<Extended>(MaxRunSteps))
    return "Слишком много шагов по времени: время моделирования требует более " + std::to_string(static_cast<long long>(MaxRunSteps)) +
           " шагов; увеличьте шаг по времени или уменьшите макс. время моделирования";
  const int N = RunBoundCount(c, f, StartFreeCount);
  if (N > MaxRunBoundCount)
    return "Слишком много присоединенных вихрей для расчета (допускается не более " +
           std::to_string(MaxRunBoundCount) + "): увеличьте шаг расчетных точек";
  return {};
}

std::string NonFiniteRunText(const std::string& what, long long step) {
  return what + ": на шаге " + std::to_string(step) +
         " значения перестали быть конечными числами (проверьте исходные данные)";
}

bool VorticesFinite(const TFlow& f) {
  const size_t count =
      std::min(f.Vortices.size(), static_cast<size_t>(f.BoundCount) + static_cast<size_t>(f.FreeCount));
  // x - x is 0 for every finite x and NaN for an infinity or a NaN.
  for (size_t i = 0; i < count; ++i) {
    const TVortex& v = f.Vortices[i];
    if (!std::isfinite(v.Pos.X - v.Pos.X + v.Pos.Y - v.Pos.Y + v.Gamma - v.Gamma)) return false;
  }
  return true;
}

std::string ElapsedTimeLabel(double time) { return ElapsedTimePrefix + FormatFixed(time, 6, 3) + " сек."; }

std::string VortexRunProgressText(double time, double maxTime) {
  return ElapsedTimePrefix + FormatFixed(time, 6, 3) + " из " + FormatFixed(maxTime, 6, 3) + " сек.";
}

TOutcome SolveCurrentFlow(const TCase& c, TFlow& f, const TComputeSettings& compute) {
  if (std::string error = CheckVortexRunArgs(c, f, f.FreeCount, 0.0, 1.0, f.FreeCount, 0.0); !error.empty())
    return TOutcome::Refusal(std::move(error));
  TRun run(compute);
  PrepareRun(c, f, run);
  return {};
}

TOutcome RunVortices(const TCase& c, TFlow& f, TRunControl& control, TObserver& ui, int MaxFree,
                     int StartFreeCount, double StartTime, double MaxTime, double Dt) {
  if (std::string error = CheckVortexRunArgs(c, f, MaxFree, MaxTime, Dt, StartFreeCount, StartTime); !error.empty())
    return TOutcome::Refusal(std::move(error));

  control.StopVortexRun = false;
  f.Delta = c.Area.H / 2;
  f.MaxFreeVortex = MaxFree;
  f.Dt = Dt;
  f.MaxTime = MaxTime;
  f.Time = StartTime;
  f.FreeCount = StartFreeCount;
  TRun run(control.Compute);
  if (PrepareRun(c, f, run)) ui.SetStatusText(BoundCountText(f.BoundCount));

  long long step = 0;
  while (f.Time <= f.MaxTime) {
    f.Time = ToDouble(static_cast<Extended>(f.Time) + f.Dt);
    TimeStep(c, f, run);
    ++step;
    if (!VorticesFinite(f)) return TOutcome::Failure(NonFiniteRunText("Расчет поля скоростей остановлен", step));
    ui.RedrawRun(f, false);
    ui.SetLabel(TLabel::Time, ElapsedTimeLabel(f.Time));
    ui.SetLabel(TLabel::VortexCount, FreeVortexCountLabel(f.FreeCount));
    ui.VortexRunProgress(f.Time, StartTime, f.MaxTime);
    ui.ProcessMessages();
    if (control.StopVortexRun) break;
  }
  return {};
}

}  // namespace ltr
