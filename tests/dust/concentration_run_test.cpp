#include "dust/concentration_run.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>

#include "dust/coarse_case.h"
#include "dust/particle_motion.h"
#include "model/discretization.h"
#include "model/validation.h"
#include "quiet_observer.h"
#include "solver/influence.h"
#include "solver/vortex_run.h"

namespace ltr {
namespace {

using testing::Quiet;

// Records what a run reports and can press Stop at a given redraw point.
class RunRecorder : public TObserver {
 public:
  explicit RunRecorder(TModelState& s, int stopAt = 0) : state(s), stopAt(stopAt) {}
  void SetLabel(TLabel label, const std::string& text) override { labels.push_back({label, text}); }
  void RedrawRun(const TFlow&, bool withParticles) override {
    ++redraws;
    EXPECT_TRUE(withParticles);
  }
  void ProcessMessages() override {
    ++processed;
    if (stopAt > 0 && processed == stopAt) state.StopConcentration = true;
  }
  void ConcentrationProgress(int moment, int moments, int inFlight, long long steps, double time) override {
    progress.push_back({moment, moments, inFlight});
    EXPECT_EQ(steps, state.ConcentrationSteps);
    EXPECT_EQ(time, state.ConcentrationTime);
  }

  std::vector<std::string> LabelTexts(TLabel which) const {
    std::vector<std::string> texts;
    for (const auto& [label, text] : labels)
      if (label == which) texts.push_back(text);
    return texts;
  }

  TModelState& state;
  int stopAt;
  std::vector<std::pair<TLabel, std::string>> labels;
  std::vector<std::string> messages;  // of the refused runs
  std::vector<std::array<int, 3>> progress;
  int redraws = 0;
  int processed = 0;
};

// The message of a run that must be refused.
std::string RefusalOf(const TOutcome& outcome) {
  EXPECT_EQ(outcome.Kind(), TOutcome::TKind::Refused) << outcome;
  return outcome.Message();
}

// Results of an earlier run that a run which does not complete must keep.
void PresetResults(TModelState& s) {
  s.OutputConcentration = 1.5;
  s.RealInputConcentration = 2.5;
  s.OutputFractions = {{1, 2, 3}};
  s.HeldCount = 7;
  s.HeldMassShare = 0.25;
  s.OutputHeldCounts = {7};
  s.RunSeed = TSizeSeed::Fixed(77);  // the export repeats the run from it
}

void ExpectPresetResults(const TModelState& s) {
  EXPECT_EQ(s.OutputConcentration, 1.5);
  EXPECT_EQ(s.RealInputConcentration, 2.5);
  ASSERT_EQ(s.OutputFractions.size(), 1u);
  EXPECT_EQ(s.OutputFractions[0].Share, 3.0);
  EXPECT_EQ(s.HeldCount, 7);
  EXPECT_EQ(s.HeldMassShare, 0.25);
  EXPECT_EQ(s.OutputHeldCounts, std::vector<int>{7});
  EXPECT_EQ(s.RunSeed.Value, 77u);
}

using testing::Coarse;
using testing::SteadyFlow;

struct TOutputs {
  double ParticleDt, Output, RealInput, HeldShare;
  std::vector<TFraction> Fractions;
  std::vector<int> Hits, Held;
  long long Steps;
};

TOutputs ResultsOf(const TModelState& s) {
  return {s.Dust.ParticleDt, s.OutputConcentration, s.RealInputConcentration, s.HeldMassShare,
          s.OutputFractions,  s.FractionHits,        s.OutputHeldCounts,       s.ConcentrationSteps};
}

void ExpectBitIdentical(const TOutputs& a, const TOutputs& b) {
  EXPECT_EQ(std::memcmp(&a.ParticleDt, &b.ParticleDt, sizeof(double)), 0);
  EXPECT_EQ(std::memcmp(&a.Output, &b.Output, sizeof(double)), 0);
  EXPECT_EQ(std::memcmp(&a.RealInput, &b.RealInput, sizeof(double)), 0);
  EXPECT_EQ(std::memcmp(&a.HeldShare, &b.HeldShare, sizeof(double)), 0);
  ASSERT_EQ(a.Fractions.size(), b.Fractions.size());
  EXPECT_EQ(std::memcmp(a.Fractions.data(), b.Fractions.data(), a.Fractions.size() * sizeof(TFraction)), 0);
  EXPECT_EQ(a.Hits, b.Hits);
  EXPECT_EQ(a.Held, b.Held);
  EXPECT_EQ(a.Steps, b.Steps);
}

TConcentrationOptions Unseeded() {
  TConcentrationOptions o;
  o.Seed = TSizeSeed::Unseeded();
  return o;
}

TEST(ConcentrationSetup, TimeStepAndLabelForTheStartValues) {
  TModelState s;
  EXPECT_NEAR(FractionCubeSum(s.Dust.Fractions), 6.416e-13, 1e-26);
  const double dt = ComputeParticleDt(s.Case(), 10);
  EXPECT_NEAR(dt, 0.00016330464, 5e-13);
  EXPECT_EQ(ParticleDtLabel(dt), "Шаг по времени: 0,0001633 c");
}

TEST(ConcentrationSetup, SizeGeneratorFollowsTheFractions) {
  TBarRandom g;
  ASSERT_TRUE(SetupSizeGenerator(g, TDustParams{}.Fractions));
  EXPECT_EQ(g.Count(), 2);
  EXPECT_EQ(g.Bounds(), (TRealArray{static_cast<Extended>(3e-05), static_cast<Extended>(5e-05),
                                    static_cast<Extended>(7e-05)}));
  EXPECT_EQ(g.Heights()[0], static_cast<Extended>(ToDouble(0.4L / (static_cast<Extended>(5e-05) - 3e-05))));

  // A gap between the fractions: the first bar spans 10 to 30 and the area
  // is no longer 1.
  TBarRandom gap;
  EXPECT_FALSE(SetupSizeGenerator(gap, {{10e-6, 20e-6, 0.5}, {30e-6, 40e-6, 0.5}}));
  TBarRandom descending;
  EXPECT_FALSE(SetupSizeGenerator(descending, {{50e-6, 70e-6, 0.6}, {30e-6, 50e-6, 0.4}}));
  // Sizes from 0 up, or a fraction without particles, could give particles
  // of no size or of a size divided by 0.
  TBarRandom fromZero;
  EXPECT_FALSE(SetupSizeGenerator(fromZero, {{0, 50e-6, 0.4}, {50e-6, 70e-6, 0.6}}));
  TBarRandom emptyFraction;
  EXPECT_FALSE(SetupSizeGenerator(emptyFraction, {{30e-6, 50e-6, 0}, {50e-6, 70e-6, 1}}));
  TBarRandom none;
  EXPECT_FALSE(SetupSizeGenerator(none, {}));
}

// A described step is refused beyond 2.785 relaxation times of the smallest
// particle (the stability bound of the Runge-Kutta step on the drag), and
// accepted up to it. The input concentration sets the step.
TEST(ConcentrationSetup, DescribedStepStopsAtTheStabilityBoundOfTheSmallestParticle) {
  TModelState s = Coarse();
  s.Dust.Fractions = {{20e-6, 40e-6, 0.5}, {40e-6, 80e-6, 0.5}};
  TParticleMotion smallest;
  smallest.SetDiameter(s.Dust, 20e-6);
  const double tau = smallest.ParticleMass / smallest.DragFactor;
  const double dt = ComputeParticleDt(s.Case(), 10);
  for (const double ratio : {2.7847, 2.7853}) {
    TCase c = s.Case();
    c.Dust.InputConcentration = s.Dust.InputConcentration * dt / (ratio * tau);
    const double step = ComputeParticleDt(c, 10);
    ASSERT_NEAR(step / tau, ratio, 1e-6);
    const std::string error = CheckConcentrationArgs(c, s.Flow(), 30, 10, 2, false, TParticleStepMode::Described());
    if (ratio < 2.785)
      EXPECT_EQ(error, "") << ratio;
    else
      EXPECT_NE(error.find("слишком велик для сопротивления воздуха"), std::string::npos) << error;
  }
}

TEST(ConcentrationSetup, DustPropertiesThatMakeNoSenseAreRefused) {
  EXPECT_EQ(DustParamsError(TDustParams{}), "");
  const struct {
    double TDustParams::*field;
    double value;
  } bad[] = {
      {&TDustParams::InputConcentration, 0},  {&TDustParams::ParticleDensity, -3500},
      {&TDustParams::AirViscosity, 0},        {&TDustParams::ShapeFactor, 0},
      {&TDustParams::KoefK, -0.5},            {&TDustParams::KoefF, -0.1},
      {&TDustParams::ParticleDensity, NAN},   {&TDustParams::AirViscosity, INFINITY},
      {&TDustParams::Gravity, NAN},
  };
  const TDustParams defaults;
  for (const auto& b : bad) {
    TDustParams d = defaults;
    d.*(b.field) = b.value;
    EXPECT_NE(DustParamsError(d), "") << b.value;
  }
  TDustParams d = defaults;
  d.KoefK = 0;
  d.KoefF = 0;
  EXPECT_EQ(DustParamsError(d), "");
  d.AirViscosity = 0;
  EXPECT_EQ(DustParamsError(d), "Коэффициент динамической вязкости воздуха должен быть положительным числом");
}

TEST(ConcentrationRun, RefusedArgumentsChangeNothing) {
  TModelState s = Coarse();
  PresetResults(s);
  RunRecorder ui(s);
  s.Dust.ParticleDensity = 0;
  ui.messages.push_back(RefusalOf(
      RunConcentration(s.Case(), s.Flow(), s.DustRun(), s.Results(), s.Control(), ui, 2, 2, false, Unseeded())));
  s.Dust.ParticleDensity = 3500;
  ui.messages.push_back(RefusalOf(
      RunConcentration(s.Case(), s.Flow(), s.DustRun(), s.Results(), s.Control(), ui, 0, 2, false, Unseeded())));
  ui.messages.push_back(RefusalOf(
      RunConcentration(s.Case(), s.Flow(), s.DustRun(), s.Results(), s.Control(), ui, 2000, 2000, false, Unseeded())));
  s.MaxResidence = -1;
  ui.messages.push_back(RefusalOf(
      RunConcentration(s.Case(), s.Flow(), s.DustRun(), s.Results(), s.Control(), ui, 2, 2, false, Unseeded())));
  s.MaxResidence = 30;
  s.Area.InflowSpeed = -2;  // the time step would be negative
  ui.messages.push_back(RefusalOf(
      RunConcentration(s.Case(), s.Flow(), s.DustRun(), s.Results(), s.Control(), ui, 2, 2, false, Unseeded())));
  ASSERT_EQ(ui.messages.size(), 5u);
  EXPECT_EQ(ui.messages[0], "Плотность пылевых частиц должна быть положительным числом");
  EXPECT_TRUE(s.StopConcentration);
  EXPECT_TRUE(ui.labels.empty());
  EXPECT_EQ(s.Dust.ParticleDt, 0.005);
  ExpectPresetResults(s);
}

// A run whose particles stop being finite numbers fails: not a stop (which
// ltr-cli would report as a run without results) and not a refusal.
TEST(ConcentrationRun, AFlowThatStopsBeingFiniteFailsWithoutResults) {
  TModelState s = SteadyFlow();
  PresetResults(s);
  // A free vortex under the inflow with a circulation near the largest double.
  s.FreeCount = 1;
  s.Vortices[s.BoundCount] = TVortex{{0.2L, 0.6L}, 1.7e308L};
  RunRecorder ui(s);
  const TOutcome failed =
      RunConcentration(s.Case(), s.Flow(), s.DustRun(), s.Results(), s.Control(), ui, 2, 2, false, Unseeded());
  EXPECT_EQ(failed.Kind(), TOutcome::TKind::Failed);
  EXPECT_EQ(failed.Message().rfind("Расчет концентрации остановлен: на шаге ", 0), 0u) << failed;
  EXPECT_TRUE(s.StopConcentration);
  ExpectPresetResults(s);
}

TEST(ConcentrationRun, RejectedSizeDistributionEndsTheRunAtOnce) {
  TModelState s = Coarse();
  s.Dust.Fractions = {{10e-6, 20e-6, 0.5}, {30e-6, 40e-6, 0.5}};
  PresetResults(s);
  s.Particles.resize(3);
  s.ParticleCount = 3;
  RunRecorder ui(s);
  EXPECT_EQ(RefusalOf(RunConcentration(s.Case(), s.Flow(), s.DustRun(), s.Results(), s.Control(), ui, 2, 2, true,
                                       Unseeded())),
            "Ошибка в параметрах генератора случайных чисел");
  EXPECT_TRUE(s.StopConcentration);
  EXPECT_EQ(s.ParticleCount, 3);
  EXPECT_EQ(s.ConcentrationSteps, 0);
  EXPECT_EQ(ui.redraws, 0);
  EXPECT_EQ(s.MaxFreeVortex, 100);
  ExpectPresetResults(s);
}

TEST(ConcentrationRun, FirstMomentAndAStopDuringInjection) {
  TModelState s;  // the start values
  BuildArea(s.Area, s.Flow());
  PresetResults(s);
  RunRecorder ui(s, 1);  // Stop at the first redraw point
  EXPECT_EQ(
      RunConcentration(s.Case(), s.Flow(), s.DustRun(), s.Results(), s.Control(), ui, 10, 10, false, Unseeded()).Kind(),
      TOutcome::TKind::Stopped);
  EXPECT_TRUE(s.StopConcentration);
  EXPECT_EQ(ui.LabelTexts(TLabel::Step), std::vector<std::string>{"Шаг по времени: 0,0001633 c"});
  EXPECT_NEAR(s.Dust.ParticleDt, 0.00016330464, 5e-13);
  EXPECT_EQ(s.ConcentrationSteps, 1);
  ASSERT_EQ(s.ParticleCount, 10);
  EXPECT_EQ(s.Particles.size(), 100u);
  for (int i = 0; i < 10; ++i) {
    const TParticle& p = s.Particles[i];
    EXPECT_NEAR(static_cast<double>(p.Pos.X), 0.065 + 0.03 * i, 1e-15);
    EXPECT_EQ(p.Pos.Y, static_cast<Extended>(0.7) - static_cast<Extended>(0.02) / 2);
    EXPECT_NEAR(static_cast<double>(p.Pos.Y), 0.69, 1e-15);
    EXPECT_EQ(p.Velocity.X, 0.0L);
    EXPECT_EQ(p.Velocity.Y, -2.0L);
    EXPECT_GE(p.Diameter, static_cast<Extended>(30e-6));
    EXPECT_LE(p.Diameter, static_cast<Extended>(70e-6));
    EXPECT_EQ(p.FlightTime, 0.0);
  }
  // The unseeded generator draws the fixed sequence: u = 0.92092538 lies in
  // the second fraction's bar.
  EXPECT_NEAR(static_cast<double>(s.Particles[0].Diameter), 50e-6 + (0.92092538 - 0.4) / 0.6 * 20e-6, 1e-15);
  EXPECT_EQ(ui.progress.size(), 1u);
  EXPECT_EQ(ui.progress[0], (std::array<int, 3>{1, 10, 10}));
  ExpectPresetResults(s);
}

TEST(ConcentrationRun, StopDuringTheDrainKeepsTheParticlesAndOldResults) {
  TModelState s = SteadyFlow();
  PresetResults(s);
  RunRecorder ui(s, 3);  // two moments, then the first drain redraw
  EXPECT_EQ(
      RunConcentration(s.Case(), s.Flow(), s.DustRun(), s.Results(), s.Control(), ui, 2, 2, false, Unseeded()).Kind(),
      TOutcome::TKind::Stopped);
  EXPECT_EQ(s.ConcentrationSteps, 12);
  EXPECT_EQ(s.ConcentrationTime, ToDouble(12 * static_cast<Extended>(s.Dust.ParticleDt)));
  EXPECT_GT(s.ParticleCount, 0);
  EXPECT_EQ(ui.LabelTexts(TLabel::VortexCount2), std::vector<std::string>{"Свободных вихрей: 0"});
  EXPECT_EQ(ui.progress.back()[0], 0);
  ExpectPresetResults(s);

  // A bound on the steps stops the run in the same way.
  TConcentrationOptions o = Unseeded();
  o.MaxSteps = 5;
  RunRecorder quiet(s);
  EXPECT_EQ(RunConcentration(s.Case(), s.Flow(), s.DustRun(), s.Results(), s.Control(), ui, 2, 2, false, o).Kind(),
            TOutcome::TKind::Stopped);
  EXPECT_TRUE(s.StopConcentration);
  EXPECT_EQ(s.ConcentrationSteps, 5);
  ExpectPresetResults(s);
}

TEST(ConcentrationRun, InAirAtRestEveryParticleSettles) {
  TModelState s = Coarse();  // all circulations 0
  s.MaxResidence = 0;
  RunRecorder ui(s);
  ASSERT_TRUE(RunConcentration(s.Case(), s.Flow(), s.DustRun(), s.Results(), s.Control(), ui, 3, 3, false, Unseeded()));
  EXPECT_FALSE(s.StopConcentration);
  EXPECT_EQ(s.ParticleCount, 0);
  EXPECT_EQ(s.FractionHits, (std::vector<int>{0, 0}));
  EXPECT_EQ(s.OutputConcentration, 0.0);
  ASSERT_EQ(s.OutputFractions.size(), 2u);
  for (int j = 0; j < 2; ++j) {
    EXPECT_EQ(s.OutputFractions[j].Lower, s.Dust.Fractions[j].Lower);
    EXPECT_EQ(s.OutputFractions[j].Upper, s.Dust.Fractions[j].Upper);
    EXPECT_EQ(s.OutputFractions[j].Share, 0.0);
  }
  EXPECT_EQ(s.HeldCount, 0);
  EXPECT_GT(s.RealInputConcentration, 0.3 * 3e-6);
  EXPECT_LT(s.RealInputConcentration, 3 * 3e-6);
}

// The steady flow of the coarse case with less air through the inflow (0.45
// m2/s) than through the exhaust (0.6 m2/s), so that the two cannot be
// mistaken for each other.
TModelState UnequalFluxes() {
  TModelState s = Coarse();
  s.Area.InflowSpeed = 1.5;
  BuildArea(s.Area, s.Flow());
  EXPECT_TRUE(SolveCurrentFlow(s.Case(), s.Flow(), s.Compute));
  return s;
}

TEST(ConcentrationRun, SteadyFlowResultsAreConsistentAndReproducible) {
  TModelState a = UnequalFluxes();
  TConcentrationOptions seeded;
  seeded.Seed = TSizeSeed::Fixed(42);
  ASSERT_TRUE(
      RunConcentration(a.Case(), a.Flow(), a.DustRun(), a.Results(), a.Control(), Quiet(), 3, 3, false, seeded));
  // The air of the concentrations is what came in through the inflow while
  // the particles were injected.
  const Extended Q = ((static_cast<Extended>(1.5) * 0.3) * a.Dust.ParticleDt) * 3;
  EXPECT_EQ(a.OutputConcentration, ToDouble(a.ExhaustedMass / Q));
  const Extended injected = a.OutputTally.Total().MassOf(TFateKind::Injected);
  EXPECT_NEAR(a.RealInputConcentration, ToDouble(injected / Q), 1e-14 * a.RealInputConcentration);
  int hits = a.FractionHits[0] + a.FractionHits[1];
  ASSERT_GT(a.FractionHits[0], 0);
  ASSERT_NE(a.FractionHits[0], a.FractionHits[1]);
  for (int j = 0; j < 2; ++j)
    EXPECT_EQ(a.OutputFractions[j].Share, ToDouble(static_cast<Extended>(a.FractionHits[j]) / hits)) << j;
  EXPECT_LE(a.OutputConcentration, a.RealInputConcentration);

  TModelState b = UnequalFluxes();
  ASSERT_TRUE(
      RunConcentration(b.Case(), b.Flow(), b.DustRun(), b.Results(), b.Control(), Quiet(), 3, 3, false, seeded));
  ExpectBitIdentical(ResultsOf(a), ResultsOf(b));
}

TEST(ConcentrationRun, LimitNotReachedGivesExactlyTheUnlimitedResults) {
  TModelState unlimited = SteadyFlow();
  unlimited.MaxResidence = 0;
  ASSERT_TRUE(RunConcentration(unlimited.Case(), unlimited.Flow(), unlimited.DustRun(), unlimited.Results(),
                               unlimited.Control(), Quiet(), 3, 3, false, Unseeded()));
  TModelState limited = SteadyFlow();
  limited.MaxResidence = 30;
  ASSERT_TRUE(RunConcentration(limited.Case(), limited.Flow(), limited.DustRun(), limited.Results(), limited.Control(),
                               Quiet(), 3, 3, false, Unseeded()));
  EXPECT_EQ(limited.HeldCount, 0);
  EXPECT_EQ(limited.HeldMassShare, 0.0);
  ExpectBitIdentical(ResultsOf(unlimited), ResultsOf(limited));
}

// Air blown out through the inflow opening (the normal velocities of the
// steady flow reversed): the injected particles are pressed against the
// ceiling under the opening and never leave.
TModelState ReversedFlow() {
  TModelState s = Coarse();
  for (TCalcPoint& c : s.CalcPoints) c.Vn = -c.Vn;
  TRun run;
  run.Solution.resize(static_cast<size_t>(s.BoundCount + 1));
  BuildMatrix(s.Flow(), run);
  SolveCirculations(s.Flow(), run);
  return s;
}

TEST(ConcentrationRun, ParticlesHeldInTheFlowEndTheRunWithTheLimit) {
  // Without a limit the run would never end; here a bound on the steps stops it.
  TModelState endless = ReversedFlow();
  endless.MaxResidence = 0;
  TConcentrationOptions bounded = Unseeded();
  bounded.MaxSteps = 3000;
  EXPECT_EQ(RunConcentration(endless.Case(), endless.Flow(), endless.DustRun(), endless.Results(), endless.Control(),
                             Quiet(), 2, 2, false, bounded)
                .Kind(),
            TOutcome::TKind::Stopped);
  EXPECT_EQ(endless.ParticleCount, 4);

  TModelState s = ReversedFlow();
  s.MaxResidence = 0.5;
  ASSERT_TRUE(
      RunConcentration(s.Case(), s.Flow(), s.DustRun(), s.Results(), s.Control(), Quiet(), 2, 2, false, Unseeded()));
  EXPECT_FALSE(s.StopConcentration);
  EXPECT_EQ(s.ParticleCount, 0);
  EXPECT_EQ(s.HeldCount, 4);
  EXPECT_EQ(s.OutputHeldCounts[0] + s.OutputHeldCounts[1], 4);
  EXPECT_EQ(s.OutputHeldCounts, s.FractionHeld);
  EXPECT_NEAR(s.HeldMassShare, 1.0, 1e-15);
  EXPECT_EQ(s.OutputConcentration, 0.0);
  EXPECT_GT(s.RealInputConcentration, 0.0);
  // Each was held after a little more than the limit: the injection moment
  // plus 0.5 s, in whole steps.
  EXPECT_LE(s.ConcentrationSteps, 2 + static_cast<long long>(0.5 / s.Dust.ParticleDt) + 2);
}

// Fine dust (1-3 um) would need some 1e8 steps of its particle time step;
// with own sub-steps the run ends in a few hundred, with the particles gone
// through the exhaust, and reports its model time.
TEST(ConcentrationRun, FineDustWithOwnStepsIsExhausted) {
  TModelState s = SteadyFlow();
  s.Dust.Fractions = {{1e-6, 2e-6, 0.5}, {2e-6, 3e-6, 0.5}};
  TConcentrationOptions own = Unseeded();
  own.ParticleStep = TParticleStepMode::Auto();
  RunRecorder ui(s);
  ASSERT_TRUE(RunConcentration(s.Case(), s.Flow(), s.DustRun(), s.Results(), s.Control(), ui, 4, 3, false, own));
  EXPECT_LT(s.Dust.ParticleDt, 1e-7);
  EXPECT_EQ(s.ParticleCount, 0);
  EXPECT_EQ(s.HeldCount, 0);
  EXPECT_EQ(s.FractionHits[0] + s.FractionHits[1], 12);
  // Every particle left: the outlet carries what came in, up to the order of
  // the sums.
  EXPECT_NEAR(s.OutputConcentration, s.RealInputConcentration, 1e-12 * s.RealInputConcentration);
  EXPECT_LT(s.ConcentrationSteps, 1000);
  EXPECT_GT(s.ConcentrationTime, 0.1);
  ASSERT_FALSE(ui.progress.empty());
  // One run step to each of moments 2 and 3 (ParticleDt apart from 0), then
  // drain steps of ten of the longest sub-steps: 1/100 of the air's crossing
  // time, min(1, 0.7) m / max(2, 3) m/s.
  const long long drainSteps = s.ConcentrationSteps - 2;
  const Extended longest = static_cast<Extended>(0.7) / 3 / 100;
  EXPECT_NEAR(s.ConcentrationTime, ToDouble(2 * static_cast<Extended>(s.Dust.ParticleDt) + drainSteps * 10 * longest),
              1e-12);

  // A fixed step that is no positive time ends the run before anything.
  TModelState bad = SteadyFlow();
  PresetResults(bad);
  own.ParticleStep = TParticleStepMode::FixedStep(0);
  EXPECT_EQ(RefusalOf(RunConcentration(bad.Case(), bad.Flow(), bad.DustRun(), bad.Results(), bad.Control(), ui, 2, 2,
                                       false, own)),
            ParticleSubStepErrorText);
  ExpectPresetResults(bad);
}

// With own steps moving vortices keep their time step: the run steps end at
// every whole Dt of the run's model time.
TEST(ConcentrationRun, MovingVorticesKeepTheirStepWithOwnParticleSteps) {
  TModelState s = Coarse();
  ASSERT_TRUE(RunVortices(s.Case(), s.Flow(), s.Control(), Quiet(), 30, 0, 0.0, 0.05, 0.01));
  const int startFree = s.FreeCount;
  s.MaxResidence = 0.2;
  TConcentrationOptions own = Unseeded();
  own.ParticleStep = TParticleStepMode::Auto();
  ASSERT_TRUE(RunConcentration(s.Case(), s.Flow(), s.DustRun(), s.Results(), s.Control(), Quiet(), 2, 3, true, own));
  EXPECT_EQ(s.Dt, 0.01);
  EXPECT_NE(s.Dust.ParticleDt, s.Dt);
  EXPECT_GT(s.FreeCount, startFree);
  // The last step ends on a whole vortex step, at most one Dt after the
  // last particle's limit.
  const double steps = s.ConcentrationTime / 0.01;
  EXPECT_NEAR(steps, std::nearbyint(steps), 1e-9);
  EXPECT_LE(s.ConcentrationTime, 2 * s.Dust.ParticleDt + 0.2 + 0.01 + 1e-12);

  // The vortex steps to the end of the injection plus the residence limit
  // must stay within 1e9: 10 moments of 1e-4 s and a limit of 9 s make 9.001e8
  // steps of 1e-8 s, a limit of 11 s 1.1e9.
  s.Dt = 1e-8;
  EXPECT_EQ(CheckOwnStepVortexSteps(s.Flow(), 9, 10, 1e-4), "");
  EXPECT_NE(CheckOwnStepVortexSteps(s.Flow(), 11, 10, 1e-4), "");
}

TEST(ConcentrationRun, MovingVorticesShareTheParticleStep) {
  TModelState s = Coarse();
  ASSERT_TRUE(RunVortices(s.Case(), s.Flow(), s.Control(), Quiet(), 30, 0, 0.0, 0.05, 0.005));
  const int startFree = s.FreeCount;
  const double time = s.Time;
  ASSERT_GT(startFree, 0);
  s.MaxResidence = 0.3;
  RunRecorder ui(s);
  ASSERT_TRUE(RunConcentration(s.Case(), s.Flow(), s.DustRun(), s.Results(), s.Control(), ui, 2, 3, true, Unseeded()));
  EXPECT_EQ(s.Dt, s.Dust.ParticleDt);
  EXPECT_EQ(s.MaxFreeVortex, startFree + 4 * 3);
  EXPECT_EQ(s.Time, time);
  EXPECT_EQ(s.Delta, s.Area.H / 2);
  EXPECT_GE(s.FreeCount, startFree);
  EXPECT_LE(s.FreeCount, s.MaxFreeVortex);
  const auto counts = ui.LabelTexts(TLabel::VortexCount2);
  ASSERT_FALSE(counts.empty());
  EXPECT_EQ(counts.back(), "Свободных вихрей: " + std::to_string(s.FreeCount));
}

}  // namespace
}  // namespace ltr
