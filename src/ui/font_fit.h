#pragma once
// The dialogs are laid out for a compact font of 8 points. Where the system's
// font of that size is too wide for texts that must stay whole, a narrower
// face of the same font is taken (condensed), and only then a smaller size.

#include <QFont>
#include <QFontMetrics>
#include <functional>

namespace ltr {

// The first of `font` itself, its semi-condensed and condensed widths, and
// then those narrow widths at sizes down to 6 points in half points, for which
// `fits` holds; the narrowest and smallest when none does.
QFont NarrowedFont(QFont font, const std::function<bool(const QFontMetrics&)>& fits);

}  // namespace ltr
