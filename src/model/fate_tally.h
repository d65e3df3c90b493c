#pragma once
// What became of the particles of a concentration run: counts and masses by
// fate, per input fraction and per size class of the grade-efficiency curve.

#include <array>
#include <vector>

#include "numerics/extended.h"

namespace ltr {

struct TFraction;

// The fates a particle can meet; Injected counts every particle put in.
enum class TFateKind : int { Injected, Exhausted, Settled, AtRest, Held };
inline constexpr int FateKindCount = 5;

struct TFateTally {
  std::array<long long, FateKindCount> Count{};
  std::array<Extended, FateKindCount> Mass{};  // kg per metre of depth
  // Sums of the squared particle masses, for the spread of the outlet share.
  std::array<Extended, FateKindCount> Squares{};

  void Add(TFateKind kind, Extended mass);
  long long CountOf(TFateKind kind) const { return Count[static_cast<int>(kind)]; }
  Extended MassOf(TFateKind kind) const { return Mass[static_cast<int>(kind)]; }
  Extended SquaresOf(TFateKind kind) const { return Squares[static_cast<int>(kind)]; }
};

// The share of the injected mass whose particles have left the flight (through
// the exhaust, settled, come to rest or held); 0 before any is injected. It
// only grows while particles are tracked and no more are injected.
double FinishedMassShare(const TFateTally& t);

// The least number of size classes of the grade-efficiency curve.
inline constexpr int MinSizeClassCount = 10;

struct TRunTally {
  std::vector<TFateTally> Fractions;  // one per input fraction
  std::vector<TFateTally> Classes;    // equal diameter classes across the composition
  double ClassLow = 0.0;              // lower diameter of the first class, m
  double ClassHigh = 0.0;             // upper diameter of the last class, m

  // Empty tallies for these fractions (ordered and adjacent): max(10, K)
  // classes from the first lower to the last upper bound.
  void Reset(const std::vector<TFraction>& fractions);
  // Books one particle of diameter D, mass `mass` and input fraction j.
  void Add(int fraction, Extended D, Extended mass, TFateKind kind);
  // Everything summed over the fractions.
  TFateTally Total() const;
  // Lower and upper diameter of class k.
  double ClassLower(int k) const;
  double ClassUpper(int k) const;
};

}  // namespace ltr
