// ltr-cli concentration: the concentration run in the flow of a case (the
// steady bound-vortex flow, or the flow a vortex run leaves), and its results.

#include <chrono>
#include <cmath>
#include <cstdint>
#include <memory>

#include "cli/commands.h"
#include "cli/common.h"
#include "cli/concentration_case.h"
#include "cli/run_options.h"
#include "dust/concentration_run.h"
#include "dust/run_statistics.h"
#include "dust/snapshot_run.h"
#include "io/results_export.h"
#include "numerics/random.h"
#include "solver/vortex_run.h"
#include "numerics/number_text.h"

namespace ltr::cli {

namespace {

// The most replicas one call runs.
constexpr int MaxReplicas = 10000;


// Follows an average over the moments of the flow: the vortex run between
// the moments, then the concentration runs.
class SnapshotProgressBar : public TObserver {
 public:
  explicit SnapshotProgressBar(Progress& progress) : progress_(progress) {}

  void VortexRunProgress(double time, double, double maxTime) override {
    progress_.Update(0.0, "поле скоростей: " + VortexRunProgressText(time, maxTime));
  }
  void SnapshotProgress(int done, int count, double fraction) override {
    progress_.Update(fraction, SnapshotProgressText(done, count));
  }

 private:
  Progress& progress_;
};

nlohmann::json SummaryJson(const std::vector<double>& values) {
  const TReplicaSummary r = SummarizeReplicas(values);
  return {{"mean", r.Mean}, {"std_dev", JsonNumber(r.StdDev)}, {"ci95", JsonInterval(r.Mean95)}, {"values", values}};
}

}  // namespace

void RegisterConcentration(CLI::App& app) {
  auto options = std::make_shared<ConcentrationOptions>();
  CLI::App* sub = app.add_subcommand(
      "concentration", "inject dust particles into the flow, track them and print the outlet concentration");
  AddConcentrationOptions(*sub, *options);
  sub->add_option("--replicas", options->replicas,
                  "repeat the run with this many seeds (--seed, --seed + 1, ...; from the clock without "
                  "--seed) from the same flow and report the mean, spread and 95 % interval (default 1)");
  sub->add_option("--snapshots", options->snapshots,
                  "average over K moments of the developed flow: the vortex run goes on from the flow (--max-time "
                  "or --load) and the run is made in the flow of each moment, --every S seconds apart, with the "
                  "seeds --seed, --seed + 1, ...; adds snapshots: every run, the means and their 95 % intervals");
  sub->add_option("--every", options->every, "seconds of model time between the moments of --snapshots");
  sub->add_flag("--vortices", options->listVortices,
                "also print every vortex after the run as [x, y, gamma], with the bound count");
  sub->add_option("--report", options->report,
                  "write the report of the run to this PDF file: the case, the picture of the enclosure, the "
                  "results with their intervals, the fates of the particles and the charts")
      ->check(NonEmpty());
  sub->callback([options, sub] {
    TakeCaseDefaults(options->caseOptions, options->run, *sub);
    const ConcentrationSetup setup = ParseConcentrationSetup(*options, *sub);
    const int particles = setup.particles;
    const int moments = setup.moments;
    TConcentrationOptions run = setup.run;
    const int replicas = IntegerOption("--replicas", options->replicas, 1, MaxReplicas);
    if (replicas > 1 && run.Seed.Kind == TSizeSeed::TKind::Unseeded)
      throw InputError("--replicas требует различных зерен: задайте --seed числом или не задавайте его");
    if (replicas > 1 && run.Seed.Kind == TSizeSeed::TKind::Clock) run.Seed = TSizeSeed::Fixed(ClockSeed());

    // The report's file is checked before anything is computed.
    const bool averaged = sub->count("--snapshots") > 0;
    TSnapshotPlan plan;
    if (averaged) {
      if (replicas > 1) throw InputError("--snapshots и --replicas не задаются вместе");
      if (!options->report.empty()) throw InputError("--snapshots и --report не задаются вместе");
      if (options->run.maxTime.empty() && options->run.load.empty())
        throw InputError("--snapshots требует поля скоростей: задайте --max-time или --load");
      if (sub->count("--every") == 0) throw InputError("--snapshots требует --every: промежуток между полями, с");
      plan.Count = IntegerOption("--snapshots", options->snapshots, 1, MaxSnapshotCount);
      Extended every = 0;
      if (!ParseReal(options->every, every) || !std::isfinite(static_cast<double>(every)) || !(every > 0))
        throw InputError("значение --every должно быть положительным числом секунд: " + options->every);
      plan.Every = ToDouble(every);
      if (run.Seed.Kind == TSizeSeed::TKind::Unseeded)
        throw InputError("--snapshots требует различных зерен: задайте --seed числом или не задавайте его");
      if (run.Seed.Kind == TSizeSeed::TKind::Clock) run.Seed = TSizeSeed::Fixed(ClockSeed());
    } else if (sub->count("--every") > 0) {
      throw InputError("--every задается только вместе с --snapshots");
    }
    // The report's file is checked before anything is computed.
    if (!options->report.empty())
      CheckOutputs({OutputFile{"--report", options->report, "не удалось записать отчет в файл " + Echo(options->report), {}}});

    TModelState s;
    const bool flowComputed = PrepareConcentrationCase(*options, setup, s);

    if (averaged) {
      // The vortex run between the moments goes on as the flow was made: its
      // maximum of free vortices and its time step, unless given.
      const RunValues values = ParseRunOptions(options->run);
      plan.MaxFree = sub->count("--max-free") > 0 ? values.maxFree : s.MaxFreeVortex;
      plan.Dt = sub->count("--dt") > 0 ? values.dt : s.Dt;
      plan.Threads = s.Compute.Threads;
      TSnapshotResults snapshots;
      Progress progress("Усреднение по мгновенным полям", options->run.quiet);
      SnapshotProgressBar observer(progress);
      const TOutcome outcome = RunSnapshots(s, observer, particles, moments, setup.moveVortices, run, plan, snapshots);
      ThrowUnlessDone(outcome);
      const bool completed = outcome.Ok();
      progress.Finish(completed ? "средняя выходная концентрация " + FormatFixed(snapshots.Output.Between.Mean, 8, 7) +
                                      " кг/м3"
                                : std::string("остановлен"));
      nlohmann::json results = ConcentrationRunJson(s, completed, flowComputed, run.ParticleStep.OwnSteps());
      if (completed) results["snapshots"] = SnapshotsJson(snapshots);
      if (options->listVortices) {
        results["bound_count"] = s.BoundCount;
        results["vortices"] = VortexList(s);
      }
      PrintJson(results);
      return;
    }

    // Every replica starts from this flow.
    const TModelState flow = replicas > 1 ? s : TModelState{};
    const bool completed = RunConcentrationCase(s, setup, run, options->run.quiet, "Расчет концентрации");
    nlohmann::json results = ConcentrationRunJson(s, completed, flowComputed, run.ParticleStep.OwnSteps());
    if (replicas > 1 && completed) {
      std::vector<double> output{s.OutputConcentration}, input{s.RealInputConcentration},
          penetration{Penetration(s.OutputTally.Total())}, held{s.HeldMassShare};
      nlohmann::json seeds = {run.Seed.Value};
      int stopped = 0;
      for (int r = 1; r < replicas; ++r) {
        TModelState replica = flow;
        TConcentrationOptions replicaRun = run;
        replicaRun.Seed = TSizeSeed::Fixed(run.Seed.Value + static_cast<std::uint64_t>(r));
        Progress replicaProgress("Повтор " + std::to_string(r + 1) + " из " + std::to_string(replicas),
                                 options->run.quiet);
        ConcentrationProgressBar replicaObserver(replicaProgress, static_cast<long long>(particles) * moments);
        const TOutcome replicaOutcome =
            RunConcentration(replica.Case(), replica.Flow(), replica.DustRun(), replica.Results(), replica.Control(),
                             replicaObserver, particles, moments, setup.moveVortices, replicaRun);
        if (!replicaOutcome) {
          ThrowUnlessDone(replicaOutcome);
          // Otherwise only a step limit stops a run whose first replica completed.
          ++stopped;
          replicaProgress.Finish("остановлен после " + std::to_string(replica.ConcentrationSteps) + " шагов");
          continue;
        }
        replicaProgress.Finish("выходная концентрация " + FormatFixed(replica.OutputConcentration, 8, 7) +
                               " кг/м3");
        seeds.push_back(replicaRun.Seed.Value);
        output.push_back(replica.OutputConcentration);
        input.push_back(replica.RealInputConcentration);
        penetration.push_back(Penetration(replica.OutputTally.Total()));
        held.push_back(replica.HeldMassShare);
      }
      nlohmann::json summary = {{"count", static_cast<int>(output.size())},
                                {"seeds", std::move(seeds)},
                                {"output_concentration", SummaryJson(output)},
                                {"real_input_concentration", SummaryJson(input)},
                                {"penetration", SummaryJson(penetration)},
                                {"held_mass_share", SummaryJson(held)}};
      if (stopped > 0) summary["stopped"] = stopped;
      results["replicas"] = std::move(summary);
    }
    if (options->listVortices) {
      results["bound_count"] = s.BoundCount;
      results["vortices"] = VortexList(s);
    }
    if (!options->report.empty()) {
      if (!completed) throw RunFailure("отчет не записан: расчет остановлен до получения результатов");
      WriteRunReport(s, options->report);
      results["report"] = options->report;
    }
    PrintJson(results);
  });
}

}  // namespace ltr::cli
