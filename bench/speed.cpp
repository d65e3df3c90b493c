// The speed of the runs by thread count and mode, in one program: velocity
// terms per second (exact, fast), steps per second of the default vortex run,
// of the default concentration run and of a concentration run with moving
// vortices, one step of the moving vortices (400 and 4,000 of them), and
// particle steps per second of a cloud in flight. Arguments: threads (0: all
// cores), fast mode (0 or 1). The threaded cases are timed by the clock on
// the wall, which is what a user waits for on a loaded machine.

#include <benchmark/benchmark.h>

#include "default_run.h"

#include "dust/concentration_run.h"
#include "dust/particle_motion.h"
#include "model/discretization.h"
#include "model/model_state.h"
#include "numerics/parallel.h"
#include "solver/time_step.h"
#include "solver/velocity.h"
#include "solver/vortex_run.h"

namespace {

using namespace ltr;

using bench::AfterDefaultRun;
using bench::Require;

void SetCompute(TModelState& s, const benchmark::State& state) {
  s.Compute.Threads = static_cast<int>(state.range(0));
  s.Compute.Fast = state.range(1) != 0;
}

void Label(benchmark::State& state) {
  const int threads = ResolveThreadCount(static_cast<int>(state.range(0)));
  state.SetLabel(std::string(state.range(1) != 0 ? "fast " : "exact ") + std::to_string(threads) +
                 (threads == 1 ? " thread" : " threads") +
                 (state.range(1) != 0 ? std::string(" ") + FastVelocityTarget() : std::string()));
}

// One velocity (both components) at a point of the field after the default
// run; a term is one vortex's contribution to one component.
void BM_VelocityTerms(benchmark::State& state) {
  TModelState s = AfterDefaultRun();
  SetCompute(s, state);
  TRun run(s.Compute);
  LoadFastVortices(s.Case(), s.Flow(), run.FastVortices);
  const int terms = 2 * (s.BoundCount + s.FreeCount);
  const TRealPoint P{0.4L, 0.3L};
  for (auto _ : state) {
    double u, v;
    FlowVelocityAt(s.Case(), s.Flow(), run, P, -1, u, v);
    benchmark::DoNotOptimize(u);
    benchmark::DoNotOptimize(v);
  }
  state.counters["terms/s"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * terms, benchmark::Counter::kIsRate);
  Label(state);
}
BENCHMARK(BM_VelocityTerms)->Args({1, 0})->Args({1, 1});

// The main window's default run: 1 s in steps of 0.005 s, up to 400 free
// vortices.
void BM_DefaultVortexRun(benchmark::State& state) {
  double steps = 0;
  for (auto _ : state) {
    TModelState s;
    SetCompute(s, state);
    TObserver silent;
    Require(RunVortices(s.Case(), s.Flow(), s.Control(), silent, 400, 0, 0.0, 1.0, 0.005));
    benchmark::DoNotOptimize(s.Vortices.data());
    steps += 200;
  }
  state.counters["steps/s"] = benchmark::Counter(steps, benchmark::Counter::kIsRate);
  Label(state);
}
BENCHMARK(BM_DefaultVortexRun)
    ->Args({1, 0})->Args({0, 0})
    ->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

// The default concentration run: 10 x 10 particles in the steady flow of the
// bound vortices, sizes from the generator's fixed start sequence.
void BM_DefaultConcentrationRun(benchmark::State& state) {
  TModelState base;
  BuildArea(base.Area, base.Flow());
  Require(SolveCurrentFlow(base.Case(), base.Flow(), base.Compute));
  double steps = 0;
  for (auto _ : state) {
    TModelState s = base;
    SetCompute(s, state);
    TConcentrationOptions options;
    options.Seed.Kind = TSizeSeed::TKind::Unseeded;
    TObserver silent;
    Require(
        RunConcentration(s.Case(), s.Flow(), s.DustRun(), s.Results(), s.Control(), silent, 10, 10, false, options));
    steps += static_cast<double>(s.ConcentrationSteps);
  }
  state.counters["steps/s"] = benchmark::Counter(steps, benchmark::Counter::kIsRate);
  Label(state);
}
BENCHMARK(BM_DefaultConcentrationRun)
    ->Args({1, 0})->Args({0, 0})->Args({1, 1})->Args({0, 1})
    ->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();

// After the default vortex run, 10 x 10 particles with "Вихри движутся": the
// first 300 steps (each a particle step and a vortex step).
void BM_MovingVortexConcentration(benchmark::State& state) {
  double steps = 0;
  for (auto _ : state) {
    TModelState s = AfterDefaultRun();
    SetCompute(s, state);
    TConcentrationOptions options;
    options.Seed.Kind = TSizeSeed::TKind::Unseeded;
    options.MaxSteps = 300;
    TObserver silent;
    Require(RunConcentration(s.Case(), s.Flow(), s.DustRun(), s.Results(), s.Control(), silent, 10, 10, true, options));
    steps += static_cast<double>(s.ConcentrationSteps);
  }
  state.counters["steps/s"] = benchmark::Counter(steps, benchmark::Counter::kIsRate);
  Label(state);
}
BENCHMARK(BM_MovingVortexConcentration)
    ->Args({1, 0})->Args({0, 0})->Args({1, 1})->Args({0, 1})
    ->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();

// One step of the moving vortices after the default run (400 free vortices,
// no more shedding: the move, the separation search and the solve), and of a
// flow with 4,000 free vortices (the default run's and a grid of weak ones over
// the interior). Arguments: threads, fast mode, free vortices.
void BM_MovingVortexStep(benchmark::State& state) {
  TModelState s = AfterDefaultRun();
  SetCompute(s, state);
  const int free = static_cast<int>(state.range(2));
  if (free > s.FreeCount) {
    const int added = free - s.FreeCount;
    const int columns = 80;
    const int rows = (added + columns - 1) / columns;
    s.MaxFreeVortex = free;
    s.Vortices.resize(static_cast<size_t>(s.BoundCount + free));
    for (int k = 0; k < added; ++k) {
      const Extended x = 0.05L + 0.9L * ((k % columns) + 0.5L) / columns;
      const Extended y = 0.05L + 0.6L * ((k / columns) + 0.5L) / rows;
      s.Vortices[static_cast<size_t>(s.BoundCount + s.FreeCount + k)] = {{x, y}, k % 2 == 0 ? 1e-3L : -1e-3L};
    }
    s.FreeCount = free;
  }
  TRun run(s.Compute);
  PrepareInfluenceSystem(s.Flow(), run);
  const TFlow start = s.Flow();
  for (auto _ : state) {
    TimeStep(s.Case(), s.Flow(), run);
    state.PauseTiming();
    s.Flow() = start;  // the same work every time
    state.ResumeTiming();
  }
  state.counters["vortices"] = s.BoundCount + s.FreeCount;
  Label(state);
}
BENCHMARK(BM_MovingVortexStep)
    ->Args({1, 0, 400})->Args({0, 0, 400})->Args({1, 1, 400})->Args({0, 1, 400})
    ->Args({1, 0, 4000})->Args({0, 0, 4000})->Args({1, 1, 4000})->Args({0, 1, 4000})
    ->Unit(benchmark::kMillisecond)->UseRealTime();

// 400 particles in flight, spread over the interior, stepped once: particle
// steps per second in the steady flow (range 2 = 0) or after the default run.
void BM_ParticleCloudStep(benchmark::State& state) {
  TModelState s;
  if (state.range(2) == 0) {
    BuildArea(s.Area, s.Flow());
    Require(SolveCurrentFlow(s.Case(), s.Flow(), s.Compute));
  } else {
    s = AfterDefaultRun();
  }
  SetCompute(s, state);
  s.Dust.ParticleDt = ComputeParticleDt(s.Case(), 10);
  constexpr int Count = 400;
  TParticleArray cloud;
  for (int i = 0; i < Count; ++i) {
    TParticle p;
    p.Pos = {0.1L + 0.8L * (i % 20) / 20, 0.1L + 0.5L * (i / 20) / 20};
    p.Diameter = 30e-6L + 40e-6L * (i % 7) / 7;
    p.Velocity = {0.0L, -0.2L};
    cloud.push_back(p);
  }
  TRun run(s.Compute);
  TParticleStepper stepper;
  stepper.MaxResidence = s.MaxResidence;
  stepper.Prepare(Count);
  for (auto _ : state) {
    state.PauseTiming();
    s.Particles = cloud;
    s.ParticleCount = Count;
    state.ResumeTiming();
    StepParticles(s.Case(), s.Flow(), run, s.DustRun(), stepper);
    benchmark::DoNotOptimize(s.Particles.data());
  }
  state.counters["particle steps/s"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * Count, benchmark::Counter::kIsRate);
  state.counters["vortices"] = s.BoundCount + s.FreeCount;
  Label(state);
}
BENCHMARK(BM_ParticleCloudStep)
    ->Args({1, 0, 0})->Args({0, 0, 0})->Args({1, 1, 0})->Args({0, 1, 0})
    ->Args({1, 0, 1})->Args({0, 0, 1})->Args({1, 1, 1})->Args({0, 1, 1})
    ->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace
