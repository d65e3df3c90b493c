// The concentration run of a case as ltr-cli's subcommands share it: the
// reading of its options, the flow it runs in and the run with its progress.

#include "cli/concentration_case.h"

#include <cmath>

#include "dust/concentration_run.h"
#include "ltr/version.h"
#include "numerics/number_text.h"

#ifdef LTR_HAVE_VIEW
#include <QDateTime>

#include "cli/offscreen_app.h"
#include "view/report_pdf.h"
#endif

namespace ltr::cli {

void ConcentrationProgressBar::ConcentrationProgress(int moment, int moments, int inFlight, long long steps,
                                                     double time) {
  if (moment > 0) {
    progress_.Update(0.5 * moment / moments, "момент " + std::to_string(moment) + " из " + std::to_string(moments) +
                                                 ", частиц в полете: " + std::to_string(inFlight));
  } else {
    const double left = total_ > 0 ? static_cast<double>(inFlight) / static_cast<double>(total_) : 0.0;
    progress_.Update(0.5 + 0.5 * (1 - left), "частиц в полете: " + std::to_string(inFlight) + ", шагов: " +
                                                 std::to_string(steps) + ", время " + FormatFixed(time, 6, 3) +
                                                 " с");
  }
}

namespace {

TSizeSeed ParseSeed(const std::string& text) {
  if (text.empty()) return TSizeSeed::FromClock();
  if (text == "none") return TSizeSeed::Unseeded();
  if (text.size() > 19 || text.find_first_not_of("0123456789") != std::string::npos)
    throw InputError("значение --seed должно быть целым неотрицательным числом или none: " + Echo(text));
  return TSizeSeed::Fixed(std::stoull(text));
}

long long ParseMaxSteps(const std::string& text) {
  if (text.empty()) return 0;
  if (text.size() > 18 || text.find_first_not_of("0123456789") != std::string::npos || std::stoll(text) < 1)
    throw InputError("значение --max-steps должно быть целым положительным числом: " + Echo(text));
  return std::stoll(text);
}

double ParseResidence(const std::string& text) {
  Extended value;
  if (!ParseReal(text, value) || !std::isfinite(static_cast<double>(value)) || value < 0)
    throw InputError("значение --max-residence должно быть неотрицательным числом секунд: " + Echo(text));
  return ToDouble(value);
}

TParticleStepMode ParseParticleStep(const std::string& text, bool given) {
  if (!given) return TParticleStepMode::Described();
  if (text == "auto") return TParticleStepMode::Auto();
  Extended value;
  if (!ParseReal(text, value) || !std::isfinite(static_cast<double>(value)) || !(value > 0))
    throw InputError("значение --particle-step должно быть auto или положительным числом секунд: " + Echo(text));
  return TParticleStepMode::FixedStep(ToDouble(value));
}

}  // namespace

void AddConcentrationOptions(CLI::App& sub, ConcentrationOptions& options) {
  AddCaseOptions(sub, options.caseOptions);
  options.caseOptions.particles = true;
  AddRunOptions(sub, options.run);
  sub.add_option("--particles", options.particles,
                 "particles injected at each moment (default " + options.particles + ")");
  sub.add_option("--moments", options.moments, "number of injection moments (default " + options.moments + ")");
  sub.add_flag("--move-vortices", options.moveVortices, "the free vortices move with the particles");
  sub.add_option("--seed", options.seed,
                 "seed of the particle sizes; none: the generator's fixed start sequence; "
                 "default: from the clock");
  sub.add_option("--max-steps", options.maxSteps,
                 "stop the run after this many particle time steps (then no results)");
  sub.add_option("--max-residence", options.maxResidence,
                 "particles longer in flight than this many seconds of model time are counted as "
                 "held and leave the run; 0: no limit (default " + FormatGeneral(DefaultMaxResidence) + ")");
  sub.add_option(
      "--particle-step", options.particleStep,
      "auto or S seconds: each particle integrated in sub-steps of its own (exact drag over a sub-step), "
      "by the automatic rule or S long; particles are still injected every particle_dt, and moving "
      "vortices keep the time step --dt; default: one Runge-Kutta step of particle_dt");
}

ConcentrationSetup ParseConcentrationSetup(const ConcentrationOptions& options, const CLI::App& sub) {
  // The case file's page fields where the command line leaves them out.
  const TCaseSettings& c = CaseFileOf(options.caseOptions).Settings;
  auto fromCase = [&sub](const char* option, const auto& value) { return sub.count(option) == 0 && value; };
  ConcentrationSetup setup;
  setup.particles = fromCase("--particles", c.Particles) ? *c.Particles : IntegerOption("--particles", options.particles);
  setup.moments = fromCase("--moments", c.Moments) ? *c.Moments : IntegerOption("--moments", options.moments);
  setup.run.Seed = ParseSeed(options.seed);
  setup.run.MaxSteps = ParseMaxSteps(options.maxSteps);
  if (fromCase("--max-residence", c.MaxResidence)) {
    if (!(*c.MaxResidence >= 0))
      throw InputError("значение concentration.max_residence должно быть неотрицательным числом секунд");
    setup.maxResidence = *c.MaxResidence;
  } else {
    setup.maxResidence = ParseResidence(options.maxResidence);
  }
  setup.run.ParticleStep = fromCase("--particle-step", c.ParticleStep)
                               ? *c.ParticleStep
                               : ParseParticleStep(options.particleStep, sub.count("--particle-step") > 0);
  setup.moveVortices = options.moveVortices || c.MoveVortices.value_or(false);
  return setup;
}

bool PrepareConcentrationCase(const ConcentrationOptions& options, const ConcentrationSetup& setup, TModelState& s) {
  ApplyCase(options.caseOptions, s);
  s.MaxResidence = setup.maxResidence;
  // Refuse bad run arguments before spending time on the flow.
  if (std::string error =
          CheckConcentrationArgs(s.Case(), s.Flow(), s.MaxResidence, setup.particles, setup.moments,
                                 setup.moveVortices, setup.run.ParticleStep);
      !error.empty())
    throw InputError(error);
  PrepareFlow(options.run, s);
  // Without --max-time and --load the steady flow has just been solved; a
  // loaded file may hold none (all circulations zero): the run goes on, and
  // the output says so.
  const bool flowComputed = ConcentrationFlowComputed(s.Flow(), setup.moveVortices);
  // With own particle steps the moving vortices keep their time step: that
  // of the flow (its run or its file) unless --dt says otherwise.
  if (setup.run.ParticleStep.OwnSteps() && options.run.dtGiven) s.Dt = ParseRunOptions(options.run).dt;
  return flowComputed;
}

bool RunConcentrationCase(TModelState& s, const ConcentrationSetup& setup, const TConcentrationOptions& run,
                          bool quiet, const std::string& title) {
  Progress progress(title, quiet);
  ConcentrationProgressBar observer(progress, static_cast<long long>(setup.particles) * setup.moments);
  const TOutcome outcome = RunConcentration(s.Case(), s.Flow(), s.DustRun(), s.Results(), s.Control(), observer,
                                            setup.particles, setup.moments, setup.moveVortices, run);
  ThrowUnlessDone(outcome);
  const bool completed = outcome.Ok();
  if (completed) {
    std::string summary = std::to_string(s.ConcentrationSteps) + " шагов, выходная концентрация " +
                          FormatFixed(s.OutputConcentration, 8, 7) + " кг/м3";
    if (s.HeldCount > 0) summary += ", задержано в потоке частиц: " + std::to_string(s.HeldCount);
    progress.Finish(summary);
  } else {
    progress.Finish("остановлен после " + std::to_string(s.ConcentrationSteps) +
                    " шагов, частиц в полете: " + std::to_string(s.ParticleCount));
  }
  return completed;
}

void WriteRunReport(const TModelState& s, const std::string& fileName) {
#ifdef LTR_HAVE_VIEW
  OffscreenApplication gui;
  std::string reason;
  if (!WriteReportFile(RunReportPdf(s, QImage(), VersionText, QDateTime::currentDateTime()), fileName, reason))
    throw RunFailure("не удалось записать отчет в файл " + Echo(fileName) + ": " + reason);
#else
  (void)s;
  (void)fileName;
  throw InputError("--report недоступен: ltr-cli собран без рисования");
#endif
}

}  // namespace ltr::cli
