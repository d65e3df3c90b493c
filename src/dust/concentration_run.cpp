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

// The stability bound of the classical Runge-Kutta step on the negative real
// axis: |R(z)| = |1 + z + z^2/2 + z^3/6 + z^4/24| <= 1 for -2.785 <= z <= 0.
constexpr Extended RungeKuttaDragLimit = 2.785L;

std::string StepCountText() { return std::to_string(static_cast<long long>(MaxRunSteps)); }

// The shortest step a particle makes: ParticleDt, or its own sub-step.
Extended ShortestParticleStep(const TAreaParams& area, double particleDt, const TParticleStepMode& mode) {
  Extended shortest = particleDt;
  if (mode.OwnSteps()) {
    const TSubStepRule rule = MakeSubStepRule(area, mode.Kind == TParticleStepMode::TKind::Fixed ? mode.Value : 0.0);
    shortest = rule.Fixed;
    if (!(shortest > 0)) {
      shortest = rule.MaxTime;
      const Extended speed = OpeningSpeed(area);
      if (speed > 0) shortest = std::min(shortest, rule.MaxDisplacement / speed);
    }
  }
  return shortest;
}

// The particles' drag must be computable, and the residence limit must be
// reached within MaxRunSteps steps of a particle:
// steps of ParticleDt, or sub-steps of its own no shorter than the rule allows
// at the speeds of the openings.
std::string ResidenceStepsError(const TCase& c, double MaxResidence, double particleDt, const TParticleStepMode& mode) {
  const Extended limit = MaxResidence;
  if (!mode.OwnSteps()) {
    // The Runge-Kutta step of the drag equation dv/dt = -(v - w) / tau is
    // stable only for ParticleDt / tau up to about 2.785; beyond, it
    // multiplies the velocity at every step and the particles' state runs off
    // to infinity. tau = mass / drag is shortest for the smallest particle.
    TParticleMotion smallest;
    smallest.SetDiameter(c.Dust, c.Dust.Fractions.front().Lower);
    const Extended tau = static_cast<Extended>(smallest.ParticleMass) / smallest.DragFactor;
    if (!(tau > 0) || !std::isfinite(tau) || static_cast<Extended>(particleDt) / tau > RungeKuttaDragLimit)
      return "Шаг по времени частиц " + FormatGeneral(particleDt) +
             " c слишком велик для сопротивления воздуха их движению (вязкость воздуха, коэффициент формы): "
             "задайте собственный шаг частиц («Шаг интегрирования частиц», в ltr-cli --particle-step auto)";
  }
  const Extended speed = OpeningSpeed(c.Area);
  const Extended shortest = ShortestParticleStep(c.Area, particleDt, mode);
  const std::string wayOut = mode.OwnSteps()
                                 ? "увеличьте «Шаг интегрирования частиц»"
                                 : "задайте собственный шаг частиц («Шаг интегрирования частиц», в ltr-cli "
                                   "--particle-step auto)";
  const std::string steps = mode.OwnSteps() ? " шагов интегрирования частиц"
                                            : " шагов по времени частиц (шаг " + FormatGeneral(particleDt) + " c)";
  if (MaxResidence > 0) {
    if (shortest > 0 && limit / shortest <= static_cast<Extended>(MaxRunSteps)) return {};
    return "Предельное время пребывания частицы требует более " + StepCountText() + steps + ": " + wayOut +
           " или уменьшите предельное время пребывания";
  }
  // Without a limit nothing but the walls ends a flight: a particle carried
  // at the speed of the openings must cross the enclosure within the bound.
  if (!(speed > 0) || (shortest > 0 && AirCrossingTime(c.Area) / shortest <= static_cast<Extended>(MaxRunSteps)))
    return {};
  return "Без предельного времени пребывания частицам нужно более " + StepCountText() + steps +
         ", чтобы пересечь укрытие: " + wayOut;
}

// The work of the run at its worst, when every particle flies until the
// residence limit (or, without one, as long as crossing the enclosure at the
// speed of the openings takes): two velocity sums over all vortices a particle
// step, and with moving vortices a vortex step for each step of the run.
// Refused beyond MaxRunWork, with the estimate and the way out.
std::string ParticleWorkError(const TCase& c, const TFlow& f, double MaxResidence, int NumParticle, int NumIteration,
                              bool MoveVortices, double particleDt, const TParticleStepMode& mode) {
  const Extended speed = OpeningSpeed(c.Area);
  const Extended flight =
      MaxResidence > 0 ? static_cast<Extended>(MaxResidence)
                         : std::min<Extended>(c.Area.RoomWidth, c.Area.RoomHeight) / (speed > 0 ? speed : 1);
  const Extended shortest = ShortestParticleStep(c.Area, particleDt, mode);
  if (!(shortest > 0)) return {};
  const Extended flightSteps = std::ceil(flight / shortest);
  const int N = f.BoundCount;
  const long long maxFree = f.FreeCount + (MoveVortices ? 4LL * NumIteration : 0);
  const Extended vortices = static_cast<Extended>(N) + maxFree;
  Extended work = static_cast<Extended>(NumParticle) * NumIteration * flightSteps * 2 * vortices;
  if (MoveVortices) {
    const Extended vortexDt = mode.OwnSteps() ? static_cast<Extended>(f.Dt) : static_cast<Extended>(particleDt);
    const Extended vortexSteps = (static_cast<Extended>(NumIteration) * particleDt + flight) / vortexDt;
    // A step that is not positive, or too many steps, the run refuses itself.
    if (!(vortexDt > 0) || !(vortexSteps <= static_cast<Extended>(MaxRunSteps))) return {};
    work += VortexRunWork(vortexSteps, N, static_cast<int>(maxFree));
  }
  if (!(work > static_cast<Extended>(MaxRunWork))) return {};
  return "Расчет концентрации слишком велик: до " + WorkText(work) + " операций (частиц: " +
         std::to_string(static_cast<long long>(NumParticle) * NumIteration) + ", шагов каждой до " +
         (MaxResidence > 0 ? "предельного времени пребывания: " : "выхода из укрытия: ") + WorkText(flightSteps) +
         ", вихрей: " + std::to_string(N + maxFree) + "), допускается не более " + WorkText(MaxRunWork) +
         "; уменьшите предельное время пребывания частицы или число частиц";
}

// Whether the particles in flight have finite positions and velocities.
bool ParticlesFinite(const TDustRun& d) {
  for (int i = 0; i < d.ParticleCount; ++i)
    if (!ParticleFinite(d.Particles[i])) return false;
  return true;
}

}  // namespace

std::string CheckOwnStepVortexSteps(const TFlow& f, double MaxResidence, int NumIteration, double ParticleDt) {
  const Extended span = static_cast<Extended>(NumIteration) * ParticleDt + MaxResidence;
  if (span / static_cast<Extended>(f.Dt) <= static_cast<Extended>(MaxRunSteps)) return {};
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

double ComputeParticleDt(const TCase& c, int NumParticle) {
  const double S = FractionCubeSum(c.Dust.Fractions);
  return ToDouble((NumParticle * ParticlePi * S * c.Dust.ParticleDensity) /
                  (24 * static_cast<Extended>(c.Dust.InputConcentration) * c.Area.InflowSpeed *
                   c.Area.InflowWidth));
}

std::string ParticleDtLabel(double ParticleDt) {
  return "Шаг по времени: " + FormatFixed(ParticleDt, 8, 7) + " c";
}

std::string CheckConcentrationArgs(const TCase& c, const TFlow& f, double MaxResidence, int NumParticle,
                                   int NumIteration, bool MoveVortices, const TParticleStepMode& mode) {
  if (std::string error = DustParamsError(c.Dust); !error.empty()) return error;
  if (NumParticle < 1 || NumIteration < 1)
    return "Количество частиц и количество моментов их появления должны быть положительными";
  if (static_cast<long long>(NumParticle) * NumIteration > MaxConcentrationParticles)
    return "Слишком много частиц для расчета (допускается не более " +
           std::to_string(MaxConcentrationParticles) + ")";
  if (!std::isfinite(MaxResidence) || MaxResidence < 0)
    return "Предельное время пребывания частицы в потоке должно быть неотрицательным числом";
  // The size distribution and the particle step depend on the dust and the
  // enclosure alone: a run that would refuse them is refused before any flow
  // is computed for it.
  if (std::string error = SizeDistributionError(c.Dust.Fractions); !error.empty()) return error;
  const double particleDt = ComputeParticleDt(c, NumParticle);
  if (!std::isfinite(particleDt) || !(particleDt > 0)) return ParticleDtErrorText;
  if (std::string error = ResidenceStepsError(c, MaxResidence, particleDt, mode); !error.empty()) return error;
  if (f.BoundCount <= 0 || f.InnerRibs.size() < 4) return "Укрытие не построено";
  if (MoveVortices) {
    const long long maxFree = static_cast<long long>(f.FreeCount) + 4LL * NumIteration;
    if (maxFree > MaxRunFreeVortex)
      return "Макс. кол-во свободных вихрей должно быть от 0 до " + std::to_string(MaxRunFreeVortex);
    std::string error = CheckVortexRunArgs(c, f, static_cast<int>(maxFree), 0.0, 1.0, f.FreeCount, 0.0);
    if (!error.empty()) return error;
  }
  return ParticleWorkError(c, f, MaxResidence, NumParticle, NumIteration, MoveVortices, particleDt, mode);
}

bool ConcentrationFlowComputed(const TFlow& f, bool MoveVortices) {
  return MoveVortices || FlowComputed(f);
}

std::string ConcentrationProgressText(int moment, int moments, int inFlight, long long steps, double time) {
  if (moment > 0) return "Момент " + std::to_string(moment) + " из " + std::to_string(moments);
  return "Частиц в полете: " + std::to_string(inFlight) + ", шагов: " + std::to_string(steps) +
         ", время: " + FormatFixed(time, 6, 3) + " с";
}

namespace {

// One concentration run, in named steps: the checks, the set-up, the
// injection of a moment's particles, one run step of all particles (with the
// vortices when they move), the drain after the last moment and the results.
// A run step is of one of two kinds: the described one (one Runge-Kutta step
// of ParticleDt per particle) or own steps (each particle in sub-steps of its
// own up to the end of the run step: the next injection moment, the next step
// of moving vortices, or in a frozen flow after the injection ten of the
// longest sub-steps).
class TConcentrationRun {
 public:
  TConcentrationRun(TCase& c, TFlow& f, TDustRun& d, TResults& r, TRunControl& control, TObserver& ui,
                    int NumParticle, int NumIteration, bool MoveVortices, const TConcentrationOptions& options)
      : c_(c),
        f_(f),
        d_(d),
        r_(r),
        control_(control),
        ui_(ui),
        NumParticle_(NumParticle),
        NumIteration_(NumIteration),
        MoveVortices_(MoveVortices),
        options_(options),
        mode_(options.ParticleStep),
        run_(control.Compute) {}

  TOutcome Run() {
    // A refused run ends as a stopped one does, before anything else changes.
    if (std::string refusal = Check(); !refusal.empty()) {
      control_.StopConcentration = true;
      return TOutcome::Refusal(std::move(refusal));
    }
    SetUp();
    for (int moment = 1; moment <= NumIteration_ && !Stopped(); ++moment) {
      if (!ReachMoment(moment)) break;
      Inject();
      ShowMoment(moment);
    }
    Drain();
    if (!control_.StopConcentration) StoreResults();
    if (!failure_.empty()) return TOutcome::Failure(std::move(failure_));
    return control_.StopConcentration ? TOutcome::StoppedEarly() : TOutcome();
  }

 private:
  // Checks the run, seeds the size generator and finds the particle time
  // step; the refusal message, or empty when the run can start.
  std::string Check() {
    if (std::string error = CheckConcentrationArgs(c_, f_, control_.MaxResidence, NumParticle_, NumIteration_,
                                                   MoveVortices_, mode_);
        !error.empty())
      return error;

    switch (options_.Seed.Kind) {
      case TSizeSeed::TKind::Clock: seed_ = TSizeSeed::Fixed(ClockSeed()); break;
      case TSizeSeed::TKind::Value: seed_ = options_.Seed; break;
      case TSizeSeed::TKind::Unseeded: seed_ = TSizeSeed::Unseeded(); break;
    }
    // The seed is kept so that the run can be repeated from its exported results.
    if (seed_.Kind == TSizeSeed::TKind::Value) sizeGenerator_.Randomize(seed_.Value);
    // CheckConcentrationArgs has refused a distribution the generator cannot
    // take and a particle step that is not positive.
    SetupSizeGenerator(sizeGenerator_, c_.Dust.Fractions);
    particleDt_ = ComputeParticleDt(c_, NumParticle_);

    if (mode_.Kind == TParticleStepMode::TKind::Fixed && !(std::isfinite(mode_.Value) && mode_.Value > 0))
      return ParticleSubStepErrorText;
    // With own steps moving vortices keep their own time step.
    if (mode_.OwnSteps() && MoveVortices_ && !(std::isfinite(f_.Dt) && f_.Dt > 0)) return VortexDtErrorText;
    if (mode_.OwnSteps() && MoveVortices_) {
      if (std::string error = CheckOwnStepVortexSteps(f_, control_.MaxResidence, NumIteration_, particleDt_);
          !error.empty())
        return error;
    }
    return {};
  }

  // Prepares everything the run works with: the influence system of moving
  // vortices, the particle time step, the emptied counters and particles.
  void SetUp() {
    if (MoveVortices_) {
      // The influence system of the moving vortices, with room for four new
      // vortices at each moment, solved for the vortices as they are.
      f_.Delta = c_.Area.H / 2;
      f_.MaxFreeVortex = f_.FreeCount + 4 * NumIteration_;
      PrepareInfluenceSystem(f_, run_);
    }

    const int K = static_cast<int>(c_.Dust.Fractions.size());
    c_.Dust.ParticleDt = particleDt_;
    ui_.SetLabel(TLabel::Step, ParticleDtLabel(c_.Dust.ParticleDt));
    if (MoveVortices_ && !mode_.OwnSteps()) f_.Dt = c_.Dust.ParticleDt;

    d_.FractionHits.assign(static_cast<size_t>(K), 0);
    d_.ExhaustedMass = 0;
    d_.FractionHeld.assign(static_cast<size_t>(K), 0);
    d_.HeldMass = 0;
    d_.Tally.Reset(c_.Dust.Fractions);
    control_.StopConcentration = false;
    d_.Particles.assign(static_cast<size_t>(NumParticle_) * static_cast<size_t>(NumIteration_), TParticle{});
    d_.ParticleCount = 0;
    d_.ConcentrationSteps = 0;
    d_.ConcentrationTime = 0;

    stepper_.MaxResidence = control_.MaxResidence;
    stepper_.FrozenVortices = !MoveVortices_;
    stepper_.Prepare(static_cast<int>(d_.Particles.size()));
    startY_ = static_cast<Extended>(c_.Area.RoomHeight) - static_cast<Extended>(c_.Area.H) / 2;
    if (mode_.OwnSteps()) {
      rule_ = MakeSubStepRule(c_.Area, mode_.Kind == TParticleStepMode::TKind::Fixed ? mode_.Value : 0.0);
      drainInterval_ = 10 * (rule_.Fixed > 0 ? rule_.Fixed : rule_.MaxTime);
      vortexDt_ = f_.Dt;
    }
  }

  // Stop pressed, the step bound reached or the state no longer finite.
  bool Stopped() {
    if (options_.MaxSteps > 0 && d_.ConcentrationSteps >= options_.MaxSteps) control_.StopConcentration = true;
    return control_.StopConcentration;
  }

  // The run steps up to injection moment `moment` (from 1); false when the
  // run ends before it. A described run makes one step before each
  // injection; with own steps the moments lie ParticleDt apart from 0, and
  // the run steps end at them.
  bool ReachMoment(int moment) {
    if (!mode_.OwnSteps()) {
      Step(0.0L);
      return failure_.empty();
    }
    const Extended at = static_cast<Extended>(moment - 1) * c_.Dust.ParticleDt;
    while (T_ < at && !Stopped()) Step(at);
    return !(T_ < at);
  }

  // NumParticle particles along the inflow opening, falling at the inflow speed.
  void Inject() {
    for (int i = 0; i < NumParticle_; ++i) {
      TParticle& p = d_.Particles[d_.ParticleCount + i];
      p.Diameter = sizeGenerator_.Next();
      p.Pos = {((static_cast<Extended>(i) + 0.5L) * c_.Area.InflowWidth) / NumParticle_ + c_.Area.InflowDistance,
               startY_};
      p.Velocity = {0.0L, -static_cast<Extended>(c_.Area.InflowSpeed)};
      p.FlightTime = 0;
      p.FlightSteps = 0;
      injectedMass_ = WithParticleMass(injectedMass_, p.Diameter, c_.Dust.ParticleDensity);
      TallyFate(c_.Dust, d_, d_.ParticleCount + i, TFateKind::Injected);
    }
    d_.ParticleCount += NumParticle_;
  }

  // One run step of every particle in flight, ending at `target` (own steps;
  // a described step is ParticleDt long), and of the vortices when they
  // move: they move by Dt, and Time stays.
  void Step(Extended target) {
    if (!mode_.OwnSteps()) {
      StepParticles(c_, f_, run_, d_, stepper_);
      CountDescribedSteps(1);
      if (MoveVortices_) TimeStep(c_, f_, run_);
    } else {
      // The model time of the run, T, is kept whole: each run step ends at a
      // moment computed from its count, never as a sum of steps.
      Extended end = target;
      bool vortexStep = false;
      if (MoveVortices_) {
        const Extended next = static_cast<Extended>(vortexSteps_ + 1) * vortexDt_;
        if (next <= end) {
          end = next;
          vortexStep = true;
        }
      }
      AdvanceParticles(c_, f_, run_, d_, stepper_, rule_, end - T_);
      T_ = end;
      ++d_.ConcentrationSteps;
      d_.ConcentrationTime = ToDouble(T_);
      if (vortexStep) {
        TimeStep(c_, f_, run_);
        ++vortexSteps_;
      }
    }
    CheckFinite();
  }

  // After each run step: a state that is no longer finite ends the run.
  void CheckFinite() {
    if (ParticlesFinite(d_) && std::isfinite(static_cast<Extended>(d_.ExhaustedMass)) &&
        (!MoveVortices_ || VorticesFinite(f_)))
      return;
    failure_ = NonFiniteRunText("Расчет концентрации остановлен", d_.ConcentrationSteps);
    control_.StopConcentration = true;
  }

  // After the last moment, run steps until no particle is in flight; the
  // progress is shown every ten of them.
  void Drain() {
    // The drain reports every 10 run steps, and every step while the vortices
    // move, which makes each step slow.
    const int reportSteps = MoveVortices_ ? 1 : 10;
    int count = 0;
    while (d_.ParticleCount > 0 && !Stopped()) {
      int made = StepAhead(reportSteps - count);
      if (made == 0) {
        Step(!mode_.OwnSteps() ? 0.0L
             : MoveVortices_   ? std::numeric_limits<Extended>::infinity()
                               : T_ + drainInterval_);
        made = 1;
      }
      count += made;
      if (count == reportSteps) {
        ShowDrain();
        count = 0;
      }
    }
  }

  // The described steps of the exact mode in the frozen flow, up to `steps`
  // of them (never past the step bound) in one go, each particle making its
  // steps on one thread: what as many calls of Step do. The steps made; 0
  // when the particles are to be stepped one step at a time.
  int StepAhead(int steps) {
    if (MoveVortices_ || mode_.OwnSteps() || run_.Compute.Fast) return 0;
    if (options_.MaxSteps > 0)
      steps = static_cast<int>(std::min<long long>(steps, options_.MaxSteps - d_.ConcentrationSteps));
    if (steps < 2) return 0;
    const int made = StepParticlesAhead(c_, f_, run_, d_, stepper_, steps);
    if (made > 0) {
      CountDescribedSteps(made);
      CheckFinite();
    }
    return made;
  }

  // Counts n described steps made: the model time is that of the count.
  void CountDescribedSteps(int n) {
    d_.ConcentrationSteps += n;
    d_.ConcentrationTime = ToDouble(static_cast<Extended>(d_.ConcentrationSteps) * c_.Dust.ParticleDt);
  }

  void ShowMoment(int moment) {
    ui_.RedrawRun(f_, true);
    ui_.ConcentrationProgress(moment, NumIteration_, d_.ParticleCount, d_.ConcentrationSteps,
                              d_.ConcentrationTime);
    ui_.ProcessMessages();
  }

  void ShowDrain() {
    ui_.RedrawRun(f_, true);
    ui_.SetLabel(TLabel::VortexCount2, FreeVortexCountLabel(f_.FreeCount));
    ui_.ConcentrationProgress(0, NumIteration_, d_.ParticleCount, d_.ConcentrationSteps, d_.ConcentrationTime);
    ui_.ProcessMessages();
  }

  // The outlet composition, the concentrations and the held share of the
  // complete run, with the seed and settings it ran with.
  void StoreResults() {
    const std::vector<TFraction>& fractions = c_.Dust.Fractions;
    const int K = static_cast<int>(fractions.size());
    long long hits = 0;
    for (int h : d_.FractionHits) hits += h;
    r_.OutputFractions.assign(static_cast<size_t>(K), TFraction{});
    for (int j = 0; j < K; ++j) {
      TFraction& out = r_.OutputFractions[j];
      out.Lower = fractions[j].Lower;
      out.Upper = fractions[j].Upper;
      // With no particle exhausted every share is 0.
      out.Share = hits > 0 ? ToDouble(static_cast<Extended>(d_.FractionHits[j]) / hits) : 0.0;
    }
    const Extended Q =
        ((static_cast<Extended>(c_.Area.InflowSpeed) * c_.Area.InflowWidth) * c_.Dust.ParticleDt) * NumIteration_;
    r_.OutputConcentration = ToDouble(d_.ExhaustedMass / Q);
    r_.RealInputConcentration = ToDouble(injectedMass_ / Q);

    r_.HeldCount = 0;
    for (int h : d_.FractionHeld) r_.HeldCount += h;
    r_.HeldMassShare = injectedMass_ > 0 ? ToDouble(d_.HeldMass / static_cast<Extended>(injectedMass_)) : 0.0;
    r_.OutputHeldCounts = d_.FractionHeld;
    r_.OutputTally = d_.Tally;
    r_.RunSeed = seed_;
    r_.RunSettings = {NumParticle_, NumIteration_, MoveVortices_, ParticleStepText(mode_)};
    r_.RunCase = c_;
  }

  TCase& c_;
  TFlow& f_;
  TDustRun& d_;
  TResults& r_;
  TRunControl& control_;
  TObserver& ui_;
  const int NumParticle_;
  const int NumIteration_;
  const bool MoveVortices_;
  const TConcentrationOptions& options_;
  const TParticleStepMode& mode_;

  TRun run_;
  TParticleStepper stepper_;
  TBarRandom sizeGenerator_;
  TSizeSeed seed_;
  double particleDt_ = 0.0;
  Extended startY_ = 0.0L;
  double injectedMass_ = 0.0;
  std::string failure_;
  // Own steps: the sub-step rule, the drain's run step, the vortices' time
  // step, the model time of the run and the vortex steps made.
  TSubStepRule rule_;
  Extended drainInterval_ = 0.0L;
  Extended vortexDt_ = 0.0L;
  Extended T_ = 0.0L;
  long long vortexSteps_ = 0;
};

}  // namespace

TOutcome RunConcentration(TCase& c, TFlow& f, TDustRun& d, TResults& r, TRunControl& control, TObserver& ui,
                          int NumParticle, int NumIteration, bool MoveVortices,
                          const TConcentrationOptions& options) {
  return TConcentrationRun(c, f, d, r, control, ui, NumParticle, NumIteration, MoveVortices, options).Run();
}

}  // namespace ltr
