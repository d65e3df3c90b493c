#pragma once
// The air velocity on a regular grid over the enclosure's interior, from the
// vortices as they are: for the picture of the speed field and for the field
// written to files.

#include <vector>

#include "model/model_state.h"

namespace ltr {

// The most grid points along one side.
inline constexpr int MaxFieldGridSide = 2000;

struct TVelocityField {
  int NX = 0;  // points across (x)
  int NY = 0;  // points up (y)
  // The points are the centres of NX x NY equal cells covering the interior:
  // point (i, j) is at (X(i), Y(j)).
  double Width = 0.0;  // the room, m
  double Height = 0.0;
  double DX = 0.0;  // spacing, m
  double DY = 0.0;
  // Row by row from the floor up: index j * NX + i.
  std::vector<double> U;
  std::vector<double> V;
  std::vector<double> Speed;
  double MaxSpeed = 0.0;  // the largest speed on the grid (0 for none)

  double X(int i) const;
  double Y(int j) const;
  int Index(int i, int j) const { return j * NX + i; }
};

// The grid point (i, j) of an nx x ny grid over a room of the given size.
double FieldGridX(double roomWidth, int nx, int i);
double FieldGridY(double roomHeight, int ny, int j);

// The velocity of the flow f on an nx x ny grid (each from 1 to
// MaxFieldGridSide) over the interior of the case's enclosure. The rows are
// computed in parallel on compute.Threads threads, each point as
// FlowVelocityAt computes it (the fast kernel when compute.Fast is on, over
// the vortices as they are now), so the numbers do not depend on the thread
// count.
TVelocityField ComputeVelocityField(const TCase& c, const TFlow& f, const TComputeSettings& compute, int nx, int ny);

// Whether every velocity and speed of the field is a finite number. A flow of
// huge circulations (or a point next to a vortex) can give an infinity, which
// MaxSpeed does not show.
bool VelocityFieldFinite(const TVelocityField& f);

}  // namespace ltr
