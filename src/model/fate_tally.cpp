#include "model/fate_tally.h"

#include <algorithm>
#include <cmath>

#include "model/model_state.h"

namespace ltr {

void TFateTally::Add(TFateKind kind, Extended mass) {
  const int k = static_cast<int>(kind);
  ++Count[k];
  Mass[k] += mass;
  Squares[k] += mass * mass;
}

double FinishedMassShare(const TFateTally& t) {
  const Extended injected = t.MassOf(TFateKind::Injected);
  if (!(injected > 0)) return 0.0;
  const Extended finished =
      t.MassOf(TFateKind::Exhausted) + t.MassOf(TFateKind::Settled) + t.MassOf(TFateKind::AtRest) + t.MassOf(TFateKind::Held);
  return ToDouble(std::clamp(finished / injected, 0.0L, 1.0L));
}

void TRunTally::Reset(const std::vector<TFraction>& fractions) {
  Fractions.assign(fractions.size(), TFateTally{});
  const int classes = std::max(MinSizeClassCount, static_cast<int>(fractions.size()));
  Classes.assign(static_cast<size_t>(classes), TFateTally{});
  if (fractions.empty()) {
    ClassLow = ClassHigh = 0.0;
    return;
  }
  ClassLow = fractions.front().Lower;
  ClassHigh = fractions.back().Upper;
}

void TRunTally::Add(int fraction, Extended D, Extended mass, TFateKind kind) {
  if (fraction >= 0 && fraction < static_cast<int>(Fractions.size())) Fractions[fraction].Add(kind, mass);
  if (Classes.empty()) return;
  const int last = static_cast<int>(Classes.size()) - 1;
  int k = 0;
  if (ClassHigh > ClassLow) {
    const Extended at = std::floor((D - ClassLow) * static_cast<int>(Classes.size()) / (ClassHigh - ClassLow));
    k = at < 0 ? 0 : at > last ? last : static_cast<int>(at);
  }
  Classes[k].Add(kind, mass);
}

TFateTally TRunTally::Total() const {
  TFateTally total;
  for (const TFateTally& f : Fractions) {
    for (int k = 0; k < FateKindCount; ++k) {
      total.Count[k] += f.Count[k];
      total.Mass[k] += f.Mass[k];
      total.Squares[k] += f.Squares[k];
    }
  }
  return total;
}

double TRunTally::ClassLower(int k) const {
  const int n = static_cast<int>(Classes.size());
  if (n == 0) return ClassLow;
  return ToDouble(ClassLow + (static_cast<Extended>(ClassHigh) - ClassLow) * k / n);
}

double TRunTally::ClassUpper(int k) const { return ClassLower(k + 1); }

}  // namespace ltr
