#pragma once
// The fast mode's Runge-Kutta step of the particles: in double precision and
// across particles, the lanes of the processor's vectors (chosen once at run
// time) each holding one particle.

#include <cstddef>

namespace ltr {

// The state of a block of particles as arrays of doubles, one entry per
// particle: velocity (Vx, Vy), position (X, Y), the air velocity held
// through the step (AirVx, AirVy) and the drag rate DragFactor /
// ParticleMass (1/s).
struct TFastParticleBlock {
  // Particles in a block; a multiple of the widest vector of any target.
  static constexpr int Size = 64;
  double Vx[Size];
  double X[Size];
  double Vy[Size];
  double Y[Size];
  double AirVx[Size];
  double AirVy[Size];
  double Rate[Size];
};

// One step h of the classical fourth-order Runge-Kutta method for the first
// `count` particles of the block, in place: dv/dt = -Rate (v - air) - (0, g),
// dx/dt = v, the air velocity held through the stages. Entries from `count`
// on are read and written as well (they belong to no particle).
void FastParticleRungeKuttaStep(TFastParticleBlock& block, int count, double gravity, double h);

}  // namespace ltr
