#include "numerics/fast_velocity.h"

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "numerics/fast_velocity.cpp"
#include <hwy/foreach_target.h>  // compiles this file once per target
#include <hwy/highway.h>

HWY_BEFORE_NAMESPACE();
namespace ltr {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

void SumVelocity(const TFastVortices& f, double px, double py, double* u, double* v) {
  const hn::ScalableTag<double> d;
  const size_t lanes = hn::Lanes(d);
  constexpr double TwoPi = 6.283185307179586;
  const double rc = f.CoreRadius;
  const double outer = rc - f.CoreEpsilon;
  const auto vpx = hn::Set(d, px);
  const auto vpy = hn::Set(d, py);
  const auto outer2 = hn::Set(d, outer * outer);
  const auto eps2 = hn::Set(d, f.CoreEpsilon * f.CoreEpsilon);
  const auto inverseTwoPi = hn::Set(d, 1.0 / TwoPi);
  // Inside the core the speed is that at the rim scaled by r / rc: the
  // factor of (-dy, dx) is then 1 / (2 pi rc^2) whatever r is.
  const auto coreFactor = hn::Set(d, 1.0 / (TwoPi * rc * rc));
  auto su = hn::Zero(d);
  auto sv = hn::Zero(d);
  const size_t n = f.Gamma.size();
  for (size_t i = 0; i + lanes <= n; i += lanes) {
    const auto dx = hn::Sub(vpx, hn::LoadU(d, f.X.data() + i));
    const auto dy = hn::Sub(vpy, hn::LoadU(d, f.Y.data() + i));
    const auto r2 = hn::Add(hn::Mul(dx, dx), hn::Mul(dy, dy));
    const auto farFactor = hn::Div(inverseTwoPi, r2);
    const auto factor =
        hn::IfThenElse(hn::Ge(r2, outer2), farFactor, hn::IfThenElseZero(hn::Ge(r2, eps2), coreFactor));
    const auto g = hn::Mul(hn::LoadU(d, f.Gamma.data() + i), factor);
    su = hn::Sub(su, hn::Mul(dy, g));
    sv = hn::Add(sv, hn::Mul(dx, g));
  }
  *u = hn::GetLane(hn::SumOfLanes(d, su));
  *v = hn::GetLane(hn::SumOfLanes(d, sv));
}

const char* TargetName() { return hwy::TargetName(HWY_TARGET); }

}  // namespace HWY_NAMESPACE
}  // namespace ltr
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace ltr {

HWY_EXPORT(SumVelocity);
HWY_EXPORT(TargetName);

namespace {
// The widest vector of any target: padding to it serves them all.
constexpr size_t BlockDoubles = 16;
// Where the padding vortices sit: far away, with zero circulation.
constexpr double Far = 1e30;
}  // namespace

void TFastVortices::Resize(size_t n) {
  Count = n;
  const size_t padded = (n + BlockDoubles - 1) / BlockDoubles * BlockDoubles;
  X.assign(padded, Far);
  Y.assign(padded, Far);
  Gamma.assign(padded, 0.0);
}

void FastVelocityAt(const TFastVortices& field, double px, double py, double& u, double& v) {
  HWY_DYNAMIC_DISPATCH(SumVelocity)(field, px, py, &u, &v);
}

const char* FastVelocityTarget() { return HWY_DYNAMIC_DISPATCH(TargetName)(); }

}  // namespace ltr
#endif
