// The steady flow of the bound vortices against the exact potential flow of
// the rectangular enclosure with the same normal velocities on its walls and
// openings.

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "model/discretization.h"
#include "model/model_state.h"
#include "solver/velocity.h"
#include "solver/vortex_run.h"

namespace ltr {
namespace {

// The potential flow in the rectangle [0, W] x [0, R] whose normal velocity
// is -Vin (downwards, into the box) on the inflow x in [a, a + b] of the
// ceiling, Vout (out of the box) on the exhaust y in [e, e + c] of the right
// wall, and 0 on every other part of the walls. With the fluxes in balance
// (Vin b = Vout c) the velocity is the gradient of
//   phi = alpha (x^2 - y^2) / 2 + sum_n A_n cos(k_n x) cosh(k_n y)
//                               + sum_m B_m cos(l_m y) cosh(l_m x),
// k_n = n pi / W, l_m = m pi / R: the first term carries the mean inflow
// through the ceiling out through the right wall (alpha = Vin b / (W R)), the
// two cosine series the rest of the ceiling's and the right wall's data, each
// leaving the other three sides without normal velocity.
class ExactEnclosureFlow {
 public:
  explicit ExactEnclosureFlow(const TAreaParams& area, int terms = 600)
      : W(area.RoomWidth), R(area.RoomHeight), alpha(area.InflowSpeed * area.InflowWidth / (W * R)) {
    const double a = area.InflowDistance, b = area.InflowWidth;
    const double e = area.ExhaustHeight, c = area.ExhaustWidth;
    for (int n = 1; n <= terms; ++n) {
      const double k = n * std::numbers::pi / W;
      // Cosine coefficients of the ceiling's normal velocity -Vin on [a, a + b].
      top.push_back({k, -2 * area.InflowSpeed / W * (std::sin(k * (a + b)) - std::sin(k * a)) / k});
      const double l = n * std::numbers::pi / R;
      right.push_back({l, 2 * area.Speed / R * (std::sin(l * (e + c)) - std::sin(l * e)) / l});
    }
  }

  void VelocityAt(double x, double y, double& u, double& v) const {
    u = alpha * x;
    v = -alpha * y;
    // cosh(k y) / sinh(k R) and sinh(k y) / sinh(k R), written with decaying
    // exponentials only.
    for (const Term& t : top) {
      const double d = 1 - std::exp(-2 * t.k * R);
      const double near = std::exp(t.k * (y - R)), far = std::exp(-t.k * (y + R));
      u -= t.c * std::sin(t.k * x) * (near + far) / d;
      v += t.c * std::cos(t.k * x) * (near - far) / d;
    }
    for (const Term& t : right) {
      const double d = 1 - std::exp(-2 * t.k * W);
      const double near = std::exp(t.k * (x - W)), far = std::exp(-t.k * (x + W));
      u += t.c * std::cos(t.k * y) * (near - far) / d;
      v -= t.c * std::sin(t.k * y) * (near + far) / d;
    }
  }

 private:
  struct Term {
    double k, c;
  };
  double W, R, alpha;
  std::vector<Term> top, right;
};

// Root mean square of the difference between the steady vortex flow and the
// exact flow over a grid of points at least `clearance` from every wall,
// relative to the mean exact speed there. The terms the exact flow leaves out
// decay there as e^(-k clearance), far below the error measured.
double RelativeRmsError(const ExactEnclosureFlow& exact, double H, double clearance = 0.1) {
  TModelState s;
  s.Area.H = H;
  BuildArea(s.Area, s.Flow());
  EXPECT_TRUE(SolveCurrentFlow(s.Case(), s.Flow(), s.Compute).Ok());
  double squares = 0, speeds = 0;
  int count = 0;
  const double step = 0.025;
  for (double x = clearance; x <= s.Area.RoomWidth - clearance + 1e-9; x += step)
    for (double y = clearance; y <= s.Area.RoomHeight - clearance + 1e-9; y += step) {
      double u = 0, v = 0, ue = 0, ve = 0;
      VelocityVectorAt(s.Case(), s.Flow(), {x, y}, -1, u, v);
      exact.VelocityAt(x, y, ue, ve);
      squares += (u - ue) * (u - ue) + (v - ve) * (v - ve);
      speeds += std::hypot(ue, ve);
      ++count;
    }
  return std::sqrt(squares / count) / (speeds / count);
}

// At the default spacing the steady flow is within 0.5 % (root mean square,
// relative to the mean speed) of the exact one wherever the points are 0.1 m
// or more from the walls, and the error falls as the spacing is refined. The
// reference itself meets its wall conditions.
TEST(ExactFlowTest, SteadyVortexFlowConvergesToThePotentialFlowOfTheEnclosure) {
  const TAreaParams area;
  ASSERT_DOUBLE_EQ(area.InflowSpeed * area.InflowWidth, area.Speed * area.ExhaustWidth);
  {
    // On the walls the series converge slowly: the tolerance is loose, but a
    // wrong coefficient or sign would be far outside it.
    const ExactEnclosureFlow wall(area, 20000);
    const double R = area.RoomHeight, W = area.RoomWidth;
    const struct {
      double x, y, u, v;
    } checks[] = {{0.2, R, NAN, -area.InflowSpeed}, {0.7, R, NAN, 0}, {W, 0.55, area.Speed, NAN},
                  {W, 0.2, 0, NAN},                  {0.5, 0, NAN, 0},  {0, 0.3, 0, NAN}};
    for (const auto& c : checks) {
      double u = 0, v = 0;
      wall.VelocityAt(c.x, c.y, u, v);
      if (!std::isnan(c.u)) {
        EXPECT_NEAR(u, c.u, 2e-3) << c.x << ", " << c.y;
      }
      if (!std::isnan(c.v)) {
        EXPECT_NEAR(v, c.v, 2e-3) << c.x << ", " << c.y;
      }
    }
  }
  const ExactEnclosureFlow exact(area);
  const double coarse = RelativeRmsError(exact, 0.04);
  const double standard = RelativeRmsError(exact, area.H);
  const double fine = RelativeRmsError(exact, 0.01);
  EXPECT_LT(standard, 0.005);
  EXPECT_LT(fine, standard);
  EXPECT_LT(standard, coarse);
  RecordProperty("rms_error_0_04", std::to_string(coarse));
  RecordProperty("rms_error_0_02", std::to_string(standard));
  RecordProperty("rms_error_0_01", std::to_string(fine));
}

}  // namespace
}  // namespace ltr
