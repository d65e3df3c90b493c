#include "model/discretization.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace ltr {

std::string BoundCountText(int boundCount) {
  return "Количество присоединенных вихрей: " + std::to_string(boundCount);
}

void BuildArea(const TAreaParams& a, TFlow& f) {
  const Extended W = a.RoomWidth;
  const Extended R = a.RoomHeight;
  const Extended inflowLeft = a.InflowDistance;
  const Extended inflowRight = static_cast<Extended>(a.InflowDistance) + a.InflowWidth;
  const Extended exhaustLow = a.ExhaustHeight;
  const Extended exhaustHigh = static_cast<Extended>(a.ExhaustHeight) + a.ExhaustWidth;

  // Clockwise: ceiling left to right, right wall down, floor right to left, left wall up.
  f.Ribs = {
      {{0.0L, R}, {inflowLeft, R}},
      {{inflowLeft, R}, {inflowRight, R}},
      {{inflowRight, R}, {W, R}},
      {{W, R}, {W, exhaustHigh}},
      {{W, exhaustHigh}, {W, exhaustLow}},
      {{W, exhaustLow}, {W, 0.0L}},
      {{W, 0.0L}, {0.0L, 0.0L}},
      {{0.0L, 0.0L}, {0.0L, R}},
  };
  f.ExhaustRib = 4;
  f.InflowRib = 1;

  int N = 0;
  for (int k = 0; k < static_cast<int>(f.Ribs.size()); ++k) {
    const TRealPoint P1 = f.Ribs[k].P1;
    const TRealPoint P2 = f.Ribs[k].P2;
    const Extended L = RibLength(f.Ribs[k]);
    int n = static_cast<int>(std::llrint(L / a.H));  // halves to the even neighbour
    if (n == 0) n = 1;
    const TRealPoint step{ToDouble((P2.X - P1.X) / n), ToDouble((P2.Y - P1.Y) / n)};
    f.Vortices.resize(static_cast<size_t>(N + n));
    f.CalcPoints.resize(static_cast<size_t>(N + n));
    TRealPoint normal;
    UnitNormal(P2, P1, normal);
    Extended vn = 0.0L;
    if (k == f.ExhaustRib)
      vn = a.Speed;
    else if (k == f.InflowRib)
      vn = -static_cast<Extended>(a.InflowSpeed);
    for (int i = 0; i < n; ++i) {
      TVortex& v = f.Vortices[N + i];
      v.Pos = {P1.X + i * step.X, P1.Y + i * step.Y};
      v.Gamma = 0.0L;
      TCalcPoint& c = f.CalcPoints[N + i];
      c.Pos = {P1.X + (i + 0.5L) * step.X, P1.Y + (i + 0.5L) * step.Y};
      c.Normal = normal;
      c.Vn = vn;
    }
    N += n;
    f.RibCounts[k] = n;
    const int first = N - n;
    const int last = N - 1;
    // The search indices step one calc point in from a corner or edge, and
    // points 2 and 3 start just past the middle of their wall; on a wall of
    // one to three vortices these land on the next wall (or beyond the last
    // calc point), and a vortex would be shed from there. Both ends of every
    // search are kept on the point's own wall.
    const int middleStart = N - n / 2 + 1;
    auto setPoint = [&f, first, last](int p, int from, int to, TRealPoint dir) {
      TSeparationPoint& sp = f.SepPoints[p];
      sp.SearchFrom = std::clamp(from, first, last);
      sp.SearchTo = std::clamp(to, first, last);
      sp.Dir = dir;
      sp.LastShed = -1;
    };
    switch (k) {
      case 0: setPoint(0, last, first + 1, {0.0L, -1.0L}); break;
      case 2: setPoint(1, first + 1, last, {0.0L, -1.0L}); break;
      case 6: setPoint(2, middleStart, first + 1, {0.0L, 1.0L}); break;
      case 7: setPoint(3, middleStart, first + 1, {1.0L, 0.0L}); break;
      default: break;
    }
  }
  f.BoundCount = N;

  const Extended d = static_cast<Extended>(a.H) / 2;
  f.InnerRibs = {
      {{d, R - d}, {W - d, R - d}},
      {{W - d, R - d}, {W - d, d}},
      {{W - d, d}, {d, d}},
      {{d, d}, {d, R - d}},
  };

  f.Vortices.resize(static_cast<size_t>(N + f.MaxFreeVortex));
  f.ExhaustedVortexCount = 0;
}

int BoundCountWithin(const TAreaParams& a, int limit) {
  // Every rib gets about its length / H vortices.
  const Extended estimate = 2 * (static_cast<Extended>(a.RoomWidth) + a.RoomHeight) / a.H;
  if (!(estimate <= 4 * static_cast<Extended>(limit))) return limit + 1;
  TFlow probe;
  probe.MaxFreeVortex = 0;
  BuildArea(a, probe);
  return std::min(probe.BoundCount, limit + 1);
}

}  // namespace ltr
