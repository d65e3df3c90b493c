// The main window's default vortex run (1 s, 400 free vortices) drawn as the
// window draws it: after every step the interior of the picture is repainted
// with the free vortices. With the speed field shown, the field is computed
// with the fast kernel and at most every 0.25 s during the run, as the window
// does. The ratio of the figures is what showing the field costs a run; the
// third computes the field anew at every step with the exact kernel, as the
// picture did before.

#include <benchmark/benchmark.h>

#include <QGuiApplication>

#include "default_run.h"
#include "view/scene_renderer.h"

namespace ltr::bench {
namespace {

// QPainter's text needs an application; the picture is never shown.
void NeedApplication() {
  static int argc = 1;
  static char name[] = "bench_picture";
  static char* argv[] = {name, nullptr};
  static QGuiApplication* app = [] {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    return new QGuiApplication(argc, argv);
  }();
  (void)app;
}

// Repaints the picture after every step, as the main window does.
class TDrawingObserver : public TObserver {
 public:
  TDrawingObserver(TSceneRenderer& renderer, const TModelState& s) : Renderer_(renderer), S_(s) {}
  void RedrawRun(const TFlow& /*flow*/, bool withParticles) override { Renderer_.RepaintRun(S_, withParticles); }

 private:
  TSceneRenderer& Renderer_;
  const TModelState& S_;
};

void BM_DefaultRunDrawn(benchmark::State& state) {
  NeedApplication();
  TDrawToggles toggles;
  toggles.SpeedField = state.range(0) != 0;
  const bool everyStep = state.range(0) == 2;
  for (auto _ : state) {
    TModelState s;
    TSceneRenderer renderer;
    renderer.FastField = !everyStep;
    renderer.FieldRefreshSeconds = everyStep ? 0.0 : 0.25;
    // The paint box of the main window at its start-up size.
    renderer.FullRedraw(s, 545, 480, TViewState{}, toggles);
    TDrawingObserver ui(renderer, s);
    Require(RunVortices(s.Case(), s.Flow(), s.Control(), ui, 400, 0, 0.0, 1.0, 0.005));
    benchmark::DoNotOptimize(renderer.SceneBitmap.constBits());
  }
}
// Argument: the speed field off (0), shown (1), shown and computed at every
// step with the exact kernel (2).
BENCHMARK(BM_DefaultRunDrawn)
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->MeasureProcessCPUTime();

}  // namespace
}  // namespace ltr::bench
