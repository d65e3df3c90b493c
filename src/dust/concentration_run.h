#pragma once
// The concentration run: dust particles are injected along the inflow opening
// at a number of moments, tracked through the flow until none is in flight,
// and the mass that left through the exhaust is related to the air that came
// in while they were injected.

#include <cstdint>
#include <string>
#include <vector>

#include "model/model_state.h"
#include "model/observer.h"
#include "model/outcome.h"
#include "model/validation.h"
#include "numerics/random.h"

namespace ltr {

// The most particles (per moment times moments) one run may inject.
inline constexpr long long MaxConcentrationParticles = 1000000;

// The message shown when the inflow gives no positive particle time step.
inline constexpr const char* ParticleDtErrorText =
    "Шаг по времени для частиц должен быть положительным числом: проверьте скорость и ширину притока";

// How the particles of a run are integrated.
struct TParticleStepMode {
  enum class TKind {
    Described,  // one Runge-Kutta step of ParticleDt per particle and run step
    Auto,       // sub-steps of each particle's own, by the automatic rule
    Fixed,      // sub-steps of each particle's own, Value seconds long
  };
  TKind Kind = TKind::Described;
  double Value = 0.0;

  static TParticleStepMode Described() { return {}; }
  static TParticleStepMode Auto() { return {TKind::Auto, 0.0}; }
  static TParticleStepMode FixedStep(double seconds) { return {TKind::Fixed, seconds}; }
  bool OwnSteps() const { return Kind != TKind::Described; }
  bool operator==(const TParticleStepMode&) const = default;
};

// The names of the particle step modes as the window offers them, in the
// order of TParticleStepMode::TKind.
inline constexpr const char* ParticleStepCaptions[] = {"по шагу ввода частиц", "автоматически", "задать, с:"};

struct TConcentrationOptions {
  TSizeSeed Seed;
  // When above 0, the run is stopped (as by the Stop button) once it has made
  // that many particle time steps.
  long long MaxSteps = 0;
  // With own steps, particles are still injected every ParticleDt, but each
  // one then advances in sub-steps of its own (the exact solution of the drag
  // with the air velocity held over a sub-step, see AdvanceParticles) from
  // one run step to the next. A run step then ends at the next injection
  // moment, at the next step of moving vortices (which keep the time step Dt
  // they have instead of taking ParticleDt), or, in a frozen flow after the
  // injection, ten of the longest sub-steps later.
  TParticleStepMode ParticleStep;
};

// The message shown when, with own particle steps, moving vortices have no
// positive time step.
inline constexpr const char* VortexDtErrorText = "Шаг по времени должен быть положительным числом";
// The message shown when a chosen particle sub-step is not a positive time.
inline constexpr const char* ParticleSubStepErrorText =
    "Шаг интегрирования частиц должен быть положительным числом секунд";

// Sum over the fractions of ((Lower + Upper) Share) (Lower^2 + Upper^2), each
// term in extended, the sum in double: 4 / (pi rho) times the mean particle
// mass.
double FractionCubeSum(const std::vector<TFraction>& fractions);

// The particle time step of a run of case c with NumParticle particles per
// moment: the time in which the inflow air carries the mean mass of
// NumParticle particles.
double ComputeParticleDt(const TCase& c, int NumParticle);

// "Шаг по времени: " + the step with 7 decimals + " c".
std::string ParticleDtLabel(double ParticleDt);

// Why a run of case c in flow f with these arguments and residence limit
// cannot start; empty when it can. Covers the
// dust properties, the counts of particles and moments, the residence limit,
// the size distribution of the fractions, the particle time step, the
// discretized enclosure and, with moving vortices, the size of the influence
// system.
// With `mode`, also the steps the residence limit needs: a run whose
// particles would need more than MaxRunSteps steps (of ParticleDt, or of the
// shortest sub-step of their own) to reach the limit is refused.
std::string CheckConcentrationArgs(const TCase& c, const TFlow& f, double MaxResidence, int NumParticle,
                                   int NumIteration, bool MoveVortices, const TParticleStepMode& mode = {});

// Why a run with own particle steps and moving vortices, which keep their
// time step f.Dt, cannot start: the vortex steps to the end of the injection
// plus the residence limit must stay within MaxRunSteps. Empty when it can.
std::string CheckOwnStepVortexSteps(const TFlow& f, double MaxResidence, int NumIteration, double ParticleDt);

// Whether the particles of a run will fly in a computed flow: with moving
// vortices the run solves the bound circulations at its start; with fixed
// ones it takes the flow as it is, which FlowComputed judges.
bool ConcentrationFlowComputed(const TFlow& f, bool MoveVortices);

// What the progress of a run reports: the moment reached while particles are
// injected, then the particles in flight, the steps made and the model time
// reached.
std::string ConcentrationProgressText(int moment, int moments, int inFlight, long long steps, double time);

// Runs the concentration computation of case c in the flow f: the particles
// go into d, the results of a complete run into r; the case's ParticleDt is
// set to the run's particle time step, and with MoveVortices the free
// vortices of f move (its Time stays). control gives the residence limit and
// how the run computes, and holds the stop request (StopConcentration); ui
// follows the run. Done when the run completed and stored its results (then
// StopConcentration is false); Stopped when Stop or the step bound ended it
// first. A step that leaves a particle (or, with moving vortices, a vortex)
// not finite ends the run at once without results (Failed, with
// NonFiniteRunText). Arguments that make no sense, fractions that give no
// size distribution and an inflow that gives no positive time step are
// refused before anything changes (Refused, with the message the window
// shows). Every way but Done leaves StopConcentration set, as a stopped run
// ends.
TOutcome RunConcentration(TCase& c, TFlow& f, TDustRun& d, TResults& r, TRunControl& control, TObserver& ui,
                          int NumParticle, int NumIteration, bool MoveVortices,
                          const TConcentrationOptions& options = {});

}  // namespace ltr
