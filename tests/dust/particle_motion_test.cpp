#include "dust/particle_motion.h"

#include <gtest/gtest.h>

#include <cmath>

#include "model/discretization.h"
#include "solver/solver_fixture.h"
#include "solver/time_step.h"

namespace ltr {
namespace {

using testing::TSolverModel;

// The default enclosure, discretized, with every circulation 0: the air is at
// rest everywhere.
TSolverModel StillAir() {
  TSolverModel s;
  BuildArea(s.Area, s.Flow());
  s.FractionHits.assign(s.Dust.Fractions.size(), 0);
  s.FractionHeld.assign(s.Dust.Fractions.size(), 0);
  return s;
}

TParticle Particle(Extended x, Extended y, Extended vx, Extended vy, Extended d = 50e-6L) {
  TParticle p;
  p.Pos = {x, y};
  p.Velocity = {vx, vy};
  p.Diameter = d;
  return p;
}

// One step of every particle in flight, with the model's residence limit.
void StepAll(TSolverModel& s) {
  TParticleStepper stepper;
  stepper.MaxResidence = s.MaxResidence;
  StepParticles(s.Case(), s.Flow(), s.Run, s.DustRun(), stepper);
}

void Place(TSolverModel& s, std::initializer_list<TParticle> particles) {
  s.Particles.assign(particles.begin(), particles.end());
  s.ParticleCount = static_cast<int>(particles.size());
}

TEST(ParticleEquations, RightSidesAreRoundedToDouble) {
  TParticleMotion m;
  m.SetDiameter(TDustParams{}, 50e-6L);
  const Extended pi = ParticlePi;
  EXPECT_EQ(m.ParticleMass, ToDouble((((pi * 3500) * 50e-6L) * 50e-6L) * 50e-6L / 6));
  EXPECT_EQ(m.DragFactor, ToDouble(9.42477796076938L * 1.78e-05 * 1.0 * 50e-6L));
  m.AirVx = 0.25L;
  m.AirVy = -0.5L;
  const Extended tiny = 1.0L / (1LL << 60);
  const TRealArray Y{1 + tiny, 0.3L, -1 - tiny, 0.4L};
  // The velocity components come back as the position derivatives, rounded.
  EXPECT_EQ(ParticleDxDt(m, Y), 1.0L);
  EXPECT_EQ(ParticleDyDt(m, Y), -1.0L);
  const Extended ax = ParticleDvxDt(m, Y);
  const Extended ay = ParticleDvyDt(m, Y);
  EXPECT_EQ(ax, static_cast<Extended>(ToDouble(ax)));
  EXPECT_EQ(ay, static_cast<Extended>(ToDouble(ay)));
  EXPECT_EQ(ax, ToDouble((-static_cast<Extended>(m.DragFactor)) * (Y[0] - 0.25L) / m.ParticleMass));
  EXPECT_EQ(ay, ToDouble(-9.81L - (Y[2] + 0.5L) * m.DragFactor / m.ParticleMass));

  const TFunctionArray F = ParticleEquations(m);
  ASSERT_EQ(F.size(), 4u);
  EXPECT_EQ(F[0](Y, 4, 0.0), ax);
  EXPECT_EQ(F[1](Y, 4, 0.0), 1.0L);
  EXPECT_EQ(F[2](Y, 4, 0.0), ay);
  EXPECT_EQ(F[3](Y, 4, 0.0), -1.0L);
}

TEST(StepParticles, ParticleAtRestFallsUnderGravity) {
  TSolverModel s = StillAir();
  s.Dust.ParticleDt = 0.005;
  Place(s, {Particle(0.5L, 0.35L, 0, 0)});
  StepAll(s);
  ASSERT_EQ(s.ParticleCount, 1);
  const double tau = 3500 * 50e-6 * 50e-6 / (18 * 1.78e-5);
  const double expected = -9.81 * tau * (1 - std::exp(-0.005 / tau));
  const TParticle& p = s.Particles[0];
  EXPECT_NEAR(static_cast<double>(p.Velocity.Y), expected, 1e-5 * std::fabs(expected));
  EXPECT_NEAR(static_cast<double>(p.Velocity.Y), -0.045, 0.0005);
  EXPECT_EQ(p.Velocity.X, 0.0L);
  EXPECT_EQ(p.Pos.X, 0.5L);
  EXPECT_LT(p.Pos.Y, 0.35L);
  EXPECT_EQ(p.FlightTime, 0.005);
}

// A particle thrown down from the injection height in still air, with a
// dynamic shape factor other than 1, reaches the settling speed of the drag
// law, g tau with tau = rho D^2 / (18 mu chi), and lands on the floor margin
// when the closed form of its fall says, in the described steps and in steps
// of its own alike.
TEST(StepParticles, FallInStillAirFollowsTheClosedFormOfTheDragLaw) {
  TSolverModel base = StillAir();
  base.Dust.ShapeFactor = 1.5;
  const Extended D = 50e-6L, rho = base.Dust.ParticleDensity, g = base.Dust.Gravity;
  const Extended tau = rho * D * D / (18 * static_cast<Extended>(base.Dust.AirViscosity) * base.Dust.ShapeFactor);
  const Extended w = g * tau;  // the settling speed, downwards
  const Extended v0 = -2, y0 = base.Area.RoomHeight - base.Area.H / 2, floor = base.Area.H / 2;
  // y(t) = y0 - w t + (v0 + w) tau (1 - e^(-t/tau)), falling for t > 0: the
  // landing time by bisection.
  auto height = [&](Extended t) { return y0 - w * t + (v0 + w) * tau * -std::expm1(-t / tau); };
  Extended lo = 0, hi = 100;
  for (int k = 0; k < 200; ++k) (height((lo + hi) / 2) > floor ? lo : hi) = (lo + hi) / 2;
  const Extended landing = hi;
  ASSERT_GT(landing, 30 * tau);

  const double dt = 0.002;
  for (const bool ownSteps : {false, true}) {
    TSolverModel s = base;
    s.Dust.ParticleDt = dt;
    Place(s, {Particle(0.5L, y0, 0, v0, D)});  // as injected at the inflow speed
    TParticleStepper stepper;
    stepper.MaxResidence = s.MaxResidence;
    const TSubStepRule rule = MakeSubStepRule(s.Area, 0);
    int steps = 0;
    while (s.ParticleCount > 0 && steps < 100000) {
      if (ownSteps)
        AdvanceParticles(s.Case(), s.Flow(), s.Run, s.DustRun(), stepper, rule, dt);
      else
        StepParticles(s.Case(), s.Flow(), s.Run, s.DustRun(), stepper);
      ++steps;
      // After 0.5 s, 27 tau, the particle falls at the settling speed.
      if (steps == 250) {
        ASSERT_EQ(s.ParticleCount, 1);
        EXPECT_NEAR(s.Particles[0].Velocity.Y, -w, 1e-9L * w) << ownSteps;
        EXPECT_EQ(s.Particles[0].Velocity.X, 0.0L);
      }
    }
    // It settles uncounted in the step that takes it past the landing time
    // (with own steps: in the sub-step, which ends within one run step of it).
    const Extended t = static_cast<Extended>(steps) * dt;
    EXPECT_GE(t, landing) << ownSteps;
    EXPECT_LT(t, landing + (ownSteps ? 2 : 1) * dt) << ownSteps;
    EXPECT_EQ(s.FractionHits, (std::vector<int>{0, 0}));
    EXPECT_EQ(s.ExhaustedMass, 0.0);
  }
}

// Without gravity and in air at rest, a particle moving along x keeps its
// height exactly: that puts it on the margins of the wall tests.
class MarginTest : public ::testing::Test {
 protected:
  void SetUp() override {
    s = StillAir();
    s.Dust.Gravity = 0;
    s.Dust.ParticleDt = 0.001;
    m = s.Area.H / 2;
  }
  TSolverModel s;
  double m = 0;
};

TEST_F(MarginTest, FloorRemovesOnlyBelowTheMargin) {
  const Extended below = std::nextafter(static_cast<Extended>(m), 0.0L);
  Place(s, {Particle(0.5L, m, 0.01L, 0), Particle(0.6L, below, 0.01L, 0), Particle(0.7L, 0.3L, 0.01L, 0)});
  StepAll(s);
  ASSERT_EQ(s.ParticleCount, 2);
  EXPECT_EQ(s.Particles[0].Pos.Y, static_cast<Extended>(m));
  EXPECT_EQ(s.Particles[1].Pos.Y, 0.3L);  // the third moved into place
  EXPECT_EQ(s.FractionHits, (std::vector<int>{0, 0}));
}

TEST_F(MarginTest, ExhaustBandIsOpenAtBothEdges) {
  const Extended x = 1 - m - 1e-6L;  // crosses the right margin in one step
  // Exactly on the edges as the enclosure has them.
  const Extended low = static_cast<Extended>(0.45);
  const Extended high = static_cast<Extended>(0.45) + 0.2;
  Place(s, {Particle(x, low, 0.1L, 0), Particle(x, high, 0.1L, 0), Particle(x, 0.55L, 0.1L, 0, 60e-6L)});
  StepAll(s);
  // The particle inside the band left and was counted in the second fraction.
  EXPECT_EQ(s.FractionHits, (std::vector<int>{0, 1}));
  const Extended pi = ParticlePi;
  EXPECT_EQ(s.ExhaustedMass, ToDouble((((pi * 60e-6L) * 60e-6L) * 60e-6L) / 6 * 3500));
  // The two on the band's edges hit the right wall: the normal component is
  // reversed with restitution 0.5 and they stop just inside the inset wall.
  ASSERT_EQ(s.ParticleCount, 2);
  for (int i = 0; i < 2; ++i) {
    const TParticle& p = s.Particles[i];
    EXPECT_LT(p.Velocity.X, 0.0L);
    EXPECT_NEAR(static_cast<double>(p.Velocity.X), -0.5 * 0.1, 1e-3);
    EXPECT_LT(p.Pos.X, static_cast<Extended>(1 - m));
  }
  EXPECT_NEAR(static_cast<double>(s.Particles[0].Pos.Y), 0.45, 1e-15);
  EXPECT_NEAR(static_cast<double>(s.Particles[1].Pos.Y), 0.65, 1e-15);
}

TEST_F(MarginTest, CeilingWinsOverTheRightWallOutsideTheBand) {
  // Above the ceiling margin and beyond the right margin: only the ceiling
  // impact, which with no motion towards the ceiling keeps 5/7 of the speed
  // along it and does not turn the particle back from the right wall.
  const Extended y = 0.7L - m / 2;
  Place(s, {Particle(1 - m - 1e-6L, y, 0.1L, 0)});
  TParticle before = s.Particles[0];
  StepAll(s);
  ASSERT_EQ(s.ParticleCount, 1);
  const TParticle& p = s.Particles[0];
  EXPECT_GT(p.Pos.X, static_cast<Extended>(1 - m));  // not crossing the inset ceiling: kept
  EXPECT_EQ(p.Pos.Y, y);
  EXPECT_EQ(p.Velocity.X, before.Velocity.X * 5 / 7);
  EXPECT_EQ(p.Velocity.Y, 0.0L);
}

// Exactly on the ceiling, left or right margin is not beyond it: no impact
// (which would keep only 5/7 of the speed along the wall), and in the
// exhaust band no exit.
TEST_F(MarginTest, ExactlyOnAMarginIsNotBeyondIt) {
  const Extended ceiling = static_cast<Extended>(0.7) - m;
  const Extended right = static_cast<Extended>(1.0) - m;
  Place(s, {Particle(0.5L, ceiling, 0.1L, 0), Particle(m, 0.3L, 0, 0.1L), Particle(right, 0.3L, 0, 0.1L),
            Particle(right, 0.55L, 0, 0.1L)});
  StepAll(s);
  ASSERT_EQ(s.ParticleCount, 4);
  EXPECT_EQ(s.FractionHits, (std::vector<int>{0, 0}));
  const TParticle* p = s.Particles.data();
  EXPECT_EQ(p[0].Pos.Y, ceiling);
  EXPECT_GT(p[0].Velocity.X, 0.09L);
  EXPECT_EQ(p[1].Pos.X, static_cast<Extended>(m));
  EXPECT_EQ(p[2].Pos.X, right);
  EXPECT_EQ(p[3].Pos.X, right);
  for (int i = 1; i < 4; ++i) EXPECT_GT(p[i].Velocity.Y, 0.09L) << i;
}

TEST_F(MarginTest, LeftWallTurnsTheParticleBack) {
  Place(s, {Particle(m + 1e-6L, 0.3L, -0.1L, 0)});
  StepAll(s);
  ASSERT_EQ(s.ParticleCount, 1);
  const TParticle& p = s.Particles[0];
  EXPECT_NEAR(static_cast<double>(p.Velocity.X), 0.05, 1e-12);
  EXPECT_NEAR(static_cast<double>(p.Velocity.Y), 0.0, 1e-12);
  EXPECT_GT(p.Pos.X, static_cast<Extended>(m));
  EXPECT_NEAR(static_cast<double>(p.Pos.X), m + 1e-4, 1e-6);  // WallOffset back from the inset wall
}

TEST_F(MarginTest, OnlyAParticleAtRestBeforeAndAfterIsDropped) {
  s.Dust.Gravity = 9.81;
  // At rest, but gravity gives it a velocity: it stays.
  Place(s, {Particle(0.5L, 0.3L, 0, 0)});
  StepAll(s);
  EXPECT_EQ(s.ParticleCount, 1);
  // Nearly at rest without gravity: old and new velocity below 1e-10.
  s.Dust.Gravity = 0;
  Place(s, {Particle(0.5L, 0.3L, 9e-11L, -9e-11L), Particle(0.6L, 0.3L, 2e-10L, 0)});
  StepAll(s);
  ASSERT_EQ(s.ParticleCount, 1);
  EXPECT_EQ(s.Particles[0].Pos.Y, 0.3L);
  EXPECT_GT(s.Particles[0].Pos.X, 0.6L);
  EXPECT_EQ(s.FractionHits, (std::vector<int>{0, 0}));
  // Moving before the step, at rest after it (the ceiling took all but half
  // of 1.5e-10 m/s): it stays.
  Place(s, {Particle(0.5L, static_cast<Extended>(0.7) - m, 0, 1.5e-10L)});
  StepAll(s);
  ASSERT_EQ(s.ParticleCount, 1);
  EXPECT_LT(std::fabs(s.Particles[0].Velocity.Y), RestSpeed);
}

TEST_F(MarginTest, ResidenceLimitHoldsOnlyParticlesBeyondIt) {
  s.MaxResidence = 0.01;
  TParticle old = Particle(0.5L, 0.3L, 0.01L, 0, 40e-6L);
  old.FlightSteps = 10;  // 11 steps of 0.001 after this one: beyond the limit
  TParticle young = Particle(0.6L, 0.3L, 0.01L, 0);
  young.FlightSteps = 9;  // 10 steps of 0.001 are exactly the limit: not beyond it
  ASSERT_EQ(10 * static_cast<Extended>(0.001), static_cast<Extended>(s.MaxResidence));
  Place(s, {old, young});
  StepAll(s);
  ASSERT_EQ(s.ParticleCount, 1);
  EXPECT_EQ(s.Particles[0].FlightSteps, 10);
  EXPECT_EQ(s.Particles[0].FlightTime, 0.01);
  EXPECT_EQ(s.FractionHeld, (std::vector<int>{1, 0}));
  EXPECT_EQ(s.HeldMass, ToDouble(ParticleMassOf(40e-6L, 3500)));
  EXPECT_EQ(s.FractionHits, (std::vector<int>{0, 0}));
  EXPECT_EQ(s.ExhaustedMass, 0.0);

  // A limit of 0 holds nothing, however long the flight.
  s.MaxResidence = 0;
  s.Particles[0].FlightTime = 1e6;
  StepAll(s);
  EXPECT_EQ(s.ParticleCount, 1);
}

// The exact drag solution over a step of several relaxation times agrees
// with a fine Runge-Kutta reference, and for a particle at rest in still air
// gives the fall of the settling law.
TEST(ExactDragStep, AgreesWithAFineRungeKuttaReference) {
  TDustParams dust;
  for (const Extended D : {10e-6L, 2e-6L, 60e-6L}) {
    TParticleMotion m;
    m.SetDiameter(dust, D);
    m.AirVx = 1.3L;
    m.AirVy = -0.7L;
    const Extended tau = static_cast<Extended>(m.ParticleMass) / m.DragFactor;
    const double h = 0.004;
    Extended exact[4] = {0.2L, 0.3L, -2.0L, 0.5L};
    Extended fine[4] = {0.2L, 0.3L, -2.0L, 0.5L};
    ExactDragStep(m, exact, h);
    // Sub-steps well below tau, so that the reference is accurate to far
    // better than the tolerances.
    const int n = 40000;
    for (int k = 0; k < n; ++k) ParticleRungeKuttaStep(m, fine, h / n);
    const Extended scale = h / tau > 1 ? 1 : h / tau;
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(exact[i], fine[i], 1e-11L * (1 + scale)) << "D " << D << " i " << i;
    // Over many tau the particle has the air's velocity less the settling speed.
    if (h / tau > 50) {
      EXPECT_NEAR(exact[0], 1.3L, 1e-12L);
      EXPECT_NEAR(exact[2], -0.7L - 9.81L * tau, 1e-12L);
    }
  }

  TParticleMotion m;
  m.SetDiameter(dust, 50e-6L);
  const Extended tau = static_cast<Extended>(m.ParticleMass) / m.DragFactor;
  Extended Y[4] = {0, 0.5L, 0, 0.5L};
  ExactDragStep(m, Y, 0.005);
  EXPECT_NEAR(Y[2], -9.81L * tau * (1 - std::exp(-0.005L / tau)), 1e-15L);
  EXPECT_NEAR(Y[3], 0.5L - 9.81L * tau * (0.005L - tau * (1 - std::exp(-0.005L / tau))), 1e-15L);
  EXPECT_EQ(Y[0], 0.0L);
  EXPECT_EQ(Y[1], 0.5L);
}

// With own sub-steps a particle is held exactly when its flight reaches the
// limit, not a sub-step later; one that settles first is not held, and one
// within the limit has flown exactly the interval.
TEST_F(MarginTest, OwnSubStepsHoldAParticleAtTheLimitExactly) {
  s.Dust.Gravity = 9.81;
  s.MaxResidence = 0.013;
  const TSubStepRule rule = MakeSubStepRule(s.Area, 0);
  // The automatic rule: at most 1/100 of the air's crossing time, min(W, R)
  // / max(inflow speed, exhaust speed), and at most H / 10 of travel; here
  // the height and the exhaust, in a tall narrow box the width and the inflow.
  EXPECT_NEAR(rule.MaxTime, 0.7L / 3 / 100, 1e-18L);
  EXPECT_EQ(rule.MaxDisplacement, static_cast<Extended>(0.02) / 10);
  TAreaParams tall = s.Area;
  tall.RoomWidth = 0.6;
  tall.RoomHeight = 0.9;
  tall.InflowSpeed = 4;
  EXPECT_NEAR(MakeSubStepRule(tall, 0).MaxTime, 0.6L / 4 / 100, 1e-18L);
  const TParticle fine = Particle(0.5L, 0.4L, 0, 0, 2e-6L);          // settles at 0.4 mm/s
  const TParticle coarse = Particle(0.3L, m + 1e-5L, 0, -0.01L, 60e-6L);  // on the floor at once
  Place(s, {fine, coarse, fine});
  TParticleStepper stepper;
  stepper.MaxResidence = s.MaxResidence;
  AdvanceParticles(s.Case(), s.Flow(), s.Run, s.DustRun(), stepper, rule, 0.01L);
  ASSERT_EQ(s.ParticleCount, 2);
  EXPECT_DOUBLE_EQ(s.Particles[0].FlightTime, 0.01);
  EXPECT_LT(s.Particles[0].Pos.Y, 0.4L);
  EXPECT_EQ(s.FractionHeld, (std::vector<int>{0, 0}));

  // The sweep's counting keeps the particle order; the remaining 3 ms are
  // shorter than a sub-step but end the flight.
  AdvanceParticles(s.Case(), s.Flow(), s.Run, s.DustRun(), stepper, rule, 1.0L);
  EXPECT_EQ(s.ParticleCount, 0);
  EXPECT_EQ(s.FractionHeld, (std::vector<int>{2, 0}));
  EXPECT_EQ(s.FractionHits, (std::vector<int>{0, 0}));

  // A fixed sub-step longer than the flight left is cut at the limit too.
  Place(s, {fine});
  s.Particles[0].FlightTime = 0.012;
  AdvanceParticles(s.Case(), s.Flow(), s.Run, s.DustRun(), stepper, MakeSubStepRule(s.Area, 0.5L), 0.0005L);
  ASSERT_EQ(s.ParticleCount, 1);
  EXPECT_DOUBLE_EQ(s.Particles[0].FlightTime, 0.0125);
  AdvanceParticles(s.Case(), s.Flow(), s.Run, s.DustRun(), stepper, MakeSubStepRule(s.Area, 0.5L), 0.0005L);
  EXPECT_EQ(s.ParticleCount, 0);
  EXPECT_EQ(s.FractionHeld, (std::vector<int>{3, 0}));
}

// A particle thrown up more slowly than it settles: every sub-step of the
// automatic rule is H / 10 of travel at the settling speed w = g tau (shorter
// than 1/100 of the crossing time), so the ceiling impact turns back the
// velocity the exact solution has at the start of the sub-step that reaches
// the ceiling margin.
TEST(AdvanceParticles, SubStepsTravelATenthOfHAtTheSettlingSpeed) {
  TSolverModel s = StillAir();  // H = 0.02, restitution 0.5
  const Extended D = 100e-6L;
  TParticleMotion m;
  m.SetDiameter(s.Dust, D);
  const Extended tau = static_cast<Extended>(m.ParticleMass) / m.DragFactor;
  const Extended w = static_cast<Extended>(m.Gravity) * tau;  // about 1.07 m/s
  const Extended h = static_cast<Extended>(s.Area.H) / 10 / w;
  const TSubStepRule rule = MakeSubStepRule(s.Area, 0);
  ASSERT_LT(h, rule.MaxTime);
  const Extended ceiling = static_cast<Extended>(0.7) - 0.01, v0 = 1, y0 = ceiling - 0.01L;
  auto v = [&](Extended t) { return -w + (v0 + w) * std::exp(-t / tau); };
  auto y = [&](Extended t) { return y0 - w * t + (v0 + w) * tau * (1 - std::exp(-t / tau)); };
  int k = 0;
  while (!(y((k + 1) * h) > ceiling)) ++k;
  Place(s, {Particle(0.5L, y0, 0, v0, D)});
  TParticleStepper stepper;
  AdvanceParticles(s.Case(), s.Flow(), s.Run, s.DustRun(), stepper, rule, (k + 4) * h);  // 3 sub-steps after
  ASSERT_EQ(s.ParticleCount, 1);
  const Extended turned = -0.5L * v(k * h);
  EXPECT_NEAR(s.Particles[0].Velocity.Y, -w + (turned + w) * std::exp(-3 * h / tau), 1e-12L) << k;
  EXPECT_EQ(s.Particles[0].Velocity.X, 0.0L);
}

// A particle that starts the step in the margin crosses no inset wall, so the
// stop at that wall leaves it where the step took it; when that is beyond the
// wall itself it is put back WallOffset inside the inset wall, with the
// impact's velocity as before.
TEST_F(MarginTest, FastParticleFromTheMarginIsKeptInsideTheWalls) {
  const Extended W = 1.0L;
  const Extended R = 0.7L;
  // 20 m/s for 1 ms carries a particle farther than the margin.
  const Extended x = W - m / 2;
  Place(s, {Particle(x, 0.3L, 20, 0), Particle(m / 2, 0.3L, -20, 0), Particle(0.5L, R - m / 2, 0, 20),
            Particle(x, R - m / 2, 20, 20), Particle(x, R - m / 2, 5, 0)});
  const TParticle kept = s.Particles[4];  // stays between the inset wall and the wall
  StepAll(s);
  ASSERT_EQ(s.ParticleCount, 5);
  const Extended back = m + WallOffset;
  const Extended right = W - back;
  const Extended left = back;
  const Extended top = static_cast<Extended>(0.7) - back;
  const TParticle* p = s.Particles.data();
  EXPECT_EQ(p[0].Pos.X, right);
  EXPECT_EQ(p[0].Pos.Y, 0.3L);
  EXPECT_NEAR(static_cast<double>(p[0].Velocity.X), -10, 1e-12);
  EXPECT_EQ(p[1].Pos.X, left);
  EXPECT_NEAR(static_cast<double>(p[1].Velocity.X), 10, 1e-12);
  EXPECT_EQ(p[2].Pos.Y, top);
  EXPECT_EQ(p[2].Pos.X, 0.5L);
  EXPECT_EQ(p[2].Velocity.Y, -10);
  // Corner: only the ceiling impact, but both coordinates come back inside.
  EXPECT_EQ(p[3].Pos.X, right);
  EXPECT_EQ(p[3].Pos.Y, top);
  EXPECT_EQ(p[3].Velocity.Y, -10);
  EXPECT_GT(p[4].Pos.X, x + 0.004L);  // 5 m/s for 1 ms, slowed a little by the drag
  EXPECT_LT(p[4].Pos.X, W);
  EXPECT_EQ(p[4].Pos.Y, kept.Pos.Y);
}

// Many particles, light and heavy, bouncing without losses in a flow whose
// free vortices move with them, on a coarse and on a fine spacing: after
// every step every particle in flight is strictly inside the enclosure and
// every free vortex strictly inside the inset contour.
TEST(StepParticles, NothingLeavesTheEnclosureInAMovingFlow) {
  for (const double H : {0.05, 0.02}) {
    SCOPED_TRACE(H);
    TSolverModel s;
    s.Area.H = H;
    s.MaxFreeVortex = 150;
    BuildArea(s.Area, s.Flow());
    s.Enabled.fill(true);
    testing::PrepareSolver(s);
    s.FractionHits.assign(s.Dust.Fractions.size(), 0);
    s.FractionHeld.assign(s.Dust.Fractions.size(), 0);
    s.Dust.KoefK = 1;
    s.Dust.KoefF = 0;
    s.Dust.ParticleDt = 1e-3;
    s.Dt = 0.005;
    for (int step = 0; step < 40; ++step) TimeStep(s.Case(), s.Flow(), s.Run);  // a flow full of vortices
    s.Dt = s.Dust.ParticleDt;
    const Extended W = s.Area.RoomWidth;
    const Extended R = s.Area.RoomHeight;
    const Extended d = static_cast<Extended>(H) / 2;
    s.Particles.resize(2000);
    int failures = 0;
    for (int step = 0; step < 800 && failures < 5; ++step) {
      if (step % 10 == 0 && s.ParticleCount + 10 <= 2000) {
        for (int i = 0; i < 10; ++i) {
          const Extended x = ((i + 0.5L) * s.Area.InflowWidth) / 10 + s.Area.InflowDistance;
          s.Particles[s.ParticleCount++] = Particle(x, R - d, 0, -s.Area.InflowSpeed, (i % 2 ? 5e-6L : 60e-6L));
        }
      }
      StepAll(s);
      TimeStep(s.Case(), s.Flow(), s.Run);
      for (int i = 0; i < s.ParticleCount; ++i) {
        const TRealPoint& p = s.Particles[i].Pos;
        if (!(0 < p.X && p.X < W && 0 < p.Y && p.Y < R) && ++failures <= 5)
          ADD_FAILURE() << "step " << step << ": particle at (" << static_cast<double>(p.X) << ", "
                        << static_cast<double>(p.Y) << ")";
      }
      for (int i = s.BoundCount; i < s.BoundCount + s.FreeCount; ++i) {
        const TRealPoint& p = s.Vortices[i].Pos;
        if (!(d < p.X && p.X < W - d && d < p.Y && p.Y < R - d) && ++failures <= 5)
          ADD_FAILURE() << "step " << step << ": vortex at (" << static_cast<double>(p.X) << ", "
                        << static_cast<double>(p.Y) << ")";
      }
    }
    EXPECT_GT(s.ParticleCount, 100);
  }
}

// The impact rule in each wall's frame (V.X along the wall, V.Y into it),
// with restitution k = 0.6 and friction f = 0.3, so that J = (1 + k) f V.Y =
// 0.48 V.Y: a swap of the two, or a wall in another wall's frame, shows.
TEST(WallImpact, CeilingSlidesOrRollsWithRestitution) {
  TSolverModel s;
  s.Dust.KoefK = 0.6;
  s.Dust.KoefF = 0.3;
  s.Particles.resize(1);
  s.ParticleCount = 1;
  auto impact = [&s](Extended vx, Extended vy, double angle) {
    WallImpact(s.Dust, s.Particles[0], Particle(0.5L, 0.5L, vx, vy), angle);
    return s.Particles[0].Velocity;
  };
  TRealPoint v = impact(-10, 2, CeilingAngle);  // sliding: J = 0.96 < 2/7 of 10
  EXPECT_NEAR(static_cast<double>(v.X), -9.04, 1e-15);
  EXPECT_NEAR(static_cast<double>(v.Y), -1.2, 1e-15);
  v = impact(-1, 2, CeilingAngle);  // rolling: 5/7
  EXPECT_NEAR(static_cast<double>(v.X), -5.0 / 7, 1e-16);
  EXPECT_NEAR(static_cast<double>(v.Y), -1.2, 1e-15);
  v = impact(10, 2, CeilingAngle);  // same sign as J: 5/7
  EXPECT_NEAR(static_cast<double>(v.X), 50.0 / 7, 1e-15);
  EXPECT_NEAR(static_cast<double>(v.Y), -1.2, 1e-15);
  v = impact(3, 0, CeilingAngle);  // no normal motion: J = 0
  EXPECT_EQ(v.X, 3.0L * 5 / 7);
  EXPECT_EQ(v.Y, 0.0L);
}

TEST(WallImpact, SideWallsInTheirOwnFrames) {
  TSolverModel s;
  s.Dust.KoefK = 0.6;
  s.Dust.KoefF = 0.3;
  s.Particles.resize(1);
  s.ParticleCount = 1;
  // Velocity before -> after, in world coordinates. Left wall: V = (vy, -vx);
  // right wall: V = (-vy, vx).
  const struct {
    double angle;
    double vx, vy, wx, wy;
  } cases[] = {
      {LeftWallAngle, -2, -10, 1.2, -9.04},       // V = (-10, 2): sliding
      {LeftWallAngle, -2, -1, 1.2, -5.0 / 7},     // V = (-1, 2): rolling
      {LeftWallAngle, -2, 10, 1.2, 50.0 / 7},     // V = (10, 2): same sign
      {RightWallAngle, 2, 10, -1.2, 9.04},        // V = (-10, 2): sliding
      {RightWallAngle, 2, 1, -1.2, 5.0 / 7},      // V = (-1, 2): rolling
      {RightWallAngle, 2, -10, -1.2, -50.0 / 7},  // V = (10, 2): same sign
      {RightWallAngle, 0, 3, 0, 15.0 / 7},        // J = 0
  };
  for (const auto& c : cases) {
    WallImpact(s.Dust, s.Particles[0], Particle(0.5L, 0.3L, c.vx, c.vy), c.angle);
    EXPECT_NEAR(static_cast<double>(s.Particles[0].Velocity.X), c.wx, 1e-14) << c.angle << " " << c.vx << " " << c.vy;
    EXPECT_NEAR(static_cast<double>(s.Particles[0].Velocity.Y), c.wy, 1e-14) << c.angle << " " << c.vx << " " << c.vy;
  }
}

TEST(ParticleBookkeeping, RemovalKeepsTheOrder) {
  TSolverModel s;
  Place(s, {Particle(1, 0, 0, 0), Particle(2, 0, 0, 0), Particle(3, 0, 0, 0), Particle(4, 0, 0, 0)});
  RemoveParticle(s.DustRun(), 1);
  ASSERT_EQ(s.ParticleCount, 3);
  EXPECT_EQ(s.Particles[0].Pos.X, 1.0L);
  EXPECT_EQ(s.Particles[1].Pos.X, 3.0L);
  EXPECT_EQ(s.Particles[2].Pos.X, 4.0L);
  RemoveParticle(s.DustRun(), 2);
  EXPECT_EQ(s.ParticleCount, 2);
  EXPECT_EQ(s.Particles.size(), 4u);  // the room stays
  RemoveParticle(s.DustRun(), 5);     // no such particle
  EXPECT_EQ(s.ParticleCount, 2);
}

TEST(ParticleBookkeeping, ExhaustedParticlesGoByTheUpperBounds) {
  TSolverModel s;
  s.Dust.Fractions = {{30e-6, 50e-6, 0.4}, {50e-6, 70e-6, 0.6}};
  s.FractionHits.assign(2, 0);
  const Extended bound = static_cast<Extended>(50e-6);
  const Extended diameters[] = {bound, std::nextafter(bound, 1.0L), 10e-6L, 90e-6L};
  for (Extended d : diameters) s.Particles.push_back(Particle(0, 0, 0, 0, d));
  s.ParticleCount = 4;
  for (int i = 0; i < 4; ++i) CountExhausted(s.Dust, s.DustRun(), i);
  // On the upper bound: that fraction; just above: the next; below every
  // lower bound: the first; above every upper bound: the last.
  EXPECT_EQ(FractionOf(s.Dust.Fractions, diameters[0]), 0);
  EXPECT_EQ(FractionOf(s.Dust.Fractions, diameters[1]), 1);
  EXPECT_EQ(FractionOf(s.Dust.Fractions, diameters[2]), 0);
  EXPECT_EQ(FractionOf(s.Dust.Fractions, diameters[3]), 1);
  EXPECT_EQ(s.FractionHits, (std::vector<int>{2, 2}));
  double sum = 0;
  const Extended pi = ParticlePi;
  for (Extended d : diameters) sum = ToDouble(sum + (((pi * d) * d) * d) / 6 * 3500);
  EXPECT_EQ(s.ExhaustedMass, sum);
}

}  // namespace
}  // namespace ltr
