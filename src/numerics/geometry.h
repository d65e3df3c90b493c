#pragma once
// Plane geometry of the model: points and wall segments with extended
// coordinates, the segment crossing test, and the three wall responses that
// clip a move at a wall (stop before it, slide along it, nearest crossing).

#include <vector>

#include "numerics/extended.h"

namespace ltr {

struct TRealPoint {
  Extended X = 0.0L;
  Extended Y = 0.0L;
};

struct TRib {
  TRealPoint P1;
  TRealPoint P2;
};

using TRealPointArray = std::vector<TRealPoint>;
using TRealPointMatr = std::vector<TRealPointArray>;
using TRibArray = std::vector<TRib>;

// Magnitudes strictly below this count as zero.
inline constexpr Extended ZeroTolerance = 1e-10L;
// Distance by which a wall-hit point is moved off the wall, m.
inline constexpr Extended WallOffset = 1e-4L;

void ChopSmall(Extended& V);
TRealPoint RealPoint(Extended X, Extended Y);
Extended PointDistance(const TRealPoint& A, const TRealPoint& B);
Extended RibLength(const TRib& R);
Extended VectorLength(const TRealPoint& V);
Extended DotProduct(const TRealPoint& U, const TRealPoint& V);
// Unit vector of the direction A -> B turned 90 degrees clockwise.
void UnitNormal(const TRealPoint& A, const TRealPoint& B, TRealPoint& N);
void LineCoeffs(const TRealPoint& A, const TRealPoint& B, Extended& a, Extended& b, Extended& c);
// P.X*a + P.Y*b + c, chopped at ZeroTolerance; the coefficients are doubles.
Extended LineValue(const TRealPoint& P, double a, double b, double c);
Extended DistanceToLine(const TRealPoint& P, const TRealPoint& A, const TRealPoint& B);
bool IsParallel(const TRealPoint& A1, const TRealPoint& A2, const TRealPoint& B1, const TRealPoint& B2);
bool PointsEqual(const TRealPoint& A, const TRealPoint& B);
bool IsBetween(const TRealPoint& P, const TRealPoint& A, const TRealPoint& B);
// Whether segment A1-A2 properly crosses B1-B2; on true the crossing point is
// written to *Res when Res is given.
bool SegmentsCross(const TRealPoint& A1, const TRealPoint& A2, const TRealPoint& B1,
                   const TRealPoint& B2, TRealPoint* Res = nullptr);
// The move A->B stops WallOffset before the rib it crosses.
void StopAtRib(const TRealPoint& A, const TRealPoint& B, const TRib& R, bool& Hit, TRealPoint& Res);
// The part of the move beyond the rib is turned along the rib.
void SlideAlongRib(const TRealPoint& A, const TRealPoint& B, const TRib& R, bool& Hit, TRealPoint& Res);
// Whether the move A->B crosses any rib; with Res, the crossing nearest to A
// pushed WallOffset beyond the wall in the direction of travel.
bool FindRibCrossing(const TRealPoint& A, const TRealPoint& B, const TRibArray& Ribs,
                     TRealPoint* Res = nullptr);
// The axis-parallel box spanned by a contour's end points.
struct TBox {
  Extended Left = 0.0L;
  Extended Bottom = 0.0L;
  Extended Right = 0.0L;
  Extended Top = 0.0L;
};
TBox ContourBox(const TRibArray& Ribs);
// Strictly inside: a point on a side is not inside.
bool StrictlyInside(const TRealPoint& P, const TBox& Box);
// Each coordinate of P that is on or beyond a side of Box is set Inset inside
// that side (to the middle when the box is no wider than 2 * Inset).
void PullInside(TRealPoint& P, const TBox& Box, Extended Inset);
// Counter-clockwise rotation about the origin.
void RotatePoint(const TRealPoint& P, TRealPoint& Res, double Angle);

}  // namespace ltr
