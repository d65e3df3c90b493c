#pragma once
// A coarse enclosure (H = 0.05) and a thin dust, so that concentration runs
// take few steps.

#include <gtest/gtest.h>

#include <cstdint>

#include "dust/concentration_run.h"
#include "model/discretization.h"
#include "quiet_observer.h"
#include "solver/vortex_run.h"

namespace ltr::testing {

inline TModelState Coarse() {
  TModelState s;
  s.Area.H = 0.05;
  s.Dust.InputConcentration = 3e-6;
  BuildArea(s.Area, s.Flow());
  return s;
}

// The coarse case in its steady bound-vortex flow.
inline TModelState SteadyFlow() {
  TModelState s = Coarse();
  EXPECT_TRUE(SolveCurrentFlow(s.Case(), s.Flow(), s.Compute));
  return s;
}

inline TConcentrationOptions Seeded(std::uint64_t seed) {
  TConcentrationOptions o;
  o.Seed = TSizeSeed::Fixed(seed);
  return o;
}

// The steady flow after a complete run of particles x moments with the seed.
inline TModelState AfterSeededRun(std::uint64_t seed, int particles = 5, int moments = 4) {
  TModelState s = SteadyFlow();
  EXPECT_TRUE(RunConcentration(s.Case(), s.Flow(), s.DustRun(), s.Results(), s.Control(), Quiet(), particles, moments,
                               false, Seeded(seed)));
  return s;
}

}  // namespace ltr::testing
