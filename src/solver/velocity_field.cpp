#include "solver/velocity_field.h"

#include <algorithm>
#include <cmath>

#include "numerics/fast_velocity.h"
#include "numerics/parallel.h"
#include "solver/velocity.h"

namespace ltr {

double FieldGridX(double roomWidth, int nx, int i) {
  return ToDouble((i + 0.5L) * static_cast<Extended>(roomWidth) / nx);
}

double FieldGridY(double roomHeight, int ny, int j) {
  return ToDouble((j + 0.5L) * static_cast<Extended>(roomHeight) / ny);
}

double TVelocityField::X(int i) const { return FieldGridX(Width, NX, i); }
double TVelocityField::Y(int j) const { return FieldGridY(Height, NY, j); }

TVelocityField ComputeVelocityField(const TCase& c, const TFlow& flow, const TComputeSettings& compute, int nx,
                                    int ny) {
  TVelocityField f;
  nx = std::clamp(nx, 1, MaxFieldGridSide);
  ny = std::clamp(ny, 1, MaxFieldGridSide);
  f.NX = nx;
  f.NY = ny;
  f.Width = c.Area.RoomWidth;
  f.Height = c.Area.RoomHeight;
  f.DX = ToDouble(static_cast<Extended>(c.Area.RoomWidth) / nx);
  f.DY = ToDouble(static_cast<Extended>(c.Area.RoomHeight) / ny);
  const size_t n = static_cast<size_t>(nx) * static_cast<size_t>(ny);
  f.U.assign(n, 0.0);
  f.V.assign(n, 0.0);
  f.Speed.assign(n, 0.0);

  // The vortex arrays may be shorter than the counts say (a state being
  // built); a field is then computed over what there is.
  const size_t count =
      static_cast<size_t>(std::max(0, flow.BoundCount)) + static_cast<size_t>(std::max(0, flow.FreeCount));
  if (count > flow.Vortices.size()) return f;

  // The fast kernel's arrays are loaded once here, for the vortices as they
  // are now, rather than taken from a run (which may hold an older copy).
  TFastVortices fast;
  if (compute.Fast) LoadFastVortices(c, flow, fast);

  const int threads = ResolveThreadCount(compute.Threads);
  ParallelFor(ny, threads, ThreadGrain(compute, static_cast<long long>(nx) * static_cast<long long>(count)),
              [&](int j) {
                const Extended y = static_cast<Extended>(f.Y(j));
                for (int i = 0; i < nx; ++i) {
                  const TRealPoint p{static_cast<Extended>(f.X(i)), y};
                  double u = 0.0;
                  double v = 0.0;
                  if (compute.Fast)
                    FastVelocityAt(fast, ToDouble(p.X), ToDouble(p.Y), u, v);
                  else
                    VelocityVectorAt(c, flow, p, -1, u, v);
                  const size_t k = static_cast<size_t>(j) * nx + i;
                  f.U[k] = u;
                  f.V[k] = v;
                  const Extended eu = u;
                  const Extended ev = v;
                  f.Speed[k] = ToDouble(std::sqrt(eu * eu + ev * ev));
                }
              });
  for (double sp : f.Speed) f.MaxSpeed = std::max(f.MaxSpeed, sp);
  return f;
}

bool VelocityFieldFinite(const TVelocityField& f) {
  for (const std::vector<double>* values : {&f.U, &f.V, &f.Speed})
    for (const double v : *values)
      if (!std::isfinite(v)) return false;
  return std::isfinite(f.MaxSpeed);
}

}  // namespace ltr
