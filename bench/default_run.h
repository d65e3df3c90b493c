#pragma once
// The state the main window's default vortex run leaves (170 bound and 400
// free vortices), made once per benchmark program.

#include "model/model_state.h"
#include "solver/vortex_run.h"

namespace ltr::bench {

inline const TModelState& AfterDefaultRun() {
  static const TModelState s = [] {
    TModelState m;
    RunVortices(m, 400, 0, 0.0, 1.0, 0.005);
    return m;
  }();
  return s;
}

}  // namespace ltr::bench
