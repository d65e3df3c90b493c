#include "dust/concentration_run.h"

#include <algorithm>
#include <charconv>
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
  s.Delta = s.Area.H / 2;
  s.MaxFreeVortex = s.FreeCount + 4 * NumIteration;
  PrepareInfluenceSystem(s);
}

std::string ParticleStepText(const TParticleStepMode& mode) {
  switch (mode.Kind) {
    case TParticleStepMode::TKind::Auto: return "auto";
    case TParticleStepMode::TKind::Fixed: {
      char buffer[32];
      const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, mode.Value);
      return error == std::errc() ? std::string(buffer, end) : std::string();
    }
    case TParticleStepMode::TKind::Described: break;
  }
  return "described";
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
  s.OutputTally = s.Tally;
}

// The stability bound of the classical Runge-Kutta step on the negative real
// axis: |R(z)| = |1 + z + z^2/2 + z^3/6 + z^4/24| <= 1 for -2.785 <= z <= 0.
constexpr Extended RungeKuttaDragLimit = 2.785L;

std::string StepCountText() { return std::to_string(static_cast<long long>(MaxRunSteps)); }

// The particles' drag must be computable, and the residence limit must be
// reached within MaxRunSteps steps of a particle:
// steps of ParticleDt, or sub-steps of its own no shorter than the rule allows
// at the speeds of the openings.
std::string ResidenceStepsError(const TModelState& s, double particleDt, const TParticleStepMode& mode) {
  const Extended limit = s.MaxResidence;
  if (!mode.OwnSteps()) {
    // The Runge-Kutta step of the drag equation dv/dt = -(v - w) / tau is
    // stable only for ParticleDt / tau up to about 2.785; beyond, it
    // multiplies the velocity at every step and the particles' state runs off
    // to infinity. tau = mass / drag is shortest for the smallest particle.
    TParticleMotion smallest;
    smallest.SetDiameter(s.Dust, s.Dust.Fractions.front().Lower);
    const Extended tau = static_cast<Extended>(smallest.ParticleMass) / smallest.DragFactor;
    if (!(tau > 0) || !std::isfinite(tau) || static_cast<Extended>(particleDt) / tau > RungeKuttaDragLimit)
      return "Шаг по времени частиц " + FormatGeneral(particleDt) +
             " c слишком велик для сопротивления воздуха их движению (вязкость воздуха, коэффициент формы): "
             "задайте собственный шаг частиц («Шаг интегрирования частиц», в ltr-cli --particle-step auto)";
  }
  // The shortest step a particle makes: ParticleDt, or its own sub-step.
  const Extended speed = std::max(std::fabs(static_cast<Extended>(s.Area.InflowSpeed)),
                                  std::fabs(static_cast<Extended>(s.Area.Speed)));
  Extended shortest = particleDt;
  if (mode.OwnSteps()) {
    const TSubStepRule rule =
        MakeSubStepRule(s.Area, mode.Kind == TParticleStepMode::TKind::Fixed ? mode.Value : 0.0);
    shortest = rule.Fixed;
    if (!(shortest > 0)) {
      shortest = rule.MaxTime;
      if (speed > 0) shortest = std::min(shortest, rule.MaxDisplacement / speed);
    }
  }
  const std::string wayOut = mode.OwnSteps()
                                 ? "увеличьте «Шаг интегрирования частиц»"
                                 : "задайте собственный шаг частиц («Шаг интегрирования частиц», в ltr-cli "
                                   "--particle-step auto)";
  const std::string steps = mode.OwnSteps() ? " шагов интегрирования частиц"
                                            : " шагов по времени частиц (шаг " + FormatGeneral(particleDt) + " c)";
  if (s.MaxResidence > 0) {
    if (shortest > 0 && limit / shortest <= static_cast<Extended>(MaxRunSteps)) return {};
    return "Предельное время пребывания частицы требует более " + StepCountText() + steps + ": " + wayOut +
           " или уменьшите предельное время пребывания";
  }
  // Without a limit nothing but the walls ends a flight: a particle carried
  // at the speed of the openings must cross the enclosure within the bound.
  const Extended size = std::min(static_cast<Extended>(s.Area.RoomWidth), static_cast<Extended>(s.Area.RoomHeight));
  if (!(speed > 0) || (shortest > 0 && size / speed / shortest <= static_cast<Extended>(MaxRunSteps))) return {};
  return "Без предельного времени пребывания частицам нужно более " + StepCountText() + steps +
         ", чтобы пересечь укрытие: " + wayOut;
}

// Whether the particles in flight have finite positions and velocities.
bool ParticlesFinite(const TModelState& s) {
  for (int i = 0; i < s.ParticleCount; ++i) {
    const TParticle& p = s.Particles[i];
    // x - x is 0 for every finite x and NaN for an infinity or a NaN.
    if (!std::isfinite(p.Pos.X - p.Pos.X + p.Pos.Y - p.Pos.Y + p.Velocity.X - p.Velocity.X + p.Velocity.Y -
                       p.Velocity.Y))
      return false;
  }
  return true;
}

}  // namespace

std::string CheckOwnStepVortexSteps(const TModelState& s, int NumIteration, double ParticleDt) {
  const Extended span = static_cast<Extended>(NumIteration) * ParticleDt + s.MaxResidence;
  if (span / static_cast<Extended>(s.Dt) <= static_cast<Extended>(MaxRunSteps)) return {};
  return "Слишком много шагов по времени движения вихрей: расчет требует более " + StepCountText() +
         " шагов; увеличьте шаг по времени или уменьшите предельное время пребывания частицы";
}

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
                                   bool MoveVortices, const TParticleStepMode& mode) {
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
  const double particleDt = ComputeParticleDt(s, NumParticle);
  if (!std::isfinite(particleDt) || !(particleDt > 0)) return ParticleDtErrorText;
  if (std::string error = ResidenceStepsError(s, particleDt, mode); !error.empty()) return error;
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

TOutcome RunConcentration(TModelState& s, int NumParticle, int NumIteration, bool MoveVortices,
                          const TConcentrationOptions& options) {
  TObserver& ui = s.Ui();
  // A refused run ends as a stopped one does, before anything else changes.
  auto refuse = [&s](std::string message) {
    s.StopConcentration = true;
    return TOutcome::Refusal(std::move(message));
  };
  if (std::string error = CheckConcentrationArgs(s, NumParticle, NumIteration, MoveVortices, options.ParticleStep);
      !error.empty())
    return refuse(std::move(error));

  TBarRandom sizeGenerator;
  switch (options.Seed.Kind) {
    case TSizeSeed::TKind::Clock: s.RunSeed = TSizeSeed::Fixed(ClockSeed()); break;
    case TSizeSeed::TKind::Value: s.RunSeed = options.Seed; break;
    case TSizeSeed::TKind::Unseeded: s.RunSeed = TSizeSeed::Unseeded(); break;
  }
  // The seed is kept so that the run can be repeated from its exported results.
  if (s.RunSeed.Kind == TSizeSeed::TKind::Value) sizeGenerator.Randomize(s.RunSeed.Value);
  // CheckConcentrationArgs has refused a distribution the generator cannot
  // take and a particle step that is not positive.
  SetupSizeGenerator(sizeGenerator, s.Dust.Fractions);
  const double particleDt = ComputeParticleDt(s, NumParticle);

  const TParticleStepMode& mode = options.ParticleStep;
  if (mode.Kind == TParticleStepMode::TKind::Fixed && !(std::isfinite(mode.Value) && mode.Value > 0))
    return refuse(ParticleSubStepErrorText);
  // With own steps moving vortices keep their own time step.
  if (mode.OwnSteps() && MoveVortices && !(std::isfinite(s.Dt) && s.Dt > 0)) return refuse(VortexDtErrorText);
  if (mode.OwnSteps() && MoveVortices) {
    if (std::string error = CheckOwnStepVortexSteps(s, NumIteration, particleDt); !error.empty())
      return refuse(std::move(error));
  }

  s.RunSettings = {NumParticle, NumIteration, MoveVortices, ParticleStepText(mode)};
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
  s.Tally.Reset(dust.Fractions);
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
  // After each run step: a state that is no longer finite ends the run.
  std::string failure;
  auto checkFinite = [&s, &failure, MoveVortices] {
    if (ParticlesFinite(s) && std::isfinite(static_cast<Extended>(s.ExhaustedMass)) &&
        (!MoveVortices || VorticesFinite(s)))
      return;
    failure = NonFiniteRunText("Расчет концентрации остановлен", s.ConcentrationSteps);
    s.StopConcentration = true;
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
      p.FlightSteps = 0;
      injectedMass = ToDouble(injectedMass + ParticleMassOf(p.Diameter, dust.ParticleDensity));
      TallyFate(s, s.ParticleCount + i, TFateKind::Injected);
    }
    s.ParticleCount += NumParticle;
  };
  auto showMoment = [&](int moment) {
    ui.RedrawRun(s, true);
    ui.ConcentrationProgress(moment, NumIteration, s.ParticleCount, s.ConcentrationSteps, s.ConcentrationTime);
    ui.ProcessMessages();
  };
  // The drain reports every 10 steps, and every step while the vortices move,
  // which makes each step slow.
  const int drainReportSteps = MoveVortices ? 1 : 10;
  auto showDrain = [&] {
    ui.RedrawRun(s, true);
    ui.SetLabel(TLabel::VortexCount2, "Свободных вихрей: " + std::to_string(s.FreeCount));
    ui.ConcentrationProgress(0, NumIteration, s.ParticleCount, s.ConcentrationSteps, s.ConcentrationTime);
    ui.ProcessMessages();
  };

  if (!mode.OwnSteps()) {
    auto step = [&s, &stepper, &dust, &checkFinite, MoveVortices] {
      StepParticles(s, stepper);
      ++s.ConcentrationSteps;
      s.ConcentrationTime = ToDouble(static_cast<Extended>(s.ConcentrationSteps) * dust.ParticleDt);
      if (MoveVortices) TimeStep(s);  // the vortices move by Dt; Time stays
      checkFinite();
    };
    for (int moment = 1; moment <= NumIteration && !stopped(); ++moment) {
      step();
      if (!failure.empty()) break;
      inject();
      showMoment(moment);
    }
    int c = 0;
    while (s.ParticleCount > 0 && !stopped()) {
      step();
      if (++c == drainReportSteps) {
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
      checkFinite();
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
      if (++c == drainReportSteps) {
        showDrain();
        c = 0;
      }
    }
  }

  if (!s.StopConcentration) StoreResults(s, NumIteration, injectedMass);
  if (MoveVortices) ReleaseInfluenceRun(s);
  if (!failure.empty()) return TOutcome::Failure(std::move(failure));
  return s.StopConcentration ? TOutcome::StoppedEarly() : TOutcome();
}

}  // namespace ltr
