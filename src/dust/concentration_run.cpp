#include "dust/concentration_run.h"

#include <cmath>
#include <limits>

#include "dust/particle_motion.h"
#include "model/validation.h"
#include "numerics/number_text.h"
#include "solver/influence.h"
#include "solver/time_step.h"
#include "solver/velocity.h"
#include "solver/vortex_run.h"

namespace ltr {

namespace {

// Gives the influence system of a run with moving vortices its room and
// solves it for the vortices as they are.
void PrepareMovingVortices(TModelState& s, int NumIteration) {
  const int N = s.BoundCount;
  s.Delta = s.Area.H / 2;
  s.MaxFreeVortex = s.FreeCount + 4 * NumIteration;
  s.Vortices.resize(static_cast<size_t>(N + s.MaxFreeVortex));
  s.MovedVortices.resize(static_cast<size_t>(s.MaxFreeVortex));
  s.Solution.resize(static_cast<size_t>(N + 1));
  BuildMatrix(s);
  UpdateRightSide(s);
  SolveCirculations(s);
}

void ReleaseMovingVortices(TModelState& s) {
  s.MovedVortices.clear();
  s.MovedVortices.shrink_to_fit();
  ReleaseInfluenceSystem(s);
}

void StoreResults(TModelState& s, int NumIteration, double injectedMass) {
  const std::vector<TFraction>& fractions = s.Dust.Fractions;
  const int K = static_cast<int>(fractions.size());
  long long hits = 0;
  for (int h : s.FractionHits) hits += h;
  s.OutputFractions.assign(static_cast<size_t>(K), TFraction{});
  for (int j = 0; j < K; ++j) {
    TFraction& out = s.OutputFractions[j];
    out.Lower = fractions[j].Lower;
    out.Upper = fractions[j].Upper;
    // With no particle exhausted every share is 0.
    out.Share = hits > 0 ? ToDouble(static_cast<Extended>(s.FractionHits[j]) / hits) : 0.0;
  }
  const Extended Q =
      ((static_cast<Extended>(s.Area.InflowSpeed) * s.Area.InflowWidth) * s.Dust.ParticleDt) * NumIteration;
  s.OutputConcentration = ToDouble(s.ExhaustedMass / Q);
  s.RealInputConcentration = ToDouble(injectedMass / Q);

  s.HeldCount = 0;
  for (int h : s.FractionHeld) s.HeldCount += h;
  s.HeldMassShare = injectedMass > 0 ? ToDouble(s.HeldMass / static_cast<Extended>(injectedMass)) : 0.0;
  s.OutputHeldCounts = s.FractionHeld;
}

}  // namespace

double FractionCubeSum(const std::vector<TFraction>& fractions) {
  double S = 0;
  for (const TFraction& f : fractions) {
    const Extended l = f.Lower;
    const Extended u = f.Upper;
    S = ToDouble(S + ((l + u) * f.Share) * (l * l + u * u));
  }
  return S;
}

double ComputeParticleDt(const TModelState& s, int NumParticle) {
  const double S = FractionCubeSum(s.Dust.Fractions);
  return ToDouble((NumParticle * ParticlePi * S * s.Dust.ParticleDensity) /
                  (24 * static_cast<Extended>(s.Dust.InputConcentration) * s.Area.InflowSpeed *
                   s.Area.InflowWidth));
}

std::string ParticleDtLabel(double ParticleDt) {
  return "Шаг по времени: " + FormatFixed(ParticleDt, 8, 7) + " c";
}

std::string CheckConcentrationArgs(const TModelState& s, int NumParticle, int NumIteration,
                                   bool MoveVortices) {
  if (std::string error = DustParamsError(s.Dust); !error.empty()) return error;
  if (NumParticle < 1 || NumIteration < 1)
    return "Количество частиц и количество моментов их появления должны быть положительными";
  if (static_cast<long long>(NumParticle) * NumIteration > MaxConcentrationParticles)
    return "Слишком много частиц для расчета (допускается не более " +
           std::to_string(MaxConcentrationParticles) + ")";
  if (!std::isfinite(s.MaxResidence) || s.MaxResidence < 0)
    return "Предельное время пребывания частицы в потоке должно быть неотрицательным числом";
  // The size distribution and the particle step depend on the dust and the
  // enclosure alone: a run that would refuse them is refused before any flow
  // is computed for it.
  if (std::string error = SizeDistributionError(s.Dust.Fractions); !error.empty()) return error;
  if (const double particleDt = ComputeParticleDt(s, NumParticle); !std::isfinite(particleDt) || !(particleDt > 0))
    return ParticleDtErrorText;
  if (s.BoundCount <= 0 || s.InnerRibs.size() < 4) return "Укрытие не построено";
  if (MoveVortices) {
    const long long maxFree = static_cast<long long>(s.FreeCount) + 4LL * NumIteration;
    if (maxFree > MaxRunFreeVortex)
      return "Макс. кол-во свободных вихрей должно быть от 0 до " + std::to_string(MaxRunFreeVortex);
    std::string error = CheckVortexRunArgs(s, static_cast<int>(maxFree), 0.0, 1.0, s.FreeCount, 0.0);
    if (!error.empty()) return error;
  }
  return {};
}

bool ConcentrationFlowComputed(const TModelState& s, bool MoveVortices) {
  return MoveVortices || FlowComputed(s);
}

std::string ConcentrationProgressText(int moment, int moments, int inFlight, long long steps, double time) {
  if (moment > 0) return "Момент " + std::to_string(moment) + " из " + std::to_string(moments);
  return "Частиц в полете: " + std::to_string(inFlight) + ", шагов: " + std::to_string(steps) +
         ", время: " + FormatFixed(time, 6, 3) + " с";
}

bool RunConcentration(TModelState& s, int NumParticle, int NumIteration, bool MoveVortices,
                      const TConcentrationOptions& options) {
  TObserver& ui = s.Ui();
  if (const std::string error = CheckConcentrationArgs(s, NumParticle, NumIteration, MoveVortices);
      !error.empty()) {
    ui.ShowMessage(error);
    s.StopConcentration = true;
    return false;
  }

  TBarRandom sizeGenerator;
  switch (options.Seed.Kind) {
    case TSizeSeed::TKind::Clock: sizeGenerator.Randomize(); break;
    case TSizeSeed::TKind::Value: sizeGenerator.Randomize(options.Seed.Value); break;
    case TSizeSeed::TKind::Unseeded: break;
  }
  // CheckConcentrationArgs has refused a distribution the generator cannot
  // take and a particle step that is not positive.
  SetupSizeGenerator(sizeGenerator, s.Dust.Fractions);
  const double particleDt = ComputeParticleDt(s, NumParticle);

  const TParticleStepMode& mode = options.ParticleStep;
  if (mode.Kind == TParticleStepMode::TKind::Fixed && !(std::isfinite(mode.Value) && mode.Value > 0)) {
    ui.ShowMessage(ParticleSubStepErrorText);
    s.StopConcentration = true;
    return false;
  }
  // With own steps moving vortices keep their own time step.
  if (mode.OwnSteps() && MoveVortices && !(std::isfinite(s.Dt) && s.Dt > 0)) {
    ui.ShowMessage(VortexDtErrorText);
    s.StopConcentration = true;
    return false;
  }

  if (MoveVortices) PrepareMovingVortices(s, NumIteration);

  TDustParams& dust = s.Dust;
  const int K = static_cast<int>(dust.Fractions.size());
  dust.ParticleDt = particleDt;
  ui.SetLabel(TLabel::Step, ParticleDtLabel(dust.ParticleDt));
  if (MoveVortices && !mode.OwnSteps()) s.Dt = dust.ParticleDt;

  s.FractionHits.assign(static_cast<size_t>(K), 0);
  s.ExhaustedMass = 0;
  s.FractionHeld.assign(static_cast<size_t>(K), 0);
  s.HeldMass = 0;
  double injectedMass = 0;
  s.StopConcentration = false;
  s.Particles.assign(static_cast<size_t>(NumParticle) * static_cast<size_t>(NumIteration), TParticle{});
  s.ParticleCount = 0;
  s.ConcentrationSteps = 0;
  s.ConcentrationTime = 0;

  auto stopped = [&s, &options] {
    if (options.MaxSteps > 0 && s.ConcentrationSteps >= options.MaxSteps) s.StopConcentration = true;
    return s.StopConcentration;
  };
  TParticleStepper stepper;
  stepper.Prepare(static_cast<int>(s.Particles.size()));

  const Extended startY = static_cast<Extended>(s.Area.RoomHeight) - static_cast<Extended>(s.Area.H) / 2;
  auto inject = [&] {
    for (int i = 0; i < NumParticle; ++i) {
      TParticle& p = s.Particles[s.ParticleCount + i];
      p.Diameter = sizeGenerator.Next();
      p.Pos = {((static_cast<Extended>(i) + 0.5L) * s.Area.InflowWidth) / NumParticle + s.Area.InflowDistance,
               startY};
      p.Velocity = {0.0L, -static_cast<Extended>(s.Area.InflowSpeed)};
      p.FlightTime = 0;
      injectedMass = ToDouble(injectedMass + ParticleMassOf(p.Diameter, dust.ParticleDensity));
    }
    s.ParticleCount += NumParticle;
  };
  auto showMoment = [&](int moment) {
    ui.RedrawRun(s, true);
    ui.ConcentrationProgress(moment, NumIteration, s.ParticleCount, s.ConcentrationSteps, s.ConcentrationTime);
    ui.ProcessMessages();
  };
  auto showDrain = [&] {
    ui.RedrawRun(s, true);
    ui.SetLabel(TLabel::VortexCount2, "Свободных вихрей: " + std::to_string(s.FreeCount));
    ui.ConcentrationProgress(0, NumIteration, s.ParticleCount, s.ConcentrationSteps, s.ConcentrationTime);
    ui.ProcessMessages();
  };

  if (!mode.OwnSteps()) {
    auto step = [&s, &stepper, &dust, MoveVortices] {
      StepParticles(s, stepper);
      ++s.ConcentrationSteps;
      s.ConcentrationTime = ToDouble(static_cast<Extended>(s.ConcentrationSteps) * dust.ParticleDt);
      if (MoveVortices) TimeStep(s);  // the vortices move by Dt; Time stays
    };
    for (int moment = 1; moment <= NumIteration && !stopped(); ++moment) {
      step();
      inject();
      showMoment(moment);
    }
    int c = 0;
    while (s.ParticleCount > 0 && !stopped()) {
      step();
      if (++c == 10) {
        showDrain();
        c = 0;
      }
    }
  } else {
    // The model time of the run, T, is kept whole: each run step ends at a
    // moment computed from its count, never as a sum of steps.
    const TSubStepRule rule =
        MakeSubStepRule(s.Area, mode.Kind == TParticleStepMode::TKind::Fixed ? mode.Value : 0.0);
    const Extended drainInterval = 10 * (rule.Fixed > 0 ? rule.Fixed : rule.MaxTime);
    const Extended vortexDt = s.Dt;
    Extended T = 0;
    long long vortexSteps = 0;
    // One run step: the particles advance in the frozen flow to `target` or
    // to the next step of the moving vortices, whichever comes first.
    auto step = [&](Extended target) {
      Extended end = target;
      bool vortexStep = false;
      if (MoveVortices) {
        const Extended next = static_cast<Extended>(vortexSteps + 1) * vortexDt;
        if (next <= end) {
          end = next;
          vortexStep = true;
        }
      }
      AdvanceParticles(s, stepper, rule, end - T);
      T = end;
      ++s.ConcentrationSteps;
      s.ConcentrationTime = ToDouble(T);
      if (vortexStep) {
        TimeStep(s);  // the vortices move by Dt; Time stays
        ++vortexSteps;
      }
    };
    for (int moment = 1; moment <= NumIteration && !stopped(); ++moment) {
      const Extended at = static_cast<Extended>(moment - 1) * dust.ParticleDt;
      while (T < at && !stopped()) step(at);
      if (T < at) break;
      inject();
      showMoment(moment);
    }
    int c = 0;
    while (s.ParticleCount > 0 && !stopped()) {
      step(MoveVortices ? std::numeric_limits<Extended>::infinity() : T + drainInterval);
      if (++c == 10) {
        showDrain();
        c = 0;
      }
    }
  }

  if (!s.StopConcentration) StoreResults(s, NumIteration, injectedMass);
  if (MoveVortices) ReleaseMovingVortices(s);
  return !s.StopConcentration;
}

}  // namespace ltr
