// The runs give the same result on any number of threads, and the fast mode's
// sums stay close to the exact ones.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <tuple>

#include "dust/concentration_run.h"
#include "dust/particle_motion.h"
#include "model/discretization.h"
#include "numerics/runge_kutta.h"
#include "quiet_observer.h"
#include "solver/velocity.h"
#include "solver/vortex_run.h"

namespace ltr {
namespace {

using testing::Quiet;

bool SameBits(Extended a, Extended b) { return std::memcmp(&a, &b, 10) == 0; }

// The flow after a short vortex run of the default enclosure.
const TModelState& ShortRun() {
  static const TModelState s = [] {
    TModelState m;
    m.Compute.Threads = 1;
    EXPECT_TRUE(RunVortices(m.Case(), m.Flow(), m.Control(), Quiet(), 150, 0, 0.0, 0.3, 0.005));
    return m;
  }();
  return s;
}

TEST(ParticleIntegrator, TheParticleStepIsTheGeneralStepBitForBit) {
  std::mt19937_64 g(7);
  std::uniform_real_distribution<double> speed(-3, 3), pos(0, 1), size(1e-6, 1e-4);
  TParticleMotion m;
  const TFunctionArray F = ParticleEquations(m);
  TRungeKutta rk;
  InitRungeKutta(rk, 4);
  for (int n = 0; n < 2000; ++n) {
    m.SetDiameter(TDustParams{}, size(g));
    m.AirVx = speed(g);
    m.AirVy = speed(g);
    TRealArray Y = {speed(g), pos(g), speed(g), pos(g)};
    Extended y[4] = {Y[0], Y[1], Y[2], Y[3]};
    const double h = n % 2 == 0 ? 1.6e-4 : 3e-5 * (1 + n % 5);
    double t = 0;
    RungeKuttaStep(rk, t, Y, F, 4, h);
    ParticleRungeKuttaStep(m, y, h);
    for (int i = 0; i < 4; ++i) ASSERT_TRUE(SameBits(Y[i], y[i])) << "component " << i << " of step " << n;
  }
  DoneRungeKutta(rk, 4);
}

// A crowded step: many particles leave through the exhaust, settle, hit walls
// or stay in flight in one step, so that the order of counting and removal
// shows if threads disturbed it.
TModelState CrowdedStep(Extended maxSpeed) {
  TModelState base = ShortRun();
  base.Dust.ParticleDt = 0.003;
  base.MaxResidence = 0.005;  // those a step old are held
  base.FractionHits.assign(base.Dust.Fractions.size(), 0);
  base.FractionHeld.assign(base.Dust.Fractions.size(), 0);
  std::mt19937_64 g(3);
  std::uniform_real_distribution<double> x(0.0, 1.0), y(0.0, 0.7), v(-maxSpeed, maxSpeed);
  base.Particles.clear();
  // 300: four whole blocks of the fast step and a part of one.
  for (int i = 0; i < 300; ++i) {
    TParticle p;
    p.Pos = {x(g), y(g)};
    p.Velocity = {v(g), v(g)};
    p.Diameter = 30e-6 + 4e-7 * (i % 100);
    p.FlightSteps = i % 3 == 0 ? 0 : 1;
    p.FlightTime = static_cast<double>(p.FlightSteps) * base.Dust.ParticleDt;
    base.Particles.push_back(p);
  }
  base.ParticleCount = 300;
  return base;
}

void ExpectSameParticles(const TDustRun& a, const TDustRun& b) {
  ASSERT_EQ(a.ParticleCount, b.ParticleCount);
  for (int i = 0; i < a.ParticleCount; ++i) {
    const TParticle& p = a.Particles[i];
    const TParticle& q = b.Particles[i];
    ASSERT_TRUE(SameBits(p.Pos.X, q.Pos.X) && SameBits(p.Pos.Y, q.Pos.Y) && SameBits(p.Velocity.X, q.Velocity.X) &&
                SameBits(p.Velocity.Y, q.Velocity.Y) && SameBits(p.Diameter, q.Diameter))
        << "particle " << i;
    ASSERT_EQ(p.FlightSteps, q.FlightSteps) << "particle " << i;
    ASSERT_EQ(p.FlightTime, q.FlightTime) << "particle " << i;
  }
}

// Everything booked, with the sums in the order they were made.
void ExpectSameBooking(const TDustRun& a, const TDustRun& b) {
  EXPECT_EQ(a.FractionHits, b.FractionHits);
  EXPECT_EQ(a.FractionHeld, b.FractionHeld);
  EXPECT_EQ(a.ExhaustedMass, b.ExhaustedMass);
  EXPECT_EQ(a.HeldMass, b.HeldMass);
  for (const auto& [name, one, other] : {std::tuple{"fraction", &a.Tally.Fractions, &b.Tally.Fractions},
                                         std::tuple{"size class", &a.Tally.Classes, &b.Tally.Classes}}) {
    ASSERT_EQ(one->size(), other->size());
    for (size_t j = 0; j < one->size(); ++j) {
      const TFateTally& x = (*one)[j];
      const TFateTally& y = (*other)[j];
      EXPECT_EQ(x.Count, y.Count) << name << " " << j;
      for (int k = 0; k < FateKindCount; ++k)
        EXPECT_TRUE(SameBits(x.Mass[k], y.Mass[k]) && SameBits(x.Squares[k], y.Squares[k]))
            << name << " " << j << ", fate " << k;
    }
  }
}

TEST(ParticleThreads, OneStepIsTheSameOnOneThreadAndOnFour) {
  const TModelState base = CrowdedStep(40);
  TModelState one = base;
  one.Compute.Threads = 1;
  TModelState four = base;
  four.Compute.Threads = 4;
  for (TModelState* s : {&one, &four}) {
    TRun run(s->Compute);
    TParticleStepper stepper;
    stepper.MaxResidence = s->MaxResidence;
    StepParticles(s->Case(), s->Flow(), run, s->DustRun(), stepper);
  }
  ASSERT_LT(one.ParticleCount, 290);
  ASSERT_GT(one.ParticleCount, 50);
  ASSERT_GT(one.ExhaustedMass, 0.0);
  ASSERT_GT(one.HeldMass, 0.0);
  ExpectSameParticles(one.DustRun(), four.DustRun());
  ExpectSameBooking(one.DustRun(), four.DustRun());
}

// Several steps in one loop (each particle stepping on through them) leave
// the particles and every sum as the single steps do, with the fates booked
// step by step in the order of the particles; on any number of threads.
TEST(ParticleThreads, StepsAheadAreTheSingleStepsBitForBit) {
  TModelState base = CrowdedStep(40);
  // Particles from 0 to 11 steps old, held at 12: some at every one of the
  // steps, and a third of them too young to be held.
  base.Dust.ParticleDt = 0.001;
  base.MaxResidence = 0.0115;
  for (int i = 0; i < base.ParticleCount; ++i) {
    base.Particles[i].FlightSteps = i % 12;
    base.Particles[i].FlightTime = static_cast<double>(i % 12) * base.Dust.ParticleDt;
  }
  base.Tally.Reset(base.Dust.Fractions);
  TModelState single = base;
  single.Compute.Threads = 1;
  {
    TRun run(single.Compute);
    TParticleStepper stepper;
    stepper.MaxResidence = single.MaxResidence;
    for (int k = 0; k < 8; ++k) StepParticles(single.Case(), single.Flow(), run, single.DustRun(), stepper);
  }
  ASSERT_GT(single.ParticleCount, 20);
  ASSERT_LT(single.ParticleCount, 200);
  ASSERT_GT(single.ExhaustedMass, 0.0);
  ASSERT_GT(single.HeldMass, 0.0);
  for (int threads : {1, 3}) {
    SCOPED_TRACE(threads);
    TModelState ahead = base;
    ahead.Compute.Threads = threads;
    TRun run(ahead.Compute);
    TParticleStepper stepper;
    stepper.MaxResidence = ahead.MaxResidence;
    ASSERT_EQ(StepParticlesAhead(ahead.Case(), ahead.Flow(), run, ahead.DustRun(), stepper, 5), 5);
    ASSERT_EQ(StepParticlesAhead(ahead.Case(), ahead.Flow(), run, ahead.DustRun(), stepper, 3), 3);
    ExpectSameParticles(single.DustRun(), ahead.DustRun());
    ExpectSameBooking(single.DustRun(), ahead.DustRun());
  }
}

// The steps end with the step the last particle leaves at; a particle in
// flight whose state stops being finite, or an exhausted mass that overflows,
// leaves everything as it was, so that single steps find the step where the
// run stops.
TEST(ParticleThreads, StepsAheadEndWithTheLastParticleAndGiveUpOnALostOne) {
  TModelState base = CrowdedStep(8);
  base.MaxResidence = 0.02;
  base.Tally.Reset(base.Dust.Fractions);
  TModelState single = base;
  int steps = 0;
  {
    TRun run(single.Compute);
    TParticleStepper stepper;
    stepper.MaxResidence = single.MaxResidence;
    while (single.ParticleCount > 0) {
      StepParticles(single.Case(), single.Flow(), run, single.DustRun(), stepper);
      ++steps;
    }
  }
  ASSERT_GT(steps, 3);
  ASSERT_LT(steps, 40);
  ASSERT_GT(single.ExhaustedMass, 0.0);
  TModelState ahead = base;
  {
    TRun run(ahead.Compute);
    TParticleStepper stepper;
    stepper.MaxResidence = ahead.MaxResidence;
    EXPECT_EQ(StepParticlesAhead(ahead.Case(), ahead.Flow(), run, ahead.DustRun(), stepper, 50), steps);
  }
  EXPECT_EQ(ahead.ParticleCount, 0);
  ExpectSameBooking(single.DustRun(), ahead.DustRun());

  TModelState lost = base;
  lost.MaxResidence = 0;
  lost.Particles[7].Velocity.X = std::numeric_limits<double>::infinity();
  const TModelState before = lost;
  TRun run(lost.Compute);
  TParticleStepper stepper;
  EXPECT_EQ(StepParticlesAhead(lost.Case(), lost.Flow(), run, lost.DustRun(), stepper, 4), 0);
  ExpectSameParticles(before.DustRun(), lost.DustRun());
  ExpectSameBooking(before.DustRun(), lost.DustRun());

  TModelState full = base;
  full.ExhaustedMass = std::numeric_limits<double>::max();
  full.Dust.ParticleDensity = 1e306;  // a particle's mass is more than the spacing of doubles there
  const TModelState unbooked = full;
  EXPECT_EQ(StepParticlesAhead(full.Case(), full.Flow(), run, full.DustRun(), stepper, 50), 0);
  ExpectSameParticles(unbooked.DustRun(), full.DustRun());
  ExpectSameBooking(unbooked.DustRun(), full.DustRun());
}

TEST(VortexThreads, ARunIsTheSameOnOneThreadAndOnThree) {
  TModelState one;
  one.Compute.Threads = 1;
  TModelState three;
  three.Compute.Threads = 3;
  ASSERT_TRUE(RunVortices(one.Case(), one.Flow(), one.Control(), Quiet(), 200, 0, 0.0, 0.25, 0.005));
  ASSERT_TRUE(RunVortices(three.Case(), three.Flow(), three.Control(), Quiet(), 200, 0, 0.0, 0.25, 0.005));
  ASSERT_EQ(one.FreeCount, three.FreeCount);
  ASSERT_GT(one.FreeCount, 50);
  for (int i = 0; i < one.BoundCount + one.FreeCount; ++i) {
    ASSERT_TRUE(SameBits(one.Vortices[i].Pos.X, three.Vortices[i].Pos.X)) << i;
    ASSERT_TRUE(SameBits(one.Vortices[i].Pos.Y, three.Vortices[i].Pos.Y)) << i;
    ASSERT_TRUE(SameBits(one.Vortices[i].Gamma, three.Vortices[i].Gamma)) << i;
  }
  for (int j = 0; j < SeparationPointCount; ++j) EXPECT_EQ(one.SepPoints[j].Index, three.SepPoints[j].Index);
}

// The fast sum against the exact one over the interior, in the core of a
// vortex and at a free vortex's own position (which it skips).
TEST(FastVelocity, AgreesWithTheExactSumToTwelveDigits) {
  TModelState s = ShortRun();
  TFastVortices fast;
  LoadFastVortices(s.Case(), s.Flow(), fast);
  EXPECT_EQ(fast.Count, static_cast<size_t>(s.BoundCount + s.FreeCount));
  EXPECT_EQ(fast.X.size() % 16, 0u);
  double scale = 0;
  std::vector<std::pair<TRealPoint, int>> points;
  for (int i = 0; i < 40; ++i)
    points.push_back({{0.02L + 0.96L * i / 40, 0.05L + 0.6L * ((i * 7) % 40) / 40}, -1});
  const TVortex& free0 = s.Vortices[s.BoundCount];
  points.push_back({free0.Pos, s.BoundCount});  // its own position
  points.push_back({{free0.Pos.X + 0.003L, free0.Pos.Y}, -1});  // inside its core (H / 2 = 0.01)
  for (const auto& [P, skip] : points) {
    double ue, ve, uf, vf;
    VelocityVectorAt(s.Case(), s.Flow(), P, skip, ue, ve);
    FastVelocityAt(fast, ToDouble(P.X), ToDouble(P.Y), uf, vf);
    scale = std::max(scale, std::hypot(ue, ve));
    EXPECT_NEAR(uf, ue, 1e-12 * (1 + std::fabs(ue))) << "at " << static_cast<double>(P.X) << ", "
                                                      << static_cast<double>(P.Y);
    EXPECT_NEAR(vf, ve, 1e-12 * (1 + std::fabs(ve)));
  }
  EXPECT_GT(scale, 0.5);
}

// The fast vortex run (moves, right-hand side and separation searches in
// double sums) follows the exact one closely over 0.1 s, before the chaos of
// the shedding parts them, sheds the same vortices, and gives the same bits on
// one thread and on three.
TEST(FastMode, AVortexRunFollowsTheExactOneAndIsTheSameOnAnyThreads) {
  TModelState exact;
  exact.Compute.Threads = 1;
  TModelState fast = exact;
  fast.Compute.Fast = true;
  TModelState fast3 = fast;
  fast3.Compute.Threads = 3;
  for (TModelState* s : {&exact, &fast, &fast3})
    ASSERT_TRUE(RunVortices(s->Case(), s->Flow(), s->Control(), Quiet(), 200, 0, 0.0, 0.1, 0.005));
  ASSERT_EQ(fast.FreeCount, exact.FreeCount);
  ASSERT_GT(exact.FreeCount, 20);
  bool differs = false;
  for (int i = 0; i < exact.BoundCount + exact.FreeCount; ++i) {
    const TVortex& e = exact.Vortices[i];
    const TVortex& f = fast.Vortices[i];
    EXPECT_LT(static_cast<double>(PointDistance(e.Pos, f.Pos)), 1e-9) << i;
    EXPECT_NEAR(static_cast<double>(f.Gamma), static_cast<double>(e.Gamma), 1e-9) << i;
    differs = differs || !SameBits(e.Gamma, f.Gamma) || !SameBits(e.Pos.X, f.Pos.X);
    ASSERT_TRUE(SameBits(f.Pos.X, fast3.Vortices[i].Pos.X)) << i;
    ASSERT_TRUE(SameBits(f.Pos.Y, fast3.Vortices[i].Pos.Y)) << i;
    ASSERT_TRUE(SameBits(f.Gamma, fast3.Vortices[i].Gamma)) << i;
  }
  EXPECT_TRUE(differs);  // the fast sums were used
  for (int j = 0; j < SeparationPointCount; ++j) EXPECT_EQ(fast.SepPoints[j].Index, exact.SepPoints[j].Index);
}

// The fast particle step (the Runge-Kutta step in double, across blocks of
// particles) and the fast own sub-steps end every particle as the exact steps
// do, within 1e-9 m, and give the same bits on one thread and on three.
TEST(FastMode, ParticleStepsFollowTheExactOnesAndAreTheSameOnAnyThreads) {
  for (const bool ownSteps : {false, true}) {
    SCOPED_TRACE(ownSteps ? "own sub-steps" : "one step per particle");
    TModelState exact = CrowdedStep(2);
    exact.Compute.Threads = 1;
    // The sub-steps hold the older third at the limit, within the interval.
    if (ownSteps) exact.MaxResidence = 0.004;
    TModelState fast = exact;
    fast.Compute.Fast = true;
    TModelState fast3 = fast;
    fast3.Compute.Threads = 3;
    for (TModelState* s : {&exact, &fast, &fast3}) {
      TRun run(s->Compute);
      TParticleStepper stepper;
      stepper.MaxResidence = s->MaxResidence;
      if (ownSteps)
        AdvanceParticles(s->Case(), s->Flow(), run, s->DustRun(), stepper, MakeSubStepRule(s->Area, 0), 0.002L);
      else
        StepParticles(s->Case(), s->Flow(), run, s->DustRun(), stepper);
    }
    ASSERT_LT(exact.ParticleCount, 300);
    ASSERT_GT(exact.ParticleCount, 50);
    ASSERT_EQ(fast.ParticleCount, exact.ParticleCount);
    EXPECT_EQ(fast.Tally.Total().Count, exact.Tally.Total().Count);
    EXPECT_EQ(fast.FractionHits, exact.FractionHits);
    EXPECT_EQ(fast.FractionHeld, exact.FractionHeld);
    bool differs = false;
    for (int i = 0; i < exact.ParticleCount; ++i) {
      const TParticle& e = exact.Particles[i];
      const TParticle& f = fast.Particles[i];
      ASSERT_TRUE(SameBits(f.Diameter, e.Diameter)) << i;
      EXPECT_LT(static_cast<double>(PointDistance(e.Pos, f.Pos)), 1e-9) << i;
      EXPECT_LT(static_cast<double>(PointDistance(e.Velocity, f.Velocity)), 1e-7) << i;
      EXPECT_EQ(f.FlightTime, e.FlightTime) << i;
      differs = differs || !SameBits(e.Pos.X, f.Pos.X);
      const TParticle& f3 = fast3.Particles[i];
      ASSERT_TRUE(SameBits(f.Pos.X, f3.Pos.X) && SameBits(f.Pos.Y, f3.Pos.Y)) << i;
      ASSERT_TRUE(SameBits(f.Velocity.X, f3.Velocity.X) && SameBits(f.Velocity.Y, f3.Velocity.Y)) << i;
    }
    EXPECT_TRUE(differs);  // the fast step was used
  }
}

// Fast mode changes only the sums: a whole concentration run ends with the
// same counts of particles by outcome in most seeds, and its concentration
// stays near the exact one.
TEST(FastMode, AConcentrationRunStaysCloseToTheExactOne) {
  TModelState exact;
  BuildArea(exact.Area, exact.Flow());
  ASSERT_TRUE(SolveCurrentFlow(exact.Case(), exact.Flow(), exact.Compute));
  TModelState fast = exact;
  fast.Compute.Fast = true;
  TConcentrationOptions options;
  options.Seed.Kind = TSizeSeed::TKind::Unseeded;
  ASSERT_TRUE(RunConcentration(exact.Case(), exact.Flow(), exact.DustRun(), exact.Results(), exact.Control(), Quiet(),
                               10, 10, false, options));
  ASSERT_TRUE(RunConcentration(fast.Case(), fast.Flow(), fast.DustRun(), fast.Results(), fast.Control(), Quiet(), 10,
                               10, false, options));
  EXPECT_NEAR(fast.OutputConcentration, exact.OutputConcentration, 0.1 * exact.OutputConcentration);
  EXPECT_EQ(fast.RealInputConcentration, exact.RealInputConcentration);  // the same sizes
  EXPECT_NEAR(static_cast<double>(fast.ConcentrationSteps), static_cast<double>(exact.ConcentrationSteps),
              0.1 * static_cast<double>(exact.ConcentrationSteps));
}

}  // namespace
}  // namespace ltr
