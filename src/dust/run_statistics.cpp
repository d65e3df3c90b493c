#include "dust/run_statistics.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace ltr {

namespace {

constexpr double Z95 = 1.959963984540054;
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

TInterval Around(double value, double error, double low, double high) {
  if (!std::isfinite(error)) return {NaN, NaN};
  return {std::clamp(value - Z95 * error, low, high), std::clamp(value + Z95 * error, low, high)};
}

}  // namespace

double Penetration(const TFateTally& t) {
  const Extended in = t.MassOf(TFateKind::Injected);
  return in > 0 ? ToDouble(t.MassOf(TFateKind::Exhausted) / in) : 0.0;
}

TOutletStatistics OutletStatistics(const TFateTally& total, double realInputConcentration) {
  TOutletStatistics r;
  const long long n = total.CountOf(TFateKind::Injected);
  r.Particles = n;
  r.Penetration = Penetration(total);
  const Extended X = total.MassOf(TFateKind::Injected);
  if (n < 2 || !(X > 0)) {
    r.PenetrationStdError = r.OutputStdError = NaN;
    r.Penetration95 = r.Output95 = {NaN, NaN};
    return r;
  }
  // R as the share of the particles that ended: the same masses summed in
  // another order would leave it a rounding away from 0 or 1.
  const Extended exhaustedMass = total.MassOf(TFateKind::Exhausted);
  const Extended endedMass = exhaustedMass + total.MassOf(TFateKind::Settled) + total.MassOf(TFateKind::AtRest) +
                             total.MassOf(TFateKind::Held);
  const Extended R = endedMass > 0 ? exhaustedMass / endedMass : 0.0L;
  // sum (y - R x)^2 split into the exhausted particles (y = x) and the rest
  // (y = 0): two sums of squares, nothing cancels.
  const Extended exhausted = total.SquaresOf(TFateKind::Exhausted);
  const Extended others = total.SquaresOf(TFateKind::Settled) + total.SquaresOf(TFateKind::AtRest) +
                          total.SquaresOf(TFateKind::Held);
  const Extended residual = (1 - R) * (1 - R) * exhausted + R * R * others;
  const Extended se = std::sqrt(residual * n / (n - 1)) / X;
  r.PenetrationStdError = ToDouble(se);
  r.Penetration95 = Around(r.Penetration, r.PenetrationStdError, 0.0, 1.0);
  r.OutputStdError = ToDouble(se * realInputConcentration);
  r.Output95 = Around(ToDouble(R * realInputConcentration), r.OutputStdError, 0.0, realInputConcentration);
  return r;
}

double StudentT95(int df) {
  static constexpr double table[] = {12.706204736, 4.302652730, 3.182446305, 2.776445105, 2.570581836,
                                     2.446911851, 2.364624252, 2.306004135, 2.262157163, 2.228138852,
                                     2.200985160, 2.178812830, 2.160368656, 2.144786688, 2.131449546,
                                     2.119905299, 2.109815578, 2.100922040, 2.093024054, 2.085963447,
                                     2.079613845, 2.073873068, 2.068657610, 2.063898562, 2.059538553,
                                     2.055529439, 2.051830516, 2.048407142, 2.045229642, 2.042272456};
  if (df < 1) return NaN;
  if (df <= 30) return table[df - 1];
  // Cornish-Fisher expansion about the normal quantile: within 1e-4 from 30 on.
  const double z = Z95;
  const double z3 = z * z * z;
  const double z5 = z3 * z * z;
  return z + (z3 + z) / (4.0 * df) + (5 * z5 + 16 * z3 + 3 * z) / (96.0 * df * df);
}

TReplicaSummary SummarizeReplicas(const std::vector<double>& values) {
  TReplicaSummary r;
  r.Count = static_cast<int>(values.size());
  if (values.empty()) return r;
  Extended sum = 0;
  for (double v : values) sum += v;
  const Extended mean = sum / r.Count;
  r.Mean = ToDouble(mean);
  if (r.Count < 2) {
    r.StdDev = NaN;
    r.Mean95 = {NaN, NaN};
    return r;
  }
  Extended squares = 0;
  for (double v : values) squares += (v - mean) * (v - mean);
  r.StdDev = ToDouble(std::sqrt(squares / (r.Count - 1)));
  const double half = StudentT95(r.Count - 1) * r.StdDev / std::sqrt(static_cast<double>(r.Count));
  r.Mean95 = {r.Mean - half, r.Mean + half};
  return r;
}

TInterval ShareInterval95(long long count, long long total) {
  if (total <= 0) return {NaN, NaN};
  const Extended z = Z95;
  const Extended n = static_cast<Extended>(total);
  const Extended p = static_cast<Extended>(std::clamp(count, 0LL, total)) / n;
  const Extended z2 = z * z;
  const Extended centre = (p + z2 / (2 * n)) / (1 + z2 / n);
  const Extended half = z * std::sqrt(p * (1 - p) / n + z2 / (4 * n * n)) / (1 + z2 / n);
  // For none and for all the bound at 0 or 1 is exact, not a rounding of it.
  const Extended low = count <= 0 ? 0.0L : std::max(centre - half, 0.0L);
  const Extended high = count >= total ? 1.0L : std::min(centre + half, 1.0L);
  return {ToDouble(low), ToDouble(high)};
}

std::string ConfidenceIntervalText(const std::string& low, const std::string& high, const std::string& unit) {
  return "95 %: " + low + "–" + high + " " + unit;
}

}  // namespace ltr
