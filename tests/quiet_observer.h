#pragma once
// An observer for the runs that no test follows.

#include "model/observer.h"

namespace ltr::testing {

inline TObserver& Quiet() {
  static TObserver quiet;
  return quiet;
}

}  // namespace ltr::testing
