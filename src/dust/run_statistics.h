#pragma once
// How sure the results of a concentration run are: the standard error and the
// 95 % interval of the outlet concentration, the penetration of the dust
// overall, per fraction and per size class, and the summary of replicated
// runs.

#include <string>
#include <vector>

#include "model/fate_tally.h"

namespace ltr {

struct TInterval {
  double Low = 0.0;
  double High = 0.0;
};

// Exhausted over injected mass: 0 when nothing was injected.
double Penetration(const TFateTally& t);

// The outlet share of the mass as a ratio estimate. The run's particles are
// taken as independent draws of (injected mass x, exhausted mass y) with y
// either x or 0; R = sum y / sum x is the penetration, and by the delta method
//   SE(R) = sqrt(n / (n - 1) * sum (y - R x)^2) / sum x.
// The outlet concentration is R times the injected concentration of the run,
// so its standard error is that concentration times SE(R). The intervals are
// the estimate +- 1.96 standard errors, kept within [0, 1] for R and
// [0, injected concentration] for the concentration. With fewer than two
// particles the errors are not defined (NaN).
struct TOutletStatistics {
  long long Particles = 0;
  double Penetration = 0.0;
  double PenetrationStdError = 0.0;
  TInterval Penetration95;
  double OutputStdError = 0.0;  // kg/m3
  TInterval Output95;           // kg/m3
};

TOutletStatistics OutletStatistics(const TFateTally& total, double realInputConcentration);

// The 95 % interval of a share by number, `count` of `total` particles
// (Wilson's score interval, which stays within [0, 1] and is sensible for
// counts of 0 and of all); NaN bounds when total is 0.
TInterval ShareInterval95(long long count, long long total);

// Mean, sample standard deviation and the 95 % interval of the mean (Student's
// t with count - 1 degrees of freedom) of values from independent replicas.
// With one value the spread and the interval's half-width are NaN.
struct TReplicaSummary {
  int Count = 0;
  double Mean = 0.0;
  double StdDev = 0.0;
  TInterval Mean95;
};

TReplicaSummary SummarizeReplicas(const std::vector<double>& values);

// How the windows write a 95 % confidence interval whose bounds are already
// written as text: "95 %: low–high unit" (an en dash between the bounds, a
// blank before the unit).
std::string ConfidenceIntervalText(const std::string& low, const std::string& high, const std::string& unit);
// What that wording means, for the hints of the labels that carry it.
inline constexpr const char* ConfidenceIntervalHint =
    "95 %: 95-процентный доверительный интервал (границы, в которых истинное значение лежит с вероятностью 95 %)";

// The two-sided 95 % quantile of Student's t with df degrees of freedom.
double StudentT95(int df);

}  // namespace ltr
