#pragma once
// What the source files of the main window share: the text of a UTF-8
// literal, the label texts and the width that more than one of them use.
// Only those files include it.

#include <QString>

#include "model/observer.h"

namespace ltr::main_window_detail {

inline QString Tr(const char* utf8) { return QString::fromUtf8(utf8); }

const char* const VortexCountLabelText = FreeVortexCountPrefix;
const char* const ExhaustedVortexLabelText = "Ушло в отсос: ";
const char* const OutOfMemoryText = "Недостаточно памяти для расчета";

constexpr int PageControlWidth = 255;

}  // namespace ltr::main_window_detail
