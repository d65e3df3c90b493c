#include "solver/streamline.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "solver/velocity.h"
#include "solver/vortex_run.h"

namespace ltr {

int FlowLineStepLimit(double Step, double MaxLen) {
  // A line makes a step for every k whose accumulated length k * Step is still
  // within MaxLen: nominally floor(MaxLen / Step) + 1 steps. The rounding of
  // the quotient and of the accumulated sum can each move that by one, so the
  // limit allows floor(MaxLen / Step) + 3 steps and never cuts a line short
  // that its length would let go on. It stops a trace whose accumulated length
  // no longer grows (a Step too small for it), and MaxFlowLineSteps bounds
  // every line, whatever MaxLen.
  if (!(MaxLen >= 0.0)) return 1;
  const Extended nominal = std::floor(static_cast<Extended>(MaxLen) / Step) + 3;
  if (!(nominal < MaxFlowLineSteps)) return MaxFlowLineSteps;
  return static_cast<int>(nominal);
}

std::string FlowLineStepLimitText(int steps) {
  return "Линия тока прервана после " + std::to_string(steps) +
         " шагов, не достигнув максимальной длины: это наибольшее число шагов одной линии. "
         "Увеличьте шаг построения линии тока.";
}

std::string CheckFlowLineArgs(double X, double Y, double Step, double MaxLen) {
  if (!std::isfinite(Step) || !(Step > 0.0))
    return "Шаг построения линии тока должен быть положительным числом";
  if (!std::isfinite(X) || !std::isfinite(Y))
    return "Координаты начала линии тока должны быть конечными числами";
  if (std::isnan(MaxLen)) return "Максимальная длина линии тока должна быть числом";
  return {};
}

std::string CheckFlowLineStep(const TAreaParams& area, double X, double Y, double Step) {
  const double largest = std::max({std::fabs(X), std::fabs(Y), std::fabs(area.RoomWidth), std::fabs(area.RoomHeight)});
  if (std::nextafter(largest, std::numeric_limits<double>::infinity()) - largest > Step)
    return "Шаг построения линии тока слишком мал: при таких координатах он не сдвигает точку линии";
  return {};
}

namespace {

// The line traced; stored in *lines unless that is null.
TOutcome Trace(const TCase& c, const TFlow& f, TFlowLines* lines, TObserver& ui, double X, double Y, double Step,
               double MaxLen, TFlowLineEnd* end, const TComputeSettings& compute) {
  if (std::string error = CheckFlowLineArgs(X, Y, Step, MaxLen); !error.empty())
    return TOutcome::Refusal(std::move(error));
  if (std::string error = CheckFlowLineStep(c.Area, X, Y, Step); !error.empty())
    return TOutcome::Refusal(std::move(error));

  const int stepLimit = FlowLineStepLimit(Step, MaxLen);
  // The vortices do not move while a line is traced: the fast kernel's
  // arrays are loaded once.
  TFastVortices fast;
  if (compute.Fast) LoadFastVortices(c, f, fast);
  TRealPoint P{X, Y};
  double travelled = 0.0;
  TRealPointArray line;
  if (lines != nullptr) {
    line.reserve(100);
    line.push_back(P);
  }
  ui.FlowLineStart(P);

  int count = 0;
  TFlowLineEnd reason = TFlowLineEnd::MaxLength;
  while (true) {
    if (!(travelled <= MaxLen)) break;
    if (count >= stepLimit) {
      reason = TFlowLineEnd::StepLimit;
      break;
    }
    double u;
    double v;
    if (compute.Fast)
      FastVelocityAt(fast, ToDouble(P.X), ToDouble(P.Y), u, v);
    else
      VelocityVectorAt(c, f, P, -1, u, v);
    // A flow that is no longer finite gives no line at all.
    if (!std::isfinite(u) || !std::isfinite(v))
      return TOutcome::Failure(NonFiniteRunText("Построение линии тока остановлено", count + 1));
    // A stagnation point gives no direction: the line ends where it is.
    if (u == 0.0 && v == 0.0) {
      reason = TFlowLineEnd::Stagnation;
      break;
    }
    const double speed =
        ToDouble(std::sqrt(static_cast<Extended>(u) * u + static_cast<Extended>(v) * v));

    const TRealPoint prev = P;
    P.X = P.X + static_cast<Extended>(u) / speed * Step;
    P.Y = P.Y + static_cast<Extended>(v) / speed * Step;

    bool hit = false;
    for (const TRib& rib : f.Ribs) {
      TRealPoint crossing;
      if (SegmentsCross(prev, P, rib.P1, rib.P2, &crossing)) {
        P = crossing;
        hit = true;
        break;
      }
    }
    travelled = ToDouble(static_cast<Extended>(travelled) + Step);
    ui.FlowLineTo(P);

    ++count;
    if (lines != nullptr) line.push_back(P);
    if (hit) {
      reason = TFlowLineEnd::Rib;
      break;
    }
  }

  if (lines != nullptr) {
    line.shrink_to_fit();
    lines->FlowLines.push_back(std::move(line));
    ++lines->FlowLineCount;
  }
  if (end != nullptr) *end = reason;
  return {};
}

}  // namespace

TOutcome TraceFlowLine(const TCase& c, const TFlow& f, TFlowLines& lines, TObserver& ui, double X, double Y,
                       double Step, double MaxLen, TFlowLineEnd* end, const TComputeSettings& compute) {
  return Trace(c, f, &lines, ui, X, Y, Step, MaxLen, end, compute);
}

TOutcome TraceFlowLine(const TCase& c, const TFlow& f, TObserver& ui, double X, double Y, double Step, double MaxLen,
                       TFlowLineEnd* end, const TComputeSettings& compute) {
  return Trace(c, f, nullptr, ui, X, Y, Step, MaxLen, end, compute);
}

}  // namespace ltr
