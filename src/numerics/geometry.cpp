#include "numerics/geometry.h"

#include <algorithm>
#include <cmath>

namespace ltr {

namespace {

int Sign(Extended v) { return v > 0.0L ? 1 : (v < 0.0L ? -1 : 0); }

// Strictly between a and b, in either order.
bool StrictlyBetween(Extended v, Extended a, Extended b) {
  return (a < v && v < b) || (b < v && v < a);
}

// I moved by (From - I) * WallOffset / |From - I|: backed off towards From
// (or, with From on the far side, pushed on).
TRealPoint OffsetTowards(const TRealPoint& I, const TRealPoint& From) {
  const Extended dx = From.X - I.X;
  const Extended dy = From.Y - I.Y;
  const Extended L = std::sqrt(dx * dx + dy * dy);
  return {I.X + dx * WallOffset / L, I.Y + dy * WallOffset / L};
}

}  // namespace

void ChopSmall(Extended& V) {
  if (std::fabs(V) < ZeroTolerance) V = 0.0L;
}

TRealPoint RealPoint(Extended X, Extended Y) { return {X, Y}; }

Extended PointDistance(const TRealPoint& A, const TRealPoint& B) {
  const Extended dx = A.X - B.X;
  const Extended dy = A.Y - B.Y;
  return std::sqrt(dx * dx + dy * dy);
}

Extended RibLength(const TRib& R) { return PointDistance(R.P1, R.P2); }

Extended VectorLength(const TRealPoint& V) { return std::sqrt(V.X * V.X + V.Y * V.Y); }

Extended DotProduct(const TRealPoint& U, const TRealPoint& V) { return U.X * V.X + U.Y * V.Y; }

void UnitNormal(const TRealPoint& A, const TRealPoint& B, TRealPoint& N) {
  const Extended L = VectorLength({A.X - B.X, A.Y - B.Y});
  N = {(B.Y - A.Y) / L, (A.X - B.X) / L};
}

void LineCoeffs(const TRealPoint& A, const TRealPoint& B, Extended& a, Extended& b, Extended& c) {
  a = B.Y - A.Y;
  b = A.X - B.X;
  c = -A.X * (B.Y - A.Y) + (B.X - A.X) * A.Y;
}

Extended LineValue(const TRealPoint& P, double a, double b, double c) {
  Extended v = P.X * a + P.Y * b + c;
  ChopSmall(v);
  return v;
}

Extended DistanceToLine(const TRealPoint& P, const TRealPoint& A, const TRealPoint& B) {
  Extended a, b, c;
  LineCoeffs(A, B, a, b, c);
  return std::fabs(LineValue(P, ToDouble(a), ToDouble(b), ToDouble(c))) / std::sqrt(a * a + b * b);
}

bool IsParallel(const TRealPoint& A1, const TRealPoint& A2, const TRealPoint& B1, const TRealPoint& B2) {
  return (A2.Y - A1.Y) * (B2.X - B1.X) == (B2.Y - B1.Y) * (A2.X - A1.X);
}

bool PointsEqual(const TRealPoint& A, const TRealPoint& B) { return A.X == B.X && A.Y == B.Y; }

bool IsBetween(const TRealPoint& P, const TRealPoint& A, const TRealPoint& B) {
  return StrictlyBetween(P.X, A.X, B.X) && StrictlyBetween(P.Y, A.Y, B.Y);
}

bool SegmentsCross(const TRealPoint& A1, const TRealPoint& A2, const TRealPoint& B1,
                   const TRealPoint& B2, TRealPoint* Res) {
  Extended a1, b1, c1, a2, b2, c2;
  LineCoeffs(A1, A2, a1, b1, c1);
  LineCoeffs(B1, B2, a2, b2, c2);
  const double da1 = ToDouble(a1), db1 = ToDouble(b1), dc1 = ToDouble(c1);
  const double da2 = ToDouble(a2), db2 = ToDouble(b2), dc2 = ToDouble(c2);
  const int s1 = Sign(LineValue(A1, da2, db2, dc2));
  const int s2 = Sign(LineValue(A2, da2, db2, dc2));
  const int s3 = Sign(LineValue(B1, da1, db1, dc1));
  const int s4 = Sign(LineValue(B2, da1, db1, dc1));
  const bool par = IsParallel(A1, A2, B1, B2);

  bool result;
  if (s1 == -s2 && s3 == -s4 && s1 != 0 && s3 != 0) {
    result = true;
  } else if (!par) {
    result = false;
  } else if (PointsEqual(A1, A2) || PointsEqual(B1, B2)) {
    result = false;
  } else if (DistanceToLine(A1, B1, B2) != 0.0L) {
    result = false;
  } else if (IsBetween(A1, B1, B2) && IsBetween(A2, B1, B2)) {
    result = true;
  } else if (IsBetween(B1, A1, A2) && IsBetween(B2, A1, A2)) {
    result = true;
  } else {
    result = (IsBetween(A1, B1, B2) || IsBetween(A2, B1, B2)) &&
             (IsBetween(B1, A1, A2) || IsBetween(B2, A1, A2));
  }

  if (result && Res != nullptr) {
    if (par) {
      *Res = A1;
    } else {
      Res->Y = (c2 * a1 - c1 * a2) / (a2 * b1 - a1 * b2);
      if (std::fabs(a1) > ZeroTolerance)
        Res->X = (-c1 - b1 * Res->Y) / a1;
      else
        Res->X = (-c2 - b2 * Res->Y) / a2;
    }
  }
  return result;
}

void StopAtRib(const TRealPoint& A, const TRealPoint& B, const TRib& R, bool& Hit, TRealPoint& Res) {
  TRealPoint I;
  if (SegmentsCross(A, B, R.P1, R.P2, &I)) {
    Hit = true;
    Res = OffsetTowards(I, A);
  } else {
    Hit = false;
    Res = B;
  }
}

void SlideAlongRib(const TRealPoint& A, const TRealPoint& B, const TRib& R, bool& Hit, TRealPoint& Res) {
  TRealPoint I;
  if (SegmentsCross(A, B, R.P1, R.P2, &I)) {
    Hit = true;
    const TRealPoint I1 = OffsetTowards(I, A);
    TRealPoint T{R.P2.X - R.P1.X, R.P2.Y - R.P1.Y};
    const Extended L = VectorLength(T);
    T = {T.X / L, T.Y / L};
    const Extended s = DotProduct({B.X - I1.X, B.Y - I1.Y}, T);
    Res = {I1.X + s * T.X, I1.Y + s * T.Y};
  } else {
    Hit = false;
    Res = B;
  }
}

bool FindRibCrossing(const TRealPoint& A, const TRealPoint& B, const TRibArray& Ribs, TRealPoint* Res) {
  bool found = false;
  TRealPoint E = B;
  for (const TRib& rib : Ribs) {
    TRealPoint I;
    if (SegmentsCross(A, E, rib.P1, rib.P2, &I)) {
      found = true;
      if (Res == nullptr) return true;
      E = I;
    }
  }
  if (found) {
    const Extended dx = E.X - A.X;
    const Extended dy = E.Y - A.Y;
    const Extended L = std::sqrt(dx * dx + dy * dy);
    *Res = {E.X + dx * WallOffset / L, E.Y + dy * WallOffset / L};
  }
  return found;
}

TBox ContourBox(const TRibArray& Ribs) {
  TBox box;
  if (Ribs.empty()) return box;
  box = {Ribs[0].P1.X, Ribs[0].P1.Y, Ribs[0].P1.X, Ribs[0].P1.Y};
  for (const TRib& rib : Ribs) {
    for (const TRealPoint& p : {rib.P1, rib.P2}) {
      box.Left = std::min(box.Left, p.X);
      box.Right = std::max(box.Right, p.X);
      box.Bottom = std::min(box.Bottom, p.Y);
      box.Top = std::max(box.Top, p.Y);
    }
  }
  return box;
}

bool StrictlyInside(const TRealPoint& P, const TBox& Box) {
  return Box.Left < P.X && P.X < Box.Right && Box.Bottom < P.Y && P.Y < Box.Top;
}

namespace {

void PullInside(Extended& v, Extended low, Extended high, Extended inset) {
  if (low < v && v < high) return;
  if (high - low <= 2 * inset)
    v = (low + high) / 2;
  else
    v = v <= low ? low + inset : high - inset;
}

}  // namespace

void PullInside(TRealPoint& P, const TBox& Box, Extended Inset) {
  PullInside(P.X, Box.Left, Box.Right, Inset);
  PullInside(P.Y, Box.Bottom, Box.Top, Inset);
}

void RotatePoint(const TRealPoint& P, TRealPoint& Res, double Angle) {
  const Extended s = std::sin(static_cast<Extended>(Angle));
  const Extended c = std::cos(static_cast<Extended>(Angle));
  const TRealPoint p = P;  // P and Res may be the same point
  Res.X = p.X * c - p.Y * s;
  Res.Y = p.Y * c + p.X * s;
}

}  // namespace ltr
