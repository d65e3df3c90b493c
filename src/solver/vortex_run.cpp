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
int RunBoundCount(const TModelState& s, int StartFreeCount) {
  if (StartFreeCount != 0) return s.BoundCount;
  return BoundCountWithin(s.Area, MaxRunBoundCount);
}

// Sizes the run's arrays and solves the bound circulations for the vortices as
// they are: after a fresh discretization when there are no free vortices.
void PrepareRun(TModelState& s) {
  if (s.FreeCount == 0) BuildArea(s);
  PrepareInfluenceSystem(s);
}

}  // namespace

void PrepareInfluenceSystem(TModelState& s) {
  const int N = s.BoundCount;
  // A continued run may allow more free vortices than Vortices has room for.
  if (static_cast<int>(s.Vortices.size()) < N + s.MaxFreeVortex)
    s.Vortices.resize(static_cast<size_t>(N + s.MaxFreeVortex));
  s.MovedVortices.resize(static_cast<size_t>(s.MaxFreeVortex));
  s.Solution.resize(static_cast<size_t>(N + 1));
  BuildMatrix(s);
  // With no free vortices the right side is the one BuildMatrix wrote.
  if (s.FreeCount != 0) UpdateRightSide(s);
  SolveCirculations(s);
}

void ReleaseInfluenceRun(TModelState& s) {
  s.MovedVortices.clear();
  s.MovedVortices.shrink_to_fit();
  ReleaseInfluenceSystem(s);
}

TOutcome BeginContinuedRun(TModelState& s, int MaxFree, double MaxTime, double Dt, TRunStart& start) {
  const int keep = std::min(s.FreeCount, MaxFree);
  if (std::string refusal = CheckVortexRunArgs(s, MaxFree, MaxTime, Dt, keep, s.Time); !refusal.empty())
    return TOutcome::Refusal(std::move(refusal));
  s.FreeCount = keep;
  start = {keep, s.Time};
  return {};
}

std::string CheckVortexRunArgs(const TModelState& s, int MaxFree, double MaxTime, double Dt,
                               int StartFreeCount, double StartTime) {
  if (!std::isfinite(Dt) || !(Dt > 0.0)) return "Шаг по времени должен быть положительным числом";
  if (!std::isfinite(MaxTime)) return "Макс. время моделирования должно быть конечным числом";
  if (!std::isfinite(StartTime)) return "Время начала расчета должно быть конечным числом";
  if (MaxFree < 0 || MaxFree > MaxRunFreeVortex)
    return "Макс. кол-во свободных вихрей должно быть от 0 до " + std::to_string(MaxRunFreeVortex);
  if (StartFreeCount < 0 || StartFreeCount > MaxFree ||
      (StartFreeCount > 0 &&
       static_cast<long long>(s.BoundCount) + StartFreeCount > static_cast<long long>(s.Vortices.size())))
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
  const int N = RunBoundCount(s, StartFreeCount);
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

bool VorticesFinite(const TModelState& s) {
  const size_t count = std::min(s.Vortices.size(), static_cast<size_t>(s.BoundCount) + static_cast<size_t>(s.FreeCount));
  // Every value is stored, printed and written as a double: beyond the
  // largest double it is as lost as an infinity. A NaN fails every test.
  constexpr Extended largest = std::numeric_limits<double>::max();
  Extended total = 0.0L;
  for (size_t i = 0; i < count; ++i) {
    const TVortex& v = s.Vortices[i];
    if (!(std::fabs(v.Pos.X) <= largest && std::fabs(v.Pos.Y) <= largest && std::fabs(v.Gamma) <= largest))
      return false;
    total += v.Gamma;
  }
  return std::fabs(total) <= largest;
}

std::string ElapsedTimeLabel(double time) { return "Прошло времени: " + FormatFixed(time, 6, 3) + " сек."; }

std::string VortexRunProgressText(double time, double maxTime) {
  return "Прошло времени: " + FormatFixed(time, 6, 3) + " из " + FormatFixed(maxTime, 6, 3) + " сек.";
}

TOutcome SolveCurrentFlow(TModelState& s) {
  if (std::string error = CheckVortexRunArgs(s, s.FreeCount, 0.0, 1.0, s.FreeCount, 0.0); !error.empty())
    return TOutcome::Refusal(std::move(error));
  PrepareRun(s);
  ReleaseInfluenceSystem(s);
  if (!VorticesFinite(s)) return TOutcome::Failure(NonFiniteRunText("Расчет поля скоростей остановлен", 0));
  return {};
}

TOutcome RunVortices(TModelState& s, int MaxFree, int StartFreeCount, double StartTime, double MaxTime,
                     double Dt) {
  if (std::string error = CheckVortexRunArgs(s, MaxFree, MaxTime, Dt, StartFreeCount, StartTime); !error.empty())
    return TOutcome::Refusal(std::move(error));

  s.StopVortexRun = false;
  s.Delta = s.Area.H / 2;
  s.MaxFreeVortex = MaxFree;
  s.Dt = Dt;
  s.MaxTime = MaxTime;
  s.Time = StartTime;
  s.FreeCount = StartFreeCount;
  PrepareRun(s);
  // The circulations the first step starts from.
  if (!VorticesFinite(s)) {
    ReleaseInfluenceSystem(s);
    return TOutcome::Failure(NonFiniteRunText("Расчет поля скоростей остановлен", 0));
  }

  long long step = 0;
  while (s.Time <= s.MaxTime) {
    s.Time = ToDouble(static_cast<Extended>(s.Time) + s.Dt);
    TimeStep(s);
    ++step;
    TObserver& ui = s.Ui();
    if (!VorticesFinite(s)) {
      ReleaseInfluenceSystem(s);
      return TOutcome::Failure(NonFiniteRunText("Расчет поля скоростей остановлен", step));
    }
    ui.RedrawRun(s, false);
    ui.SetLabel(TLabel::Time, ElapsedTimeLabel(s.Time));
    ui.SetLabel(TLabel::VortexCount, "Свободных вихрей: " + std::to_string(s.FreeCount));
    ui.VortexRunProgress(s.Time, StartTime, s.MaxTime);
    ui.ProcessMessages();
    if (s.StopVortexRun) break;
  }

  ReleaseInfluenceSystem(s);
  return {};
}

}  // namespace ltr
