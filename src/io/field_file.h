#pragma once
// The velocity field on a grid and the vortices as text files for other
// tools: legacy VTK (ASCII; ParaView and VisIt open it) and CSV. Numbers are
// written in their shortest form that reads back to the same double, with a
// decimal point whatever the locale.

#include <string>

#include "model/model_state.h"
#include "solver/velocity_field.h"

namespace ltr {

// Legacy VTK structured points: the grid's origin and spacing, the vectors
// "velocity" (vx, vy, 0) and the scalars "speed", point by point row by row
// from the floor up.
std::string VelocityFieldVtk(const TVelocityField& f);

// CSV with the header "x,y,vx,vy,speed" and one line a grid point, in the
// same order.
std::string VelocityFieldCsv(const TVelocityField& f);

// Legacy VTK poly data: every vortex (bound, then free) as a point (x, y, 0)
// with the scalars "circulation" (m^2/s) and "bound" (1 for a bound vortex,
// 0 for a free one).
std::string VorticesVtk(const TFlow& f);

// The name of the vortex file written beside a field file: "_vortices.vtk" in
// place of the field file's extension ("flow.vtk" gives "flow_vortices.vtk").
std::string VorticesFileName(const std::string& fieldFileName);

}  // namespace ltr
