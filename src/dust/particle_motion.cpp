#include "dust/particle_motion.h"

#include <algorithm>
#include <cmath>

#include "numerics/fast_particle_step.h"
#include "numerics/parallel.h"
#include "solver/velocity.h"

namespace ltr {

namespace {

// 3 pi as the extended constant of the drag factor.
constexpr Extended ThreePi = 9.42477796076938L;

// Makes sure the per-fraction counters have an entry for every fraction.
void FitCounters(std::vector<int>& counters, const TDustParams& dust) {
  if (counters.size() < dust.Fractions.size()) counters.resize(dust.Fractions.size(), 0);
}

}  // namespace

void TParticleMotion::SetDiameter(const TDustParams& dust, Extended D) {
  ParticleMass = ToDouble((((ParticlePi * dust.ParticleDensity) * D) * D) * D / 6);
  DragFactor = ToDouble(ThreePi * dust.AirViscosity * dust.ShapeFactor * D);
  Gravity = dust.Gravity;
}

namespace {

// The right-hand sides on a plain state vector (vx, x, vy, y).
inline Extended DvxDt(const TParticleMotion& m, const Extended* Y) {
  return ToDouble((-static_cast<Extended>(m.DragFactor)) * (Y[0] - m.AirVx) / m.ParticleMass);
}
inline Extended DvyDt(const TParticleMotion& m, const Extended* Y) {
  return ToDouble((-static_cast<Extended>(m.Gravity)) - (Y[2] - m.AirVy) * m.DragFactor / m.ParticleMass);
}
inline Extended Derivative(const TParticleMotion& m, int i, const Extended* Y) {
  switch (i) {
    case 0: return DvxDt(m, Y);
    case 1: return ToDouble(Y[0]);
    case 2: return DvyDt(m, Y);
    default: return ToDouble(Y[2]);
  }
}

}  // namespace

Extended ParticleDvxDt(const TParticleMotion& m, const TRealArray& Y) { return DvxDt(m, Y.data()); }

Extended ParticleDxDt(const TParticleMotion&, const TRealArray& Y) { return ToDouble(Y[0]); }

Extended ParticleDvyDt(const TParticleMotion& m, const TRealArray& Y) { return DvyDt(m, Y.data()); }

Extended ParticleDyDt(const TParticleMotion&, const TRealArray& Y) { return ToDouble(Y[2]); }

void ParticleRungeKuttaStep(const TParticleMotion& m, Extended* Y, double h) {
  const Extended eh = h;
  Extended k[4][4];
  Extended temp[4];
  for (int i = 0; i < 4; ++i) k[i][0] = eh * Derivative(m, i, Y);
  for (int i = 0; i < 4; ++i) temp[i] = Y[i] + k[i][0] / 2;
  for (int i = 0; i < 4; ++i) k[i][1] = eh * Derivative(m, i, temp);
  for (int i = 0; i < 4; ++i) temp[i] = Y[i] + k[i][1] / 2;
  for (int i = 0; i < 4; ++i) k[i][2] = eh * Derivative(m, i, temp);
  for (int i = 0; i < 4; ++i) temp[i] = Y[i] + k[i][2];
  for (int i = 0; i < 4; ++i) k[i][3] = eh * Derivative(m, i, temp);
  for (int i = 0; i < 4; ++i) Y[i] = Y[i] + ((k[i][1] + k[i][2]) * 2 + k[i][0] + k[i][3]) / 6;
}

namespace {

// The drag step of ExactDragStep in the working precision Real: extended for
// the exact mode, double (with the double expm1) for the fast one.
template <typename Real>
void DragStep(const TParticleMotion& m, Real* Y, Real h) {
  const Real tau = static_cast<Real>(m.ParticleMass) / m.DragFactor;
  const Real wx = static_cast<Real>(m.AirVx);
  const Real wy = static_cast<Real>(m.AirVy) - static_cast<Real>(m.Gravity) * tau;
  const Real decay = std::expm1(-h / tau);  // e^(-h/tau) - 1
  const Real dvx = Y[0] - wx;
  const Real dvy = Y[2] - wy;
  Y[1] = Y[1] + wx * h - dvx * tau * decay;
  Y[3] = Y[3] + wy * h - dvy * tau * decay;
  Y[0] = Y[0] + dvx * decay;
  Y[2] = Y[2] + dvy * decay;
}

}  // namespace

void ExactDragStep(const TParticleMotion& m, Extended* Y, Extended h) { DragStep<Extended>(m, Y, h); }

Extended OpeningSpeed(const TAreaParams& area) {
  return std::max(std::fabs(static_cast<Extended>(area.InflowSpeed)), std::fabs(static_cast<Extended>(area.Speed)));
}

Extended AirCrossingTime(const TAreaParams& area) {
  const Extended size = std::min(static_cast<Extended>(area.RoomWidth), static_cast<Extended>(area.RoomHeight));
  return size / OpeningSpeed(area);
}

TSubStepRule MakeSubStepRule(const TAreaParams& area, Extended Fixed) {
  TSubStepRule rule;
  rule.Fixed = Fixed > 0 ? Fixed : 0.0L;
  rule.MaxTime = AirCrossingTime(area) / 100;
  // Without a flow speed or a size (which the run refuses) a fixed bound.
  if (!std::isfinite(rule.MaxTime) || !(rule.MaxTime > 0)) rule.MaxTime = 0.01L;
  rule.MaxDisplacement = static_cast<Extended>(area.H) / 10;
  return rule;
}

TFunctionArray ParticleEquations(const TParticleMotion& m) {
  const TParticleMotion* p = &m;
  return {
      [p](const TRealArray& Y, int, double) { return ParticleDvxDt(*p, Y); },
      [p](const TRealArray& Y, int, double) { return ParticleDxDt(*p, Y); },
      [p](const TRealArray& Y, int, double) { return ParticleDvyDt(*p, Y); },
      [p](const TRealArray& Y, int, double) { return ParticleDyDt(*p, Y); },
  };
}

Extended ParticleMassOf(Extended D, double density) { return (((ParticlePi * D) * D) * D) / 6 * density; }

void TParticleStepper::Prepare(int capacity) {
  if (static_cast<int>(Fates.size()) < capacity) Fates.resize(static_cast<size_t>(capacity));
  Ahead.reserve(static_cast<size_t>(capacity));
  FateStep.reserve(static_cast<size_t>(capacity));
  Booking.reserve(static_cast<size_t>(capacity));
}

namespace {

// The walls and openings a particle step tests against.
struct TParticleBounds {
  Extended floorY, rightX, leftX, ceilingY, exhaustLow, exhaustHigh;
  double limit;
  double margin;  // H / 2, the inset of the walls
  TBox enclosure;

  TParticleBounds(const TAreaParams& a, double maxResidence) {
    const double m = a.H / 2;
    floorY = m;
    rightX = static_cast<Extended>(a.RoomWidth) - m;
    leftX = m;
    ceilingY = static_cast<Extended>(a.RoomHeight) - m;
    exhaustLow = a.ExhaustHeight;
    exhaustHigh = static_cast<Extended>(a.ExhaustHeight) + a.ExhaustWidth;
    limit = maxResidence;
    margin = m;
    enclosure = TBox{0.0L, 0.0L, a.RoomWidth, a.RoomHeight};
  }
};

// The end conditions and wall impacts of particle P after its state has
// been advanced from Prev; the residence limit is the caller's.
TParticleFate EndConditions(const TCase& c, const TFlow& f, TParticle& P, const TParticle& Prev,
                            const TParticleBounds& b) {
  const Extended x = P.Pos.X;
  const Extended y = P.Pos.Y;

  if (y < b.floorY) return TParticleFate::Settled;
  const bool right = x > b.rightX;
  if (right && b.exhaustLow < y && y < b.exhaustHigh) return TParticleFate::Exhausted;

  // At most one wall per step; the impact starts from the velocity before
  // the step and the particle stops just short of the inset wall.
  bool hit;
  TRealPoint R;
  if (y > b.ceilingY) {
    StopAtRib(Prev.Pos, {x, y}, f.InnerRibs[0], hit, R);
    P.Pos = R;
    WallImpact(c.Dust, P, Prev, CeilingAngle);
  } else if (x < b.leftX) {
    StopAtRib(Prev.Pos, {x, y}, f.InnerRibs[3], hit, R);
    P.Pos = R;
    WallImpact(c.Dust, P, Prev, LeftWallAngle);
  } else if (right) {
    StopAtRib(Prev.Pos, {x, y}, f.InnerRibs[1], hit, R);
    P.Pos = R;
    WallImpact(c.Dust, P, Prev, RightWallAngle);
  }
  // The stop at the inset wall acts only when the path crosses that wall;
  // a particle that starts the step in the margin, or passes a corner, is
  // left where the step took it and can get through the wall itself. Such a
  // particle is put back WallOffset inside the inset wall it is beyond.
  if (!StrictlyInside(P.Pos, b.enclosure)) PullInside(P.Pos, b.enclosure, static_cast<Extended>(b.margin) + WallOffset);

  const TParticle& Now = P;
  if (std::fabs(Prev.Velocity.X) < RestSpeed && std::fabs(Prev.Velocity.Y) < RestSpeed &&
      std::fabs(Now.Velocity.X) < RestSpeed && std::fabs(Now.Velocity.Y) < RestSpeed)
    return TParticleFate::AtRest;
  return TParticleFate::InFlight;
}

// The clock, the end conditions and the residence limit of a particle whose
// state the step has moved from Prev to P.
TParticleFate FinishStep(const TCase& c, const TFlow& f, TParticle& P, const TParticle& Prev,
                         const TParticleBounds& b) {
  // The clock counts steps: a sum of steps would stop growing once a step
  // falls below the spacing of doubles near the time reached.
  P.FlightSteps = Prev.FlightSteps + 1;
  const Extended flight = static_cast<Extended>(P.FlightSteps) * c.Dust.ParticleDt;
  P.FlightTime = ToDouble(flight);

  const TParticleFate fate = EndConditions(c, f, P, Prev, b);
  if (fate != TParticleFate::InFlight) return fate;
  if (b.limit > 0 && flight > b.limit) return TParticleFate::Held;
  return TParticleFate::InFlight;
}

// One step of particle i: its new state in place and what became of it. It
// reads the vortices and the particle itself, and writes only the particle.
TParticleFate StepOne(const TCase& c, const TFlow& f, const TRun& run, TParticle& P, const TParticleBounds& b) {
  const TParticle Prev = P;
  TParticleMotion motion;
  motion.SetDiameter(c.Dust, Prev.Diameter);
  Extended Y[4];
  Y[0] = Prev.Velocity.X;
  Y[1] = Prev.Pos.X;
  Y[2] = Prev.Velocity.Y;
  Y[3] = Prev.Pos.Y;
  // The air velocity at the position before the step, held through its stages.
  double u;
  double v;
  FlowVelocityAt(c, f, run, Prev.Pos, -1, u, v);
  motion.AirVx = u;
  motion.AirVy = v;
  ParticleRungeKuttaStep(motion, Y, c.Dust.ParticleDt);

  P.Pos = {Y[1], Y[3]};
  P.Velocity = {Y[0], Y[2]};
  return FinishStep(c, f, P, Prev, b);
}

// The fast step of the particles first .. first + count - 1 (at most a
// block): the air velocities from the double-precision sum, the Runge-Kutta
// step in double across the block, then each particle's end conditions.
void StepBlockFast(const TCase& c, const TFlow& f, const TRun& run, TParticle* particles, TParticleFate* fates,
                   int count, const TParticleBounds& b) {
  TFastParticleBlock block;
  for (int k = 0; k < count; ++k) {
    const TParticle& P = particles[k];
    TParticleMotion motion;
    motion.SetDiameter(c.Dust, P.Diameter);
    block.Vx[k] = ToDouble(P.Velocity.X);
    block.X[k] = ToDouble(P.Pos.X);
    block.Vy[k] = ToDouble(P.Velocity.Y);
    block.Y[k] = ToDouble(P.Pos.Y);
    FastVelocityAt(run.FastVortices, block.X[k], block.Y[k], block.AirVx[k], block.AirVy[k]);
    block.Rate[k] = motion.DragFactor / motion.ParticleMass;
  }
  for (int k = count; k < TFastParticleBlock::Size; ++k)
    block.Vx[k] = block.X[k] = block.Vy[k] = block.Y[k] = block.AirVx[k] = block.AirVy[k] = block.Rate[k] = 0.0;
  FastParticleRungeKuttaStep(block, count, c.Dust.Gravity, c.Dust.ParticleDt);
  for (int k = 0; k < count; ++k) {
    TParticle& P = particles[k];
    const TParticle Prev = P;
    P.Pos = {block.X[k], block.Y[k]};
    P.Velocity = {block.Vx[k], block.Vy[k]};
    fates[k] = FinishStep(c, f, P, Prev, b);
  }
}

// Particle i advanced by `interval` in sub-steps of its own, each computed
// in the working precision Real (extended, or double in the fast mode); the
// flight time and the time left are added up in extended either way.
template <typename Real>
TParticleFate AdvanceOne(const TCase& c, const TFlow& f, const TRun& run, TParticle& P, const TParticleBounds& b,
                         const TSubStepRule& rule, Extended interval) {
  TParticleMotion motion;
  motion.SetDiameter(c.Dust, P.Diameter);
  const Real tau = static_cast<Real>(motion.ParticleMass) / motion.DragFactor;
  const Real settling = static_cast<Real>(motion.Gravity) * tau;
  // The flight time in extended, so that the sub-steps add up to the model
  // time; stored in the particle after each sub-step.
  Extended flight = P.FlightTime;
  const Extended limit = b.limit;
  Extended left = interval;
  while (left > 0) {
    const TParticle Prev = P;
    double u;
    double v;
    FlowVelocityAt(c, f, run, Prev.Pos, -1, u, v);
    motion.AirVx = u;
    motion.AirVy = v;

    Extended h = left;
    if (rule.Fixed > 0) {
      h = std::min(h, rule.Fixed);
    } else {
      h = std::min(h, rule.MaxTime);
      // The velocity in a sub-step lies between the start velocity and the
      // settling velocity, so the larger of their speeds bounds the path.
      const Real wy = static_cast<Real>(v) - settling;
      const Real speed = std::max(std::hypot(static_cast<Real>(Prev.Velocity.X), static_cast<Real>(Prev.Velocity.Y)),
                                  std::hypot(static_cast<Real>(u), wy));
      if (speed * h > rule.MaxDisplacement) h = rule.MaxDisplacement / speed;
    }
    if (!(h > 0)) h = left;  // a speed without bound: no sub-step of no length
    bool reachesLimit = false;
    if (limit > 0 && limit - flight <= h) {
      h = limit - flight;
      reachesLimit = true;
    }

    Real Y[4] = {static_cast<Real>(Prev.Velocity.X), static_cast<Real>(Prev.Pos.X), static_cast<Real>(Prev.Velocity.Y),
                 static_cast<Real>(Prev.Pos.Y)};
    DragStep<Real>(motion, Y, static_cast<Real>(h));
    P.Pos = {Y[1], Y[3]};
    P.Velocity = {Y[0], Y[2]};
    flight = reachesLimit ? limit : flight + h;
    P.FlightTime = ToDouble(flight);
    left = h < left ? left - h : 0.0L;

    const TParticleFate fate = EndConditions(c, f, P, Prev, b);
    if (fate != TParticleFate::InFlight) return fate;
    if (reachesLimit) return TParticleFate::Held;
  }
  return TParticleFate::InFlight;
}

// Books the decided fate of particle I (which reads only its diameter).
void BookFate(const TDustParams& dust, TDustRun& d, int I, TParticleFate fate) {
  switch (fate) {
    case TParticleFate::Exhausted:
      CountExhausted(dust, d, I);
      TallyFate(dust, d, I, TFateKind::Exhausted);
      break;
    case TParticleFate::Held:
      CountHeld(dust, d, I);
      TallyFate(dust, d, I, TFateKind::Held);
      break;
    case TParticleFate::Settled: TallyFate(dust, d, I, TFateKind::Settled); break;
    case TParticleFate::AtRest: TallyFate(dust, d, I, TFateKind::AtRest); break;
    case TParticleFate::InFlight: break;
  }
}

// Books and removes, in the order of the particles, what a sweep decided.
void SettleFates(const TDustParams& dust, TDustRun& d, TParticleStepper& stepper, int count) {
  int kept = 0;
  for (int i = 0; i < count; ++i) {
    if (stepper.Fates[i] != TParticleFate::InFlight) {
      BookFate(dust, d, i, stepper.Fates[i]);
    } else {
      if (kept != i) d.Particles[kept] = d.Particles[i];
      ++kept;
    }
  }
  d.ParticleCount = kept;
}

}  // namespace

namespace {

// The fast mode's arrays of the vortices as they are: at every step, or once
// when they are frozen.
void LoadFastVorticesOnce(const TCase& c, const TFlow& f, TRun& run, TParticleStepper& stepper) {
  if (!run.Compute.Fast || (stepper.FrozenVortices && stepper.FastVorticesLoaded)) return;
  LoadFastVortices(c, f, run.FastVortices);
  stepper.FastVorticesLoaded = true;
}

}  // namespace

void StepParticles(const TCase& c, const TFlow& f, TRun& run, TDustRun& d, TParticleStepper& stepper) {
  const int count = d.ParticleCount;
  if (count == 0) return;
  const int threads = ResolveThreadCount(run.Compute.Threads);
  stepper.Prepare(count);
  const TParticleBounds bounds(c.Area, stepper.MaxResidence);
  LoadFastVorticesOnce(c, f, run, stepper);
  // A particle's step sums the velocity once.
  const long long vortices = static_cast<long long>(f.BoundCount) + f.FreeCount;
  if (run.Compute.Fast) {
    const int blocks = (count + TFastParticleBlock::Size - 1) / TFastParticleBlock::Size;
    ParallelFor(blocks, threads, ThreadGrain(run.Compute, TFastParticleBlock::Size * vortices),
                [&c, &f, &run, &d, &stepper, &bounds, count](int k) {
                  const int first = k * TFastParticleBlock::Size;
                  const int n = std::min(TFastParticleBlock::Size, count - first);
                  StepBlockFast(c, f, run, d.Particles.data() + first, stepper.Fates.data() + first, n, bounds);
                });
  } else {
    ParallelFor(count, threads, ThreadGrain(run.Compute, vortices), [&c, &f, &run, &d, &stepper, &bounds](int i) {
      stepper.Fates[i] = StepOne(c, f, run, d.Particles[i], bounds);
    });
  }

  // Counting and removal in the order of the particles, as if each had been
  // stepped and removed in turn.
  SettleFates(c.Dust, d, stepper, count);
}

int StepParticlesAhead(const TCase& c, const TFlow& f, TRun& run, TDustRun& d, TParticleStepper& stepper,
                       int steps) {
  const int count = d.ParticleCount;
  if (count == 0 || steps < 1 || run.Compute.Fast) return 0;
  const int threads = ResolveThreadCount(run.Compute.Threads);
  stepper.Prepare(count);
  stepper.Ahead.assign(d.Particles.begin(), d.Particles.begin() + count);
  // The step (from 0) that decided each fate; `steps` for a particle still in
  // flight after all of them, -1 for one that lost its finite state in flight.
  stepper.FateStep.assign(static_cast<size_t>(count), steps);
  const TParticleBounds bounds(c.Area, stepper.MaxResidence);
  const long long terms = (static_cast<long long>(f.BoundCount) + f.FreeCount) * steps;
  ParallelFor(count, threads, ThreadGrain(run.Compute, terms), [&c, &f, &run, &stepper, &bounds, steps](int i) {
    TParticle& p = stepper.Ahead[i];
    stepper.Fates[i] = TParticleFate::InFlight;
    for (int s = 0; s < steps; ++s) {
      const TParticleFate fate = StepOne(c, f, run, p, bounds);
      if (fate != TParticleFate::InFlight) {
        stepper.Fates[i] = fate;
        stepper.FateStep[i] = s;
        return;
      }
      if (!ParticleFinite(p)) {
        stepper.FateStep[i] = -1;
        return;
      }
    }
  });

  // The decided particles in the order of booking: by step, then by index.
  stepper.Booking.clear();
  for (int i = 0; i < count; ++i) {
    if (stepper.FateStep[i] < 0) return 0;
    if (stepper.FateStep[i] < steps) stepper.Booking.push_back(i);
  }
  std::stable_sort(stepper.Booking.begin(), stepper.Booking.end(),
                   [&stepper](int a, int b) { return stepper.FateStep[a] < stepper.FateStep[b]; });
  // The exhausted mass as the booking will sum it: an overflow stops the run
  // at its very step.
  double exhausted = d.ExhaustedMass;
  for (const int i : stepper.Booking) {
    if (stepper.Fates[i] != TParticleFate::Exhausted) continue;
    exhausted = WithParticleMass(exhausted, d.Particles[i].Diameter, c.Dust.ParticleDensity);
    if (!std::isfinite(static_cast<Extended>(exhausted))) return 0;
  }

  for (const int i : stepper.Booking) BookFate(c.Dust, d, i, stepper.Fates[i]);
  int kept = 0;
  for (int i = 0; i < count; ++i)
    if (stepper.FateStep[i] == steps) d.Particles[kept++] = stepper.Ahead[i];
  d.ParticleCount = kept;
  // Without particles the run ends at the step the last one left.
  return kept > 0 ? steps : stepper.FateStep[stepper.Booking.back()] + 1;
}

bool ParticleFinite(const TParticle& p) {
  // x - x is 0 for every finite x and NaN for an infinity or a NaN.
  return std::isfinite(p.Pos.X - p.Pos.X + p.Pos.Y - p.Pos.Y + p.Velocity.X - p.Velocity.X + p.Velocity.Y -
                       p.Velocity.Y);
}

void AdvanceParticles(const TCase& c, const TFlow& f, TRun& run, TDustRun& d, TParticleStepper& stepper,
                      const TSubStepRule& rule, Extended interval) {
  const int count = d.ParticleCount;
  if (count == 0 || !(interval > 0)) return;
  const int threads = ResolveThreadCount(run.Compute.Threads);
  stepper.Prepare(count);
  const TParticleBounds bounds(c.Area, stepper.MaxResidence);
  LoadFastVorticesOnce(c, f, run, stepper);
  // A particle's sub-steps each sum the velocity once; there are at least
  // interval / MaxTime of them (or interval / Fixed).
  const Extended longest = rule.Fixed > 0 ? rule.Fixed : rule.MaxTime;
  const Extended subSteps = longest > 0 ? std::ceil(interval / longest) : 1.0L;
  const long long terms =
      (static_cast<long long>(f.BoundCount) + f.FreeCount) * static_cast<long long>(std::clamp(subSteps, 1.0L, 1e6L));
  ParallelFor(
      count, threads, ThreadGrain(run.Compute, terms), [&c, &f, &run, &d, &stepper, &bounds, &rule, interval](int i) {
        stepper.Fates[i] = run.Compute.Fast ? AdvanceOne<double>(c, f, run, d.Particles[i], bounds, rule, interval)
                                            : AdvanceOne<Extended>(c, f, run, d.Particles[i], bounds, rule, interval);
      });
  SettleFates(c.Dust, d, stepper, count);
}

void WallImpact(const TDustParams& dust, TParticle& P, const TParticle& Prev, double Angle) {
  const Extended k = dust.KoefK;
  const Extended f = dust.KoefF;
  TRealPoint V;
  RotatePoint(Prev.Velocity, V, -Angle);
  const double J = ToDouble((1 + k) * f * V.Y);
  if (std::fabs(static_cast<Extended>(J)) < ImpactTolerance) {
    V.X = V.X * 5 / 7;
  } else {
    V.X = V.X + std::min(1.0L, (V.X * (-2)) / (7 * static_cast<Extended>(J))) * J;
  }
  V.Y = -k * V.Y;
  RotatePoint(V, P.Velocity, Angle);
}

void RemoveParticle(TDustRun& d, int I) {
  if (I < 0 || I >= d.ParticleCount) return;
  std::copy(d.Particles.begin() + I + 1, d.Particles.begin() + d.ParticleCount, d.Particles.begin() + I);
  --d.ParticleCount;
}

int FractionOf(const std::vector<TFraction>& fractions, Extended D) {
  const int K = static_cast<int>(fractions.size());
  int j = 0;
  while (j < K && D > fractions[j].Upper) ++j;
  if (j == K) j = K - 1;
  return j;
}

double WithParticleMass(double sum, Extended D, double density) {
  return ToDouble(sum + ParticleMassOf(D, density));
}

void CountExhausted(const TDustParams& dust, TDustRun& d, int I) {
  const Extended D = d.Particles[I].Diameter;
  FitCounters(d.FractionHits, dust);
  if (const int j = FractionOf(dust.Fractions, D); j >= 0) ++d.FractionHits[j];
  d.ExhaustedMass = WithParticleMass(d.ExhaustedMass, D, dust.ParticleDensity);
}

void TallyFate(const TDustParams& dust, TDustRun& d, int I, TFateKind kind) {
  const Extended D = d.Particles[I].Diameter;
  d.Tally.Add(FractionOf(dust.Fractions, D), D, ParticleMassOf(D, dust.ParticleDensity), kind);
}

void CountHeld(const TDustParams& dust, TDustRun& d, int I) {
  const Extended D = d.Particles[I].Diameter;
  FitCounters(d.FractionHeld, dust);
  if (const int j = FractionOf(dust.Fractions, D); j >= 0) ++d.FractionHeld[j];
  d.HeldMass = WithParticleMass(d.HeldMass, D, dust.ParticleDensity);
}

}  // namespace ltr
