#pragma once
// Small models for the solver tests.

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "model/discretization.h"
#include "model/model_state.h"
#include "quiet_observer.h"
#include "solver/influence.h"
#include "solver/vortex_run.h"

namespace ltr::testing {

// A model with the working storage of a run, for the tests that step the
// solver themselves; Run.Compute says how it computes.
struct TSolverModel : TModelState {
  TRun Run;
};

// The start-up enclosure with a spacing of 0.05 m: 68 bound vortices.
inline void BuildSmallCase(TModelState& s, int maxFree = 100) {
  s.Area.H = 0.05;
  s.MaxFreeVortex = maxFree;
  BuildArea(s.Area, s.Flow());
}

// What a run does before its first step: the arrays and the first solve.
inline void PrepareSolver(TSolverModel& s) {
  s.Delta = s.Area.H / 2;
  PrepareInfluenceSystem(s.Flow(), s.Run);
}

// One vortex and nothing else: the enclosure plays no part.
inline void SingleVortex(TModelState& s, TRealPoint at, Extended gamma, double H = 0.02) {
  s.Area.H = H;
  s.BoundCount = 1;
  s.FreeCount = 0;
  s.Vortices = {{at, gamma}};
  s.CalcPoints.clear();
  s.Ribs.clear();
  s.InnerRibs.clear();
}

// Records what the core asks of the interface, in order.
class RecordingObserver : public TObserver {
 public:
  void SetLabel(TLabel label, const std::string& text) override {
    calls.push_back(label == TLabel::Time ? "time" : "count");
    (label == TLabel::Time ? timeLabel : countLabel) = text;
  }
  void RedrawRun(const TFlow&, bool withParticles) override {
    calls.push_back(withParticles ? "redraw+particles" : "redraw");
    ++steps;
  }
  void ProcessMessages() override {
    calls.push_back("messages");
    if (onMessages) onMessages();
  }
  void FlowLineStart(const TRealPoint& p) override { drawn.assign(1, p); }
  void FlowLineTo(const TRealPoint& p) override { drawn.push_back(p); }

  std::vector<std::string> calls;
  std::string timeLabel;
  std::string countLabel;
  std::vector<TRealPoint> drawn;
  int steps = 0;
  std::function<void()> onMessages;
};

}  // namespace ltr::testing
