#include "dust/particle_motion.h"

#include <algorithm>
#include <cmath>

#include "solver/velocity.h"

namespace ltr {

namespace {

// 3 pi as the extended constant of the drag factor.
constexpr Extended ThreePi = 9.42477796076938L;

// Makes sure the per-fraction counters have an entry for every fraction.
void FitCounters(std::vector<int>& counters, const TModelState& s) {
  if (counters.size() < s.Dust.Fractions.size()) counters.resize(s.Dust.Fractions.size(), 0);
}

}  // namespace

void TParticleMotion::SetDiameter(const TDustParams& dust, Extended D) {
  ParticleMass = ToDouble((((ParticlePi * dust.ParticleDensity) * D) * D) * D / 6);
  DragFactor = ToDouble(ThreePi * dust.AirViscosity * dust.ShapeFactor * D);
  Gravity = dust.Gravity;
}

Extended ParticleDvxDt(const TParticleMotion& m, const TRealArray& Y) {
  return ToDouble((-static_cast<Extended>(m.DragFactor)) * (Y[0] - m.AirVx) / m.ParticleMass);
}

Extended ParticleDxDt(const TParticleMotion&, const TRealArray& Y) { return ToDouble(Y[0]); }

Extended ParticleDvyDt(const TParticleMotion& m, const TRealArray& Y) {
  return ToDouble((-static_cast<Extended>(m.Gravity)) - (Y[2] - m.AirVy) * m.DragFactor / m.ParticleMass);
}

Extended ParticleDyDt(const TParticleMotion&, const TRealArray& Y) { return ToDouble(Y[2]); }

TFunctionArray ParticleEquations(const TParticleMotion& m) {
  const TParticleMotion* p = &m;
  return {
      [p](const TRealArray& Y, int, double) { return ParticleDvxDt(*p, Y); },
      [p](const TRealArray& Y, int, double) { return ParticleDxDt(*p, Y); },
      [p](const TRealArray& Y, int, double) { return ParticleDvyDt(*p, Y); },
      [p](const TRealArray& Y, int, double) { return ParticleDyDt(*p, Y); },
  };
}

Extended ParticleMassOf(Extended D, double density) {
  return (((ParticlePi * D) * D) * D) / 6 * density;
}

void StepParticles(TModelState& s) {
  if (s.ParticleCount == 0) return;
  const TAreaParams& a = s.Area;
  const double m = a.H / 2;
  const Extended floorY = m;
  const Extended rightX = static_cast<Extended>(a.RoomWidth) - m;
  const Extended leftX = m;
  const Extended ceilingY = static_cast<Extended>(a.RoomHeight) - m;
  const Extended exhaustLow = a.ExhaustHeight;
  const Extended exhaustHigh = static_cast<Extended>(a.ExhaustHeight) + a.ExhaustWidth;
  const double limit = s.MaxResidence;
  const TBox enclosure{0.0L, 0.0L, a.RoomWidth, a.RoomHeight};
  double t = 0;

  TParticleMotion motion;
  const TFunctionArray functions = ParticleEquations(motion);
  TRealArray Y(4);
  TRungeKutta rk;
  InitRungeKutta(rk, 4);

  int i = 0;
  while (i < s.ParticleCount) {
    const TParticle Prev = s.Particles[i];
    motion.SetDiameter(s.Dust, Prev.Diameter);
    Y[0] = Prev.Velocity.X;
    Y[1] = Prev.Pos.X;
    Y[2] = Prev.Velocity.Y;
    Y[3] = Prev.Pos.Y;
    // The air velocity at the position before the step, held through its stages.
    double u;
    double v;
    VelocityVectorAt(s, Prev.Pos, -1, u, v);
    motion.AirVx = u;
    motion.AirVy = v;
    RungeKuttaStep(rk, t, Y, functions, 4, s.Dust.ParticleDt);

    TParticle& P = s.Particles[i];
    P.Pos = {Y[1], Y[3]};
    P.Velocity = {Y[0], Y[2]};
    P.FlightTime = ToDouble(static_cast<Extended>(Prev.FlightTime) + s.Dust.ParticleDt);
    const Extended x = Y[1];
    const Extended y = Y[3];

    if (y < floorY) {  // settled on the floor
      RemoveParticle(s, i);
      continue;
    }
    const bool right = x > rightX;
    if (right && exhaustLow < y && y < exhaustHigh) {  // out through the exhaust
      CountExhausted(s, i);
      RemoveParticle(s, i);
      continue;
    }

    // At most one wall per step; the impact starts from the velocity before
    // the step and the particle stops just short of the inset wall.
    bool hit;
    TRealPoint R;
    if (y > ceilingY) {
      StopAtRib(Prev.Pos, {x, y}, s.InnerRibs[0], hit, R);
      P.Pos = R;
      WallImpact(s, i, Prev, CeilingAngle);
    } else if (x < leftX) {
      StopAtRib(Prev.Pos, {x, y}, s.InnerRibs[3], hit, R);
      P.Pos = R;
      WallImpact(s, i, Prev, LeftWallAngle);
    } else if (right) {
      StopAtRib(Prev.Pos, {x, y}, s.InnerRibs[1], hit, R);
      P.Pos = R;
      WallImpact(s, i, Prev, RightWallAngle);
    }
    // The stop at the inset wall acts only when the path crosses that wall;
    // a particle that starts the step in the margin, or passes a corner, is
    // left where the step took it and can get through the wall itself. Such a
    // particle is put back WallOffset inside the inset wall it is beyond.
    if (!StrictlyInside(P.Pos, enclosure)) PullInside(P.Pos, enclosure, static_cast<Extended>(m) + WallOffset);

    const TParticle& Now = s.Particles[i];
    if (std::fabs(Prev.Velocity.X) < RestSpeed && std::fabs(Prev.Velocity.Y) < RestSpeed &&
        std::fabs(Now.Velocity.X) < RestSpeed && std::fabs(Now.Velocity.Y) < RestSpeed) {
      RemoveParticle(s, i);  // came to rest
      continue;
    }
    if (limit > 0 && Now.FlightTime > limit) {  // held in the flow too long
      CountHeld(s, i);
      RemoveParticle(s, i);
      continue;
    }
    ++i;
  }

  DoneRungeKutta(rk, 4);
}

void WallImpact(TModelState& s, int I, const TParticle& Prev, double Angle) {
  const Extended k = s.Dust.KoefK;
  const Extended f = s.Dust.KoefF;
  TRealPoint V;
  RotatePoint(Prev.Velocity, V, -Angle);
  const double J = ToDouble((1 + k) * f * V.Y);
  if (std::fabs(static_cast<Extended>(J)) < ImpactTolerance) {
    V.X = V.X * 5 / 7;
  } else {
    V.X = V.X + std::min(1.0L, (V.X * (-2)) / (7 * static_cast<Extended>(J))) * J;
  }
  V.Y = -k * V.Y;
  RotatePoint(V, s.Particles[I].Velocity, Angle);
}

void RemoveParticle(TModelState& s, int I) {
  if (I < 0 || I >= s.ParticleCount) return;
  std::copy(s.Particles.begin() + I + 1, s.Particles.begin() + s.ParticleCount, s.Particles.begin() + I);
  --s.ParticleCount;
}

int FractionOf(const TModelState& s, Extended D) {
  const int K = static_cast<int>(s.Dust.Fractions.size());
  int j = 0;
  while (j < K && D > s.Dust.Fractions[j].Upper) ++j;
  if (j == K) j = K - 1;
  return j;
}

void CountExhausted(TModelState& s, int I) {
  const Extended D = s.Particles[I].Diameter;
  FitCounters(s.FractionHits, s);
  if (const int j = FractionOf(s, D); j >= 0) ++s.FractionHits[j];
  s.ExhaustedMass = ToDouble(s.ExhaustedMass + ParticleMassOf(D, s.Dust.ParticleDensity));
}

void CountHeld(TModelState& s, int I) {
  const Extended D = s.Particles[I].Diameter;
  FitCounters(s.FractionHeld, s);
  if (const int j = FractionOf(s, D); j >= 0) ++s.FractionHeld[j];
  s.HeldMass = ToDouble(s.HeldMass + ParticleMassOf(D, s.Dust.ParticleDensity));
}

}  // namespace ltr
