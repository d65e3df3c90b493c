#pragma once
// The small pictures of the main window's tool buttons, painted by hand,
// 16 x 16 pixels.

#include <QIcon>

namespace ltr {

enum class TIcon { ZoomOut, ZoomIn, ZoomNo, FreeVortices, BoundVortices, Axes, Numbers, SpeedField };

QIcon MakeIcon(TIcon kind);

}  // namespace ltr
