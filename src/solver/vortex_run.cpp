#include "solver/vortex_run.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <system_error>
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
  const Extended steps =
      StartTime <= MaxTime ? (static_cast<Extended>(MaxTime) - StartTime) / static_cast<Extended>(Dt) + 1 : 0;
  if (const Extended work = VortexRunWork(steps, N, MaxFree); work > static_cast<Extended>(MaxRunWork))
    return "Расчет поля скоростей слишком велик: около " + WorkText(work) + " операций (" +
           WorkText(std::floor(steps)) + " шагов, до " + std::to_string(N + static_cast<long long>(MaxFree)) +
           " вихрей), допускается не более " + WorkText(MaxRunWork) +
           "; уменьшите макс. время моделирования или макс. кол-во свободных вихрей либо увеличьте шаг по времени";
  return {};
}

Extended VortexRunWork(Extended steps, int N, int maxFree) {
  const Extended vortices = static_cast<Extended>(N) + maxFree;
  const Extended elimination = static_cast<Extended>(N) * N * N / 3;
  return steps * (vortices * vortices + elimination) + elimination;
}

std::string WorkText(Extended work) {
  // Two significant digits are all an estimate has.
  char buffer[32];
  const auto [end, error] =
      std::to_chars(buffer, buffer + sizeof buffer, static_cast<double>(work), std::chars_format::scientific, 1);
  std::string text(buffer, error == std::errc() ? end : buffer);
  for (char& c : text)
    if (c == '.') c = ',';
  return text;
}

std::string NonFiniteRunText(const std::string& what, long long step) {
  return what + (step > 0 ? ": на шаге " + std::to_string(step) : std::string(": до первого шага")) +
         " значения перестали быть конечными числами (проверьте исходные данные)";
}

std::string NonFiniteResultText(const std::string& what) {
  return what + ": значения не являются конечными числами (проверьте исходные данные)";
}

bool VorticesFinite(const TFlow& f) {
  const size_t count =
      std::min(f.Vortices.size(), static_cast<size_t>(f.BoundCount) + static_cast<size_t>(f.FreeCount));
  // Every value is stored, printed and written as a double: beyond the
  // largest double it is as lost as an infinity. A NaN fails every test.
  constexpr Extended largest = std::numeric_limits<double>::max();
  Extended total = 0.0L;
  for (size_t i = 0; i < count; ++i) {
    const TVortex& v = f.Vortices[i];
    if (!(std::fabs(v.Pos.X) <= largest && std::fabs(v.Pos.Y) <= largest && std::fabs(v.Gamma) <= largest))
      return false;
    total += v.Gamma;
  }
  return std::fabs(total) <= largest;
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
  if (!VorticesFinite(f)) return TOutcome::Failure(NonFiniteRunText("Расчет поля скоростей остановлен", 0));
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
  // The circulations the first step starts from.
  if (!VorticesFinite(f)) return TOutcome::Failure(NonFiniteRunText("Расчет поля скоростей остановлен", 0));

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
