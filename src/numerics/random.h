#pragma once
// The random numbers of the dust model: a uniform generator of its own (an
// additive two-term recurrence modulo 4, scaled to the unit interval) and a
// generator for a piecewise-constant density (a histogram of bars) that
// inverts its cumulative distribution.

#include <cstdint>
#include <memory>

#include "numerics/matrix.h"

namespace ltr {

// The seed a generator randomized from the clock takes: the milliseconds of
// the system clock.
std::uint64_t ClockSeed();

class TRandom {
 public:
  virtual ~TRandom() = default;

  // The next value.
  virtual double Next() = 0;
  // Checks the parameters and builds the tables; the result is also Ready().
  virtual bool Prepare() = 0;
  // Reseeds from the clock, starting a new sequence.
  virtual void Randomize() = 0;
  // Reseeds from the given seed: the same seed gives the same sequence.
  virtual void Randomize(std::uint64_t seed) = 0;

  // The generator may produce values.
  bool Ready() const { return FReady; }

 protected:
  bool FReady = false;
};

class TUniformRandom : public TRandom {
 public:
  // The fixed start values 3.14159265 and 0.54210887; ready at once.
  TUniformRandom();
  static std::unique_ptr<TUniformRandom> Create() { return std::make_unique<TUniformRandom>(); }

  // s := X1 + X2, less 4 when above 4; returns s / 4 and shifts the state.
  double Next() override;
  bool Prepare() override { return true; }
  void Randomize() override;
  void Randomize(std::uint64_t seed) override;

  double X1() const { return FX1; }  // the older state value
  double X2() const { return FX2; }  // the newer state value
  // Continues the recurrence from the given state values.
  void SetState(double x1, double x2) {
    FX1 = x1;
    FX2 = x2;
  }

 private:
  double FX1;
  double FX2;
};

class TBarRandom : public TRandom {
 public:
  // Two bars, (0, 0.5) of height 0.5 and (0.5, 1) of height 1.5; not ready
  // until Prepare.
  TBarRandom();
  ~TBarRandom() override;
  static std::unique_ptr<TBarRandom> Create() { return std::make_unique<TBarRandom>(); }

  // A value of the density by inversion of its cumulative distribution; 0
  // (without advancing the uniform source) while not ready.
  double Next() override;
  bool Prepare() override;
  void Randomize() override { FUniform.Randomize(); }
  void Randomize(std::uint64_t seed) override { FUniform.Randomize(seed); }

  // The parameters; each change clears Ready, setting the value already held
  // changes nothing. Indices outside the bars are ignored.
  void SetCount(int N);
  void SetBound(int I, double V);   // I = 0 .. Count
  void SetHeight(int I, double V);  // I = 0 .. Count - 1
  // Bounds strictly increasing, heights not negative, total area within 1e-6
  // of 1.
  bool CheckParams() const;

  int Count() const { return FCount; }
  const TRealArray& Bounds() const { return FBounds; }
  const TRealArray& Heights() const { return FHeights; }
  // Probability mass below each bound; valid while Ready.
  const TRealArray& Cumulative() const { return FCumulative; }
  const TUniformRandom& Uniform() const { return FUniform; }
  TUniformRandom& Uniform() { return FUniform; }

 private:
  TRealArray FHeights;
  TRealArray FBounds;
  int FCount = 0;
  TRealArray FCumulative;
  TUniformRandom FUniform;
};

}  // namespace ltr
