#pragma once
// Streamlines of the current flow.

#include "model/model_state.h"

namespace ltr {

// Traces one streamline from (X, Y) in steps of length Step until it has
// covered MaxLen or crosses a rib of the enclosure; the observer draws it as it
// grows; the line is appended to FlowLines. A step of 0 or below is refused
// (message to the observer, result false).
bool TraceFlowLine(TModelState& s, double X, double Y, double Step, double MaxLen);

}  // namespace ltr
