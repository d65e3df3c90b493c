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

// The velocity on an nx x ny grid (each from 1 to MaxFieldGridSide) over the
// interior of s's enclosure. The rows are computed in parallel on
// s.Compute.Threads threads, each point as FlowVelocityAt computes it (the
// fast kernel when s.Compute.Fast is on, over the vortices as they are now),
// so the numbers do not depend on the thread count. s is not changed.
TVelocityField ComputeVelocityField(const TModelState& s, int nx, int ny);
// The same with the kernel chosen by `fast` rather than by s.Compute.Fast: a
// field that is only drawn may take the fast kernel whatever the runs use.
TVelocityField ComputeVelocityField(const TModelState& s, int nx, int ny, bool fast);

}  // namespace ltr
