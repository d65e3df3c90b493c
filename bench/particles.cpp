// Particle steps per second in the default enclosure: the bound vortices solved
// for the steady flow, and the flow after a short vortex run (more vortices,
// so each velocity costs more).

#include <benchmark/benchmark.h>

#include "default_run.h"
#include "dust/concentration_run.h"
#include "dust/particle_motion.h"
#include "model/discretization.h"
#include "solver/vortex_run.h"

namespace {

using namespace ltr;
using ltr::bench::Require;

// Particles spread over the interior, away from the walls, falling at about
// their settling speed, so that none leaves in one step.
TParticleArray Cloud(int count) {
  TParticleArray particles;
  for (int i = 0; i < count; ++i) {
    TParticle p;
    p.Pos = {0.1L + 0.8L * (i % 10) / 10, 0.1L + 0.5L * (i / 10 % 10) / 10};
    p.Diameter = 30e-6L + 40e-6L * (i % 7) / 7;
    p.Velocity = {0.0L, -0.2L};
    particles.push_back(p);
  }
  return particles;
}

void StepCloud(benchmark::State& state, TModelState& s) {
  const int count = static_cast<int>(state.range(0));
  s.Dust.ParticleDt = ComputeParticleDt(s.Case(), 10);
  const TParticleArray cloud = Cloud(count);
  TRun run(s.Compute);
  TParticleStepper stepper;
  stepper.MaxResidence = s.MaxResidence;
  for (auto _ : state) {
    s.Particles = cloud;
    s.ParticleCount = count;
    StepParticles(s.Case(), s.Flow(), run, s.DustRun(), stepper);
    benchmark::DoNotOptimize(s.Particles.data());
  }
  state.SetItemsProcessed(state.iterations() * count);
  state.counters["vortices"] = s.BoundCount + s.FreeCount;
}

void BM_ParticleStepsSteadyFlow(benchmark::State& state) {
  TModelState s;
  BuildArea(s.Area, s.Flow());
  Require(SolveCurrentFlow(s.Case(), s.Flow(), s.Compute));
  StepCloud(state, s);
}
BENCHMARK(BM_ParticleStepsSteadyFlow)->Arg(100)->Unit(benchmark::kMicrosecond);

void BM_ParticleStepsAfterVortexRun(benchmark::State& state) {
  TModelState s;
  BuildArea(s.Area, s.Flow());
  TObserver silent;
  Require(RunVortices(s.Case(), s.Flow(), s.Control(), silent, 400, 0, 0.0, state.range(1) / 1000.0, 0.005));
  StepCloud(state, s);
}
BENCHMARK(BM_ParticleStepsAfterVortexRun)->Args({100, 250})->Args({100, 1000})->Unit(benchmark::kMicrosecond);

}  // namespace
