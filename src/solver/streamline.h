#pragma once
// Streamlines of a flow.

#include <string>

#include "model/model_state.h"
#include "model/observer.h"
#include "model/outcome.h"

namespace ltr {

// No line makes more steps than this, whatever its maximum length.
inline constexpr int MaxFlowLineSteps = 1000000;

// The most steps a line of steps Step and maximum length MaxLen may make:
// floor(MaxLen / Step) + 3, at most MaxFlowLineSteps; 1 for a negative MaxLen.
int FlowLineStepLimit(double Step, double MaxLen);

// Why a traced line ended.
enum class TFlowLineEnd {
  MaxLength,   // it has covered its maximum length
  Rib,         // it crossed a rib of the enclosure and ends on it
  Stagnation,  // the air stands still at its last point
  StepLimit,   // it made FlowLineStepLimit steps before covering its length
};

// The message that a line was cut short at its step limit.
std::string FlowLineStepLimitText(int steps);

// Why a streamline with these arguments cannot be traced; empty when it can.
std::string CheckFlowLineArgs(double X, double Y, double Step, double MaxLen);

// Why a streamline from (X, Y) in steps of Step cannot be traced in the
// enclosure `area`; empty when it can: a step shorter than the spacing of
// doubles at the start point or at the far walls would not move the point,
// and the line would repeat it until its step limit.
std::string CheckFlowLineStep(const TAreaParams& area, double X, double Y, double Step);

// Traces one streamline from (X, Y) in steps of length Step until it has
// covered MaxLen, crosses a rib of the enclosure, reaches a point where the air
// stands still, or has made FlowLineStepLimit steps; the observer draws it as
// it grows; the line is appended to lines. A step that is not a positive
// number, a start point that is not finite or a MaxLen that is not a number is
// refused (with CheckFlowLineArgs' message, nothing stored), and so is a step
// too short to move the point (CheckFlowLineStep). A flow that gives
// a velocity that is not finite ends the line without storing it (Failed).
// When `end` is given, it receives why a traced line ended. With
// compute.Fast, the velocities are the fast kernel's double sums over the
// vortices as they are (FastVelocityAt); otherwise the exact sums.
TOutcome TraceFlowLine(const TCase& c, const TFlow& f, TFlowLines& lines, TObserver& ui, double X, double Y,
                       double Step, double MaxLen, TFlowLineEnd* end = nullptr,
                       const TComputeSettings& compute = {});

// The same line, handed to the observer point by point and not stored: for a
// caller that writes the points out as they come (a line may have a million).
TOutcome TraceFlowLine(const TCase& c, const TFlow& f, TObserver& ui, double X, double Y, double Step, double MaxLen,
                       TFlowLineEnd* end = nullptr, const TComputeSettings& compute = {});

}  // namespace ltr
