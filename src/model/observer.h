#pragma once
// What the computational core asks of a user interface while it works: labels,
// redraws, progress and the processing of pending messages. The desktop
// program, the command-line tool and the tests each implement it; the core
// never knows which one it talks to. Every method has a do-nothing default;
// the runs that report take one as a parameter.
// Refusals and failures are not reported here: the operations return them
// (model/outcome.h) and the caller shows them.

#include <string>

#include "numerics/geometry.h"

namespace ltr {

struct TFlow;

// The fixed beginnings of the progress labels, as every face writes them.
inline constexpr const char* ElapsedTimePrefix = "Прошло времени: ";
inline constexpr const char* FreeVortexCountPrefix = "Свободных вихрей: ";

// lbVortexCount and lbVortexCount2: "Свободных вихрей: " and the count.
inline std::string FreeVortexCountLabel(int freeCount) { return FreeVortexCountPrefix + std::to_string(freeCount); }

// The progress labels that the run loops write.
enum class TLabel {
  Time,          // lbTime: "Прошло времени: ... сек."
  VortexCount,   // lbVortexCount: free vortices of the vortex run
  VortexCount2,  // lbVortexCount2: free vortices during the concentration run
  Step,          // lbStep: the particle time step
};

class TObserver {
 public:
  virtual ~TObserver() = default;

  // The status bar text (the number of bound vortices after a rebuild).
  virtual void SetStatusText(const std::string& /*text*/) {}
  // A progress label; the interface shows it at once.
  virtual void SetLabel(TLabel /*label*/, const std::string& /*text*/) {}
  // The per-step repaint of a run loop: the interior of the enclosure with the
  // free vortices of `flow`, and the particles in flight when withParticles
  // is true.
  virtual void RedrawRun(const TFlow& /*flow*/, bool /*withParticles*/) {}
  // Let the window system process pending messages (where Stop gets through).
  virtual void ProcessMessages() {}
  // Drawing while a streamline is traced: the start point, then each new point.
  virtual void FlowLineStart(const TRealPoint& /*p*/) {}
  virtual void FlowLineTo(const TRealPoint& /*p*/) {}
  // Progress of the concentration run: the injection moment reached (0 in the
  // drain phase) out of all moments, the particles still in flight, the
  // particle time steps made so far and the model time of the run, s.
  virtual void ConcentrationProgress(int /*moment*/, int /*moments*/, int /*inFlight*/, long long /*steps*/,
                                     double /*time*/) {}
  // Progress of the vortex run after each step: the model time reached, from
  // the time the run started towards its maximum.
  virtual void VortexRunProgress(double /*time*/, double /*startTime*/, double /*maxTime*/) {}
  // Progress of an average over the moments of the flow: the concentration
  // runs done out of all, and the share of their work done (0 to 1).
  virtual void SnapshotProgress(int /*done*/, int /*count*/, double /*fraction*/) {}
};

}  // namespace ltr
