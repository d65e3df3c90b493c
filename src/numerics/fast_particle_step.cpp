#include "numerics/fast_particle_step.h"

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "numerics/fast_particle_step.cpp"
#include <hwy/foreach_target.h>  // compiles this file once per target
#include <hwy/highway.h>

HWY_BEFORE_NAMESPACE();
namespace ltr {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

void StepBlock(TFastParticleBlock& b, int count, double gravity, double h) {
  const hn::ScalableTag<double> d;
  const size_t lanes = hn::Lanes(d);
  const auto vh = hn::Set(d, h);
  const auto half = hn::Set(d, 0.5);
  const auto two = hn::Set(d, 2.0);
  const auto sixth = hn::Set(d, 1.0 / 6.0);
  const auto g = hn::Set(d, gravity);
  const size_t n = static_cast<size_t>(count);
  for (size_t i = 0; i < n; i += lanes) {
    const auto vx = hn::LoadU(d, b.Vx + i);
    const auto x = hn::LoadU(d, b.X + i);
    const auto vy = hn::LoadU(d, b.Vy + i);
    const auto y = hn::LoadU(d, b.Y + i);
    const auto ax = hn::LoadU(d, b.AirVx + i);
    const auto ay = hn::LoadU(d, b.AirVy + i);
    const auto rate = hn::LoadU(d, b.Rate + i);
    // The increments of one stage at the state (svx, svy); the positions do
    // not enter the right-hand sides.
    auto dvx = [&](auto svx) { return hn::Mul(vh, hn::Neg(hn::Mul(rate, hn::Sub(svx, ax)))); };
    auto dvy = [&](auto svy) { return hn::Mul(vh, hn::Sub(hn::Neg(g), hn::Mul(rate, hn::Sub(svy, ay)))); };
    const auto k1vx = dvx(vx), k1x = hn::Mul(vh, vx), k1vy = dvy(vy), k1y = hn::Mul(vh, vy);
    const auto t2vx = hn::MulAdd(k1vx, half, vx), t2vy = hn::MulAdd(k1vy, half, vy);
    const auto k2vx = dvx(t2vx), k2x = hn::Mul(vh, t2vx), k2vy = dvy(t2vy), k2y = hn::Mul(vh, t2vy);
    const auto t3vx = hn::MulAdd(k2vx, half, vx), t3vy = hn::MulAdd(k2vy, half, vy);
    const auto k3vx = dvx(t3vx), k3x = hn::Mul(vh, t3vx), k3vy = dvy(t3vy), k3y = hn::Mul(vh, t3vy);
    const auto t4vx = hn::Add(vx, k3vx), t4vy = hn::Add(vy, k3vy);
    const auto k4vx = dvx(t4vx), k4x = hn::Mul(vh, t4vx), k4vy = dvy(t4vy), k4y = hn::Mul(vh, t4vy);
    // y + ((k2 + k3) 2 + k1 + k4) / 6, as the extended step sums them.
    auto combine = [&](auto y0, auto k1, auto k2, auto k3, auto k4) {
      return hn::MulAdd(hn::Add(hn::MulAdd(hn::Add(k2, k3), two, k1), k4), sixth, y0);
    };
    hn::StoreU(combine(vx, k1vx, k2vx, k3vx, k4vx), d, b.Vx + i);
    hn::StoreU(combine(x, k1x, k2x, k3x, k4x), d, b.X + i);
    hn::StoreU(combine(vy, k1vy, k2vy, k3vy, k4vy), d, b.Vy + i);
    hn::StoreU(combine(y, k1y, k2y, k3y, k4y), d, b.Y + i);
  }
}

}  // namespace HWY_NAMESPACE
}  // namespace ltr
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace ltr {

HWY_EXPORT(StepBlock);

void FastParticleRungeKuttaStep(TFastParticleBlock& block, int count, double gravity, double h) {
  HWY_DYNAMIC_DISPATCH(StepBlock)(block, count, gravity, h);
}

}  // namespace ltr
#endif
