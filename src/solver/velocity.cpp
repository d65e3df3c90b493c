#include "solver/velocity.h"

#include <cmath>

namespace ltr {

namespace {

constexpr Extended TwoPi = 6.283185307179586477L;
// Below this distance a vortex contributes nothing, m.
constexpr Extended CoreEpsilon = 1e-5L;

int SignOf(double v) { return v > 0.0 ? 1 : (v < 0.0 ? -1 : 0); }

}  // namespace

double InducedVelocity(const TRealPoint& P, const TRealPoint& V, const TRealPoint& n) {
  const Extended dx = P.X - V.X;
  const Extended dy = P.Y - V.Y;
  return ToDouble((dx * n.Y - dy * n.X) / (TwoPi * (dx * dx + dy * dy)));
}

double VelocityAt(const TModelState& s, const TRealPoint& P, const TRealPoint& n, int Skip) {
  // PointDistance(P, V) and InducedVelocity written out in place, with their
  // operations unchanged: the distance's square is the kernel's r^2.
  const Extended rc = static_cast<Extended>(s.Area.H) / 2;
  const Extended outer = rc - CoreEpsilon;
  const int count = s.BoundCount + s.FreeCount;
  double sum = 0.0;
  for (int j = 0; j < count; ++j) {
    if (j == Skip) continue;
    const TVortex& vortex = s.Vortices[j];
    const TRealPoint& V = vortex.Pos;
    const Extended dx = P.X - V.X;
    const Extended dy = P.Y - V.Y;
    const Extended r2 = dx * dx + dy * dy;
    const double r = ToDouble(std::sqrt(r2));
    double term;
    if (r >= outer) {
      term = ToDouble(ToDouble((dx * n.Y - dy * n.X) / (TwoPi * r2)) * vortex.Gamma);
    } else if (r >= CoreEpsilon) {
      // Inside the core: the speed at the core's rim, Q, scaled down linearly.
      const double k = ToDouble(rc / r);
      const Extended qdx = (V.X + dx * k) - V.X;
      const Extended qdy = (V.Y + dy * k) - V.Y;
      const Extended iv = ToDouble((qdx * n.Y - qdy * n.X) / (TwoPi * (qdx * qdx + qdy * qdy)));
      term = ToDouble(iv * vortex.Gamma * r / rc);
    } else {
      term = 0.0;
    }
    sum = ToDouble(sum + static_cast<Extended>(term));
  }
  return sum;
}

void VelocityVectorAt(const TModelState& s, const TRealPoint& P, int Skip, double& u, double& v) {
  // The same arithmetic as VelocityAt with n = (1, 0) and n = (0, 1), with the
  // distance, the kernel's denominator and the core point shared by the two
  // components; each component keeps its own terms, roundings and order.
  const TRealPoint& nu = XDirection;
  const TRealPoint& nv = YDirection;
  const Extended rc = static_cast<Extended>(s.Area.H) / 2;
  const Extended outer = rc - CoreEpsilon;
  const int count = s.BoundCount + s.FreeCount;
  double sumU = 0.0;
  double sumV = 0.0;
  for (int j = 0; j < count; ++j) {
    if (j == Skip) continue;
    const TVortex& vortex = s.Vortices[j];
    const TRealPoint& V = vortex.Pos;
    const Extended dx = P.X - V.X;
    const Extended dy = P.Y - V.Y;
    const Extended r2 = dx * dx + dy * dy;
    const double r = ToDouble(std::sqrt(r2));
    double termU;
    double termV;
    if (r >= outer) {
      const Extended d = TwoPi * r2;
      termU = ToDouble(ToDouble((dx * nu.Y - dy * nu.X) / d) * vortex.Gamma);
      termV = ToDouble(ToDouble((dx * nv.Y - dy * nv.X) / d) * vortex.Gamma);
    } else if (r >= CoreEpsilon) {
      const double k = ToDouble(rc / r);
      const Extended qx = V.X + dx * k;
      const Extended qy = V.Y + dy * k;
      const Extended qdx = qx - V.X;
      const Extended qdy = qy - V.Y;
      const Extended d = TwoPi * (qdx * qdx + qdy * qdy);
      termU = ToDouble(ToDouble((qdx * nu.Y - qdy * nu.X) / d) * vortex.Gamma * r / rc);
      termV = ToDouble(ToDouble((qdx * nv.Y - qdy * nv.X) / d) * vortex.Gamma * r / rc);
    } else {
      termU = 0.0;
      termV = 0.0;
    }
    sumU = ToDouble(sumU + static_cast<Extended>(termU));
    sumV = ToDouble(sumV + static_cast<Extended>(termV));
  }
  u = sumU;
  v = sumV;
}

int FindSeparation(const TModelState& s, int From, int To) {
  const int step = To >= From ? 1 : -1;
  const int s0 = SignOf(VelocityAt(s, s.CalcPoints[From].Pos, XDirection, -1));
  int i = From;
  while (i != To) {
    if (SignOf(VelocityAt(s, s.CalcPoints[i].Pos, XDirection, -1)) != s0) break;
    i += step;
  }
  return i == From ? i : i - step;
}

}  // namespace ltr
