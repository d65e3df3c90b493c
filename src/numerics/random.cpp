#include "numerics/random.h"

#include <chrono>
#include <cmath>
#include <random>

namespace ltr {

namespace {

// The tolerance of the total area of the bars.
constexpr Extended AreaTolerance = 1e-6L;

// A uniform value in [0, 1) from 53 random bits.
double UnitDraw(std::mt19937_64& source) {
  return static_cast<double>(source() >> 11) * 0x1.0p-53;
}

}  // namespace

TUniformRandom::TUniformRandom() : FX1(3.14159265), FX2(0.54210887) { FReady = true; }

double TUniformRandom::Next() {
  double s = ToDouble(static_cast<Extended>(FX1) + FX2);
  if (s > 4) s = ToDouble(static_cast<Extended>(s) - 4);
  const double r = ToDouble(static_cast<Extended>(s) / 4);
  FX1 = FX2;
  FX2 = s;
  return r;
}

std::uint64_t ClockSeed() {
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

void TUniformRandom::Randomize() { Randomize(ClockSeed()); }

void TUniformRandom::Randomize(std::uint64_t seed) {
  std::mt19937_64 source(seed);
  const double r1 = UnitDraw(source);
  const double r2 = UnitDraw(source);
  FX1 = ToDouble(4 * static_cast<Extended>(r1));
  FX2 = r2;
}

TBarRandom::TBarRandom() {
  SetCount(2);
  FBounds = {0.0L, 0.5L, 1.0L};
  FHeights = {0.5L, 1.5L};
}

TBarRandom::~TBarRandom() {
  FCumulative.clear();
  FHeights.clear();
  FBounds.clear();
}

void TBarRandom::SetCount(int N) {
  if (N == FCount) return;
  FCount = N;
  const size_t edges = N >= 0 ? static_cast<size_t>(N) + 1 : 0;
  const size_t bars = N > 0 ? static_cast<size_t>(N) : 0;
  FBounds.resize(edges, 0.0L);
  FCumulative.resize(edges, 0.0L);
  FHeights.resize(bars, 0.0L);
  FReady = false;
}

void TBarRandom::SetBound(int I, double V) {
  if (I < 0 || static_cast<size_t>(I) >= FBounds.size()) return;
  if (FBounds[I] != V) {
    FBounds[I] = V;
    FReady = false;
  }
}

void TBarRandom::SetHeight(int I, double V) {
  if (I < 0 || static_cast<size_t>(I) >= FHeights.size()) return;
  if (FHeights[I] != V) {
    FHeights[I] = V;
    FReady = false;
  }
}

bool TBarRandom::CheckParams() const {
  double sum = 0;
  for (int i = 1; i <= FCount; ++i) {
    if (FBounds[i] <= FBounds[i - 1]) return false;
    if (FHeights[i - 1] < 0) return false;
    sum = ToDouble(sum + (FBounds[i] - FBounds[i - 1]) * FHeights[i - 1]);
  }
  return std::fabs(static_cast<Extended>(sum) - 1) <= AreaTolerance;
}

bool TBarRandom::Prepare() {
  const bool ok = CheckParams();
  if (ok) {
    FCumulative[0] = 0.0L;
    for (int i = 1; i <= FCount; ++i)
      FCumulative[i] = (FBounds[i] - FBounds[i - 1]) * FHeights[i - 1] + FCumulative[i - 1];
  }
  FReady = ok;
  return ok;
}

double TBarRandom::Next() {
  if (!FReady) return 0;
  const Extended u = FUniform.Next();
  int i = 1;
  while (i < FCount && FCumulative[i] < u) ++i;
  return ToDouble((u - FCumulative[i - 1]) / FHeights[i - 1] + FBounds[i - 1]);
}

}  // namespace ltr
