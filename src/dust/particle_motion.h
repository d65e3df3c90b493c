#pragma once
// The motion of the dust particles in flight: Stokes drag towards the air
// velocity (with the dynamic shape factor) and gravity, integrated either with
// one Runge-Kutta step per particle and time step or in sub-steps of each
// particle's own (the exact solution of the drag); then the end conditions
// (floor, exhaust, rest, residence limit), the wall impacts and the booking of
// each particle's fate, in particle order whatever the number of threads.

#include <cstdint>
#include <vector>

#include "model/model_state.h"
#include "numerics/runge_kutta.h"

namespace ltr {

// pi as the extended constant of the particle formulas.
inline constexpr Extended ParticlePi = 3.14159265358979323846264338327950288L;
// Velocity components below this in magnitude count as zero, m/s.
inline constexpr Extended RestSpeed = 1e-10L;
// Friction impulses below this in magnitude count as zero.
inline constexpr Extended ImpactTolerance = 1e-10L;
// The wall angles of the impacts, radians.
inline constexpr double CeilingAngle = 0.0;
inline constexpr double LeftWallAngle = 1.5707963267948966;
inline constexpr double RightWallAngle = -1.5707963267948966;

// The values of the particle being stepped that its equations read besides
// the state vector (vx, x, vy, y).
struct TParticleMotion {
  double ParticleMass = 0.0;  // kg per metre of depth
  double DragFactor = 0.0;    // 3 pi mu chi D
  Extended AirVx = 0.0L;      // air velocity at the particle, held for the step
  Extended AirVy = 0.0L;
  double Gravity = 9.81;

  // Mass and drag factor of a particle of diameter D.
  void SetDiameter(const TDustParams& dust, Extended D);
};

// The four right-hand sides, each rounded to double.
Extended ParticleDvxDt(const TParticleMotion& m, const TRealArray& Y);
Extended ParticleDxDt(const TParticleMotion& m, const TRealArray& Y);
Extended ParticleDvyDt(const TParticleMotion& m, const TRealArray& Y);
Extended ParticleDyDt(const TParticleMotion& m, const TRealArray& Y);
// One step of the classical fourth-order Runge-Kutta method for the four
// equations of a particle, Y = (vx, x, vy, y): the very operations of
// RungeKuttaStep with ParticleEquations(m), without its function calls.
void ParticleRungeKuttaStep(const TParticleMotion& m, Extended* Y, double h);

// The exact solution of the particle equations over a step h with the air
// velocity (AirVx, AirVy) and gravity held: with tau = ParticleMass /
// DragFactor and the settling velocity w = (AirVx, AirVy - g tau),
//   v(h) = w + (v - w) e^(-h/tau),  x(h) = x + w h + (v - w) tau (1 - e^(-h/tau)),
// in extended, e^(-h/tau) - 1 taken with expm1. Y = (vx, x, vy, y).
void ExactDragStep(const TParticleMotion& m, Extended* Y, Extended h);

// The four as the integrator's function array, in the order of the state
// vector; they read m, which must outlive the array.
TFunctionArray ParticleEquations(const TParticleMotion& m);

// Mass of a particle of diameter D: (((pi D) D) D) / 6 rho, in extended.
Extended ParticleMassOf(Extended D, double density);

// What a particle step did with one particle.
enum class TParticleFate : std::uint8_t { InFlight, Settled, Exhausted, AtRest, Held };

// The particle steps of one run: the residence limit they apply and the
// fate of each particle of a step. Sized before the first step; a step then
// allocates nothing.
struct TParticleStepper {
  // A particle longer in flight than this (s of model time) is held; 0: no
  // limit.
  double MaxResidence = 0.0;
  // The vortices stay where they are for the whole run (frozen): the fast
  // mode then loads its arrays once, at the first step, instead of at every
  // step.
  bool FrozenVortices = false;
  bool FastVorticesLoaded = false;
  // Room for `capacity` particles (in each of the arrays below).
  void Prepare(int capacity);
  std::vector<TParticleFate> Fates;
  // StepParticlesAhead's copies of the particles in flight, the step (from
  // 0) of each one's fate, and the order in which the fates are booked.
  TParticleArray Ahead;
  std::vector<int> FateStep;
  std::vector<int> Booking;
};

// How long the sub-steps of the particles' own integration may be.
struct TSubStepRule {
  // Above 0: every sub-step is this long (shorter only where an interval or
  // the residence limit ends). 0: the automatic rule, each sub-step at most
  // MaxTime long and short enough that the particle moves at most
  // MaxDisplacement.
  Extended Fixed = 0.0L;
  Extended MaxTime = 0.0L;
  Extended MaxDisplacement = 0.0L;
};

// The air speed of the openings, max(|InflowSpeed|, |Speed|), and the time
// the air needs at that speed to cross the enclosure, min(RoomWidth,
// RoomHeight) / that speed: the scales of the particles' own steps.
Extended OpeningSpeed(const TAreaParams& area);
Extended AirCrossingTime(const TAreaParams& area);

// The automatic rule for the enclosure: a particle moves at most H / 10
// in a sub-step, and a sub-step lasts at most 1/100 of the time the air needs
// to cross the enclosure, min(RoomWidth, RoomHeight) / max(|InflowSpeed|,
// |Speed|). With Fixed > 0, that fixed step instead.
TSubStepRule MakeSubStepRule(const TAreaParams& area, Extended Fixed);

// Advances every particle in flight of d by the model time `interval` in the
// frozen flow f, each with sub-steps of its own (ExactDragStep, the air
// velocity taken at the start of each sub-step), the end conditions and wall
// impacts applied after each sub-step. A particle whose flight time reaches
// the stepper's MaxResidence (when above 0) is held at exactly that time. As
// StepParticles, on up to run.Compute.Threads threads with removal and
// counting in order.
void AdvanceParticles(const TCase& c, const TFlow& f, TRun& run, TDustRun& d, TParticleStepper& stepper,
                      const TSubStepRule& rule, Extended interval);

// Advances every particle in flight of d by the case's ParticleDt in the flow
// f and applies the end conditions and wall impacts. The particles move
// independently of each other, on up to run.Compute.Threads threads; removal
// and counting then follow the order of the particles, so the result is the
// same for any thread count.
void StepParticles(const TCase& c, const TFlow& f, TRun& run, TDustRun& d, TParticleStepper& stepper);

// `steps` calls of StepParticles in exact mode (not fast), with the flow f
// unchanged between them, in one parallel loop: each particle makes its steps
// in turn, until its fate is decided, and the fates are then booked step by
// step, each step's in the order of the particles, so that the particles in
// flight and every count and sum of d end as those calls leave them. Returns
// the steps made: `steps`, or fewer when the last particle leaves at an
// earlier one (the steps up to it); or 0, with d unchanged, when a particle
// still in flight loses its finite state or the exhausted mass overflows
// within them: stepped one at a time, the run then stops at the very step.
int StepParticlesAhead(const TCase& c, const TFlow& f, TRun& run, TDustRun& d, TParticleStepper& stepper, int steps);

// A particle's position and velocity are all finite.
bool ParticleFinite(const TParticle& p);

// The new velocity of particle P after an impact on the wall at Angle, from
// its velocity Prev before the step.
void WallImpact(const TDustParams& dust, TParticle& P, const TParticle& Prev, double Angle);

// Removes particle I, keeping the order of the others.
void RemoveParticle(TDustRun& d, int I);

// The input fraction of a particle of diameter D: the first whose upper bound
// is not below D, the last when D lies above all of them; -1 without fractions.
int FractionOf(const std::vector<TFraction>& fractions, Extended D);

// A booked mass `sum` with a particle of diameter D added, as the bookings
// add it.
double WithParticleMass(double sum, Extended D, double density);

// Books particle I as exhausted: in FractionHits and ExhaustedMass.
void CountExhausted(const TDustParams& dust, TDustRun& d, int I);

// Books particle I as held in the flow: in FractionHeld and HeldMass.
void CountHeld(const TDustParams& dust, TDustRun& d, int I);

// Books particle I in the run's tally of fates (Tally) as `kind`.
void TallyFate(const TDustParams& dust, TDustRun& d, int I, TFateKind kind);

}  // namespace ltr
