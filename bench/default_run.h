#pragma once
// The state the main window's default vortex run leaves (170 bound and 400
// free vortices), made once per benchmark program.

#include <cstdio>
#include <cstdlib>

#include "model/model_state.h"
#include "model/outcome.h"
#include "solver/vortex_run.h"

namespace ltr::bench {

// A run a benchmark measures or starts from must not be refused or fail:
// the figures would then be of nothing. A run stopped at its step bound is
// what the benchmark asked for.
inline void Require(const TOutcome& outcome) {
  if (outcome.Ok() || outcome.Kind() == TOutcome::TKind::Stopped) return;
  std::fprintf(stderr, "%s\n", outcome.Message().c_str());
  std::abort();
}

inline const TModelState& AfterDefaultRun() {
  static const TModelState s = [] {
    TModelState m;
    TObserver silent;
    Require(RunVortices(m.Case(), m.Flow(), m.Control(), silent, 400, 0, 0.0, 1.0, 0.005));
    return m;
  }();
  return s;
}

}  // namespace ltr::bench
