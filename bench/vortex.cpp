// The vortex solver's costs: the default run of the main window (400 free
// vortices, 1 s in steps of 0.005 s), one time step at full vortex count, the
// velocity field, and the solve of the influence system.

#include <benchmark/benchmark.h>

#include "default_run.h"

#include "model/discretization.h"
#include "model/model_state.h"
#include "solver/influence.h"
#include "solver/time_step.h"
#include "solver/velocity.h"
#include "solver/vortex_run.h"

namespace {

using namespace ltr;

using bench::AfterDefaultRun;
using bench::Require;

void BM_DefaultVortexRun(benchmark::State& state) {
  int steps = 0;
  for (auto _ : state) {
    TModelState s;
    TObserver silent;
    Require(RunVortices(s.Case(), s.Flow(), s.Control(), silent, 400, 0, 0.0, 1.0, 0.005));
    benchmark::DoNotOptimize(s.Vortices.data());
    steps += 200;
  }
  state.counters["steps/s"] = benchmark::Counter(steps, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_DefaultVortexRun)->Unit(benchmark::kMillisecond)->Iterations(3);

// One step with 400 free vortices (no more shedding): the move, the separation
// search and the solve.
void BM_TimeStepAtFullCount(benchmark::State& state) {
  TModelState s = AfterDefaultRun();
  TRun run(s.Compute);
  PrepareInfluenceSystem(s.Flow(), run);
  const TModelState start = s;
  for (auto _ : state) {
    TimeStep(s.Case(), s.Flow(), run);
    state.PauseTiming();
    s.Vortices = start.Vortices;  // the same work every time
    state.ResumeTiming();
  }
  state.counters["steps/s"] = benchmark::Counter(static_cast<double>(state.iterations()),
                                                 benchmark::Counter::kIsRate);
}
BENCHMARK(BM_TimeStepAtFullCount)->Unit(benchmark::kMillisecond);

void BM_VelocityAt(benchmark::State& state) {
  const TModelState& s = AfterDefaultRun();
  const int terms = s.BoundCount + s.FreeCount;
  TRealPoint P{0.4L, 0.3L};
  for (auto _ : state) {
    benchmark::DoNotOptimize(VelocityAt(s.Case(), s.Flow(), P, XDirection, -1));
    benchmark::ClobberMemory();
  }
  state.counters["terms/s"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * terms, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_VelocityAt);

// Both components in one pass; a term here is one vortex's contribution to
// one component, as in VelocityAt.
void BM_VelocityVectorAt(benchmark::State& state) {
  const TModelState& s = AfterDefaultRun();
  const int terms = s.BoundCount + s.FreeCount;
  TRealPoint P{0.4L, 0.3L};
  for (auto _ : state) {
    double u, v;
    VelocityVectorAt(s.Case(), s.Flow(), P, -1, u, v);
    benchmark::DoNotOptimize(u);
    benchmark::DoNotOptimize(v);
  }
  state.counters["terms/s"] = benchmark::Counter(static_cast<double>(state.iterations()) * 2 * terms,
                                                 benchmark::Counter::kIsRate);
}
BENCHMARK(BM_VelocityVectorAt);

// One solve of the influence system after the default run (right-hand side
// for 400 free vortices): by the factors made once per run (range 1), as the
// runs do, or by a full elimination (range 0) for comparison.
void BM_SolveCirculations(benchmark::State& state) {
  TModelState s = AfterDefaultRun();
  TRun run(s.Compute);
  run.Solution.resize(static_cast<size_t>(s.BoundCount + 1));
  BuildMatrix(s.Flow(), run);
  UpdateRightSide(s.Flow(), run);
  run.MatrFactored = state.range(0) != 0;
  for (auto _ : state) {
    SolveCirculations(s.Flow(), run);
    // SolveCirculations restored Matr's right-hand side: put it back without
    // paying for UpdateRightSide in the loop.
    state.PauseTiming();
    UpdateRightSide(s.Flow(), run);
    state.ResumeTiming();
  }
}
BENCHMARK(BM_SolveCirculations)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace
